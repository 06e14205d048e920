#include "platform/linux/linux_regional_settings.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/text.h"

namespace vm {
namespace {

// A strftime format cut into literal text and single conversions, the composite conversions
// already written out.
struct TItem {
  bool Conversion;
  std::string Text; // literal bytes, or the flags followed by the conversion letter ("-d")
};

constexpr int MaxCompositeDepth = 4;

bool Flatten(std::string_view F, const TLocaleTimeInfo& AInfo, int ADepth, std::vector<TItem>& AOut) {
  if (ADepth > MaxCompositeDepth) return false;
  const auto AddLiteral = [&](std::string_view AText) {
    if (!AOut.empty() && !AOut.back().Conversion) AOut.back().Text += AText;
    else AOut.push_back({false, std::string(AText)});
  };
  const auto AddComposite = [&](std::string_view AFormat) { return Flatten(AFormat, AInfo, ADepth + 1, AOut); };
  std::size_t I = 0;
  while (I < F.size()) {
    if (F[I] != '%') {
      const std::size_t Next = F.find('%', I);
      const std::size_t End = Next == std::string_view::npos ? F.size() : Next;
      AddLiteral(F.substr(I, End - I));
      I = End;
      continue;
    }
    std::size_t J = I + 1;
    std::string Flags;
    while (J < F.size() && F[J] != '\0' && std::strchr("-_0^#", F[J])) Flags += F[J++];
    while (J < F.size() && F[J] >= '0' && F[J] <= '9') ++J; // a width changes nothing here
    if (J < F.size() && (F[J] == 'E' || F[J] == 'O')) ++J;  // alternative forms read as the plain ones
    if (J >= F.size()) return false;
    const char C = F[J];
    I = J + 1;
    bool Done = true;
    switch (C) {
      case '%': AddLiteral("%"); break;
      case 'n': AddLiteral("\n"); break;
      case 't': AddLiteral("\t"); break;
      case 'D': Done = AddComposite("%m/%d/%y"); break;
      case 'F': Done = AddComposite("%Y-%m-%d"); break;
      case 'T': Done = AddComposite("%H:%M:%S"); break;
      case 'R': Done = AddComposite("%H:%M"); break;
      case 'r': Done = AddComposite(AInfo.TimeFormatAmPm.empty() ? "%I:%M:%S %p" : AInfo.TimeFormatAmPm); break;
      case 'x': Done = AddComposite(AInfo.DateFormat); break;
      case 'X': Done = AddComposite(AInfo.TimeFormat); break;
      default:
        if (C == '\0' || !std::strchr("YymdeHkIlMSpPbhBaA", C)) return false;
        AOut.push_back({true, Flags + C});
    }
    if (!Done) return false;
  }
  return true;
}

char ConversionLetter(const TItem& AItem) { return AItem.Text.back(); }

std::string TrimSpaces(const std::string& AText) {
  const std::size_t First = AText.find_first_not_of(' ');
  if (First == std::string::npos) return {};
  return AText.substr(First, AText.find_last_not_of(' ') - First + 1);
}

bool IsAsciiPunctuation(char C) {
  return (C >= '!' && C <= '/') || (C >= ':' && C <= '@') || (C >= '[' && C <= '`') || (C >= '{' && C <= '~');
}

// The single punctuation character between the first two fields, if there is one.
std::optional<char16_t> SeparatorOf(const std::vector<TItem>& AItems) {
  for (std::size_t K = 0; K + 2 < AItems.size(); ++K) {
    if (!AItems[K].Conversion) continue;
    if (AItems[K + 1].Conversion || !AItems[K + 2].Conversion) return std::nullopt;
    const std::string Between = TrimSpaces(AItems[K + 1].Text);
    if (Between.size() == 1 && IsAsciiPunctuation(Between[0])) return static_cast<char16_t>(Between[0]);
    return std::nullopt;
  }
  return std::nullopt;
}

// The short time form: the long one without its seconds, together with the separator before them
// ("%H:%M:%S" gives "%H:%M") or, where there is none, the unit text after them ("%H時%M分%S秒"
// gives "%H時%M分").
std::vector<TItem> WithoutSeconds(std::vector<TItem> AItems, char16_t ATimeSeparator) {
  std::size_t K = 0;
  while (K < AItems.size() && !(AItems[K].Conversion && ConversionLetter(AItems[K]) == 'S')) ++K;
  if (K == AItems.size()) return AItems;
  AItems.erase(AItems.begin() + static_cast<std::ptrdiff_t>(K));
  const bool SeparatorBefore = K >= 2 && !AItems[K - 1].Conversion && AItems[K - 2].Conversion &&
                               TrimSpaces(AItems[K - 1].Text) == std::string(1, static_cast<char>(ATimeSeparator));
  if (SeparatorBefore) {
    AItems.erase(AItems.begin() + static_cast<std::ptrdiff_t>(K - 1));
  } else if (K < AItems.size() && !AItems[K].Conversion) {
    AItems.erase(AItems.begin() + static_cast<std::ptrdiff_t>(K));
  }
  // "%M분 %S초" leaves "%M분 ": no space at the end of the form.
  if (!AItems.empty() && !AItems.back().Conversion) {
    std::string& Tail = AItems.back().Text;
    Tail.erase(Tail.find_last_not_of(' ') + 1);
    if (Tail.empty()) AItems.pop_back();
  }
  return AItems;
}

bool IsAsciiLetter(char16_t C) { return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z'); }

// When both separators are one character, a time format reads it as the time separator.
std::optional<std::u16string> Translate(const std::vector<TItem>& AItems, char16_t ADateSeparator,
                                        char16_t ATimeSeparator, bool ATimeFormat = false) {
  std::u16string Out;
  std::u16string Quoted; // letters and marks that must not be read as specifiers
  const auto Flush = [&] {
    if (Quoted.empty()) return;
    Out += u'"' + Quoted + u'"';
    Quoted.clear();
  };
  char16_t LastLetter = 0; // of the last field written
  for (const TItem& Item : AItems) {
    if (!Item.Conversion) {
      std::u16string Text;
      try {
        Text = Utf8ToUtf16(Item.Text);
      } catch (...) {
        return std::nullopt;
      }
      for (const char16_t C : Text) {
        if (C == (ATimeFormat ? ATimeSeparator : ADateSeparator)) { Flush(); Out += ATimeFormat ? u':' : u'/'; }
        else if (C == (ATimeFormat ? ADateSeparator : ATimeSeparator)) { Flush(); Out += ATimeFormat ? u'/' : u':'; }
        else if (C == u'"') { Flush(); Out += u"'\"'"; }
        else if (IsAsciiLetter(C) || C == u'\'' || C == u'/' || C == u':') Quoted += C;
        else { Flush(); Out += C; }
      }
      continue;
    }
    Flush();
    const bool NoPad = Item.Text.find_first_of("-_") != std::string::npos;
    const char16_t* Field = u"";
    switch (ConversionLetter(Item)) {
      case 'Y': Field = u"yyyy"; break;
      case 'y': Field = u"yy"; break;
      case 'm': Field = NoPad ? u"m" : u"mm"; break;
      case 'd': Field = NoPad ? u"d" : u"dd"; break;
      case 'e': Field = u"d"; break;
      case 'H': case 'I': Field = NoPad ? u"h" : u"hh"; break;
      case 'k': case 'l': Field = u"h"; break;
      case 'M': Field = NoPad ? u"n" : u"nn"; break;
      case 'S': Field = NoPad ? u"s" : u"ss"; break;
      case 'p': case 'P': Field = u"ampm"; break;
      case 'b': case 'h': Field = u"mmm"; break;
      case 'B': Field = u"mmmm"; break;
      case 'a': Field = u"ddd"; break;
      case 'A': Field = u"dddd"; break;
      default: return std::nullopt;
    }
    const std::u16string_view FieldText(Field);
    // A month number right after an hour would be read as minutes; the language cannot say it.
    if ((FieldText == u"m" || FieldText == u"mm") && LastLetter == u'h') return std::nullopt;
    // Two fields of the same letter side by side would merge into one longer run.
    if (!Out.empty() && IsAsciiLetter(Out.back()) && AsciiLower(Out.back()) == FieldText[0]) Out += u"''";
    Out += FieldText;
    LastLetter = FieldText[0];
  }
  Flush();
  return Out;
}

std::optional<std::vector<TItem>> Parse(std::string_view AFormat, const TLocaleTimeInfo& AInfo) {
  std::vector<TItem> Items;
  if (!Flatten(AFormat, AInfo, 0, Items)) return std::nullopt;
  return Items;
}

void TakeName(std::u16string& ATarget, const std::string& AName) {
  if (AName.empty()) return;
  try {
    ATarget = Utf8ToUtf16(AName);
  } catch (...) {
    // Keep the default.
  }
}

// The text in UTF-8; empty when it cannot be converted.
std::string ToUtf8(const char* AText, const std::string& ACodeset) {
  if (!AText) return {};
  const std::string Text(AText);
  if (ACodeset == "UTF-8" || ACodeset == "ANSI_X3.4-1968" || Text.empty()) return Text;
  iconv_t Converter = iconv_open("UTF-8", ACodeset.c_str());
  if (Converter == reinterpret_cast<iconv_t>(-1)) return {};
  std::string Out(Text.size() * 4 + 4, '\0');
  char* In = const_cast<char*>(Text.data());
  std::size_t InLeft = Text.size();
  char* OutPtr = Out.data();
  std::size_t OutLeft = Out.size();
  const std::size_t Result = iconv(Converter, &In, &InLeft, &OutPtr, &OutLeft);
  iconv_close(Converter);
  if (Result == static_cast<std::size_t>(-1) || InLeft != 0) return {};
  Out.resize(Out.size() - OutLeft);
  return Out;
}

} // namespace

std::string LcTimeLocaleName() {
  for (const char* Variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* Value = std::getenv(Variable);
    if (Value && *Value) return Value;
  }
  return "C";
}

bool IsPosixLocaleName(std::string_view AName) {
  const std::string_view Base = AName.substr(0, AName.find_first_of(".@"));
  return Base == "C" || Base == "POSIX";
}

std::optional<TLocaleTimeInfo> ReadLocaleTimeInfo(const std::string& AName) {
  // The character set belongs to LC_CTYPE, so both categories are taken from the same locale.
  const locale_t Locale = newlocale(LC_CTYPE_MASK | LC_TIME_MASK, AName.c_str(), static_cast<locale_t>(nullptr));
  if (Locale == static_cast<locale_t>(nullptr)) return std::nullopt;
  const std::string Codeset = nl_langinfo_l(CODESET, Locale);
  const auto Read = [&](nl_item AItem) { return ToUtf8(nl_langinfo_l(AItem, Locale), Codeset); };
  TLocaleTimeInfo Info;
  Info.DateFormat = Read(D_FMT);
  Info.TimeFormat = Read(T_FMT);
  Info.TimeFormatAmPm = Read(T_FMT_AMPM);
  static constexpr nl_item ShortMonths[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4, ABMON_5, ABMON_6,
                                              ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
  static constexpr nl_item LongMonths[12] = {MON_1, MON_2, MON_3, MON_4, MON_5, MON_6,
                                             MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
  static constexpr nl_item ShortDays[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7};
  static constexpr nl_item LongDays[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
  for (int K = 0; K < 12; ++K) {
    Info.ShortMonthNames[K] = Read(ShortMonths[K]);
    Info.LongMonthNames[K] = Read(LongMonths[K]);
  }
  for (int K = 0; K < 7; ++K) {
    Info.ShortDayNames[K] = Read(ShortDays[K]);
    Info.LongDayNames[K] = Read(LongDays[K]);
  }
  Info.AmString = Read(AM_STR);
  Info.PmString = Read(PM_STR);
  freelocale(Locale);
  return Info;
}

std::optional<std::u16string> StrftimeToDateFormat(std::string_view AFormat, const TLocaleTimeInfo& AInfo,
                                                   char16_t ADateSeparator, char16_t ATimeSeparator) {
  const auto Items = Parse(AFormat, AInfo);
  if (!Items) return std::nullopt;
  return Translate(*Items, ADateSeparator, ATimeSeparator);
}

TFormatSettings FormatSettingsFromLocale(const TLocaleTimeInfo& AInfo) {
  TFormatSettings S;
  const auto DateItems = Parse(AInfo.DateFormat, AInfo);
  const auto TimeItems = Parse(AInfo.TimeFormat, AInfo);
  if (DateItems) S.DateSeparator = SeparatorOf(*DateItems).value_or(S.DateSeparator);
  if (TimeItems) S.TimeSeparator = SeparatorOf(*TimeItems).value_or(S.TimeSeparator);
  if (DateItems && !DateItems->empty())
    if (auto Format = Translate(*DateItems, S.DateSeparator, S.TimeSeparator)) S.ShortDateFormat = *Format;
  if (TimeItems && !TimeItems->empty()) {
    auto Long = Translate(*TimeItems, S.DateSeparator, S.TimeSeparator, true);
    auto Short = Translate(WithoutSeconds(*TimeItems, S.TimeSeparator), S.DateSeparator, S.TimeSeparator, true);
    if (Long && Short) {
      S.LongTimeFormat = *Long;
      S.ShortTimeFormat = *Short;
    }
  }
  for (int K = 0; K < 12; ++K) {
    TakeName(S.ShortMonthNames[K], AInfo.ShortMonthNames[K]);
    TakeName(S.LongMonthNames[K], AInfo.LongMonthNames[K]);
  }
  for (int K = 0; K < 7; ++K) {
    TakeName(S.ShortDayNames[K], AInfo.ShortDayNames[K]);
    TakeName(S.LongDayNames[K], AInfo.LongDayNames[K]);
  }
  // An empty designator is what a 24-hour locale says, and is taken as it is; only text that is
  // not UTF-8 keeps the default.
  for (auto [Target, Source] : {std::pair{&S.TimeAMString, &AInfo.AmString}, std::pair{&S.TimePMString, &AInfo.PmString}}) {
    try {
      *Target = Utf8ToUtf16(*Source);
    } catch (...) {
    }
  }
  return S;
}

TFormatSettings LocaleRegionalSettings(const std::string& AName) {
  if (IsPosixLocaleName(AName)) return TFormatSettings{};
  const auto Info = ReadLocaleTimeInfo(AName);
  if (!Info) return TFormatSettings{};
  return FormatSettingsFromLocale(*Info);
}

TFormatSettings LinuxRegionalSettings() { return LocaleRegionalSettings(LcTimeLocaleName()); }

} // namespace vm
