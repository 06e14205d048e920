#include "platform/imaging.h"

#include "support/error.h"

namespace vm {

void CheckImageBounds(long long AWidth, long long AHeight) {
  if (AWidth <= 0 || AHeight <= 0)
    throw TError(u"The image has no pixels (" + IntToStr(AWidth) + u" x " + IntToStr(AHeight) + u")");
  if (AWidth > MaxImageSide || AHeight > MaxImageSide || AWidth * AHeight > MaxImagePixels)
    throw TError(u"The image is too large to decode safely (" + IntToStr(AWidth) + u" x " + IntToStr(AHeight) +
                 u" pixels)");
}

void CheckImageDataSize(long long AWidth, long long AHeight, long long ADataBytes) {
  // Within the bounds above the product cannot overflow.
  CheckImageBounds(AWidth, AHeight);
  if (AWidth * AHeight > (ADataBytes < 0 ? 0 : ADataBytes) * MaxPixelsPerDataByte)
    throw TError(u"The image claims more pixels (" + IntToStr(AWidth) + u" x " + IntToStr(AHeight) +
                 u") than its " + IntToStr(ADataBytes) + u" bytes can hold");
}

} // namespace vm
