#pragma once
// Foreground and keys in a Wayland session. A client sees only whether one of its own windows
// has the keyboard focus, and may activate only its own; the compositor gives the focus back to
// the window the user came from when the popup hides. The keys of a paste go through the
// compositor's virtual keyboard where it offers one.
#include <memory>

#include "platform/focus_input.h"

namespace vm {

class IVirtualKeyboard {
public:
  virtual ~IVirtualKeyboard() = default;
  virtual void Send(const std::vector<TKeyRecord>& ARecords) = 0;
};

class TWaylandFocusInput final : public IFocusInput {
public:
  // Stands for "a window of another program": which one, Wayland does not tell.
  static constexpr TWindowHandle ElsewhereWindow = 1;

  // AKeyboard may be null: a paste is then only put on the clipboard, and the log says why once.
  explicit TWaylandFocusInput(std::unique_ptr<IVirtualKeyboard> AKeyboard);
  ~TWaylandFocusInput() override;

  TWindowHandle GetForegroundWindow() override;
  bool SetForegroundWindow(TWindowHandle AWindow) override;
  std::uint32_t GetWindowThreadId(TWindowHandle) override { return 0; }
  std::uint32_t GetCurrentThreadId() override { return 0; }
  bool AttachThreadInput(std::uint32_t, std::uint32_t, bool) override { return false; }
  TWindowHandle GetFocus() override { return 0; }
  void SetFocus(TWindowHandle) override {}
  // Waits, bounded, until the compositor has taken the keyboard from the program's windows.
  void ReturnActivation(TWindowHandle AActiveWnd) override;
  void SendInput(const std::vector<TKeyRecord>& ARecords) override;

private:
  std::unique_ptr<IVirtualKeyboard> FKeyboard;
  bool FNoKeyboardLogged = false;
};

} // namespace vm
