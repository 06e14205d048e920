// WIC, BCrypt and GDI behind TWinImaging, with pictures made at build time by ImageMagick.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>

#include "clipboard/image_data.h"
#include "platform/windows/win_imaging.h"
#include "support/error.h"
#include "support/text.h"
#include "win_test_support.h"

namespace vm {
namespace {

constexpr std::uint32_t Red = 0xFFFF0000, Blue = 0xFF0000FF, Green = 0xFF00FF00, Black = 0xFF000000,
                        White = 0xFFFFFFFF;

std::u16string FailureOf(const std::function<void()>& ACall) {
  try {
    ACall();
  } catch (const TError& E) {
    return E.Message();
  }
  ADD_FAILURE() << "no TError was thrown";
  return {};
}

bool Contains(const std::u16string& AText, std::u16string_view APart) {
  return AText.find(APart) != std::u16string::npos;
}

std::uint32_t At(const TImage& AImage, int AX, int AY) {
  return AImage.Pixels[static_cast<std::size_t>(AY) * static_cast<std::size_t>(AImage.Width) +
                       static_cast<std::size_t>(AX)];
}

int Channel(std::uint32_t APixel, int AShift) { return static_cast<int>((APixel >> AShift) & 0xFF); }

// Near a colour, as a lossy decoder or a resampler leaves it.
::testing::AssertionResult Near(std::uint32_t AActual, std::uint32_t AExpected, int ATolerance) {
  for (int Shift : {0, 8, 16, 24})
    if (std::abs(Channel(AActual, Shift) - Channel(AExpected, Shift)) > ATolerance)
      return ::testing::AssertionFailure() << std::hex << AActual << " is not near " << AExpected;
  return ::testing::AssertionSuccess();
}

TImage Filled(int AWidth, int AHeight, const std::function<std::uint32_t(int, int)>& AColour) {
  TImage Image{AWidth, AHeight, {}};
  for (int Y = 0; Y < AHeight; ++Y)
    for (int X = 0; X < AWidth; ++X) Image.Pixels.push_back(AColour(X, Y));
  return Image;
}

std::uint32_t U32At(const TBytes& AData, std::size_t AAt) {
  return AData[AAt] | AData[AAt + 1] << 8 | AData[AAt + 2] << 16 | static_cast<std::uint32_t>(AData[AAt + 3]) << 24;
}
std::uint16_t U16At(const TBytes& AData, std::size_t AAt) {
  return static_cast<std::uint16_t>(AData[AAt] | AData[AAt + 1] << 8);
}

// A PNG that is its signature and an IHDR chunk alone, claiming the given size.
TBytes PngHeaderOnly(std::uint32_t AWidth, std::uint32_t AHeight) {
  TBytes Data = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (std::uint32_t V : {AWidth, AHeight})
    for (int Shift = 24; Shift >= 0; Shift -= 8) Data.push_back(static_cast<std::uint8_t>(V >> Shift));
  for (std::uint8_t B : {8, 6, 0, 0, 0}) Data.push_back(B); // 8-bit RGBA, no interlace
  Data.insert(Data.end(), {0, 0, 0, 0});                     // CRC, never reached
  return Data;
}

class WinImaging : public ::testing::Test {
protected:
  TWinImaging Imaging;
};

// --- PNG ---

TEST_F(WinImaging, PngRoundTripKeepsEveryPixelAndStraightAlpha) {
  const TImage Image = Filled(7, 5, [](int X, int Y) {
    const std::uint32_t Alpha = X == 0 ? 0x00 : X == 1 ? 0x80 : 0xFF;
    return Alpha << 24 | static_cast<std::uint32_t>(X * 36) << 16 | static_cast<std::uint32_t>(Y * 60) << 8 | 0x42;
  });
  const TBytes Png = Imaging.EncodePng(Image);
  ASSERT_GE(Png.size(), 8u);
  EXPECT_EQ(TBytes(Png.begin(), Png.begin() + 8), (TBytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
  const TImage Back = Imaging.DecodePng(Png);
  EXPECT_EQ(Back.Width, 7);
  EXPECT_EQ(Back.Height, 5);
  EXPECT_EQ(Back.Pixels, Image.Pixels);
}

// A bitmap-only copy is named by the digest of its encoding: the same picture, the same bytes.
TEST_F(WinImaging, EncodingTheSamePictureTwiceGivesTheSameBytes) {
  const TImage Image = Filled(16, 9, [](int X, int Y) { return X > Y ? Red : Blue; });
  EXPECT_EQ(Imaging.EncodePng(Image), Imaging.EncodePng(Image));
}

struct TBadPng {
  const char* Name;
  TBytes Data;
  const char16_t* MessagePart;
};
void PrintTo(const TBadPng& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class WinImagingBadPng : public WinImaging, public ::testing::WithParamInterface<TBadPng> {};

TEST_P(WinImagingBadPng, IsRefusedWithAClearMessage) {
  const std::u16string Message = FailureOf([&] { Imaging.DecodePng(GetParam().Data); });
  EXPECT_TRUE(Contains(Message, GetParam().MessagePart)) << Utf16ToUtf8(Message);
}

// Oversized headers carry no pixel data: only a check made before decoding can give "too large";
// a decoder that got that far would fail on the missing data instead.
INSTANTIATE_TEST_SUITE_P(
    Cases, WinImagingBadPng,
    ::testing::Values(TBadPng{"TooWide", PngHeaderOnly(40000, 10), u"too large"},
                      TBadPng{"TooManyPixels", PngHeaderOnly(20000, 20000), u"too large"},
                      TBadPng{"OneRowBeyondTheSquare", PngHeaderOnly(8192, 8193), u"8192 x 8193 pixels"},
                      TBadPng{"TheSquareClaimedByAHeaderAlone", PngHeaderOnly(8192, 8192), u"bytes can hold"},
                      TBadPng{"ZeroHeight", PngHeaderOnly(10, 0), u"no pixels"},
                      TBadPng{"NotAPng", TBytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                0, 0, 0, 0, 0},
                              u"not a PNG"},
                      TBadPng{"Empty", TBytes{}, u"not a PNG"},
                      TBadPng{"NoPixelData", PngHeaderOnly(4, 4), u"cannot be decoded"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(WinImaging, PngCutShortIsRefused) {
  TBytes Png = Imaging.EncodePng(TImage{8, 8, std::vector<std::uint32_t>(64, Red)});
  Png.resize(Png.size() / 2);
  EXPECT_TRUE(Contains(FailureOf([&] { Imaging.DecodePng(Png); }), u"cannot be decoded"));
}

// --- MD5 ---

TEST_F(WinImaging, Md5MatchesTheRfcVectors) {
  EXPECT_EQ(LowerHex(Imaging.Md5(TBytes{'a', 'b', 'c'})), u"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(LowerHex(Imaging.Md5(TBytes{})), u"d41d8cd98f00b204e9800998ecf8427e");
  const std::string Digits = "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
  EXPECT_EQ(LowerHex(Imaging.Md5(TBytes(Digits.begin(), Digits.end()))), u"57edf4a22be3c955ac49da2e2107b67a");
}

// --- BMP ---

TEST_F(WinImaging, Bmp24IsWrittenToTheByte) {
  // 2 x 2: red, green over blue, white. Rows of 6 bytes padded to 8, the bottom row first.
  const TBytes Bmp = Imaging.EncodeBmp24(TImage{2, 2, {Red, Green, Blue, White}});
  const TBytes Expected = {
      'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                  // file header
      40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,    // size, width, height, planes, bits, BI_RGB
      16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,     // image size, resolution, colours
      0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0,                              // bottom row: blue, white
      0, 0, 0xFF, 0, 0xFF, 0, 0, 0};                                   // top row: red, green
  EXPECT_EQ(Bmp, Expected);
}

TEST_F(WinImaging, BmpRoundTripThroughTheDecoder) {
  const TImage Image = Filled(5, 3, [](int X, int Y) { return 0xFF000000u | static_cast<std::uint32_t>(X * 50 + Y); });
  const TImage Back = Imaging.DecodeBmp(Imaging.EncodeBmp24(Image));
  EXPECT_EQ(Back.Width, 5);
  EXPECT_EQ(Back.Height, 3);
  EXPECT_EQ(Back.Pixels, Image.Pixels);
}

TEST_F(WinImaging, BmpWithAnOversizedHeaderIsRefusedBeforeDecoding) {
  TBytes Bmp = Imaging.EncodeBmp24(TImage{1, 1, {Red}});
  Bmp[18] = 0x00;
  Bmp[19] = 0x00;
  Bmp[20] = 0x01; // width 65536
  EXPECT_TRUE(Contains(FailureOf([&] { Imaging.DecodeBmp(Bmp); }), u"too large"));
  EXPECT_TRUE(Contains(FailureOf([&] { Imaging.DecodeBmp(TBytes{'P', 'K'}); }), u"not a BMP"));
}

// Rows stored top-down give a negative height: its size is what the rows count.
TEST_F(WinImaging, TopDownBmpIsMeasuredByItsRowCount) {
  TBytes Bmp = Imaging.EncodeBmp24(TImage{2, 1, {Red, Blue}});
  const std::int32_t Height = -83886335;
  std::memcpy(Bmp.data() + 22, &Height, sizeof Height);
  EXPECT_TRUE(Contains(FailureOf([&] { Imaging.DecodeBmp(Bmp); }), u"2 x 83886335 pixels"));
}

// --- Thumbnails ---

TEST_F(WinImaging, ThumbnailIsA20By20Bmp24) {
  const TImage Thumb = Imaging.Thumbnail(Filled(64, 48, [](int, int) { return Red; }), 20);
  const TBytes Bmp = Imaging.EncodeBmp24(Thumb);
  ASSERT_EQ(Bmp.size(), 54u + 20 * 60);
  EXPECT_EQ(Bmp[0], 'B');
  EXPECT_EQ(Bmp[1], 'M');
  EXPECT_EQ(U32At(Bmp, 2), 1254u);  // bfSize
  EXPECT_EQ(U32At(Bmp, 10), 54u);   // bfOffBits
  EXPECT_EQ(U32At(Bmp, 14), 40u);   // biSize
  EXPECT_EQ(U32At(Bmp, 18), 20u);   // biWidth
  EXPECT_EQ(U32At(Bmp, 22), 20u);   // biHeight
  EXPECT_EQ(U16At(Bmp, 28), 24u);   // biBitCount
  EXPECT_EQ(U32At(Bmp, 30), 0u);    // BI_RGB
}

TEST_F(WinImaging, ThumbnailSquashesTheWholePictureIntoTheSquare) {
  // 300 x 10: red left half, blue right half. No black band: the aspect ratio is not kept.
  const TImage Thumb = Imaging.Thumbnail(Filled(300, 10, [](int X, int) { return X < 150 ? Red : Blue; }), 20);
  ASSERT_EQ(Thumb.Width, 20);
  ASSERT_EQ(Thumb.Height, 20);
  for (int Y : {0, 10, 19}) {
    EXPECT_TRUE(Near(At(Thumb, 1, Y), Red, 8)) << "row " << Y;
    EXPECT_TRUE(Near(At(Thumb, 18, Y), Blue, 8)) << "row " << Y;
  }
}

// The stretch blends neighbouring pixels instead of picking or AND-ing whole ones, as the default
// stretch modes do. Windows' halftone averages the whole area; Wine's is bilinear, which blends
// only where a sample falls between two pixels, so one-pixel stripes at a 10.5 : 1 ratio show
// grey in some columns rather than all.
TEST_F(WinImaging, ThumbnailBlendsWhatItShrinks) {
  const TImage Thumb = Imaging.Thumbnail(Filled(210, 210, [](int X, int) { return X % 2 ? White : Black; }), 20);
  int Blended = 0;
  for (int X = 0; X < 20; ++X) {
    const int Grey = Channel(At(Thumb, X, 10), 8);
    if (Grey > 64 && Grey < 192) ++Blended;
  }
  EXPECT_GE(Blended, 5);
}

TEST_F(WinImaging, TransparentPartsOfAThumbnailShowTheBlackSquare) {
  const TImage Thumb = Imaging.Thumbnail(Filled(40, 40, [](int X, int) { return X < 20 ? 0x00FFFFFFu : White; }), 20);
  EXPECT_TRUE(Near(At(Thumb, 2, 10), Black, 8));
  EXPECT_TRUE(Near(At(Thumb, 17, 10), White, 8));
}

// --- Image files through WIC, as the image templates read them ---

struct TImageFile {
  const char* Name;
  const char16_t* File;
  int Width, Height;
  int Tolerance; // JPEG is lossy
};
void PrintTo(const TImageFile& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class WinImagingFile : public WinImaging, public ::testing::WithParamInterface<TImageFile> {};

TEST_P(WinImagingFile, FirstFrameComesUpright) {
  const TImageFile& Case = GetParam();
  const std::u16string Path = test::TestImagePath(Case.File);
  ASSERT_NE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(Path.c_str())), INVALID_FILE_ATTRIBUTES)
      << "missing test picture " << Utf16ToUtf8(Path) << ": it is made at build time with ImageMagick's convert";
  const TImage Image = Imaging.LoadImageFile(Path);
  ASSERT_EQ(Image.Width, Case.Width);
  ASSERT_EQ(Image.Height, Case.Height);
  ASSERT_EQ(Image.Pixels.size(), static_cast<std::size_t>(Case.Width * Case.Height));
  // Red above blue; an animated GIF's second frame would be green all over.
  for (int X : {0, Case.Width - 1}) {
    EXPECT_TRUE(Near(At(Image, X, 0), Red, Case.Tolerance)) << "top, x " << X;
    EXPECT_TRUE(Near(At(Image, X, Case.Height - 1), Blue, Case.Tolerance)) << "bottom, x " << X;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, WinImagingFile,
                         ::testing::Values(TImageFile{"Png", u"red_over_blue.png", 6, 8, 0},
                                           TImageFile{"Jpeg", u"red_over_blue.jpg", 32, 32, 24},
                                           TImageFile{"AnimatedGif", u"red_over_blue_then_green.gif", 8, 8, 0}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// Stored 4 wide and 2 high, red on the left and blue on the right, with an EXIF orientation of 6
// (turn a quarter clockwise to show it): frame 0 is the stored pixels, the tag unused.
TEST_F(WinImaging, JpegKeepsItsStoredPixelsWhateverItsOrientationSays) {
  const TImage Image = Imaging.LoadImageFile(test::TestImagePath(u"red_left_blue_right_turned.jpg"));
  ASSERT_EQ(Image.Width, 4);
  ASSERT_EQ(Image.Height, 2);
  for (int Y : {0, 1}) {
    EXPECT_TRUE(Near(At(Image, 0, Y), Red, 24)) << "left, y " << Y;
    EXPECT_TRUE(Near(At(Image, 3, Y), Blue, 24)) << "right, y " << Y;
  }
}

TEST_F(WinImaging, MissingImageFileFailsWithTheSystemsMessage) {
  const std::u16string Message =
      FailureOf([&] { Imaging.LoadImageFile(test::TestImagePath(u"no_such_picture.jpg")); });
  ASSERT_FALSE(Message.empty());
  EXPECT_NE(Message.back(), u'.') << Utf16ToUtf8(Message);
  EXPECT_NE(Message.back(), u'\n') << Utf16ToUtf8(Message);
}

TEST_F(WinImaging, FileThatIsNoPictureFails) {
  wchar_t Folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, Folder);
  const std::wstring Name = std::wstring(Folder) + L"vellomarch_not_a_picture_" +
                            std::to_wstring(GetCurrentProcessId()) + L".jpg";
  const std::u16string Path(reinterpret_cast<const char16_t*>(Name.c_str()));
  const HANDLE File = CreateFileW(reinterpret_cast<const wchar_t*>(Path.c_str()), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(File, INVALID_HANDLE_VALUE);
  DWORD Written = 0;
  WriteFile(File, "plain words, no picture", 23, &Written, nullptr);
  CloseHandle(File);
  EXPECT_FALSE(FailureOf([&] { Imaging.LoadImageFile(Path); }).empty());
  DeleteFileW(reinterpret_cast<const wchar_t*>(Path.c_str()));
}

// An image template's file is measured from its first bytes before WIC opens it.
TEST_F(WinImaging, ImageFileBeyondTheBoundsIsRefusedFromItsHeader) {
  wchar_t Folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, Folder);
  const std::wstring Name =
      std::wstring(Folder) + L"vellomarch_too_large_" + std::to_wstring(GetCurrentProcessId()) + L".png";
  const std::u16string Path(reinterpret_cast<const char16_t*>(Name.c_str()));
  const TBytes Header = PngHeaderOnly(9000, 9000);
  const HANDLE File = CreateFileW(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(File, INVALID_HANDLE_VALUE);
  DWORD Written = 0;
  WriteFile(File, Header.data(), static_cast<DWORD>(Header.size()), &Written, nullptr);
  CloseHandle(File);
  const std::u16string Message = FailureOf([&] { Imaging.LoadImageFile(Path); });
  DeleteFileW(Name.c_str());
  EXPECT_TRUE(Contains(Message, u"9000 x 9000 pixels")) << Utf16ToUtf8(Message);
}

TEST(HResultText, GivesTheSystemsWordsOrTheCode) {
  const std::u16string NotFound = HResultText(static_cast<long>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
  EXPECT_FALSE(Contains(NotFound, u"HRESULT")) << Utf16ToUtf8(NotFound);
  EXPECT_NE(NotFound.back(), u'.');
  EXPECT_EQ(HResultText(static_cast<long>(0xA0001234)), u"HRESULT 0xA0001234");
}

} // namespace
} // namespace vm
