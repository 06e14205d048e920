// Pictures from the clipboard on Linux: the "PNG" bytes (DecodePng), BMP data (DecodeBmp) and
// any image target, whose format the bytes tell (ReadImage, as the clipboard's bitmap read
// does). A picture is read or refused with TError; the size bounds are checked before pixels
// are allocated, so no input can claim gigabytes (run with -malloc_limit_mb to see it).
// A picture that is read gets its thumbnail, as a capture makes it.
#include <QByteArray>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "platform/linux/qt_imaging.h"
#include "support/error.h"

namespace {

// Decoded pictures larger than this are not scaled: the scaling would only measure the machine.
constexpr long long MaxThumbnailSource = 1 << 20;

void Decoded(vm::TQtImaging& AImaging, const vm::TImage& AImage) {
  FUZZ_CHECK(!AImage.Empty());
  FUZZ_CHECK(AImage.Pixels.size() == static_cast<std::size_t>(AImage.Width) * static_cast<std::size_t>(AImage.Height));
  if (static_cast<long long>(AImage.Width) * AImage.Height > MaxThumbnailSource) return;
  const vm::TImage Thumbnail = AImaging.Thumbnail(AImage, 20);
  FUZZ_CHECK(Thumbnail.Width == 20 && Thumbnail.Height == 20);
}

template <typename TDecode>
void TryDecode(vm::TQtImaging& AImaging, TDecode ADecode) {
  vm::TImage Image;
  try {
    Image = ADecode();
  } catch (const vm::TError&) {
    return;
  }
  Decoded(AImaging, Image);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Kept for the whole run: Qt's image plugins and QPainter need the application object. It
  // gets arguments of its own, so that it takes none of libFuzzer's.
  static int Argc = 1;
  static char Name[] = "image_decoding";
  static char* Argv[] = {Name, nullptr};
  static QGuiApplication* const App = new QGuiApplication(Argc, Argv);
  (void)App;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  static vm::TQtImaging Imaging;
  const vm::TBytes Bytes = vm::fuzz::AsBytes(AData, ASize);
  TryDecode(Imaging, [&] { return Imaging.DecodePng(Bytes); });
  TryDecode(Imaging, [&] { return Imaging.DecodeBmp(Bytes); });
  TryDecode(Imaging, [&] {
    return vm::ReadImage(QByteArray(reinterpret_cast<const char*>(AData), static_cast<qsizetype>(ASize)), nullptr);
  });
  return 0;
}
