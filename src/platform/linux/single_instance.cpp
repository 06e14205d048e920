#include "platform/linux/single_instance.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace vm {

TSingleInstance::TSingleInstance(const QString& ALockPath) : FLockPath(ALockPath), FLock(ALockPath) {
  // By default a lock whose file is older than 30 seconds counts as stale even while its owner
  // runs, which would let a second instance in after half a minute. Staleness is the owner's
  // death alone.
  FLock.setStaleLockTime(0);
}

bool TSingleInstance::TryAcquire() { return FLock.isLocked() || FLock.tryLock(0); }

void TSingleInstance::Release() { FLock.unlock(); }

QString TSingleInstance::DefaultLockPath() {
  const QString Runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  const QFileInfo RuntimeInfo(Runtime);
  if (!Runtime.isEmpty() && RuntimeInfo.isAbsolute() && RuntimeInfo.isDir() && RuntimeInfo.isWritable())
    return QDir(Runtime).filePath(QLatin1String(LockFileName));
  return QDir(QDir::tempPath())
      .filePath(QStringLiteral("Vellomarch_byDrun-%1.lock").arg(static_cast<qulonglong>(::getuid())));
}

} // namespace vm
