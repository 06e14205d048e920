#pragma once
// Foreground window, keyboard focus across threads and synthetic keys on Windows.
#include <windows.h>

#include "platform/focus_input.h"

namespace vm {

class TWinFocusInput : public IFocusInput {
public:
  TWindowHandle GetForegroundWindow() override;
  bool SetForegroundWindow(TWindowHandle AWindow) override;
  std::uint32_t GetWindowThreadId(TWindowHandle AWindow) override;
  std::uint32_t GetCurrentThreadId() override;
  bool AttachThreadInput(std::uint32_t AThread, std::uint32_t AToThread, bool AAttach) override;
  TWindowHandle GetFocus() override;
  void SetFocus(TWindowHandle AWindow) override;
  // Hiding the popup hands activation back to the window below it: nothing to do.
  void ReturnActivation(TWindowHandle AActiveWnd) override;
  void SendInput(const std::vector<TKeyRecord>& ARecords) override;
};

// The INPUT records of one SendInput call: keyboard input, virtual key only, no scan code, no
// time stamp, no extra information.
std::vector<INPUT> KeyboardInputs(const std::vector<TKeyRecord>& ARecords);

inline HWND ToHwnd(TWindowHandle AWindow) { return reinterpret_cast<HWND>(AWindow); }
inline TWindowHandle FromHwnd(HWND AWindow) { return reinterpret_cast<TWindowHandle>(AWindow); }

} // namespace vm
