#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "history_test_support.h"

#if defined(__linux__)
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace vm::test {
namespace {

// ---- Adding ----------------------------------------------------------------------------

enum class TAddKind { Text, Image, Files };

struct TAddCase {
  const char* Name;
  std::string Start;
  int MaxItems;
  TAddKind Kind;
  std::string Argument;
  bool Result;
  std::string Expected;
};

std::ostream& operator<<(std::ostream& AOut, const TAddCase& ACase) { return AOut << ACase.Name; }

class AddCases : public THistoryTest, public ::testing::WithParamInterface<TAddCase> {};

TEST_P(AddCases, PlacesReusesAndTrims) {
  const TAddCase& Case = GetParam();
  Fill(History, Case.Start);
  History.SetMaxItems(Case.MaxItems);
  const std::u16string Argument = Utf8ToUtf16(Case.Argument);
  bool Result = false;
  switch (Case.Kind) {
    case TAddKind::Text: Result = History.AddText(Argument); break;
    case TAddKind::Image: Result = History.AddImage(Argument); break;
    case TAddKind::Files: Result = History.AddFiles(Argument); break;
  }
  EXPECT_EQ(Result, Case.Result);
  EXPECT_EQ(Describe(History), Case.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    History, AddCases,
    ::testing::Values(
        TAddCase{"EmptyTextIsRefused", "A B", 30, TAddKind::Text, "", false, "A B"},
        TAddCase{"EmptyImageIsRefused", "A", 30, TAddKind::Image, "", false, "A"},
        TAddCase{"EmptyFilesAreRefused", "A", 30, TAddKind::Files, "", false, "A"},
        TAddCase{"FirstEntry", "", 30, TAddKind::Text, "A", true, "A"},
        TAddCase{"NewTextGoesBelowPinned", "P1* P2* A", 30, TAddKind::Text, "B", true, "P1* P2* B A"},
        TAddCase{"EqualUnpinnedMovesUp", "P1* A B C", 30, TAddKind::Text, "C", true, "P1* C A B"},
        TAddCase{"EqualPinnedIsRefused", "P1* P2* A", 30, TAddKind::Text, "P2", false, "P1* P2* A"},
        TAddCase{"EqualFirstUnpinnedKeepsOrder", "P1* A B", 30, TAddKind::Text, "A", true, "P1* A B"},
        TAddCase{"TextIsCaseSensitive", "ABC", 30, TAddKind::Text, "abc", true, "abc ABC"},
        TAddCase{"LineBreaksAreNotNormalised", "a\r\nb", 30, TAddKind::Text, "a\nb", true, "a\nb a\r\nb"},
        TAddCase{"ReuseDoesNotTrim", "A B C", 2, TAddKind::Text, "C", true, "C A B"},
        TAddCase{"TrimRemovesBottomUnpinned", "P1* A B C", 4, TAddKind::Text, "D", true, "P1* D A B"},
        TAddCase{"PinnedAloneFillTheMaximum", "P1* P2* P3*", 2, TAddKind::Text, "X", true, "P1* P2* P3*"},
        TAddCase{"ZeroMaximumKeepsOnlyPinned", "P1* A", 0, TAddKind::Text, "B", true, "P1*"},
        TAddCase{"NegativeMaximumKeepsOnlyPinned", "A B", -5, TAddKind::Text, "C", true, ""},
        TAddCase{"ImageNameIgnoresAsciiCase", "A img:x.png", 30, TAddKind::Image, "X.PNG", true, "img:x.png A"},
        TAddCase{"ImageNameKeepsNonAsciiCase", "img:\xC3\xA9.png", 30, TAddKind::Image, "\xC3\x89.png", true,
                 "img:\xC3\x89.png img:\xC3\xA9.png"},
        TAddCase{"PinnedImageIsRefused", "img:x.png* A", 30, TAddKind::Image, "x.png", false, "img:x.png* A"},
        TAddCase{"TextDoesNotReuseFileList", "files:a", 30, TAddKind::Text, "a", true, "a files:a"},
        TAddCase{"FileListDoesNotReuseText", "a", 30, TAddKind::Files, "a", true, "files:a a"},
        TAddCase{"FileListReusesFileList", "A files:C:\\x\r\nC:\\y", 30, TAddKind::Files, "C:\\x\r\nC:\\y", true,
                 "files:C:\\x\r\nC:\\y A"},
        TAddCase{"ImageDoesNotReuseTextOfSameName", "x.png", 30, TAddKind::Image, "x.png", true, "img:x.png x.png"},
        // A loaded file need not keep the pinned entries on top; the first unpinned entry counts.
        TAddCase{"UnsortedListInsertsAtFirstUnpinned", "A P1* B", 30, TAddKind::Text, "C", true, "C A P1* B"},
        TAddCase{"UnsortedListMovesToFirstUnpinned", "A P1* B", 30, TAddKind::Text, "B", true, "B A P1*"}),
    [](const ::testing::TestParamInfo<TAddCase>& AInfo) { return std::string(AInfo.param.Name); });

// ---- Moving, pinning, deleting ---------------------------------------------------------

enum class TOperation { MoveToTop, TogglePin, Delete };

struct TOperationCase {
  const char* Name;
  std::string Start;
  TOperation Operation;
  int Index;
  std::string Expected;
};

std::ostream& operator<<(std::ostream& AOut, const TOperationCase& ACase) { return AOut << ACase.Name; }

class OperationCases : public THistoryTest, public ::testing::WithParamInterface<TOperationCase> {};

TEST_P(OperationCases, KeepPinnedAboveUnpinned) {
  const TOperationCase& Case = GetParam();
  Fill(History, Case.Start);
  switch (Case.Operation) {
    case TOperation::MoveToTop: History.MoveToTop(Case.Index); break;
    case TOperation::TogglePin: History.TogglePin(Case.Index); break;
    case TOperation::Delete: History.Delete(Case.Index); break;
  }
  EXPECT_EQ(Describe(History), Case.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    History, OperationCases,
    ::testing::Values(
        TOperationCase{"MoveUnpinnedBelowPinned", "P1* A B C", TOperation::MoveToTop, 3, "P1* C A B"},
        TOperationCase{"MovePinnedDoesNothing", "P1* P2* A", TOperation::MoveToTop, 1, "P1* P2* A"},
        TOperationCase{"MoveFirstUnpinnedKeepsOrder", "P1* A B", TOperation::MoveToTop, 1, "P1* A B"},
        TOperationCase{"MoveNegativeIndexIgnored", "A B", TOperation::MoveToTop, -1, "A B"},
        TOperationCase{"MoveIndexAtCountIgnored", "A B", TOperation::MoveToTop, 2, "A B"},
        TOperationCase{"PinGoesBelowLastPinned", "P1* P2* A B C", TOperation::TogglePin, 3, "P1* P2* B* A C"},
        TOperationCase{"PinFirstUnpinnedStays", "P1* A B", TOperation::TogglePin, 1, "P1* A* B"},
        TOperationCase{"UnpinBecomesFirstUnpinned", "P1* P2* A", TOperation::TogglePin, 0, "P2* P1 A"},
        TOperationCase{"PinInEmptyPinnedSet", "A B C", TOperation::TogglePin, 2, "C* A B"},
        TOperationCase{"PinIndexOutOfRangeIgnored", "A", TOperation::TogglePin, 1, "A"},
        TOperationCase{"DeletePinned", "P1* A", TOperation::Delete, 0, "A"},
        TOperationCase{"DeleteMiddle", "A B C", TOperation::Delete, 1, "A C"},
        TOperationCase{"DeleteOutOfRangeIgnored", "A B", TOperation::Delete, 2, "A B"},
        TOperationCase{"DeleteNegativeIgnored", "A B", TOperation::Delete, -1, "A B"}),
    [](const ::testing::TestParamInfo<TOperationCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(THistoryTest, NewHistoryHoldsThirtyAndWritingTheMaximumDoesNotTrim) {
  EXPECT_EQ(History.MaxItems(), 30);
  Fill(History, "P1* A B C");
  History.SetMaxItems(1);
  EXPECT_EQ(Describe(History), "P1* A B C");
  History.TrimToMax();
  EXPECT_EQ(Describe(History), "P1*");
}

TEST_F(THistoryTest, PinningNeverTrims) {
  Fill(History, "A B C");
  History.SetMaxItems(1);
  History.TogglePin(2);
  EXPECT_EQ(Describe(History), "C* A B");
}

TEST_F(THistoryTest, ClearRemovesPinnedEntriesToo) {
  Fill(History, "P1* A img:x.png B");
  History.Clear();
  EXPECT_EQ(History.Items().Count(), 0);
}

// ---- Labels ----------------------------------------------------------------------------

struct TLabelCase {
  TClipItemType Type;
  std::u16string Text;
  std::u16string Expected;
};

class DisplayTextCases : public ::testing::TestWithParam<TLabelCase> {};

TEST_P(DisplayTextCases, BuildsOneLineLabel) {
  TClipItem Item;
  Item.ItemType = GetParam().Type;
  Item.Text = GetParam().Text;
  EXPECT_EQ(Utf16ToUtf8(Item.DisplayText()), Utf16ToUtf8(GetParam().Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, DisplayTextCases,
    ::testing::Values(
        TLabelCase{citFiles, u"C:\\a\\x.txt", u"x.txt"},
        TLabelCase{citFiles, u"C:\\a\\x.txt\r\nC:\\b\\y.txt\r\nC:\\c\\z.txt", u"x.txt ほか2件"},
        TLabelCase{citFiles, u"C:\\a\\x.txt\r\n", u"x.txt"},
        TLabelCase{citFiles, u"C:\\a\nC:\\b\rC:\\c", u"a ほか2件"},
        TLabelCase{citFiles, u"C:\\a\r\n\r\nC:\\c", u"a ほか2件"},
        TLabelCase{citFiles, u"C:\\", u""},
        TLabelCase{citFiles, u"C:x.txt", u"x.txt"},
        TLabelCase{citFiles, u"x.txt", u"x.txt"},
        TLabelCase{citFiles, u"/home/u/x.txt", u"x.txt"},
        TLabelCase{citFiles, u"/home/u/写真.png\r\n/tmp/b", u"写真.png ほか1件"},
        TLabelCase{citFiles, u"C:\\a/b.txt", u"a/b.txt"},
        TLabelCase{citFiles, u"", u""},
        TLabelCase{citText, u"a\r\nb", u"a b"},
        TLabelCase{citText, u"a\r\r\nb", u"a  b"},
        TLabelCase{citText, u"a\n\rb", u"a  b"},
        TLabelCase{citText, u"a\rb\n", u"a b "},
        TLabelCase{citText, u"  a\tb  ", u"  a\tb  "},
        TLabelCase{citImage, u"", u""}));

// ---- Image files -----------------------------------------------------------------------

class ImageFiles : public THistoryTest {
protected:
  static void Touch(const std::u16string& APath) { WriteFileBytes(APath, "data"); }
  static void MakeImage(const std::u16string& AName, const std::u16string& AThumbnail) {
    Touch(ImagesDir() + AName);
    Touch(ResizeImagesDir() + AThumbnail);
  }
};

TEST_F(ImageFiles, SharedNameIsDeletedWithItsLastEntry) {
  MakeImage(u"a1.png", u"a1.bmp");
  Fill(History, "img:a1.png A img:a1.png");
  History.Delete(2);
  EXPECT_TRUE(FileExists(ImagesDir() + u"a1.png"));
  EXPECT_TRUE(FileExists(ResizeImagesDir() + u"a1.bmp"));
  History.Delete(0);
  EXPECT_FALSE(FileExists(ImagesDir() + u"a1.png"));
  EXPECT_FALSE(FileExists(ResizeImagesDir() + u"a1.bmp"));
  EXPECT_EQ(Describe(History), "A");
  EXPECT_EQ(LogText(), "");
}

TEST_F(ImageFiles, NamesDifferingInAsciiCaseShareTheFile) {
  MakeImage(u"a1.png", u"a1.bmp");
  Fill(History, "img:a1.png img:A1.PNG");
  History.Delete(0);
  EXPECT_TRUE(FileExists(ImagesDir() + u"a1.png"));
  EXPECT_TRUE(FileExists(ResizeImagesDir() + u"a1.bmp"));
  EXPECT_EQ(Describe(History), "img:A1.PNG");
}

TEST_F(ImageFiles, ClearDeletesEveryImageOnceItsLastEntryGoes) {
  MakeImage(u"a1.png", u"a1.bmp");
  MakeImage(u"b2.png", u"b2.bmp");
  Fill(History, "img:a1.png* img:b2.png img:a1.png");
  History.Clear();
  EXPECT_FALSE(FileExists(ImagesDir() + u"a1.png"));
  EXPECT_FALSE(FileExists(ResizeImagesDir() + u"a1.bmp"));
  EXPECT_FALSE(FileExists(ImagesDir() + u"b2.png"));
  EXPECT_FALSE(FileExists(ResizeImagesDir() + u"b2.bmp"));
}

TEST_F(ImageFiles, TrimDeletesTheImagesItRemoves) {
  MakeImage(u"old.png", u"old.bmp");
  MakeImage(u"kept.png", u"kept.bmp");
  Fill(History, "img:kept.png* A img:old.png");
  History.SetMaxItems(2);
  EXPECT_TRUE(History.AddText(u"B"));
  EXPECT_EQ(Describe(History), "img:kept.png* B");
  EXPECT_FALSE(FileExists(ImagesDir() + u"old.png"));
  EXPECT_FALSE(FileExists(ResizeImagesDir() + u"old.bmp"));
  EXPECT_TRUE(FileExists(ImagesDir() + u"kept.png"));
}

TEST_F(ImageFiles, ThumbnailNameReplacesTheLastExtension) {
  MakeImage(u"shot.v2.png", u"shot.v2.bmp");
  MakeImage(u"noext", u"noext.bmp");
  Fill(History, "img:shot.v2.png img:noext");
  History.Clear();
  EXPECT_FALSE(FileExists(ResizeImagesDir() + u"shot.v2.bmp"));
  EXPECT_FALSE(FileExists(ResizeImagesDir() + u"noext.bmp"));
  EXPECT_FALSE(FileExists(ImagesDir() + u"noext"));
}

TEST_F(ImageFiles, MissingFilesAreNotAnError) {
  Fill(History, "img:gone.png");
  History.Delete(0);
  EXPECT_EQ(History.Items().Count(), 0);
  EXPECT_EQ(LogText(), "");
}

TEST_F(ImageFiles, NamesThatAreNotBareNeverDeleteAnything) {
  // Files an edited history could aim at: outside the image folders, or in a subfolder.
  Touch(BaseDir() + u"secret.txt");
  Touch(BaseDir() + u"secret.bmp");
  Touch(ImagesDir() + u"sub" + PathDelim + u"x.png");
  Touch(ResizeImagesDir() + u"sub" + PathDelim + u"x.bmp");
  const std::u16string Names[] = {u"../secret.txt", u"..\\secret.txt", u"sub/x.png", u"sub\\x.png",
                                  u"..",            u".",              u"C:x.png"};
  for (const auto& Name : Names) {
    TClipItem Item;
    Item.ItemType = citImage;
    Item.ImageFile = Name;
    History.Items().Add(Item);
  }
  History.Clear();
  EXPECT_EQ(History.Items().Count(), 0);
  EXPECT_TRUE(FileExists(BaseDir() + u"secret.txt"));
  EXPECT_TRUE(FileExists(BaseDir() + u"secret.bmp"));
  EXPECT_TRUE(FileExists(ImagesDir() + u"sub" + PathDelim + u"x.png"));
  EXPECT_TRUE(FileExists(ResizeImagesDir() + u"sub" + PathDelim + u"x.bmp"));
  EXPECT_TRUE(DirectoryExists(ImagesDir()));
}

// Keeps a file from being deleted for its lifetime: an open handle without delete sharing on
// Windows, the immutable attribute (root) or a read-only folder (other users) on Linux.
class TUndeletableFile {
public:
  explicit TUndeletableFile(const std::u16string& APath) : FPath(FsPath(APath)) {
#if defined(_WIN32)
    FHold.open(FPath, std::ios::binary);
    FActive = FHold.is_open();
#elif defined(__linux__)
    FFd = ::open(FPath.c_str(), O_RDONLY);
    int Flags = 0;
    if (FFd >= 0 && ::ioctl(FFd, FS_IOC_GETFLAGS, &Flags) == 0) {
      Flags |= FS_IMMUTABLE_FL;
      FImmutable = ::ioctl(FFd, FS_IOC_SETFLAGS, &Flags) == 0;
    }
    if (!FImmutable) {
      namespace fs = std::filesystem;
      fs::permissions(FPath.parent_path(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
      FReadOnlyFolder = true;
    }
    std::error_code Ec;
    const auto Probe = FPath.parent_path() / "probe";
    FActive = !std::ofstream(Probe).is_open() || FImmutable;
    std::filesystem::remove(Probe, Ec);
#endif
  }
  ~TUndeletableFile() {
#if defined(__linux__)
    if (FImmutable) {
      int Flags = 0;
      ::ioctl(FFd, FS_IOC_GETFLAGS, &Flags);
      Flags &= ~FS_IMMUTABLE_FL;
      ::ioctl(FFd, FS_IOC_SETFLAGS, &Flags);
    }
    if (FFd >= 0) ::close(FFd);
    if (FReadOnlyFolder) std::filesystem::permissions(FPath.parent_path(), std::filesystem::perms::owner_all);
#endif
  }
  bool Active() const { return FActive; }

private:
  std::filesystem::path FPath;
  bool FActive = false;
#if defined(_WIN32)
  std::ifstream FHold;
#elif defined(__linux__)
  int FFd = -1;
  bool FImmutable = false;
  bool FReadOnlyFolder = false;
#endif
};

TEST_F(ImageFiles, FailedDeletionIsLoggedAndTheEntryStillGoes) {
  MakeImage(u"held.png", u"held.bmp");
  Fill(History, "A img:held.png");
  {
    TUndeletableFile Held(ImagesDir() + u"held.png");
    if (!Held.Active()) GTEST_SKIP() << "cannot make a file undeletable here";
    History.Delete(1);
  }
  EXPECT_EQ(Describe(History), "A");
  EXPECT_TRUE(FileExists(ImagesDir() + u"held.png"));
  // The thumbnail step is skipped after the image could not be deleted.
  EXPECT_TRUE(FileExists(ResizeImagesDir() + u"held.bmp"));
  const std::string Log = LogText();
  EXPECT_TRUE(Log.starts_with("2024/05/01 09:05:07:042  Image delete failed: held.png (")) << Log;
  EXPECT_TRUE(Log.ends_with(")\r\n")) << Log;
  // The platform's text without its trailing full stop and line break.
  EXPECT_FALSE(Log.ends_with(".)\r\n") || Log.ends_with("\n)\r\n")) << Log;
  EXPECT_GT(Log.size(), std::string("2024/05/01 09:05:07:042  Image delete failed: held.png ()\r\n").size());
}

} // namespace
} // namespace vm::test
