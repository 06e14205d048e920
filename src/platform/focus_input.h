#pragma once
// Foreground, keyboard focus and synthetic key input: what the capture of the paste target and
// the paste-back need.
#include <cstdint>
#include <vector>

#include "platform/geometry.h"

namespace vm {

// One keyboard record of a SendInput call.
struct TKeyRecord {
  std::uint16_t VirtualKey = 0;
  bool KeyUp = false;
  bool operator==(const TKeyRecord&) const = default;
};

class IFocusInput {
public:
  virtual ~IFocusInput() = default;
  virtual TWindowHandle GetForegroundWindow() = 0;
  virtual bool SetForegroundWindow(TWindowHandle AWindow) = 0;
  // The thread that owns a window (0 when unknown) and the program's own UI thread.
  virtual std::uint32_t GetWindowThreadId(TWindowHandle AWindow) = 0;
  virtual std::uint32_t GetCurrentThreadId() = 0;
  virtual bool AttachThreadInput(std::uint32_t AThread, std::uint32_t AToThread, bool AAttach) = 0;
  // The focused control of the (attached) thread, 0 if none.
  virtual TWindowHandle GetFocus() = 0;
  virtual void SetFocus(TWindowHandle AWindow) = 0;
  // Where hiding the popup does not hand activation back to the window the user came from, the
  // platform activates AActiveWnd here and waits (bounded) until it has the focus. Where the
  // desktop does that itself, it does nothing.
  virtual void ReturnActivation(TWindowHandle AActiveWnd) = 0;
  // All records in one call.
  virtual void SendInput(const std::vector<TKeyRecord>& ARecords) = 0;
};

} // namespace vm
