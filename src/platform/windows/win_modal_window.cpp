#include "platform/windows/win_modal_window.h"

namespace vm {

void TWinModalWindow::CreateModalWindow(const wchar_t* AClassName, DWORD AExStyle, const wchar_t* ATitle,
                                        DWORD AStyle, int AWidth, int AHeight) {
  const HINSTANCE Instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW Existing{};
  Existing.cbSize = sizeof Existing;
  if (!GetClassInfoExW(Instance, AClassName, &Existing)) {
    WNDCLASSEXW Class{};
    Class.cbSize = sizeof Class;
    Class.lpfnWndProc = WindowProc;
    Class.hInstance = Instance;
    Class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    Class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    Class.lpszClassName = AClassName;
    RegisterClassExW(&Class);
  }
  CreateWindowExW(AExStyle, AClassName, ATitle, AStyle, 0, 0, AWidth, AHeight, FOwner, nullptr, Instance, this);
}

void TWinModalWindow::DestroyModalWindow() {
  if (!FWindow) return;
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
  DestroyWindow(FWindow);
  FWindow = nullptr;
}

void TWinModalWindow::BeginModal() {
  FOwnerDisabled = FOwner && IsWindowEnabled(FOwner);
  if (FOwnerDisabled) EnableWindow(FOwner, FALSE);
}

void TWinModalWindow::ShowInFront() {
  ShowWindow(FWindow, SW_SHOW);
  SetForegroundWindow(FWindow);
}

bool TWinModalWindow::DispatchUntil(const std::function<bool()>& AEnded, bool AUseDialogKeys,
                                    const std::function<void()>& AAfterEach) {
  while (!AEnded()) {
    MSG Message;
    const BOOL Got = GetMessageW(&Message, nullptr, 0, 0);
    if (Got == 0) {
      // The program is ending: the main loop gets its quit message back.
      PostQuitMessage(static_cast<int>(Message.wParam));
      return false;
    }
    if (Got == -1) return false;
    if (!AUseDialogKeys || !IsDialogMessageW(FWindow, &Message)) {
      TranslateMessage(&Message);
      DispatchMessageW(&Message);
    }
    if (AAfterEach) AAfterEach();
  }
  return true;
}

void TWinModalWindow::EndModalRun() {
  // The owner first, so that activation goes back to it rather than to another program.
  if (FOwnerDisabled) EnableWindow(FOwner, TRUE);
  FOwnerDisabled = false;
  ShowWindow(FWindow, SW_HIDE);
}

LRESULT CALLBACK TWinModalWindow::WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam) {
  if (AMessage == WM_NCCREATE) {
    auto* Self = static_cast<TWinModalWindow*>(reinterpret_cast<CREATESTRUCTW*>(ALParam)->lpCreateParams);
    Self->FWindow = AWindow;
    SetWindowLongPtrW(AWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Self));
  }
  auto* Self = reinterpret_cast<TWinModalWindow*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA));
  if (!Self) return DefWindowProcW(AWindow, AMessage, AWParam, ALParam);
  return Self->HandleMessage(AMessage, AWParam, ALParam);
}

} // namespace vm
