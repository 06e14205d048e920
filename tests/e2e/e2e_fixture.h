#pragma once
// The fixture of the end-to-end tests: one virtual desktop per test program run; per test a fresh
// user (HOME, XDG folders, runtime folder), a fresh copy of the program in a folder of its own
// (so that its data folder "Vellomarch" is new too), and the helpers that copy, inspect and press.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace vm::e2e {

inline const std::string PopupTitle = "Vellomarch Ver1.2.0.0";
inline const std::string TargetTitle = "Vellomarch E2E Target";

// The desktop that every test of the program run shares.
TVirtualDesktop& Desktop();

// One entry of the history file as history_inspect prints it (text in UTF-8).
struct TEntry {
  int Type = -1; // 0 text, 1 image, 2 files
  std::string Text;
  std::string ImageFile;
  bool Pinned = false;
  bool operator==(const TEntry&) const = default;
};
void PrintTo(const TEntry& AEntry, std::ostream* AOut);

TEntry TextEntry(const std::string& AText, bool APinned = false);

// A PNG file's bytes for a picture of AWidth x AHeight whose left half is ALeft and right half
// ARight (0xRRGGBB), stored uncompressed: exact bytes without an image library.
std::string MakePng(int AWidth, int AHeight, unsigned ALeft, unsigned ARight);
// A one-colour PNG (8-bit RGB) compressed as tightly as deflate allows: a few hundred kilobytes
// for tens of millions of pixels.
std::string MakeSolidPng(int AWidth, int AHeight, unsigned AColour);
std::string Md5Hex(const fs::path& AFile);
// A file:// URI with every byte but the unreserved ones percent-encoded.
std::string FileUri(const fs::path& APath);

class TE2ETest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // The DPI of the desktop the test runs on (TVirtualDesktop).
  virtual int DesktopDpi() const { return 96; }

  fs::path Root() const { return FRoot.Path(); }
  fs::path AppFolder() const { return Root() / "app"; }
  // A portable copy's data folder, beside its executable.
  virtual fs::path DataFolder() const { return AppFolder() / "Vellomarch"; }
  fs::path ProgramPath() const { return AppFolder() / "vellomarch"; }
  // How the program under test is started: the copy in AppFolder.
  virtual std::vector<std::string> ProgramCommand() const { return {ProgramPath().string()}; }

  // Starts the program from its own folder and waits until its tray icon is embedded.
  void StartProgram();
  // Starts the program where no tray exists, and waits until it has made its data folder: its
  // clipboard watch is then set up, so a copy from now on is recorded.
  void StartProgramWithoutTray();
  TChild StartSecondInstance();
  TChild& Program() { return FProgram; }

  // Starts the paste target, activates it and returns its window.
  unsigned long StartTarget();
  std::string TargetText() const;
  bool WaitForTargetText(const std::string& AText, TMs ATimeout = 5000ms);

  // The clipboard owners: xclip for one format, e2e_clip_owner for several.
  void CopyText(const std::string& AText);
  void CopyWithTarget(const std::string& ATarget, const std::string& ABytes);
  void CopyFormats(const std::vector<std::pair<std::string, std::string>>& AFormats);
  std::string ClipboardText();
  std::string ClipboardTargets();

  // The history file's entries; nullopt while there is no history file or it cannot be opened.
  std::optional<std::vector<TEntry>> History();
  std::vector<TEntry> WaitForHistory(const std::function<bool(const std::vector<TEntry>&)>& ACondition,
                                     TMs ATimeout = 10000ms);
  // Copies the text and waits until it is the top entry of the saved history.
  std::vector<TEntry> CopyTextAndWait(const std::string& AText);

  // Alt+C (or AKeys) and wait until the popup is visible; its window.
  unsigned long ShowPopupByHotkey(const std::string& AKeys = "alt+c");
  bool WaitPopupHidden(TMs ATimeout = 3000ms);
  // The visible windows of the program, tray icons left out.
  std::vector<unsigned long> VisibleProgramWindows();
  // How far the program's tray icon on the screen is from the picture AIconFile scaled to the
  // icon's size: the mean difference per colour channel (0 to 255); 255 without a tray icon.
  double TrayIconDifference(const fs::path& AIconFile);

  fs::path ScreenshotFolder() const;

  // Every line of the program's daily log files, time stamps left out.
  std::vector<std::string> LogLines() const;
  // Waits until a line of the log starts with AStart.
  bool WaitForLogLine(const std::string& AStart, TMs ATimeout = 10000ms) const;

private:
  void DumpLogs();

  TTempFolder FRoot{"vellomarch-e2e"};
  TChild FProgram;
  TChild FTarget;
  std::vector<TChild> FClipOwners;
  int FCopyCount = 0;
};

} // namespace vm::e2e
