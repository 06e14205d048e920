// The real program under faults of its data folder and of the clipboard, and what it keeps
// private. File-system faults are made in a mount namespace of the test's own (root writes through
// any file mode): a read-only bind mount, a small tmpfs.
#include <sys/stat.h>

#include <algorithm>

#include "e2e_fixture.h"
#include "fakes/private_mounts.h"

namespace vm::e2e {
namespace {

using test::FillDiskLeaving;
using test::TPrivateMounts;

unsigned ModeOf(const fs::path& APath) {
  struct stat Info {};
  return ::stat(APath.c_str(), &Info) == 0 ? Info.st_mode & 07777 : 0;
}

// The names of every file under AFolder whose name ends with ASuffix.
std::vector<std::string> FilesEndingWith(const fs::path& AFolder, const std::string& ASuffix) {
  std::vector<std::string> Found;
  std::error_code Ec;
  for (auto It = fs::recursive_directory_iterator(AFolder, Ec); !Ec && It != fs::recursive_directory_iterator();
       It.increment(Ec))
    if (It->path().filename().string().ends_with(ASuffix)) Found.push_back(It->path().string());
  return Found;
}

class TFaultsE2E : public TE2ETest {
protected:
  // The program's log lines, time stamps left out, less the start-up's line about where the
  // history key is kept (this desktop has no keyring): what is left is the faults' own.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> Lines = TE2ETest::LogLines();
    std::erase_if(Lines, [](const std::string& L) { return L.starts_with("History key kept in the key file "); });
    return Lines;
  }
  fs::path HistoryFile() const { return DataFolder() / "VellomarchData.dat"; }

  // The program is still there for the user: the popup opens on Alt+C (before any other program
  // changes the clipboard), and a copy is recorded.
  void ExpectTheProgramCarriesOn(const std::string& ACopy) {
    ASSERT_TRUE(Program().Running()) << "the program ended";
    EXPECT_NE(ShowPopupByHotkey(), 0u);
    Key("Escape");
    EXPECT_TRUE(WaitPopupHidden(10000ms));
    const auto H = CopyTextAndWait(ACopy);
    EXPECT_EQ(H.front(), TextEntry(ACopy));
  }
};

class TMountedFaultsE2E : public TFaultsE2E {
protected:
  void SetUp() override {
    if (const std::string Reason = TPrivateMounts::Enter(); !Reason.empty()) GTEST_SKIP() << Reason;
    TFaultsE2E::SetUp();
  }
  void TearDown() override {
    TFaultsE2E::TearDown();
    Mounts.reset();
  }
  std::unique_ptr<TPrivateMounts> Mounts = std::make_unique<TPrivateMounts>();
};

TEST_F(TMountedFaultsE2E, AReadOnlyDataFolderFailsTheSaveAndKeepsTheFileAndTheEntries) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  CopyTextAndWait("saved before");
  const std::string Saved = ReadFile(HistoryFile());
  // The log is kept writable beside the read-only folder, to show the line the failure gets.
  const fs::path WritableLog = Root() / "log elsewhere";
  fs::create_directories(WritableLog);
  fs::create_directories(DataFolder() / "Log");
  Mounts->ReadOnly(DataFolder());
  Mounts->Bind(WritableLog, DataFolder() / "Log");

  CopyText("copied while read-only");
  EXPECT_TRUE(WaitForLogLine("History save failed: Cannot create file \"" + HistoryFile().string() +
                             ".tmp\": Read-only file system"))
      << "no save failure logged";
  EXPECT_EQ(ReadFile(HistoryFile()), Saved);
  EXPECT_NE(ShowPopupByHotkey(), 0u);
  Key("Escape");
  EXPECT_TRUE(WaitPopupHidden());

  Mounts->Unmount(DataFolder() / "Log");
  Mounts->Unmount(DataFolder());
  const auto H = CopyTextAndWait("writable again");
  EXPECT_EQ(H, (std::vector<TEntry>{TextEntry("writable again"), TextEntry("copied while read-only"),
                                    TextEntry("saved before")}));
  EXPECT_TRUE(FilesEndingWith(DataFolder(), ".tmp").empty());
}

TEST_F(TMountedFaultsE2E, AFullDiskFailsTheSaveAndLeavesTheOldFileWhole) {
  fs::create_directories(DataFolder());
  Mounts->SmallDisk(DataFolder(), 512 * 1024);
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  CopyTextAndWait("small");
  const std::string Saved = ReadFile(HistoryFile());
  // Room left for a log line, not for the history with a long text in it.
  FillDiskLeaving(DataFolder(), 8192);

  const std::string Long(40000, 'x');
  CopyText(Long);
  EXPECT_TRUE(WaitForLogLine("History save failed: Cannot write file \"" + HistoryFile().string() +
                             ".tmp\": No space left on device"))
      << "no save failure logged";
  EXPECT_EQ(ReadFile(HistoryFile()), Saved);
  EXPECT_TRUE(FilesEndingWith(DataFolder(), ".tmp").empty());

  fs::remove(DataFolder() / "filler");
  const auto H = CopyTextAndWait("room again");
  EXPECT_EQ(H, (std::vector<TEntry>{TextEntry("room again"), TextEntry(Long), TextEntry("small")}));
}

TEST_F(TMountedFaultsE2E, ALogFolderThatTakesNoLineStopsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  fs::create_directories(DataFolder() / "Log");
  Mounts->ReadOnly(DataFolder() / "Log");
  // A picture that cannot be pasted: a failure whose line the log cannot take.
  const fs::path Png = Root() / "picture.png";
  WriteFile(Png, MakePng(8, 8, 0x00FF00, 0x00FF00));
  CopyWithTarget("image/png", ReadFile(Png));
  WaitForHistory([](const auto& AH) { return !AH.empty() && AH.front().Type == 1; });
  fs::remove_all(DataFolder() / "Images");
  ShowPopupByHotkey();
  Key("Return");
  Key("Escape");
  EXPECT_TRUE(WaitPopupHidden(10000ms));
  ExpectTheProgramCarriesOn("after the lost log line");
  EXPECT_EQ(LogLines(), std::vector<std::string>{});
}

TEST_F(TFaultsE2E, AFolderInPlaceOfTheHistoryFileFailsTheSavesUntilItIsGone) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  CopyTextAndWait("one");
  fs::remove(HistoryFile());
  fs::create_directories(HistoryFile());
  CopyText("two");
  EXPECT_TRUE(WaitForLogLine("History save failed: Cannot replace file \"" + HistoryFile().string() +
                             "\": Is a directory"));
  EXPECT_TRUE(fs::is_directory(HistoryFile()));
  fs::remove(HistoryFile());
  const auto H = CopyTextAndWait("three");
  EXPECT_EQ(H, (std::vector<TEntry>{TextEntry("three"), TextEntry("two"), TextEntry("one")}));
}

// The pictures of an image entry deleted behind the program's back: the list still opens (without
// the thumbnail), pasting the entry logs "Paste failed: " and leaves the popup open.
TEST_F(TFaultsE2E, AnImageWhoseFilesVanishedFailsItsPasteAndNothingElse) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const fs::path Png = Root() / "picture.png";
  WriteFile(Png, MakePng(8, 8, 0xFF0000, 0x0000FF));
  const std::string Name = Md5Hex(Png) + ".png";
  CopyWithTarget("image/png", ReadFile(Png));
  WaitForHistory([](const auto& AH) { return !AH.empty() && AH.front().Type == 1; });
  fs::remove_all(DataFolder() / "Images");
  fs::remove_all(DataFolder() / "ResizeImages");

  ASSERT_NE(ShowPopupByHotkey(), 0u);
  Key("Return");
  EXPECT_TRUE(WaitForLogLine("Paste failed: Cannot open file \"" + (DataFolder() / "Images" / Name).string() +
                             "\": No such file or directory"));
  EXPECT_FALSE(VisibleWindows(PopupTitle).empty()) << "a failed paste hid the popup";
  Key("Escape");
  EXPECT_TRUE(WaitPopupHidden());
  ExpectTheProgramCarriesOn("after the vanished picture");
}

// A hung clipboard owner: it takes CLIPBOARD and never answers, or answers only which targets it
// has and then never delivers the text. The capture waits for it once (Qt's five seconds), asks
// it nothing more, and the next owner's copy is recorded.
struct TSilentCase {
  const char* Name;
  bool AnswersTargets;
  std::vector<std::string> Log; // what the capture of the hung owner's content logs
};

void PrintTo(const TSilentCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class TSilentOwnerE2E : public TFaultsE2E, public ::testing::WithParamInterface<TSilentCase> {
protected:
  void TearDown() override {
    FOwner.Stop();
    TFaultsE2E::TearDown();
  }
  TChild FOwner;
};

TEST_P(TSilentOwnerE2E, TheCaptureGivesUpAndTheNextCopyIsRecorded) {
  const TSilentCase& Case = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  std::vector<std::string> Argv{VELLOMARCH_E2E_SILENT_OWNER};
  if (Case.AnswersTargets) Argv.push_back("--answer-targets");
  FOwner = TChild::Start(Argv, Root() / "silent_owner.log");
  ASSERT_TRUE(WaitUntil([&] { return ReadFile(Root() / "silent_owner.log").find("owner") != std::string::npos; },
                        5000ms));
  if (!Case.Log.empty()) {
    EXPECT_TRUE(WaitForLogLine(Case.Log.back(), 20000ms));
  }
  ExpectTheProgramCarriesOn("after the hung owner");
  EXPECT_EQ(LogLines(), Case.Log);
}

INSTANTIATE_TEST_SUITE_P(
    Owners, TSilentOwnerE2E,
    ::testing::Values(TSilentCase{"NeverAnswers", false, {}},
                      TSilentCase{"AnswersOnlyTargets",
                                  true,
                                  {"Clipboard text read failed (attempt 1)", "Clipboard text read failed (attempt 2)",
                                   "Clipboard text read failed (attempt 3)"}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- Privacy ---------------------------------------------------------------------------------

using TPrivacyE2E = TFaultsE2E;

TEST_F(TPrivacyE2E, TheHistoryTheKeyTheImagesAndTheirFoldersAreTheOwnersOnly) {
  ::umask(022);
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const fs::path Png = Root() / "picture.png";
  WriteFile(Png, MakePng(8, 8, 0xFF0000, 0x0000FF));
  CopyWithTarget("image/png", ReadFile(Png));
  WaitForHistory([](const auto& AH) { return !AH.empty(); });
  const fs::path KeyFolder = Root() / "user" / "config" / "vellomarch";
  const std::pair<fs::path, unsigned> Expected[] = {
      {DataFolder(), 0700},
      {HistoryFile(), 0600},
      {KeyFolder, 0700},
      {KeyFolder / "VellomarchHistory.key", 0600},
      {DataFolder() / "Images", 0700},
      {DataFolder() / "Images" / (Md5Hex(Png) + ".png"), 0600},
      {DataFolder() / "ResizeImages", 0700},
  };
  for (const auto& [Path, Mode] : Expected) EXPECT_EQ(ModeOf(Path), Mode) << Path;
}

// A history file that the user's key does not open (written under another key, or damaged) is
// copied aside as ".broken" before anything replaces it, and the program starts empty.
TEST_F(TPrivacyE2E, AHistoryUnderAnotherKeyIsKeptAsBrokenAndNotOpened) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  CopyTextAndWait("under the first key");
  Key("ctrl+alt+q");
  ASSERT_TRUE(Program().WaitExit(15000ms).has_value()) << "Ctrl+Alt+Q did not end the program";
  const std::string FirstKeyFile = ReadFile(HistoryFile());
  // Another key in the user's key folder: 32 other bytes.
  const fs::path KeyFile = Root() / "user" / "config" / "vellomarch" / "VellomarchHistory.key";
  std::string Key = ReadFile(KeyFile);
  ASSERT_EQ(Key.size(), 32u);
  for (char& C : Key) C = static_cast<char>(C ^ 0x5A);
  WriteFile(KeyFile, Key);

  ASSERT_NO_FATAL_FAILURE(StartProgram());
  EXPECT_TRUE(WaitForLogLine("History load failed: CryptUnprotectData failed: "));
  EXPECT_EQ(ReadFile(DataFolder() / "VellomarchData.dat.broken"), FirstKeyFile);
  const auto H = CopyTextAndWait("under the second key");
  EXPECT_EQ(H, std::vector<TEntry>{TextEntry("under the second key")});
  EXPECT_EQ(ReadFile(DataFolder() / "VellomarchData.dat.broken"), FirstKeyFile);
  EXPECT_EQ(ModeOf(DataFolder() / "VellomarchData.dat.broken"), 0600u);
}

// What a password manager marks as secret is read by nobody: no entry, no picture or thumbnail
// file, no log line holds it.
TEST_F(TPrivacyE2E, MarkedTextAndImageReachNeitherHistoryNorFoldersNorLog) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const std::string Secret = "hunter2-パスワード";
  CopyFormats({{"text/plain", Secret}, {"x-kde-passwordManagerHint", "secret"}});
  const fs::path Png = Root() / "secret.png";
  WriteFile(Png, MakePng(8, 8, 0x123456, 0x654321));
  CopyFormats({{"image/png", "@" + Png.string()}, {"x-kde-passwordManagerHint", "secret"}});

  const auto H = CopyTextAndWait("not secret");
  EXPECT_EQ(H, std::vector<TEntry>{TextEntry("not secret")});
  EXPECT_TRUE(FilesEndingWith(DataFolder() / "Images", "").empty());
  EXPECT_TRUE(FilesEndingWith(DataFolder() / "ResizeImages", "").empty());
  for (const std::string& Line : LogLines()) {
    EXPECT_EQ(Line.find("hunter2"), std::string::npos) << Line;
  }
}

} // namespace
} // namespace vm::e2e
