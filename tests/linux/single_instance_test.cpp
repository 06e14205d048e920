#include "platform/linux/single_instance.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "x11_test_environment.h"

namespace {

// Started with VELLOMARCH_TEST_LOCK_HOLDER=<lock path>, this test program is a running instance
// and nothing else: it takes the lock, reports it with the file named by
// VELLOMARCH_TEST_LOCK_READY and waits to be killed.
[[maybe_unused]] const bool GLockHolder = [] {
  const char* Path = std::getenv("VELLOMARCH_TEST_LOCK_HOLDER");
  const char* Ready = std::getenv("VELLOMARCH_TEST_LOCK_READY");
  if (!Path || !Ready) return false;
  vm::TSingleInstance Instance(QString::fromLocal8Bit(Path));
  if (Instance.TryAcquire() != vm::TSingleInstance::TAcquireResult::Acquired) ::_exit(3);
  std::ofstream(Ready) << "locked";
  for (;;) ::pause();
}();

// Started with VELLOMARCH_TEST_LOCK_PROBE=<lock path>, this test program is a starting instance
// in surroundings of the test's making (a mount namespace of its own): it tries the lock once
// and tells the answer by its exit code, ProbeExitBase + the result.
constexpr int ProbeExitBase = 40;
[[maybe_unused]] const bool GLockProbe = [] {
  const char* Path = std::getenv("VELLOMARCH_TEST_LOCK_PROBE");
  if (!Path) return false;
  vm::TSingleInstance Instance(QString::fromLocal8Bit(Path));
  ::_exit(ProbeExitBase + static_cast<int>(Instance.TryAcquire()));
}();

} // namespace

namespace vm {

// For the failure messages.
std::ostream& operator<<(std::ostream& AOut, TSingleInstance::TAcquireResult AResult) {
  switch (AResult) {
  case TSingleInstance::TAcquireResult::Acquired: return AOut << "Acquired";
  case TSingleInstance::TAcquireResult::AnotherRunning: return AOut << "AnotherRunning";
  case TSingleInstance::TAcquireResult::Unavailable: return AOut << "Unavailable";
  }
  return AOut << static_cast<int>(AResult);
}

namespace {

namespace fs = std::filesystem;
using test::TX11TestEnvironment;
using TResult = TSingleInstance::TAcquireResult;

class TEnvironmentVariable {
public:
  TEnvironmentVariable(const char* AName, const char* AValue) : FName(AName) {
    if (const char* Old = std::getenv(AName)) FOld = Old;
    AValue ? ::setenv(AName, AValue, 1) : ::unsetenv(AName);
  }
  ~TEnvironmentVariable() { FOld ? ::setenv(FName, FOld->c_str(), 1) : ::unsetenv(FName); }

private:
  const char* FName;
  std::optional<std::string> FOld;
};

class SingleInstance : public ::testing::Test {
protected:
  fs::path FFolder = TX11TestEnvironment::Instance().NewFolder("lock");
  QString FPath = QString::fromStdString((FFolder / "Vellomarch_byDrun.lock").string());

  // Another instance of the program, in a process of its own.
  pid_t StartHolder() {
    const fs::path Ready = FFolder / "holder-ready";
    pid_t Pid = -1;
    {
      TEnvironmentVariable Holder("VELLOMARCH_TEST_LOCK_HOLDER", FPath.toLocal8Bit().constData());
      TEnvironmentVariable Marker("VELLOMARCH_TEST_LOCK_READY", Ready.c_str());
      Pid = test::StartBackgroundProcess({fs::read_symlink("/proc/self/exe").string()});
    }
    EXPECT_TRUE(test::WaitUntil([&] { return fs::exists(Ready); }, std::chrono::seconds(10)));
    return Pid;
  }
};

TEST_F(SingleInstance, SecondLockFailsWhileTheFirstHolds) {
  TSingleInstance First(FPath), Second(FPath);
  ASSERT_EQ(First.TryAcquire(), TResult::Acquired);
  EXPECT_EQ(First.TryAcquire(), TResult::Acquired) << "the holder asking again";
  EXPECT_EQ(Second.TryAcquire(), TResult::AnotherRunning);
  First.Release();
  EXPECT_EQ(Second.TryAcquire(), TResult::Acquired);
}

TEST_F(SingleInstance, ARunningInstanceKeepsTheLockHoweverOld) {
  const pid_t Holder = StartHolder();
  TSingleInstance Second(FPath);
  EXPECT_EQ(Second.TryAcquire(), TResult::AnotherRunning);
  // A lock file not touched for an hour is still the lock of a program that runs.
  fs::last_write_time(FFolder / "Vellomarch_byDrun.lock", fs::file_time_type::clock::now() - std::chrono::hours(1));
  EXPECT_EQ(Second.TryAcquire(), TResult::AnotherRunning);
  test::StopProcess(Holder);
}

// A lock file that cannot even be made says nothing about another instance. File modes would
// not stop the root user the tests may run as; these paths stop everyone.
TEST_F(SingleInstance, ALockThatCannotBeMadeIsUnavailable) {
  std::ofstream(FFolder / "plain-file") << "not a folder";
  const fs::path Cases[] = {
      FFolder / "plain-file" / "Vellomarch_byDrun.lock", // ENOTDIR
      FFolder / "missing" / "Vellomarch_byDrun.lock",    // ENOENT
  };
  for (const fs::path& Path : Cases) {
    TSingleInstance Instance(QString::fromStdString(Path.string()));
    EXPECT_EQ(Instance.TryAcquire(), TResult::Unavailable) << Path;
  }
}

// A read-only folder, made so in a mount namespace of the probe's own: empty, the lock is
// unavailable; holding a running instance's lock, that instance is still seen.
TEST_F(SingleInstance, ReadOnlyFolderIsUnavailableUnlessARunningInstanceHoldsTheLock) {
  // The probe's exit code; below ProbeExitBase when the read-only folder could not be made.
  const auto ProbeReadOnly = [&] {
    TEnvironmentVariable Probe("VELLOMARCH_TEST_LOCK_PROBE", FPath.toLocal8Bit().constData());
    return test::RunProcess({"unshare", "--mount", "--propagation", "private", "sh", "-c",
                             R"(mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$1")",
                             FFolder.string(), fs::read_symlink("/proc/self/exe").string()})
        .ExitCode;
  };
  const int Empty = ProbeReadOnly();
  if (Empty < ProbeExitBase)
    GTEST_SKIP() << "no private read-only mount here (unshare or mount not permitted), exit code " << Empty;
  EXPECT_EQ(static_cast<TResult>(Empty - ProbeExitBase), TResult::Unavailable);

  const pid_t Holder = StartHolder();
  EXPECT_EQ(static_cast<TResult>(ProbeReadOnly() - ProbeExitBase), TResult::AnotherRunning);
  test::StopProcess(Holder);
}

TEST_F(SingleInstance, TheLockOfACrashedInstanceIsTakenOver) {
  const pid_t Holder = StartHolder();
  ::kill(Holder, SIGKILL);
  test::StopProcess(Holder);
  ASSERT_TRUE(fs::exists(FFolder / "Vellomarch_byDrun.lock")) << "a crash leaves the file behind";
  TSingleInstance Next(FPath);
  EXPECT_EQ(Next.TryAcquire(), TResult::Acquired);
}

TEST(SingleInstancePath, RuntimeFolderOrTemporaryFolderWithTheUserId) {
  const QString Name = QString::fromStdString("Vellomarch_byDrun-" + std::to_string(::getuid()) + ".lock");
  const QString InTmp = "/tmp/" + Name;
  const fs::path Runtime = TX11TestEnvironment::Instance().NewFolder("runtime");
  struct TCase {
    const char* Runtime;
    const char* Tmp;
    QString Expected;
  };
  const TCase Cases[] = {
      {Runtime.c_str(), "/elsewhere", QString::fromStdString((Runtime / "Vellomarch_byDrun.lock").string())},
      {nullptr, nullptr, InTmp},
      {"", "", InTmp},
      {"relative/run", "relative/tmp", InTmp},
      {"/no/such/folder", nullptr, InTmp},
      {nullptr, "/var/tmp/", "/var/tmp/" + Name},
      // A temporary folder that is not there is kept: the lock is then unavailable, and not
      // made in the working folder.
      {"/no/such/folder", "/no/such/tmp", "/no/such/tmp/" + Name},
  };
  for (const TCase& Case : Cases) {
    TEnvironmentVariable RuntimeVariable("XDG_RUNTIME_DIR", Case.Runtime);
    TEnvironmentVariable TmpVariable("TMPDIR", Case.Tmp);
    EXPECT_EQ(TSingleInstance::DefaultLockPath(), Case.Expected)
        << (Case.Runtime ? Case.Runtime : "(unset)") << ", TMPDIR " << (Case.Tmp ? Case.Tmp : "(unset)");
  }
}

} // namespace
} // namespace vm
