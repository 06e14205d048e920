#include "platform/windows/win_popup_window.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "app/app_texts.h"
#include "listview/hint_window.h"
#include "platform/windows/win_clipboard.h"
#include "platform/windows/win_deferred_calls.h"
#include "platform/windows/win_theme.h"
#include "platform/windows/win_tray_icon.h"

namespace vm {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

const wchar_t* Wide(const char16_t* AText) { return reinterpret_cast<const wchar_t*>(AText); }

} // namespace

TWinPopupWindow::TWinPopupWindow(HINSTANCE AInstance) : FInstance(AInstance), FHint(AInstance) {}

TWinPopupWindow::~TWinPopupWindow() { Destroy(); }

template <typename TCall> void TWinPopupWindow::Run(TCall&& ACall) {
  try {
    if (FFrm) FFrm->RunCommand(std::function<void()>(std::forward<TCall>(ACall)));
    else ACall();
  } catch (...) {
    // Nothing the program can put into words; the handler ends here and the loop goes on.
  }
}

bool TWinPopupWindow::RegisterWindowClass() {
  WNDCLASSEXW Class{};
  Class.cbSize = sizeof Class;
  if (GetClassInfoExW(FInstance, ClassName, &Class)) return true;
  Class = WNDCLASSEXW{};
  Class.cbSize = sizeof Class;
  Class.lpfnWndProc = WindowProc;
  Class.hInstance = FInstance;
  Class.hIcon = TWinTrayIcon::ProgramIcon(FInstance);
  Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  Class.lpszClassName = ClassName;
  return RegisterClassExW(&Class) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool TWinPopupWindow::Create() {
  if (FWindow) return true;
  if (!RegisterWindowClass()) return false;
  if (!FFont) FFont = CreateListFont(MulDiv(MainFontPixelHeight, WinSystemDpi(), USER_DEFAULT_SCREEN_DPI));

  RECT Outer{0, 0, DesignClientWidth, DesignClientHeight};
  AdjustWindowRectEx(&Outer, Style, FALSE, ExStyle);
  // Hidden and not topmost; ShowPopup places and shows it.
  if (!CreateWindowExW(ExStyle, ClassName, Wide(texts::MainCaption), Style, 0, 0, Outer.right - Outer.left,
                       Outer.bottom - Outer.top, nullptr, nullptr, FInstance, this))
    return false;
  // The creation parameters as the system filled them, less WS_EX_APPWINDOW.
  const LONG_PTR Extended = GetWindowLongPtrW(FWindow, GWL_EXSTYLE);
  if (Extended & WS_EX_APPWINDOW) SetWindowLongPtrW(FWindow, GWL_EXSTYLE, Extended & ~LONG_PTR{WS_EX_APPWINDOW});

  if (!CreateChildren()) {
    const DWORD Error = GetLastError();
    Destroy();
    SetLastError(Error);
    return false;
  }
  LayOutChildren();
  ThemeWindowFrame(FWindow);
  if (FDeferredCalls) FDeferredCalls->SetWindow(FWindow);
  return true;
}

bool TWinPopupWindow::CreateChildren() {
  FSearchEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
                                0, 0, DesignClientWidth, SearchEditPixelHeight, FWindow,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(SearchEditId)), FInstance, nullptr);
  if (!FSearchEdit) return false;
  SendMessageW(FSearchEdit, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
  // Shown also while the box has the focus, which it has whenever the popup opens.
  SendMessageW(FSearchEdit, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(Wide(texts::SearchPlaceholder)));
  SetWindowLongPtrW(FSearchEdit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  FEditProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(FSearchEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SearchEditProc)));

  FGrid.DrawCell = [this](int ACol, int ARow, const TRect& ARect) {
    TCellPaint Plan;
    if (!FFrm) {
      // Without the frm (never in the program) the cells show their strings plainly.
      Plan.Text = FGrid.Cell(ACol, ARow);
      Plan.TextRect = ARect;
      return Plan;
    }
    try {
      Plan = FFrm->ClipHistoryGridDrawCell(ACol, ARow, ARect);
    } catch (...) {
      // A cell that cannot be planned stays blank; painting never stops the loop.
    }
    return Plan;
  };
  FGrid.OnMouseDown = [this](TMouseButton AButton, int AX, int AY) {
    if (FFrm) Run([&] { FFrm->ClipHistoryGridMouseDown(AButton, AX, AY); });
  };
  FGrid.OnMouseMove = [this](int AX, int AY) { GridMouseMove(AX, AY); };
  FGrid.OnMouseLeave = [this] { HideHint(); };
  FGrid.OnKeyDown = [this](UINT AMessage, WPARAM AKey, LPARAM AFlags) {
    return PreviewKeyInProcedure(FGrid.Handle(), AMessage, AKey, AFlags);
  };
  FGrid.OnSetFocus = [this] { FLastFocus = FGrid.Handle(); };
  return FGrid.Create(FWindow, FInstance, GridId);
}

void TWinPopupWindow::Destroy() {
  // FormDestroy has run: the frm is not called again, not even for the messages of destruction.
  FFrm = nullptr;
  FHideTimerEnabled = false;
  FHint.Hide();
  FHintActive = false;
  if (FDeferredCalls) FDeferredCalls->SetWindow(nullptr);
  if (FWindow) DestroyWindow(FWindow);
  FWindow = nullptr;
  FSearchEdit = nullptr;
  FLastFocus = nullptr;
  if (FFont) {
    DeleteObject(FFont);
    FFont = nullptr;
  }
}

void TWinPopupWindow::SetDeferredCalls(TWinDeferredCalls* ACalls) {
  FDeferredCalls = ACalls;
  if (FDeferredCalls && FWindow) FDeferredCalls->SetWindow(FWindow);
}

void TWinPopupWindow::LayOutChildren() {
  if (!FWindow) return;
  RECT Client{};
  GetClientRect(FWindow, &Client);
  const int Width = Client.right - Client.left, Height = Client.bottom - Client.top;
  if (FSearchEdit) MoveWindow(FSearchEdit, 0, 0, Width, SearchEditPixelHeight, TRUE);
  if (FGrid.Handle())
    MoveWindow(FGrid.Handle(), 0, SearchEditPixelHeight, Width, std::max(0, Height - SearchEditPixelHeight), TRUE);
}

bool TWinPopupWindow::IsOwnWindow(HWND AWindow) const {
  return AWindow && FWindow && (AWindow == FWindow || IsChild(FWindow, AWindow));
}

// --- Keys --------------------------------------------------------------------------------------

bool TWinPopupWindow::PreviewKey(WPARAM AKey) {
  if (!FFrm) return false;
  std::uint16_t Key = static_cast<std::uint16_t>(AKey);
  const TShiftState Shift{GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0, GetKeyState(VK_CONTROL) < 0};
  Run([&] { FFrm->FormKeyDown(Key, Shift); });
  return Key == 0;
}

bool TWinPopupWindow::PreTranslateKey(MSG& AMessage) {
  FPreviewed.Pending = false;
  if (AMessage.message != WM_KEYDOWN && AMessage.message != WM_SYSKEYDOWN) return false;
  if (!IsOwnWindow(AMessage.hwnd)) return false;
  if (PreviewKey(AMessage.wParam)) return true;
  FPreviewed = {AMessage.hwnd, AMessage.message, AMessage.wParam, AMessage.lParam, true};
  return false;
}

bool TWinPopupWindow::PreviewKeyInProcedure(HWND ATarget, UINT AMessage, WPARAM AKey, LPARAM ALParam) {
  if (FPreviewed.Pending) {
    FPreviewed.Pending = false;
    if (FPreviewed.Window == ATarget && FPreviewed.Message == AMessage && FPreviewed.Key == AKey &&
        FPreviewed.Flags == ALParam)
      return false; // the loop previewed this very key and let it through
  }
  if (!PreviewKey(AKey)) return false;
  // The loop translated the key before dispatching it: the character it made (Escape, Enter,
  // Ctrl+P...) waits in the queue and must not reach the control either.
  const UINT First = AMessage == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  const UINT Last = AMessage == WM_SYSKEYDOWN ? WM_SYSDEADCHAR : WM_DEADCHAR;
  MSG Character;
  while (PeekMessageW(&Character, ATarget, First, Last, PM_REMOVE | PM_NOYIELD)) {
  }
  return true;
}

// --- The window's procedures -------------------------------------------------------------------

LRESULT CALLBACK TWinPopupWindow::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_NCCREATE) {
    auto* Create = reinterpret_cast<CREATESTRUCTW*>(ALParam);
    auto* Popup = static_cast<TWinPopupWindow*>(Create->lpCreateParams);
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Popup));
    if (Popup) Popup->FWindow = AWindow;
  }
  auto* Popup = reinterpret_cast<TWinPopupWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
  if (!Popup || Popup->FWindow != AWindow) return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  if (AMessage == WM_NCDESTROY) {
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, 0);
    Popup->FWindow = nullptr;
    return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  }
  return Popup->HandleMessage(AMessage, AWParam, ALParam);
}

LRESULT TWinPopupWindow::HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  // Every message passes the frm's hook before its own handling ("TaskbarCreated").
  if (FFrm) {
    try {
      FFrm->WindowProcHook(AMessage);
    } catch (...) {
    }
  }
  switch (AMessage) {
  case WM_CREATE:
    StartClipboardListener(FWindow);
    return 0;
  case WM_DESTROY:
    KillTimer(FWindow, HideTimerId);
    StopClipboardListener(FWindow);
    return 0;
  case WM_SIZE:
    LayOutChildren();
    return 0;
  case WM_GETMINMAXINFO:
    // The layout sets the exact size, also below the system's smallest size for a titled window.
    reinterpret_cast<MINMAXINFO*>(ALParam)->ptMinTrackSize = POINT{1, 1};
    return 0;
  case WM_ERASEBKGND: {
    RECT Client{};
    GetClientRect(FWindow, &Client);
    FillRect(reinterpret_cast<HDC>(AWParam), &Client, ThemeBrush(TThemeColour::WindowBackground));
    return 1;
  }
  case WM_CTLCOLOREDIT:
    if (reinterpret_cast<HWND>(ALParam) == FSearchEdit) {
      const HDC DC = reinterpret_cast<HDC>(AWParam);
      SetTextColor(DC, ThemeColour(TThemeColour::WindowText));
      SetBkColor(DC, ThemeColour(TThemeColour::EditBackground));
      return reinterpret_cast<LRESULT>(ThemeBrush(TThemeColour::EditBackground));
    }
    break;
  case WM_COMMAND:
    // Changes the user makes only; SetSearchText changes the text silently.
    if (LOWORD(AWParam) == SearchEditId && HIWORD(AWParam) == EN_CHANGE) {
      if (!FSettingSearchText && FFrm) Run([&] { FFrm->SearchEditChange(); });
      return 0;
    }
    break;
  case WM_TIMER:
    if (AWParam == HideTimerId) {
      if (FFrm) Run([&] { FFrm->HideTimerTimer(); });
      return 0;
    }
    break;
  case WM_HOTKEY:
    if (FFrm) Run([&] { FFrm->WMHotKey(static_cast<int>(AWParam)); });
    return 0;
  case WM_CLIPBOARDUPDATE:
    if (FFrm) Run([&] { FFrm->WMClipboardUpdate(); });
    return 0;
  case WM_DPICHANGED: {
    const LRESULT Result = DefWindowProcW(FWindow, AMessage, AWParam, ALParam);
    if (FFrm) Run([&] { FFrm->WMDPIChanged(LOWORD(AWParam)); });
    return Result;
  }
  case TrayIconMessage:
    if (FFrm) Run([&] { FFrm->WMTrayIcon(static_cast<std::uint32_t>(static_cast<ULONG_PTR>(ALParam) & 0xFFFFFFFFu)); });
    return 0;
  case TWinDeferredCalls::DrainMessage:
    if (FDeferredCalls) Run([&] { FDeferredCalls->Drain(); });
    return 0;
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
    if (PreviewKeyInProcedure(FWindow, AMessage, AWParam, ALParam)) return 0;
    break;
  case WM_SETFOCUS: {
    // The control that last had the focus gets it back when the window is activated.
    const HWND Target = FLastFocus && IsChild(FWindow, FLastFocus) ? FLastFocus : FSearchEdit;
    if (Target) SetFocus(Target);
    return 0;
  }
  case WM_ACTIVATE:
    if (LOWORD(AWParam) == WA_INACTIVE) HideHint();
    break;
  case WM_SHOWWINDOW:
    if (!AWParam) HideHint();
    break;
  case WM_CLOSE:
    // No close box; a close the system asks for (Alt+F4) hides the popup instead of ending the
    // program behind the user's back.
    if (FFrm) Run([&] { FFrm->HidePopup(); });
    else ::ShowWindow(FWindow, SW_HIDE);
    return 0;
  default:
    break;
  }
  return DefWindowProcW(FWindow, AMessage, AWParam, ALParam);
}

LRESULT CALLBACK TWinPopupWindow::SearchEditProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  auto* Popup = reinterpret_cast<TWinPopupWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
  if (!Popup || Popup->FSearchEdit != AWindow) return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  return Popup->HandleSearchEditMessage(AMessage, AWParam, ALParam);
}

LRESULT TWinPopupWindow::HandleSearchEditMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  const HWND Edit = FSearchEdit;
  const WNDPROC Original = FEditProc;
  switch (AMessage) {
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
    if (PreviewKeyInProcedure(Edit, AMessage, AWParam, ALParam)) return 0;
    break;
  case WM_SETFOCUS:
    FLastFocus = Edit;
    break;
  case WM_NCDESTROY:
    SetWindowLongPtrW(Edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Original));
    SetWindowLongPtrW(Edit, GWLP_USERDATA, 0);
    FSearchEdit = nullptr;
    break;
  default:
    break;
  }
  return CallWindowProcW(Original, Edit, AMessage, AWParam, ALParam);
}

// --- IPopupView ----------------------------------------------------------------------------------

bool TWinPopupWindow::IsVisible() { return FWindow && IsWindowVisible(FWindow); }

void TWinPopupWindow::ShowWindow() {
  if (!FWindow) return;
  ::ShowWindow(FWindow, SW_SHOW);
  SetWindowPos(FWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TWinPopupWindow::HideWindow() {
  HideHint();
  if (FWindow) ::ShowWindow(FWindow, SW_HIDE);
}

void TWinPopupWindow::SetPosition(int ALeft, int ATop) {
  if (FWindow) SetWindowPos(FWindow, nullptr, ALeft, ATop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TWinPopupWindow::OuterWidth() {
  RECT Outer{};
  if (FWindow) GetWindowRect(FWindow, &Outer);
  return Outer.right - Outer.left;
}

int TWinPopupWindow::OuterHeight() {
  RECT Outer{};
  if (FWindow) GetWindowRect(FWindow, &Outer);
  return Outer.bottom - Outer.top;
}

void TWinPopupWindow::SetOuterWidth(int AWidth) {
  if (FWindow)
    SetWindowPos(FWindow, nullptr, 0, 0, std::max(0, AWidth), OuterHeight(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinPopupWindow::SetOuterHeight(int AHeight) {
  if (FWindow)
    SetWindowPos(FWindow, nullptr, 0, 0, OuterWidth(), std::max(0, AHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TWinPopupWindow::FrameHeight() {
  if (!FWindow) return 0;
  RECT Outer{}, Client{};
  GetWindowRect(FWindow, &Outer);
  GetClientRect(FWindow, &Client);
  return (Outer.bottom - Outer.top) - (Client.bottom - Client.top);
}

void TWinPopupWindow::RepaintNow() {
  if (FWindow) RedrawWindow(FWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void TWinPopupWindow::Close() {
  FCloseRequested = true;
  SetHideTimerEnabled(false);
  HideHint();
  if (FWindow) ::ShowWindow(FWindow, SW_HIDE);
  PostQuitMessage(0);
}

void TWinPopupWindow::SetHideTimerEnabled(bool AEnabled) {
  FHideTimerEnabled = AEnabled && FWindow;
  if (!FWindow) return;
  if (AEnabled) SetTimer(FWindow, HideTimerId, HideTimerInterval, nullptr);
  else KillTimer(FWindow, HideTimerId);
}

std::u16string TWinPopupWindow::SearchText() {
  if (!FSearchEdit) return {};
  const int Length = GetWindowTextLengthW(FSearchEdit);
  if (Length <= 0) return {};
  std::vector<wchar_t> Buffer(static_cast<std::size_t>(Length) + 1);
  const int Copied = GetWindowTextW(FSearchEdit, Buffer.data(), Length + 1);
  return std::u16string(reinterpret_cast<const char16_t*>(Buffer.data()), static_cast<std::size_t>(std::max(0, Copied)));
}

void TWinPopupWindow::SetSearchText(const std::u16string& AText) {
  if (!FSearchEdit) return;
  FSettingSearchText = true;
  SetWindowTextW(FSearchEdit, reinterpret_cast<const wchar_t*>(AText.c_str()));
  FSettingSearchText = false;
}

int TWinPopupWindow::SearchEditHeight() {
  if (!FSearchEdit) return SearchEditPixelHeight;
  RECT Edit{};
  GetWindowRect(FSearchEdit, &Edit);
  return Edit.bottom - Edit.top;
}

bool TWinPopupWindow::CanFocusSearch() {
  return FSearchEdit && IsVisible() && IsWindowVisible(FSearchEdit) && IsWindowEnabled(FSearchEdit);
}

void TWinPopupWindow::FocusSearch() {
  if (FSearchEdit) SetFocus(FSearchEdit);
}

// --- The hover hint ----------------------------------------------------------------------------

void TWinPopupWindow::HideHint() {
  FHint.Hide();
  FHintActive = false;
}

void TWinPopupWindow::GridMouseMove(int AX, int AY) {
  if (FFrm) Run([&] { FFrm->ClipHistoryGridMouseMove(AX, AY); });
  // As the desktop's hints do: resting on the list shows its hint at once (no delay), and once
  // shown, even after it timed out, the next shows only after a cancel.
  if (FHintActive || FGridHint.empty() || !IsVisible()) return;
  FHintActive = true;
  const std::u16string Text = HintTextToShow(FFrm ? FFrm->HoverText() : std::u16string(), FGridHint);
  POINT Pointer{};
  GetCursorPos(&Pointer);
  FHint.ActivateHint(TMultiLineHintWindow::CornerBelowPointer(Pointer, FHint.OuterSize(Text)), Text, FWindow);
}

} // namespace vm
