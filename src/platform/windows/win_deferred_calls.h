#pragma once
// Calls queued on the user-interface thread: each Post leaves a private message in the main
// window's queue, and the window procedure answers it with Drain().
#include <windows.h>

#include <deque>

#include "platform/deferred_calls.h"

namespace vm {

class TWinDeferredCalls : public IDeferredCalls {
public:
  // The message the main window's procedure hands to Drain().
  static constexpr UINT DrainMessage = WM_APP + 1;

  explicit TWinDeferredCalls(HWND AWindow = nullptr) : FWindow(AWindow) {}
  // Calls posted before the window existed are announced to it now.
  void SetWindow(HWND AWindow);

  void Post(std::function<void()> ACall) override;
  // Runs the calls that were queued when it started, oldest first. A call posted meanwhile waits
  // for its own message, so the thread reads its other messages between the runs. When a call
  // throws, the calls after it stay queued (and announced) and the error goes on to the caller.
  void Drain();
  std::size_t Pending() const { return FCalls.size(); }

private:
  void Announce();

  HWND FWindow;
  std::deque<std::function<void()>> FCalls;
};

} // namespace vm
