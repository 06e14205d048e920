#include "platform/linux/qt_deferred_calls.h"

#include <QMetaObject>

namespace vm {

void TQtDeferredCalls::Post(std::function<void()> ACall) {
  if (!ACall) return;
  QMetaObject::invokeMethod(FContext.get(), std::move(ACall), Qt::QueuedConnection);
}

} // namespace vm
