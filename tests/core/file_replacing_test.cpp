// The saves of the history file and the settings file: who may read what they leave, and what
// a failure on the way leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/history_persistence.h"
#include "app/settings.h"
#include "fakes/fake_data_protection.h"
#include "fakes/test_support.h"
#include "history/clip_history.h"
#include "history/file_access.h"
#include "support/data_folders.h"
#include "support/error.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace vm::test {
namespace {

namespace fs = std::filesystem;

struct TSavedFile {
  const char* Name;
  std::function<std::u16string()> Path;
  // Saves something new; raises what the save raises.
  std::function<void(int AGeneration)> Save;
  bool KeepsTheUsersMode;
};

TFakeDataProtection Protection;

void SaveHistoryOf(int AGeneration) {
  TClipHistory History(Protection);
  History.AddText(u"entry " + IntToStr(AGeneration));
  History.SaveToFile(DataFilePath());
}

void SaveSettingsOf(int AGeneration) {
  TSettings Settings;
  Settings.MaxItems = 10 + AGeneration;
  SaveSettings(Settings);
}

const TSavedFile SavedFiles[] = {
    {"history file", [] { return DataFilePath(); }, SaveHistoryOf, false},
    {"settings file", [] { return IniFilePath(); }, SaveSettingsOf, true},
};

#ifndef _WIN32

constexpr fs::perms Mode(unsigned AMode) { return static_cast<fs::perms>(AMode); }

fs::perms ModeOf(const std::u16string& AFile) { return fs::status(FsPath(AFile)).permissions() & fs::perms::mask; }

std::string Content(std::istream& AIn) { return std::string(std::istreambuf_iterator<char>(AIn), {}); }

// Whatever the umask would let through, a new file is its owner's only.
TEST(FileReplacing, ANewFileIsForItsOwnerOnly) {
  const mode_t PreviousMask = ::umask(0);
  for (const TSavedFile& File : SavedFiles) {
    SCOPED_TRACE(File.Name);
    TTempDataFolder Folder;
    File.Save(1);
    EXPECT_EQ(ModeOf(File.Path()), Mode(0600));
  }
  ::umask(PreviousMask);
}

TEST(FileReplacing, TheSettingsKeepTheModeTheUserGaveThemAndTheHistoryStaysPrivate) {
  for (const TSavedFile& File : SavedFiles) {
    for (const unsigned UserMode : {0600u, 0640u, 0644u, 0400u}) {
      SCOPED_TRACE(std::string(File.Name) + " mode " + std::to_string(UserMode));
      TTempDataFolder Folder;
      File.Save(1);
      fs::permissions(FsPath(File.Path()), Mode(UserMode), fs::perm_options::replace);
      File.Save(2);
      EXPECT_EQ(ModeOf(File.Path()), File.KeepsTheUsersMode ? Mode(UserMode) : Mode(0600));
    }
  }
}

// A reader that had the old file open goes on reading the old content: the new content came
// under the name by a rename, not by rewriting the old file in place.
TEST(FileReplacing, TheNewContentTakesTheNameByARename) {
  for (const TSavedFile& File : SavedFiles) {
    SCOPED_TRACE(File.Name);
    TTempDataFolder Folder;
    File.Save(1);
    const std::string Old = ReadFileBytes(File.Path());
    std::ifstream Reader(FsPath(File.Path()), std::ios::binary);
    File.Save(2);
    EXPECT_EQ(Content(Reader), Old);
    EXPECT_NE(ReadFileBytes(File.Path()), Old);
    EXPECT_FALSE(fs::exists(FsPath(File.Path() + u".tmp")));
  }
}

// The disk refusing the data half-way (here a file size limit; a full disk or a failing flush
// ends the same way) leaves the old file whole and no temporary file behind.
TEST(FileReplacing, ADiskThatRefusesTheDataLeavesTheOldFileWhole) {
  for (const TSavedFile& File : SavedFiles) {
    SCOPED_TRACE(File.Name);
    TTempDataFolder Folder;
    File.Save(1);
    const std::string Old = ReadFileBytes(File.Path());

    const auto PreviousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit PreviousLimit{};
    ::getrlimit(RLIMIT_FSIZE, &PreviousLimit);
    rlimit Limit = PreviousLimit;
    Limit.rlim_cur = 4;
    ::setrlimit(RLIMIT_FSIZE, &Limit);
    std::u16string Message;
    try {
      File.Save(2);
    } catch (const TError& E) {
      Message = E.Message();
    }
    ::setrlimit(RLIMIT_FSIZE, &PreviousLimit);
    std::signal(SIGXFSZ, PreviousSignal);

    EXPECT_TRUE(Message.starts_with(u"Cannot write file \"" + File.Path() + u".tmp\": ")) << Utf16ToUtf8(Message);
    EXPECT_EQ(ReadFileBytes(File.Path()), Old);
    EXPECT_FALSE(fs::exists(FsPath(File.Path() + u".tmp")));
  }
}

#else

// Windows refuses to replace a file that another program holds open (an editor, a virus
// scanner): the save fails, and the old file and nothing else is left.
TEST(FileReplacing, AFileHeldOpenElsewhereKeepsItsContent) {
  for (const TSavedFile& File : SavedFiles) {
    SCOPED_TRACE(File.Name);
    TTempDataFolder Folder;
    File.Save(1);
    const std::string Old = ReadFileBytes(File.Path());
    std::u16string Message;
    {
      std::ifstream Holder(FsPath(File.Path()), std::ios::binary);
      ASSERT_TRUE(Holder);
      try {
        File.Save(2);
      } catch (const TError& E) {
        Message = E.Message();
      }
    }
    EXPECT_TRUE(Message.starts_with(u"Cannot replace file \"" + File.Path() + u"\": ")) << Utf16ToUtf8(Message);
    EXPECT_EQ(ReadFileBytes(File.Path()), Old);
    EXPECT_FALSE(fs::exists(FsPath(File.Path() + u".tmp")));
    File.Save(3); // once it is closed, saving works again
    EXPECT_NE(ReadFileBytes(File.Path()), Old);
  }
}

#endif

} // namespace
} // namespace vm::test
