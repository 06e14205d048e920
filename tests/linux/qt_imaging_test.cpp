#include "platform/linux/qt_imaging.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <cstdlib>
#include <functional>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/error.h"
#include "x11_test_environment.h"

namespace vm {
namespace {

namespace fs = std::filesystem;
using test::RunProcess;
using test::TX11TestEnvironment;

TBytes BytesOf(const std::string& AText) { return TBytes(AText.begin(), AText.end()); }

std::uint32_t U32At(const TBytes& AData, std::size_t AOffset) {
  return AData[AOffset] | AData[AOffset + 1] << 8 | AData[AOffset + 2] << 16 |
         static_cast<std::uint32_t>(AData[AOffset + 3]) << 24;
}

std::uint16_t U16At(const TBytes& AData, std::size_t AOffset) {
  return static_cast<std::uint16_t>(AData[AOffset] | AData[AOffset + 1] << 8);
}

TImage Solid(int AWidth, int AHeight, std::uint32_t AColour) {
  return TImage{AWidth, AHeight, std::vector<std::uint32_t>(static_cast<std::size_t>(AWidth * AHeight), AColour)};
}

std::uint32_t Pixel(const TImage& AImage, int AX, int AY) {
  return AImage.Pixels[static_cast<std::size_t>(AY * AImage.Width + AX)];
}

int Channel(std::uint32_t APixel, int AShift) { return static_cast<int>(APixel >> AShift & 0xFF); }

// Each colour channel within ATolerance (lossy formats).
bool NearColour(std::uint32_t AActual, std::uint32_t AExpected, int ATolerance) {
  for (int Shift : {0, 8, 16, 24})
    if (std::abs(Channel(AActual, Shift) - Channel(AExpected, Shift)) > ATolerance) return false;
  return true;
}

std::u16string ErrorOf(const std::function<void()>& AAction) {
  try {
    AAction();
  } catch (const TError& E) {
    return E.Message();
  }
  return u"(no error)";
}

std::uint32_t Crc32(const std::string& AData) {
  std::uint32_t Crc = 0xFFFFFFFFu;
  for (unsigned char C : AData) {
    Crc ^= C;
    for (int K = 0; K < 8; ++K) Crc = Crc >> 1 ^ (0xEDB88320u & (0u - (Crc & 1u)));
  }
  return ~Crc;
}

std::string BigEndian(std::uint32_t AValue) {
  return {static_cast<char>(AValue >> 24), static_cast<char>(AValue >> 16), static_cast<char>(AValue >> 8),
          static_cast<char>(AValue)};
}

std::string PngChunk(const std::string& AType, const std::string& AData) {
  return BigEndian(static_cast<std::uint32_t>(AData.size())) + AType + AData + BigEndian(Crc32(AType + AData));
}

// A well-formed PNG whose header claims the size and whose pixel data is a few bytes: a decoder
// that trusted the header would allocate for the claimed pixels before finding the data short.
TBytes PngClaiming(std::uint32_t AWidth, std::uint32_t AHeight) {
  const std::string Header = BigEndian(AWidth) + BigEndian(AHeight) + std::string("\x08\x06\x00\x00\x00", 5);
  return BytesOf(std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", Header) +
                 PngChunk("IDAT", std::string("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9)) + PngChunk("IEND", ""));
}

class QtImaging : public ::testing::Test {
protected:
  TQtImaging FImaging;
};

TEST_F(QtImaging, Md5OfAbcIsTheRfcDigest) {
  const TBytes Digest = FImaging.Md5(BytesOf("abc"));
  const TBytes Expected{0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                        0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
  EXPECT_EQ(Digest, Expected);
}

TEST_F(QtImaging, PngRoundTripKeepsEveryPixelAndItsAlpha) {
  TImage Image{3, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80102030, 0x01FFFFFF, 0xFF000000}};
  const TBytes Png = FImaging.EncodePng(Image);
  ASSERT_GE(Png.size(), 8u);
  EXPECT_EQ(std::string(Png.begin() + 1, Png.begin() + 4), "PNG");
  const TImage Back = FImaging.DecodePng(Png);
  EXPECT_EQ(Back.Width, 3);
  EXPECT_EQ(Back.Height, 2);
  EXPECT_EQ(Back.Pixels, Image.Pixels);
}

TEST_F(QtImaging, Bmp24HasA24BitHeaderAndReadsBackOpaque) {
  TImage Image{3, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF102030, 0xFFFFFFFF, 0xFF000000}};
  const TBytes Bmp = FImaging.EncodeBmp24(Image);
  ASSERT_GE(Bmp.size(), 54u);
  EXPECT_EQ(Bmp[0], 'B');
  EXPECT_EQ(Bmp[1], 'M');
  EXPECT_EQ(U32At(Bmp, 2), Bmp.size());
  EXPECT_EQ(U32At(Bmp, 18), 3u);                    // width
  EXPECT_EQ(static_cast<std::int32_t>(U32At(Bmp, 22)), 2); // height, bottom-up
  EXPECT_EQ(U16At(Bmp, 28), 24);                    // bits per pixel
  EXPECT_EQ(U32At(Bmp, 30), 0u);                    // BI_RGB
  // Rows of 3 pixels are 9 bytes, padded to 12.
  EXPECT_EQ(Bmp.size(), U32At(Bmp, 10) + 2 * 12);
  EXPECT_EQ(FImaging.DecodeBmp(Bmp).Pixels, Image.Pixels);
}

TEST_F(QtImaging, ThumbnailIsA20By20Bmp24File) {
  const TBytes Bmp = FImaging.EncodeBmp24(FImaging.Thumbnail(Solid(64, 48, 0xFF336699), 20));
  ASSERT_EQ(Bmp.size(), 54u + 20 * 60); // header + 20 rows of 60 bytes, no padding
  EXPECT_EQ(U32At(Bmp, 10), 54u);
  EXPECT_EQ(U32At(Bmp, 14), 40u); // BITMAPINFOHEADER
  EXPECT_EQ(U32At(Bmp, 18), 20u);
  EXPECT_EQ(U32At(Bmp, 22), 20u);
  EXPECT_EQ(U16At(Bmp, 26), 1);
  EXPECT_EQ(U16At(Bmp, 28), 24);
  EXPECT_EQ(U32At(Bmp, 30), 0u);
  // The first stored pixel, blue green red.
  EXPECT_EQ(Bmp[54], 0x99);
  EXPECT_EQ(Bmp[55], 0x66);
  EXPECT_EQ(Bmp[56], 0x33);
}

TEST_F(QtImaging, ThumbnailSquashesAWideImageIntoTheWholeSquare) {
  // 300 x 10: red on the left half, blue on the right.
  TImage Wide = Solid(300, 10, 0xFFFF0000);
  for (int Y = 0; Y < 10; ++Y)
    for (int X = 150; X < 300; ++X) Wide.Pixels[static_cast<std::size_t>(Y * 300 + X)] = 0xFF0000FF;
  const TImage Thumb = FImaging.Thumbnail(Wide, 20);
  ASSERT_EQ(Thumb.Width, 20);
  ASSERT_EQ(Thumb.Height, 20);
  // Stretched, not letter-boxed: the top and bottom rows are picture, not black.
  for (int Y : {0, 9, 19}) {
    EXPECT_TRUE(NearColour(Pixel(Thumb, 0, Y), 0xFFFF0000, 2)) << std::hex << Pixel(Thumb, 0, Y);
    EXPECT_TRUE(NearColour(Pixel(Thumb, 8, Y), 0xFFFF0000, 2)) << std::hex << Pixel(Thumb, 8, Y);
    EXPECT_TRUE(NearColour(Pixel(Thumb, 11, Y), 0xFF0000FF, 2)) << std::hex << Pixel(Thumb, 11, Y);
    EXPECT_TRUE(NearColour(Pixel(Thumb, 19, Y), 0xFF0000FF, 2)) << std::hex << Pixel(Thumb, 19, Y);
  }
}

TEST_F(QtImaging, ThumbnailAveragesTheAreaEachPixelCovers) {
  // A one-pixel checkerboard: sampling would give black or white, averaging gives grey.
  TImage Checker = Solid(40, 40, 0xFF000000);
  for (int Y = 0; Y < 40; ++Y)
    for (int X = (Y % 2); X < 40; X += 2) Checker.Pixels[static_cast<std::size_t>(Y * 40 + X)] = 0xFFFFFFFF;
  const TImage Thumb = FImaging.Thumbnail(Checker, 20);
  for (std::uint32_t P : Thumb.Pixels) ASSERT_TRUE(NearColour(P, 0xFF808080, 3)) << std::hex << P;
}

TEST_F(QtImaging, ThumbnailBlendsTransparencyOntoBlack) {
  const TImage Thumb = FImaging.Thumbnail(Solid(10, 10, 0x80FFFFFF), 20);
  for (std::uint32_t P : Thumb.Pixels) ASSERT_TRUE(NearColour(P, 0xFF808080, 2)) << std::hex << P;
  const TImage Clear = FImaging.Thumbnail(Solid(30, 30, 0x00FF0000), 20);
  for (std::uint32_t P : Clear.Pixels) ASSERT_EQ(P, 0xFF000000u);
}

TEST_F(QtImaging, OversizedHeadersAreRefusedBeforeDecoding) {
  struct TCase {
    std::uint32_t Width, Height;
  };
  for (const TCase& Case : {TCase{40000, 10}, TCase{10, 40000}, TCase{20000, 20000}}) {
    const std::u16string Message = ErrorOf([&] { FImaging.DecodePng(PngClaiming(Case.Width, Case.Height)); });
    EXPECT_NE(Message.find(u"too large"), std::u16string::npos)
        << Case.Width << " x " << Case.Height << ": " << Utf16ToUtf8(Message);
  }
  // Within the bounds and what its bytes can hold, the same short data is Qt's own read error.
  const std::u16string Truncated = ErrorOf([&] { FImaging.DecodePng(PngClaiming(50, 50)); });
  EXPECT_EQ(Truncated.find(u"too large"), std::u16string::npos);
  EXPECT_EQ(Truncated.find(u"bytes can hold"), std::u16string::npos);
  EXPECT_NE(Truncated, u"(no error)");
}

// Seen through the allocation limit of the image_decoding fuzz target (the input is
// fuzz/corpus/image_decoding/claims_16384x16384.png): a PNG of 66 bytes whose header claimed the
// largest square the bounds then admitted made Qt reserve 1 GiB for its pixels before it found
// the data short. Every reader refuses such a header now.
TEST_F(QtImaging, HeadersClaimingMorePixelsThanTheirBytesHoldAreRefusedBeforeDecoding) {
  const TBytes Png = PngClaiming(8192, 8192);
  ASSERT_EQ(Png.size(), 66u);
  for (const std::u16string& Message :
       {ErrorOf([&] { FImaging.DecodePng(Png); }),
        ErrorOf([&] { ReadImage(QByteArray(reinterpret_cast<const char*>(Png.data()), static_cast<qsizetype>(Png.size())), nullptr); })})
    EXPECT_NE(Message.find(u"than its 66 bytes can hold"), std::u16string::npos) << Utf16ToUtf8(Message);
  // A BMP header alone, claiming the same square at 32 bits a pixel.
  std::string Bmp = std::string("BM", 2) + std::string(12, '\0');
  const auto PutLe = [&](std::size_t AOffset, std::uint32_t AValue) {
    for (int I = 0; I < 4; ++I) Bmp[AOffset + static_cast<std::size_t>(I)] = static_cast<char>(AValue >> (8 * I));
  };
  Bmp += std::string(40, '\0');
  PutLe(2, 54);
  PutLe(10, 54);
  PutLe(14, 40);
  PutLe(18, 8192);
  PutLe(22, 8192);
  PutLe(26, 1 | 32 << 16); // planes, bits a pixel
  const std::u16string BmpMessage = ErrorOf([&] { FImaging.DecodeBmp(BytesOf(Bmp)); });
  EXPECT_NE(BmpMessage.find(u"bytes can hold"), std::u16string::npos) << Utf16ToUtf8(BmpMessage);
}

TBytes FuzzFinding(const std::string& AName) {
  std::ifstream In(fs::path(VELLOMARCH_FUZZ_CORPUS) / "image_decoding" / AName, std::ios::binary);
  const std::string Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(Bytes.empty()) << AName << " is missing";
  return BytesOf(Bytes);
}

QByteArray AsQBytes(const TBytes& AData) {
  return QByteArray(reinterpret_cast<const char*>(AData.data()), static_cast<qsizetype>(AData.size()));
}

// Seen through the image_decoding fuzz target, which stops on any allocation above 512 MB: an
// 89-byte GIF whose screen gives no size told nothing before decoding, and Qt's GIF reader
// reserved 576 MB for its frame. Qt's allocation limit, set from the bounds for each read, now
// refuses it before anything is reserved.
TEST_F(QtImaging, AGifThatStatesNoSizeCannotReserveMoreThanTheBoundsAllow) {
  const TBytes Gif = FuzzFinding("gif_without_size_reserves_576mb.gif");
  EXPECT_NE(ErrorOf([&] { ReadImage(AsQBytes(Gif), nullptr); }), u"(no error)");
}

// Seen through the same target: a 59-byte BMP stored top-down, whose height is negative
// (-83,886,335 rows), slipped past the size check and reserved more than 512 MB.
TEST_F(QtImaging, ATopDownBmpIsMeasuredByItsRowCount) {
  const TBytes Bmp = FuzzFinding("bmp_top_down_height_reserves_over_512mb.bmp");
  for (const std::u16string& Message :
       {ErrorOf([&] { FImaging.DecodeBmp(Bmp); }), ErrorOf([&] { ReadImage(AsQBytes(Bmp), nullptr); })})
    EXPECT_NE(Message.find(u"83886335"), std::u16string::npos) << Utf16ToUtf8(Message);
}

// A picture of noise in every alpha, tall enough that the work done a band of rows at a time
// spans several bands.
QImage Noise(int AWidth, int AHeight, QImage::Format AFormat) {
  QImage Image(AWidth, AHeight, QImage::Format_ARGB32);
  std::uint32_t State = 12345;
  for (int Y = 0; Y < AHeight; ++Y) {
    auto* Row = reinterpret_cast<std::uint32_t*>(Image.scanLine(Y));
    for (int X = 0; X < AWidth; ++X) {
      State = State * 1664525u + 1013904223u;
      Row[X] = State;
    }
  }
  return Image.convertToFormat(AFormat);
}

TImage PixelsOf(const QImage& AImage) {
  const QImage Straight = AImage.convertToFormat(QImage::Format_ARGB32);
  TImage Image{Straight.width(), Straight.height(), {}};
  for (int Y = 0; Y < Straight.height(); ++Y) {
    const auto* Row = reinterpret_cast<const std::uint32_t*>(Straight.constScanLine(Y));
    Image.Pixels.insert(Image.Pixels.end(), Row, Row + Straight.width());
  }
  return Image;
}

TBytes PngOf(const QImage& AImage) {
  QByteArray Data;
  QBuffer Buffer(&Data);
  Buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(QImageWriter(&Buffer, "png").write(AImage));
  return TBytes(Data.begin(), Data.end());
}

// Decoding straight into the result's pixels, or converting a band at a time, gives the pixels
// Qt's whole-picture conversion gives, for every kind of PNG Qt reads differently.
TEST_F(QtImaging, DecodedPngsHaveThePixelsOfQtsOwnConversion) {
  struct TCase {
    const char* Kind;
    QImage::Format Format;
  };
  for (const TCase& Case : {TCase{"RGBA, read to ARGB32", QImage::Format_ARGB32},
                            TCase{"RGB, read to RGB32", QImage::Format_RGB32},
                            TCase{"palette", QImage::Format_Indexed8},
                            TCase{"grey", QImage::Format_Grayscale8},
                            TCase{"16 bits a sample", QImage::Format_RGBA64},
                            TCase{"1 bit", QImage::Format_Mono}}) {
    const TBytes Png = PngOf(Noise(300, 4000, Case.Format));
    const QImage Reference = QImage::fromData(AsQBytes(Png), "png");
    ASSERT_FALSE(Reference.isNull()) << Case.Kind;
    const TImage Decoded = FImaging.DecodePng(Png);
    EXPECT_EQ(Decoded.Width, 300) << Case.Kind;
    EXPECT_EQ(Decoded.Height, 4000) << Case.Kind;
    EXPECT_TRUE(Decoded.Pixels == PixelsOf(Reference).Pixels) << Case.Kind;
  }
}

// Stored files and thumbnails stay what they were when every step made its own full-size copy.
TEST_F(QtImaging, EncodingAndThumbnailsGiveWhatQtGivesForAFullCopy) {
  const TImage Picture = PixelsOf(Noise(300, 4000, QImage::Format_ARGB32));
  const QImage Copy = Noise(300, 4000, QImage::Format_ARGB32);
  EXPECT_TRUE(FImaging.EncodePng(Picture) == PngOf(Copy));

  QImage Canvas(20, 20, QImage::Format_RGB32);
  Canvas.fill(Qt::black);
  {
    QPainter Painter(&Canvas);
    Painter.drawImage(0, 0, Copy.scaled(20, 20, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
  EXPECT_TRUE(FImaging.Thumbnail(Picture, 20).Pixels == PixelsOf(Canvas).Pixels);
}

TEST_F(QtImaging, UndecodableDataThrowsQtsMessage) {
  const TBytes Png = FImaging.EncodePng(Solid(2, 2, 0xFF00FF00));
  for (const TBytes& Bad : {BytesOf("not a picture at all"), TBytes{}, TBytes(Png.begin(), Png.begin() + 40)}) {
    const std::u16string Message = ErrorOf([&] { FImaging.DecodePng(Bad); });
    EXPECT_NE(Message, u"(no error)");
    EXPECT_FALSE(Message.empty());
  }
  EXPECT_NE(ErrorOf([&] { FImaging.DecodeBmp(Png); }), u"(no error)");
}

TEST_F(QtImaging, EncodingRefusesPixelsThatDoNotFillTheSize) {
  TImage Short{4, 4, std::vector<std::uint32_t>(15, 0xFF000000)};
  EXPECT_NE(ErrorOf([&] { FImaging.EncodePng(Short); }), u"(no error)");
  EXPECT_NE(ErrorOf([&] { FImaging.EncodeBmp24(Short); }), u"(no error)");
  EXPECT_NE(ErrorOf([&] { FImaging.Thumbnail(Short, 20); }), u"(no error)");
}

class QtImagingFiles : public QtImaging {
protected:
  fs::path FFolder = TX11TestEnvironment::Instance().NewFolder("images");

  fs::path Convert(const std::vector<std::string>& AArgs, const std::string& AName) {
    std::vector<std::string> Args{"convert"};
    Args.insert(Args.end(), AArgs.begin(), AArgs.end());
    const fs::path Out = FFolder / AName;
    Args.push_back(Out.string());
    const auto Result = RunProcess(Args);
    EXPECT_EQ(Result.ExitCode, 0) << "convert failed for " << AName;
    return Out;
  }
};

TEST_F(QtImagingFiles, LoadsPngBmpAndJpegFiles) {
  struct TCase {
    const char* Name;
    int Tolerance;
  };
  for (const TCase& Case : {TCase{"picture.png", 0}, TCase{"picture.bmp", 0}, TCase{"picture.jpg", 8}}) {
    const fs::path File = Convert({"-size", "8x6", "xc:#2080C0"}, Case.Name);
    const TImage Image = FImaging.LoadImageFile(File.u16string());
    EXPECT_EQ(Image.Width, 8) << Case.Name;
    EXPECT_EQ(Image.Height, 6) << Case.Name;
    for (std::uint32_t P : Image.Pixels)
      ASSERT_TRUE(NearColour(P, 0xFF2080C0, Case.Tolerance)) << Case.Name << " " << std::hex << P;
  }
}

TEST_F(QtImagingFiles, AnimatedGifGivesItsFirstFrame) {
  const fs::path File = Convert({"-delay", "10", "-size", "5x4", "xc:red", "xc:blue", "xc:lime"}, "anim.gif");
  QImageReader Reader(QString::fromStdU16String(File.u16string()));
  ASSERT_EQ(Reader.imageCount(), 3) << "the fixture is not animated";
  const TImage Image = FImaging.LoadImageFile(File.u16string());
  ASSERT_EQ(Image.Width, 5);
  ASSERT_EQ(Image.Height, 4);
  for (std::uint32_t P : Image.Pixels) ASSERT_EQ(P, 0xFFFF0000u) << std::hex << P;
}

// The fixture is stored 4 wide and 2 high, red on the left and blue on the right, and carries an
// EXIF orientation of 6 (turn a quarter clockwise to show it). Templates paste it as stored, as
// the other desktop's decoder does.
TEST_F(QtImagingFiles, JpegKeepsItsStoredPixelsWhateverItsOrientationSays) {
  const fs::path Fixture = fs::path(VELLOMARCH_TEST_FIXTURES) / "red_left_blue_right_turned.jpg";
  QImageReader Reader(QString::fromStdString(Fixture.string()));
  ASSERT_EQ(Reader.transformation(), QImageIOHandler::TransformationRotate90) << "the fixture lost its orientation";
  const TImage Image = FImaging.LoadImageFile(Fixture.u16string());
  ASSERT_EQ(Image.Width, 4);
  ASSERT_EQ(Image.Height, 2);
  for (int Y : {0, 1}) {
    EXPECT_TRUE(NearColour(Pixel(Image, 0, Y), 0xFFFF0000, 24)) << std::hex << Pixel(Image, 0, Y);
    EXPECT_TRUE(NearColour(Pixel(Image, 3, Y), 0xFF0000FF, 24)) << std::hex << Pixel(Image, 3, Y);
  }
}

TEST_F(QtImagingFiles, JapaneseFileNamesAreRead) {
  const fs::path Source = Convert({"-size", "3x3", "xc:white"}, "source.png");
  const fs::path Japanese = FFolder / fs::path(u8"画像 テスト.png");
  fs::copy_file(Source, Japanese);
  const TImage Image = FImaging.LoadImageFile(Japanese.u16string());
  EXPECT_EQ(Image.Width, 3);
  EXPECT_EQ(Pixel(Image, 1, 1), 0xFFFFFFFFu);
}

TEST_F(QtImagingFiles, UnreadableFilesThrowQtsMessage) {
  const fs::path Missing = FFolder / "missing.png";
  const std::u16string NoFile = ErrorOf([&] { FImaging.LoadImageFile(Missing.u16string()); });
  EXPECT_NE(NoFile, u"(no error)");
  EXPECT_FALSE(NoFile.empty());

  const fs::path Garbage = FFolder / "garbage.png";
  std::ofstream(Garbage, std::ios::binary) << "this is not an image";
  const std::u16string Unreadable = ErrorOf([&] { FImaging.LoadImageFile(Garbage.u16string()); });
  EXPECT_NE(Unreadable, u"(no error)");
  EXPECT_FALSE(Unreadable.empty());
}

} // namespace
} // namespace vm
