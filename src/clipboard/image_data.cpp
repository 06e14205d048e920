#include "clipboard/image_data.h"

#include "support/error.h"

namespace vm {

void CheckImageData(const TImage& AImage) {
  CheckImageBounds(AImage.Width, AImage.Height);
  const auto Expected = static_cast<unsigned long long>(AImage.Width) * static_cast<unsigned long long>(AImage.Height);
  if (AImage.Pixels.size() != Expected)
    throw TError(u"The image is malformed: " + IntToStr(AImage.Width) + u" x " + IntToStr(AImage.Height) +
                 u" pixels announced, " + IntToStr(static_cast<long long>(AImage.Pixels.size())) + u" present");
}

std::u16string LowerHex(const TBytes& ADigest) {
  static constexpr char16_t Digits[] = u"0123456789abcdef";
  std::u16string Hex;
  Hex.reserve(ADigest.size() * 2);
  for (std::uint8_t B : ADigest) {
    Hex.push_back(Digits[B >> 4]);
    Hex.push_back(Digits[B & 0x0F]);
  }
  return Hex;
}

} // namespace vm
