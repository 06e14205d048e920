#include "templates/date_format.h"

#include <cstdint>
#include <tuple>

#include "support/error.h"
#include "support/text.h"

// How the language treats what the table leaves open:
// - Letters are ASCII only; a run of one letter (any case mix) is one specifier, and runs longer
//   than the table's longest form act as that longest form (yyyyy = yyyy, hhh = hh, ddddddd =
//   dddddd). Letters that are no specifier (b, f, x, ...) are copied as written, and so are one
//   or two a's that start no am/pm, a/p or ampm.
// - An opening quote without its closing partner makes the rest of the format literal text:
//   nothing the user wrote is lost, and nothing after it is read as a specifier.
// - h is on the 12-hour clock when the same format string (not an enclosing or nested one) holds
//   am/pm, a/p or ampm outside quotes. m is a minute when the last letter before it, in the same
//   format string, was an h run.
// - ddddd, dddddd, t, tt and c expand the regional format strings with this same language; a
//   regional format that leads back to itself throws TError instead of recursing without end.
//   Only the whole format given by the caller turns into c when empty; an empty regional format
//   gives nothing.
// - The day name follows from the date itself, so a record whose DayOfWeek disagrees cannot
//   give a wrong name.
// - A date before the first era has an empty era name and era year.
// - A date or time outside the calendar (month 13, 25 o'clock, year 0 or 10000, ...) throws
//   TError: there is no right text for it, and the names tables must never be indexed with it.

namespace vm {
namespace {

TFormatSettings& ProcessSettings() {
  static TFormatSettings Settings;
  return Settings;
}

bool IsLeapYear(int AYear) { return (AYear % 4 == 0 && AYear % 100 != 0) || AYear % 400 == 0; }

int DaysInMonth(int AYear, int AMonth) {
  static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return (AMonth == 2 && IsLeapYear(AYear)) ? 29 : Days[AMonth - 1];
}

// 0 = Sunday; valid for every proleptic Gregorian date from year 1.
int DayOfWeek(int AYear, int AMonth, int ADay) {
  static constexpr int Offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const int Y = AMonth < 3 ? AYear - 1 : AYear;
  return (Y + Y / 4 - Y / 100 + Y / 400 + Offsets[AMonth - 1] + ADay) % 7;
}

void CheckDateTime(const TDateTime& ADate) {
  const bool Valid = ADate.Year >= 1 && ADate.Year <= 9999 && ADate.Month >= 1 && ADate.Month <= 12 && ADate.Day >= 1 &&
                     ADate.Day <= DaysInMonth(ADate.Year, ADate.Month) && ADate.Hour >= 0 && ADate.Hour <= 23 &&
                     ADate.Minute >= 0 && ADate.Minute <= 59 && ADate.Second >= 0 && ADate.Second <= 59 &&
                     ADate.Millisecond >= 0 && ADate.Millisecond <= 999;
  if (!Valid)
    throw TError(u"Invalid date or time: " + IntToStr(ADate.Year) + u"-" + IntToStr(ADate.Month) + u"-" +
                 IntToStr(ADate.Day) + u" " + IntToStr(ADate.Hour) + u":" + IntToStr(ADate.Minute) + u":" +
                 IntToStr(ADate.Second) + u"." + IntToStr(ADate.Millisecond));
}

void AppendNumber(std::u16string& AOut, int AValue, int ADigits) {
  const std::u16string Digits = IntToStr(AValue);
  if (Digits.size() < static_cast<std::size_t>(ADigits)) AOut.append(ADigits - Digits.size(), u'0');
  AOut += Digits;
}

bool IsAsciiLetter(char16_t C) { return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z'); }

enum class TKind {
  Literal,
  Year2, Year4,
  Month, Month2, MonthShort, MonthLong,
  Day, Day2, DayShort, DayLong, ShortDate, LongDate,
  Hour, Hour2, Minute, Minute2, Second, Second2, Milli, Milli3,
  ShortTime, LongTime, DateTime,
  AmPmWritten, APWritten, AmPmRegional,
  EraShort, EraLong, EraYear, EraYear2,
  DateSep, TimeSep
};

struct TToken {
  TKind Kind;
  std::u16string_view Text; // literal text, or the am/pm or a/p letters as written
};

std::vector<TToken> Tokenize(std::u16string_view F) {
  std::vector<TToken> Tokens;
  char16_t LastLetter = 0;
  std::size_t I = 0;
  while (I < F.size()) {
    const char16_t C = F[I];
    if (C == u'"' || C == u'\'') {
      const std::size_t Close = F.find(C, I + 1);
      const std::size_t End = Close == std::u16string_view::npos ? F.size() : Close;
      Tokens.push_back({TKind::Literal, F.substr(I + 1, End - I - 1)});
      I = Close == std::u16string_view::npos ? F.size() : Close + 1;
      continue;
    }
    if (C == u'/') { Tokens.push_back({TKind::DateSep, {}}); ++I; continue; }
    if (C == u':') { Tokens.push_back({TKind::TimeSep, {}}); ++I; continue; }
    if (!IsAsciiLetter(C)) {
      std::size_t End = I + 1;
      while (End < F.size() && !IsAsciiLetter(F[End]) && F[End] != u'"' && F[End] != u'\'' &&
             F[End] != u'/' && F[End] != u':')
        ++End;
      Tokens.push_back({TKind::Literal, F.substr(I, End - I)});
      I = End;
      continue;
    }

    const char16_t Letter = AsciiLower(C);
    if (Letter == u'a') {
      const std::u16string_view Rest = F.substr(I);
      const auto StartsWith = [&](std::u16string_view AWord) {
        return Rest.size() >= AWord.size() && SameTextAscii(Rest.substr(0, AWord.size()), AWord);
      };
      TKind Kind = TKind::Literal;
      std::size_t Length = 0;
      if (StartsWith(u"am/pm")) { Kind = TKind::AmPmWritten; Length = 5; }
      else if (StartsWith(u"a/p")) { Kind = TKind::APWritten; Length = 3; }
      else if (StartsWith(u"ampm")) { Kind = TKind::AmPmRegional; Length = 4; }
      if (Length > 0) {
        Tokens.push_back({Kind, Rest.substr(0, Length)});
        LastLetter = u'a';
        I += Length;
        continue;
      }
    }

    std::size_t Run = 1;
    while (I + Run < F.size() && AsciiLower(F[I + Run]) == Letter) ++Run;
    const std::u16string_view Written = F.substr(I, Run);
    TKind Kind = TKind::Literal;
    switch (Letter) {
      case u'y': Kind = Run <= 2 ? TKind::Year2 : TKind::Year4; break;
      case u'm':
        if (LastLetter == u'h' && Run <= 2) Kind = Run == 1 ? TKind::Minute : TKind::Minute2;
        else Kind = Run == 1 ? TKind::Month : Run == 2 ? TKind::Month2 : Run == 3 ? TKind::MonthShort : TKind::MonthLong;
        break;
      case u'd': {
        static constexpr TKind DayKinds[6] = {TKind::Day, TKind::Day2, TKind::DayShort,
                                              TKind::DayLong, TKind::ShortDate, TKind::LongDate};
        Kind = DayKinds[(Run > 6 ? 6 : Run) - 1];
        break;
      }
      case u'a':
        if (Run < 3) {
          // Not a specifier: copy one letter and look at the next one afresh, which may start a/p.
          Tokens.push_back({TKind::Literal, F.substr(I, 1)});
          LastLetter = u'a';
          ++I;
          continue;
        }
        Kind = Run == 3 ? TKind::DayShort : TKind::DayLong;
        break;
      case u'h': Kind = Run == 1 ? TKind::Hour : TKind::Hour2; break;
      case u'n': Kind = Run == 1 ? TKind::Minute : TKind::Minute2; break;
      case u's': Kind = Run == 1 ? TKind::Second : TKind::Second2; break;
      case u'z': Kind = Run == 1 ? TKind::Milli : TKind::Milli3; break;
      case u't': Kind = Run == 1 ? TKind::ShortTime : TKind::LongTime; break;
      case u'c': Kind = TKind::DateTime; break;
      case u'g': Kind = Run == 1 ? TKind::EraShort : TKind::EraLong; break;
      case u'e': Kind = Run == 1 ? TKind::EraYear : TKind::EraYear2; break;
      default: break;
    }
    Tokens.push_back({Kind, Written});
    LastLetter = Letter;
    I += Run;
  }
  return Tokens;
}

// Which regional format strings are being expanded, so that one that leads back to itself is caught.
enum TRegionalFormat : unsigned { rfShortDate = 1, rfLongDate = 2, rfShortTime = 4, rfLongTime = 8 };

class TFormatter {
public:
  TFormatter(const TDateTime& ADate, const TFormatSettings& ASettings) : FDate(ADate), FSettings(ASettings) {
    CheckDateTime(FDate);
    FWeekDay = DayOfWeek(FDate.Year, FDate.Month, FDate.Day);
    FindEra();
  }

  void Append(std::u16string& AOut, std::u16string_view AFormat, unsigned AActive) {
    const std::vector<TToken> Tokens = Tokenize(AFormat);
    bool TwelveHour = false;
    for (const TToken& T : Tokens)
      if (T.Kind == TKind::AmPmWritten || T.Kind == TKind::APWritten || T.Kind == TKind::AmPmRegional)
        TwelveHour = true;
    const int Hour12 = FDate.Hour % 12 == 0 ? 12 : FDate.Hour % 12;
    const int Hour = TwelveHour ? Hour12 : FDate.Hour;
    const bool Pm = FDate.Hour >= 12;

    for (const TToken& T : Tokens) {
      switch (T.Kind) {
        case TKind::Literal: AOut += T.Text; break;
        case TKind::Year2: AppendNumber(AOut, FDate.Year % 100, 2); break;
        case TKind::Year4: AppendNumber(AOut, FDate.Year, 4); break;
        case TKind::Month: AppendNumber(AOut, FDate.Month, 1); break;
        case TKind::Month2: AppendNumber(AOut, FDate.Month, 2); break;
        case TKind::MonthShort: AOut += FSettings.ShortMonthNames[FDate.Month - 1]; break;
        case TKind::MonthLong: AOut += FSettings.LongMonthNames[FDate.Month - 1]; break;
        case TKind::Day: AppendNumber(AOut, FDate.Day, 1); break;
        case TKind::Day2: AppendNumber(AOut, FDate.Day, 2); break;
        case TKind::DayShort: AOut += FSettings.ShortDayNames[FWeekDay]; break;
        case TKind::DayLong: AOut += FSettings.LongDayNames[FWeekDay]; break;
        case TKind::ShortDate: AppendRegional(AOut, rfShortDate, AActive); break;
        case TKind::LongDate: AppendRegional(AOut, rfLongDate, AActive); break;
        case TKind::Hour: AppendNumber(AOut, Hour, 1); break;
        case TKind::Hour2: AppendNumber(AOut, Hour, 2); break;
        case TKind::Minute: AppendNumber(AOut, FDate.Minute, 1); break;
        case TKind::Minute2: AppendNumber(AOut, FDate.Minute, 2); break;
        case TKind::Second: AppendNumber(AOut, FDate.Second, 1); break;
        case TKind::Second2: AppendNumber(AOut, FDate.Second, 2); break;
        case TKind::Milli: AppendNumber(AOut, FDate.Millisecond, 1); break;
        case TKind::Milli3: AppendNumber(AOut, FDate.Millisecond, 3); break;
        case TKind::ShortTime: AppendRegional(AOut, rfShortTime, AActive); break;
        case TKind::LongTime: AppendRegional(AOut, rfLongTime, AActive); break;
        case TKind::DateTime:
          AppendRegional(AOut, rfShortDate, AActive);
          if (FDate.Hour != 0 || FDate.Minute != 0 || FDate.Second != 0 || FDate.Millisecond != 0) {
            AOut += u' ';
            AppendRegional(AOut, rfLongTime, AActive);
          }
          break;
        case TKind::AmPmWritten: AOut += Pm ? T.Text.substr(3, 2) : T.Text.substr(0, 2); break;
        case TKind::APWritten: AOut += Pm ? T.Text[2] : T.Text[0]; break;
        case TKind::AmPmRegional: AOut += Pm ? FSettings.TimePMString : FSettings.TimeAMString; break;
        case TKind::EraShort: if (FEra) AOut += FEra->ShortName; break;
        case TKind::EraLong: if (FEra) AOut += FEra->Name; break;
        case TKind::EraYear: if (FEra) AppendNumber(AOut, FEraYear, 1); break;
        case TKind::EraYear2: if (FEra) AppendNumber(AOut, FEraYear, 2); break;
        case TKind::DateSep: AOut += FSettings.DateSeparator; break;
        case TKind::TimeSep: AOut += FSettings.TimeSeparator; break;
      }
    }
  }

private:
  const TDateTime& FDate;
  const TFormatSettings& FSettings;
  int FWeekDay = 0;
  const TEra* FEra = nullptr;
  int FEraYear = 0;

  // The era that began last on or before the date; the list need not be sorted.
  void FindEra() {
    const auto Date = std::make_tuple(FDate.Year, FDate.Month, FDate.Day);
    for (const TEra& E : FSettings.Eras) {
      const auto Start = std::make_tuple(E.StartYear, E.StartMonth, E.StartDay);
      if (Start > Date) continue;
      if (!FEra || Start > std::make_tuple(FEra->StartYear, FEra->StartMonth, FEra->StartDay)) FEra = &E;
    }
    if (FEra) FEraYear = FDate.Year - FEra->StartYear + 1;
  }

  void AppendRegional(std::u16string& AOut, TRegionalFormat AWhich, unsigned AActive) {
    const std::u16string* Format = nullptr;
    const char16_t* Name = u"";
    switch (AWhich) {
      case rfShortDate: Format = &FSettings.ShortDateFormat; Name = u"short date"; break;
      case rfLongDate: Format = &FSettings.LongDateFormat; Name = u"long date"; break;
      case rfShortTime: Format = &FSettings.ShortTimeFormat; Name = u"short time"; break;
      case rfLongTime: Format = &FSettings.LongTimeFormat; Name = u"long time"; break;
    }
    if (AActive & AWhich)
      throw TError(u"The regional " + std::u16string(Name) + u" format refers to itself: " + *Format);
    Append(AOut, *Format, AActive | AWhich);
  }
};

} // namespace

const TFormatSettings& RegionalSettings() { return ProcessSettings(); }

void SetRegionalSettings(const TFormatSettings& ASettings) { ProcessSettings() = ASettings; }

std::u16string FormatDateTime(std::u16string_view AFormat, const TDateTime& ADateTime,
                              const TFormatSettings& ASettings) {
  TFormatter Formatter(ADateTime, ASettings);
  std::u16string Out;
  Formatter.Append(Out, AFormat.empty() ? std::u16string_view(u"c") : AFormat, 0);
  return Out;
}

} // namespace vm
