#include "clipboard/captured_text.h"

#include "support/text.h"

namespace vm {
namespace {

std::u16string TooLargeMessage(const char16_t* AWhat, std::size_t ALength) {
  return std::u16string(AWhat) + u" is too large to record (" + IntToStr(static_cast<long long>(ALength)) +
         u" characters, at most " + IntToStr(static_cast<long long>(MaxCapturedTextLength)) + u")";
}

} // namespace

void CheckCapturedTextLength(std::size_t ALength) {
  if (ALength > MaxCapturedTextLength) throw TTextTooLarge(TooLargeMessage(u"The text", ALength));
}

void CheckCapturedFileListLength(std::size_t ALength) {
  if (ALength > MaxCapturedTextLength) throw TTextTooLarge(TooLargeMessage(u"The file list", ALength));
}

std::size_t JoinedFileListLength(std::size_t ATotalPathLength, std::size_t APathCount) {
  return APathCount == 0 ? 0 : ATotalPathLength + 2 * (APathCount - 1);
}

} // namespace vm
