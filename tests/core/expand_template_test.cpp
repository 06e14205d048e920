#include "templates/expand_template.h"

#include <gtest/gtest.h>

#include <optional>

#include "fakes/fake_clipboard_text.h"
#include "support/text.h"

namespace vm {
namespace {

using test::TFakeClipboardText;

// A clock that moves one minute on after every reading, so each result shows which reading it
// came from: the first reading is 09:05, the second 09:06, and so on.
class TSteppingClock final : public IClock {
public:
  TDateTime Time{2024, 5, 1, 9, 5, 7, 42, 3};
  int StepMinutes = 1;
  int Readings = 0;

  TDateTime Now() override {
    ++Readings;
    const TDateTime Reading = Time;
    Time.Minute += StepMinutes;
    Time.Hour += Time.Minute / 60;
    Time.Minute %= 60;
    return Reading;
  }
  void Sleep(int) override {}
};

TFormatSettings OtherSeparators() {
  TFormatSettings S;
  S.DateSeparator = u'-';
  S.TimeSeparator = u'.';
  return S;
}

struct TCase {
  const char16_t* Template;
  std::optional<std::u16string> Clipboard;
  const char16_t* Expected;
  TFormatSettings Settings = {};
};

TEST(ExpandTemplate, PlaceholdersInTheirOrder) {
  TFormatSettings LoopingShortDate;
  LoopingShortDate.ShortDateFormat = u"ddddd";
  const std::vector<TCase> Cases = {
      // Readings 1, 2 and 3 go to {date}, {time} and {datetime}, used or not; {now:} from 4 on.
      {u"{Date} {TIME}", {}, u"2024/05/01 09:06"},
      {u"{datetime}", {}, u"2024/05/01 09:07"},
      {u"{DATE}|{date}|{time}|{Time}|{DateTime}|{dAtEtImE}", {}, u"2024/05/01|2024/05/01|09:06|09:06|2024/05/01 09:07|2024/05/01 09:07"},
      {u"{date}", {}, u"2024-05-01", OtherSeparators()},
      {u"{now:hh:nn:ss}", {}, u"09:08:07"},
      {u"{NOW:yyyy-mm-dd hh:nn:ss}", {}, u"2024-05-01 09.08.07", OtherSeparators()},
      {u"{now:yyyy/mm/dd}", {}, u"2024-05-01", OtherSeparators()},
      {u"{now:hh:mm}", {}, u"09:08"},
      {u"{now:mm}", {}, u"05"},
      {u"{now:'Week' ddd}", {}, u"Week 水"},
      {u"{now:}", {}, u"2024/05/01 9:08:07"},
      // Each {now:} reads the clock anew.
      {u"{now:nn} {now:hh:nn}", {}, u"08 09:09"},
      // Unclosed: it and everything after it stay, but the fixed forms before and after are done.
      {u"a {now:yyyy", {}, u"a {now:yyyy"},
      {u"{now:nn} {now:yyyy {now:nn", {}, u"08 {now:yyyy {now:nn"},
      {u"{date} {now:yyyy {time}", {}, u"2024/05/01 {now:yyyy 09:06"},
      // FORMAT ends at the first "}", and a result is never searched again.
      {u"{now:'{now:yyyy}'}", {}, u"{now:yyyy'}"},
      {u"{now:yyyy}}", {}, u"2024}"},
      {u"{now{now:yyyy}", {}, u"{now2024"},
      // A format that cannot be applied stays as written; the next one is still expanded.
      {u"{now:ddddd} {now:yyyy}", {}, u"{now:ddddd} 2024", LoopingShortDate},
      // The clipboard's text is searched for {now:} but not for the fixed forms.
      {u"[{clipboard}]", u"{now:yyyy}", u"[2024]"},
      {u"[{clipboard}]", u"{date} {TIME} {datetime}", u"[{date} {TIME} {datetime}]"},
      {u"{now:nn}{Clipboard}", u"{now:nn}", u"0809"},
      {u"{CLIPBOARD}+{clipboard}", u"ab", u"ab+ab"},
      {u"{clipboard}", std::u16string(u"a\0b", 3), u"a"},
      {u"日本語 📌 {clipboard}", u"テキスト", u"日本語 📌 テキスト"},
      // No text on the clipboard: nothing.
      {u"[{clipboard}]", std::nullopt, u"[]"},
      // Near misses are plain text.
      {u"{date }{ time}{clip board}{now :yyyy}{datetime", {}, u"{date }{ time}{clip board}{now :yyyy}{datetime"},
  };
  for (const TCase& C : Cases) {
    TSteppingClock Clock;
    TFakeClipboardText Clipboard;
    Clipboard.Text = C.Clipboard;
    EXPECT_EQ(Utf16ToUtf8(ExpandTemplate(C.Template, Clock, Clipboard, C.Settings)), Utf16ToUtf8(C.Expected))
        << "template \"" << Utf16ToUtf8(C.Template) << "\"";
  }
}

TEST(ExpandTemplate, EmptyNowIsTheShortDateAloneAtMidnight) {
  TSteppingClock Clock;
  Clock.StepMinutes = 0;
  Clock.Time = {2024, 5, 1, 0, 0, 0, 0, 3};
  TFakeClipboardText Clipboard;
  EXPECT_EQ(ExpandTemplate(u"{now:}", Clock, Clipboard, {}), u"2024/05/01");
  Clock.Time.Millisecond = 1;
  EXPECT_EQ(ExpandTemplate(u"{now:}", Clock, Clipboard, {}), u"2024/05/01 0:00:00");
}

TEST(ExpandTemplate, ClipboardIsLeftAloneWithoutItsPlaceholder) {
  for (const char16_t* Template : {u"", u"plain text", u"{date} {now:yyyy} {clip}", u"{now:'{clipboard'}"}) {
    TSteppingClock Clock;
    TFakeClipboardText Clipboard;
    Clipboard.Text = u"x";
    ExpandTemplate(Template, Clock, Clipboard, {});
    EXPECT_EQ(Clipboard.Asks + Clipboard.Reads, 0) << Utf16ToUtf8(Template);
  }
  TSteppingClock Clock;
  TFakeClipboardText Clipboard;
  EXPECT_EQ(ExpandTemplate(u"plain text", Clock, Clipboard, {}), u"plain text");
}

TEST(ExpandTemplate, ClipboardIsReadOnceWhateverTheNumberOfPlaceholders) {
  TSteppingClock Clock;
  TFakeClipboardText Clipboard;
  Clipboard.Text = u"t";
  EXPECT_EQ(ExpandTemplate(u"{clipboard}{clipboard}{clipboard}", Clock, Clipboard, {}), u"ttt");
  EXPECT_EQ(Clipboard.Reads, 1);
}

TEST(ExpandTemplate, UnreadableClipboardGivesAnEmptyText) {
  TSteppingClock Clock;
  TFakeClipboardText HeldOpen;
  HeldOpen.Text = u"secret";
  HeldOpen.HeldOpen = true;
  EXPECT_EQ(ExpandTemplate(u"[{clipboard}] {now:yyyy}", Clock, HeldOpen, {}), u"[] 2024");
  EXPECT_EQ(HeldOpen.Reads, 1);

  TFakeClipboardText ImageOnly; // offers no Unicode text: not even opened
  EXPECT_EQ(ExpandTemplate(u"[{clipboard}]", Clock, ImageOnly, {}), u"[]");
  EXPECT_EQ(ImageOnly.Asks, 1);
  EXPECT_EQ(ImageOnly.Reads, 0);
}

TEST(ExpandTemplate, ClockOutsideTheCalendarLeavesThePlaceholdersAsWritten) {
  TSteppingClock Clock;
  Clock.StepMinutes = 0;
  Clock.Time.Month = 13;
  TFakeClipboardText Clipboard;
  Clipboard.Text = u"c";
  const std::u16string Template = u"{date} {time} {datetime} {now:yyyy} {now:}";
  EXPECT_EQ(ExpandTemplate(Template + u" {clipboard}", Clock, Clipboard, {}), Template + u" c");
}

} // namespace
} // namespace vm
