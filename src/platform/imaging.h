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

// Pictures come from other programs. Implementations refuse, before decoding, any picture wider
// or taller than this or with more pixels than this, so that a malformed or hostile image can
// never exhaust memory.
inline constexpr int MaxImageSide = 32767;
inline constexpr long long MaxImagePixels = 1LL << 28;

// Throws TError when a picture of this size may not be decoded.
void CheckImageBounds(long long AWidth, long long AHeight);

// No encoding packs more pixels into a byte than this: deflate gives at most about 1032 bytes
// for one, which a PNG of 1 bit a pixel makes 8256 pixels, and a BMP's run-length skip covers
// 255 x 255 pixels with 4 bytes. A header that claims more for the bytes that came with it
// belongs to a damaged or hostile picture, whose decoder would still reserve all its pixels.
inline constexpr long long MaxPixelsPerDataByte = 16384;

// Throws TError when a picture of this size cannot have been encoded in ADataBytes bytes.
void CheckImageDataSize(long long AWidth, long long AHeight, long long ADataBytes);

class IImaging {
public:
  virtual ~IImaging() = default;
  // Each throws TError with a clear message when the data cannot be decoded or encoded.
  virtual TImage DecodePng(const TBytes& AData) = 0;
  virtual TBytes EncodePng(const TImage& AImage) = 0;
  // RFC 1321 digest, 16 bytes.
  virtual TBytes Md5(const TBytes& AData) = 0;
  // The whole image stretched onto a black 20 x 20 square with area-averaging resampling.
  virtual TImage Thumbnail(const TImage& AImage, int ASize) = 0;
  // A Windows BMP file of 24 bits per pixel, and the reading of any BMP file.
  virtual TBytes EncodeBmp24(const TImage& AImage) = 0;
  virtual TImage DecodeBmp(const TBytes& AData) = 0;
  // Any image file the platform can read, first frame, upright. Throws TError with the
  // platform's message.
  virtual TImage LoadImageFile(const std::u16string& AFileName) = 0;
};

} // namespace vm
