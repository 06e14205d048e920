#pragma once
// Calls queued on the user-interface thread, run when it next processes its queue.
#include <functional>

namespace vm {

class IDeferredCalls {
public:
  virtual ~IDeferredCalls() = default;
  virtual void Post(std::function<void()> ACall) = 0;
};

} // namespace vm
