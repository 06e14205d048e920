#include "history/history_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "history/file_access.h"
#include "platform/data_protection.h"
#include "platform/large_blocks.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/log.h"

namespace vm {
namespace {

using TJson = nlohmann::json;

// How each code unit below U+0080 is written inside a JSON string; every code unit from U+0080 up
// is written as \uXXXX. Built once, so that the writer only looks up and copies.
struct TAsciiEscapes {
  char Text[128][7];
  std::uint8_t Length[128];

  constexpr TAsciiEscapes() : Text{}, Length{} {
    constexpr char Digits[] = "0123456789ABCDEF";
    for (unsigned C = 0; C < 128; ++C) {
      const char Short = C == '"' ? '"' : C == '\\' ? '\\' : C == '/' ? '/' : C == '\b' ? 'b' : C == '\t' ? 't'
                         : C == '\n' ? 'n' : C == '\f' ? 'f' : C == '\r' ? 'r' : '\0';
      if (Short != '\0') {
        Text[C][0] = '\\';
        Text[C][1] = Short;
        Length[C] = 2;
      } else if (C < 0x20) {
        const char Hex[6] = {'\\', 'u', '0', '0', Digits[C >> 4], Digits[C & 0xF]};
        for (int K = 0; K < 6; ++K) Text[C][K] = Hex[K];
        Length[C] = 6;
      } else {
        Text[C][0] = static_cast<char>(C);
        Length[C] = 1;
      }
    }
  }
};

constexpr TAsciiEscapes AsciiEscapes;
constexpr std::size_t WideEscapeLength = 6; // \uXXXX

// The bytes AppendJsonString writes for AText, quotation marks included.
std::size_t JsonStringLength(std::u16string_view AText) {
  std::size_t Length = 2;
  for (const char16_t C : AText) Length += C < 0x80 ? AsciiEscapes.Length[C] : WideEscapeLength;
  return Length;
}

// Surrogates, paired or not, are code units above U+007F like any other: a text cut inside a
// character keeps its lone half, and the reader gives it back as it was.
char* WriteJsonString(char* AOut, std::u16string_view AText) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  *AOut++ = '"';
  for (const char16_t C : AText) {
    if (C < 0x80) {
      const std::uint8_t Length = AsciiEscapes.Length[C];
      if (Length == 1) {
        *AOut++ = static_cast<char>(C);
      } else {
        std::memcpy(AOut, AsciiEscapes.Text[C], Length);
        AOut += Length;
      }
      continue;
    }
    AOut[0] = '\\';
    AOut[1] = 'u';
    AOut[2] = Digits[C >> 12];
    AOut[3] = Digits[(C >> 8) & 0xF];
    AOut[4] = Digits[(C >> 4) & 0xF];
    AOut[5] = Digits[C & 0xF];
    AOut += WideEscapeLength;
  }
  *AOut++ = '"';
  return AOut;
}

char* WriteLiteral(char* AOut, std::string_view AText) {
  std::memcpy(AOut, AText.data(), AText.size());
  return AOut + AText.size();
}

// The item type as the decimal digit the document holds (0, 1 or 2).
char TypeDigit(TClipItemType AType) { return static_cast<char>('0' + static_cast<int>(AType)); }

constexpr std::string_view TypeKey = "{\"t\":", TextKey = ",\"x\":", ImageKey = ",\"i\":", PinnedKey = ",\"p\":";

std::size_t HistoryJsonLength(const TClipItemList& AItems) {
  std::size_t Length = 2; // [ ]
  for (int I = 0; I < AItems.Count(); ++I) {
    const TClipItem& Item = AItems[I];
    Length += (I > 0 ? 1 : 0) + TypeKey.size() + 1 + TextKey.size() + JsonStringLength(Item.Text) + ImageKey.size() +
              JsonStringLength(Item.ImageFile) + PinnedKey.size() + (Item.Pinned ? 4 : 5) + 1;
  }
  return Length;
}

// Writes exactly HistoryJsonLength(AItems) bytes: the document is built in one buffer of its
// final size, with no growth and no copy, however long its texts are.
void WriteHistoryJson(const TClipItemList& AItems, char* AOut) {
  *AOut++ = '[';
  for (int I = 0; I < AItems.Count(); ++I) {
    const TClipItem& Item = AItems[I];
    if (I > 0) *AOut++ = ',';
    AOut = WriteLiteral(AOut, TypeKey);
    *AOut++ = TypeDigit(Item.ItemType);
    AOut = WriteLiteral(AOut, TextKey);
    AOut = WriteJsonString(AOut, Item.Text);
    AOut = WriteLiteral(AOut, ImageKey);
    AOut = WriteJsonString(AOut, Item.ImageFile);
    AOut = WriteLiteral(AOut, PinnedKey);
    AOut = WriteLiteral(AOut, Item.Pinned ? "true" : "false");
    *AOut++ = '}';
  }
  *AOut = ']';
}

TError InvalidJson(std::u16string_view AReason) {
  return TError(u"The history document is not valid JSON (" + std::u16string(AReason) + u")");
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// Appends the UTF-8 run AText to AOut; ASCII, which is all a document of ours holds, directly.
void AppendUtf8(std::u16string& AOut, std::string_view AText) {
  const bool Ascii =
      std::all_of(AText.begin(), AText.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; });
  if (Ascii) AOut.append(AText.begin(), AText.end());
  else AOut += Utf8ToUtf16(AText);
}

// The content of one JSON string (between its quotation marks) as the UTF-16 code units it
// stands for. Every \uXXXX escape gives its code unit as it is, so pairs come out as pairs and
// a lone surrogate stays a lone surrogate. Raises on what JSON does not allow in a string.
std::u16string DecodeJsonString(std::string_view AContent) {
  std::u16string Out;
  std::size_t I = 0;
  while (I < AContent.size()) {
    std::size_t Plain = I;
    while (Plain < AContent.size() && AContent[Plain] != '\\' && static_cast<unsigned char>(AContent[Plain]) >= 0x20)
      ++Plain;
    if (Plain > I) {
      AppendUtf8(Out, AContent.substr(I, Plain - I));
      I = Plain;
      continue;
    }
    if (AContent[I] != '\\') throw InvalidJson(u"a control character inside a string");
    if (I + 1 >= AContent.size()) throw InvalidJson(u"a string ends inside an escape");
    const char Escape = AContent[I + 1];
    I += 2;
    switch (Escape) {
      case '"': Out += u'"'; break;
      case '\\': Out += u'\\'; break;
      case '/': Out += u'/'; break;
      case 'b': Out += u'\b'; break;
      case 'f': Out += u'\f'; break;
      case 'n': Out += u'\n'; break;
      case 'r': Out += u'\r'; break;
      case 't': Out += u'\t'; break;
      case 'u': {
        unsigned CodeUnit = 0;
        for (int K = 0; K < 4; ++K) {
          const int Digit = I < AContent.size() ? HexDigit(AContent[I]) : -1;
          if (Digit < 0) throw InvalidJson(u"a \\u escape without four hexadecimal digits");
          CodeUnit = CodeUnit * 16 + static_cast<unsigned>(Digit);
          ++I;
        }
        Out += static_cast<char16_t>(CodeUnit);
        break;
      }
      default: throw InvalidJson(u"an unknown escape inside a string");
    }
  }
  return Out;
}

bool IsJsonWhitespace(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r'; }

// nlohmann's parser refuses the escape of a lone surrogate, which JSON allows and which a text cut
// inside a character holds. So the string values are decoded here, by DecodeJsonString, into
// AValues, and the parser is handed the document with each string value replaced by its index
// there ("0", "1", ...). Member names stay for the parser, which decodes them itself; every
// string value it returns is such an index.
std::string SetStringValuesAside(std::string_view ADocument, std::vector<std::u16string>& AValues) {
  std::string Out;
  Out.reserve(ADocument.size());
  std::size_t I = 0;
  while (I < ADocument.size()) {
    if (ADocument[I] != '"') {
      Out += ADocument[I++];
      continue;
    }
    std::size_t End = I + 1;
    while (End < ADocument.size() && ADocument[End] != '"') End += ADocument[End] == '\\' ? 2 : 1;
    if (End >= ADocument.size()) throw InvalidJson(u"a string without its closing quotation mark");
    std::size_t Next = End + 1;
    while (Next < ADocument.size() && IsJsonWhitespace(ADocument[Next])) ++Next;
    if (Next < ADocument.size() && ADocument[Next] == ':') {
      Out.append(ADocument.substr(I, End + 1 - I));
    } else {
      AValues.push_back(DecodeJsonString(ADocument.substr(I + 1, End - I - 1)));
      Out += '"' + std::to_string(AValues.size() - 1) + '"';
    }
    I = End + 1;
  }
  return Out;
}

// The document's string values, reached through the indices that stand in for them.
class TStringValues {
public:
  explicit TStringValues(std::vector<std::u16string> AValues) : FValues(std::move(AValues)) {}
  const std::u16string& Of(const TJson& AString) const {
    return FValues.at(std::stoul(AString.get_ref<const std::string&>()));
  }

private:
  std::vector<std::u16string> FValues;
};

std::u16string ElementName(std::size_t AIndex) { return u"element " + IntToStr(static_cast<long long>(AIndex)); }

TError MemberTypeError(std::size_t AIndex, const char16_t* AKey, const char16_t* AExpected) {
  return TError(u"The member \"" + std::u16string(AKey) + u"\" of " + ElementName(AIndex) + u" is not " + AExpected);
}

// "t": missing or null is citText; other values are clamped into the known range.
TClipItemType ReadType(const TJson& AObject, const TStringValues& AStrings, std::size_t AIndex) {
  const auto It = AObject.find("t");
  if (It == AObject.end() || It->is_null()) return citText;
  long long Value = 0;
  if (It->is_number_unsigned()) {
    const auto U = It->get<std::uint64_t>();
    Value = U > 2 ? 2 : static_cast<long long>(U);
  } else if (It->is_number_integer()) {
    Value = It->get<std::int64_t>();
  } else if (It->is_string()) {
    // Other writers may quote the number; accept an optional sign and digits only.
    const std::u16string& S = AStrings.Of(*It);
    std::size_t Pos = (!S.empty() && (S[0] == u'-' || S[0] == u'+')) ? 1 : 0;
    if (Pos == S.size()) throw MemberTypeError(AIndex, u"t", u"an integer");
    for (; Pos < S.size(); ++Pos) {
      if (S[Pos] < u'0' || S[Pos] > u'9') throw MemberTypeError(AIndex, u"t", u"an integer");
      if (Value < 3) Value = Value * 10 + (S[Pos] - u'0');
    }
    if (S[0] == u'-') Value = -Value;
  } else {
    throw MemberTypeError(AIndex, u"t", u"an integer");
  }
  if (Value < 0) return citText;
  if (Value > 2) return citFiles;
  return static_cast<TClipItemType>(Value);
}

std::u16string ReadString(const TJson& AObject, const TStringValues& AStrings, const char* AKey,
                          const char16_t* AKey16, std::size_t AIndex) {
  const auto It = AObject.find(AKey);
  if (It == AObject.end() || It->is_null()) return {};
  if (!It->is_string()) throw MemberTypeError(AIndex, AKey16, u"a string");
  return AStrings.Of(*It);
}

bool ReadPinned(const TJson& AObject, std::size_t AIndex) {
  const auto It = AObject.find("p");
  if (It == AObject.end() || It->is_null()) return false;
  if (!It->is_boolean()) throw MemberTypeError(AIndex, u"p", u"true or false");
  return It->get<bool>();
}

// Replaces an earlier copy. Copying to a fresh name and renaming it over the old copy also
// works where copy_file cannot overwrite (libstdc++ on Windows takes every existing target for
// the source itself, as its stat has no inode numbers).
bool CopyAside(const std::u16string& AFile) {
  namespace fs = std::filesystem;
  const std::u16string Copy = AFile + std::u16string(BrokenCopySuffix);
  const std::u16string Temp = Copy + u".tmp";
  std::error_code Ec;
  fs::remove(FsPath(Temp), Ec);
  Ec.clear();
  if (fs::copy_file(FsPath(AFile), FsPath(Temp), Ec) && !Ec) fs::rename(FsPath(Temp), FsPath(Copy), Ec);
  if (!Ec) return true;
  fs::remove(FsPath(Temp), Ec);
  return false;
}

} // namespace

TBytes ProtectBytes(IDataProtection& AProtection, const TBytes& APlain) {
  if (APlain.empty()) return {};
  try {
    return AProtection.Protect(APlain);
  } catch (const std::exception& E) {
    throw TError(u"CryptProtectData failed: " + ErrorMessage(E));
  }
}

TBytes ProtectInPlaceBytes(IDataProtection& AProtection, TBytes ABuffer) {
  if (ABuffer.size() <= AProtection.InPlaceHeaderSize()) return {};
  try {
    return AProtection.ProtectInPlace(std::move(ABuffer));
  } catch (const std::exception& E) {
    throw TError(u"CryptProtectData failed: " + ErrorMessage(E));
  }
}

TBytes UnprotectBytes(IDataProtection& AProtection, const TBytes& AProtected) {
  if (AProtected.empty()) return {};
  try {
    return AProtection.Unprotect(AProtected);
  } catch (const TKeyUnavailable& E) {
    throw TKeyUnavailable(u"CryptUnprotectData failed: " + E.Message());
  } catch (const std::exception& E) {
    throw TError(u"CryptUnprotectData failed: " + ErrorMessage(E));
  }
}

std::string HistoryToJson(const TClipItemList& AItems) {
  std::string Out(HistoryJsonLength(AItems), '\0');
  WriteHistoryJson(AItems, Out.data());
  return Out;
}

void AppendHistoryJson(std::string_view ADocument, TClipItemList& AItems) {
  std::vector<std::u16string> Values;
  const std::string Structure = SetStringValuesAside(ADocument, Values);
  const TStringValues Strings(std::move(Values));
  TJson Document;
  try {
    Document = TJson::parse(Structure);
  } catch (const TJson::exception& E) {
    throw InvalidJson(Utf8ToUtf16Lossy(E.what()));
  }
  if (!Document.is_array()) throw TError(u"The history document is not a JSON array");
  for (std::size_t I = 0; I < Document.size(); ++I) {
    const TJson& Element = Document[I];
    if (!Element.is_object()) continue;
    auto Item = std::make_unique<TClipItem>();
    Item->ItemType = ReadType(Element, Strings, I);
    Item->Text = ReadString(Element, Strings, "x", u"x", I);
    Item->ImageFile = ReadString(Element, Strings, "i", u"i", I);
    Item->Pinned = ReadPinned(Element, I);
    AItems.Add(std::move(Item));
  }
}

void ParseHistoryDocument(std::string_view APlain, TClipItemList& AItems) {
  CheckUtf8(APlain);
  AppendHistoryJson(APlain, AItems);
}

void TClipHistory::SaveToFile(const std::u16string& AFile) const {
  if (!FUncopiedBrokenFile.empty() && FUncopiedBrokenFile == AFile) {
    if (FileExists(AFile) && !CopyAside(AFile))
      throw TError(u"The history file that could not be read has no copy \"" + AFile +
                   std::u16string(BrokenCopySuffix) + u"\" yet and is kept as it is");
    FUncopiedBrokenFile.clear();
  }
  // Written straight into the bytes that are protected, behind the room for the protection's
  // header: a document of tens of megabytes is built once and never copied or moved.
  const std::size_t Header = FProtection.InPlaceHeaderSize();
  const std::size_t Length = HistoryJsonLength(FItems);
  TBytes Document;
  Document.reserve(Header + Length);
  AdviseLargeBlock(Document.data(), Document.capacity());
  Document.resize(Header + Length);
  WriteHistoryJson(FItems, reinterpret_cast<char*>(Document.data() + Header));
  const TBytes Protected = ProtectInPlaceBytes(FProtection, std::move(Document));
  const std::u16string Folder = FsPath(AFile).parent_path().u16string();
  if (!Folder.empty() && !DirectoryExists(Folder)) ForceDirectories(Folder);
  WriteFileReplacing(AFile, std::string_view(reinterpret_cast<const char*>(Protected.data()), Protected.size()));
}

bool TClipHistory::LoadFromFile(const std::u16string& AFile) {
  FItems.Clear();
  FUncopiedBrokenFile.clear();
  if (!FileExists(AFile)) return true;
  try {
    const std::string Stored = ReadWholeFile(AFile);
    // A zero-byte file is an empty history, not a damaged one.
    if (Stored.empty()) return true;
    const TBytes Plain = UnprotectBytes(FProtection, TBytes(Stored.begin(), Stored.end()));
    ParseHistoryDocument(std::string_view(reinterpret_cast<const char*>(Plain.data()), Plain.size()), FItems);
  } catch (const TKeyUnavailable& E) {
    // Not damaged: its key is out of reach in this session. No ".broken" copy, and the caller
    // keeps every save away from the file, so that a session with the key finds it as it was.
    WriteLog(u"History load failed: " + E.Message());
    FItems.Clear();
    return false;
  } catch (const std::exception& E) {
    WriteLog(u"History load failed: " + ErrorMessage(E));
    if (!CopyAside(AFile)) FUncopiedBrokenFile = AFile;
    FItems.Clear();
  }
  return true;
}

} // namespace vm
