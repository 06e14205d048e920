#include "support/data_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "fakes/test_support.h"
#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace {

namespace fs = std::filesystem;

std::u16string P(const char16_t* APosixPath) {
  std::u16string Path = APosixPath;
  return ReplaceAll(Path, u"/", std::u16string(1, PathDelim));
}

TEST(DataFolders, FolderPathsAreRecomputedFromTheParentAndEndWithADelimiter) {
  for (const std::u16string& Parent : {P(u"/opt/tools"), P(u"/opt/tools/")}) {
    SetDataFolderParent(Parent);
    EXPECT_EQ(BaseDir(), P(u"/opt/tools/Vellomarch/"));
    EXPECT_EQ(ImagesDir(), P(u"/opt/tools/Vellomarch/Images/"));
    EXPECT_EQ(ResizeImagesDir(), P(u"/opt/tools/Vellomarch/ResizeImages/"));
    EXPECT_EQ(LogDir(), P(u"/opt/tools/Vellomarch/Log/"));
  }
}

TEST(DataFolders, IncludeTrailingDelimiterAddsOnlyAMissingOne) {
  EXPECT_EQ(IncludeTrailingDelimiter(P(u"/x")), P(u"/x/"));
  EXPECT_EQ(IncludeTrailingDelimiter(P(u"/x/")), P(u"/x/"));
  EXPECT_EQ(IncludeTrailingDelimiter(u""), P(u"/"));
}

TEST(DataFolders, FolderRoutinesCreateNothing) {
  test::TTempDataFolder Temp;
  BaseDir();
  ImagesDir();
  ResizeImagesDir();
  LogDir();
  EXPECT_TRUE(fs::is_empty(Temp.Root()));
}

TEST(DataFolders, ForceDirectoriesCreatesMissingParentsAndAcceptsExistingFolders) {
  test::TTempDataFolder Temp;
  ForceDirectories(LogDir());
  EXPECT_TRUE(DirectoryExists(LogDir()));
  EXPECT_TRUE(DirectoryExists(BaseDir()));
  EXPECT_NO_THROW(ForceDirectories(LogDir()));
}

#ifndef _WIN32
fs::perms ModeOf(const std::u16string& AFolder) { return fs::status(FsPath(AFolder)).permissions() & fs::perms::mask; }

// Images and the log lie in the clear: whatever the umask, only their owner may enter the folders
// the program makes, and an existing data folder is closed to others as well. A folder the
// program did not make (the data folder's parent) keeps its mode.
TEST(DataFolders, TheFoldersTheProgramMakesAreItsOwnersOnly) {
  test::TTempDataFolder Temp;
  fs::permissions(Temp.Root(), static_cast<fs::perms>(0755), fs::perm_options::replace);
  const mode_t PreviousMask = ::umask(0);
  ForceDirectories(LogDir());
  ::umask(PreviousMask);
  EXPECT_EQ(ModeOf(BaseDir()), fs::perms::owner_all);
  EXPECT_EQ(ModeOf(LogDir()), fs::perms::owner_all);
  EXPECT_EQ(ModeOf(Temp.Root().u16string()), static_cast<fs::perms>(0755));

  fs::permissions(FsPath(BaseDir()), static_cast<fs::perms>(0755), fs::perm_options::replace);
  MakeFolderPrivate(BaseDir());
  EXPECT_EQ(ModeOf(BaseDir()), fs::perms::owner_all);
}
#endif

TEST(DataFolders, ForceDirectoriesFailsWithTErrorWhenAFileIsInTheWay) {
  test::TTempDataFolder Temp;
  test::WriteFileBytes(BaseDir() + u"Log", "a file, not a folder");
  try {
    ForceDirectories(LogDir() + u"deeper");
    FAIL() << "no error";
  } catch (const TError& E) {
    EXPECT_NE(E.Message().find(u"Log"), std::u16string::npos) << Utf16ToUtf8(E.Message());
  }
  try {
    ForceDirectories(LogDir());
    FAIL() << "no error for the file itself";
  } catch (const TError&) {
  }
}

TEST(DataFolders, FileAndDirectoryExistsTellFilesFromFolders) {
  test::TTempDataFolder Temp;
  const std::u16string File = BaseDir() + u"VellomarchData.dat";
  EXPECT_FALSE(FileExists(File));
  test::WriteFileBytes(File, "x");
  EXPECT_TRUE(FileExists(File));
  EXPECT_FALSE(DirectoryExists(File));
  EXPECT_TRUE(DirectoryExists(BaseDir()));
  EXPECT_FALSE(FileExists(BaseDir()));
}

TEST(DataFolders, PathWithALoneSurrogateNamesNoFile) {
  test::TTempDataFolder Temp;
  // Were the lone surrogate replaced by U+FFFD, the path would name this file.
  test::WriteFileBytes(ImagesDir() + u"\uFFFD.png", "png");
  const std::u16string Broken = ImagesDir() + std::u16string(1, char16_t(0xD800)) + u".png";
  EXPECT_FALSE(FileExists(Broken));
  EXPECT_FALSE(DirectoryExists(Broken));
#ifndef _WIN32
  EXPECT_THROW(FsPath(Broken), TError);
#endif
}

TEST(DataFolders, IsBareFileName) {
  struct TCase {
    std::u16string Name;
    bool Bare;
  };
  const TCase Cases[] = {
      {u"0123456789abcdef0123456789abcdef.png", true},
      {u"a", true},
      {u".hidden", true},
      {u"a..b.png", true},
      {u"name with spaces.png", true},
      {u"日本.png", true},
      {u"", false},
      {u".", false},
      {u"..", false},
      {u"...", false},
      {u". .", false},
      {u".. ", false},
      {u" ", false},
      {u"../x.png", false},
      {u"..\\x.png", false},
      {u"sub/x.png", false},
      {u"sub\\x.png", false},
      {u"/etc/passwd", false},
      {u"\\\\server\\share", false},
      {u"C:x.png", false},
      {u"x.png:stream", false},
      {std::u16string(u"x\0.png", 6), false},
  };
  for (const TCase& Case : Cases) EXPECT_EQ(IsBareFileName(Case.Name), Case.Bare) << Utf16ToUtf8(Case.Name);
}

} // namespace
} // namespace vm
