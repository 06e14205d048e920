#include "x11_test_environment.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

// LeakSanitizer reads this at start-up. libdbus, which Qt's desktop integration loads, keeps a
// buffer for the life of the process that it never frees; it is not the program's leak.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace vm::test {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

TX11TestEnvironment* GEnvironment = nullptr;
std::vector<pid_t> GBackground;

[[maybe_unused]] const auto* const GRegistered = [] {
  GEnvironment = new TX11TestEnvironment;
  return ::testing::AddGlobalTestEnvironment(GEnvironment);
}();

void Fail(const std::string& AWhat) { throw std::runtime_error("X11 test environment: " + AWhat); }

struct TPipe {
  int Read = -1, Write = -1;
  TPipe() {
    int Fds[2];
    if (::pipe2(Fds, O_CLOEXEC) != 0) Fail("pipe failed");
    Read = Fds[0];
    Write = Fds[1];
  }
  ~TPipe() {
    CloseRead();
    CloseWrite();
  }
  void CloseRead() {
    if (Read >= 0) ::close(Read);
    Read = -1;
  }
  void CloseWrite() {
    if (Write >= 0) ::close(Write);
    Write = -1;
  }
};

// fork + exec. The child gets AStdin / AStdout (or /dev/null for -1) and AKeepFd open under its
// own number, and dies with this process, so a crashed test run leaves no server behind.
pid_t Spawn(const std::vector<std::string>& AArgs, int AStdin, int AStdout, int AKeepFd = -1) {
  std::vector<char*> Argv;
  for (const std::string& Arg : AArgs) Argv.push_back(const_cast<char*>(Arg.c_str()));
  Argv.push_back(nullptr);
  const pid_t Parent = ::getpid();
  const pid_t Pid = ::fork();
  if (Pid < 0) Fail("fork failed");
  if (Pid > 0) return Pid;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != Parent) ::_exit(127);
  const int Null = ::open("/dev/null", O_RDWR);
  ::dup2(AStdin >= 0 ? AStdin : Null, 0);
  ::dup2(AStdout >= 0 ? AStdout : Null, 1);
  if (AStdout < 0) ::dup2(Null, 2);
  if (AKeepFd >= 0) ::fcntl(AKeepFd, F_SETFD, 0);
  ::execvp(Argv[0], Argv.data());
  ::_exit(127);
}

void WriteAll(int AFd, const std::string& AData) {
  std::size_t Done = 0;
  while (Done < AData.size()) {
    const ssize_t N = ::write(AFd, AData.data() + Done, AData.size() - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) return;
    Done += static_cast<std::size_t>(N);
  }
}

// Waits for a child without blocking forever; true when it ended (its status in AChildStatus).
bool WaitForExit(pid_t APid, std::chrono::milliseconds ATimeout, int& AChildStatus) {
  const auto Deadline = Clock::now() + ATimeout;
  for (;;) {
    const pid_t R = ::waitpid(APid, &AChildStatus, WNOHANG);
    if (R == APid || (R < 0 && errno == ECHILD)) return true;
    if (Clock::now() >= Deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void KillAndReap(pid_t APid) {
  if (APid <= 0) return;
  int ChildStatus = 0;
  ::kill(APid, SIGTERM);
  if (!WaitForExit(APid, std::chrono::seconds(3), ChildStatus)) {
    ::kill(APid, SIGKILL);
    ::waitpid(APid, &ChildStatus, 0);
  }
}

// A short-lived Xlib connection of the harness's own, to watch the root window.
class TWatcher {
public:
  explicit TWatcher(const std::string& ADisplay) : FDisplay(XOpenDisplay(ADisplay.c_str())) {
    if (!FDisplay) Fail("cannot open display " + ADisplay);
  }
  ~TWatcher() { XCloseDisplay(FDisplay); }
  Display* Get() const { return FDisplay; }

  // The live window manager's check window, 0 when there is none.
  Window WindowManagerCheck() {
    const Atom Check = XInternAtom(FDisplay, "_NET_SUPPORTING_WM_CHECK", False);
    const Window Root = ReadWindow(DefaultRootWindow(FDisplay), Check);
    if (Root == 0) return 0;
    return ReadWindow(Root, Check) == Root ? Root : 0;
  }

  Window ClipboardOwner() {
    const Window Owner = XGetSelectionOwner(FDisplay, XInternAtom(FDisplay, "CLIPBOARD", False));
    return Owner;
  }

private:
  static int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

  Window ReadWindow(Window AWindow, Atom AProperty) {
    auto* Previous = XSetErrorHandler(IgnoreErrors);
    Atom Type = 0;
    int Format = 0;
    unsigned long Count = 0, After = 0;
    unsigned char* Data = nullptr;
    Window Result = 0;
    if (XGetWindowProperty(FDisplay, AWindow, AProperty, 0, 1, False, XA_WINDOW, &Type, &Format, &Count, &After,
                           &Data) == Success &&
        Data && Type == XA_WINDOW && Format == 32 && Count == 1)
      Result = *reinterpret_cast<Window*>(Data);
    if (Data) XFree(Data);
    XSync(FDisplay, False);
    XSetErrorHandler(Previous);
    return Result;
  }

  Display* FDisplay;
};

template <typename TCondition>
bool PollUntil(TCondition ACondition, std::chrono::milliseconds ATimeout) {
  const auto Deadline = Clock::now() + ATimeout;
  while (!ACondition()) {
    if (Clock::now() >= Deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

} // namespace

TX11TestEnvironment& TX11TestEnvironment::Instance() { return *GEnvironment; }

void TX11TestEnvironment::SetUp() {
  std::string Template = (fs::temp_directory_path() / "vellomarch-x11test-XXXXXX").string();
  if (!::mkdtemp(Template.data())) Fail("mkdtemp failed");
  FRoot = Template;
  const fs::path Home = FRoot / "home", Runtime = FRoot / "runtime";
  fs::create_directories(Home);
  fs::create_directories(Runtime);
  ::chmod(Runtime.c_str(), 0700);
  ::setenv("HOME", Home.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", Runtime.c_str(), 1);
}

void TX11TestEnvironment::TearDown() {
  delete FApp;
  FApp = nullptr;
  for (pid_t Pid : GBackground) KillAndReap(Pid);
  GBackground.clear();
  StopWindowManager();
  KillAndReap(FXvfb);
  FXvfb = -1;
  std::error_code Ignored;
  if (!FRoot.empty()) fs::remove_all(FRoot, Ignored);
}

const std::string& TX11TestEnvironment::DisplayName() {
  if (FXvfb > 0) return FDisplay;
  TPipe Ready;
  // 96 DPI, the DPI the windows' designs are given for.
  FXvfb = Spawn({"Xvfb", "-displayfd", std::to_string(Ready.Write), "-screen", "0", "1280x1024x24", "-dpi", "96",
                 "-nolisten", "tcp", "-noreset"},
                -1, -1, Ready.Write);
  Ready.CloseWrite();
  // Xvfb writes the number it chose once it accepts connections.
  std::string Number;
  const auto Deadline = Clock::now() + std::chrono::seconds(15);
  while (Number.find('\n') == std::string::npos) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
    pollfd Fd{Ready.Read, POLLIN, 0};
    if (Left <= 0 || ::poll(&Fd, 1, static_cast<int>(Left)) <= 0) Fail("Xvfb did not report its display");
    char Buffer[32];
    const ssize_t N = ::read(Ready.Read, Buffer, sizeof Buffer);
    if (N <= 0) Fail("Xvfb ended before reporting its display");
    Number.append(Buffer, static_cast<std::size_t>(N));
  }
  FDisplay = ":" + Number.substr(0, Number.find('\n'));
  ::setenv("DISPLAY", FDisplay.c_str(), 1);
  ::unsetenv("WAYLAND_DISPLAY");
  ::unsetenv("XAUTHORITY");
  return FDisplay;
}

QApplication& TX11TestEnvironment::App() {
  if (FApp) return *FApp;
  DisplayName();
  static int Argc = 3;
  static char Arg0[] = "linux_unit_tests", Arg1[] = "-platform", Arg2[] = "xcb";
  static char* Argv[] = {Arg0, Arg1, Arg2, nullptr};
  FApp = new QApplication(Argc, Argv);
  return *FApp;
}

void TX11TestEnvironment::StartWindowManager() {
  if (FWindowManager > 0) return;
  TWatcher Watcher(DisplayName());
  // openbox announces itself on the root window before it has looked at the windows already
  // there; a window mapped in between is lost. It runs its start-up command once it is ready.
  const fs::path Ready = FRoot / ("openbox-ready-" + std::to_string(++FFolderCount));
  FWindowManager = Spawn({"openbox", "--sm-disable", "--startup", "touch " + Ready.string()}, -1, -1);
  if (!PollUntil([&] { return fs::exists(Ready) && Watcher.WindowManagerCheck() != 0; }, std::chrono::seconds(10)))
    Fail("openbox did not start");
}

void TX11TestEnvironment::StopWindowManager() {
  if (FWindowManager <= 0) return;
  KillAndReap(FWindowManager);
  FWindowManager = -1;
  if (FXvfb > 0 && !FDisplay.empty()) {
    TWatcher Watcher(FDisplay);
    PollUntil([&] { return Watcher.WindowManagerCheck() == 0; }, std::chrono::seconds(5));
  }
}

fs::path TX11TestEnvironment::NewFolder(const std::string& AName) {
  const fs::path Folder = FRoot / (AName + "-" + std::to_string(++FFolderCount));
  fs::create_directories(Folder);
  return Folder;
}

TProcessResult RunProcess(const std::vector<std::string>& AArgs, const std::string& AInput,
                          std::chrono::milliseconds ATimeout) {
  TPipe In, Out;
  const pid_t Pid = Spawn(AArgs, In.Read, Out.Write);
  In.CloseRead();
  Out.CloseWrite();
  WriteAll(In.Write, AInput);
  In.CloseWrite();

  TProcessResult Result;
  const auto Deadline = Clock::now() + ATimeout;
  bool TimedOut = false;
  // The program may be asking this process for the clipboard's data: its events are handled
  // meanwhile, or both would wait for each other.
  const bool Pump = QCoreApplication::instance() != nullptr;
  for (;;) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
    if (Left <= 0) {
      TimedOut = true;
      break;
    }
    pollfd Fd{Out.Read, POLLIN, 0};
    const int Ready = ::poll(&Fd, 1, Pump ? 5 : static_cast<int>(Left));
    if (Ready < 0 && errno != EINTR) break;
    if (Ready <= 0) {
      if (Pump) QCoreApplication::processEvents();
      continue;
    }
    char Buffer[65536];
    const ssize_t N = ::read(Out.Read, Buffer, sizeof Buffer);
    if (N <= 0) break;
    Result.Output.append(Buffer, static_cast<std::size_t>(N));
  }
  int ChildStatus = 0;
  if (TimedOut || !WaitForExit(Pid, std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()) +
                                        std::chrono::milliseconds(100),
                               ChildStatus)) {
    ::kill(Pid, SIGKILL);
    ::waitpid(Pid, &ChildStatus, 0);
    Result.ExitCode = -1;
    return Result;
  }
  Result.ExitCode = WIFEXITED(ChildStatus) ? WEXITSTATUS(ChildStatus) : -1;
  return Result;
}

pid_t StartBackgroundProcess(const std::vector<std::string>& AArgs, const std::string& AInput) {
  TPipe In;
  const pid_t Pid = Spawn(AArgs, In.Read, -1);
  In.CloseRead();
  WriteAll(In.Write, AInput);
  In.CloseWrite();
  GBackground.push_back(Pid);
  // Reap the ones that have ended meanwhile (an xclip that lost the selection).
  std::erase_if(GBackground, [](pid_t P) {
    int ChildStatus = 0;
    return ::waitpid(P, &ChildStatus, WNOHANG) == P;
  });
  return Pid;
}

void StopProcess(pid_t APid) {
  KillAndReap(APid);
  std::erase(GBackground, APid);
}

void XclipPut(const std::string& ATarget, const std::string& ABytes) {
  TWatcher Watcher(TX11TestEnvironment::Instance().DisplayName());
  const Window Before = Watcher.ClipboardOwner();
  StartBackgroundProcess({"xclip", "-quiet", "-selection", "clipboard", "-t", ATarget, "-i"}, ABytes);
  if (!PollUntil(
          [&] {
            const Window Owner = Watcher.ClipboardOwner();
            return Owner != 0 && Owner != Before;
          },
          std::chrono::seconds(10)))
    Fail("xclip did not take the clipboard");
}

TProcessResult XclipGet(const std::string& ATarget) {
  TX11TestEnvironment::Instance().DisplayName();
  TProcessResult Result = RunProcess({"xclip", "-selection", "clipboard", "-t", ATarget, "-o"});
  return Result;
}

bool WaitUntil(const std::function<bool()>& ACondition, std::chrono::milliseconds ATimeout) {
  const auto Deadline = Clock::now() + ATimeout;
  if (!QCoreApplication::instance()) return PollUntil(ACondition, ATimeout);
  // A timer wakes the loop even when no event comes, so the deadline is kept.
  QTimer Tick;
  Tick.start(5);
  while (!ACondition()) {
    if (Clock::now() >= Deadline) return ACondition();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

} // namespace vm::test
