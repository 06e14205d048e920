#include "platform/windows/win_hint_window.h"

#include <algorithm>

#include "listview/hint_window.h"

namespace vm {

static_assert(sizeof(wchar_t) == sizeof(char16_t));
static_assert(HintDrawTextFlags == (DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX));

namespace {

bool RegisterHintClass(HINSTANCE AInstance, WNDPROC AProcedure) {
  WNDCLASSEXW Class{};
  Class.cbSize = sizeof Class;
  if (GetClassInfoExW(AInstance, TMultiLineHintWindow::ClassName, &Class)) return true;
  Class = WNDCLASSEXW{};
  Class.cbSize = sizeof Class;
  Class.style = CS_DROPSHADOW | CS_SAVEBITS;
  Class.lpfnWndProc = AProcedure;
  Class.hInstance = AInstance;
  Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  Class.lpszClassName = TMultiLineHintWindow::ClassName;
  return RegisterClassExW(&Class) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The desktop's hint font (the status-bar font of the non-client metrics), as tooltips use.
HFONT CreateHintFont() {
  NONCLIENTMETRICSW Metrics{};
  Metrics.cbSize = sizeof Metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof Metrics, &Metrics, 0))
    if (HFONT Font = CreateFontIndirectW(&Metrics.lfStatusFont)) return Font;
  return nullptr;
}

} // namespace

TMultiLineHintWindow::TMultiLineHintWindow(HINSTANCE AInstance)
    : FInstance(AInstance), FFont(CreateHintFont()),
      FBackground(CreateSolidBrush(RGB(HintBackground.Red, HintBackground.Green, HintBackground.Blue))) {}

TMultiLineHintWindow::~TMultiLineHintWindow() {
  DestroyNative();
  if (FFont) DeleteObject(FFont);
  if (FBackground) DeleteObject(FBackground);
}

void TMultiLineHintWindow::DestroyNative() {
  if (!FWindow) return;
  const HWND Window = FWindow;
  FWindow = nullptr;
  SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
  DestroyWindow(Window);
}

SIZE TMultiLineHintWindow::LayoutSize(HFONT AFont, const std::u16string& AText, int AWrapWidth) {
  SIZE Size{0, 0};
  HDC Screen = GetDC(nullptr);
  if (!Screen) return Size;
  const HGDIOBJ Old = SelectObject(Screen, AFont ? static_cast<HGDIOBJ>(AFont) : GetStockObject(DEFAULT_GUI_FONT));
  RECT Box{0, 0, std::max(0, AWrapWidth), 0};
  DrawTextW(Screen, reinterpret_cast<const wchar_t*>(AText.c_str()), static_cast<int>(AText.size()), &Box,
            HintDrawTextFlags | DT_CALCRECT);
  SelectObject(Screen, Old);
  ReleaseDC(nullptr, Screen);
  Size.cx = Box.right - Box.left;
  Size.cy = Box.bottom - Box.top;
  return Size;
}

SIZE TMultiLineHintWindow::OuterSize(const std::u16string& AText) const {
  const SIZE Text = LayoutSize(FFont, AText, HintWrapWidth(GetSystemMetrics(SM_CXSCREEN)));
  const TRect Bounds = HintBounds({0, 0}, Text.cx, Text.cy);
  return SIZE{Bounds.Width(), Bounds.Height()};
}

TPoint TMultiLineHintWindow::CornerBelowPointer(POINT APointer, SIZE AOuterSize) {
  TPoint Corner{APointer.x, APointer.y + GetSystemMetrics(SM_CYCURSOR)};
  MONITORINFO Info{};
  Info.cbSize = sizeof Info;
  if (GetMonitorInfoW(MonitorFromPoint(APointer, MONITOR_DEFAULTTONEAREST), &Info)) {
    const RECT& Monitor = Info.rcMonitor;
    Corner.X = std::max<int>(Monitor.left, std::min<int>(Corner.X, Monitor.right - AOuterSize.cx));
    Corner.Y = std::max<int>(Monitor.top, std::min<int>(Corner.Y, Monitor.bottom - AOuterSize.cy));
  }
  return Corner;
}

void TMultiLineHintWindow::ActivateHint(TPoint ACorner, const std::u16string& AText, HWND AOwner) {
  DestroyNative();
  FHintText = AText;
  if (!RegisterHintClass(FInstance, &WindowProc)) return;
  const SIZE Outer = OuterSize(FHintText);
  FWindow = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, ClassName, L"", WS_POPUP | WS_BORDER,
                            ACorner.X, ACorner.Y, Outer.cx, Outer.cy, AOwner, nullptr, FInstance, nullptr);
  if (!FWindow) return;
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ShowWindow(FWindow, SW_SHOWNOACTIVATE);
  UpdateWindow(FWindow);
  SetTimer(FWindow, HideTimerId, HintHidePauseMs, nullptr);
}

void TMultiLineHintWindow::Hide() {
  if (!FWindow) return;
  KillTimer(FWindow, HideTimerId);
  ShowWindow(FWindow, SW_HIDE);
}

bool TMultiLineHintWindow::IsShowing() const { return FWindow && IsWindowVisible(FWindow); }

void TMultiLineHintWindow::Paint(HDC ADC) {
  RECT Client{};
  GetClientRect(FWindow, &Client);
  FillRect(ADC, &Client, FBackground ? FBackground : GetSysColorBrush(COLOR_INFOBK));
  const HGDIOBJ Old = SelectObject(ADC, FFont ? static_cast<HGDIOBJ>(FFont) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(ADC, TRANSPARENT);
  SetTextColor(ADC, GetSysColor(COLOR_INFOTEXT));
  DrawTextW(ADC, reinterpret_cast<const wchar_t*>(FHintText.c_str()), static_cast<int>(FHintText.size()), &Client,
            HintDrawTextFlags);
  SelectObject(ADC, Old);
}

LRESULT CALLBACK TMultiLineHintWindow::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  auto* Hint = reinterpret_cast<TMultiLineHintWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
  switch (AMessage) {
  case WM_NCHITTEST:
    return HTTRANSPARENT; // the pointer reaches the list below
  case WM_MOUSEACTIVATE:
    return MA_NOACTIVATE;
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT:
    if (Hint) {
      PAINTSTRUCT Ps;
      HDC DC = BeginPaint(AWindow, &Ps);
      Hint->Paint(DC);
      EndPaint(AWindow, &Ps);
      return 0;
    }
    break;
  case WM_TIMER:
    if (AWParam == HideTimerId) {
      KillTimer(AWindow, HideTimerId);
      ShowWindow(AWindow, SW_HIDE);
      return 0;
    }
    break;
  default:
    break;
  }
  return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
}

} // namespace vm
