#include "platform/imaging.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "support/error.h"

namespace vm {
namespace {

std::u16string ErrorOf(const std::function<void()>& AAction) {
  try {
    AAction();
  } catch (const TError& E) {
    return E.Message();
  }
  return u"";
}

struct TBoundsCase {
  const char* What;
  long long Width, Height;
  bool Accepted;
};

const TBoundsCase BoundsCases[] = {
    {"the largest square", 8192, 8192, true},
    {"one row more than the largest square", 8192, 8193, false},
    {"one column more than the largest square", 8193, 8192, false},
    {"the longest side with all the pixels it may have", 32767, 2048, true},
    {"a side one longer than the longest", 32768, 1, false},
    {"a one-pixel line as long as a side may be", 1, 32767, true},
    {"a square of 10000", 10000, 10000, false},
    {"no width", 0, 10, false},
    {"a negative height", 10, -1, false},
};

TEST(ImageBounds, AdmitAnEightKSquareAndNoMorePixels) {
  for (const TBoundsCase& Case : BoundsCases)
    EXPECT_EQ(ErrorOf([&] { CheckImageBounds(Case.Width, Case.Height); }).empty(), Case.Accepted) << Case.What;
}

TEST(ImageBounds, TheRefusalNamesTheSize) {
  EXPECT_EQ(ErrorOf([] { CheckImageBounds(10000, 10000); }),
            u"The image is too large: 10000 x 10000 pixels (at most 67108864 pixels, as in 8192 x 8192, and 32767 on "
            u"a side)");
}

struct TDataSizeCase {
  const char* What;
  long long Width, Height, Bytes;
  bool Accepted;
};

const TDataSizeCase DataSizeCases[] = {
    {"a header of 66 bytes claiming the largest square", 8192, 8192, 66, false},
    {"the largest square from just enough bytes", 8192, 8192, 4096, true},
    {"the largest square from one byte less", 8192, 8192, 4095, false},
    {"a screen shot in a few kilobytes", 3840, 2160, 4096, true},
    {"one byte for 16384 pixels", 128, 128, 1, true},
    {"one byte for one pixel more", 16385, 1, 1, false},
    {"no bytes at all", 1, 1, 0, false},
};

TEST(ImageDataSize, RefusesHeadersThatClaimMorePixelsThanTheirBytesCanHold) {
  for (const TDataSizeCase& Case : DataSizeCases) {
    const std::u16string Error = ErrorOf([&] { CheckImageDataSize(Case.Width, Case.Height, Case.Bytes); });
    EXPECT_EQ(Error.empty(), Case.Accepted) << Case.What;
    if (!Case.Accepted) {
      EXPECT_NE(Error.find(u"bytes can hold"), std::u16string::npos) << Case.What;
    }
  }
}

TEST(ImageDataSize, TheSizeBoundsComeFirst) {
  EXPECT_NE(ErrorOf([] { CheckImageDataSize(40000, 10, 1LL << 40); }).find(u"too large"), std::u16string::npos);
}

void PutBigEndian(TBytes& AOut, std::uint32_t AValue) {
  for (int Shift = 24; Shift >= 0; Shift -= 8) AOut.push_back(static_cast<std::uint8_t>(AValue >> Shift));
}

void PutLittleEndian(TBytes& AOut, std::uint32_t AValue) {
  for (int Shift = 0; Shift < 32; Shift += 8) AOut.push_back(static_cast<std::uint8_t>(AValue >> Shift));
}

// A PNG's signature and header chunk, then ATotal bytes in all (the rest zero).
TBytes PngStart(std::uint32_t AWidth, std::uint32_t AHeight, std::uint8_t ADepth, std::uint8_t AColourType,
                std::size_t ATotal) {
  TBytes Out{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  PutBigEndian(Out, 13);
  Out.insert(Out.end(), {'I', 'H', 'D', 'R'});
  PutBigEndian(Out, AWidth);
  PutBigEndian(Out, AHeight);
  Out.insert(Out.end(), {ADepth, AColourType, 0, 0, 0});
  Out.resize(std::max(Out.size(), ATotal));
  return Out;
}

// A BMP file header and the start of a BITMAPINFOHEADER, then ATotal bytes in all.
TBytes BmpStart(std::int32_t AWidth, std::int32_t AHeight, std::size_t ATotal) {
  TBytes Out{'B', 'M'};
  PutLittleEndian(Out, static_cast<std::uint32_t>(ATotal));
  PutLittleEndian(Out, 0);
  PutLittleEndian(Out, 54);
  PutLittleEndian(Out, 40);
  PutLittleEndian(Out, static_cast<std::uint32_t>(AWidth));
  PutLittleEndian(Out, static_cast<std::uint32_t>(AHeight));
  Out.resize(std::max(Out.size(), ATotal));
  return Out;
}

TBytes Cut(TBytes AData, std::size_t ASize) {
  AData.resize(ASize);
  return AData;
}

struct THeaderCase {
  const char* What;
  TBytes Data;
  const char16_t* Error; // a part of the message, or empty when accepted
};

const THeaderCase HeaderCases[] = {
    {"an 8-bit RGBA PNG of the largest square in 300 kB", PngStart(8192, 8192, 8, 6, 300000), u""},
    {"the same square claimed by 4 kB", PngStart(8192, 8192, 8, 6, 4096), u"8192 x 8192) than its 4096 bytes"},
    {"a 16-bit RGBA PNG of the square claimed by 100 kB", PngStart(8192, 8192, 16, 6, 100000), u"bytes can hold"},
    {"a 1-bit PNG of the square in 8 kB, as deflate can pack it", PngStart(8192, 8192, 1, 0, 8200), u""},
    {"a PNG of 10000 x 10000", PngStart(10000, 10000, 8, 2, 312000), u"10000 x 10000 pixels"},
    {"a PNG whose width has the top bit set", PngStart(0x80000000u, 1, 8, 6, 100), u"too large"},
    {"no PNG at all", TBytes{'G', 'I', 'F', '8', '9', 'a'}, u"not a PNG"},
    {"a PNG cut inside its header", Cut(PngStart(10, 10, 8, 6, 0), 20), u"not a PNG"},
};

TEST(PngHeader, IsMeasuredAgainstTheBoundsAndItsOwnBytes) {
  for (const THeaderCase& Case : HeaderCases) {
    const std::u16string Expected = Case.Error;
    const std::u16string Error = ErrorOf([&] { CheckPngHeader(Case.Data); });
    if (Expected.empty()) {
      EXPECT_EQ(Error, u"") << Case.What;
    } else {
      EXPECT_NE(Error.find(Expected), std::u16string::npos) << Case.What << ": " << Utf16ToUtf8(Error);
    }
  }
}

// Seen through the image_decoding fuzz target
// (fuzz/corpus/image_decoding/bmp_top_down_height_reserves_over_512mb.bmp): a top-down BMP, whose
// height is negative, of -83,886,335 rows made Qt reserve more than 512 MB.
TEST(BmpHeader, ATopDownHeightCountsAsItsSize) {
  EXPECT_NE(ErrorOf([] { CheckBmpHeader(BmpStart(2, -83886335, 61)); }).find(u"2 x 83886335 pixels"),
            std::u16string::npos);
  EXPECT_NE(ErrorOf([] { CheckBmpHeader(BmpStart(8192, -8193, 1 << 20)); }).find(u"too large"), std::u16string::npos);
  EXPECT_NE(ErrorOf([] { CheckBmpHeader(BmpStart(1, INT32_MIN, 100)); }).find(u"too large"), std::u16string::npos);
  EXPECT_EQ(ErrorOf([] { CheckBmpHeader(BmpStart(8192, -8192, 1 << 20)); }), u"");
  EXPECT_EQ(ErrorOf([] { CheckBmpHeader(BmpStart(640, 480, 640 * 480 * 3 + 54)); }), u"");
}

TEST(ImageHeader, AppliesTheCheckItsFirstBytesCallFor) {
  const TBytes Png = PngStart(9000, 9000, 8, 6, 40);
  EXPECT_NE(ErrorOf([&] { CheckImageHeader(Png, 1 << 30); }).find(u"9000 x 9000"), std::u16string::npos);
  const TBytes Bmp = BmpStart(100, -100000, 40);
  EXPECT_NE(ErrorOf([&] { CheckImageHeader(Bmp, 1 << 30); }).find(u"100 x 100000"), std::u16string::npos);
  // The whole file's size counts, not the few bytes read of it.
  EXPECT_EQ(ErrorOf([&] { CheckImageHeader(PngStart(8192, 8192, 8, 6, 26), 300000); }), u"");
  EXPECT_EQ(ErrorOf([] { CheckImageHeader(TBytes{'G', 'I', 'F', '8', '9', 'a'}, 6); }), u"");
}

} // namespace
} // namespace vm
