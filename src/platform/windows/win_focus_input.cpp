#include "platform/windows/win_focus_input.h"

namespace vm {

static_assert(sizeof(TWindowHandle) == sizeof(HWND));

TWindowHandle TWinFocusInput::GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }

bool TWinFocusInput::SetForegroundWindow(TWindowHandle AWindow) {
  return ::SetForegroundWindow(ToHwnd(AWindow)) != FALSE;
}

std::uint32_t TWinFocusInput::GetWindowThreadId(TWindowHandle AWindow) {
  return ::GetWindowThreadProcessId(ToHwnd(AWindow), nullptr);
}

std::uint32_t TWinFocusInput::GetCurrentThreadId() { return ::GetCurrentThreadId(); }

bool TWinFocusInput::AttachThreadInput(std::uint32_t AThread, std::uint32_t AToThread, bool AAttach) {
  return ::AttachThreadInput(AThread, AToThread, AAttach ? TRUE : FALSE) != FALSE;
}

TWindowHandle TWinFocusInput::GetFocus() { return FromHwnd(::GetFocus()); }

void TWinFocusInput::SetFocus(TWindowHandle AWindow) { ::SetFocus(ToHwnd(AWindow)); }

void TWinFocusInput::ReturnActivation(TWindowHandle) {}

std::vector<INPUT> KeyboardInputs(const std::vector<TKeyRecord>& ARecords) {
  std::vector<INPUT> Inputs(ARecords.size());
  for (std::size_t I = 0; I < ARecords.size(); ++I) {
    INPUT& Input = Inputs[I];
    Input = {};
    Input.type = INPUT_KEYBOARD;
    Input.ki.wVk = ARecords[I].VirtualKey;
    Input.ki.wScan = 0;
    Input.ki.dwFlags = ARecords[I].KeyUp ? KEYEVENTF_KEYUP : 0;
    Input.ki.time = 0;
    Input.ki.dwExtraInfo = 0;
  }
  return Inputs;
}

void TWinFocusInput::SendInput(const std::vector<TKeyRecord>& ARecords) {
  if (ARecords.empty()) return;
  std::vector<INPUT> Inputs = KeyboardInputs(ARecords);
  // One call, so no other input can come between the records.
  ::SendInput(static_cast<UINT>(Inputs.size()), Inputs.data(), sizeof(INPUT));
}

} // namespace vm
