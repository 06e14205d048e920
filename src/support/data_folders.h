#pragma once
// The data folder "Vellomarch" and its subfolders. Every folder path ends with the platform's
// delimiter, so callers build file paths by plain concatenation (ImagesDir() + name).
#include <filesystem>
#include <string>

namespace vm {

#ifdef _WIN32
inline constexpr char16_t PathDelim = u'\\';
#else
inline constexpr char16_t PathDelim = u'/';
#endif

// The folder that holds the data folder: the executable's folder, chosen once by the
// program's entry (on Linux an installed copy uses the user's data folder instead).
// Tests point it at a temporary folder.
void SetDataFolderParent(const std::u16string& AFolder);
const std::u16string& DataFolderParent();

std::u16string BaseDir();
std::u16string ImagesDir();
std::u16string ResizeImagesDir();
std::u16string LogDir();
std::u16string IncludeTrailingDelimiter(const std::u16string& AFolder);

// File-system helpers over UTF-16 paths.
std::filesystem::path FsPath(const std::u16string& APath);
bool FileExists(const std::u16string& APath);
bool DirectoryExists(const std::u16string& APath);
// Creates the folder and its missing parents; throws TError with the system's text. The folders
// it creates are their owner's only where the system has such modes (POSIX): the data folder
// holds the user's copies in the clear (images, thumbnails, the log).
void ForceDirectories(const std::u16string& APath);
// Takes every access but its owner's from an existing folder (POSIX); where that is not
// possible (another owner, a file system without modes) the folder is left as it is.
void MakeFolderPrivate(const std::u16string& APath);

// A name that may be joined to a data folder: no path separator of either platform, no drive,
// not "." or "..". Names read from files are checked before any file is deleted by them.
bool IsBareFileName(const std::u16string& AName);

} // namespace vm
