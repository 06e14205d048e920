#include "platform/windows/win_deferred_calls.h"

#include <utility>

namespace vm {

void TWinDeferredCalls::SetWindow(HWND AWindow) {
  FWindow = AWindow;
  if (!FCalls.empty()) Announce();
}

void TWinDeferredCalls::Post(std::function<void()> ACall) {
  FCalls.push_back(std::move(ACall));
  Announce();
}

void TWinDeferredCalls::Announce() {
  if (FWindow) PostMessageW(FWindow, DrainMessage, 0, 0);
}

void TWinDeferredCalls::Drain() {
  std::size_t Count = FCalls.size();
  while (Count-- > 0 && !FCalls.empty()) {
    std::function<void()> Call = std::move(FCalls.front());
    FCalls.pop_front();
    try {
      if (Call) Call();
    } catch (...) {
      if (!FCalls.empty()) Announce();
      throw;
    }
  }
}

} // namespace vm
