#include "support/data_folders.h"

#include <system_error>

#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace {

std::u16string& MutableDataFolderParent() {
  static std::u16string Parent;
  return Parent;
}

std::u16string Join(const std::u16string& AFolder, const std::u16string& AName) {
  return IncludeTrailingDelimiter(IncludeTrailingDelimiter(AFolder) + AName);
}

} // namespace

void SetDataFolderParent(const std::u16string& AFolder) { MutableDataFolderParent() = AFolder; }
const std::u16string& DataFolderParent() { return MutableDataFolderParent(); }

std::u16string IncludeTrailingDelimiter(const std::u16string& AFolder) {
  if (!AFolder.empty() && AFolder.back() == PathDelim) return AFolder;
  return AFolder + PathDelim;
}

std::u16string BaseDir() { return Join(MutableDataFolderParent(), u"Vellomarch"); }
std::u16string ImagesDir() { return Join(BaseDir(), u"Images"); }
std::u16string ResizeImagesDir() { return Join(BaseDir(), u"ResizeImages"); }
std::u16string LogDir() { return Join(BaseDir(), u"Log"); }

std::filesystem::path FsPath(const std::u16string& APath) {
  try {
    return std::filesystem::path(APath);
  } catch (const std::exception&) {
    // A lone surrogate has no UTF-8 form. Mapping it to U+FFFD would name another file, one
    // that a delete could then remove; such a path names no file at all.
    throw TError(u"Invalid path (unpaired UTF-16 surrogate): " + APath);
  }
}

bool FileExists(const std::u16string& APath) {
  std::error_code Ec;
  try {
    return std::filesystem::is_regular_file(FsPath(APath), Ec);
  } catch (const TError&) {
    return false;
  }
}

bool DirectoryExists(const std::u16string& APath) {
  std::error_code Ec;
  try {
    return std::filesystem::is_directory(FsPath(APath), Ec);
  } catch (const TError&) {
    return false;
  }
}

void ForceDirectories(const std::u16string& APath) {
  std::error_code Ec;
  std::filesystem::create_directories(FsPath(APath), Ec);
  if (Ec || !DirectoryExists(APath))
    throw TError(u"Unable to create directory \"" + APath + u"\": " +
                 Utf8ToUtf16Lossy(Ec ? Ec.message() : std::string("a file is in the way")));
}

bool IsBareFileName(const std::u16string& AName) {
  if (AName.empty()) return false;
  for (const char16_t C : AName)
    if (C == u'\\' || C == u'/' || C == u':' || C == 0) return false;
  // Windows drops trailing dots and spaces from a name, so ". ." or "..." would name the folder
  // itself or its parent there; a name of dots and spaces alone is never a file of ours.
  return AName.find_first_not_of(u". ") != std::u16string::npos;
}

} // namespace vm
