#include "history/history_file.h"

#include <filesystem>
#include <nlohmann/json.hpp>

#include "history/file_access.h"
#include "platform/data_protection.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/log.h"

namespace vm {
namespace {

using TJson = nlohmann::json;

void AppendHex4(std::string& AOut, unsigned ACodeUnit) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  AOut += "\\u";
  for (int Shift = 12; Shift >= 0; Shift -= 4) AOut += Digits[(ACodeUnit >> Shift) & 0xF];
}

bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }
bool IsLowSurrogate(char16_t C) { return C >= 0xDC00 && C <= 0xDFFF; }

void AppendJsonString(std::string& AOut, std::u16string_view AText) {
  AOut += '"';
  for (std::size_t I = 0; I < AText.size(); ++I) {
    const char16_t C = AText[I];
    switch (C) {
      case u'"': AOut += "\\\""; break;
      case u'\\': AOut += "\\\\"; break;
      case u'/': AOut += "\\/"; break;
      case u'\b': AOut += "\\b"; break;
      case u'\t': AOut += "\\t"; break;
      case u'\n': AOut += "\\n"; break;
      case u'\f': AOut += "\\f"; break;
      case u'\r': AOut += "\\r"; break;
      default:
        if (IsHighSurrogate(C) && I + 1 < AText.size() && IsLowSurrogate(AText[I + 1])) {
          AppendHex4(AOut, C);
          AppendHex4(AOut, AText[++I]);
        } else if (IsHighSurrogate(C) || IsLowSurrogate(C)) {
          // A lone surrogate would make the whole file unreadable to any JSON parser.
          AppendHex4(AOut, 0xFFFD);
        } else if (C < 0x20 || C > 0x7F) {
          AppendHex4(AOut, C);
        } else {
          AOut += static_cast<char>(C);
        }
    }
  }
  AOut += '"';
}

std::u16string ElementName(std::size_t AIndex) { return u"element " + IntToStr(static_cast<long long>(AIndex)); }

TError MemberTypeError(std::size_t AIndex, const char16_t* AKey, const char16_t* AExpected) {
  return TError(u"The member \"" + std::u16string(AKey) + u"\" of " + ElementName(AIndex) + u" is not " + AExpected);
}

// "t": missing or null is citText; other values are clamped into the known range.
TClipItemType ReadType(const TJson& AObject, std::size_t AIndex) {
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
    const std::string& S = It->get_ref<const std::string&>();
    std::size_t Pos = (!S.empty() && (S[0] == '-' || S[0] == '+')) ? 1 : 0;
    if (Pos == S.size()) throw MemberTypeError(AIndex, u"t", u"an integer");
    for (; Pos < S.size(); ++Pos) {
      if (S[Pos] < '0' || S[Pos] > '9') throw MemberTypeError(AIndex, u"t", u"an integer");
      if (Value < 3) Value = Value * 10 + (S[Pos] - '0');
    }
    if (S[0] == '-') Value = -Value;
  } else {
    throw MemberTypeError(AIndex, u"t", u"an integer");
  }
  if (Value < 0) return citText;
  if (Value > 2) return citFiles;
  return static_cast<TClipItemType>(Value);
}

std::u16string ReadString(const TJson& AObject, const char* AKey, const char16_t* AKey16, std::size_t AIndex) {
  const auto It = AObject.find(AKey);
  if (It == AObject.end() || It->is_null()) return {};
  if (!It->is_string()) throw MemberTypeError(AIndex, AKey16, u"a string");
  return Utf8ToUtf16(It->get_ref<const std::string&>());
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
void CopyAsideQuietly(const std::u16string& AFile) {
  namespace fs = std::filesystem;
  const std::u16string Copy = AFile + std::u16string(BrokenCopySuffix);
  const std::u16string Temp = Copy + u".tmp";
  std::error_code Ec;
  fs::remove(FsPath(Temp), Ec);
  if (fs::copy_file(FsPath(AFile), FsPath(Temp), Ec) && !Ec) fs::rename(FsPath(Temp), FsPath(Copy), Ec);
  if (Ec) fs::remove(FsPath(Temp), Ec);
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

TBytes UnprotectBytes(IDataProtection& AProtection, const TBytes& AProtected) {
  if (AProtected.empty()) return {};
  try {
    return AProtection.Unprotect(AProtected);
  } catch (const std::exception& E) {
    throw TError(u"CryptUnprotectData failed: " + ErrorMessage(E));
  }
}

std::string HistoryToJson(const TClipItemList& AItems) {
  std::string Out = "[";
  for (int I = 0; I < AItems.Count(); ++I) {
    const TClipItem& Item = AItems[I];
    if (I > 0) Out += ',';
    Out += "{\"t\":";
    Out += std::to_string(static_cast<int>(Item.ItemType));
    Out += ",\"x\":";
    AppendJsonString(Out, Item.Text);
    Out += ",\"i\":";
    AppendJsonString(Out, Item.ImageFile);
    Out += ",\"p\":";
    Out += Item.Pinned ? "true" : "false";
    Out += '}';
  }
  Out += ']';
  return Out;
}

void AppendHistoryJson(std::string_view ADocument, TClipItemList& AItems) {
  TJson Document;
  try {
    Document = TJson::parse(ADocument);
  } catch (const TJson::exception& E) {
    throw TError(u"The history document is not valid JSON (" + Utf8ToUtf16Lossy(E.what()) + u")");
  }
  if (!Document.is_array()) throw TError(u"The history document is not a JSON array");
  for (std::size_t I = 0; I < Document.size(); ++I) {
    const TJson& Element = Document[I];
    if (!Element.is_object()) continue;
    auto Item = std::make_unique<TClipItem>();
    Item->ItemType = ReadType(Element, I);
    Item->Text = ReadString(Element, "x", u"x", I);
    Item->ImageFile = ReadString(Element, "i", u"i", I);
    Item->Pinned = ReadPinned(Element, I);
    AItems.Add(std::move(Item));
  }
}

void ParseHistoryDocument(std::string_view APlain, TClipItemList& AItems) {
  Utf8ToUtf16(APlain); // raises on bytes that are not UTF-8
  AppendHistoryJson(APlain, AItems);
}

void TClipHistory::SaveToFile(const std::u16string& AFile) const {
  const std::string Document = HistoryToJson(FItems);
  const TBytes Protected = ProtectBytes(FProtection, TBytes(Document.begin(), Document.end()));
  const std::u16string Folder = FsPath(AFile).parent_path().u16string();
  if (!Folder.empty() && !DirectoryExists(Folder)) ForceDirectories(Folder);
  WriteFileReplacing(AFile, std::string_view(reinterpret_cast<const char*>(Protected.data()), Protected.size()));
}

void TClipHistory::LoadFromFile(const std::u16string& AFile) {
  FItems.Clear();
  if (!FileExists(AFile)) return;
  try {
    const std::string Stored = ReadWholeFile(AFile);
    // A zero-byte file is an empty history, not a damaged one.
    if (Stored.empty()) return;
    const TBytes Plain = UnprotectBytes(FProtection, TBytes(Stored.begin(), Stored.end()));
    ParseHistoryDocument(std::string_view(reinterpret_cast<const char*>(Plain.data()), Plain.size()), FItems);
  } catch (const std::exception& E) {
    WriteLog(u"History load failed: " + ErrorMessage(E));
    CopyAsideQuietly(AFile);
    FItems.Clear();
  }
}

} // namespace vm
