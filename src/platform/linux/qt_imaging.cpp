#include "platform/linux/qt_imaging.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageWriter>
#include <QPainter>

#include <cstring>

#include "support/error.h"

namespace vm {
namespace {

std::u16string ToU16(const QString& AText) { return AText.toStdU16String(); }

QByteArray ToByteArray(const TBytes& AData) {
  return QByteArray(reinterpret_cast<const char*>(AData.data()), static_cast<qsizetype>(AData.size()));
}

TBytes ToBytes(const QByteArray& AData) { return TBytes(AData.begin(), AData.end()); }

TBytes Encode(const QImage& AImage, const char* AFormat) {
  QByteArray Data;
  QBuffer Buffer(&Data);
  Buffer.open(QIODevice::WriteOnly);
  QImageWriter Writer(&Buffer, AFormat);
  if (!Writer.write(AImage)) throw TError(ToU16(Writer.errorString()));
  return ToBytes(Data);
}

// Qt refuses by default to allocate more than 128 MB for one picture, which a large screen
// shot already exceeds. The bounds the core sets are the limit that counts: room for the
// largest picture they admit at 4 bytes a pixel.
void RaiseAllocationLimit() {
  static const bool Done = [] {
    const int NeededMegabytes = static_cast<int>(MaxImagePixels * 4 / (1024 * 1024));
    if (QImageReader::allocationLimit() > 0 && QImageReader::allocationLimit() < NeededMegabytes)
      QImageReader::setAllocationLimit(NeededMegabytes);
    return true;
  }();
  (void)Done;
}

} // namespace

QImage ToQImage(const TImage& AImage) {
  CheckImageBounds(AImage.Width, AImage.Height);
  const auto PixelCount = static_cast<std::size_t>(AImage.Width) * static_cast<std::size_t>(AImage.Height);
  if (AImage.Pixels.size() != PixelCount)
    throw TError(u"The image's pixels do not match its size (" + IntToStr(AImage.Width) + u" x " +
                 IntToStr(AImage.Height) + u")");
  QImage Image(AImage.Width, AImage.Height, QImage::Format_ARGB32);
  if (Image.isNull()) throw TError(u"Not enough memory for the image");
  // Format_ARGB32 keeps each pixel as the 32-bit value 0xAARRGGBB, as TImage does.
  const std::size_t RowBytes = static_cast<std::size_t>(AImage.Width) * 4;
  for (int Y = 0; Y < AImage.Height; ++Y)
    std::memcpy(Image.scanLine(Y), AImage.Pixels.data() + static_cast<std::size_t>(Y) * AImage.Width, RowBytes);
  return Image;
}

TImage FromQImage(const QImage& AImage) {
  const QImage Image = AImage.format() == QImage::Format_ARGB32 ? AImage : AImage.convertToFormat(QImage::Format_ARGB32);
  if (Image.isNull()) throw TError(u"The image could not be converted");
  TImage Result;
  Result.Width = Image.width();
  Result.Height = Image.height();
  Result.Pixels.resize(static_cast<std::size_t>(Result.Width) * static_cast<std::size_t>(Result.Height));
  const std::size_t RowBytes = static_cast<std::size_t>(Result.Width) * 4;
  for (int Y = 0; Y < Result.Height; ++Y)
    std::memcpy(Result.Pixels.data() + static_cast<std::size_t>(Y) * Result.Width, Image.constScanLine(Y), RowBytes);
  return Result;
}

TImage ReadImage(QImageReader& AReader) {
  RaiseAllocationLimit();
  // The pixels as stored: an orientation the file carries apart from them (EXIF) is not
  // applied, as the Windows program's decoder does not apply it, so an image template pastes
  // the same picture on both desktops.
  AReader.setAutoTransform(false);
  const QSize Size = AReader.size();
  if (Size.isValid()) {
    CheckImageBounds(Size.width(), Size.height());
    // The decoder reserves the pixels its header states before it reads the first of them.
    if (const QIODevice* Device = AReader.device(); Device && !Device->isSequential())
      CheckImageDataSize(Size.width(), Size.height(), Device->size());
  } else if (!AReader.canRead()) {
    throw TError(ToU16(AReader.errorString()));
  }
  QImage Image;
  if (!AReader.read(&Image)) throw TError(ToU16(AReader.errorString()));
  // Formats whose header tells no size are checked once decoded, before anything else is done.
  CheckImageBounds(Image.width(), Image.height());
  return FromQImage(Image);
}

TImage ReadImage(const QByteArray& AData, const char* AFormat) {
  QByteArray Data = AData;
  QBuffer Buffer(&Data);
  Buffer.open(QIODevice::ReadOnly);
  QImageReader Reader(&Buffer, QByteArray(AFormat ? AFormat : ""));
  return ReadImage(Reader);
}

TQtImaging::TQtImaging() { RaiseAllocationLimit(); }

TImage TQtImaging::DecodePng(const TBytes& AData) { return ReadImage(ToByteArray(AData), "png"); }

TImage TQtImaging::DecodeBmp(const TBytes& AData) { return ReadImage(ToByteArray(AData), "bmp"); }

TBytes TQtImaging::EncodePng(const TImage& AImage) { return Encode(ToQImage(AImage), "png"); }

TBytes TQtImaging::EncodeBmp24(const TImage& AImage) {
  // Qt writes a picture without an alpha channel at 24 bits a pixel.
  return Encode(ToQImage(AImage).convertToFormat(QImage::Format_RGB888), "bmp");
}

TBytes TQtImaging::Md5(const TBytes& AData) {
  return ToBytes(QCryptographicHash::hash(ToByteArray(AData), QCryptographicHash::Md5));
}

TImage TQtImaging::Thumbnail(const TImage& AImage, int ASize) {
  if (ASize <= 0) throw TError(u"Invalid thumbnail size " + IntToStr(ASize));
  // The whole picture fills the square whatever its proportions. Smooth scaling averages the
  // source pixels each target pixel covers when shrinking, weighting colours by their alpha.
  const QImage Scaled = ToQImage(AImage).scaled(ASize, ASize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage Canvas(ASize, ASize, QImage::Format_RGB32);
  Canvas.fill(Qt::black);
  {
    QPainter Painter(&Canvas);
    Painter.drawImage(0, 0, Scaled);
  }
  return FromQImage(Canvas);
}

TImage TQtImaging::LoadImageFile(const std::u16string& AFileName) {
  QImageReader Reader(QString::fromStdU16String(AFileName));
  return ReadImage(Reader);
}

} // namespace vm
