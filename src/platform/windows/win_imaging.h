#pragma once
// Pictures on Windows: PNG and BMP through the Windows Imaging Component, any image file through
// WIC as the image templates read it, MD5 through BCrypt and thumbnails through GDI's halftone
// stretch.
//
// COM is initialised (single-threaded apartment) and uninitialised around each WIC use, so no
// caller has to prepare the thread. A thread that already runs COM in another apartment model
// keeps it; WIC's objects work in either.
#include <string>

#include "platform/imaging.h"

namespace vm {

class TWinImaging : public IImaging {
public:
  TImage DecodePng(const TBytes& AData) override;
  TBytes EncodePng(const TImage& AImage) override;
  TBytes Md5(const TBytes& AData) override;
  // Transparent parts go onto the black square as if it were behind them.
  TImage Thumbnail(TImage AImage, int ASize) override;
  // Bottom-up rows of blue, green, red, each padded to a multiple of four bytes; alpha is dropped.
  TBytes EncodeBmp24(const TImage& AImage) override;
  TImage DecodeBmp(const TBytes& AData) override;
  TImage LoadImageFile(const std::u16string& AFileName) override;
};

// The system's text for a COM or WIC failure code, trimmed like SystemErrorText; a code the
// system has no text for is given as "HRESULT 0x" and eight hexadecimal digits.
std::u16string HResultText(long AResult);

} // namespace vm
