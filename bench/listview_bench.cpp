// One keystroke in the search box: RebuildView over histories of several sizes and kinds. The
// searched word is found in no entry, so every entry's whole text is searched, the worst case.
// Texts are sized in UTF-16 code units: "100 KB" entries hold 102,400 characters.
#include <benchmark/benchmark.h>

#include "bench_world.h"
#include "history/clip_history.h"

namespace vm::bench {
namespace {

enum class TScript { Ascii, Japanese };

void FillHistory(TBenchWorld& AWorld, int ACount, std::size_t ALength, TScript AScript) {
  TClipHistory& History = AWorld.Frm->History();
  History.Items().Clear();
  History.SetMaxItems(ACount);
  for (int I = 0; I < ACount; ++I) {
    TClipItem Item;
    Item.Text = AScript == TScript::Ascii ? AsciiText(ALength, static_cast<unsigned>(I))
                                          : JapaneseText(ALength, static_cast<unsigned>(I));
    History.Items().Add(Item);
  }
}

enum class TKeystroke { Later, First };

// ALater: a keystroke when the popup has already been searched; First: the first search over
// entries never searched before (just captured or loaded), which prepares each entry's
// lower-cased text.
void RebuildView(benchmark::State& AState, TScript AScript, const char16_t* ASearch, TKeystroke AKeystroke) {
  TBenchWorld World;
  const int Count = static_cast<int>(AState.range(0));
  const std::size_t Length = static_cast<std::size_t>(AState.range(1));
  FillHistory(World, Count, Length, AScript);
  World.F.Popup.Search = ASearch;
  World.Frm->RebuildView();
  for (auto _ : AState) {
    if (AKeystroke == TKeystroke::First) {
      AState.PauseTiming();
      for (int I = 0; I < Count; ++I) World.Frm->History().Items()[I].SearchText.Forget();
      AState.ResumeTiming();
    }
    World.Frm->RebuildView();
    benchmark::DoNotOptimize(World.Frm->View().data());
  }
  AState.counters["entry"] = benchmark::Counter(static_cast<double>(Count),
                                                benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * Count *
                           static_cast<std::int64_t>(Length * sizeof(char16_t)));
}

void BM_RebuildView_Ascii(benchmark::State& AState) { RebuildView(AState, TScript::Ascii, u"Zqx", TKeystroke::Later); }
void BM_RebuildView_Japanese(benchmark::State& AState) {
  RebuildView(AState, TScript::Japanese, u"東京", TKeystroke::Later);
}
void BM_RebuildView_FirstSearch_Ascii(benchmark::State& AState) {
  RebuildView(AState, TScript::Ascii, u"Zqx", TKeystroke::First);
}

// {entries, UTF-16 code units per entry}: typical entries of 200, and 100 KB pastes.
BENCHMARK(BM_RebuildView_Ascii)
    ->ArgNames({"entries", "units"})
    ->Args({30, 200})
    ->Args({500, 200})
    ->Args({5000, 200})
    ->Args({500, 100 * 1024})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RebuildView_Japanese)
    ->ArgNames({"entries", "units"})
    ->Args({500, 200})
    ->Args({500, 100 * 1024})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_RebuildView_FirstSearch_Ascii)
    ->ArgNames({"entries", "units"})
    ->Args({500, 200})
    ->Args({500, 100 * 1024})
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vm::bench
