#include "platform/linux/single_instance.h"

#include <gtest/gtest.h>

#include <QDir>

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
  if (!Instance.TryAcquire()) ::_exit(3);
  std::ofstream(Ready) << "locked";
  for (;;) ::pause();
}();

} // namespace

namespace vm {
namespace {

namespace fs = std::filesystem;
using test::TX11TestEnvironment;

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
  ASSERT_TRUE(First.TryAcquire());
  EXPECT_TRUE(First.TryAcquire()) << "the holder asking again";
  EXPECT_FALSE(Second.TryAcquire());
  First.Release();
  EXPECT_TRUE(Second.TryAcquire());
}

TEST_F(SingleInstance, ARunningInstanceKeepsTheLockHoweverOld) {
  const pid_t Holder = StartHolder();
  TSingleInstance Second(FPath);
  EXPECT_FALSE(Second.TryAcquire());
  // A lock file not touched for an hour is still the lock of a program that runs.
  fs::last_write_time(FFolder / "Vellomarch_byDrun.lock", fs::file_time_type::clock::now() - std::chrono::hours(1));
  EXPECT_FALSE(Second.TryAcquire());
  test::StopProcess(Holder);
}

TEST_F(SingleInstance, TheLockOfACrashedInstanceIsTakenOver) {
  const pid_t Holder = StartHolder();
  ::kill(Holder, SIGKILL);
  test::StopProcess(Holder);
  ASSERT_TRUE(fs::exists(FFolder / "Vellomarch_byDrun.lock")) << "a crash leaves the file behind";
  TSingleInstance Next(FPath);
  EXPECT_TRUE(Next.TryAcquire());
}

TEST(SingleInstancePath, RuntimeFolderOrTemporaryFolderWithTheUserId) {
  const std::string Uid = std::to_string(::getuid());
  const QString Fallback = QDir(QDir::tempPath()).filePath(QString::fromStdString("Vellomarch_byDrun-" + Uid + ".lock"));
  const fs::path Runtime = TX11TestEnvironment::Instance().NewFolder("runtime");
  struct TCase {
    const char* Runtime;
    QString Expected;
  };
  const TCase Cases[] = {
      {Runtime.c_str(), QString::fromStdString((Runtime / "Vellomarch_byDrun.lock").string())},
      {nullptr, Fallback},
      {"", Fallback},
      {"relative/run", Fallback},
      {"/no/such/folder", Fallback},
  };
  for (const TCase& Case : Cases) {
    TEnvironmentVariable Variable("XDG_RUNTIME_DIR", Case.Runtime);
    EXPECT_EQ(TSingleInstance::DefaultLockPath(), Case.Expected) << (Case.Runtime ? Case.Runtime : "(unset)");
  }
}

} // namespace
} // namespace vm
