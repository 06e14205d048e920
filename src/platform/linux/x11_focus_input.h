#pragma once
// Foreground, focus and synthetic keys on X11.
//
// The foreground window is the window manager's _NET_ACTIVE_WINDOW when a live EWMH window
// manager lists it in _NET_SUPPORTED, and the X input focus otherwise. Activation is asked of
// the window manager with a _NET_ACTIVE_WINDOW client message of source 2 (a pager, which
// window managers obey without focus-stealing checks), or done with XSetInputFocus where there
// is none. Keys are sent with the XTEST extension.
//
// X11 has no threads owning windows and no input queues to attach: GetWindowThreadId and
// GetCurrentThreadId return fixed non-zero ids (0 for no window) and AttachThreadInput succeeds
// without doing anything. The focus is the server's one input focus, shared by every client.
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/focus_input.h"
#include "platform/linux/x11_display.h"

typedef struct xcb_connection_t xcb_connection_t;

namespace vm {

class TX11FocusInput final : public IFocusInput {
public:
  static constexpr std::uint32_t OwnThreadId = 1;
  static constexpr std::uint32_t WindowThreadId = 2;

  // Uses Qt's X connection; on another platform every call answers "none" and does nothing.
  // AActivationWait bounds ReturnActivation's wait for the window to become active.
  explicit TX11FocusInput(std::chrono::milliseconds AActivationWait = std::chrono::milliseconds(300));
  ~TX11FocusInput() override;

  TWindowHandle GetForegroundWindow() override;
  // For one of the program's own windows, also asks Qt to raise and activate it (Qt then
  // activates it once it is mapped, should it not be yet).
  bool SetForegroundWindow(TWindowHandle AWindow) override;
  std::uint32_t GetWindowThreadId(TWindowHandle AWindow) override;
  std::uint32_t GetCurrentThreadId() override;
  bool AttachThreadInput(std::uint32_t AThread, std::uint32_t AToThread, bool AAttach) override;
  TWindowHandle GetFocus() override;
  void SetFocus(TWindowHandle AWindow) override;
  // Hiding a window on X11 leaves the focus to the window manager's choice (or to nobody), so
  // the window the user came from is activated again here, and its activation awaited.
  void ReturnActivation(TWindowHandle AActiveWnd) override;
  void SendInput(const std::vector<TKeyRecord>& ARecords) override;

  // Whether a live window manager handles _NET_ACTIVE_WINDOW.
  bool HasActiveWindowSupport();
  // The foreground window is AWindow and the input focus is on it or inside it.
  bool IsActive(TWindowHandle AWindow);

private:
  class TActivationWatch;
  void RequestActivation(TWindowHandle AWindow, bool AWindowManager);
  TWindowHandle CurrentFocus();

  Display* FDisplay = nullptr;
  // The same connection as Qt's, for the requests whose replies are awaited: an error comes
  // back with its reply there, with no round trip of its own.
  xcb_connection_t* FConnection = nullptr;
  // Made at the first paste.
  std::unique_ptr<TActivationWatch> FActivationWatch;
  unsigned long FRoot = 0;
  unsigned long FNetActiveWindow = 0, FNetSupported = 0, FNetSupportingWmCheck = 0;
  bool FHasXTest = false;
  std::chrono::milliseconds FActivationWait;
};

} // namespace vm
