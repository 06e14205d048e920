// The history list: what the search lists, what the rows show, and how each cell is painted.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "history/clip_history.h"
#include "scenario/list_test_helpers.h"
#include "support/data_folders.h"

namespace vm::test {
namespace {

using TListView = TScenario;

const TImage RedPicture = TFakeImaging::SolidImage(30, 10, 0xFFFF0000);
const TImage BluePicture = TFakeImaging::SolidImage(8, 40, 0xFF0000FF);

std::u16string ThumbnailPath(const TClipItem& AItem) {
  const std::u16string& Name = AItem.ImageFile;
  return ResizeImagesDir() + Name.substr(0, Name.rfind(u'.')) + u".bmp";
}

TEST_F(TListView, SearchListsWhatContainsTheTypedTextAndNeverAPicture) {
  Start();
  CopyText(u"Meeting notes\r\nthe NEEDLE is on line two");
  CopyText(u"two  spaces");
  CopyText(u"UNBELIEVABLE");
  CopyPng(RedPicture);
  CopyFiles({u"C:\\Work\\a.txt", u"D:\\Projects\\Secret\\b.txt"});
  CopyText(u"日本語のテキスト");
  CopyText(u"ÉCOLE Straße");
  OpenPopup(*this);
  const std::u16string Ecole = u"|ÉCOLE Straße", Japanese = u"|日本語のテキスト",
                       Files = u"📁|a.txt ほか1件", Picture = u"🖼|", Unbelievable = u"|UNBELIEVABLE",
                       TwoSpaces = u"|two  spaces", Needle = u"|Meeting notes the NEEDLE is on line two";
  const std::vector<std::u16string> Everything{Ecole, Japanese, Files, Picture, Unbelievable, TwoSpaces, Needle};
  const std::vector<std::u16string> Blank{u"|"};

  struct TCase {
    const char* Name;
    std::u16string Search;
    std::vector<std::u16string> Rows;
  } const Cases[] = {
      {"nothing typed", u"", Everything},
      {"only spaces count as nothing, pictures included", u"   ", Everything},
      {"spaces and control characters around are ignored", u"\t needle \r", {Needle}},
      {"lower case finds upper case inside a longer word", u"believ", {Unbelievable}},
      {"a word on a later line of a text", u"line two", {Needle}},
      {"inner spaces are compared as typed: one space", u"two spaces", Blank},
      {"inner spaces are compared as typed: two spaces", u"two  spaces", {TwoSpaces}},
      {"a folder found only in the second path", u"secret", {Files}},
      {"japanese", u"テキスト", {Japanese}},
      {"letters beyond ASCII fold too", u"école", {Ecole}},
      {"a picture's file name is no text", u"png", Blank},
      {"any text hides every picture", u"e", {Ecole, Files, Unbelievable, TwoSpaces, Needle}},
      {"no match leaves one blank row", u"zzz", Blank},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    F.Popup.Current = 3;
    TypeSearch(*this, Case.Search);
    EXPECT_EQ(GridRows(*this), Case.Rows);
    const bool Listed = Case.Rows != Blank;
    // Every change of the search selects the first row again.
    EXPECT_EQ(F.Popup.Current, 0);
    EXPECT_EQ(Frm->SelectedHistoryIndex(), Listed ? Frm->View().front() : -1);
  }
}

TEST_F(TListView, SearchFollowsTheHistoryAsItChangesBetweenKeystrokes) {
  Start();
  CopyText(u"Alpha One");
  CopyText(u"Bravo Two");
  OpenPopup(*this);
  TypeSearch(*this, u"alpha");
  ASSERT_EQ(GridRows(*this), std::vector<std::u16string>{u"|Alpha One"});

  // Each step changes the history while the same word is searched; the rows follow at once.
  struct TStep {
    const char* Name;
    std::function<void()> Change;
    std::vector<std::u16string> Rows;
  } const Steps[] = {
      {"a new entry of the same length", [this] { CopyText(u"ALPHA Six"); }, {u"|ALPHA Six", u"|Alpha One"}},
      {"an equal copy moves its entry up", [this] { CopyText(u"Alpha One"); }, {u"|Alpha One", u"|ALPHA Six"}},
      {"the current entry deleted",
       [this] {
         TypeSearch(*this, u"");
         F.Popup.Current = 0;
         ASSERT_TRUE(PressKey(*this, VK_DELETE_KEY, Ctrl()));
       },
       {u"|ALPHA Six"}},
      {"an entry of another text takes the freed place", [this] { CopyText(u"alphabet"); }, {u"|alphabet", u"|ALPHA Six"}},
  };
  for (const TStep& Step : Steps) {
    SCOPED_TRACE(Step.Name);
    Step.Change();
    TypeSearch(*this, u"alpha");
    EXPECT_EQ(GridRows(*this), Step.Rows);
  }
}

TEST_F(TListView, AWordIsFoundWhereverItStandsInALongText) {
  Start();
  OpenPopup(*this);
  // Texts of 40 units with the word at each place, across and beside the 16-unit steps of the scan.
  for (const int At : {0, 1, 14, 15, 16, 17, 31, 32, 36}) {
    SCOPED_TRACE(At);
    std::u16string Text(40, u'x');
    Text.replace(static_cast<std::size_t>(At), 4, u"Word");
    CopyText(Text);
    TypeSearch(*this, u"word");
    EXPECT_EQ(GridRows(*this).front(), u"|" + Text);
    EXPECT_EQ(Frm->View().size(), 1u);
    ASSERT_TRUE(PressKey(*this, VK_DELETE_KEY, Ctrl()));
  }
  struct TCase {
    const char* Name;
    std::u16string Text;
  } const Misses[] = {
      {"cut off by the end", std::u16string(37, u'x') + u"wor"},
      {"first letter everywhere, never the rest", std::u16string(40, u'w')},
      {"shorter than the word", u"wo"},
  };
  for (const TCase& Case : Misses) {
    SCOPED_TRACE(Case.Name);
    CopyText(Case.Text);
    TypeSearch(*this, u"word");
    EXPECT_EQ(GridRows(*this), std::vector<std::u16string>{u"|"});
  }
}

TEST_F(TListView, RowsShowMarksForEachKindAndPinnedEntriesFirst) {
  Start();
  OpenPopup(*this);
  // Each new entry lands on the first unpinned row; a pinned one joins the end of the pinned block.
  auto PinNewest = [this] {
    int Pinned = 0;
    while (Pinned < Frm->History().Items().Count() && Frm->History().Items()[Pinned].Pinned) ++Pinned;
    F.Popup.Current = Pinned;
    ASSERT_TRUE(PressKey(*this, VK_P_KEY, Ctrl()));
  };
  CopyText(u"plain");
  CopyText(u"to pin\r\nsecond line");
  PinNewest();
  CopyPng(RedPicture);
  CopyPng(BluePicture);
  PinNewest();
  CopyFiles({u"C:\\x\\one.txt"});
  CopyFiles({u"C:\\y\\two.txt", u"C:\\y\\three.txt"});
  PinNewest();

  const std::vector<std::u16string> Expected{
      u"📌|to pin second line", u"📌🖼|", u"📌📁|two.txt ほか1件", u"📁|one.txt", u"🖼|", u"|plain",
  };
  EXPECT_EQ(GridRows(*this), Expected);
}

TEST_F(TListView, EmptyHistoryShowsOneBlankRowThatIsNeverHighlighted) {
  Start();
  OpenPopup(*this);
  EXPECT_EQ(GridRows(*this), std::vector<std::u16string>{u"|"});
  EXPECT_EQ(Frm->SelectedHistoryIndex(), -1);
  for (int Col = 0; Col < 2; ++Col) {
    const TCellPaint Paint = Frm->ClipHistoryGridDrawCell(Col, 0, {0, 0, 100, 25});
    EXPECT_EQ(Paint.Background, TColorRole::WindowBackground);
    EXPECT_TRUE(Paint.Text.empty());
    EXPECT_EQ(Paint.Thumbnail, nullptr);
  }
}

TEST_F(TListView, DeletingTheLastRowMakesTheRowAboveCurrentWhilePinningKeepsTheRowNumber) {
  Start();
  for (const char16_t* Text : {u"c", u"b", u"a"}) CopyText(Text);
  OpenPopup(*this);
  F.Popup.Current = 2;
  ASSERT_TRUE(PressKey(*this, VK_DELETE_KEY, Ctrl()));
  EXPECT_EQ(GridRows(*this), (std::vector<std::u16string>{u"|a", u"|b"}));
  EXPECT_EQ(F.Popup.Current, 1);

  // Pinning "b" moves it to the top; the current row keeps its number and now shows "a".
  ASSERT_TRUE(PressKey(*this, VK_P_KEY, Ctrl()));
  EXPECT_EQ(GridRows(*this), (std::vector<std::u16string>{u"📌|b", u"|a"}));
  EXPECT_EQ(F.Popup.Current, 1);

  // Deleting everything leaves the blank row current, with nothing selected.
  ASSERT_TRUE(PressKey(*this, VK_DELETE_KEY, Ctrl()));
  ASSERT_TRUE(PressKey(*this, VK_DELETE_KEY, Ctrl()));
  EXPECT_EQ(GridRows(*this), std::vector<std::u16string>{u"|"});
  EXPECT_EQ(F.Popup.Current, 0);
  EXPECT_EQ(Frm->SelectedHistoryIndex(), -1);
}

TEST_F(TListView, CellsOfTheCurrentRowAreHighlightedAndTextSitsThreePixelsIn) {
  Start();
  CopyText(u"Tom & Jerry");
  CopyFiles({u"C:\\docs\\report.txt"});
  OpenPopup(*this);
  F.Popup.Current = 1;
  const TRect Cell{30, 33, 232, 66};

  struct TCase {
    int Col, Row;
    TColorRole Background, TextColor;
    std::u16string Text;
  } const Cases[] = {
      {0, 0, TColorRole::WindowBackground, TColorRole::Black, u"📁"},
      {1, 0, TColorRole::WindowBackground, TColorRole::Black, u"report.txt"},
      {0, 1, TColorRole::Highlight, TColorRole::HighlightText, u""},
      // The ampersand is part of the text; the desktop is told to show it as it is.
      {1, 1, TColorRole::Highlight, TColorRole::HighlightText, u"Tom & Jerry"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(testing::Message() << "col " << Case.Col << " row " << Case.Row);
    const TCellPaint Paint = Frm->ClipHistoryGridDrawCell(Case.Col, Case.Row, Cell);
    EXPECT_EQ(Paint.Background, Case.Background);
    EXPECT_EQ(Paint.TextColor, Case.TextColor);
    EXPECT_EQ(Paint.Text, Case.Text);
    if (!Case.Text.empty()) {
      EXPECT_EQ(Paint.TextRect, (TRect{33, 33, 232, 66}));
    }
    EXPECT_EQ(Paint.Thumbnail, nullptr);
  }
}

TEST_F(TListView, ThumbnailIsCentredWithTruncatingDivision) {
  Start();
  CopyPng(RedPicture);
  OpenPopup(*this);
  struct TCase {
    TRect Cell;
    TPoint Corner;
  } const Cases[] = {
      {{30, 0, 75, 25}, {42, 2}},    // (45 - 20) / 2 = 12, (25 - 20) / 2 = 2
      {{30, 33, 51, 66}, {30, 39}},  // (21 - 20) / 2 = 0
      {{30, 0, 45, 17}, {28, -1}},   // (15 - 20) / 2 = -2, (17 - 20) / 2 = -1: toward zero, not down
  };
  for (const TCase& Case : Cases) {
    const TCellPaint Paint = Frm->ClipHistoryGridDrawCell(1, 0, Case.Cell);
    ASSERT_NE(Paint.Thumbnail, nullptr);
    EXPECT_EQ(Paint.Thumbnail->Width, 20);
    EXPECT_EQ(Paint.Thumbnail->Height, 20);
    EXPECT_EQ(Paint.Thumbnail->Pixels.front() & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Paint.ThumbnailPos, Case.Corner);
    EXPECT_TRUE(Paint.Text.empty());
  }
  // The marks column of a picture row is text like any other.
  EXPECT_EQ(Frm->ClipHistoryGridDrawCell(0, 0, {0, 0, 30, 25}).Text, u"🖼");
}

TEST_F(TListView, MissingOrUnreadableThumbnailLeavesTheCellBlankAndIsTriedAgain) {
  Start();
  CopyPng(RedPicture);
  OpenPopup(*this);
  const std::u16string Thumb = ThumbnailPath(Frm->History().Items()[0]);
  const std::string Good = ReadFileBytes(Thumb);
  const TRect Cell{30, 0, 75, 25};

  std::filesystem::remove(FsPath(Thumb));
  EXPECT_EQ(Frm->ClipHistoryGridDrawCell(1, 0, Cell).Thumbnail, nullptr);
  WriteFileBytes(Thumb, "not a bitmap");
  EXPECT_EQ(Frm->ClipHistoryGridDrawCell(1, 0, Cell).Thumbnail, nullptr);
  // Nothing is logged: a repaint may come many times a second.
  EXPECT_TRUE(LogLines().empty());

  // Neither failure was remembered: the file that is back is drawn at the next repaint...
  WriteFileBytes(Thumb, Good);
  ASSERT_NE(Frm->ClipHistoryGridDrawCell(1, 0, Cell).Thumbnail, nullptr);
  // ...and from then on comes from memory.
  std::filesystem::remove(FsPath(Thumb));
  EXPECT_NE(Frm->ClipHistoryGridDrawCell(1, 0, Cell).Thumbnail, nullptr);
}

TEST_F(TListView, CachedThumbnailOutlivesItsEntryUntilTheHistoryIsCleared) {
  Start();
  CopyPng(RedPicture);
  OpenPopup(*this);
  const TRect Cell{30, 0, 75, 25};
  ASSERT_NE(Frm->ClipHistoryGridDrawCell(1, 0, Cell).Thumbnail, nullptr);
  ASSERT_TRUE(PressKey(*this, VK_DELETE_KEY, Ctrl()));

  // The same picture again has the same file name; its unreadable thumbnail is not even read.
  CopyPng(RedPicture);
  const std::u16string Thumb = ThumbnailPath(Frm->History().Items()[0]);
  WriteFileBytes(Thumb, "not a bitmap");
  EXPECT_NE(Frm->ClipHistoryGridDrawCell(1, 0, Cell).Thumbnail, nullptr);

  F.MessageBoxes.AnswerYes = true;
  Frm->ClearAllHistory();
  CopyPng(RedPicture);
  WriteFileBytes(Thumb, "not a bitmap");
  EXPECT_EQ(Frm->ClipHistoryGridDrawCell(1, 0, Cell).Thumbnail, nullptr);
}

TEST_F(TListView, PictureNameThatIsNoPlainFileNameShowsNoThumbnail) {
  Start();
  // A history file edited by hand may name a picture outside the data folder.
  const TBytes Bmp = F.Imaging.EncodeBmp24(TFakeImaging::SolidImage(20, 20, 0xFF00FF00));
  WriteFileBytes(BaseDir() + u"outside.bmp", std::string(Bmp.begin(), Bmp.end()));
  ForceDirectories(ResizeImagesDir());
  const std::u16string Name = u".." + std::u16string(1, PathDelim) + u"outside.png";
  ASSERT_TRUE(FileExists(ResizeImagesDir() + u".." + std::u16string(1, PathDelim) + u"outside.bmp"));
  Frm->History().Items().Add(TClipItem{citImage, u"", Name, false});
  Frm->RebuildView();
  Frm->RefreshGrid();
  EXPECT_EQ(GridRows(*this), std::vector<std::u16string>{u"🖼|"});
  EXPECT_EQ(Frm->ClipHistoryGridDrawCell(1, 0, {30, 0, 75, 25}).Thumbnail, nullptr);
}

} // namespace
} // namespace vm::test
