#pragma once
// Lower-casing for the list's search. Each UTF-16 code unit is mapped on its own to its simple
// lower-case form, so a text keeps its length and a match position in the lowered text is a
// position in the original (the desktop's CharLowerBuffW behaves the same way). Surrogates are
// left alone: letters outside the Basic Multilingual Plane keep their case.
#include <string>
#include <string_view>

namespace vm {

char16_t LowerCaseChar(char16_t AChar);
std::u16string LowerCaseText(std::u16string_view AText);

} // namespace vm
