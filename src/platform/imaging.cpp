#include "platform/imaging.h"

#include <cstring>

#include "support/error.h"

namespace vm {
namespace {

std::u16string SizeText(long long AWidth, long long AHeight) { return IntToStr(AWidth) + u" x " + IntToStr(AHeight); }

std::uint32_t ReadU32BigEndian(const TBytes& AData, std::size_t AAt) {
  return std::uint32_t{AData[AAt]} << 24 | std::uint32_t{AData[AAt + 1]} << 16 | std::uint32_t{AData[AAt + 2]} << 8 |
         std::uint32_t{AData[AAt + 3]};
}

std::int32_t ReadI32LittleEndian(const TBytes& AData, std::size_t AAt) {
  return static_cast<std::int32_t>(std::uint32_t{AData[AAt]} | std::uint32_t{AData[AAt + 1]} << 8 |
                                   std::uint32_t{AData[AAt + 2]} << 16 | std::uint32_t{AData[AAt + 3]} << 24);
}

std::uint16_t ReadU16LittleEndian(const TBytes& AData, std::size_t AAt) {
  return static_cast<std::uint16_t>(AData[AAt] | AData[AAt + 1] << 8);
}

// Samples a pixel of each PNG colour type carries: grey, -, RGB, palette index, grey and alpha,
// -, RGBA. Types that do not exist count as one, leaving their refusal to the decoder.
int PngChannels(int AColourType) {
  switch (AColourType) {
  case 2: return 3;
  case 4: return 2;
  case 6: return 4;
  default: return 1;
  }
}

// Deflate's best case: a 258-byte match coded in two bits.
constexpr long long MaxInflatedBytesPerByte = 1032;

bool StartsWith(const TBytes& AData, const std::uint8_t* AMagic, std::size_t ASize) {
  return AData.size() >= ASize && std::memcmp(AData.data(), AMagic, ASize) == 0;
}

constexpr std::uint8_t PngSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint8_t BmpSignature[] = {'B', 'M'};

void CheckPngStart(const TBytes& AData, long long ADataBytes) {
  if (AData.size() < ImageHeaderBytes || !StartsWith(AData, PngSignature, sizeof PngSignature))
    throw TError(u"The data is not a PNG image");
  if (std::memcmp(AData.data() + 12, "IHDR", 4) != 0) throw TError(u"The PNG image has no header chunk");
  const long long Width = ReadU32BigEndian(AData, 16);
  const long long Height = ReadU32BigEndian(AData, 20);
  CheckImageDataSize(Width, Height, ADataBytes);
  // Each row is one filter byte and its samples; interlacing only adds to that.
  const long long RowBits = Width * PngChannels(AData[25]) * AData[24];
  const long long RawBytes = Height * (1 + (RowBits + 7) / 8);
  if (RawBytes > ADataBytes * MaxInflatedBytesPerByte)
    throw TError(u"The image claims more pixels (" + SizeText(Width, Height) + u") than its " + IntToStr(ADataBytes) +
                 u" bytes can hold");
}

void CheckBmpStart(const TBytes& AData, long long ADataBytes) {
  if (AData.size() < ImageHeaderBytes || !StartsWith(AData, BmpSignature, sizeof BmpSignature))
    throw TError(u"The data is not a BMP image");
  // An OS/2 core header has 16-bit sizes, every later one 32-bit signed sizes.
  if (ReadI32LittleEndian(AData, 14) == 12) {
    CheckImageDataSize(ReadU16LittleEndian(AData, 18), ReadU16LittleEndian(AData, 20), ADataBytes);
    return;
  }
  const long long Height = ReadI32LittleEndian(AData, 22);
  CheckImageDataSize(ReadI32LittleEndian(AData, 18), Height < 0 ? -Height : Height, ADataBytes);
}

} // namespace

void CheckImageBounds(long long AWidth, long long AHeight) {
  if (AWidth <= 0 || AHeight <= 0) throw TError(u"The image has no pixels (" + SizeText(AWidth, AHeight) + u")");
  if (AWidth > MaxImageSide || AHeight > MaxImageSide || AWidth * AHeight > MaxImagePixels)
    throw TError(u"The image is too large: " + SizeText(AWidth, AHeight) + u" pixels (at most " +
                 IntToStr(MaxImagePixels) + u" pixels, as in " + SizeText(MaxImageSquareSide, MaxImageSquareSide) +
                 u", and " + IntToStr(MaxImageSide) + u" on a side)");
}

void CheckImageDataSize(long long AWidth, long long AHeight, long long ADataBytes) {
  // Within the bounds above the product cannot overflow.
  CheckImageBounds(AWidth, AHeight);
  if (AWidth * AHeight > (ADataBytes < 0 ? 0 : ADataBytes) * MaxPixelsPerDataByte)
    throw TError(u"The image claims more pixels (" + SizeText(AWidth, AHeight) + u") than its " +
                 IntToStr(ADataBytes) + u" bytes can hold");
}

void CheckPngHeader(const TBytes& AData) { CheckPngStart(AData, static_cast<long long>(AData.size())); }

void CheckBmpHeader(const TBytes& AData) { CheckBmpStart(AData, static_cast<long long>(AData.size())); }

void CheckImageHeader(const TBytes& AStart, long long ADataBytes) {
  if (StartsWith(AStart, PngSignature, sizeof PngSignature))
    CheckPngStart(AStart, ADataBytes);
  else if (StartsWith(AStart, BmpSignature, sizeof BmpSignature))
    CheckBmpStart(AStart, ADataBytes);
}

} // namespace vm
