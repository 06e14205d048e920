#pragma once
// The user's regional settings on Windows, translated into the record the date-format
// language reads (templates/date_format.h).
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "templates/date_format.h"

namespace vm {

enum class TPictureKind { pkDate, pkTime };

// Translates a Windows date or time picture (yyyy, MM, M, dd, d, HH, H, hh, h, mm, ss, tt, gg,
// 'quoted text') into the date-format language (m for the month, n for the minutes, ampm for
// the designator). Outside quotes ADateSeparator becomes "/" and ATimeSeparator ":" (in a
// time picture the time separator wins when both are the same character); every other
// character that the date-format language would read as a specifier is quoted, so the result
// gives the same text as the picture.
std::u16string TranslateWindowsPicture(std::u16string_view APicture, char16_t ADateSeparator,
                                       char16_t ATimeSeparator, TPictureKind AKind);

// One locale value by its LCTYPE (LOCALE_SSHORTDATE, ...); nothing when it cannot be read.
using TLocaleReader = std::function<std::optional<std::u16string>(unsigned long ALocaleType)>;

// Builds the record from the locale values AReader gives; whatever cannot be read keeps the
// Japanese default of TFormatSettings.
TFormatSettings FormatSettingsFromLocale(const TLocaleReader& AReader);

// The settings of ALocaleName ("ja-JP"), or of the user's default locale for nullptr.
TFormatSettings WindowsRegionalSettings(const wchar_t* ALocaleName = nullptr);

} // namespace vm
