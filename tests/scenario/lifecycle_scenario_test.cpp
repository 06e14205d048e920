// Start-up, shut-down, the hotkeys, the notification icon and the popup's placement and layout.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "fakes/fake_data_protection.h"
#include "fakes/scenario_fixture.h"
#include "support/data_folders.h"

namespace vm::test {
namespace {

using TLifecycle = TScenario;

constexpr std::uint32_t ModAlt = 1, ModCtrl = 2;

TEST_F(TLifecycle, FirstStartCreatesOnlyTheDataFolderAndStaysHidden) {
  Start();
  EXPECT_TRUE(DirectoryExists(BaseDir()));
  EXPECT_FALSE(FileExists(IniFilePath()));
  EXPECT_FALSE(FileExists(Frm->DataFilePath()));
  EXPECT_FALSE(F.Popup.Visible);
  EXPECT_TRUE(F.MessageBoxes.Errors.empty());
  // The list is filled before it is first shown: one blank row.
  EXPECT_EQ(F.Popup.Rows, 1);
}

TEST_F(TLifecycle, StartAddsTheIconAndRegistersBothHotkeysUnderTheirAtoms) {
  Start();
  ASSERT_EQ(F.TrayIcon.Calls.size(), 1u);
  const auto& [Action, Data] = F.TrayIcon.Calls[0];
  EXPECT_EQ(Action, TNotifyIconAction::Add);
  EXPECT_EQ(Data.cbSize, 976u);
  EXPECT_EQ(Data.hWnd, TFakePopupView::MainHandle);
  EXPECT_EQ(Data.uID, 1u);
  EXPECT_EQ(Data.uFlags, 7u);
  EXPECT_EQ(Data.uCallbackMessage, 0x8064u);
  EXPECT_EQ(Data.szTip, u"Vellomarch");

  const int ShowId = F.Hotkeys.Atoms.at(u"VellomarchHotkeyShow");
  const int QuitId = F.Hotkeys.Atoms.at(u"VellomarchHotkeyQuit");
  EXPECT_EQ(Frm->HotKeyIDShow(), ShowId);
  EXPECT_EQ(Frm->HotKeyIDQuit(), QuitId);
  EXPECT_EQ(F.Hotkeys.Registered.at(ShowId).Modifiers, ModAlt);
  EXPECT_EQ(F.Hotkeys.Registered.at(ShowId).Key, 0x43u);
  EXPECT_EQ(F.Hotkeys.Registered.at(QuitId).Modifiers, ModCtrl | ModAlt);
  EXPECT_EQ(F.Hotkeys.Registered.at(QuitId).Key, 0x51u);
}

TEST_F(TLifecycle, ShutDownSavesTheHistoryReleasesHotkeysAndAtomsAndRemovesTheIcon) {
  Start();
  CopyText(u"kept");
  std::filesystem::remove(FsPath(Frm->DataFilePath()));
  Quit();
  EXPECT_TRUE(F.Popup.Closed);
  EXPECT_TRUE(FileExists(Frm->DataFilePath()));
  EXPECT_TRUE(F.Hotkeys.Registered.empty());
  EXPECT_TRUE(F.Hotkeys.Atoms.empty());
  EXPECT_FALSE(F.TrayIcon.Present);
  EXPECT_EQ(F.TrayIcon.Calls.back().first, TNotifyIconAction::Delete);
}

TEST_F(TLifecycle, QuitHotkeyClosesAndShowHotkeyCapturesTheTargetThenShows) {
  Start();
  F.FocusInput.Foreground = 0x500;
  F.FocusInput.WindowThreads[0x500] = 7;
  F.FocusInput.Focused = 0x501;
  F.FocusInput.Calls.clear();

  Frm->WMHotKey(Frm->HotKeyIDShow());
  EXPECT_EQ(Frm->Focus().ActiveWnd, 0x500u);
  EXPECT_EQ(Frm->Focus().FocusWnd, 0x501u);
  const std::vector<std::string> Expected{"GetForegroundWindow", "GetWindowThreadId(1280)", "AttachThreadInput(1,7,1)",
                                          "GetFocus", "AttachThreadInput(1,7,0)"};
  EXPECT_EQ(std::vector<std::string>(F.FocusInput.Calls.begin(), F.FocusInput.Calls.begin() + 5), Expected);
  EXPECT_TRUE(F.Popup.Visible);
  EXPECT_TRUE(F.Popup.TimerEnabled);
  EXPECT_TRUE(F.Popup.SearchFocused);
  EXPECT_EQ(F.FocusInput.Foreground, TFakePopupView::MainHandle);

  Frm->WMHotKey(12345); // not ours
  EXPECT_FALSE(F.Popup.Closed);
  Frm->WMHotKey(Frm->HotKeyIDQuit());
  EXPECT_TRUE(F.Popup.Closed);
}

// The desktop may hold the combinations itself (or none is set) and pass them on as commands:
// they do what the hotkeys do whether or not a hotkey could be registered.
TEST(THotkeyCommands, ShowCapturesTheTargetAndShowsQuitClosesWithoutRegisteredHotkeys) {
  const struct {
    const char* Name;
    std::string Ini;
    std::set<std::pair<std::uint32_t, std::uint32_t>> Taken;
  } Cases[] = {
      {"both registered", "", {}},
      {"show taken, no quit hotkey", "[Setting]\r\nHotkeyQuit=\r\n", {{ModAlt, 0x43}}},
      {"both taken", "", {{ModAlt, 0x43}, {ModCtrl | ModAlt, 0x51}}},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    if (!Case.Ini.empty()) WriteFileBytes(IniFilePath(), Case.Ini);
    W.F.Hotkeys.TakenByOthers = Case.Taken;
    W.Start();
    W.F.FocusInput.Foreground = 0x500;
    W.F.FocusInput.WindowThreads[0x500] = 7;
    W.F.FocusInput.Focused = 0x501;

    W.Frm->ShowHotKeyCommand();
    EXPECT_EQ(W.Frm->Focus().ActiveWnd, 0x500u);
    EXPECT_EQ(W.Frm->Focus().FocusWnd, 0x501u);
    EXPECT_TRUE(W.F.Popup.Visible);
    EXPECT_TRUE(W.F.Popup.SearchFocused);
    EXPECT_FALSE(W.F.Popup.Closed);

    W.Frm->QuitHotKeyCommand();
    EXPECT_TRUE(W.F.Popup.Closed);
  }
}

TEST(THotkeyRegistration, FailuresAreLoggedAndTheIconStillOpensThePopup) {
  struct TCase {
    const char* Name;
    std::string Ini;
    std::set<std::pair<std::uint32_t, std::uint32_t>> Taken;
    std::vector<std::u16string> Log;
    bool QuitIdSet;
  };
  const std::vector<TCase> Cases{
      {"show taken by another program", "", {{ModAlt, 0x43}}, {u"RegisterHotKey(show) failed: Alt+C"}, true},
      {"both the same", "[Setting]\r\nHotkeyQuit=Alt+C\r\n", {}, {u"RegisterHotKey(quit) failed: Alt+C"}, true},
      {"no quit hotkey", "[Setting]\r\nHotkeyQuit=\r\n", {}, {}, false},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    if (!Case.Ini.empty()) WriteFileBytes(IniFilePath(), Case.Ini);
    W.F.Hotkeys.TakenByOthers = Case.Taken;
    W.Start();
    EXPECT_EQ(W.LogLines(), Case.Log);
    EXPECT_EQ(W.Frm->HotKeyIDQuit() != 0, Case.QuitIdSet);
    EXPECT_EQ(W.F.Hotkeys.Atoms.count(u"VellomarchHotkeyQuit") != 0, Case.QuitIdSet);
    W.Frm->WMTrayIcon(WM_LBUTTONUP_MSG);
    EXPECT_TRUE(W.F.Popup.Visible);
  }
}

TEST_F(TLifecycle, TrayIconCallbackByMouseMessage) {
  Start();
  F.Screen.Cursor = {300, 400};
  Frm->WMTrayIcon(0x0201); // button down: nothing
  Frm->WMTrayIcon(0x0203); // double click: nothing
  EXPECT_FALSE(F.Popup.Visible);
  EXPECT_TRUE(F.Menus.Shown.empty());

  Frm->WMTrayIcon(WM_LBUTTONUP_MSG);
  EXPECT_TRUE(F.Popup.Visible);
  EXPECT_EQ(Frm->Focus().ActiveWnd, 0u) << "the icon never captures a paste target";

  F.Menus.ChooseCaption = u"終了";
  Frm->WMTrayIcon(WM_RBUTTONUP_MSG);
  ASSERT_EQ(F.Menus.Shown.size(), 1u);
  std::vector<std::u16string> Captions;
  for (const auto& Item : F.Menus.Shown[0]) Captions.push_back(Item.Caption);
  EXPECT_EQ(Captions, (std::vector<std::u16string>{u"履歴を表示", u"設定...", u"-", u"終了"}));
  EXPECT_EQ(F.Menus.ShownAt[0], (TPoint{300, 400}));
  EXPECT_TRUE(F.Popup.Closed);
}

TEST_F(TLifecycle, TaskbarRestartAddsTheSameIconAgain) {
  Start();
  const TNotifyIconData First = F.TrayIcon.Calls[0].second;
  Frm->WindowProcHook(0x0400);
  EXPECT_EQ(F.TrayIcon.Calls.size(), 1u);
  Frm->WindowProcHook(TFakeTrayIcon::TaskbarCreatedId);
  ASSERT_EQ(F.TrayIcon.Calls.size(), 2u);
  EXPECT_EQ(F.TrayIcon.Calls[1].first, TNotifyIconAction::Add);
  EXPECT_EQ(F.TrayIcon.Calls[1].second.szTip, First.szTip);
  EXPECT_EQ(F.TrayIcon.Calls[1].second.uID, First.uID);
}

TEST_F(TLifecycle, WithoutTheTaskbarMessageNothingIsReAdded) {
  F.TrayIcon.RegisterFails = true;
  Start();
  Frm->WindowProcHook(0);
  Frm->WindowProcHook(TFakeTrayIcon::TaskbarCreatedId);
  EXPECT_EQ(F.TrayIcon.Calls.size(), 1u);
}

TEST_F(TLifecycle, PopupOpensAtThePointerInsideTheWorkAreaOfItsMonitor) {
  struct TCase {
    const char* Name;
    TPoint Pointer;
    TPoint Expected;
  };
  F.Screen.Monitors = {{{0, 0, 1920, 1200}, {0, 0, 1920, 1160}},
                       {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}}};
  WriteFileBytes(IniFilePath(), "[Setting]\r\nVellomarchItemMax=10\r\n"); // a window of 399 pixels
  Start();
  const int W = F.Popup.Width, H = F.Popup.Height;
  const std::vector<TCase> Cases{
      {"inside", {100, 100}, {100, 100}},
      {"near the right edge", {1900, 100}, {1920 - W, 100}},
      {"near the taskbar", {100, 1150}, {100, 1160 - H}},
      {"second monitor", {3190, 10}, {3200 - W, 10}},
      {"left of every monitor", {-50, 20}, {0, 20}},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    F.Screen.Cursor = Case.Pointer;
    Frm->ShowPopup();
    EXPECT_EQ(F.Popup.Left, Case.Expected.X);
    EXPECT_EQ(F.Popup.Top, Case.Expected.Y);
  }
}

TEST_F(TLifecycle, AWindowLargerThanTheWorkAreaSitsAtItsTopLeft) {
  F.Screen.Monitors = {{{0, 0, 200, 300}, {10, 20, 200, 300}}};
  Start();
  F.Screen.Cursor = {150, 250};
  Frm->ShowPopup();
  EXPECT_EQ(F.Popup.Left, 10);
  EXPECT_EQ(F.Popup.Top, 20);
}

TEST_F(TLifecycle, ShowingAgainJumpsClearsTheSearchAndRunsTheShowHandlerOnlyWhenItAppears) {
  Start();
  CopyText(u"alpha");
  CopyText(u"beta");
  Frm->ShowPopup();
  EXPECT_EQ(F.Popup.ResetHintsCount, 1);
  F.Popup.Search = u"alp";
  Frm->SearchEditChange();
  F.Popup.Current = 1;
  F.Screen.Cursor = {500, 300};
  Frm->ShowPopup();
  EXPECT_EQ(F.Popup.Search, u"");
  EXPECT_EQ(Frm->View().size(), 2u);
  EXPECT_EQ(F.Popup.Current, 0);
  EXPECT_EQ(F.Popup.Left, 500);
  EXPECT_EQ(F.Popup.ResetHintsCount, 1) << "already visible: no show handler";
}

TEST_F(TLifecycle, HideTimerHidesThePopupOnlyWhenAnotherWindowIsInFront) {
  Start();
  Frm->ShowPopup();
  Frm->HideTimerTimer();
  EXPECT_TRUE(F.Popup.Visible);
  F.FocusInput.Foreground = 0x777;
  Frm->HideTimerTimer();
  EXPECT_FALSE(F.Popup.Visible);
  EXPECT_FALSE(F.Popup.TimerEnabled);
}

TEST(TLayout, FollowsTheSettingsTheDpiAndTheWorkArea) {
  struct TCase {
    const char* Name;
    int SystemDpi;
    int WorkHeight;
    int ChangedDpi; // 0: the start-up layout
    int Font, RowHeight, Height;
  };
  // Frame 31, search box 23. At 96 DPI: rows 33, font 10 (8 points at 96 DPI), line 1, extra 5:
  // 23 + 990 + 30 + 5 + 31 = 1079; on a lower work area 1079 * 0.7 = 755.3 -> 755 and rows of 23.
  const std::vector<TCase> Cases{
      {"96 DPI, room enough", 96, 1400, 0, 10, 33, 1079},
      {"96 DPI, low work area", 96, 1040, 0, 10, 23, 755},
      {"120 DPI", 120, 1400, 0, 7, 26, 23 + 26 * 30 + 30 + 4 + 31},
      {"moved to a 192 DPI monitor", 96, 1400, 192, 5, 16, 23 + 16 * 30 + 30 * 1 + 3 + 31},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    W.F.Screen.Dpi = Case.SystemDpi;
    W.F.Screen.Monitors = {{{0, 0, 1920, Case.WorkHeight}, {0, 0, 1920, Case.WorkHeight}}};
    W.Start();
    if (Case.ChangedDpi) W.Frm->WMDPIChanged(Case.ChangedDpi);
    EXPECT_EQ(W.F.Popup.FontSize, Case.Font);
    EXPECT_EQ(W.F.Popup.DefaultRowHeight, Case.RowHeight);
    EXPECT_EQ(W.F.Popup.Height, Case.Height);
    EXPECT_EQ(W.F.Popup.Width, 240);
    EXPECT_EQ(W.F.Popup.ColWidths[0], 30);
    EXPECT_EQ(W.F.Popup.ColWidths[1], 240 - 2 * TFakePopupView::BorderWidth - 30 - 2);
  }
}

TEST(TLayout, MarksColumnIsAnEighthOfTheWidthButAtLeast24) {
  for (const auto& [Width, Marks] : std::vector<std::pair<int, int>>{{100, 24}, {240, 30}, {2000, 250}}) {
    TScenarioWorld W;
    WriteFileBytes(IniFilePath(), "[Setting]\r\nVellomarchWidth=" + std::to_string(Width) + "\r\n");
    W.Start();
    EXPECT_EQ(W.F.Popup.ColWidths[0], Marks) << Width;
  }
}

} // namespace
} // namespace vm::test

namespace vm::test {
namespace {

// The history file that an earlier run left after recording "precious".
std::string HistoryFileOfAnEarlierRun() {
  TScenarioWorld First;
  First.Start();
  First.CopyText(u"precious");
  First.Quit();
  return ReadFileBytes(First.Frm->DataFilePath());
}

// The error is shown, and the program still starts whole on the defaults: its history, hotkeys
// and icon, so that it can be reached, used and ended. The unreadable file stays as it is.
TEST(TStartUpFailure, AnUnreadableSettingsFileIsShownAndTheProgramRunsOnTheDefaults) {
  const std::string Before = HistoryFileOfAnEarlierRun();
  ASSERT_FALSE(Before.empty());
  TScenarioWorld W;
  // The earlier run's data folder is gone with its world; make this one's history file the same.
  WriteFileBytes(BaseDir() + u"VellomarchData.dat", Before);
  std::filesystem::create_directories(FsPath(IniFilePath())); // exists but cannot be opened as a file
  W.Start();
  ASSERT_EQ(W.F.MessageBoxes.Errors.size(), 1u);
  EXPECT_TRUE(W.F.MessageBoxes.Errors[0].starts_with(u"Cannot open file \"" + IniFilePath() + u"\""))
      << Utf16ToUtf8(W.F.MessageBoxes.Errors[0]);
  EXPECT_EQ(W.HistoryTexts(), std::vector<std::u16string>{u"precious"});
  EXPECT_EQ(W.Frm->History().MaxItems(), 30);
  EXPECT_EQ(W.F.Hotkeys.Registered.size(), 2u);
  EXPECT_TRUE(W.F.TrayIcon.Present);

  W.CopyText(u"after the unreadable settings");
  W.Frm->WMHotKey(W.Frm->HotKeyIDShow());
  EXPECT_TRUE(W.F.Popup.Visible);
  EXPECT_EQ(W.F.Popup.Rows, 2);
  W.Frm->WMHotKey(W.Frm->HotKeyIDQuit());
  W.Quit();

  EXPECT_TRUE(std::filesystem::is_directory(FsPath(IniFilePath())));
  EXPECT_TRUE(W.LogLines().empty());
  const std::string Saved = ReadFileBytes(W.Frm->DataFilePath());
  TScenarioWorld Reader;
  WriteFileBytes(BaseDir() + u"VellomarchData.dat", Saved);
  Reader.Start();
  EXPECT_EQ(Reader.HistoryTexts(), (std::vector<std::u16string>{u"after the unreadable settings", u"precious"}));
}

// A history file whose key this session cannot have (on Linux: kept in a keyring that is
// absent or locked) is not damaged: it is neither read, nor copied aside, nor replaced by any
// save of this run, whatever the user does. The program runs on an empty list all the same, and
// a later run that has the key opens the file as it was.
TEST(TStartUpFailure, AHistoryWhoseKeyCannotBeHadIsNeitherReadNorReplaced) {
  const std::string Before = HistoryFileOfAnEarlierRun();
  TScenarioWorld W;
  WriteFileBytes(BaseDir() + u"VellomarchData.dat", Before);
  auto& Protection = static_cast<TFakeDataProtection&>(*W.F.DataProtection);
  Protection.KeyUnavailable = true;
  Protection.FailMessage = u"the keyring cannot be reached; start where it is unlocked";
  W.Start();
  EXPECT_EQ(W.Frm->History().Items().Count(), 0);
  EXPECT_TRUE(W.F.MessageBoxes.Errors.empty());
  EXPECT_EQ(W.F.Hotkeys.Registered.size(), 2u);
  EXPECT_TRUE(W.F.TrayIcon.Present);

  W.CopyText(u"while the key is away");
  EXPECT_EQ(W.HistoryTexts(), std::vector<std::u16string>{u"while the key is away"});
  W.Frm->WMHotKey(W.Frm->HotKeyIDShow());
  EXPECT_TRUE(W.F.Popup.Visible);
  W.Quit();

  EXPECT_EQ(ReadFileBytes(W.Frm->DataFilePath()), Before);
  EXPECT_FALSE(FileExists(W.Frm->DataFilePath() + u".broken"));
  EXPECT_EQ(Protection.ProtectCalls, 0);
  const std::vector<std::u16string> Lines = W.LogLines();
  ASSERT_FALSE(Lines.empty());
  EXPECT_EQ(Lines.front(),
            u"History load failed: CryptUnprotectData failed: the keyring cannot be reached; start where it is unlocked");
  // Every later line is a refused save: the copy, and the shut-down.
  EXPECT_EQ(Lines.size(), 3u);
  for (std::size_t I = 1; I < Lines.size(); ++I)
    EXPECT_EQ(Lines[I], u"History save failed: the history file was not read at start-up and is left as it is");

  const std::string After = ReadFileBytes(W.Frm->DataFilePath());
  TScenarioWorld Later;
  WriteFileBytes(BaseDir() + u"VellomarchData.dat", After);
  Later.Start();
  EXPECT_EQ(Later.HistoryTexts(), std::vector<std::u16string>{u"precious"});
}

// The default maximum is smaller than many users' own: without the settings the history keeps
// as many entries as it held, the least the user's own maximum allowed, instead of losing ten at
// the next copy.
TEST(TStartUpFailure, AnUnreadableSettingsFileKeepsTheLengthOfALongerHistory) {
  std::string Before;
  {
    TScenarioWorld First;
    First.Start();
    First.Frm->History().SetMaxItems(40);
    for (int I = 0; I < 40; ++I) First.CopyText(u"entry " + IntToStr(I));
    First.Quit();
    Before = ReadFileBytes(First.Frm->DataFilePath());
  }
  TScenarioWorld W;
  WriteFileBytes(BaseDir() + u"VellomarchData.dat", Before);
  std::filesystem::create_directories(FsPath(IniFilePath()));
  W.Start();
  ASSERT_EQ(W.Frm->History().Items().Count(), 40);
  W.CopyText(u"one more");
  EXPECT_EQ(W.Frm->History().Items().Count(), 40);
  EXPECT_EQ(W.HistoryTexts().front(), u"one more");
  EXPECT_EQ(W.HistoryTexts().back(), u"entry 1");
  W.Quit();
}

} // namespace
} // namespace vm::test

// ---- The legacy import at start-up ---------------------------------------------------

namespace vm::test {
namespace {

const std::u16string LegacyText = u"VellomarchData.txt";
const std::u16string LegacyImages = u"VellomarchImage.txt";

// The history document as it was stored, unprotected.
std::string StoredDocument(const TScenarioWorld& W) {
  const std::string Stored = ReadFileBytes(W.Frm->DataFilePath());
  const TBytes Plain = TFakeDataProtection::Reveal(TBytes(Stored.begin(), Stored.end()));
  return std::string(Plain.begin(), Plain.end());
}

bool LogHasLineStartingWith(const TScenarioWorld& W, std::u16string_view APrefix) {
  for (const auto& Line : W.LogLines())
    if (Line.starts_with(APrefix)) return true;
  return false;
}

struct TImportCase {
  const char* Name;
  const char* TextFile;  // nullptr: no such file
  const char* ImageFile; // nullptr: no such file
  std::vector<std::u16string> History;
  const char* Document;
};

TEST(TLegacyImportAtStartUp, WritesTheHistoryFileRightAwayAndRenamesTheOldFiles) {
  const TImportCase Cases[] = {
      {"texts only", "abc\nx\\ny\n", nullptr, {u"abc", u"x\r\ny"},
       R"([{"t":0,"x":"abc","i":"","p":false},{"t":0,"x":"x\r\ny","i":"","p":false}])"},
      {"images only", nullptr, "shot.png\r\n", {u"image:shot.png"},
       R"([{"t":1,"x":"","i":"shot.png","p":false}])"},
      {"both", "one\ntwo\n\xE6\x97\xA5\n", "\nshot.png\n", {u"one", u"image:shot.png", u"日"},
       R"([{"t":0,"x":"one","i":"","p":false},{"t":1,"x":"","i":"shot.png","p":false},)"
       R"({"t":0,"x":"\u65E5","i":"","p":false}])"},
  };
  for (const TImportCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    ForceDirectories(BaseDir());
    if (Case.TextFile) WriteFileBytes(BaseDir() + LegacyText, Case.TextFile);
    if (Case.ImageFile) WriteFileBytes(BaseDir() + LegacyImages, Case.ImageFile);
    W.Start();
    EXPECT_TRUE(W.F.MessageBoxes.Errors.empty());
    EXPECT_EQ(W.HistoryTexts(), Case.History);
    // Written by the start-up itself, not by a later save.
    ASSERT_TRUE(FileExists(W.Frm->DataFilePath()));
    EXPECT_EQ(StoredDocument(W), Case.Document);
    EXPECT_FALSE(LogHasLineStartingWith(W, u"History save failed"));
    for (const auto& [Name, Content] : {std::pair{LegacyText, Case.TextFile}, std::pair{LegacyImages, Case.ImageFile}}) {
      EXPECT_FALSE(FileExists(BaseDir() + Name));
      EXPECT_EQ(FileExists(BaseDir() + Name + u".bak"), Content != nullptr);
      if (Content) {
        EXPECT_EQ(ReadFileBytes(BaseDir() + Name + u".bak"), Content);
      }
    }
  }
}

TEST(TLegacyImportAtStartUp, AnImportThatFailsWritesNoHistoryFileSoTheNextStartTriesAgain) {
  TScenarioWorld W;
  ForceDirectories(BaseDir());
  const std::string OtherCodePage = "\x93\xFA\x96\x7B\n"; // 日本 in Shift-JIS
  WriteFileBytes(BaseDir() + LegacyText, OtherCodePage);
  WriteFileBytes(BaseDir() + LegacyImages, "shot.png\n");
  W.Start();
  ASSERT_EQ(W.F.MessageBoxes.Errors.size(), 1u);
  EXPECT_EQ(W.Frm->History().Items().Count(), 0);

  // Neither a capture nor the shut-down may write the history file: it would end the import.
  W.CopyText(u"during the failed run");
  W.Quit();
  EXPECT_FALSE(FileExists(W.Frm->DataFilePath()));
  EXPECT_EQ(ReadFileBytes(BaseDir() + LegacyText), OtherCodePage);
  EXPECT_TRUE(FileExists(BaseDir() + LegacyImages));
  EXPECT_FALSE(FileExists(BaseDir() + LegacyText + u".bak"));

  // The user converts the file; the next start imports it.
  WriteFileBytes(BaseDir() + LegacyText, "\xE6\x97\xA5\xE6\x9C\xAC\n");
  W.Start();
  EXPECT_EQ(W.HistoryTexts(), (std::vector<std::u16string>{u"image:shot.png"}));
  EXPECT_EQ(StoredDocument(W), R"([{"t":1,"x":"","i":"shot.png","p":false}])");
  EXPECT_TRUE(FileExists(BaseDir() + LegacyText + u".bak"));
  EXPECT_TRUE(FileExists(BaseDir() + LegacyImages + u".bak"));
}

TEST(TLegacyImportAtStartUp, AFailedSaveKeepsTheOldFilesUnderTheirNames) {
  TScenarioWorld W;
  ForceDirectories(BaseDir());
  WriteFileBytes(BaseDir() + LegacyText, "abc\n");
  auto& Protection = static_cast<TFakeDataProtection&>(*W.F.DataProtection);
  Protection.FailProtect = true;
  Protection.FailMessage = u"Key not valid for use in specified state";
  W.Start();
  EXPECT_EQ(W.HistoryTexts(), (std::vector<std::u16string>{u"abc"}));
  EXPECT_FALSE(FileExists(W.Frm->DataFilePath()));
  EXPECT_TRUE(FileExists(BaseDir() + LegacyText));
  EXPECT_TRUE(LogHasLineStartingWith(
      W, u"History save failed: CryptProtectData failed: Key not valid for use in specified state"));

  // The imported entries are this run's history: the next save that succeeds writes them.
  Protection.FailProtect = false;
  W.CopyText(u"new");
  EXPECT_EQ(StoredDocument(W), R"([{"t":0,"x":"new","i":"","p":false},{"t":0,"x":"abc","i":"","p":false}])");
}

} // namespace
} // namespace vm::test
