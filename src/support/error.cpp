#include "support/error.h"

#include "support/text.h"

namespace vm {

TError::TError(const std::u16string& AMessage)
    : std::runtime_error(Utf16ToUtf8(AMessage)), FMessage(AMessage) {}

std::u16string ErrorMessage(const std::exception& E) {
  if (auto* Own = dynamic_cast<const TError*>(&E)) return Own->Message();
  return Utf8ToUtf16Lossy(E.what());
}

} // namespace vm
