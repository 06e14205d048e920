#include "platform/windows/system_error_text.h"

#include <windows.h>

#include <memory>

#include "support/text.h"

namespace vm {

namespace {

struct TLocalFreer {
  void operator()(wchar_t* ABuffer) const noexcept { LocalFree(ABuffer); }
};

bool IsTrailingJunk(char16_t C) { return C == u' ' || C == u'\t' || C == u'\r' || C == u'\n' || C == u'.'; }

} // namespace

std::u16string TrimErrorText(std::u16string_view AText) {
  std::size_t Length = AText.size();
  while (Length > 0 && IsTrailingJunk(AText[Length - 1])) --Length;
  return std::u16string(AText.substr(0, Length));
}

std::u16string SystemErrorText(unsigned long AError) {
  wchar_t* Buffer = nullptr;
  // Language 0: the thread's, then the user's, then the system's language, as the system picks.
  const DWORD Length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, AError,
      0, reinterpret_cast<wchar_t*>(&Buffer), 0, nullptr);
  const std::unique_ptr<wchar_t, TLocalFreer> Owner(Buffer);
  std::u16string Text;
  if (Length > 0 && Buffer != nullptr)
    Text = TrimErrorText(std::u16string_view(reinterpret_cast<const char16_t*>(Buffer), Length));
  if (Text.empty()) Text = u"System error " + IntToStr(static_cast<long long>(AError));
  return Text;
}

} // namespace vm
