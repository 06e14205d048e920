#pragma once
// Image codecs, hashing and resampling: what the capture, the paste, the list's thumbnails, the
// image templates and the preview need from the platform's imaging services.
#include <cstdint>
#include <string>
#include <vector>

#include "support/text.h"

namespace vm {

// A decoded picture: top-down rows of 32-bit pixels 0xAARRGGBB (straight alpha).
struct TImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

// Pictures come from other programs. One clipboard item may hold at most an 8K square (8192 x
// 8192, 256 MiB once decoded at 4 bytes a pixel): large screen shots and photographs fit, and
// no single copy can make the program reserve more than a few hundred megabytes. A side may be
// longer (panoramas, long page captures) up to what the platforms' bitmaps take.
// Implementations refuse, before decoding, any picture beyond these bounds.
inline constexpr int MaxImageSide = 32767;
inline constexpr int MaxImageSquareSide = 8192;
inline constexpr long long MaxImagePixels = 1LL * MaxImageSquareSide * MaxImageSquareSide;

// Throws TError, naming the size as "W x H", when a picture of this size may not be decoded.
void CheckImageBounds(long long AWidth, long long AHeight);

// No encoding packs more pixels into a byte than this: deflate gives at most about 1032 bytes
// for one, which a PNG of 1 bit a pixel makes 8256 pixels, and a BMP's run-length skip covers
// 255 x 255 pixels with 4 bytes. A header that claims more for the bytes that came with it
// belongs to a damaged or hostile picture, whose decoder would still reserve all its pixels.
inline constexpr long long MaxPixelsPerDataByte = 16384;

// Throws TError when a picture of this size cannot have been encoded in ADataBytes bytes.
void CheckImageDataSize(long long AWidth, long long AHeight, long long ADataBytes);

// The size a PNG file's header (IHDR) states, checked against the bounds and against the bytes
// that came with it, without decoding anything: deflate cannot give more than 1032 bytes for
// one, so rows that would need more compressed data than the whole file holds are refused.
// Throws TError when the data is no PNG or the picture may not be decoded.
void CheckPngHeader(const TBytes& AData);

// The same for a Windows BMP file (its size from the info header; a negative height means rows
// stored top-down).
void CheckBmpHeader(const TBytes& AData);

// Enough of a file's start for the checks above.
inline constexpr std::size_t ImageHeaderBytes = 26;

// For a reader that has only the start of a file at hand (AStart, ImageHeaderBytes or fewer bytes)
// and knows its whole size: applies whichever check above its first bytes call for. Formats
// other than PNG and BMP pass.
void CheckImageHeader(const TBytes& AStart, long long ADataBytes);

class IImaging {
public:
  virtual ~IImaging() = default;
  // Each throws TError with a clear message when the data cannot be decoded or encoded. The
  // decoders check the header first (CheckPngHeader, CheckBmpHeader).
  virtual TImage DecodePng(const TBytes& AData) = 0;
  virtual TBytes EncodePng(const TImage& AImage) = 0;
  // RFC 1321 digest, 16 bytes.
  virtual TBytes Md5(const TBytes& AData) = 0;
  // The whole image stretched onto a black square of ASize pixels with area-averaging
  // resampling. It takes the picture over, so that a large one needs no working copy.
  virtual TImage Thumbnail(TImage AImage, int ASize) = 0;
  // A Windows BMP file of 24 bits per pixel, and the reading of any BMP file.
  virtual TBytes EncodeBmp24(const TImage& AImage) = 0;
  virtual TImage DecodeBmp(const TBytes& AData) = 0;
  // Any image file the platform can read, first frame, upright. Throws TError with the
  // platform's message.
  virtual TImage LoadImageFile(const std::u16string& AFileName) = 0;
};

} // namespace vm
