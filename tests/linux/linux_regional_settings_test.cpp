#include "platform/linux/linux_regional_settings.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <time.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "support/text.h"

namespace vm {
namespace {

const TDateTime Morning{2024, 5, 1, 9, 5, 7, 42, 3};
const TDateTime Afternoon{2024, 12, 25, 15, 4, 3, 7, 3};

TLocaleTimeInfo EnglishNames() {
  TLocaleTimeInfo I;
  I.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  I.LongMonthNames = {"January", "February", "March", "April", "May", "June",
                      "July", "August", "September", "October", "November", "December"};
  I.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  I.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  I.AmString = "AM";
  I.PmString = "PM";
  return I;
}

TLocaleTimeInfo Formats(const char* ADate, const char* ATime, const char* ATimeAmPm = "%I:%M:%S %p") {
  TLocaleTimeInfo I = EnglishNames();
  I.DateFormat = ADate;
  I.TimeFormat = ATime;
  I.TimeFormatAmPm = ATimeAmPm;
  return I;
}

std::string U8(const std::u16string& AText) { return Utf16ToUtf8(AText); }

// Locales as the C library describes them, and what the translated record makes of them. The
// formatted columns check the translation where it matters: the text the user finally sees.
TEST(LinuxRegionalSettings, StrftimeFormatsBecomeTheDateFormatLanguage) {
  struct TCase {
    TLocaleTimeInfo Info;
    const char16_t *DateSeparator, *TimeSeparator, *ShortDate, *ShortTime, *LongTime;
    const char16_t* WrittenC; // "c" for Afternoon
  };
  TLocaleTimeInfo Japanese = Formats("%Y年%m月%d日", "%H時%M分%S秒", "%p%I時%M分%S秒");
  Japanese.AmString = "午前";
  Japanese.PmString = "午後";
  TLocaleTimeInfo German = Formats("%d.%m.%Y", "%T");
  German.AmString = German.PmString = "";
  const std::vector<TCase> Cases = {
      {Formats("%m/%d/%Y", "%r"), u"/", u":", u"mm/dd/yyyy", u"hh:nn ampm", u"hh:nn:ss ampm",
       u"12/25/2024 03:04:03 PM"},
      {German, u".", u":", u"dd/mm/yyyy", u"hh:nn", u"hh:nn:ss", u"25.12.2024 15:04:03"},
      {Japanese, u"/", u":", u"yyyy年mm月dd日", u"hh時nn分", u"hh時nn分ss秒", u"2024年12月25日 15時04分03秒"},
      {Formats("%d.%m.%Y", "%H.%M.%S"), u".", u".", u"dd/mm/yyyy", u"hh:nn", u"hh:nn:ss", u"25.12.2024 15.04.03"},
      {Formats("%Y-%m-%d", "%H:%M:%S"), u"-", u":", u"yyyy/mm/dd", u"hh:nn", u"hh:nn:ss", u"2024-12-25 15:04:03"},
      {Formats("%Y. %m. %d.", "%H:%M:%S"), u".", u":", u"yyyy/ mm/ dd/", u"hh:nn", u"hh:nn:ss",
       u"2024. 12. 25. 15:04:03"},
      {Formats("%Y년 %m월 %d일", "%p %I시 %M분 %S초"), u"/", u":", u"yyyy년 mm월 dd일", u"ampm hh시 nn분",
       u"ampm hh시 nn분 ss초", u"2024년 12월 25일 PM 03시 04분 03초"},
      {Formats("%-d/%-m/%Y", "%k:%M"), u"/", u":", u"d/m/yyyy", u"h:nn", u"h:nn", u"25/12/2024 15:04"},
      {Formats("%D", "%R"), u"/", u":", u"mm/dd/yy", u"hh:nn", u"hh:nn", u"12/25/24 15:04"},
      {Formats("%e %b %Y", "%l:%M %P"), u"/", u":", u"d mmm yyyy", u"h:nn ampm", u"h:nn ampm", u"25 Dec 2024 3:04 PM"},
      {Formats("%d de %B de %Y", "%Hh%M"), u"/", u":", u"dd \"de\" mmmm \"de\" yyyy", u"hh\"h\"nn", u"hh\"h\"nn",
       u"25 de December de 2024 15h04"},
      // Two fields of one letter stay two fields.
      {Formats("%A%d", "%I%l"), u"/", u":", u"dddd''dd", u"hh''h", u"hh''h", u"Wednesday25 1515"},
      // What the language cannot say keeps the defaults, and the other format is still read.
      {Formats("%Y %Z", "%H.%M"), u"/", u".", u"yyyy/mm/dd", u"hh:nn", u"hh:nn", u"2024/12/25 15.04"},
      {Formats("%d.%m.%Y", "%H:%M %j"), u".", u":", u"dd/mm/yyyy", u"h:nn", u"h:nn:ss", u"25.12.2024 15:04:03"},
      {Formats("%d.%m.%Y", "%H %m"), u".", u":", u"dd/mm/yyyy", u"h:nn", u"h:nn:ss", u"25.12.2024 15:04:03"},
      {Formats("%x", "%X"), u"/", u":", u"yyyy/mm/dd", u"h:nn", u"h:nn:ss", u"2024/12/25 15:04:03"},
      {Formats("%Y-%m-%", "%H:%M"), u"/", u":", u"yyyy/mm/dd", u"hh:nn", u"hh:nn", u"2024/12/25 15:04"},
      {Formats("", ""), u"/", u":", u"yyyy/mm/dd", u"h:nn", u"h:nn:ss", u"2024/12/25 15:04:03"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE("D_FMT \"" + C.Info.DateFormat + "\", T_FMT \"" + C.Info.TimeFormat + "\"");
    const TFormatSettings S = FormatSettingsFromLocale(C.Info);
    EXPECT_EQ(U8(std::u16string(1, S.DateSeparator)), U8(C.DateSeparator));
    EXPECT_EQ(U8(std::u16string(1, S.TimeSeparator)), U8(C.TimeSeparator));
    EXPECT_EQ(U8(S.ShortDateFormat), U8(C.ShortDate));
    EXPECT_EQ(U8(S.ShortTimeFormat), U8(C.ShortTime));
    EXPECT_EQ(U8(S.LongTimeFormat), U8(C.LongTime));
    EXPECT_EQ(U8(S.LongDateFormat), U8(TFormatSettings{}.LongDateFormat));
    EXPECT_EQ(U8(FormatDateTime(u"c", Afternoon, S)), U8(C.WrittenC));
  }
}

TEST(LinuxRegionalSettings, LiteralTextIsQuotedWhereTheLanguageWouldReadIt) {
  const TLocaleTimeInfo Info = EnglishNames();
  const auto Format = StrftimeToDateFormat("%Y.%m.%d 'x' \"q\" a/b:c %% 100%n", Info, u'.', u'-');
  ASSERT_TRUE(Format.has_value());
  TFormatSettings S;
  S.DateSeparator = u'.';
  S.TimeSeparator = u'-';
  EXPECT_EQ(U8(FormatDateTime(*Format, Afternoon, S)), "2024.12.25 'x' \"q\" a/b:c % 100\n");
}

TEST(LinuxRegionalSettings, NamesAreTakenOneByOneAndUnreadableOnesKeepTheDefault) {
  TLocaleTimeInfo Info = Formats("%d/%m/%Y", "%H:%M:%S");
  Info.LongMonthNames[11] = "D\xE9zember"; // not UTF-8
  Info.ShortDayNames[3] = "";
  Info.AmString = "";
  Info.PmString = "nachm.";
  const TFormatSettings S = FormatSettingsFromLocale(Info);
  const TFormatSettings Defaults;
  EXPECT_EQ(S.LongMonthNames[0], u"January");
  EXPECT_EQ(S.LongMonthNames[11], Defaults.LongMonthNames[11]);
  EXPECT_EQ(S.ShortMonthNames[11], u"Dec");
  EXPECT_EQ(S.ShortDayNames[3], Defaults.ShortDayNames[3]);
  EXPECT_EQ(S.LongDayNames[3], u"Wednesday");
  EXPECT_EQ(S.TimeAMString, u"");
  EXPECT_EQ(S.TimePMString, u"nachm.");
  ASSERT_EQ(S.Eras.size(), Defaults.Eras.size());
  EXPECT_EQ(S.Eras.back().Name, Defaults.Eras.back().Name);
}

void ExpectJapaneseDefaults(const TFormatSettings& S) {
  const TFormatSettings D;
  EXPECT_EQ(S.DateSeparator, u'/');
  EXPECT_EQ(S.TimeSeparator, u':');
  EXPECT_EQ(S.ShortDateFormat, D.ShortDateFormat);
  EXPECT_EQ(S.LongDateFormat, D.LongDateFormat);
  EXPECT_EQ(S.ShortTimeFormat, D.ShortTimeFormat);
  EXPECT_EQ(S.LongTimeFormat, D.LongTimeFormat);
  EXPECT_EQ(S.TimeAMString, D.TimeAMString);
  EXPECT_EQ(S.LongMonthNames, D.LongMonthNames);
  EXPECT_EQ(S.ShortDayNames, D.ShortDayNames);
}

TEST(LinuxRegionalSettings, PosixAndMissingLocalesGiveTheJapaneseDefaults) {
  for (const char* Name : {"C", "POSIX", "C.UTF-8", "C.utf8", "xx_XX.UTF-8"}) {
    SCOPED_TRACE(Name);
    ExpectJapaneseDefaults(LocaleRegionalSettings(Name));
  }
  EXPECT_FALSE(ReadLocaleTimeInfo("xx_XX.UTF-8").has_value());
  EXPECT_TRUE(IsPosixLocaleName("C.UTF-8"));
  EXPECT_FALSE(IsPosixLocaleName("Ca_ES.UTF-8"));
  EXPECT_FALSE(IsPosixLocaleName("en_US.UTF-8"));
}

// Sets environment variables for one test and puts the old values back.
class TEnvironment {
public:
  ~TEnvironment() {
    for (const auto& [Name, Value] : FSaved)
      Value ? setenv(Name.c_str(), Value->c_str(), 1) : unsetenv(Name.c_str());
  }
  void Set(const char* AName, const char* AValue) {
    if (!FSaved.count(AName)) {
      const char* Old = std::getenv(AName);
      FSaved[AName] = Old ? std::optional<std::string>(Old) : std::nullopt;
    }
    AValue ? setenv(AName, AValue, 1) : unsetenv(AName);
  }

private:
  std::map<std::string, std::optional<std::string>> FSaved;
};

TEST(LinuxRegionalSettings, LocaleNameFollowsTheEnvironmentsOrder) {
  TEnvironment Env;
  Env.Set("LC_ALL", nullptr);
  Env.Set("LC_TIME", nullptr);
  Env.Set("LANG", nullptr);
  EXPECT_EQ(LcTimeLocaleName(), "C");
  Env.Set("LANG", "ja_JP.UTF-8");
  EXPECT_EQ(LcTimeLocaleName(), "ja_JP.UTF-8");
  Env.Set("LC_TIME", "de_DE.UTF-8");
  EXPECT_EQ(LcTimeLocaleName(), "de_DE.UTF-8");
  Env.Set("LC_ALL", "");
  EXPECT_EQ(LcTimeLocaleName(), "de_DE.UTF-8");
  Env.Set("LC_ALL", "POSIX");
  EXPECT_EQ(LcTimeLocaleName(), "POSIX");
  ExpectJapaneseDefaults(LinuxRegionalSettings());
}

TEST(LinuxRegionalSettings, ReadingLeavesTheProcessLocaleAlone) {
  const std::string Before = setlocale(LC_ALL, nullptr);
  LocaleRegionalSettings("C.UTF-8");
  ReadLocaleTimeInfo("C.UTF-8");
  EXPECT_EQ(setlocale(LC_ALL, nullptr), Before);
}

// For a real locale, the translated record must write dates and times as the C library does.
// False when the locale is not installed.
bool ExpectSameAsTheCLibrary(const char* AName) {
  const auto Info = ReadLocaleTimeInfo(AName);
  if (!Info) return false;
  const TFormatSettings S = FormatSettingsFromLocale(*Info);
  const locale_t Locale = newlocale(LC_CTYPE_MASK | LC_TIME_MASK, AName, static_cast<locale_t>(nullptr));
  if (Locale == static_cast<locale_t>(nullptr)) {
    ADD_FAILURE() << AName << " was read but cannot be opened again";
    return true;
  }
  for (const TDateTime& D : {Morning, Afternoon}) {
    std::tm T{};
    T.tm_year = D.Year - 1900;
    T.tm_mon = D.Month - 1;
    T.tm_mday = D.Day;
    T.tm_hour = D.Hour;
    T.tm_min = D.Minute;
    T.tm_sec = D.Second;
    T.tm_wday = D.DayOfWeek;
    char Buffer[256];
    for (const auto& [Ours, Theirs] : {std::pair{u"ddddd", "%x"}, std::pair{u"tt", "%X"},
                                       std::pair{u"ddd dddd mmm mmmm ampm", "%a %A %b %B %p"}}) {
      const std::size_t Length = strftime_l(Buffer, sizeof Buffer, Theirs, &T, Locale);
      EXPECT_EQ(U8(FormatDateTime(Ours, D, S)), std::string(Buffer, Length)) << AName << " " << Theirs;
    }
  }
  freelocale(Locale);
  return true;
}

TEST(LinuxRegionalSettings, CLocaleDataTranslatesToWhatTheCLibraryWrites) {
  const auto Info = ReadLocaleTimeInfo("C");
  ASSERT_TRUE(Info.has_value());
  EXPECT_EQ(Info->DateFormat, "%m/%d/%y");
  EXPECT_EQ(Info->LongMonthNames[0], "January");
  EXPECT_EQ(Info->ShortDayNames[0], "Sun");
  EXPECT_TRUE(ExpectSameAsTheCLibrary("C"));
  EXPECT_TRUE(ExpectSameAsTheCLibrary("C.UTF-8"));
}

TEST(LinuxRegionalSettings, InstalledLocalesTranslateToWhatTheCLibraryWrites) {
  int Installed = 0;
  for (const char* Name : {"ja_JP.UTF-8", "en_US.UTF-8", "de_DE.UTF-8", "ko_KR.UTF-8", "fi_FI.UTF-8"})
    Installed += ExpectSameAsTheCLibrary(Name) ? 1 : 0;
  if (Installed == 0) GTEST_SKIP() << "none of the sample locales is installed";
}

} // namespace
} // namespace vm
