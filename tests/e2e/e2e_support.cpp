#include "e2e_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace vm::e2e {

namespace {

using TClock = std::chrono::steady_clock;

void Check(int AResult, const char* AWhat) {
  if (AResult != 0) throw std::runtime_error(std::string(AWhat) + ": " + std::strerror(AResult));
}

std::vector<char*> ArgvOf(const std::vector<std::string>& AArgv) {
  std::vector<char*> Result;
  for (const std::string& A : AArgv) Result.push_back(const_cast<char*>(A.c_str()));
  Result.push_back(nullptr);
  return Result;
}

int DecodeStatus(int AStatus) {
  if (WIFEXITED(AStatus)) return WEXITSTATUS(AStatus);
  if (WIFSIGNALED(AStatus)) return 128 + WTERMSIG(AStatus);
  return -1;
}

std::string RegexQuoted(const std::string& AText) {
  std::string Result = "^";
  for (char C : AText) {
    if (std::strchr(".^$|()[]{}*+?\\", C) != nullptr) Result += '\\';
    Result += C;
  }
  return Result + "$";
}

std::vector<unsigned long> ParseWindowIds(const std::string& AText) {
  std::vector<unsigned long> Result;
  std::istringstream In(AText);
  std::string Line;
  while (std::getline(In, Line))
    if (!Line.empty()) Result.push_back(std::stoul(Line));
  return Result;
}

std::string Hex(unsigned long AWindow) {
  std::ostringstream S;
  S << "0x" << std::hex << AWindow;
  return S.str();
}

} // namespace

bool WaitUntil(const std::function<bool()>& ACondition, TMs ATimeout, TMs AInterval) {
  const auto Deadline = TClock::now() + ATimeout;
  for (;;) {
    const bool Late = TClock::now() >= Deadline;
    if (ACondition()) return true;
    if (Late) return false;
    std::this_thread::sleep_for(AInterval);
  }
}

// --- TChild -------------------------------------------------------------------------------------

TChild::~TChild() { Stop(); }

TChild::TChild(TChild&& AOther) noexcept
    : FPid(AOther.FPid), FExitCode(AOther.FExitCode), FLog(std::move(AOther.FLog)) {
  AOther.FPid = -1;
}

TChild& TChild::operator=(TChild&& AOther) noexcept {
  if (this != &AOther) {
    Stop();
    FPid = AOther.FPid;
    FExitCode = AOther.FExitCode;
    FLog = std::move(AOther.FLog);
    AOther.FPid = -1;
  }
  return *this;
}

TChild TChild::Start(const std::vector<std::string>& AArgv, const fs::path& ALog, int AExtraFd,
                     const fs::path& AWorkDir) {
  posix_spawn_file_actions_t Actions;
  Check(posix_spawn_file_actions_init(&Actions), "posix_spawn_file_actions_init");
  posix_spawn_file_actions_addopen(&Actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, 1, ALog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&Actions, 1, 2);
  if (AExtraFd >= 0) posix_spawn_file_actions_adddup2(&Actions, AExtraFd, 3);
  if (!AWorkDir.empty()) posix_spawn_file_actions_addchdir_np(&Actions, AWorkDir.c_str());
  TChild Child;
  Child.FLog = ALog;
  std::vector<char*> Argv = ArgvOf(AArgv);
  const int Rc = posix_spawnp(&Child.FPid, Argv[0], &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  if (Rc != 0) {
    Child.FPid = -1;
    throw std::runtime_error("cannot start " + AArgv[0] + ": " + std::strerror(Rc));
  }
  return Child;
}

bool TChild::Running() {
  if (FPid <= 0 || FExitCode) return false;
  int Status = 0;
  const pid_t R = waitpid(FPid, &Status, WNOHANG);
  if (R == FPid) {
    FExitCode = DecodeStatus(Status);
    return false;
  }
  return R == 0;
}

std::optional<int> TChild::WaitExit(TMs ATimeout) {
  if (FPid <= 0) return FExitCode;
  WaitUntil([this] { return !Running(); }, ATimeout, 10ms);
  return FExitCode;
}

void TChild::Stop(TMs ATimeout) {
  if (FPid <= 0) return;
  if (Running()) {
    kill(FPid, SIGTERM);
    if (!WaitExit(ATimeout)) {
      kill(FPid, SIGKILL);
      int Status = 0;
      if (waitpid(FPid, &Status, 0) == FPid) FExitCode = DecodeStatus(Status);
    }
  }
  FPid = -1;
}

// --- Short commands -----------------------------------------------------------------------------

TRunResult RunCommand(const std::vector<std::string>& AArgv, TMs ATimeout, const std::string& AStdin) {
  int OutPipe[2];
  int InPipe[2];
  if (pipe2(OutPipe, O_CLOEXEC) != 0 || pipe2(InPipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t Actions;
  Check(posix_spawn_file_actions_init(&Actions), "posix_spawn_file_actions_init");
  posix_spawn_file_actions_adddup2(&Actions, InPipe[0], 0);
  posix_spawn_file_actions_adddup2(&Actions, OutPipe[1], 1);
  posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t Pid = -1;
  std::vector<char*> Argv = ArgvOf(AArgv);
  const int Rc = posix_spawnp(&Pid, Argv[0], &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  close(OutPipe[1]);
  close(InPipe[0]);
  if (Rc != 0) {
    close(OutPipe[0]);
    close(InPipe[1]);
    throw std::runtime_error("cannot run " + AArgv[0] + ": " + std::strerror(Rc));
  }
  // Small inputs only (a pipe buffer's worth), so writing before reading cannot deadlock.
  if (!AStdin.empty()) {
    const ssize_t Written = write(InPipe[1], AStdin.data(), AStdin.size());
    (void)Written;
  }
  close(InPipe[1]);

  TRunResult Result;
  const auto Deadline = TClock::now() + ATimeout;
  bool TimedOut = false;
  char Buffer[4096];
  for (;;) {
    const auto Left = std::chrono::duration_cast<TMs>(Deadline - TClock::now()).count();
    if (Left <= 0) {
      TimedOut = true;
      break;
    }
    pollfd P{OutPipe[0], POLLIN, 0};
    const int N = poll(&P, 1, static_cast<int>(Left));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) {
      TimedOut = N == 0;
      break;
    }
    const ssize_t Got = read(OutPipe[0], Buffer, sizeof Buffer);
    if (Got <= 0) break;
    Result.Out.append(Buffer, static_cast<std::size_t>(Got));
  }
  close(OutPipe[0]);
  if (TimedOut) kill(Pid, SIGKILL);
  int Status = 0;
  waitpid(Pid, &Status, 0);
  Result.ExitCode = TimedOut ? -1 : DecodeStatus(Status);
  return Result;
}

// --- Folders and files --------------------------------------------------------------------------

TTempFolder::TTempFolder(const std::string& APrefix) {
  std::string Template = (fs::temp_directory_path() / (APrefix + "-XXXXXX")).string();
  if (mkdtemp(Template.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FPath = Template;
}

TTempFolder::~TTempFolder() {
  std::error_code Ec;
  fs::remove_all(FPath, Ec);
}

std::string ReadFile(const fs::path& APath) {
  std::ifstream In(APath, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

void WriteFile(const fs::path& APath, const std::string& ABytes) {
  fs::create_directories(APath.parent_path());
  std::ofstream Out(APath, std::ios::binary | std::ios::trunc);
  Out.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
}

void UsePrivateUserFolders(const fs::path& ARoot) {
  const struct {
    const char* Name;
    const char* Folder;
  } Folders[] = {{"HOME", "home"},
                 {"XDG_CONFIG_HOME", "config"},
                 {"XDG_DATA_HOME", "data"},
                 {"XDG_CACHE_HOME", "cache"},
                 {"XDG_RUNTIME_DIR", "runtime"}};
  for (const auto& F : Folders) {
    const fs::path P = ARoot / F.Folder;
    fs::create_directories(P);
    setenv(F.Name, P.c_str(), 1);
  }
  chmod((ARoot / "runtime").c_str(), 0700);
}

// --- TVirtualDesktop ----------------------------------------------------------------------------

TVirtualDesktop::TVirtualDesktop(int ADpi) : FDpi(ADpi) {
  UsePrivateUserFolders(Folder());
  // Nothing of the surrounding session may leak in: a Wayland or D-Bus session would change
  // which platform and tray Qt picks.
  for (const char* Name : {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "XAUTHORITY",
                           "SESSION_MANAGER", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP"})
    unsetenv(Name);

  int DisplayPipe[2];
  if (pipe2(DisplayPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  FXvfb = TChild::Start({"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0",
                         std::to_string(Width) + "x" + std::to_string(Height) + "x24", "-dpi",
                         std::to_string(ADpi), "-noreset"},
                        Folder() / "xvfb.log", DisplayPipe[1]);
  close(DisplayPipe[1]);
  std::string Number;
  const auto Deadline = TClock::now() + 15s;
  while (Number.find('\n') == std::string::npos && TClock::now() < Deadline) {
    pollfd P{DisplayPipe[0], POLLIN, 0};
    if (poll(&P, 1, 100) <= 0) continue;
    char C[16];
    const ssize_t Got = read(DisplayPipe[0], C, sizeof C);
    if (Got <= 0) break;
    Number.append(C, static_cast<std::size_t>(Got));
  }
  close(DisplayPipe[0]);
  if (Number.find('\n') == std::string::npos)
    throw std::runtime_error("Xvfb did not report its display: " + ReadFile(Folder() / "xvfb.log"));
  FDisplay = ":" + Number.substr(0, Number.find('\n'));
  setenv("DISPLAY", FDisplay.c_str(), 1);
  auto Logs = [this] {
    std::string Text;
    for (auto* Child : {&FXvfb, &FOpenbox, &FTrayer})
      if (Child->Pid() > 0 && !Child->Running())
        Text += " (pid " + std::to_string(Child->Pid()) + " has ended with " +
                std::to_string(Child->WaitExit(0ms).value_or(-1)) + ")";
    Text += "\n--- work area: " + RunCommand({"xprop", "-root", "_NET_WORKAREA"}).Out;
    Text += "--- trayer windows: " + RunCommand({"xdotool", "search", "--class", "^trayer$"}).Out;
    for (const char* Name : {"xvfb.log", "openbox.log", "trayer.log"})
      Text += std::string("\n--- ") + Name + "\n" + ReadFile(Folder() / Name);
    return Text;
  };
  if (!WaitUntil([] { return RunCommand({"xprop", "-root", "_NET_WORKAREA"}).ExitCode == 0; }, 15s, 50ms))
    throw std::runtime_error("the X server on " + FDisplay + " does not answer" + Logs());

  // Before the window manager, as a session sets it up. (-noreset keeps the resources once xrdb,
  // the only client so far, has gone.)
  if (ADpi != 96 &&
      RunCommand({"xrdb", "-nocpp", "-merge"}, 10000ms, "Xft.dpi: " + std::to_string(ADpi) + "\n").ExitCode != 0)
    throw std::runtime_error("xrdb could not set Xft.dpi on " + FDisplay + Logs());

  FOpenbox = TChild::Start({"openbox", "--sm-disable"}, Folder() / "openbox.log");
  if (!WaitUntil([] {
        return RunCommand({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).Out.find("window id") != std::string::npos;
      }, 15s, 50ms))
    throw std::runtime_error("openbox did not come up on " + FDisplay + Logs());

  StartTray();
}

void TVirtualDesktop::StartTray() {
  FTrayer = TChild::Start({"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request",
                           "--height", "24", "--SetDockType", "true", "--SetPartialStrut", "true"},
                          Folder() / "trayer.log");
  // trayer owns the tray selection before it maps its panel, and openbox then shrinks the work
  // area by the panel's strut.
  if (!WaitUntil([] {
        const auto Area = WorkArea();
        return !RunCommand({"xdotool", "search", "--onlyvisible", "--class", "^trayer$"}).Out.empty() && Area &&
               Area->H < Height;
      }, 15s, 50ms))
    throw std::runtime_error("trayer did not come up on " + FDisplay + TrayLogs());
}

std::string TVirtualDesktop::TrayLogs() {
  std::string Text;
  if (FTrayer.Pid() > 0 && !FTrayer.Running())
    Text += " (trayer has ended with " + std::to_string(FTrayer.WaitExit(0ms).value_or(-1)) + ")";
  return Text + "\n--- trayer.log\n" + ReadFile(Folder() / "trayer.log");
}

void TVirtualDesktop::StopTray() {
  FTrayer.Stop();
  if (!WaitUntil([] {
        const auto Area = WorkArea();
        return RunCommand({"xdotool", "search", "--class", "^trayer$"}).Out.empty() && Area && Area->H == Height;
      }, 15s, 50ms))
    throw std::runtime_error("trayer's panel stayed on " + FDisplay);
}

TVirtualDesktop::~TVirtualDesktop() {
  FTrayer.Stop();
  FOpenbox.Stop();
  FXvfb.Stop();
  unsetenv("DISPLAY");
}

// --- X desktop queries --------------------------------------------------------------------------

std::vector<unsigned long> VisibleWindows(const std::string& ATitle) {
  return ParseWindowIds(RunCommand({"xdotool", "search", "--onlyvisible", "--name", RegexQuoted(ATitle)}).Out);
}

std::optional<TRect> WindowGeometry(unsigned long AWindow) {
  const TRunResult R = RunCommand({"xwininfo", "-id", Hex(AWindow)});
  if (R.ExitCode != 0) return std::nullopt;
  auto Field = [&](const std::string& AName) -> std::optional<int> {
    const std::regex Pattern(AName + ":\\s*(-?\\d+)");
    std::smatch M;
    if (!std::regex_search(R.Out, M, Pattern)) return std::nullopt;
    return std::stoi(M[1]);
  };
  const auto X = Field("Absolute upper-left X"), Y = Field("Absolute upper-left Y"), W = Field("Width"),
             H = Field("Height");
  if (!X || !Y || !W || !H) return std::nullopt;
  return TRect{*X, *Y, *W, *H};
}

std::optional<TRect> FrameGeometry(unsigned long AWindow) {
  auto Client = WindowGeometry(AWindow);
  if (!Client) return std::nullopt;
  const TRunResult R = RunCommand({"xprop", "-id", Hex(AWindow), "_NET_FRAME_EXTENTS"});
  std::smatch M;
  const std::regex Pattern("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)");
  if (!std::regex_search(R.Out, M, Pattern)) return Client; // no frame
  const int Left = std::stoi(M[1]), Right = std::stoi(M[2]), Top = std::stoi(M[3]), Bottom = std::stoi(M[4]);
  return TRect{Client->X - Left, Client->Y - Top, Client->W + Left + Right, Client->H + Top + Bottom};
}

std::optional<unsigned long> ActiveWindow() {
  const TRunResult R = RunCommand({"xdotool", "getactivewindow"});
  if (R.ExitCode != 0) return std::nullopt;
  const auto Ids = ParseWindowIds(R.Out);
  if (Ids.empty()) return std::nullopt;
  return Ids.front();
}

std::optional<TRect> WorkArea() {
  const TRunResult R = RunCommand({"xprop", "-root", "_NET_WORKAREA"});
  std::smatch M;
  const std::regex Pattern("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)");
  if (!std::regex_search(R.Out, M, Pattern)) return std::nullopt;
  return TRect{std::stoi(M[1]), std::stoi(M[2]), std::stoi(M[3]), std::stoi(M[4])};
}

std::vector<unsigned long> TrayIconsOf(pid_t APid) {
  std::vector<unsigned long> Result;
  for (unsigned long Panel : ParseWindowIds(RunCommand({"xdotool", "search", "--class", "^trayer$"}).Out)) {
    const std::string Tree = RunCommand({"xwininfo", "-tree", "-id", Hex(Panel)}).Out;
    // Every line below "children:" starts with a window id; the panel itself is on the first line.
    const std::regex IdPattern("^\\s+(0x[0-9a-f]+) ");
    std::istringstream In(Tree);
    std::string Line;
    while (std::getline(In, Line)) {
      std::smatch M;
      if (!std::regex_search(Line, M, IdPattern)) continue;
      const std::string Pid = RunCommand({"xprop", "-id", M[1], "_NET_WM_PID"}).Out;
      if (Pid.find("= " + std::to_string(APid)) != std::string::npos)
        Result.push_back(std::stoul(M[1].str(), nullptr, 16));
    }
  }
  return Result;
}

std::optional<unsigned> ScreenPixel(int AX, int AY) {
  const TRunResult R = RunCommand(
      {"import", "-window", "root", "-crop", "1x1+" + std::to_string(AX) + "+" + std::to_string(AY), "-depth", "8", "txt:-"});
  std::smatch M;
  const std::regex Pattern("#([0-9A-Fa-f]{6})");
  if (R.ExitCode != 0 || !std::regex_search(R.Out, M, Pattern)) return std::nullopt;
  return static_cast<unsigned>(std::stoul(M[1].str(), nullptr, 16));
}

namespace {

std::vector<unsigned> RgbToPixels(const std::string& ABytes) {
  std::vector<unsigned> Pixels;
  for (std::size_t I = 0; I + 2 < ABytes.size(); I += 3)
    Pixels.push_back(static_cast<unsigned>(static_cast<unsigned char>(ABytes[I])) << 16 |
                     static_cast<unsigned>(static_cast<unsigned char>(ABytes[I + 1])) << 8 |
                     static_cast<unsigned char>(ABytes[I + 2]));
  return Pixels;
}

std::string ColourName(unsigned AColour) {
  char Name[8];
  std::snprintf(Name, sizeof Name, "#%06X", AColour & 0xFFFFFF);
  return Name;
}

} // namespace

std::vector<unsigned> ScreenPixels(const TRect& ARect) {
  const std::string Geometry = std::to_string(ARect.W) + "x" + std::to_string(ARect.H) + "+" + std::to_string(ARect.X) +
                               "+" + std::to_string(ARect.Y);
  const TRunResult R = RunCommand({"import", "-window", "root", "-crop", Geometry, "+repage", "-depth", "8", "rgb:-"}, 30000ms);
  if (R.ExitCode != 0) return {};
  return RgbToPixels(R.Out);
}

std::vector<unsigned> PicturePixels(const fs::path& AFile, int AWidth, int AHeight, unsigned ABackground) {
  const TRunResult R = RunCommand({"convert", AFile.string(), "-resize",
                                   std::to_string(AWidth) + "x" + std::to_string(AHeight) + "!", "-background",
                                   ColourName(ABackground), "-flatten", "-depth", "8", "rgb:-"},
                                  30000ms);
  if (R.ExitCode != 0) return {};
  return RgbToPixels(R.Out);
}

double MeanDifference(const std::vector<unsigned>& A, const std::vector<unsigned>& B) {
  if (A.size() != B.size() || A.empty()) return 255;
  double Sum = 0;
  for (std::size_t I = 0; I < A.size(); ++I)
    for (int Shift : {16, 8, 0})
      Sum += std::abs(static_cast<int>((A[I] >> Shift) & 0xFF) - static_cast<int>((B[I] >> Shift) & 0xFF));
  return Sum / (3.0 * static_cast<double>(A.size()));
}

void Key(const std::string& AKeys) { RunCommand({"xdotool", "key", "--delay", "30", AKeys}); }

void TypeText(const std::string& AText) { RunCommand({"xdotool", "type", "--delay", "40", AText}, 30000ms); }

void MoveMouse(int AX, int AY) {
  RunCommand({"xdotool", "mousemove", "--sync", std::to_string(AX), std::to_string(AY)});
}

void Click(int AButton) { RunCommand({"xdotool", "click", std::to_string(AButton)}); }

void ActivateWindow(unsigned long AWindow) {
  RunCommand({"xdotool", "windowactivate", "--sync", std::to_string(AWindow)});
}

void MoveWindow(unsigned long AWindow, int AX, int AY) {
  RunCommand({"xdotool", "windowmove", "--sync", std::to_string(AWindow), std::to_string(AX), std::to_string(AY)});
}

bool Screenshot(const fs::path& AFile) {
  fs::create_directories(AFile.parent_path());
  return RunCommand({"import", "-window", "root", AFile.string()}, 30000ms).ExitCode == 0;
}

bool Screenshot(const fs::path& AFile, const TRect& ACrop) {
  fs::create_directories(AFile.parent_path());
  const std::string Geometry = std::to_string(ACrop.W) + "x" + std::to_string(ACrop.H) + "+" + std::to_string(ACrop.X) +
                               "+" + std::to_string(ACrop.Y);
  return RunCommand({"import", "-window", "root", "-crop", Geometry, "+repage", AFile.string()}, 30000ms).ExitCode == 0;
}

} // namespace vm::e2e
