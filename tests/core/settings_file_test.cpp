#include <gtest/gtest.h>

#include <filesystem>

#include "app/ini_file.h"
#include "app/settings.h"
#include "fakes/test_support.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

const std::string Bom = "\xEF\xBB\xBF";

std::string Narrow(const std::u16string& AText) { return Utf16ToUtf8(AText); }

std::vector<std::string> Narrow(const std::vector<std::u16string>& ATexts) {
  std::vector<std::string> Out;
  for (const auto& Text : ATexts) Out.push_back(Utf16ToUtf8(Text));
  return Out;
}

class SettingsFile : public ::testing::Test {
protected:
  void WriteIni(const std::string& ABytes) { WriteFileBytes(IniFilePath(), ABytes); }
  std::string IniBytes() const { return ReadFileBytes(IniFilePath()); }
  TSettings Load() {
    TSettings Settings;
    LoadSettings(Settings);
    return Settings;
  }
  // The file's text without its byte-order mark, for tests about one part of it.
  std::string IniBody() const {
    const std::string Bytes = IniBytes();
    EXPECT_EQ(Bytes.substr(0, 3), Bom);
    return Bytes.substr(3);
  }

  test::TTempDataFolder FFolder;
};

} // namespace

// --- The INI document -----------------------------------------------------------------------

TEST(IniFileReading, FollowsTheLineRules) {
  const TIniFile Ini = TIniFile::FromUtf8(
      Bom +
      "orphan=before any section\r\n"
      "[First]\r\n"
      "  a = 1  \r\n"
      "; a comment\n"
      "\n"
      "   \r"
      "b=x=y\r"
      "lonely key\n"
      "a=second a\n"
      "c=\n"
      "  [ Second ]  \r\n"
      "KEY=v\r\n"
      "[first]\r\n"
      "d=merged\r\n");
  EXPECT_EQ(Narrow(Ini.ReadSections()), (std::vector<std::string>{"First", "Second"}));
  EXPECT_EQ(Narrow(Ini.ReadSection(u"FIRST")),
            (std::vector<std::string>{"a", "b", "lonely key", "a", "c", "d"}));
  EXPECT_EQ(Narrow(Ini.ReadString(u"first", u"A", u"?")), "1");
  EXPECT_EQ(Narrow(Ini.ReadString(u"First", u"b", u"?")), "x=y");
  EXPECT_EQ(Narrow(Ini.ReadString(u"First", u"lonely key", u"?")), "");
  EXPECT_TRUE(Ini.ValueExists(u"First", u"c"));
  EXPECT_EQ(Narrow(Ini.ReadString(u"First", u"d", u"?")), "merged");
  EXPECT_EQ(Narrow(Ini.ReadString(u"second", u"key", u"?")), "v");
  EXPECT_EQ(Narrow(Ini.ReadString(u"Second", u"orphan", u"?")), "?");
  EXPECT_EQ(Narrow(Ini.ReadString(u"Missing", u"a", u"default")), "default");
  EXPECT_TRUE(Ini.ReadSection(u"Missing").empty());
}

TEST(IniFileWriting, KeepsPlacesAppendsWhatIsMissingAndDropsComments) {
  TIniFile Ini = TIniFile::FromText(
      u"; comment\r\n[Foreign]\r\nx=1\r\n\r\n[Setting]\r\nWidth=1\r\nOld=keep\r\n[Gone]\r\ny=2\r\n[Empty]\r\n");
  Ini.WriteString(u"setting", u"WIDTH", u"2");
  Ini.WriteString(u"Setting", u"New", u"3");
  Ini.WriteString(u"Added", u"z", u"");
  Ini.EraseSection(u"GONE");
  EXPECT_EQ(Narrow(Ini.ToText()),
            "[Foreign]\r\nx=1\r\n\r\n"
            "[Setting]\r\nWidth=2\r\nOld=keep\r\nNew=3\r\n\r\n"
            "[Empty]\r\n\r\n"
            "[Added]\r\nz=\r\n\r\n");
}

TEST(IniFileWriting, LineBreaksInsideNamesOrValuesCannotOpenSectionsOrKeys) {
  TIniFile Ini;
  Ini.WriteString(u"A", u"name\r\n[Setting]", u"v\nHotkeyShow=F1\rx");
  const std::u16string Text = Ini.ToText();
  EXPECT_EQ(Narrow(Text), "[A]\r\nname  [Setting]=v HotkeyShow=F1 x\r\n\r\n");
  const TIniFile Reread = TIniFile::FromText(Text);
  EXPECT_EQ(Narrow(Reread.ReadSections()), (std::vector<std::string>{"A"}));
}

TEST(IniFileWriting, BytesAreUtf8BehindAByteOrderMark) {
  TIniFile Ini;
  Ini.WriteString(u"TextTemplate", u"挨拶", u"こんにちは📌");
  EXPECT_EQ(Ini.ToUtf8(), Bom + "[TextTemplate]\r\n" + Narrow(u"挨拶=こんにちは📌") + "\r\n\r\n");
}

// --- Integer values -------------------------------------------------------------------------

TEST(SettingsIntegers, DecimalOrHexadecimalWithinThirtyTwoBits) {
  struct TCase {
    std::u16string Text;
    bool Ok;
    std::int32_t Value;
  };
  const TCase Cases[] = {
      {u"500", true, 500},
      {u"0x1F4", true, 500},
      {u"0X1f4", true, 500},
      {u"$1F4", true, 500},
      {u"-12", true, -12},
      {u"+7", true, 7},
      {u"007", true, 7},
      {u"2147483647", true, 2147483647},
      {u"-2147483648", true, -2147483647 - 1},
      {u"0x7FFFFFFF", true, 2147483647},
      {u"0", true, 0},
      {u"2147483648", false, 0},
      {u"0x80000000", false, 0},
      {u"99999999999999999999", false, 0},
      {u"", false, 0},
      {u"0x", false, 0},
      {u"$", false, 0},
      {u"-", false, 0},
      {u"abc", false, 0},
      {u"1e3", false, 0},
      {u"12 ", false, 0},
      {u"1.5", false, 0},
      {u"0x1G", false, 0},
      {u"１２", false, 0},
  };
  for (const TCase& Case : Cases) {
    std::int32_t Value = -999;
    EXPECT_EQ(TryStrToInt(Case.Text, Value), Case.Ok) << Narrow(Case.Text);
    if (Case.Ok) {
      EXPECT_EQ(Value, Case.Value) << Narrow(Case.Text);
    }
  }
}

// --- LoadSettings and SaveSettings ------------------------------------------------------------

TEST_F(SettingsFile, MissingFileGivesDefaultsAndIsNotCreated) {
  TSettings Settings;
  Settings.MaxItems = 7;
  Settings.TeikeiName = {u"stale"};
  Settings.Teikeibun = {u"stale"};
  LoadSettings(Settings);
  EXPECT_EQ(Settings.MaxItems, 30);
  EXPECT_EQ(Settings.FormWidth, 240);
  EXPECT_EQ(Settings.RowHeight, 25);
  EXPECT_EQ(Narrow(ShortCutToText(Settings.ShowShortcut)), "Alt+C");
  EXPECT_EQ(Narrow(ShortCutToText(Settings.QuitShortcut)), "Ctrl+Alt+Q");
  EXPECT_TRUE(Settings.TeikeiName.empty());
  EXPECT_TRUE(Settings.Teikeibun.empty());
  EXPECT_TRUE(Settings.TeikeiImgName.empty());
  EXPECT_TRUE(Settings.TeikeiImg.empty());
  EXPECT_FALSE(std::filesystem::exists(FsPath(IniFilePath())));
}

TEST_F(SettingsFile, FirstSaveWritesTheWholeFileExactly) {
  TSettings Settings;
  Settings.TeikeiName = {u"挨拶", u"sig"};
  Settings.Teikeibun = {u"お世話になります。\r\nよろしく", u"-- \r\n{date}"};
  Settings.TeikeiImgName = {u"logo"};
  Settings.TeikeiImg = {u"C:\\img\\logo.png"};
  SaveSettings(Settings);
  EXPECT_EQ(IniBytes(), Bom +
                            "[Setting]\r\n"
                            "VellomarchItemMax=30\r\n"
                            "VellomarchWidth=240\r\n"
                            "VellomarchDefaultRowHeight=25\r\n"
                            "HotkeyShow=Alt+C\r\n"
                            "HotkeyQuit=Ctrl+Alt+Q\r\n"
                            "\r\n"
                            "[TextTemplate]\r\n" +
                            Narrow(u"挨拶=お世話になります。\\nよろしく") +
                            "\r\n"
                            "sig=-- \\n{date}\r\n"
                            "\r\n"
                            "[ImageTemplate]\r\n"
                            "logo=C:\\img\\logo.png\r\n"
                            "\r\n");
  EXPECT_FALSE(std::filesystem::exists(FsPath(IniFilePath() + u".tmp")));

  const TSettings Reloaded = Load();
  EXPECT_EQ(Reloaded.TeikeiName, Settings.TeikeiName);
  EXPECT_EQ(Reloaded.Teikeibun, Settings.Teikeibun);
  EXPECT_EQ(Reloaded.TeikeiImgName, Settings.TeikeiImgName);
  EXPECT_EQ(Reloaded.TeikeiImg, Settings.TeikeiImg);
}

TEST_F(SettingsFile, SaveWithoutTemplatesLeavesTheirSectionsOut) {
  WriteIni("[TextTemplate]\r\nold=1\r\n[ImageTemplate]\r\nold=2\r\n");
  SaveSettings(TSettings{});
  EXPECT_EQ(IniBody(),
            "[Setting]\r\nVellomarchItemMax=30\r\nVellomarchWidth=240\r\nVellomarchDefaultRowHeight=25\r\n"
            "HotkeyShow=Alt+C\r\nHotkeyQuit=Ctrl+Alt+Q\r\n\r\n");
}

TEST_F(SettingsFile, ForeignSectionsStayAndTemplatesMoveBehindThem) {
  WriteIni(
      "; written by hand\n"
      "[TextTemplate]\n"
      "hello=world\n"
      "\n"
      "[setting]\n"
      "HotkeyQuit=F9\n"
      "Mine=kept\n"
      "vellomarchwidth=300\n"
      "[Plugins]\n"
      "x = 1\n");
  TSettings Settings = Load();
  EXPECT_EQ(Settings.FormWidth, 300);
  Settings.MaxItems = 50;
  SaveSettings(Settings);
  EXPECT_EQ(IniBody(),
            "[setting]\r\n"
            "HotkeyQuit=F9\r\n"
            "Mine=kept\r\n"
            "vellomarchwidth=300\r\n"
            "VellomarchItemMax=50\r\n"
            "VellomarchDefaultRowHeight=25\r\n"
            "HotkeyShow=Alt+C\r\n"
            "\r\n"
            "[Plugins]\r\n"
            "x=1\r\n"
            "\r\n"
            "[TextTemplate]\r\n"
            "hello=world\r\n"
            "\r\n");
}

TEST_F(SettingsFile, DuplicateTemplateNamesBothAppearWithTheFirstValue) {
  WriteIni("[TextTemplate]\r\nGreet=first\r\nother=o\r\ngreet=second\r\n");
  const TSettings Settings = Load();
  EXPECT_EQ(Narrow(Settings.TeikeiName), (std::vector<std::string>{"Greet", "other", "greet"}));
  EXPECT_EQ(Narrow(Settings.Teikeibun), (std::vector<std::string>{"first", "o", "first"}));
}

TEST_F(SettingsFile, BackslashNIsALineBreakInTextTemplatesOnly) {
  WriteIni(
      "[TextTemplate]\r\n"
      "two=first\\nsecond\r\n"
      "caps=a\\Nb\r\n"
      "[ImageTemplate]\r\n"
      "pic=C:\\new\\pic.png\r\n");
  TSettings Settings = Load();
  EXPECT_EQ(Narrow(Settings.Teikeibun), (std::vector<std::string>{"first\r\nsecond", "a\\Nb"}));
  EXPECT_EQ(Narrow(Settings.TeikeiImg), (std::vector<std::string>{"C:\\new\\pic.png"}));
  SaveSettings(Settings);
  const std::string Body = IniBody();
  EXPECT_NE(Body.find("\r\ntwo=first\\nsecond\r\ncaps=a\\Nb\r\n"), std::string::npos) << Body;
  EXPECT_NE(Body.find("\r\npic=C:\\new\\pic.png\r\n"), std::string::npos) << Body;
}

TEST_F(SettingsFile, LoneLineBreaksInABodyAreSavedAsLineBreaks) {
  TSettings Settings;
  Settings.TeikeiName = {u"mixed"};
  Settings.Teikeibun = {u"a\nb\rc\r\n\r\nd"};
  SaveSettings(Settings);
  EXPECT_NE(IniBody().find("\r\nmixed=a\\nb\\nc\\n\\nd\r\n"), std::string::npos);
  EXPECT_EQ(Narrow(Load().Teikeibun), (std::vector<std::string>{"a\r\nb\r\nc\r\n\r\nd"}));
}

TEST_F(SettingsFile, IntegersAreReadLeniently) {
  WriteIni(
      "[Setting]\r\n"
      "VellomarchItemMax=0x1F4\r\n"
      "VellomarchWidth=5000\r\n"
      "VellomarchDefaultRowHeight=abc\r\n");
  TSettings Settings = Load();
  EXPECT_EQ(Settings.MaxItems, 500);
  EXPECT_EQ(Settings.FormWidth, 5000);
  EXPECT_EQ(Settings.RowHeight, 25);

  WriteIni("[Setting]\r\nVellomarchItemMax=abc\r\nVellomarchWidth=\r\nVellomarchDefaultRowHeight=-3\r\n");
  Settings = Load();
  EXPECT_EQ(Settings.MaxItems, 30);
  EXPECT_EQ(Settings.FormWidth, 240);
  EXPECT_EQ(Settings.RowHeight, -3);
}

TEST_F(SettingsFile, HotkeysParseAndAreWrittenInCanonicalForm) {
  struct TCase {
    std::string Show, Quit; // values in the file
    std::string LoadedShow, LoadedQuit;
    std::string SavedLines;
  };
  const TCase Cases[] = {
      {"ctrl+shift+v", "^Q", "Ctrl+Shift+V", "Ctrl+Q", "HotkeyShow=Ctrl+Shift+V\r\nHotkeyQuit=Ctrl+Q\r\n"},
      {"Win+C", "", "Alt+C", "", "HotkeyShow=Alt+C\r\nHotkeyQuit=\r\n"},
      {"", "nonsense", "Alt+C", "", "HotkeyShow=Alt+C\r\nHotkeyQuit=\r\n"},
      {"alt+num 5", "Ctrl+Alt+Q", "Alt+Num 5", "Ctrl+Alt+Q", "HotkeyShow=Alt+Num 5\r\nHotkeyQuit=Ctrl+Alt+Q\r\n"},
  };
  for (const TCase& Case : Cases) {
    WriteIni("[Setting]\r\nHotkeyShow=" + Case.Show + "\r\nHotkeyQuit=" + Case.Quit + "\r\n");
    const TSettings Settings = Load();
    EXPECT_EQ(Narrow(ShortCutToText(Settings.ShowShortcut)), Case.LoadedShow) << Case.Show;
    EXPECT_EQ(Narrow(ShortCutToText(Settings.QuitShortcut)), Case.LoadedQuit) << Case.Quit;
    SaveSettings(Settings);
    EXPECT_EQ(IniBody(), "[Setting]\r\n" + Case.SavedLines +
                             "VellomarchItemMax=30\r\nVellomarchWidth=240\r\nVellomarchDefaultRowHeight=25\r\n\r\n")
        << Case.Show;
  }
}

TEST_F(SettingsFile, EmptyQuitHotkeyMeansNoneButAMissingOneIsTheDefault) {
  WriteIni("[Setting]\r\nHotkeyQuit=\r\n");
  EXPECT_EQ(Load().QuitShortcut, 0);
  WriteIni("[Setting]\r\nVellomarchWidth=300\r\n");
  EXPECT_EQ(Load().QuitShortcut, 0xC051);
}

TEST_F(SettingsFile, BlanksAroundTemplateNamesAndBodiesDoNotSurvive) {
  TSettings Settings;
  Settings.TeikeiName = {u"  padded  ", u"\tname"};
  Settings.Teikeibun = {u"  body  ", u"x "};
  Settings.TeikeiImgName = {u" img "};
  Settings.TeikeiImg = {u" /tmp/a.png "};
  SaveSettings(Settings);
  const TSettings Reloaded = Load();
  EXPECT_EQ(Narrow(Reloaded.TeikeiName), (std::vector<std::string>{"padded", "name"}));
  EXPECT_EQ(Narrow(Reloaded.Teikeibun), (std::vector<std::string>{"body", "x"}));
  EXPECT_EQ(Narrow(Reloaded.TeikeiImgName), (std::vector<std::string>{"img"}));
  EXPECT_EQ(Narrow(Reloaded.TeikeiImg), (std::vector<std::string>{"/tmp/a.png"}));
}

TEST_F(SettingsFile, BytesThatAreNotUtf8DoNotStopTheLoad) {
  WriteIni("[Setting]\r\nVellomarchItemMax=40\r\n[TextTemplate]\r\nbad=\x82\xA0\r\n");
  const TSettings Settings = Load();
  EXPECT_EQ(Settings.MaxItems, 40);
  EXPECT_EQ(Narrow(Settings.TeikeiName), (std::vector<std::string>{"bad"}));
}

TEST_F(SettingsFile, AFileThatCannotBeReadIsAnError) {
  std::filesystem::create_directories(FsPath(IniFilePath()));
  TSettings Settings;
  try {
    LoadSettings(Settings);
    FAIL() << "no error";
  } catch (const TError& E) {
    EXPECT_NE(E.Message().find(IniFilePath()), std::u16string::npos) << E.what();
  }
  try {
    SaveSettings(Settings);
    FAIL() << "no error";
  } catch (const TError& E) {
    EXPECT_NE(E.Message().find(IniFilePath()), std::u16string::npos) << E.what();
  }
}

TEST_F(SettingsFile, AFailedSaveLeavesTheOldFileWhole) {
  const std::string Old = Bom + "[Setting]\r\nVellomarchItemMax=40\r\n\r\n";
  WriteIni(Old);
  // The temporary file cannot be created where a folder of its name stands.
  std::filesystem::create_directories(FsPath(IniFilePath() + u".tmp"));
  TSettings Settings;
  Settings.MaxItems = 99;
  EXPECT_THROW(SaveSettings(Settings), TError);
  EXPECT_EQ(IniBytes(), Old);
}

TEST_F(SettingsFile, SaveRecreatesAMissingDataFolder) {
  ASSERT_FALSE(DirectoryExists(BaseDir()));
  SaveSettings(TSettings{});
  EXPECT_EQ(Load().MaxItems, 30);
  EXPECT_TRUE(FileExists(IniFilePath()));
}

} // namespace vm
