#pragma once
// One running program per user. The lock is a QLockFile in the user's runtime folder: it holds
// the owner's process id, so a lock left by a program that crashed is recognised and taken over
// at once, while a lock of a running program stays held for as long as it runs.
#include <QLockFile>
#include <QString>

namespace vm {

class TSingleInstance {
public:
  static constexpr const char* LockFileName = "Vellomarch_byDrun.lock";

  enum class TAcquireResult {
    Acquired,       // this process holds the lock now
    AnotherRunning, // a running instance holds it
    Unavailable,    // no lock can be had here at all (folder missing, read-only, not permitted)
  };

  explicit TSingleInstance(const QString& ALockPath = DefaultLockPath());
  // Tries once, without waiting. A lock that cannot be had for a reason other than a running
  // instance is no sign of one: the program then runs without the guard.
  TAcquireResult TryAcquire();
  void Release();
  const QString& LockPath() const { return FLockPath; }
  // Where the lock's holder listens for the commands of later starts: beside the lock.
  QString ChannelPath() const;

  // $XDG_RUNTIME_DIR/Vellomarch_byDrun.lock; without a usable runtime folder, a name that
  // carries the user id in the temporary folder ($TMPDIR when it is an absolute path, else /tmp).
  static QString DefaultLockPath();

private:
  QString FLockPath;
  QLockFile FLock;
};

} // namespace vm
