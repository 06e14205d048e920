#include "support/log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/fake_clock.h"
#include "fakes/test_support.h"
#include "support/data_folders.h"
#include "support/text.h"

namespace vm {
namespace {

namespace fs = std::filesystem;

class WriteLogTest : public ::testing::Test {
protected:
  void SetUp() override { SetLogClock(&FClock); }
  void TearDown() override { SetLogClock(nullptr); }

  std::u16string LogFile(const std::u16string& ADate) const { return LogDir() + ADate + u"_Vellomarch.log"; }

  test::TTempDataFolder FTemp;
  test::TFakeClock FClock; // 2024/05/01 09:05:07.042
};

TEST_F(WriteLogTest, WritesOneTimeStampedLineToTheDaysFile) {
  WriteLog(u"History save failed: disk full");
  EXPECT_EQ(test::ReadFileBytes(LogFile(u"20240501")), "2024/05/01 09:05:07:042  History save failed: disk full\r\n");
  EXPECT_TRUE(FClock.Sleeps.empty());
}

TEST_F(WriteLogTest, AppendsAsUtf8WithoutAByteOrderMark) {
  WriteLog(u"first");
  FClock.Time.Millisecond = 999;
  WriteLog(u"二番目 📌");
  EXPECT_EQ(test::ReadFileBytes(LogFile(u"20240501")),
            "2024/05/01 09:05:07:042  first\r\n"
            "2024/05/01 09:05:07:999  \xE4\xBA\x8C\xE7\x95\xAA\xE7\x9B\xAE \xF0\x9F\x93\x8C\r\n");
}

TEST_F(WriteLogTest, LineAfterMidnightGoesToTheNewDaysFile) {
  FClock.Time = {2024, 12, 31, 23, 59, 59, 999, 2};
  WriteLog(u"old year");
  FClock.Time = {2025, 1, 1, 0, 0, 0, 0, 3};
  WriteLog(u"new year");
  EXPECT_EQ(test::ReadFileBytes(LogFile(u"20241231")), "2024/12/31 23:59:59:999  old year\r\n");
  EXPECT_EQ(test::ReadFileBytes(LogFile(u"20250101")), "2025/01/01 00:00:00:000  new year\r\n");
}

TEST_F(WriteLogTest, LineBreaksInsideTheMessageAreWrittenUnchanged) {
  WriteLog(u"Capture error: first\r\nsecond\nthird");
  EXPECT_EQ(test::ReadFileBytes(LogFile(u"20240501")),
            "2024/05/01 09:05:07:042  Capture error: first\r\nsecond\nthird\r\n");
}

TEST_F(WriteLogTest, ExistingFileWithAByteOrderMarkIsAppendedToUnchanged) {
  const std::string Existing = "\xEF\xBB\xBF" "2024/05/01 08:00:00:000  earlier\r\n";
  test::WriteFileBytes(LogFile(u"20240501"), Existing);
  WriteLog(u"later");
  EXPECT_EQ(test::ReadFileBytes(LogFile(u"20240501")), Existing + "2024/05/01 09:05:07:042  later\r\n");
}

TEST_F(WriteLogTest, CreatesTheMissingDataAndLogFolders) {
  ASSERT_FALSE(fs::exists(FsPath(BaseDir())));
  WriteLog(u"x");
  EXPECT_TRUE(FileExists(LogFile(u"20240501")));
}

TEST_F(WriteLogTest, GivesUpSilentlyAfterThreeAttempts200msApart) {
  // A file where the Log folder should be: the folder can never be made. (The tests run as
  // root, which no permission bit stops.)
  test::WriteFileBytes(BaseDir() + u"Log", "in the way");
  EXPECT_NO_THROW(WriteLog(u"lost"));
  EXPECT_EQ(FClock.Sleeps, (std::vector<int>{200, 200, 200}));
  EXPECT_EQ(test::ReadFileBytes(BaseDir() + u"Log"), "in the way");
}

TEST_F(WriteLogTest, LogFileThatIsAFolderIsGivenUpOnToo) {
  ForceDirectories(LogFile(u"20240501"));
  EXPECT_NO_THROW(WriteLog(u"lost"));
  EXPECT_EQ(FClock.Sleeps, (std::vector<int>{200, 200, 200}));
}

} // namespace
} // namespace vm
