#include "platform/imaging.h"

#include <gtest/gtest.h>

#include "support/error.h"

namespace vm {
namespace {

struct TDataSizeCase {
  const char* What;
  long long Width, Height, Bytes;
  bool Accepted;
};

// 16384 x 16384 is the largest square the bounds admit (2^28 pixels, 1 GiB at 4 bytes a
// pixel); a PNG of 66 bytes claiming it made the decoder reserve all of that.
const TDataSizeCase DataSizeCases[] = {
    {"a header of 66 bytes claiming the largest square", 16384, 16384, 66, false},
    {"the largest square from just enough bytes", 16384, 16384, 16384, true},
    {"the largest square from one byte less", 16384, 16384, 16383, false},
    {"a screen shot in a few kilobytes", 3840, 2160, 4096, true},
    {"one byte for 16384 pixels", 128, 128, 1, true},
    {"one byte for one pixel more", 16385, 1, 1, false},
    {"no bytes at all", 1, 1, 0, false},
};

TEST(ImageDataSize, RefusesHeadersThatClaimMorePixelsThanTheirBytesCanHold) {
  for (const TDataSizeCase& Case : DataSizeCases) {
    bool Accepted = true;
    try {
      CheckImageDataSize(Case.Width, Case.Height, Case.Bytes);
    } catch (const TError& E) {
      Accepted = false;
      EXPECT_NE(E.Message().find(u"bytes can hold"), std::u16string::npos) << Case.What;
    }
    EXPECT_EQ(Accepted, Case.Accepted) << Case.What;
  }
}

TEST(ImageDataSize, TheSizeBoundsComeFirst) {
  try {
    CheckImageDataSize(40000, 10, 1LL << 40);
    FAIL() << "a picture wider than the bounds was accepted";
  } catch (const TError& E) {
    EXPECT_NE(E.Message().find(u"too large"), std::u16string::npos);
  }
}

} // namespace
} // namespace vm
