// Memory of captures through the core: what texts captured one after another leave on the heap.
// A program of its own: its figures are not times, and Google Benchmark's table (CSV) takes the
// counters of a program's first benchmark for all of them.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include "bench_world.h"
#include "history/clip_history.h"

namespace vm::bench {
namespace {

// The heap that texts captured one after another leave taken (the entries, the list's cells, what
// the saves leave behind) and held (the same plus freed memory the allocator keeps), per text.
// The in-memory platform stands in for the desktop, so the toolkit's own share is not in it.
void BM_HeapPerCapturedText(benchmark::State& AState) {
  const int Count = static_cast<int>(AState.range(0));
  const std::size_t Length = static_cast<std::size_t>(AState.range(1));
  double Taken = 0, Held = 0;
  for (auto _ : AState) {
    TBenchWorld World;
    World.Frm->History().SetMaxItems(Count);
    malloc_trim(0);
    const struct mallinfo2 Before = mallinfo2();
    for (int I = 0; I < Count; ++I) {
      World.F.Clipboard.StageText(AsciiText(Length, static_cast<unsigned>(I)));
      World.RunPending();
    }
    const struct mallinfo2 After = mallinfo2();
    Taken = static_cast<double>(After.uordblks + After.hblkhd) - static_cast<double>(Before.uordblks + Before.hblkhd);
    Held = static_cast<double>(After.arena + After.hblkhd) - static_cast<double>(Before.arena + Before.hblkhd);
  }
  AState.counters["taken_per_text"] = Taken / Count;
  AState.counters["held_per_text"] = Held / Count;
  AState.counters["utf16_bytes_per_text"] = static_cast<double>(Length * sizeof(char16_t));
}
BENCHMARK(BM_HeapPerCapturedText)->ArgNames({"texts", "units"})->Args({500, 220})->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vm::bench
