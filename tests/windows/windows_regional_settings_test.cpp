#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "platform/windows/windows_regional_settings.h"
#include "support/text.h"

namespace vm {
namespace {

struct TPictureCase {
  std::u16string_view Picture;
  char16_t DateSeparator, TimeSeparator;
  TPictureKind Kind;
  std::u16string_view Expected;
};

constexpr TPictureKind pkDate = TPictureKind::pkDate;
constexpr TPictureKind pkTime = TPictureKind::pkTime;

TEST(TranslateWindowsPicture, GivesTheDateFormatLanguage) {
  const TPictureCase Cases[] = {
      {u"yyyy/MM/dd", u'/', u':', pkDate, u"yyyy/mm/dd"},
      {u"M/d/yyyy", u'/', u':', pkDate, u"m/d/yyyy"},
      {u"yyyy'年'M'月'd'日'", u'/', u':', pkDate, u"yyyy'年'm'月'd'日'"},
      {u"dddd, MMMM d, yyyy", u'/', u':', pkDate, u"dddd, mmmm d, yyyy"},
      {u"ddd d MMM yy", u'/', u':', pkDate, u"ddd d mmm yy"},
      {u"d 'de' MMMM 'de' yyyy", u'/', u':', pkDate, u"d 'de' mmmm 'de' yyyy"},
      {u"yyyy年M月d日dddd", u'/', u':', pkDate, u"yyyy年m月d日dddd"},
      {u"gg y'年'M'月'd'日'", u'/', u':', pkDate, u"gg yy'年'm'月'd'日'"},
      // The date separator becomes "/", which the language replaces by the separator again.
      {u"dd.MM.yyyy", u'.', u':', pkDate, u"dd/mm/yyyy"},
      {u"yyyy. MM. dd.", u'.', u':', pkDate, u"yyyy/ mm/ dd/"},
      // Other characters stay literal; a "/" that is not the separator must not become one.
      {u"yyyy-MM-dd", u'/', u':', pkDate, u"yyyy-mm-dd"},
      {u"yyyy/MM/dd", u'-', u':', pkDate, u"yyyy'/'mm'/'dd"},
      // m is the minute in Windows pictures and n in the language; M is the month.
      {u"H:mm", u'/', u':', pkTime, u"h:nn"},
      {u"HH:mm:ss", u'/', u':', pkTime, u"hh:nn:ss"},
      {u"h:mm:ss tt", u'/', u':', pkTime, u"h:nn:ss ampm"},
      {u"tt hh:mm", u'/', u':', pkTime, u"ampm hh:nn"},
      {u"H.mm.ss", u'.', u'.', pkTime, u"h:nn:ss"},
      {u"H 'h' mm", u'/', u':', pkTime, u"h 'h' nn"},
      // A doubled quotation mark inside quotes is one mark; the language writes it between double ones.
      {u"h 'o''clock' tt", u'/', u':', pkTime, u"h 'o'\"'\"'clock' ampm"},
      // Unquoted letters that are no Windows specifier are quoted, or the language would read them.
      {u"yyyy x MM a", u'/', u':', pkDate, u"yyyy 'x' mm 'a'"},
      {u"dd\"MM", u'/', u':', pkDate, u"dd'\"'mm"},
      {u"HH:mm 'Uhr'", u'/', u':', pkTime, u"hh:nn 'Uhr'"},
      {u"", u'/', u':', pkDate, u""},
  };
  for (const TPictureCase& Case : Cases)
    EXPECT_EQ(TranslateWindowsPicture(Case.Picture, Case.DateSeparator, Case.TimeSeparator, Case.Kind), Case.Expected)
        << Utf16ToUtf8(Case.Picture);
}

void ExpectSame(const TFormatSettings& S, const TFormatSettings& D) {
  EXPECT_EQ(S.DateSeparator, D.DateSeparator);
  EXPECT_EQ(S.TimeSeparator, D.TimeSeparator);
  EXPECT_EQ(S.ShortDateFormat, D.ShortDateFormat);
  EXPECT_EQ(S.LongDateFormat, D.LongDateFormat);
  EXPECT_EQ(S.ShortTimeFormat, D.ShortTimeFormat);
  EXPECT_EQ(S.LongTimeFormat, D.LongTimeFormat);
  EXPECT_EQ(S.TimeAMString, D.TimeAMString);
  EXPECT_EQ(S.TimePMString, D.TimePMString);
  EXPECT_EQ(S.ShortMonthNames, D.ShortMonthNames);
  EXPECT_EQ(S.LongMonthNames, D.LongMonthNames);
  EXPECT_EQ(S.ShortDayNames, D.ShortDayNames);
  EXPECT_EQ(S.LongDayNames, D.LongDayNames);
}

void ExpectDefaults(const TFormatSettings& S) { ExpectSame(S, TFormatSettings()); }

TEST(FormatSettingsFromLocale, KeepsTheJapaneseDefaultsForWhatCannotBeRead) {
  ExpectDefaults(FormatSettingsFromLocale([](unsigned long) { return std::nullopt; }));
  // An empty value is no better than none, except for the designators (below).
  ExpectDefaults(FormatSettingsFromLocale([](unsigned long AType) -> std::optional<std::u16string> {
    if (AType == LOCALE_S1159 || AType == LOCALE_S2359) return std::nullopt;
    return u"";
  }));
}

TEST(FormatSettingsFromLocale, PutsSundayFirstAndReadsEveryName) {
  std::map<unsigned long, std::u16string> Locale;
  for (int K = 0; K < 7; ++K) {
    Locale[LOCALE_SDAYNAME1 + K] = u"Day" + IntToStr(K + 1);
    Locale[LOCALE_SABBREVDAYNAME1 + K] = u"D" + IntToStr(K + 1);
  }
  for (int K = 0; K < 12; ++K) {
    Locale[LOCALE_SMONTHNAME1 + K] = u"Month" + IntToStr(K + 1);
    Locale[LOCALE_SABBREVMONTHNAME1 + K] = u"M" + IntToStr(K + 1);
  }
  const TFormatSettings S = FormatSettingsFromLocale([&](unsigned long AType) -> std::optional<std::u16string> {
    const auto Found = Locale.find(AType);
    if (Found == Locale.end()) return std::nullopt;
    return Found->second;
  });
  // Windows' DAYNAME1 is Monday and DAYNAME7 Sunday.
  EXPECT_EQ(S.LongDayNames, (std::array<std::u16string, 7>{u"Day7", u"Day1", u"Day2", u"Day3", u"Day4", u"Day5", u"Day6"}));
  EXPECT_EQ(S.ShortDayNames, (std::array<std::u16string, 7>{u"D7", u"D1", u"D2", u"D3", u"D4", u"D5", u"D6"}));
  EXPECT_EQ(S.LongMonthNames[0], u"Month1");
  EXPECT_EQ(S.LongMonthNames[11], u"Month12");
  EXPECT_EQ(S.ShortMonthNames[4], u"M5");
}

TEST(FormatSettingsFromLocale, TakesTheSeparatorsFromThePicturesWhenTheyCannotBeReadAlone) {
  const std::map<unsigned long, std::u16string> Locale{{LOCALE_SSHORTDATE, u"dd.MM.yyyy"},
                                                       {LOCALE_SLONGDATE, u"dddd, d. MMMM yyyy"},
                                                       {LOCALE_STIMEFORMAT, u"HH'h'mm"},
                                                       {LOCALE_SSHORTTIME, u"HH'h'mm"},
                                                       {LOCALE_S1159, u""},
                                                       {LOCALE_S2359, u""}};
  const TFormatSettings S = FormatSettingsFromLocale([&](unsigned long AType) -> std::optional<std::u16string> {
    const auto Found = Locale.find(AType);
    if (Found == Locale.end()) return std::nullopt;
    return Found->second;
  });
  EXPECT_EQ(S.DateSeparator, u'.');
  EXPECT_EQ(S.TimeSeparator, u':'); // none outside the quotes: the default stays
  EXPECT_EQ(S.ShortDateFormat, u"dd/mm/yyyy");
  EXPECT_EQ(S.LongDateFormat, u"dddd, d/ mmmm yyyy");
  EXPECT_EQ(S.LongTimeFormat, u"hh'h'nn");
  EXPECT_EQ(S.TimeAMString, u"");
  EXPECT_EQ(S.TimePMString, u"");
}

// The strongest check: for real locales, the translated formats, fed with the translated
// names and separators, give exactly what Windows itself formats from the pictures.
std::u16string WindowsFormat(const wchar_t* ALocale, const SYSTEMTIME& ATime, LCTYPE APictureType, bool AIsTime) {
  wchar_t Picture[256] = {};
  if (GetLocaleInfoEx(ALocale, APictureType, Picture, 256) <= 0) return u"(no picture)";
  wchar_t Out[256] = {};
  const int Length = AIsTime ? GetTimeFormatEx(ALocale, 0, &ATime, Picture, Out, 256)
                            : GetDateFormatEx(ALocale, 0, &ATime, Picture, Out, 256, nullptr);
  if (Length <= 0) return u"(failed)";
  return std::u16string(reinterpret_cast<const char16_t*>(Out), static_cast<std::size_t>(Length) - 1);
}

std::u16string Picture(const wchar_t* ALocale, LCTYPE AType) {
  wchar_t Text[256] = {};
  const int Length = GetLocaleInfoEx(ALocale, AType, Text, 256);
  return Length > 0 ? std::u16string(reinterpret_cast<const char16_t*>(Text), static_cast<std::size_t>(Length) - 1)
                    : u"";
}

class RealLocale : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(RealLocale, FormatsAsWindowsFormatsThePictures) {
  const wchar_t* Locale = GetParam();
  const TFormatSettings S = WindowsRegionalSettings(Locale);
  struct TCheck {
    LCTYPE Type;
    bool Time;
    const std::u16string* Format;
  };
  const TCheck Checks[] = {{LOCALE_SSHORTDATE, false, &S.ShortDateFormat},
                           {LOCALE_SLONGDATE, false, &S.LongDateFormat},
                           {LOCALE_SSHORTTIME, true, &S.ShortTimeFormat},
                           {LOCALE_STIMEFORMAT, true, &S.LongTimeFormat}};
  // A morning and an evening, on a Wednesday and a Sunday, in two different months.
  const TDateTime Times[] = {{2024, 5, 1, 9, 5, 7, 42, 3}, {2023, 12, 31, 21, 47, 59, 0, 0}};
  for (const TDateTime& T : Times) {
    SYSTEMTIME St{};
    St.wYear = static_cast<WORD>(T.Year);
    St.wMonth = static_cast<WORD>(T.Month);
    St.wDay = static_cast<WORD>(T.Day);
    St.wDayOfWeek = static_cast<WORD>(T.DayOfWeek);
    St.wHour = static_cast<WORD>(T.Hour);
    St.wMinute = static_cast<WORD>(T.Minute);
    St.wSecond = static_cast<WORD>(T.Second);
    for (const TCheck& C : Checks)
      EXPECT_EQ(Utf16ToUtf8(FormatDateTime(*C.Format, T, S)), Utf16ToUtf8(WindowsFormat(Locale, St, C.Type, C.Time)))
          << "picture " << Utf16ToUtf8(Picture(Locale, C.Type)) << " became " << Utf16ToUtf8(*C.Format);
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, RealLocale,
                         // Not fi-FI, ru-RU or pl-PL: Windows writes their months in the genitive
                         // next to a day ("1. toukokuuta"), a second set of names that the
                         // date-format language does not have.
                         ::testing::Values(L"ja-JP", L"en-US", L"en-GB", L"de-DE", L"fr-FR", L"hu-HU", L"ko-KR",
                                           L"zh-CN", L"es-ES", L"it-IT", L"nl-NL", L"sv-SE", L"pt-BR", L"tr-TR"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& AInfo) {
                           std::string Name;
                           for (const wchar_t* P = AInfo.param; *P; ++P)
                             if (*P != L'-') Name += static_cast<char>(*P);
                           return Name;
                         });

// Wine's Japanese date pictures ("yyyy/M/d") differ from Windows' ("yyyy/MM/dd", which the
// table above translates); everything else must come out as the defaults, which are Japanese.
TEST(WindowsRegionalSettings, JapaneseLocaleGivesTheJapaneseNamesAndTimes) {
  const TFormatSettings S = WindowsRegionalSettings(L"ja-JP");
  TFormatSettings Expected;
  Expected.ShortDateFormat = S.ShortDateFormat;
  Expected.LongDateFormat = S.LongDateFormat;
  ExpectSame(S, Expected);
}

} // namespace
} // namespace vm
