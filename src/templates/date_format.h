#pragma once
// The date-format language (yyyy, mm, dd, hh, nn, ss, zzz, ddddd, c, am/pm, g, e, ...) used by
// the log, the placeholders and the timestamp, fed by the user's regional settings.
#include <array>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace vm {

struct TEra {
  int StartYear, StartMonth, StartDay; // first day of the era
  std::u16string Name;                 // "令和" (gg)
  std::u16string ShortName;            // "令" (g)
};

// The regional settings record. Defaults are those of a Japanese system.
struct TFormatSettings {
  char16_t DateSeparator = u'/';
  char16_t TimeSeparator = u':';
  std::u16string ShortDateFormat = u"yyyy/mm/dd";
  std::u16string LongDateFormat = u"yyyy'年'm'月'd'日'";
  std::u16string ShortTimeFormat = u"h:nn";
  std::u16string LongTimeFormat = u"h:nn:ss";
  std::u16string TimeAMString = u"午前";
  std::u16string TimePMString = u"午後";
  std::array<std::u16string, 12> ShortMonthNames{u"1月", u"2月", u"3月", u"4月", u"5月", u"6月",
                                                 u"7月", u"8月", u"9月", u"10月", u"11月", u"12月"};
  std::array<std::u16string, 12> LongMonthNames = ShortMonthNames;
  // Sunday first.
  std::array<std::u16string, 7> ShortDayNames{u"日", u"月", u"火", u"水", u"木", u"金", u"土"};
  std::array<std::u16string, 7> LongDayNames{u"日曜日", u"月曜日", u"火曜日", u"水曜日",
                                             u"木曜日", u"金曜日", u"土曜日"};
  // Oldest first.
  std::vector<TEra> Eras{{1868, 9, 8, u"明治", u"明"},
                         {1912, 7, 30, u"大正", u"大"},
                         {1926, 12, 25, u"昭和", u"昭"},
                         {1989, 1, 8, u"平成", u"平"},
                         {2019, 5, 1, u"令和", u"令"}};
};

// The process's regional settings: read from the platform once at start, defaults until then.
const TFormatSettings& RegionalSettings();
void SetRegionalSettings(const TFormatSettings& ASettings);

// Formats ADateTime with AFormat; an empty AFormat is "c". Throws TError when the format cannot be
// applied: a date or time outside the calendar (years 1 to 9999), or a regional format string that
// leads back to itself (a short date form holding "c", ...). Unterminated quoted text is not an
// error: it runs to the end of the format. The day name follows from the date, not DayOfWeek.
std::u16string FormatDateTime(std::u16string_view AFormat, const TDateTime& ADateTime,
                              const TFormatSettings& ASettings);

} // namespace vm
