#include "platform/linux/qt_imaging.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "support/error.h"

namespace vm {
namespace {

std::u16string ToU16(const QString& AText) { return AText.toStdU16String(); }

// The bytes as Qt sees them, without a copy: they must outlive the array.
QByteArray RawView(const TBytes& AData) {
  return QByteArray::fromRawData(reinterpret_cast<const char*>(AData.data()), static_cast<qsizetype>(AData.size()));
}

TBytes ToBytes(const QByteArray& AData) { return TBytes(AData.begin(), AData.end()); }

// Qt's encoders write straight into the result, so that a large file is not held twice.
class TBytesWriter final : public QIODevice {
public:
  explicit TBytesWriter(TBytes& AOut) : FOut(AOut) { open(QIODevice::WriteOnly); }
  bool isSequential() const override { return true; }

protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* AData, qint64 ASize) override {
    FOut.insert(FOut.end(), reinterpret_cast<const std::uint8_t*>(AData), reinterpret_cast<const std::uint8_t*>(AData) + ASize);
    return ASize;
  }

private:
  TBytes& FOut;
};

TBytes Encode(const QImage& AImage, const char* AFormat) {
  TBytes Out;
  TBytesWriter Device(Out);
  QImageWriter Writer(&Device, AFormat);
  if (!Writer.write(AImage)) throw TError(ToU16(Writer.errorString()));
  return Out;
}

void CheckPixelsFillTheSize(const TImage& AImage) {
  CheckImageBounds(AImage.Width, AImage.Height);
  const auto PixelCount = static_cast<std::size_t>(AImage.Width) * static_cast<std::size_t>(AImage.Height);
  if (AImage.Pixels.size() != PixelCount)
    throw TError(u"The image's pixels do not match its size (" + IntToStr(AImage.Width) + u" x " +
                 IntToStr(AImage.Height) + u")");
}

qsizetype RowBytes(const TImage& AImage) { return static_cast<qsizetype>(AImage.Width) * 4; }

// The picture's own pixels seen as a QImage, no copy; Format_ARGB32 keeps each pixel as the
// 32-bit value 0xAARRGGBB, as TImage does. Only valid while AImage lives and keeps its size.
QImage ConstView(const TImage& AImage) {
  CheckPixelsFillTheSize(AImage);
  return QImage(reinterpret_cast<const uchar*>(AImage.Pixels.data()), AImage.Width, AImage.Height, RowBytes(AImage),
                QImage::Format_ARGB32);
}

QImage WritableView(TImage& AImage, QImage::Format AFormat) {
  return QImage(reinterpret_cast<uchar*>(AImage.Pixels.data()), AImage.Width, AImage.Height, RowBytes(AImage),
                AFormat);
}

// Conversions go a few rows at a time, so that no second full-size picture is ever made.
int BandRows(int AWidth) { return std::max(1, (4 << 20) / std::max(1, AWidth * 4)); }

// Rows Y to Y + ARows of AImage in AFormat, through Qt's own conversion.
QImage ConvertedBand(const QImage& AImage, int AY, int ARows, QImage::Format AFormat) {
  QImage Band = AImage.copy(0, AY, AImage.width(), ARows).convertToFormat(AFormat);
  if (Band.isNull()) throw TError(u"Not enough memory for the image");
  return Band;
}

// What a decoder may reserve for one picture within the bounds: 4 bytes a pixel, 8 for a PNG
// of 16 bits a sample, which Qt reads as such. A file whose size the header does not tell (a
// GIF without a screen size, for instance) is stopped by this limit before it can reserve more.
int AllocationLimitMegabytes(const QByteArray& AFormat) {
  const long long BytesPerPixel = AFormat == "png" ? 8 : 4;
  return static_cast<int>(MaxImagePixels * BytesPerPixel / (1024 * 1024));
}

// The header's size is checked against the whole file before a decoder sees it; the reader's
// position is left as it was.
void CheckHeaderOfDevice(QIODevice* ADevice) {
  if (!ADevice || !ADevice->isOpen() || ADevice->isSequential()) return;
  const QByteArray Start = ADevice->peek(static_cast<qint64>(ImageHeaderBytes));
  CheckImageHeader(ToBytes(Start), ADevice->size());
}

} // namespace

QImage ToQImage(const TImage& AImage) {
  QImage Image = ConstView(AImage).copy();
  if (Image.isNull()) throw TError(u"Not enough memory for the image");
  return Image;
}

TImage FromQImage(const QImage& AImage) {
  if (AImage.isNull()) throw TError(u"The image could not be converted");
  TImage Result;
  Result.Width = AImage.width();
  Result.Height = AImage.height();
  Result.Pixels.resize(static_cast<std::size_t>(Result.Width) * static_cast<std::size_t>(Result.Height));
  const std::size_t Row = static_cast<std::size_t>(Result.Width) * 4;
  const int Step = BandRows(Result.Width);
  for (int Y = 0; Y < Result.Height; Y += Step) {
    const int Rows = std::min(Step, Result.Height - Y);
    const QImage Band = AImage.format() == QImage::Format_ARGB32 ? AImage.copy(0, Y, Result.Width, Rows)
                                                                  : ConvertedBand(AImage, Y, Rows, QImage::Format_ARGB32);
    for (int K = 0; K < Rows; ++K)
      std::memcpy(Result.Pixels.data() + static_cast<std::size_t>(Y + K) * Result.Width, Band.constScanLine(K), Row);
  }
  return Result;
}

TImage ReadImage(QImageReader& AReader) {
  // The pixels as stored: an orientation the file carries apart from them (EXIF) is not
  // applied, as the Windows program's decoder does not apply it, so an image template pastes
  // the same picture on both desktops.
  AReader.setAutoTransform(false);
  CheckHeaderOfDevice(AReader.device());
  const QSize Size = AReader.size();
  if (Size.isValid()) {
    CheckImageBounds(Size.width(), Size.height());
    // The decoder reserves the pixels its header states before it reads the first of them.
    if (const QIODevice* Device = AReader.device(); Device && !Device->isSequential())
      CheckImageDataSize(Size.width(), Size.height(), Device->size());
  } else if (!AReader.canRead()) {
    throw TError(ToU16(AReader.errorString()));
  }
  QImageReader::setAllocationLimit(AllocationLimitMegabytes(AReader.format()));

  // A picture that Qt decodes to 32 bits a pixel is decoded straight into the result's pixels:
  // Qt fills an image of the right size and format that it is given.
  TImage Result;
  QImage Image;
  const QImage::Format Format = Size.isValid() ? AReader.imageFormat() : QImage::Format_Invalid;
  if (Format == QImage::Format_ARGB32 || Format == QImage::Format_RGB32) {
    Result.Width = Size.width();
    Result.Height = Size.height();
    Result.Pixels.resize(static_cast<std::size_t>(Result.Width) * static_cast<std::size_t>(Result.Height));
    Image = WritableView(Result, Format);
  }
  if (!AReader.read(&Image)) throw TError(ToU16(AReader.errorString()));
  // Formats whose header tells no size are checked once decoded, before anything else is done.
  CheckImageBounds(Image.width(), Image.height());
  const bool DecodedInPlace = !Result.Pixels.empty() && Image.format() == Format && Image.size() == Size &&
                              Image.constBits() == reinterpret_cast<const uchar*>(Result.Pixels.data());
  if (!DecodedInPlace) {
    Result = TImage{};
    return FromQImage(Image);
  }
  // Qt's own conversion of 0xffRRGGBB pixels to straight alpha: the alpha byte made opaque.
  if (Format == QImage::Format_RGB32)
    for (std::uint32_t& Pixel : Result.Pixels) Pixel |= 0xFF000000u;
  return Result;
}

TImage ReadImage(const QByteArray& AData, const char* AFormat) {
  QByteArray Data = AData;
  QBuffer Buffer(&Data);
  Buffer.open(QIODevice::ReadOnly);
  QImageReader Reader(&Buffer, QByteArray(AFormat ? AFormat : ""));
  return ReadImage(Reader);
}

TQtImaging::TQtImaging() = default;

TImage TQtImaging::DecodePng(const TBytes& AData) {
  CheckPngHeader(AData);
  return ReadImage(RawView(AData), "png");
}

TImage TQtImaging::DecodeBmp(const TBytes& AData) {
  CheckBmpHeader(AData);
  return ReadImage(RawView(AData), "bmp");
}

TBytes TQtImaging::EncodePng(const TImage& AImage) { return Encode(ConstView(AImage), "png"); }

TBytes TQtImaging::EncodeBmp24(const TImage& AImage) {
  // Qt writes a picture without an alpha channel at 24 bits a pixel.
  return Encode(ConstView(AImage).convertToFormat(QImage::Format_RGB888), "bmp");
}

TBytes TQtImaging::Md5(const TBytes& AData) {
  return ToBytes(QCryptographicHash::hash(RawView(AData), QCryptographicHash::Md5));
}

TImage TQtImaging::Thumbnail(TImage AImage, int ASize) {
  if (ASize <= 0) throw TError(u"Invalid thumbnail size " + IntToStr(ASize));
  CheckPixelsFillTheSize(AImage);
  // Smooth scaling works on premultiplied pixels. The picture is ours: converted where it lies,
  // a band at a time with Qt's own conversion, it needs no full-size working copy.
  const QImage Straight = ConstView(AImage);
  const int Step = BandRows(AImage.Width);
  for (int Y = 0; Y < AImage.Height; Y += Step) {
    const int Rows = std::min(Step, AImage.Height - Y);
    const QImage Band = ConvertedBand(Straight, Y, Rows, QImage::Format_ARGB32_Premultiplied);
    std::memcpy(AImage.Pixels.data() + static_cast<std::size_t>(Y) * AImage.Width, Band.constBits(),
                static_cast<std::size_t>(Rows) * static_cast<std::size_t>(RowBytes(AImage)));
  }
  // The whole picture fills the square whatever its proportions. Smooth scaling averages the
  // source pixels each target pixel covers when shrinking.
  const QImage Premultiplied = WritableView(AImage, QImage::Format_ARGB32_Premultiplied);
  const QImage Scaled = Premultiplied.scaled(ASize, ASize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage Canvas(ASize, ASize, QImage::Format_RGB32);
  Canvas.fill(Qt::black);
  {
    QPainter Painter(&Canvas);
    Painter.drawImage(0, 0, Scaled);
  }
  return FromQImage(Canvas);
}

TImage TQtImaging::LoadImageFile(const std::u16string& AFileName) {
  QFile File(QString::fromStdU16String(AFileName));
  // A file that cannot be opened is left to the reader, whose message says why.
  if (!File.open(QIODevice::ReadOnly)) {
    QImageReader Reader(QString::fromStdU16String(AFileName));
    return ReadImage(Reader);
  }
  QImageReader Reader(&File);
  return ReadImage(Reader);
}

} // namespace vm
