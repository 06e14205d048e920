#include <gtest/gtest.h>

#include <optional>

#include "app/history_persistence.h"
#include "history/legacy_import.h"
#include "history_test_support.h"
#include "support/error.h"

namespace vm::test {
namespace {

class LegacyImport : public THistoryTest {
protected:
  static std::u16string TextFile() { return BaseDir() + u"VellomarchData.txt"; }
  static std::u16string ImageListFile() { return BaseDir() + u"VellomarchImage.txt"; }
  static std::u16string Backup(const std::u16string& AFile) { return AFile + u".bak"; }

  void WriteLegacy(const std::optional<std::string>& AText, const std::optional<std::string>& AImages) {
    if (AText) WriteFileBytes(TextFile(), *AText);
    if (AImages) WriteFileBytes(ImageListFile(), *AImages);
  }

  // The start-up as the main window runs it, with the real save.
  void Start(TClipHistory& AHistory) {
    LoadOrImportHistory(AHistory, [&] {
      ++Saves;
      return SaveHistory(AHistory);
    });
  }

  int Saves = 0;
};

// ---- Reading the two files -----------------------------------------------------------

struct TMigrateCase {
  const char* Name;
  std::optional<std::string> Text;
  std::optional<std::string> Images;
  std::string Expected;
};

std::ostream& operator<<(std::ostream& AOut, const TMigrateCase& ACase) { return AOut << ACase.Name; }

class MigrateCases : public LegacyImport, public ::testing::WithParamInterface<TMigrateCase> {};

TEST_P(MigrateCases, PairLinesIntoEntries) {
  WriteLegacy(GetParam().Text, GetParam().Images);
  History.MigrateFromLegacy(TextFile(), ImageListFile());
  EXPECT_EQ(Describe(History), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Legacy, MigrateCases,
    ::testing::Values(
        TMigrateCase{"EscapedLineBreaksBecomeCrLf", "abc\r\nx\\ny\r\n", std::nullopt, "abc x\r\ny"},
        TMigrateCase{"ImageLineWinsOverTextLine", "t1\r\nt2\r\nt3\r\n", "\r\nshot.png\r\n", "t1 img:shot.png t3"},
        TMigrateCase{"LongerImageListAddsImages", "a\n", "\n\nb.png\nc.png", "a img:b.png img:c.png"},
        TMigrateCase{"LineEmptyInBothAddsNothing", "a\n\nc\n", "", "a c"},
        TMigrateCase{"BlankImageLineKeepsTheText", "a\nb\n", "\n \t \n", "a b"},
        TMigrateCase{"ImageNamesAreTrimmed", "", "  a.png\t\x01\n", "img:a.png"},
        TMigrateCase{"ByteOrderMarksAreSkipped", "\xEF\xBB\xBF" "abc\n", "\xEF\xBB\xBF\n", "abc"},
        TMigrateCase{"EveryLineBreakSplits", "a\rb\nc\r\n", std::nullopt, "a b c"},
        TMigrateCase{"CapitalNIsNotALineBreak", "x\\Ny\n", std::nullopt, "x\\Ny"},
        TMigrateCase{"OnlyTheImageList", std::nullopt, "a.png\nb.png", "img:a.png img:b.png"},
        TMigrateCase{"Japanese", "日本\\n語\n", std::nullopt, "日本\r\n語"},
        TMigrateCase{"DuplicatesAreKept", "a\na\n", std::nullopt, "a a"},
        TMigrateCase{"OtherNamesStayEntries", std::nullopt, "../x.png\n", "img:../x.png"},
        TMigrateCase{"BothMissing", std::nullopt, std::nullopt, ""}),
    [](const ::testing::TestParamInfo<TMigrateCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(LegacyImport, TrimKeepsTheFirstLinesAndDeletesOnlySafeImages) {
  std::string Text;
  for (int I = 0; I < 40; ++I) Text += "t" + std::to_string(I) + "\n";
  std::string Images(38, '\n');
  Images += "gone.png\n../VellomarchData.ini\n";
  WriteLegacy(Text, Images);
  WriteFileBytes(ImagesDir() + u"gone.png", "png");
  WriteFileBytes(ResizeImagesDir() + u"gone.bmp", "bmp");
  WriteFileBytes(BaseDir() + u"VellomarchData.ini", "settings");
  WriteFileBytes(BaseDir() + u"VellomarchData.bmp", "not a thumbnail");

  History.MigrateFromLegacy(TextFile(), ImageListFile());

  ASSERT_EQ(History.Items().Count(), 30);
  EXPECT_EQ(Utf16ToUtf8(History.Items()[0].Text), "t0");
  EXPECT_EQ(Utf16ToUtf8(History.Items()[29].Text), "t29");
  EXPECT_FALSE(FileExists(ImagesDir() + u"gone.png"));
  EXPECT_FALSE(FileExists(ResizeImagesDir() + u"gone.bmp"));
  EXPECT_TRUE(FileExists(BaseDir() + u"VellomarchData.ini"));
  EXPECT_TRUE(FileExists(BaseDir() + u"VellomarchData.bmp"));
}

TEST_F(LegacyImport, InvalidUtf8InEitherFileImportsNothing) {
  const std::pair<std::string, std::string> Files[] = {{"abc\n\x82\xA0\x82\xA2\n", "a.png\n"},
                                                       {"abc\n", "a.png\n\xFF.png\n"}};
  for (const auto& [Text, Images] : Files) {
    WriteLegacy(Text, Images);
    TClipHistory Fresh(Protection);
    try {
      Fresh.MigrateFromLegacy(TextFile(), ImageListFile());
      ADD_FAILURE() << "no error for invalid UTF-8";
    } catch (const TError& E) {
      EXPECT_NE(Utf16ToUtf8(E.Message()).find("invalid UTF-8"), std::string::npos) << Utf16ToUtf8(E.Message());
    }
    EXPECT_EQ(Fresh.Items().Count(), 0);
  }
}

// ---- Start-up ------------------------------------------------------------------------

TEST_F(LegacyImport, HistoryFileWinsOverLegacyFiles) {
  Fill(History, "A*");
  ASSERT_TRUE(SaveHistory(History));
  WriteLegacy("legacy\n", "x.png\n");

  TClipHistory Started(Protection);
  Start(Started);
  EXPECT_EQ(Describe(Started), "A*");
  EXPECT_EQ(Saves, 0);
  EXPECT_EQ(ReadFileBytes(TextFile()), "legacy\n");
  EXPECT_EQ(ReadFileBytes(ImageListFile()), "x.png\n");
  EXPECT_FALSE(FileExists(Backup(TextFile())));
}

TEST_F(LegacyImport, NothingToImportStartsEmptyWithoutSaving) {
  Start(History);
  EXPECT_EQ(History.Items().Count(), 0);
  EXPECT_EQ(Saves, 0);
  EXPECT_FALSE(FileExists(DataFilePath()));
}

TEST_F(LegacyImport, ImportIsSavedAndTheOldFilesRenamed) {
  WriteLegacy("abc\nx\\ny\n", "\nshot.png\n");
  Start(History);
  EXPECT_EQ(Describe(History), "abc img:shot.png");
  EXPECT_EQ(Saves, 1);
  EXPECT_FALSE(FileExists(TextFile()));
  EXPECT_FALSE(FileExists(ImageListFile()));
  EXPECT_EQ(ReadFileBytes(Backup(TextFile())), "abc\nx\\ny\n");
  EXPECT_EQ(ReadFileBytes(Backup(ImageListFile())), "\nshot.png\n");

  TClipHistory Restarted(Protection);
  Start(Restarted);
  EXPECT_EQ(Describe(Restarted), "abc img:shot.png");
  EXPECT_EQ(Saves, 1);
}

TEST_F(LegacyImport, OnlyAnImageListIsImportedToo) {
  WriteLegacy(std::nullopt, "a.png\n");
  Start(History);
  EXPECT_EQ(Describe(History), "img:a.png");
  EXPECT_TRUE(FileExists(Backup(ImageListFile())));
  EXPECT_FALSE(FileExists(Backup(TextFile())));
}

TEST_F(LegacyImport, TakenBackupNameKeepsTheFileAndTheNextStartLoadsTheHistoryFile) {
  WriteLegacy("new\n", "\n");
  WriteFileBytes(Backup(TextFile()), "older import");
  Start(History);
  EXPECT_EQ(ReadFileBytes(TextFile()), "new\n");
  EXPECT_EQ(ReadFileBytes(Backup(TextFile())), "older import");
  EXPECT_FALSE(FileExists(ImageListFile()));
  EXPECT_TRUE(FileExists(Backup(ImageListFile())));

  TClipHistory Restarted(Protection);
  Start(Restarted);
  EXPECT_EQ(Describe(Restarted), "new");
  EXPECT_EQ(Saves, 1);
}

TEST_F(LegacyImport, FailedSaveKeepsTheLegacyFilesForTheNextStart) {
  WriteLegacy("abc\n", "\nshot.png\n");
  Protection.FailProtect = true;
  Protection.FailMessage = u"Key not valid for use in specified state";
  Start(History);
  EXPECT_EQ(Describe(History), "abc img:shot.png");
  EXPECT_EQ(LogText(), LogLine("History save failed: CryptProtectData failed: Key not valid for use in specified state"));
  EXPECT_FALSE(FileExists(DataFilePath()));
  EXPECT_TRUE(FileExists(TextFile()));
  EXPECT_TRUE(FileExists(ImageListFile()));
  EXPECT_FALSE(FileExists(Backup(TextFile())));
  EXPECT_FALSE(FileExists(Backup(ImageListFile())));

  Protection.FailProtect = false;
  TClipHistory Restarted(Protection);
  Start(Restarted);
  EXPECT_EQ(Describe(Restarted), "abc img:shot.png");
  EXPECT_TRUE(FileExists(DataFilePath()));
  EXPECT_TRUE(FileExists(Backup(TextFile())));
}

TEST_F(LegacyImport, UndecodableLegacyFileStopsTheStartAndChangesNothing) {
  WriteLegacy("abc\n\x82\xA0\n", "\n");
  EXPECT_THROW(Start(History), TError);
  EXPECT_EQ(History.Items().Count(), 0);
  EXPECT_EQ(Saves, 0);
  EXPECT_FALSE(FileExists(DataFilePath()));
  EXPECT_TRUE(FileExists(TextFile()));
  EXPECT_TRUE(FileExists(ImageListFile()));
}

} // namespace
} // namespace vm::test
