#pragma once
// Calls queued on Qt's event loop. Calls still queued when this object goes are dropped, so a
// call can never reach a main window that is already gone.
#include <QObject>

#include <memory>

#include "platform/deferred_calls.h"

namespace vm {

class TQtDeferredCalls final : public IDeferredCalls {
public:
  TQtDeferredCalls() : FContext(std::make_unique<QObject>()) {}
  void Post(std::function<void()> ACall) override;

private:
  std::unique_ptr<QObject> FContext;
};

} // namespace vm
