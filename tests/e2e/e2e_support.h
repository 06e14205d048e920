#pragma once
// The end-to-end tests' side of the desktop: child processes owned by pid, bounded waits for a
// condition, and a private X desktop (Xvfb found with -displayfd, openbox, trayer).
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vm::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using TMs = std::chrono::milliseconds;

// Polls ACondition until it holds or ATimeout has passed; the last poll comes after the timeout,
// so a slow machine never fails a condition that became true during the final interval.
bool WaitUntil(const std::function<bool()>& ACondition, TMs ATimeout, TMs AInterval = 20ms);

// A process started by the tests, ended by its pid (never by name) when it is destroyed.
class TChild {
public:
  TChild() = default;
  ~TChild();
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;
  TChild(TChild&& AOther) noexcept;
  TChild& operator=(TChild&& AOther) noexcept;

  // Starts AArgv (looked up on PATH) with stdin from /dev/null and stdout and stderr appended to
  // ALog. AExtraFd, when not negative, is passed to the child as descriptor 3.
  static TChild Start(const std::vector<std::string>& AArgv, const fs::path& ALog, int AExtraFd = -1,
                      const fs::path& AWorkDir = {});

  pid_t Pid() const { return FPid; }
  bool Running();
  // The exit code (128 + signal for a signal) once the process has ended within ATimeout.
  std::optional<int> WaitExit(TMs ATimeout);
  // SIGTERM, then SIGKILL when it has not ended within ATimeout. Safe to call more than once.
  void Stop(TMs ATimeout = 3000ms);
  const fs::path& Log() const { return FLog; }

private:
  pid_t FPid = -1;
  std::optional<int> FExitCode;
  fs::path FLog;
};

struct TRunResult {
  int ExitCode = -1; // -1 when the command did not finish in time
  std::string Out;
};

// Runs a short command to its end (bounded by ATimeout) and returns its stdout; stderr is dropped.
TRunResult RunCommand(const std::vector<std::string>& AArgv, TMs ATimeout = 10000ms, const std::string& AStdin = {});

// A fresh private folder under the temp folder, removed with everything in it on destruction.
class TTempFolder {
public:
  explicit TTempFolder(const std::string& APrefix);
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const fs::path& Path() const { return FPath; }

private:
  fs::path FPath;
};

std::string ReadFile(const fs::path& APath);
void WriteFile(const fs::path& APath, const std::string& ABytes);

// Sets HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR (mode 0700) to
// new folders under ARoot for this process and every child it starts from now on.
void UsePrivateUserFolders(const fs::path& ARoot);

// Xvfb on a display number of its own choosing, openbox, and trayer as the system tray. DISPLAY is
// set for this process while the desktop runs. ADpi is the screen's physical DPI; any other than
// 96 is also published as the user's setting Xft.dpi in the X resources, as a desktop session on
// a HiDPI monitor does.
class TVirtualDesktop {
public:
  static constexpr int Width = 1600;
  static constexpr int Height = 1200;

  explicit TVirtualDesktop(int ADpi = 96);
  ~TVirtualDesktop();
  TVirtualDesktop(const TVirtualDesktop&) = delete;
  TVirtualDesktop& operator=(const TVirtualDesktop&) = delete;

  const std::string& Display() const { return FDisplay; }
  const fs::path& Folder() const { return FFolder.Path(); }
  int Dpi() const { return FDpi; }

  // Ends trayer (the tray is gone once its panel has left the screen) or starts it again (the
  // tray is there once openbox has made room for its panel).
  void StopTray();
  void StartTray();

private:
  std::string TrayLogs();

  int FDpi;
  TTempFolder FFolder{"vellomarch-e2e-desktop"};
  std::string FDisplay;
  TChild FXvfb, FOpenbox, FTrayer;
};

// --- Looking at the X desktop through xdotool, xprop and xwininfo -----------------------------

struct TRect {
  int X = 0, Y = 0, W = 0, H = 0;
};

// Visible windows whose title matches ATitle exactly (xdotool's --name is a regular expression).
std::vector<unsigned long> VisibleWindows(const std::string& ATitle);
// The client area's rectangle in root coordinates.
std::optional<TRect> WindowGeometry(unsigned long AWindow);
// The outer rectangle including the window manager's frame (_NET_FRAME_EXTENTS).
std::optional<TRect> FrameGeometry(unsigned long AWindow);
std::optional<unsigned long> ActiveWindow();
std::optional<TRect> WorkArea();
// The child windows of trayer's panel that belong to process APid: the embedded tray icons.
std::vector<unsigned long> TrayIconsOf(pid_t APid);

// The colour 0xRRGGBB of one pixel of the screen.
std::optional<unsigned> ScreenPixel(int AX, int AY);

void Key(const std::string& AKeys);                        // xdotool key, e.g. "alt+c"
void TypeText(const std::string& AText);                   // xdotool type
void MoveMouse(int AX, int AY);
void Click(int AButton);
void ActivateWindow(unsigned long AWindow);
void MoveWindow(unsigned long AWindow, int AX, int AY);
// The pixels of the rectangle ARect of the screen as 0xRRGGBB, row by row.
std::vector<unsigned> ScreenPixels(const TRect& ARect);
// The pixels of the picture file AFile scaled to AWidth x AHeight and put on ABackground
// (0xRRGGBB) where it is transparent, row by row; empty when the file cannot be read.
std::vector<unsigned> PicturePixels(const fs::path& AFile, int AWidth, int AHeight, unsigned ABackground);
// The mean difference of two pictures of the same size, per colour channel (0 to 255).
double MeanDifference(const std::vector<unsigned>& A, const std::vector<unsigned>& B);

// Saves the whole screen as a PNG file.
bool Screenshot(const fs::path& AFile);
// Saves the rectangle ACrop of the screen.
bool Screenshot(const fs::path& AFile, const TRect& ACrop);

} // namespace vm::e2e
