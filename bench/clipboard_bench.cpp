// Capture runs through the core with the Linux program's imaging (Qt): a 3840 x 2160 PNG is
// hashed, decoded, stored again as PNG and shrunk to its thumbnail; a 1 MB text is read and
// recorded. The designed waits before the reads pass on a fake clock and cost nothing here.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <filesystem>

#include "bench_world.h"
#include "history/clip_history.h"
#include "platform/linux/qt_imaging.h"
#include "support/data_folders.h"
#include "support/text.h"

namespace vm::bench {
namespace {

// A photograph-like picture: smooth gradients with fine noise, so that PNG cannot shrink it to
// nothing.
TBytes ScreenshotPng(int AWidth, int AHeight) {
  QImage Image(AWidth, AHeight, QImage::Format_ARGB32);
  std::uint32_t Noise = 12345;
  for (int Y = 0; Y < AHeight; ++Y) {
    auto* Row = reinterpret_cast<QRgb*>(Image.scanLine(Y));
    for (int X = 0; X < AWidth; ++X) {
      Noise = Noise * 1103515245u + 12345u;
      const int N = static_cast<int>(Noise >> 28);
      Row[X] = qRgb((X * 255 / AWidth + N) & 255, (Y * 255 / AHeight + N) & 255, ((X + Y) / 16 + N) & 255);
    }
  }
  QByteArray Png;
  QBuffer Buffer(&Png);
  Buffer.open(QIODevice::WriteOnly);
  Image.save(&Buffer, "PNG");
  return TBytes(Png.begin(), Png.end());
}

void ForgetStoredImages() {
  std::error_code Ec;
  std::filesystem::remove_all(FsPath(ImagesDir()), Ec);
  std::filesystem::remove_all(FsPath(ResizeImagesDir()), Ec);
}

void BM_CapturePng(benchmark::State& AState) {
  TQtImaging Imaging;
  TBenchWorld World(&Imaging);
  const TBytes Png = ScreenshotPng(static_cast<int>(AState.range(0)), static_cast<int>(AState.range(1)));
  for (auto _ : AState) {
    AState.PauseTiming();
    World.Frm->History().Clear();
    ForgetStoredImages();
    AState.ResumeTiming();
    World.F.Clipboard.StagePng(Png);
    World.RunPending();
  }
  if (World.Frm->History().Items().Count() != 1) AState.SkipWithError("the image was not recorded");
  AState.counters["png_bytes"] = static_cast<double>(Png.size());
  AState.SetItemsProcessed(static_cast<std::int64_t>(AState.iterations()) * AState.range(0) * AState.range(1));
}
BENCHMARK(BM_CapturePng)->ArgNames({"width", "height"})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CaptureText(benchmark::State& AState) {
  TBenchWorld World;
  const std::size_t Length = static_cast<std::size_t>(AState.range(0));
  // Two texts taken in turn, so that each capture records a change rather than a repeat.
  const std::u16string Texts[2] = {AsciiText(Length, 1), AsciiText(Length, 2)};
  World.Frm->History().SetMaxItems(30);
  int Turn = 0;
  for (auto _ : AState) {
    World.F.Clipboard.StageText(Texts[Turn ^= 1]);
    World.RunPending();
  }
  AState.SetBytesProcessed(static_cast<std::int64_t>(AState.iterations() * Length));
}
BENCHMARK(BM_CaptureText)->ArgNames({"units"})->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace vm::bench
