#include "support/text.h"

#include "support/error.h"

namespace vm {
namespace {

void AppendCodePoint(std::u16string& AOut, char32_t C) {
  if (C < 0x10000) {
    AOut.push_back(static_cast<char16_t>(C));
  } else {
    C -= 0x10000;
    AOut.push_back(static_cast<char16_t>(0xD800 + (C >> 10)));
    AOut.push_back(static_cast<char16_t>(0xDC00 + (C & 0x3FF)));
  }
}

// Decodes one sequence at APos; returns false when it is malformed.
bool DecodeOne(std::string_view S, std::size_t& APos, char32_t& ACode) {
  const auto B0 = static_cast<unsigned char>(S[APos]);
  int Extra = 0;
  char32_t Min = 0;
  if (B0 < 0x80) { ACode = B0; ++APos; return true; }
  if ((B0 & 0xE0) == 0xC0) { Extra = 1; ACode = B0 & 0x1F; Min = 0x80; }
  else if ((B0 & 0xF0) == 0xE0) { Extra = 2; ACode = B0 & 0x0F; Min = 0x800; }
  else if ((B0 & 0xF8) == 0xF0) { Extra = 3; ACode = B0 & 0x07; Min = 0x10000; }
  else return false;
  if (APos + Extra >= S.size()) return false;
  for (int I = 1; I <= Extra; ++I) {
    const auto B = static_cast<unsigned char>(S[APos + I]);
    if ((B & 0xC0) != 0x80) return false;
    ACode = (ACode << 6) | (B & 0x3F);
  }
  if (ACode < Min || ACode > 0x10FFFF || (ACode >= 0xD800 && ACode <= 0xDFFF)) return false;
  APos += Extra + 1;
  return true;
}

TError InvalidUtf8(std::size_t APos) {
  return TError(u"No mapping for the Unicode character exists in the target multi-byte code page (invalid UTF-8 at byte " +
                IntToStr(static_cast<long long>(APos)) + u")");
}

std::u16string Decode(std::string_view AUtf8, bool AStrict) {
  std::u16string Out;
  Out.reserve(AUtf8.size());
  std::size_t Pos = 0;
  while (Pos < AUtf8.size()) {
    char32_t Code = 0;
    const std::size_t Start = Pos;
    if (DecodeOne(AUtf8, Pos, Code)) {
      AppendCodePoint(Out, Code);
      continue;
    }
    if (AStrict) throw InvalidUtf8(Start);
    Out.push_back(u'\uFFFD');
    Pos = Start + 1;
  }
  return Out;
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view AUtf8) { return Decode(AUtf8, true); }
std::u16string Utf8ToUtf16Lossy(std::string_view AUtf8) { return Decode(AUtf8, false); }

void CheckUtf8(std::string_view AUtf8) {
  std::size_t Pos = 0;
  while (Pos < AUtf8.size()) {
    if (static_cast<unsigned char>(AUtf8[Pos]) < 0x80) {
      ++Pos;
      continue;
    }
    const std::size_t Start = Pos;
    char32_t Code = 0;
    if (!DecodeOne(AUtf8, Pos, Code)) throw InvalidUtf8(Start);
  }
}

std::string Utf16ToUtf8(std::u16string_view AText) {
  std::string Out;
  Out.reserve(AText.size());
  for (std::size_t I = 0; I < AText.size(); ++I) {
    char32_t C = AText[I];
    if (C >= 0xD800 && C <= 0xDBFF && I + 1 < AText.size() && AText[I + 1] >= 0xDC00 && AText[I + 1] <= 0xDFFF) {
      C = 0x10000 + ((C - 0xD800) << 10) + (AText[I + 1] - 0xDC00);
      ++I;
    } else if (C >= 0xD800 && C <= 0xDFFF) {
      C = 0xFFFD;
    }
    if (C < 0x80) {
      Out.push_back(static_cast<char>(C));
    } else if (C < 0x800) {
      Out.push_back(static_cast<char>(0xC0 | (C >> 6)));
      Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
    } else if (C < 0x10000) {
      Out.push_back(static_cast<char>(0xE0 | (C >> 12)));
      Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
      Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
    } else {
      Out.push_back(static_cast<char>(0xF0 | (C >> 18)));
      Out.push_back(static_cast<char>(0x80 | ((C >> 12) & 0x3F)));
      Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
      Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
    }
  }
  return Out;
}

namespace {

bool IsContinuationByte(unsigned char AByte) { return (AByte & 0xC0) == 0x80; }

// A valid four-byte sequence starts at AAt: a character outside the Basic Multilingual Plane.
bool IsSupplementaryAt(std::string_view AUtf8, std::size_t AAt) {
  const auto Lead = static_cast<unsigned char>(AUtf8[AAt]);
  if (Lead < 0xF0 || Lead > 0xF4 || AAt + 3 >= AUtf8.size()) return false;
  const auto Second = static_cast<unsigned char>(AUtf8[AAt + 1]);
  if (Lead == 0xF0 && Second < 0x90) return false; // overlong
  if (Lead == 0xF4 && Second > 0x8F) return false; // above U+10FFFF
  return IsContinuationByte(Second) && IsContinuationByte(static_cast<unsigned char>(AUtf8[AAt + 2])) &&
         IsContinuationByte(static_cast<unsigned char>(AUtf8[AAt + 3]));
}

} // namespace

std::size_t Utf16LengthOfUtf8(std::string_view AUtf8) {
  std::size_t Length = 0;
  for (std::size_t I = 0; I < AUtf8.size(); ++I) {
    if (IsContinuationByte(static_cast<unsigned char>(AUtf8[I]))) continue;
    Length += IsSupplementaryAt(AUtf8, I) ? 2 : 1;
  }
  return Length;
}

std::u16string ReplaceAll(std::u16string AText, std::u16string_view AFrom, std::u16string_view ATo) {
  if (AFrom.empty()) return AText;
  std::size_t Pos = 0;
  while ((Pos = AText.find(AFrom, Pos)) != std::u16string::npos) {
    AText.replace(Pos, AFrom.size(), ATo);
    Pos += ATo.size();
  }
  return AText;
}

char16_t AsciiLower(char16_t C) { return (C >= u'A' && C <= u'Z') ? static_cast<char16_t>(C + 32) : C; }

std::u16string AsciiLowerCase(std::u16string_view AText) {
  std::u16string Out(AText);
  for (auto& C : Out) C = AsciiLower(C);
  return Out;
}

bool SameTextAscii(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (AsciiLower(A[I]) != AsciiLower(B[I])) return false;
  return true;
}

std::size_t FindAsciiNoCase(std::u16string_view AHaystack, std::u16string_view ANeedle, std::size_t AFrom) {
  if (ANeedle.size() > AHaystack.size()) return std::u16string::npos;
  for (std::size_t I = AFrom; I + ANeedle.size() <= AHaystack.size(); ++I)
    if (SameTextAscii(AHaystack.substr(I, ANeedle.size()), ANeedle)) return I;
  return std::u16string::npos;
}

std::vector<std::u16string> SplitLines(std::u16string_view AText) {
  std::vector<std::u16string> Lines;
  std::size_t Start = 0;
  std::size_t I = 0;
  while (I < AText.size()) {
    const char16_t C = AText[I];
    if (C == u'\r' || C == u'\n') {
      Lines.emplace_back(AText.substr(Start, I - Start));
      I += (C == u'\r' && I + 1 < AText.size() && AText[I + 1] == u'\n') ? 2 : 1;
      Start = I;
    } else {
      ++I;
    }
  }
  if (Start < AText.size()) Lines.emplace_back(AText.substr(Start));
  return Lines;
}

std::u16string IntToStr(long long AValue) {
  const std::string S = std::to_string(AValue);
  return std::u16string(S.begin(), S.end());
}

} // namespace vm
