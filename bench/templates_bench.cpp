// The date-format language and the placeholders of a typical text template.
#include <benchmark/benchmark.h>

#include "fakes/fake_clipboard_text.h"
#include "fakes/fake_clock.h"
#include "templates/date_format.h"
#include "templates/expand_template.h"

namespace vm::bench {
namespace {

void BM_FormatDateTime(benchmark::State& AState, const char16_t* AFormat) {
  const TDateTime Time{2024, 5, 1, 9, 5, 7, 42, 3};
  const TFormatSettings Settings;
  for (auto _ : AState) benchmark::DoNotOptimize(FormatDateTime(AFormat, Time, Settings));
}
BENCHMARK_CAPTURE(BM_FormatDateTime, log_stamp, u"yyyy/mm/dd hh:nn:ss:zzz");
BENCHMARK_CAPTURE(BM_FormatDateTime, era_and_names, u"gge'年'm'月'd'日'(ddd) ampm h:nn");
BENCHMARK_CAPTURE(BM_FormatDateTime, regional_c, u"c");

void BM_ExpandTemplate(benchmark::State& AState) {
  test::TFakeClock Clock;
  test::TFakeClipboardText Clipboard;
  Clipboard.Text = u"お世話になっております。";
  const std::u16string Template =
      u"{date} {time}\r\nお疲れさまです。{clipboard}\r\n作成: {now:yyyy'年'm'月'd'日' hh:nn} / {datetime}";
  for (auto _ : AState) benchmark::DoNotOptimize(ExpandTemplate(Template, Clock, Clipboard));
}
BENCHMARK(BM_ExpandTemplate);

} // namespace
} // namespace vm::bench
