#pragma once
// Image codecs, MD5 and thumbnails with Qt's QImage family. Every picture is measured from its
// header before its pixels are read, and refused when it is beyond the core's decoding bounds.
#include <QImage>
#include <QImageReader>

#include "platform/imaging.h"

namespace vm {

class TQtImaging final : public IImaging {
public:
  TQtImaging();

  TImage DecodePng(const TBytes& AData) override;
  TBytes EncodePng(const TImage& AImage) override;
  TBytes Md5(const TBytes& AData) override;
  TImage Thumbnail(TImage AImage, int ASize) override;
  TBytes EncodeBmp24(const TImage& AImage) override;
  TImage DecodeBmp(const TBytes& AData) override;
  TImage LoadImageFile(const std::u16string& AFileName) override;
};

// Conversions shared with the clipboard. ToQImage makes a copy of its own, in Format_ARGB32, and
// throws TError when the pixels do not fill the stated size or the size is beyond the bounds.
// FromQImage converts a band of rows at a time, never the whole picture at once.
QImage ToQImage(const TImage& AImage);
TImage FromQImage(const QImage& AImage);

// Reads the reader's first picture with its pixels as stored (no EXIF turn): its size is checked
// with CheckImageHeader, CheckImageBounds, and against the bytes it came in (CheckImageDataSize),
// before the pixels are read, and Qt may reserve no more than the bounds need. Throws TError with
// the reader's own message when it cannot be read.
TImage ReadImage(QImageReader& AReader);
// The same for bytes; AFormat as QImageReader takes it ("png", "bmp"), or empty to let Qt tell.
TImage ReadImage(const QByteArray& AData, const char* AFormat);

} // namespace vm
