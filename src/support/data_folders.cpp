#include "support/data_folders.h"

#include <system_error>
#include <vector>

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
  namespace fs = std::filesystem;
  fs::path Target = FsPath(APath);
  if (!Target.has_filename()) Target = Target.parent_path(); // the trailing delimiter
  std::vector<fs::path> Missing;
  std::error_code Ec;
  for (fs::path P = Target; !P.empty() && !fs::exists(P, Ec); P = P.parent_path()) {
    Missing.push_back(P);
    if (P == P.parent_path()) break;
  }
  fs::create_directories(Target, Ec);
  if (!Ec)
    for (const fs::path& Created : Missing) MakeFolderPrivate(Created.u16string());
  if (Ec || !DirectoryExists(APath))
    throw TError(u"Unable to create directory \"" + APath + u"\": " +
                 Utf8ToUtf16Lossy(Ec ? Ec.message() : std::string("a file is in the way")));
}

void MakeFolderPrivate(const std::u16string& APath) {
#ifndef _WIN32
  namespace fs = std::filesystem;
  std::error_code Ec;
  const fs::path Folder = FsPath(APath);
  const fs::file_status Status = fs::status(Folder, Ec);
  if (Ec || !fs::is_directory(Status) || (Status.permissions() & fs::perms::mask) == fs::perms::owner_all) return;
  fs::permissions(Folder, fs::perms::owner_all, fs::perm_options::replace, Ec);
#else
  // Windows folders carry access lists inherited from the user's profile, not modes.
  (void)APath;
#endif
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
