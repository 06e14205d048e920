// ExpandTemplate over any template body and any clipboard text, at a date the input chooses.
// Besides never failing: the clipboard is asked only for a template that names {clipboard}, and
// a template without any "{" comes back as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "fakes/fake_clipboard_text.h"
#include "fuzz_support.h"
#include "support/text.h"
#include "templates/expand_template.h"

namespace {

class TFixedClock final : public vm::IClock {
public:
  vm::TDateTime Time;
  vm::TDateTime Now() override { return Time; }
  void Sleep(int) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  FuzzedDataProvider Input(AData, ASize);
  TFixedClock Clock;
  // Mostly real dates; now and then one outside the calendar.
  Clock.Time.Year = Input.ConsumeIntegralInRange(0, 10000);
  Clock.Time.Month = Input.ConsumeIntegralInRange(1, 13);
  Clock.Time.Day = Input.ConsumeIntegralInRange(1, 31);
  Clock.Time.Hour = Input.ConsumeIntegralInRange(0, 23);
  Clock.Time.Minute = Input.ConsumeIntegralInRange(0, 59);
  Clock.Time.Second = Input.ConsumeIntegralInRange(0, 59);
  Clock.Time.Millisecond = Input.ConsumeIntegralInRange(0, 999);
  vm::test::TFakeClipboardText Clipboard;
  switch (Input.ConsumeIntegralInRange(0, 2)) {
    case 0: Clipboard.Text = vm::Utf8ToUtf16Lossy(Input.ConsumeRandomLengthString(256)); break;
    case 1: Clipboard.HeldOpen = true; break;
    default: break; // no text on the clipboard
  }
  const std::u16string Template = vm::Utf8ToUtf16Lossy(Input.ConsumeRemainingBytesAsString());

  const std::u16string Result = vm::ExpandTemplate(Template, Clock, Clipboard);
  if (vm::FindAsciiNoCase(Template, u"{clipboard}") == std::u16string::npos) FUZZ_CHECK(Clipboard.Asks == 0);
  if (Template.find(u'{') == std::u16string::npos) FUZZ_CHECK(Result == Template);
  return 0;
}
