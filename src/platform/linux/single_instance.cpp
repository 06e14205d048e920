#include "platform/linux/single_instance.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace vm {

TSingleInstance::TSingleInstance(const QString& ALockPath) : FLockPath(ALockPath), FLock(ALockPath) {
  // By default Qt also calls a lock stale by its age alone (30 seconds), and then only the file
  // system's own lock on the file keeps a second instance out while the first runs; file
  // systems without one would let it in after half a minute. The owner's death is the one sign.
  FLock.setStaleLockTime(0);
}

TSingleInstance::TAcquireResult TSingleInstance::TryAcquire() {
  if (FLock.isLocked() || FLock.tryLock(0)) return TAcquireResult::Acquired;
  // LockFailedError is the one answer that means the file is there and its owner alive; the
  // others say the file could not even be made.
  return FLock.error() == QLockFile::LockFailedError ? TAcquireResult::AnotherRunning : TAcquireResult::Unavailable;
}

void TSingleInstance::Release() { FLock.unlock(); }

QString TSingleInstance::ChannelPath() const {
  QString Path = FLockPath;
  if (Path.endsWith(QLatin1String(".lock"))) Path.chop(5);
  return Path + QStringLiteral(".sock");
}

namespace {

// TMPDIR as given, or /tmp. Not QDir::tempPath(): for a TMPDIR that names no folder it answers
// with an empty path, and the lock would land in whatever the working folder happens to be,
// guarding nothing. A temporary folder that is not there leaves the lock unavailable instead.
QString TemporaryFolder() {
  const QString Folder = qEnvironmentVariable("TMPDIR");
  return QDir::isAbsolutePath(Folder) ? QDir::cleanPath(Folder) : QStringLiteral("/tmp");
}

} // namespace

QString TSingleInstance::DefaultLockPath() {
  const QString Runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  const QFileInfo RuntimeInfo(Runtime);
  if (!Runtime.isEmpty() && RuntimeInfo.isAbsolute() && RuntimeInfo.isDir() && RuntimeInfo.isWritable())
    return QDir(Runtime).filePath(QLatin1String(LockFileName));
  return QDir(TemporaryFolder())
      .filePath(QStringLiteral("Vellomarch_byDrun-%1.lock").arg(static_cast<qulonglong>(::getuid())));
}

} // namespace vm
