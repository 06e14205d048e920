// The history file: the JSON document, its protection with the Linux key (libsodium) and the
// atomic replacement of the file, written and read back, for small and large histories.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_world.h"
#include "history/clip_history.h"
#include "platform/linux/sodium_data_protection.h"

namespace vm::bench {
namespace {

struct THistoryOnDisk {
  test::TTempDataFolder Folder;
  TSodiumDataProtection Protection{Folder.Root() / "key"};
  TClipHistory History{Protection};
  std::u16string File = (Folder.Root() / "VellomarchData.dat").u16string();

  THistoryOnDisk(int ACount, std::size_t ALength) {
    History.SetMaxItems(ACount);
    for (int I = 0; I < ACount; ++I) {
      TClipItem Item;
      // Every fourth entry Japanese: escaped as \uXXXX, six bytes per code unit in the document.
      Item.Text = I % 4 == 3 ? JapaneseText(ALength, static_cast<unsigned>(I)) : AsciiText(ALength, static_cast<unsigned>(I));
      Item.Pinned = I % 10 == 0;
      History.Items().Add(Item);
    }
  }
  std::int64_t FileBytes() const { return static_cast<std::int64_t>(std::filesystem::file_size(File)); }
};

void SetCounters(benchmark::State& AState, int ACount, std::int64_t AFileBytes) {
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations()) * AFileBytes);
  AState.counters["entry"] = benchmark::Counter(static_cast<double>(ACount),
                                                benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
  AState.counters["file_bytes"] = static_cast<double>(AFileBytes);
}

void BM_SaveToFile(benchmark::State& AState) {
  const int Count = static_cast<int>(AState.range(0));
  THistoryOnDisk Disk(Count, static_cast<std::size_t>(AState.range(1)));
  for (auto _ : AState) Disk.History.SaveToFile(Disk.File);
  SetCounters(AState, Count, Disk.FileBytes());
}

void BM_LoadFromFile(benchmark::State& AState) {
  const int Count = static_cast<int>(AState.range(0));
  THistoryOnDisk Disk(Count, static_cast<std::size_t>(AState.range(1)));
  Disk.History.SaveToFile(Disk.File);
  TClipHistory Loaded(Disk.Protection);
  for (auto _ : AState) {
    Loaded.Items().Clear();
    Loaded.LoadFromFile(Disk.File);
    if (Loaded.Items().Count() != Count) AState.SkipWithError("the history did not load whole");
  }
  SetCounters(AState, Count, Disk.FileBytes());
}

// {entries, UTF-16 code units per entry}: typical entries of 200, large ones of 10 K.
#define HISTORY_SIZES ArgNames({"entries", "units"})->Args({30, 200})->Args({500, 200})->Args({30, 10240})->Args({500, 10240})
BENCHMARK(BM_SaveToFile)->HISTORY_SIZES->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFromFile)->HISTORY_SIZES->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vm::bench
