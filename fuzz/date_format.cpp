// The date-format language: any format over any date record (months and hours out of range
// included) and regional forms that the input chooses too, so that forms which lead back to
// themselves are met. A format either gives a text or is refused with TError.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "fuzz_support.h"
#include "support/error.h"
#include "templates/date_format.h"

namespace {

// Regional forms are short in practice; the length keeps nested forms from multiplying
// into outputs that only measure the machine.
constexpr std::size_t MaxRegionalForm = 12;

std::u16string Text(FuzzedDataProvider& AInput, std::size_t AMaxLength) {
  return vm::Utf8ToUtf16Lossy(AInput.ConsumeRandomLengthString(AMaxLength));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  FuzzedDataProvider Input(AData, ASize);
  vm::TDateTime Date;
  Date.Year = Input.ConsumeIntegralInRange(-1, 10000);
  Date.Month = Input.ConsumeIntegralInRange(0, 13);
  Date.Day = Input.ConsumeIntegralInRange(0, 32);
  Date.Hour = Input.ConsumeIntegralInRange(-1, 24);
  Date.Minute = Input.ConsumeIntegralInRange(-1, 60);
  Date.Second = Input.ConsumeIntegralInRange(-1, 60);
  Date.Millisecond = Input.ConsumeIntegralInRange(-1, 1000);
  Date.DayOfWeek = Input.ConsumeIntegralInRange(-1, 7);
  vm::TFormatSettings Settings;
  if (Input.ConsumeBool()) {
    Settings.ShortDateFormat = Text(Input, MaxRegionalForm);
    Settings.LongDateFormat = Text(Input, MaxRegionalForm);
    Settings.ShortTimeFormat = Text(Input, MaxRegionalForm);
    Settings.LongTimeFormat = Text(Input, MaxRegionalForm);
  }
  const std::u16string Format = vm::Utf8ToUtf16Lossy(Input.ConsumeRemainingBytesAsString());
  try {
    vm::FormatDateTime(Format, Date, Settings);
  } catch (const vm::TError&) {
  }
  return 0;
}
