#pragma once
// The system's own words for a Win32 error code, as they go into log lines and error messages.
#include <string>
#include <string_view>

namespace vm {

// The message table's text for AError in the user's language, trimmed by TrimErrorText.
// A code the system has no text for gives "System error " and the number.
std::u16string SystemErrorText(unsigned long AError);

// Removes trailing spaces, line breaks and full stops: "Invalid data.\r\n" gives "Invalid data".
std::u16string TrimErrorText(std::u16string_view AText);

} // namespace vm
