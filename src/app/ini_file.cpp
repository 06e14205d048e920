#include "app/ini_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "history/file_access.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char16_t C) { return C <= u' '; }

std::u16string_view Trim(std::u16string_view AText) {
  while (!AText.empty() && IsBlank(AText.front())) AText.remove_prefix(1);
  while (!AText.empty() && IsBlank(AText.back())) AText.remove_suffix(1);
  return AText;
}

// A line break inside a name or value would split it into lines of its own on the next read,
// and such a line could open a section or set a key; it is written as a blank instead.
void AppendSingleLine(std::u16string& AOut, std::u16string_view AText) {
  for (const char16_t C : AText) AOut.push_back(C == u'\r' || C == u'\n' ? u' ' : C);
}

// AWhat names the failed step ("Cannot open file"); the reason is the C library's text for
// errno, or for AFallback when the stream left errno unset.
[[noreturn]] void RaiseFileError(std::u16string_view AWhat, const std::u16string& AFileName, int AErrno,
                                 int AFallback) {
  const std::u16string Reason = Utf8ToUtf16Lossy(std::generic_category().message(AErrno ? AErrno : AFallback));
  throw TError(std::u16string(AWhat) + u" \"" + AFileName + u"\". " + Reason);
}

bool IsDirectory(const std::filesystem::path& APath) {
  std::error_code Ec;
  return std::filesystem::is_directory(APath, Ec);
}

} // namespace

TIniFile TIniFile::FromText(std::u16string_view AText) {
  if (!AText.empty() && AText.front() == u'\uFEFF') AText.remove_prefix(1);
  TIniFile Ini;
  TSection* Current = nullptr;
  for (const std::u16string& RawLine : SplitLines(AText)) {
    const std::u16string_view Line = Trim(RawLine);
    if (Line.empty() || Line.front() == u';') continue;
    if (Line.size() >= 2 && Line.front() == u'[' && Line.back() == u']') {
      const std::u16string_view Name = Trim(Line.substr(1, Line.size() - 2));
      Current = Ini.FindSection(Name);
      if (!Current) Current = &Ini.FSections.emplace_back(TSection{std::u16string(Name), {}});
      continue;
    }
    if (!Current) continue;
    const std::size_t Eq = Line.find(u'=');
    if (Eq == std::u16string_view::npos)
      Current->Keys.push_back(TKey{std::u16string(Line), {}});
    else
      Current->Keys.push_back(TKey{std::u16string(Trim(Line.substr(0, Eq))), std::u16string(Trim(Line.substr(Eq + 1)))});
  }
  return Ini;
}

TIniFile TIniFile::FromUtf8(std::string_view ABytes) {
  if (ABytes.substr(0, Utf8Bom.size()) == Utf8Bom) ABytes.remove_prefix(Utf8Bom.size());
  return FromText(Utf8ToUtf16Lossy(ABytes));
}

std::u16string TIniFile::ToText() const {
  std::u16string Out;
  for (const TSection& Section : FSections) {
    Out += u'[';
    AppendSingleLine(Out, Section.Name);
    Out += u"]\r\n";
    for (const TKey& Key : Section.Keys) {
      AppendSingleLine(Out, Key.Name);
      Out += u'=';
      AppendSingleLine(Out, Key.Value);
      Out += u"\r\n";
    }
    Out += u"\r\n";
  }
  return Out;
}

std::string TIniFile::ToUtf8() const { return std::string(Utf8Bom) + Utf16ToUtf8(ToText()); }

const TIniFile::TSection* TIniFile::FindSection(std::u16string_view AName) const {
  for (const TSection& Section : FSections)
    if (SameTextAscii(Section.Name, AName)) return &Section;
  return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(std::u16string_view AName) {
  return const_cast<TSection*>(std::as_const(*this).FindSection(AName));
}

bool TIniFile::SectionExists(std::u16string_view ASection) const { return FindSection(ASection) != nullptr; }

bool TIniFile::ValueExists(std::u16string_view ASection, std::u16string_view AKey) const {
  if (const TSection* Section = FindSection(ASection))
    for (const TKey& Key : Section->Keys)
      if (SameTextAscii(Key.Name, AKey)) return true;
  return false;
}

std::u16string TIniFile::ReadString(std::u16string_view ASection, std::u16string_view AKey,
                                    const std::u16string& ADefault) const {
  if (const TSection* Section = FindSection(ASection))
    for (const TKey& Key : Section->Keys)
      if (SameTextAscii(Key.Name, AKey)) return Key.Value;
  return ADefault;
}

std::vector<std::u16string> TIniFile::ReadSection(std::u16string_view ASection) const {
  std::vector<std::u16string> Names;
  if (const TSection* Section = FindSection(ASection))
    for (const TKey& Key : Section->Keys) Names.push_back(Key.Name);
  return Names;
}

std::vector<std::u16string> TIniFile::ReadSections() const {
  std::vector<std::u16string> Names;
  for (const TSection& Section : FSections) Names.push_back(Section.Name);
  return Names;
}

void TIniFile::WriteString(std::u16string_view ASection, std::u16string_view AKey, std::u16string_view AValue) {
  TSection* Section = FindSection(ASection);
  if (!Section) Section = &FSections.emplace_back(TSection{std::u16string(ASection), {}});
  for (TKey& Key : Section->Keys)
    if (SameTextAscii(Key.Name, AKey)) {
      Key.Value = AValue;
      return;
    }
  Section->Keys.push_back(TKey{std::u16string(AKey), std::u16string(AValue)});
}

void TIniFile::EraseSection(std::u16string_view ASection) {
  std::erase_if(FSections, [&](const TSection& Section) { return SameTextAscii(Section.Name, ASection); });
}

TIniFile LoadIniFile(const std::u16string& AFileName) {
  const std::filesystem::path Path = FsPath(AFileName);
  std::error_code Ec;
  if (!std::filesystem::exists(Path, Ec) && !Ec) return {};
  // A folder opens as a stream on some systems; it is no settings file either way.
  if (IsDirectory(Path)) RaiseFileError(u"Cannot open file", AFileName, EISDIR, EISDIR);
  errno = 0;
  std::ifstream In(Path, std::ios::binary);
  if (!In) RaiseFileError(u"Cannot open file", AFileName, errno, EACCES);
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  if (In.bad()) RaiseFileError(u"Cannot read file", AFileName, errno, EIO);
  return TIniFile::FromUtf8(Bytes.str());
}

void SaveIniFile(const TIniFile& AIni, const std::u16string& AFileName) {
  const std::filesystem::path Path = FsPath(AFileName);
  std::error_code Ec;
  if (std::filesystem::exists(Path, Ec)) {
    // The new file replaces the old one by renaming, which some systems allow even over a file
    // that may not be written; a file that refuses writing keeps its content.
    if (IsDirectory(Path)) RaiseFileError(u"Cannot create file", AFileName, EISDIR, EISDIR);
    errno = 0;
    std::fstream Probe(Path, std::ios::binary | std::ios::in | std::ios::out);
    if (!Probe) RaiseFileError(u"Cannot create file", AFileName, errno, EACCES);
  }

  // The settings hold the user's templates: a new file is for its owner only, while a mode the
  // user gave an existing file stays.
  WriteFileReplacing(AFileName, AIni.ToUtf8(), faKeepExisting);
}

} // namespace vm
