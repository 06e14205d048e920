// Start, second start and end of the real program on the virtual desktop.
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "e2e_fixture.h"

namespace vm::e2e {
namespace {

using TStartupE2E = TE2ETest;

TEST_F(TStartupE2E, StartsHiddenWithItsDataFolderAndTrayIcon) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());

  EXPECT_TRUE(fs::is_directory(DataFolder()));
  // The first start writes nothing but the folder: the settings file waits for the settings
  // dialog, the history file for the first change.
  EXPECT_FALSE(fs::exists(DataFolder() / "VellomarchData.ini"));
  EXPECT_FALSE(fs::exists(DataFolder() / "VellomarchData.dat"));
  EXPECT_TRUE(VisibleWindows(PopupTitle).empty());
  EXPECT_TRUE(VisibleProgramWindows().empty()) << "a window of the program is visible after start";
  EXPECT_EQ(TrayIconsOf(Program().Pid()).size(), 1u);
}

TEST_F(TStartupE2E, SecondStartShowsTheMessageAndEndsWhileTheFirstRuns) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  CopyTextAndWait("最初のインスタンス");

  TChild Second = StartSecondInstance();
  std::vector<unsigned long> Box;
  ASSERT_TRUE(WaitUntil([&] { return !(Box = VisibleWindows("エラー")).empty(); }, 30000ms))
      << "no message box titled エラー appeared";
  if (const auto Frame = FrameGeometry(Box.front()))
    Screenshot(ScreenshotFolder() / "second_instance.png",
               TRect{std::max(0, Frame->X - 16), std::max(0, Frame->Y - 16), Frame->W + 32, Frame->H + 32});
  EXPECT_TRUE(Second.Running()) << "the second start ended before its message was answered";

  ActivateWindow(Box.front());
  Key("Return");
  const auto ExitCode = Second.WaitExit(15000ms);
  ASSERT_TRUE(ExitCode.has_value()) << "the second start did not end after its message was closed";
  EXPECT_EQ(*ExitCode, 0);

  // The first instance goes on recording, with its tray icon.
  EXPECT_TRUE(Program().Running());
  EXPECT_EQ(TrayIconsOf(Program().Pid()).size(), 1u);
  CopyTextAndWait("まだ記録している");
}

// With nowhere to put the single-instance lock (runtime and temporary folder below a plain file)
// the program runs without the guard and says nothing.
TEST_F(TStartupE2E, StartsWithoutTheGuardWhenNoLockCanBeMade) {
  WriteFile(Root() / "plain-file", "not a folder");
  const std::string Nowhere = (Root() / "plain-file" / "run").string();
  const char* Tmp = std::getenv("TMPDIR");
  const std::optional<std::string> OldTmp = Tmp ? std::optional<std::string>(Tmp) : std::nullopt;
  setenv("XDG_RUNTIME_DIR", Nowhere.c_str(), 1);
  setenv("TMPDIR", Nowhere.c_str(), 1);
  StartProgram();
  OldTmp ? setenv("TMPDIR", OldTmp->c_str(), 1) : unsetenv("TMPDIR");
  if (HasFatalFailure()) return;

  EXPECT_TRUE(VisibleWindows("エラー").empty());
  CopyTextAndWait("ロックなしでも記録する");
}

// The same combination for both hotkeys: the quit hotkey cannot be had and is logged; the
// combination shows the popup and the program goes on.
TEST_F(TStartupE2E, SameCombinationForBothHotkeysLogsQuitAndShows) {
  WriteFile(DataFolder() / "VellomarchData.ini", "\xEF\xBB\xBF[Setting]\r\nHotkeyShow=Alt+C\r\nHotkeyQuit=Alt+C\r\n");
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  std::string Log;
  EXPECT_TRUE(WaitUntil(
      [&] {
        Log.clear();
        std::error_code Ec;
        for (const auto& File : fs::directory_iterator(DataFolder() / "Log", Ec)) Log += ReadFile(File.path());
        return Log.find("RegisterHotKey(quit) failed: Alt+C") != std::string::npos;
      },
      10000ms))
      << Log;
  EXPECT_EQ(Log.find("RegisterHotKey(show) failed"), std::string::npos) << Log;

  ShowPopupByHotkey();
  EXPECT_TRUE(Program().Running());
  Key("Escape");
  EXPECT_TRUE(WaitPopupHidden());
}

TEST_F(TStartupE2E, TrayIconLeftClickShowsThePopup) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  CopyTextAndWait("トレイから");
  const auto Icons = TrayIconsOf(Program().Pid());
  ASSERT_EQ(Icons.size(), 1u);
  const auto Icon = WindowGeometry(Icons.front());
  ASSERT_TRUE(Icon);

  MoveMouse(Icon->X + Icon->W / 2, Icon->Y + Icon->H / 2);
  Click(1);
  ASSERT_TRUE(WaitUntil([] { return !VisibleWindows(PopupTitle).empty(); }, 5000ms));
  Key("Escape");
  EXPECT_TRUE(WaitPopupHidden());
}

// A user of the plain-text history files of earlier versions starts this one: the start-up
// imports them into the history file at once and gives the old files their ".bak" names.
TEST_F(TStartupE2E, LegacyHistoryFilesAreImportedIntoTheHistoryFileAtTheFirstStart) {
  fs::create_directories(DataFolder());
  const std::string Texts = "\xEF\xBB\xBF最初の行\r\n二行の\\nテキスト\r\n\r\n";
  const std::string Images = "\r\n\r\nshot.png\r\n";
  WriteFile(DataFolder() / "VellomarchData.txt", Texts);
  WriteFile(DataFolder() / "VellomarchImage.txt", Images);
  ASSERT_NO_FATAL_FAILURE(StartProgram());

  const auto Saved = History();
  ASSERT_TRUE(Saved) << "no readable history file after the start";
  EXPECT_EQ(*Saved, (std::vector<TEntry>{TextEntry("最初の行"), TextEntry("二行の\r\nテキスト"),
                                         TEntry{1, "", "shot.png", false}}));
  EXPECT_FALSE(fs::exists(DataFolder() / "VellomarchData.txt"));
  EXPECT_FALSE(fs::exists(DataFolder() / "VellomarchImage.txt"));
  EXPECT_EQ(ReadFile(DataFolder() / "VellomarchData.txt.bak"), Texts);
  EXPECT_EQ(ReadFile(DataFolder() / "VellomarchImage.txt.bak"), Images);
  if (fs::is_directory(DataFolder() / "Log")) {
    for (const auto& Log : fs::directory_iterator(DataFolder() / "Log")) {
      EXPECT_EQ(ReadFile(Log.path()).find("History save failed"), std::string::npos) << ReadFile(Log.path());
    }
  }
  EXPECT_TRUE(VisibleWindows("エラー").empty());
}

// The quit hotkey ends the program with code 0, the history on disk, and the lock released: the
// next start neither complains nor loses an entry.
class TQuitE2E : public TE2ETest, public ::testing::WithParamInterface<bool> {};

TEST_P(TQuitE2E, CtrlAltQEndsWithTheHistorySavedAndTheNextStartLoadsIt) {
  const bool PopupOpen = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  StartTarget();
  CopyTextAndWait("終了前の一件");
  CopyTextAndWait("終了前の二件");
  if (PopupOpen) ShowPopupByHotkey();

  Key("ctrl+alt+q");
  const auto ExitCode = Program().WaitExit(15000ms);
  ASSERT_TRUE(ExitCode.has_value()) << "Ctrl+Alt+Q did not end the program";
  EXPECT_EQ(*ExitCode, 0);
  const auto Saved = History();
  ASSERT_TRUE(Saved);
  EXPECT_EQ(*Saved, (std::vector<TEntry>{TextEntry("終了前の二件"), TextEntry("終了前の一件")}));

  ASSERT_NO_FATAL_FAILURE(StartProgram());
  EXPECT_TRUE(VisibleWindows("エラー").empty());
  const unsigned long Target = VisibleWindows(TargetTitle).front();
  ActivateWindow(Target);
  ShowPopupByHotkey();
  Key("ctrl+2");
  EXPECT_TRUE(WaitForTargetText("終了前の一件"));
}

INSTANTIATE_TEST_SUITE_P(PopupHiddenOrOpen, TQuitE2E, ::testing::Bool(),
                         [](const auto& AInfo) { return AInfo.param ? "PopupOpen" : "PopupHidden"; });

} // namespace
} // namespace vm::e2e
