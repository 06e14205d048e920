#pragma once
// A private X display for the tests of the Linux desktop code: one Xvfb (found with -displayfd,
// never a fixed number), optionally openbox on it, and one QApplication on the xcb platform,
// shared by every test of the program run and stopped by process id when the run ends. Nothing
// starts until a test asks for it, so the tests that need no display pay nothing.
//
// The environment also gives the whole run a private HOME and XDG_RUNTIME_DIR (mode 0700), so
// that no test reads or writes the user's own files.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class QApplication;

namespace vm::test {

class TX11TestEnvironment final : public ::testing::Environment {
public:
  static TX11TestEnvironment& Instance();

  void SetUp() override;
  void TearDown() override;

  // The display name (":N"), starting Xvfb on first use; DISPLAY is set to it.
  const std::string& DisplayName();
  // The application object (-platform xcb on the private display), made on first use.
  QApplication& App();
  // openbox on the display, started or stopped; each returns once the change is visible on the
  // root window (_NET_SUPPORTING_WM_CHECK).
  void StartWindowManager();
  void StopWindowManager();
  bool WindowManagerRunning() const { return FWindowManager > 0; }

  // A folder below the run's private temporary folder, created empty.
  std::filesystem::path NewFolder(const std::string& AName);

private:
  std::filesystem::path FRoot;
  std::string FDisplay;
  pid_t FXvfb = -1;
  pid_t FWindowManager = -1;
  QApplication* FApp = nullptr;
  int FFolderCount = 0;
};

// --- Child processes ---

struct TProcessResult {
  int ExitCode = -1; // -1 when it had to be killed after the timeout
  std::string Output;
};

// Runs a program to its end with AInput on its standard input, collecting its standard output
// (standard error is passed through). Killed after ATimeout. While it runs, this process keeps
// handling its Qt events, so the program may ask this process for the clipboard's data.
TProcessResult RunProcess(const std::vector<std::string>& AArgs, const std::string& AInput = {},
                          std::chrono::milliseconds ATimeout = std::chrono::seconds(10));
// Starts a program in the background with AInput on its standard input and its output
// discarded; it is killed when the test run ends (or when this process dies).
pid_t StartBackgroundProcess(const std::vector<std::string>& AArgs, const std::string& AInput = {});
// Ends a background process by its id and waits for it.
void StopProcess(pid_t APid);

// Puts bytes on the CLIPBOARD selection with the real xclip under one target; xclip stays in
// the background serving them until another owner takes the selection.
void XclipPut(const std::string& ATarget, const std::string& ABytes);
// Reads the CLIPBOARD selection's target with xclip; ExitCode non-zero when it is not there.
TProcessResult XclipGet(const std::string& ATarget);

// Processes Qt events until ACondition holds or ATimeout passed; the condition's last answer.
bool WaitUntil(const std::function<bool()>& ACondition, std::chrono::milliseconds ATimeout = std::chrono::seconds(5));

} // namespace vm::test
