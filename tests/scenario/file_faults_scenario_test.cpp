// The data folder failing under the running program: read-only, full, a log folder that takes no
// line, a folder where the history file should be. Each failure is logged as the operation's own
// line, the program goes on (a later copy is recorded, the popup opens), the history in memory
// keeps every entry and the file on disk stays as the last good save left it.
#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/private_mounts.h"
#include "app/history_persistence.h"
#include "fakes/scenario_fixture.h"
#include "support/data_folders.h"

namespace vm::test {
namespace {

namespace fs = std::filesystem;

std::u16string Label(const TClipItem& AItem) {
  return AItem.ItemType == TClipItemType::citImage ? u"image:" + AItem.ImageFile : AItem.Text;
}

// Every name below the data folder that a save or capture left half-done.
std::vector<std::string> TemporaryFiles() {
  std::vector<std::string> Found;
  for (const auto& Entry : fs::recursive_directory_iterator(FsPath(BaseDir())))
    if (Entry.path().extension() == ".tmp") Found.push_back(Entry.path().string());
  return Found;
}

class TFileFaults : public TScenario {
protected:

  // What a fresh start would read from the history file.
  std::vector<std::u16string> StoredHistory() const {
    TClipHistory Stored(*F.DataProtection);
    Stored.LoadFromFile(Frm->DataFilePath());
    std::vector<std::u16string> Labels;
    for (int I = 0; I < Stored.Items().Count(); ++I) Labels.push_back(Label(Stored.Items()[I]));
    return Labels;
  }
  std::u16string ImageLabel(int AIndex) const { return u"image:" + Frm->History().Items()[AIndex].ImageFile; }

  void ExpectPopupOpensWith(int ARows) {
    Frm->WMHotKey(Frm->HotKeyIDShow());
    EXPECT_TRUE(F.Popup.Visible);
    EXPECT_EQ(F.Popup.Rows, ARows);
    Frm->HidePopup();
  }
  std::string HistoryBytes() const { return ReadFileBytes(Frm->DataFilePath()); }
};

// Root writes through any file mode: these faults need mounts of the test's own.
class TMountedFileFaults : public TFileFaults {
protected:
  void SetUp() override {
    if (const std::string Reason = TPrivateMounts::Enter(); !Reason.empty()) GTEST_SKIP() << Reason;
  }
  TPrivateMounts Mounts;
};

const TImage Red = TFakeImaging::SolidImage(4, 4, 0xFFFF0000);
const TImage Blue = TFakeImaging::SolidImage(4, 4, 0xFF0000FF);

TEST_F(TMountedFileFaults, AReadOnlyDataFolderFailsEachSaveAndImageButKeepsEveryEntry) {
  Start();
  CopyText(u"before");
  CopyPng(Red);
  const std::u16string RedLabel = ImageLabel(0);
  const std::string Saved = HistoryBytes();
  // The log stays writable here, beside the read-only folder, to show the lines it gets.
  const fs::path WritableLog = Folder.Root() / "log elsewhere";
  fs::create_directories(WritableLog);
  ForceDirectories(LogDir());
  Mounts.ReadOnly(FsPath(BaseDir()));
  Mounts.Bind(WritableLog, FsPath(LogDir()));

  CopyText(u"during");
  CopyPng(Blue);
  EXPECT_EQ(HistoryTexts(), (std::vector<std::u16string>{u"during", RedLabel, u"before"}));
  const std::u16string Tmp = Frm->DataFilePath() + u".tmp";
  ASSERT_EQ(LogLines().size(), 2u);
  EXPECT_EQ(LogLines()[0], u"History save failed: Cannot create file \"" + Tmp + u"\": Read-only file system");
  EXPECT_TRUE(LogLines()[1].starts_with(u"Capture error: Cannot create file \"" + ImagesDir()))
      << Utf16ToUtf8(LogLines()[1]);
  EXPECT_TRUE(LogLines()[1].ends_with(u".png.tmp\": Read-only file system")) << Utf16ToUtf8(LogLines()[1]);
  EXPECT_EQ(HistoryBytes(), Saved);
  ExpectPopupOpensWith(3);

  Mounts.Unmount(FsPath(LogDir()));
  Mounts.Unmount(FsPath(BaseDir()));
  CopyText(u"after");
  EXPECT_EQ(StoredHistory(), (std::vector<std::u16string>{u"after", u"during", RedLabel, u"before"}));
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(TMountedFileFaults, AFullDiskFailsTheSaveAndLeavesTheOldFileWhole) {
  ForceDirectories(BaseDir());
  Mounts.SmallDisk(FsPath(BaseDir()), 256 * 1024);
  Start();
  CopyText(u"small");
  const std::string Saved = HistoryBytes();
  // Room for a log line, not for the history with a long text in it.
  FillDiskLeaving(FsPath(BaseDir()), 8192);

  const std::u16string Long(40000, u'x');
  CopyText(Long);
  EXPECT_EQ(HistoryTexts(), (std::vector<std::u16string>{Long, u"small"}));
  EXPECT_EQ(LogLines(), std::vector<std::u16string>{u"History save failed: Cannot write file \"" + Frm->DataFilePath() +
                                                    u".tmp\": No space left on device"});
  EXPECT_EQ(HistoryBytes(), Saved);
  EXPECT_TRUE(TemporaryFiles().empty());
  ExpectPopupOpensWith(2);

  fs::remove(FsPath(BaseDir()) / "filler");
  CopyText(u"room again");
  EXPECT_EQ(StoredHistory(), (std::vector<std::u16string>{u"room again", Long, u"small"}));
}

// A log that takes no line costs each failure its three attempts and nothing else.
TEST_F(TMountedFileFaults, ALogFolderThatTakesNoLineStopsNothing) {
  Start();
  CopyText(u"one");
  ForceDirectories(LogDir());
  Mounts.ReadOnly(FsPath(LogDir()));
  fs::remove(FsPath(Frm->DataFilePath()));
  fs::create_directories(FsPath(Frm->DataFilePath()));
  F.Clock.Sleeps.clear();

  CopyText(u"two");
  EXPECT_EQ(HistoryTexts(), (std::vector<std::u16string>{u"two", u"one"}));
  // The capture's wait before reading, then the log's three attempts 200 ms apart.
  EXPECT_EQ(F.Clock.Sleeps, (std::vector<int>{30, 200, 200, 200}));
  EXPECT_TRUE(fs::is_empty(FsPath(LogDir())));
  ExpectPopupOpensWith(2);

  fs::remove(FsPath(Frm->DataFilePath()));
  CopyText(u"three");
  EXPECT_EQ(StoredHistory(), (std::vector<std::u16string>{u"three", u"two", u"one"}));
}

// Another program (or a mistaken command) puts a folder where the history file is: the saves
// fail, the folder is left alone, and the first save after it is gone writes everything.
TEST_F(TFileFaults, AFolderInPlaceOfTheHistoryFileFailsTheSavesUntilItIsGone) {
  Start();
  CopyText(u"one");
  fs::remove(FsPath(Frm->DataFilePath()));
  fs::create_directories(FsPath(Frm->DataFilePath()));

  CopyText(u"two");
  EXPECT_EQ(HistoryTexts(), (std::vector<std::u16string>{u"two", u"one"}));
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_TRUE(LogLines()[0].starts_with(u"History save failed: Cannot replace file \"" + Frm->DataFilePath() + u"\": "))
      << Utf16ToUtf8(LogLines()[0]);
  EXPECT_TRUE(fs::is_directory(FsPath(Frm->DataFilePath())));
  EXPECT_TRUE(TemporaryFiles().empty());
  ExpectPopupOpensWith(2);

  fs::remove(FsPath(Frm->DataFilePath()));
  CopyText(u"three");
  EXPECT_EQ(StoredHistory(), (std::vector<std::u16string>{u"three", u"two", u"one"}));
}

// At start-up the folder is no history file: the history starts empty, nothing is logged, and
// the shut-down's save fails without touching the folder.
TEST_F(TFileFaults, AFolderInPlaceOfTheHistoryFileAtStartUpIsLeftAlone) {
  fs::create_directories(FsPath(DataFilePath()) / "kept");
  Start();
  EXPECT_TRUE(HistoryTexts().empty());
  EXPECT_TRUE(LogLines().empty());
  CopyText(u"recorded");
  Quit();
  EXPECT_TRUE(fs::is_directory(FsPath(DataFilePath()) / "kept"));
  EXPECT_EQ(LogLines().size(), 2u); // the capture's save and the shut-down's
  EXPECT_TRUE(TemporaryFiles().empty());
}

} // namespace
} // namespace vm::test
