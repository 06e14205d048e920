#include "templates/date_format.h"

#include <gtest/gtest.h>

#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace {

TDateTime At(int AYear, int AMonth, int ADay, int AHour = 0, int AMinute = 0, int ASecond = 0, int AMilli = 0) {
  TDateTime T;
  T.Year = AYear;
  T.Month = AMonth;
  T.Day = ADay;
  T.Hour = AHour;
  T.Minute = AMinute;
  T.Second = ASecond;
  T.Millisecond = AMilli;
  T.DayOfWeek = 0; // deliberately wrong for most rows: the names must follow the date
  return T;
}

// Wednesday morning, every field distinguishable with and without leading zeros.
const TDateTime Morning = At(2024, 5, 1, 9, 5, 7, 42);
// Wednesday afternoon.
const TDateTime Afternoon = At(2024, 12, 25, 15, 4, 3, 7);

struct TCase {
  TDateTime Date;
  const char16_t* Format;
  const char16_t* Expected;
};

void ExpectCases(const std::vector<TCase>& ACases, const TFormatSettings& ASettings) {
  for (const TCase& C : ACases) {
    std::string Actual;
    try {
      Actual = Utf16ToUtf8(FormatDateTime(C.Format, C.Date, ASettings));
    } catch (const TError& E) {
      Actual = "TError: " + Utf16ToUtf8(E.Message());
    }
    EXPECT_EQ(Actual, Utf16ToUtf8(C.Expected)) << "format \"" << Utf16ToUtf8(C.Format) << "\"";
  }
}

TEST(DateFormat, JapaneseDefaults) {
  const std::vector<TCase> Cases = {
      // The two forms of the log.
      {Morning, u"yyyy/mm/dd hh:nn:ss:zzz", u"2024/05/01 09:05:07:042"},
      {Morning, u"yyyymmdd", u"20240501"},
      // Year.
      {Morning, u"y", u"24"},
      {Morning, u"yy", u"24"},
      {At(2005, 1, 1), u"y", u"05"},
      {Morning, u"yyy", u"2024"},
      {Morning, u"yyyy", u"2024"},
      {Morning, u"YyYy", u"2024"},
      {At(987, 1, 1), u"yyyy", u"0987"},
      {Morning, u"yyyyy", u"2024"},
      // Month.
      {Morning, u"m", u"5"},
      {Morning, u"mm", u"05"},
      {Morning, u"MMM", u"5月"},
      {Morning, u"mmmm", u"5月"},
      {At(2024, 11, 3), u"m mm", u"11 11"},
      // Day and day names (2024-05-01 is a Wednesday).
      {Morning, u"d", u"1"},
      {Morning, u"dd", u"01"},
      {Morning, u"ddd", u"水"},
      {Morning, u"dddd", u"水曜日"},
      {Morning, u"aaa", u"水"},
      {Morning, u"AAAA", u"水曜日"},
      {At(1899, 12, 30), u"dddd", u"土曜日"},
      {At(2000, 2, 29), u"dddd", u"火曜日"},
      {At(1, 1, 1), u"dddd", u"月曜日"},
      {Morning, u"ddddd", u"2024/05/01"},
      {Morning, u"dddddd", u"2024年5月1日"},
      {Morning, u"ddddddd", u"2024年5月1日"},
      // Hours, minutes, seconds, milliseconds.
      {Morning, u"h", u"9"},
      {Morning, u"hh", u"09"},
      {Afternoon, u"h", u"15"},
      {Morning, u"n nn", u"5 05"},
      {Morning, u"s ss", u"7 07"},
      {Morning, u"z zzz", u"42 042"},
      {Afternoon, u"z zz zzz", u"7 007 007"},
      // m after h is a minute; m anywhere else is the month.
      {Morning, u"hh:mm", u"09:05"},
      {At(2024, 5, 1, 9, 30), u"hh:mm", u"09:30"},
      {At(2024, 5, 1, 9, 30), u"mm", u"05"},
      {At(2024, 5, 1, 9, 30), u"h:m", u"9:30"},
      {At(2024, 5, 1, 9, 30), u"h'h'mm", u"9h30"},
      {At(2024, 5, 1, 9, 30), u"mm/dd hh", u"05/01 09"},
      {At(2024, 5, 1, 9, 30), u"hh:mmm", u"09:5月"},
      {At(2024, 5, 1, 9, 30), u"hh:nn mm", u"09:30 05"},
      // Regional time forms and c.
      {Morning, u"t", u"9:05"},
      {Morning, u"tt", u"9:05:07"},
      {Morning, u"c", u"2024/05/01 9:05:07"},
      {Morning, u"C", u"2024/05/01 9:05:07"},
      {Morning, u"", u"2024/05/01 9:05:07"},
      {At(2024, 1, 2), u"c", u"2024/01/02"},
      {At(2024, 1, 2), u"", u"2024/01/02"},
      {At(2024, 1, 2, 0, 0, 0, 1), u"c", u"2024/01/02 0:00:00"},
      // am/pm, a/p in the case written; ampm from the regional settings; h on the 12-hour clock.
      {Morning, u"h am/pm", u"9 am"},
      {Afternoon, u"h am/pm", u"3 pm"},
      {Afternoon, u"hh AM/PM", u"03 PM"},
      {Afternoon, u"h Am/pM", u"3 pM"},
      {Morning, u"h a/p", u"9 a"},
      {Afternoon, u"h A/P", u"3 P"},
      {Afternoon, u"ampm h", u"午後 3"},
      {Morning, u"AMPM h", u"午前 9"},
      {At(2024, 1, 2), u"h:nn am/pm", u"12:00 am"},
      {At(2024, 1, 2, 12), u"h:nn a/p", u"12:00 p"},
      {Afternoon, u"h 'am/pm'", u"15 am/pm"},
      // Separators, quotes and other text.
      {Morning, u"yyyy-mm-dd", u"2024-05-01"},
      {Morning, u"'Week' ddd", u"Week 水"},
      {Morning, u"\"yyyy\" yyyy", u"yyyy 2024"},
      {Morning, u"\"it's\" 'say \"hi\"'", u"it's say \"hi\""},
      {Morning, u"'/:'", u"/:"},
      {Morning, u"''yyyy", u"2024"},
      {Morning, u"yyyy 'tail dd", u"2024 tail dd"},
      {Morning, u"令和 yyyy年 (x, q!) 📌", u"令和 2024年 (x, q!) 📌"},
      {Morning, u"a aa", u"a aa"},
      {Afternoon, u"aa/p", u"ap"},
  };
  ExpectCases(Cases, TFormatSettings{});
}

TEST(DateFormat, JapaneseEras) {
  const std::vector<TCase> Cases = {
      {At(2019, 4, 30), u"gge'年'", u"平成31年"},
      {At(2019, 5, 1), u"gge'年'", u"令和1年"},
      {At(2019, 5, 1), u"g ee", u"令 01"},
      {At(2024, 5, 1), u"GGEE", u"令和06"},
      {At(1989, 1, 7), u"gge", u"昭和64"},
      {At(1989, 1, 8), u"gge", u"平成1"},
      {At(1868, 9, 8), u"gge", u"明治1"},
      {At(1868, 9, 7), u"[gg][e][g][ee]", u"[][][][]"},
      {At(1, 1, 1), u"gg e", u" "},
  };
  ExpectCases(Cases, TFormatSettings{});
}

TFormatSettings MadeUpSettings() {
  TFormatSettings S;
  S.DateSeparator = u'-';
  S.TimeSeparator = u'.';
  S.ShortDateFormat = u"dd/mm/yyyy";
  S.LongDateFormat = u"dddd d mmmm yyyy";
  S.ShortTimeFormat = u"h:nn ampm";
  S.LongTimeFormat = u"hh:nn:ss";
  S.TimeAMString = u"morning";
  S.TimePMString = u"evening";
  S.ShortMonthNames = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                       u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  S.LongMonthNames = {u"January", u"February", u"March", u"April", u"May!", u"June",
                      u"July", u"August", u"September", u"October", u"November", u"December"};
  S.ShortDayNames = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  S.LongDayNames = {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
  // Deliberately not in order.
  S.Eras = {{2000, 1, 1, u"Second Age", u"II"}, {1990, 6, 15, u"First Age", u"I"}};
  return S;
}

TEST(DateFormat, MadeUpRegionalSettings) {
  const std::vector<TCase> Cases = {
      {Morning, u"yyyy/mm/dd hh:nn:ss:zzz", u"2024-05-01 09.05.07.042"},
      {Morning, u"yyyymmdd", u"20240501"},
      {Morning, u"yyyy-mm-dd hh:nn", u"2024-05-01 09.05"},
      {Morning, u"mmm mmmm", u"May May!"},
      {Afternoon, u"mmm mmmm", u"Dec December"},
      {Morning, u"ddd dddd aaa aaaa", u"Wed Wednesday Wed Wednesday"},
      {Morning, u"ddddd", u"01-05-2024"},
      {Morning, u"dddddd", u"Wednesday 1 May! 2024"},
      {Morning, u"t", u"9.05 morning"},
      {Afternoon, u"t", u"3.04 evening"},
      {Afternoon, u"tt", u"15.04.03"},
      {Afternoon, u"c", u"25-12-2024 15.04.03"},
      {Afternoon, u"", u"25-12-2024 15.04.03"},
      {At(2024, 12, 25), u"c", u"25-12-2024"},
      {Afternoon, u"ampm", u"evening"},
      {Afternoon, u"h am/pm", u"3 pm"},
      {Morning, u"gg g e ee", u"Second Age II 25 25"},
      {At(1995, 3, 4), u"gg g e ee", u"First Age I 6 06"},
      {At(1990, 6, 14), u"[gg][g][e][ee]", u"[][][][]"},
      {At(1999, 12, 31), u"gg e", u"First Age 10"},
  };
  ExpectCases(Cases, MadeUpSettings());
}

TEST(DateFormat, NestedRegionalFormatsExpandUntilTheyLeadBackToThemselves) {
  TFormatSettings S;
  S.ShortDateFormat = u"dddddd";
  S.LongDateFormat = u"yyyy";
  S.ShortTimeFormat = u"";
  EXPECT_EQ(FormatDateTime(u"ddddd", Morning, S), u"2024");
  EXPECT_EQ(FormatDateTime(u"[t]", Morning, S), u"[]");
  EXPECT_EQ(FormatDateTime(u"c", Morning, S), u"2024 9:05:07");

  const auto ExpectLoop = [](TFormatSettings ASettings, std::u16string_view AFormat) {
    EXPECT_THROW(FormatDateTime(AFormat, Morning, ASettings), TError) << Utf16ToUtf8(AFormat);
  };
  TFormatSettings SelfShortDate;
  SelfShortDate.ShortDateFormat = u"yyyy ddddd";
  ExpectLoop(SelfShortDate, u"ddddd");
  ExpectLoop(SelfShortDate, u"");
  TFormatSettings CInShortDate;
  CInShortDate.ShortDateFormat = u"c";
  ExpectLoop(CInShortDate, u"c");
  TFormatSettings MutualTimes;
  MutualTimes.ShortTimeFormat = u"tt";
  MutualTimes.LongTimeFormat = u"h t";
  ExpectLoop(MutualTimes, u"t");
  ExpectLoop(MutualTimes, u"c");
  TFormatSettings ThroughDates;
  ThroughDates.ShortDateFormat = u"dddddd";
  ThroughDates.LongDateFormat = u"c";
  ExpectLoop(ThroughDates, u"ddddd");
}

TEST(DateFormat, DatesOutsideTheCalendarAreRejected) {
  const std::vector<TDateTime> Bad = {
      At(2024, 13, 1), At(2024, 0, 1),         At(2024, 4, 31),        At(2023, 2, 29),
      At(1900, 2, 29), At(0, 1, 1),            At(10000, 1, 1),        At(2024, 1, 0),
      At(2024, 1, 1, 24), At(2024, 1, 1, -1),  At(2024, 1, 1, 0, 60),  At(2024, 1, 1, 0, 0, 60),
      At(2024, 1, 1, 0, 0, 0, 1000),
  };
  for (const TDateTime& D : Bad)
    EXPECT_THROW(FormatDateTime(u"mmmm", D, TFormatSettings{}), TError)
        << D.Year << "-" << D.Month << "-" << D.Day << " " << D.Hour << ":" << D.Minute << ":" << D.Second;
  EXPECT_EQ(FormatDateTime(u"yyyy/mm/dd dddd", At(2000, 2, 29), TFormatSettings{}), u"2000/02/29 火曜日");
  EXPECT_EQ(FormatDateTime(u"yyyy/mm/dd", At(9999, 12, 31, 23, 59, 59, 999), TFormatSettings{}), u"9999/12/31");
}

TEST(DateFormat, ProcessRegionalSettingsCanBeReplaced) {
  const TFormatSettings Saved = RegionalSettings();
  EXPECT_EQ(FormatDateTime(u"yyyy/mm/dd hh:nn", Morning, RegionalSettings()), u"2024/05/01 09:05");
  SetRegionalSettings(MadeUpSettings());
  EXPECT_EQ(FormatDateTime(u"yyyy/mm/dd hh:nn", Morning, RegionalSettings()), u"2024-05-01 09.05");
  SetRegionalSettings(Saved);
}

} // namespace
} // namespace vm
