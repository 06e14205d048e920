#include "platform/windows/windows_regional_settings.h"

#include <windows.h>

#include <array>

namespace vm {

namespace {

bool IsAsciiLetter(char16_t C) { return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z'); }

// Collects the translated format. Literal text that the date-format language could misread
// (letters, quotation marks, "/" and ":" that are not the separators) is kept quoted.
class TPictureWriter {
public:
  void Literal(char16_t C) { FPending += C; }

  void Plain(std::u16string_view AText) {
    Flush();
    FOut += AText;
  }

  std::u16string Finish() {
    Flush();
    return std::move(FOut);
  }

private:
  // The language has no escape inside quotes: a single quotation mark goes between double ones.
  void Flush() {
    std::size_t Start = 0;
    while (Start < FPending.size()) {
      const std::size_t Quote = FPending.find(u'\'', Start);
      const std::size_t End = Quote == std::u16string::npos ? FPending.size() : Quote;
      if (End > Start) FOut += u'\'' + FPending.substr(Start, End - Start) + u'\'';
      if (Quote == std::u16string::npos) break;
      FOut += u"\"'\"";
      Start = Quote + 1;
    }
    FPending.clear();
  }

  std::u16string FOut;
  std::u16string FPending;
};

// The date-format language's form of a run of ARun times the Windows specifier ALetter; empty
// when ALetter is not a specifier.
std::u16string_view Specifier(char16_t ALetter, std::size_t ARun) {
  switch (ALetter) {
    case u'd': return ARun == 1 ? u"d" : ARun == 2 ? u"dd" : ARun == 3 ? u"ddd" : u"dddd";
    case u'M': return ARun == 1 ? u"m" : ARun == 2 ? u"mm" : ARun == 3 ? u"mmm" : u"mmmm";
    // Windows' y is the year without century and without a leading zero; the nearest is yy.
    case u'y': return ARun <= 2 ? u"yy" : u"yyyy";
    // g and gg are both the whole era name on Windows.
    case u'g': return u"gg";
    // 12 or 24 hours follow from the presence of the designator in the language.
    case u'h':
    case u'H': return ARun == 1 ? u"h" : u"hh";
    case u'm': return ARun == 1 ? u"n" : u"nn";
    case u's': return ARun == 1 ? u"s" : u"ss";
    case u't': return u"ampm";
    default: return {};
  }
}

// The first character of APicture outside quotes that is neither one of ASpecifiers nor a space.
std::optional<char16_t> SeparatorOf(std::u16string_view APicture, std::u16string_view ASpecifiers) {
  bool Quoted = false;
  for (const char16_t C : APicture) {
    if (C == u'\'') {
      Quoted = !Quoted;
      continue;
    }
    if (Quoted || C == u' ' || ASpecifiers.find(C) != std::u16string_view::npos) continue;
    return C;
  }
  return std::nullopt;
}

constexpr std::array<unsigned long, 12> LongMonthTypes{
    LOCALE_SMONTHNAME1, LOCALE_SMONTHNAME2, LOCALE_SMONTHNAME3,  LOCALE_SMONTHNAME4,
    LOCALE_SMONTHNAME5, LOCALE_SMONTHNAME6, LOCALE_SMONTHNAME7,  LOCALE_SMONTHNAME8,
    LOCALE_SMONTHNAME9, LOCALE_SMONTHNAME10, LOCALE_SMONTHNAME11, LOCALE_SMONTHNAME12};
constexpr std::array<unsigned long, 12> ShortMonthTypes{
    LOCALE_SABBREVMONTHNAME1, LOCALE_SABBREVMONTHNAME2,  LOCALE_SABBREVMONTHNAME3,  LOCALE_SABBREVMONTHNAME4,
    LOCALE_SABBREVMONTHNAME5, LOCALE_SABBREVMONTHNAME6,  LOCALE_SABBREVMONTHNAME7,  LOCALE_SABBREVMONTHNAME8,
    LOCALE_SABBREVMONTHNAME9, LOCALE_SABBREVMONTHNAME10, LOCALE_SABBREVMONTHNAME11, LOCALE_SABBREVMONTHNAME12};
// Windows counts the days from Monday (DAYNAME1) to Sunday (DAYNAME7); the record from Sunday.
constexpr std::array<unsigned long, 7> LongDayTypes{LOCALE_SDAYNAME7, LOCALE_SDAYNAME1, LOCALE_SDAYNAME2,
                                                    LOCALE_SDAYNAME3, LOCALE_SDAYNAME4, LOCALE_SDAYNAME5,
                                                    LOCALE_SDAYNAME6};
constexpr std::array<unsigned long, 7> ShortDayTypes{
    LOCALE_SABBREVDAYNAME7, LOCALE_SABBREVDAYNAME1, LOCALE_SABBREVDAYNAME2, LOCALE_SABBREVDAYNAME3,
    LOCALE_SABBREVDAYNAME4, LOCALE_SABBREVDAYNAME5, LOCALE_SABBREVDAYNAME6};

} // namespace

std::u16string TranslateWindowsPicture(std::u16string_view APicture, char16_t ADateSeparator,
                                       char16_t ATimeSeparator, TPictureKind AKind) {
  TPictureWriter Out;
  std::size_t I = 0;
  while (I < APicture.size()) {
    const char16_t C = APicture[I];
    if (C == u'\'') {
      // Quoted text up to the next lone quotation mark; a doubled one stands for itself.
      ++I;
      while (I < APicture.size()) {
        if (APicture[I] == u'\'') {
          if (I + 1 < APicture.size() && APicture[I + 1] == u'\'') {
            Out.Literal(u'\'');
            I += 2;
            continue;
          }
          ++I;
          break;
        }
        Out.Literal(APicture[I++]);
      }
      continue;
    }
    if (const std::u16string_view Single = Specifier(C, 1); !Single.empty()) {
      std::size_t Run = 1;
      while (I + Run < APicture.size() && APicture[I + Run] == C) ++Run;
      Out.Plain(Specifier(C, Run));
      I += Run;
      continue;
    }
    ++I;
    const bool IsDateSep = C == ADateSeparator;
    const bool IsTimeSep = C == ATimeSeparator;
    if (IsAsciiLetter(C) || C == u'"') Out.Literal(C);
    else if (IsTimeSep && (AKind == TPictureKind::pkTime || !IsDateSep)) Out.Plain(u":");
    else if (IsDateSep) Out.Plain(u"/");
    else if (C == u'/' || C == u':') Out.Literal(C);
    else Out.Plain(std::u16string_view(&C, 1));
  }
  return Out.Finish();
}

TFormatSettings FormatSettingsFromLocale(const TLocaleReader& AReader) {
  TFormatSettings S;
  // An empty format, name or separator is as good as none: the default stays.
  const auto Text = [&](unsigned long AType) -> std::optional<std::u16string> {
    std::optional<std::u16string> Value = AReader(AType);
    if (Value && Value->empty()) Value.reset();
    return Value;
  };

  const std::optional<std::u16string> ShortDate = Text(LOCALE_SSHORTDATE);
  const std::optional<std::u16string> LongDate = Text(LOCALE_SLONGDATE);
  const std::optional<std::u16string> ShortTime = Text(LOCALE_SSHORTTIME);
  const std::optional<std::u16string> LongTime = Text(LOCALE_STIMEFORMAT);

  if (const auto Sep = Text(LOCALE_SDATE)) S.DateSeparator = (*Sep)[0];
  else if (const auto Found = ShortDate ? SeparatorOf(*ShortDate, u"dMyg") : std::nullopt) S.DateSeparator = *Found;
  if (const auto Sep = Text(LOCALE_STIME)) S.TimeSeparator = (*Sep)[0];
  else if (const auto Found = LongTime ? SeparatorOf(*LongTime, u"hHmst") : std::nullopt) S.TimeSeparator = *Found;

  const auto Translate = [&](const std::optional<std::u16string>& APicture, TPictureKind AKind,
                             std::u16string& ATarget) {
    if (APicture) ATarget = TranslateWindowsPicture(*APicture, S.DateSeparator, S.TimeSeparator, AKind);
  };
  Translate(ShortDate, TPictureKind::pkDate, S.ShortDateFormat);
  Translate(LongDate, TPictureKind::pkDate, S.LongDateFormat);
  Translate(ShortTime, TPictureKind::pkTime, S.ShortTimeFormat);
  Translate(LongTime, TPictureKind::pkTime, S.LongTimeFormat);

  // A locale may have no designators at all; an empty one is its real setting.
  if (const auto Am = AReader(LOCALE_S1159)) S.TimeAMString = *Am;
  if (const auto Pm = AReader(LOCALE_S2359)) S.TimePMString = *Pm;

  const auto ReadNames = [&](const auto& ATypes, auto& ANames) {
    for (std::size_t K = 0; K < ATypes.size(); ++K)
      if (auto Name = Text(ATypes[K])) ANames[K] = std::move(*Name);
  };
  ReadNames(ShortMonthTypes, S.ShortMonthNames);
  ReadNames(LongMonthTypes, S.LongMonthNames);
  ReadNames(ShortDayTypes, S.ShortDayNames);
  ReadNames(LongDayTypes, S.LongDayNames);
  return S;
}

TFormatSettings WindowsRegionalSettings(const wchar_t* ALocaleName) {
  return FormatSettingsFromLocale([ALocaleName](unsigned long AType) -> std::optional<std::u16string> {
    const int Size = GetLocaleInfoEx(ALocaleName, AType, nullptr, 0);
    if (Size <= 0) return std::nullopt;
    std::wstring Buffer(static_cast<std::size_t>(Size), L'\0');
    const int Got = GetLocaleInfoEx(ALocaleName, AType, Buffer.data(), Size);
    if (Got <= 0) return std::nullopt;
    // Got counts the terminating zero.
    Buffer.resize(static_cast<std::size_t>(Got) - 1);
    return std::u16string(reinterpret_cast<const char16_t*>(Buffer.data()), Buffer.size());
  });
}

} // namespace vm
