#pragma once
// Text in memory is UTF-16 (std::u16string), as on the desktop the program was made for.
// Files are UTF-8; these conversions are the only place where the two meet.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vm {

using TBytes = std::vector<std::uint8_t>;

// Strict: invalid UTF-8 (bad lead or continuation bytes, overlong forms, surrogates,
// code points above U+10FFFF, truncated sequences) throws TError naming the byte offset.
std::u16string Utf8ToUtf16(std::string_view AUtf8);
// Raises as Utf8ToUtf16 does on bytes that are not UTF-8, without building the text.
void CheckUtf8(std::string_view AUtf8);
// For text that must never fail (messages of foreign exceptions): bad bytes become U+FFFD.
std::u16string Utf8ToUtf16Lossy(std::string_view AUtf8);
// Lone surrogates are written as U+FFFD.
std::string Utf16ToUtf8(std::u16string_view AText);
// The number of UTF-16 code units that UTF-8 decodes to, counted without decoding: exact for valid
// UTF-8, and never more than a decoder that puts U+FFFD in place of bad bytes gives for invalid
// UTF-8, so a length above a bound here is above it after decoding too.
std::size_t Utf16LengthOfUtf8(std::string_view AUtf8);

std::u16string ReplaceAll(std::u16string AText, std::u16string_view AFrom, std::u16string_view ATo);
// Case-insensitive for the ASCII letters only; every other code unit compares exactly.
bool SameTextAscii(std::u16string_view A, std::u16string_view B);
char16_t AsciiLower(char16_t C);
std::u16string AsciiLowerCase(std::u16string_view AText);
// Position of ANeedle in AHaystack at or after AFrom, ASCII letters without regard to case.
std::size_t FindAsciiNoCase(std::u16string_view AHaystack, std::u16string_view ANeedle, std::size_t AFrom = 0);

// Splits at "\r\n", lone "\n" or lone "\r"; a break at the very end adds no empty last line.
std::vector<std::u16string> SplitLines(std::u16string_view AText);

std::u16string IntToStr(long long AValue);

} // namespace vm
