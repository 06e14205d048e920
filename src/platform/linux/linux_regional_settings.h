#pragma once
// The user's regional settings on Linux: the LC_TIME part of the locale the environment names,
// read into a private locale object, so the process's own locale never changes.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "templates/date_format.h"

namespace vm {

// What a locale says about dates and times in its own terms: strftime formats and UTF-8 texts.
struct TLocaleTimeInfo {
  std::string DateFormat;     // D_FMT, e.g. "%m/%d/%Y"
  std::string TimeFormat;     // T_FMT, e.g. "%r"
  std::string TimeFormatAmPm; // T_FMT_AMPM, e.g. "%I:%M:%S %p"; what %r stands for
  std::array<std::string, 12> ShortMonthNames, LongMonthNames;
  std::array<std::string, 7> ShortDayNames, LongDayNames; // Sunday first
  std::string AmString, PmString;
};

// The locale name the C library would use for LC_TIME: LC_ALL, else LC_TIME, else LANG (empty
// values count as unset), else "C".
std::string LcTimeLocaleName();

// "C", "POSIX" and their codeset variants such as "C.UTF-8".
bool IsPosixLocaleName(std::string_view AName);

// nullopt when the locale is not installed. Texts in another codeset are converted to UTF-8;
// a text that cannot be converted is left empty.
std::optional<TLocaleTimeInfo> ReadLocaleTimeInfo(const std::string& AName);

// A strftime format in the date-format language (letters and separators quoted where needed).
// The composite forms %D %F %T %R %r %x %X are written out first. nullopt when the format holds
// a conversion the language has no counterpart for (%Z, %j, %U, ...) or is not UTF-8.
// ADateSeparator and ATimeSeparator are the characters that become "/" and ":".
std::optional<std::u16string> StrftimeToDateFormat(std::string_view AFormat, const TLocaleTimeInfo& AInfo,
                                                   char16_t ADateSeparator, char16_t ATimeSeparator);

// The record for a locale's time information. Japanese defaults stay for what the locale does
// not give or the language cannot express: the long date form, the eras, any name that is empty
// or unreadable, and a format with an untranslatable conversion. Separators are the single
// punctuation character between the first two fields of the date and time formats, else "/"
// and ":".
TFormatSettings FormatSettingsFromLocale(const TLocaleTimeInfo& AInfo);

// The record for a named locale; the Japanese defaults for the C and POSIX locales and for a
// locale that is not installed.
TFormatSettings LocaleRegionalSettings(const std::string& AName);

// The record for the user's environment, for SetRegionalSettings at start-up.
TFormatSettings LinuxRegionalSettings();

} // namespace vm
