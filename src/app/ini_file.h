#pragma once
// An INI document held in memory: sections in file order, each with its keys in file order.
// It is read from and written back to text exactly by the rules of the settings file, so a
// save keeps sections and keys that the program does not know, in their places.
#include <string>
#include <string_view>
#include <vector>

namespace vm {

class TIniFile {
public:
  struct TKey {
    std::u16string Name;
    std::u16string Value;
  };
  struct TSection {
    std::u16string Name;
    std::vector<TKey> Keys;
  };

  // Reading: a leading byte-order mark (U+FEFF) is skipped; lines end with CR LF, LF or CR and
  // are trimmed of surrounding blanks; empty lines and lines starting with ";" are skipped;
  // "[name]" opens a section; any other line is split at its first "=" into a trimmed key and a
  // trimmed value (no "=": a key with an empty value). Lines before the first section are
  // ignored. A section header that repeats an earlier one (letter case ignored) continues that
  // section, so every section name occurs once. Duplicate keys are kept in order.
  static TIniFile FromText(std::u16string_view AText);
  // UTF-8 bytes, with or without a byte-order mark. Bytes that are not UTF-8 read as U+FFFD
  // rather than failing: a settings file damaged by another editor still loads.
  static TIniFile FromUtf8(std::string_view ABytes);

  // Each section: "[name]", its "key=value" lines, one empty line; every line ends with CR LF.
  // No byte-order mark.
  std::u16string ToText() const;
  // ToText() as UTF-8 behind the byte-order mark EF BB BF.
  std::string ToUtf8() const;

  // Section and key names are compared without regard to case. Reading by name gives the
  // first key of that name.
  bool SectionExists(std::u16string_view ASection) const;
  bool ValueExists(std::u16string_view ASection, std::u16string_view AKey) const;
  std::u16string ReadString(std::u16string_view ASection, std::u16string_view AKey,
                            const std::u16string& ADefault) const;
  // Key names of a section in file order, duplicates included; empty for a missing section.
  std::vector<std::u16string> ReadSection(std::u16string_view ASection) const;
  std::vector<std::u16string> ReadSections() const;

  // Sets the first key of that name in place, keeping its spelling; a missing key is appended
  // at the end of its section, a missing section at the end of the document.
  void WriteString(std::u16string_view ASection, std::u16string_view AKey, std::u16string_view AValue);
  void EraseSection(std::u16string_view ASection);

  const std::vector<TSection>& Sections() const { return FSections; }

private:
  const TSection* FindSection(std::u16string_view AName) const;
  TSection* FindSection(std::u16string_view AName);

  std::vector<TSection> FSections;
};

// The file as a document; a missing file is an empty document. A path that exists but cannot
// be read throws TError.
TIniFile LoadIniFile(const std::u16string& AFileName);
// Writes the document as UTF-8 with byte-order mark, replacing AFileName through
// WriteFileReplacing, so an interrupted save or a power loss leaves the old file whole. A new
// file is for its owner only; an existing one keeps its access mode. Failures throw TError.
void SaveIniFile(const TIniFile& AIni, const std::u16string& AFileName);

} // namespace vm
