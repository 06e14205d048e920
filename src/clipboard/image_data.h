#pragma once
// Checks and names for the pictures the capture stores and the paste puts back.
#include <string>

#include "platform/imaging.h"

namespace vm {

// Pictures come from other programs and from files on disk: before one is encoded, stretched or
// put on the clipboard, its size must be within the decoding bounds and its pixels must be all
// there. Throws TError with a clear message otherwise.
void CheckImageData(const TImage& AImage);

// A digest as lowercase hexadecimal digits ("0123456789abcdef"), two per byte.
std::u16string LowerHex(const TBytes& ADigest);

} // namespace vm
