// The popup driven by the keyboard and the pointer: the key table, presses on the list, the
// hover hint, the picture preview and clearing the whole history.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "app/app_texts.h"
#include "history/clip_history.h"
#include "listview/hint_window.h"
#include "scenario/list_test_helpers.h"
#include "support/data_folders.h"
#include "support/error.h"

namespace vm::test {
namespace {

using TKeysPointer = TScenario;

const TImage RedPicture = TFakeImaging::SolidImage(30, 10, 0xFFFF0000);

std::vector<std::u16string> Words(const std::u16string& AText) {
  std::vector<std::u16string> Result;
  std::size_t Start = 0;
  while (Start < AText.size()) {
    std::size_t End = AText.find(u' ', Start);
    if (End == std::u16string::npos) End = AText.size();
    if (End > Start) Result.push_back(AText.substr(Start, End - Start));
    Start = End + 1;
  }
  return Result;
}

bool Wrote(TScenarioWorld& W, TClipFormat AFormat) {
  const auto& Formats = W.F.Clipboard.LastWriteFormats;
  return std::find(Formats.begin(), Formats.end(), AFormat) != Formats.end();
}

TEST(TKeyTable, EachKeyIsConsumedOrPassedOnAndDoesWhatTheRowSays) {
  const TShiftState None{}, Shift{true, false, false}, CtrlOnly{false, false, true}, CtrlShift{true, false, true},
      CtrlAlt{false, true, true};
  const std::u16string Untouched = u"r1 r2 r3 r4 r5";
  struct TCase {
    const char* Name;
    bool EmptyHistory;
    std::u16string Search;
    int StartRow;
    std::uint16_t Key;
    TShiftState ShiftState;
    bool Consumed;
    std::u16string HistoryAfter; // words; newest first
    int Pastes;                  // Ctrl+V sent to the editor
    std::u16string Clipboard;    // its text afterwards
    bool StillVisible;
    int RowAfter;
  } const Cases[] = {
      {"Enter pastes the current row", false, u"", 2, VK_RETURN_KEY, None, true, u"r3 r1 r2 r4 r5", 1, u"r3", false, 2},
      {"Shift+Enter copies only", false, u"", 1, VK_RETURN_KEY, Shift, true, u"r2 r1 r3 r4 r5", 0, u"r2", false, 1},
      {"Ctrl+Enter pastes like Enter", false, u"", 1, VK_RETURN_KEY, CtrlOnly, true, u"r2 r1 r3 r4 r5", 1, u"r2", false, 1},
      {"Enter with an empty view", false, u"zzz", 0, VK_RETURN_KEY, None, true, Untouched, 0, u"r1", true, 0},
      {"Escape hides", false, u"", 1, VK_ESCAPE_KEY, None, true, Untouched, 0, u"r1", false, 1},
      {"Up", false, u"", 2, VK_UP_KEY, None, true, Untouched, 0, u"r1", true, 1},
      {"Up on the first row", false, u"", 0, VK_UP_KEY, None, true, Untouched, 0, u"r1", true, 0},
      {"Down", false, u"", 3, VK_DOWN_KEY, None, true, Untouched, 0, u"r1", true, 4},
      {"Down on the last row", false, u"", 4, VK_DOWN_KEY, None, true, Untouched, 0, u"r1", true, 4},
      {"Down on an empty view is still consumed", true, u"", 0, VK_DOWN_KEY, None, true, u"", 0, u"", true, 0},
      {"Delete alone edits the search box", false, u"", 1, VK_DELETE_KEY, None, false, Untouched, 0, u"r1", true, 1},
      {"Ctrl+Del deletes the current entry", false, u"", 1, VK_DELETE_KEY, CtrlOnly, true, u"r1 r3 r4 r5", 0, u"r1", true, 1},
      {"Ctrl+2 pastes the second row", false, u"", 4, 0x32, CtrlOnly, true, u"r2 r1 r3 r4 r5", 1, u"r2", false, 4},
      {"Ctrl+Alt+3 pastes the third row", false, u"", 0, 0x33, CtrlAlt, true, u"r3 r1 r2 r4 r5", 1, u"r3", false, 0},
      {"Ctrl+1 counts rows of the filtered view", false, u"r4", 0, 0x31, CtrlOnly, true, u"r4 r1 r2 r3 r5", 1, u"r4", false, 0},
      {"Ctrl+9 with five rows does nothing", false, u"", 1, 0x39, CtrlOnly, true, Untouched, 0, u"r1", true, 1},
      {"Ctrl+1 with an empty view does nothing", true, u"", 0, 0x31, CtrlOnly, true, u"", 0, u"", true, 0},
      {"a digit alone is typed", false, u"", 1, 0x33, None, false, Untouched, 0, u"r1", true, 1},
      {"the keypad's digits are not meant", false, u"", 1, 0x63, CtrlOnly, false, Untouched, 0, u"r1", true, 1},
      {"Ctrl+P pins", false, u"", 1, VK_P_KEY, CtrlOnly, true, u"pinned:r2 r1 r3 r4 r5", 0, u"r1", true, 1},
      {"Ctrl+Shift+P pins too", false, u"", 1, VK_P_KEY, CtrlShift, true, u"pinned:r2 r1 r3 r4 r5", 0, u"r1", true, 1},
      {"P alone is typed", false, u"", 1, VK_P_KEY, None, false, Untouched, 0, u"r1", true, 1},
      {"any other key", false, u"", 1, 0x41, CtrlOnly, false, Untouched, 0, u"r1", true, 1},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    W.Start();
    if (!Case.EmptyHistory)
      for (const char16_t* Text : {u"r5", u"r4", u"r3", u"r2", u"r1"}) W.CopyText(Text);
    OpenPopup(W);
    if (!Case.Search.empty()) TypeSearch(W, Case.Search);
    W.F.Popup.Current = Case.StartRow;

    EXPECT_EQ(PressKey(W, Case.Key, Case.ShiftState), Case.Consumed);
    W.RunPending(); // the update caused by a write of our own
    EXPECT_EQ(W.HistoryTexts(), Words(Case.HistoryAfter));
    EXPECT_EQ(PastesSent(W), Case.Pastes);
    EXPECT_EQ(W.F.Clipboard.Text().value_or(u""), Case.Clipboard);
    EXPECT_EQ(W.F.Popup.Visible, Case.StillVisible);
    EXPECT_EQ(W.F.Popup.Current, Case.RowAfter);
  }
}

TEST(TPointerTable, PressesActByButtonColumnAndKindOfEntry) {
  enum TOutcome { Nothing, PastedText, PastedPicture, PastedFiles, Preview, Menu };
  constexpr int Below = 5; // a point under the last row
  struct TCase {
    const char* Name;
    TMouseButton Button;
    int Col, Row;
    int RowAfter;
    TOutcome Outcome;
  } const Cases[] = {
      {"left on the marks of a text pastes", TMouseButton::Left, 0, 0, 0, PastedText},
      {"left on a text pastes", TMouseButton::Left, 1, 0, 0, PastedText},
      {"left on the marks of a picture previews", TMouseButton::Left, 0, 1, 1, Preview},
      {"left on the thumbnail pastes the picture", TMouseButton::Left, 1, 1, 1, PastedPicture},
      {"left on the marks of a file list pastes", TMouseButton::Left, 0, 2, 2, PastedFiles},
      {"left below the rows does nothing", TMouseButton::Left, 1, Below, 1, Nothing},
      {"right selects and opens the menu", TMouseButton::Right, 1, 0, 0, Menu},
      {"right below the rows keeps the row and opens the menu", TMouseButton::Right, 1, Below, 1, Menu},
      {"middle only selects", TMouseButton::Middle, 1, 2, 2, Nothing},
      {"middle on a picture's marks only selects", TMouseButton::Middle, 0, 1, 1, Nothing},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    W.Start();
    W.CopyFiles({u"C:\\docs\\f.txt"});
    W.CopyPng(RedPicture);
    W.CopyText(u"a text");
    OpenPopup(W);
    W.F.Popup.Current = 1;
    W.F.Screen.Cursor = {400, 300};

    Press(W, Case.Button, Case.Col, Case.Row);
    W.RunPending();
    EXPECT_EQ(W.F.Popup.Current, Case.RowAfter);
    const bool Pasted = Case.Outcome == PastedText || Case.Outcome == PastedPicture || Case.Outcome == PastedFiles;
    EXPECT_EQ(PastesSent(W), Pasted ? 1 : 0);
    EXPECT_EQ(W.F.Popup.Visible, !Pasted);
    EXPECT_EQ(Wrote(W, CF_UNICODETEXT_FORMAT) && !Wrote(W, CF_HDROP_FORMAT), Case.Outcome == PastedText);
    EXPECT_EQ(Wrote(W, CF_BITMAP_FORMAT), Case.Outcome == PastedPicture);
    EXPECT_EQ(Wrote(W, CF_HDROP_FORMAT), Case.Outcome == PastedFiles);
    EXPECT_EQ(W.F.Dialogs.Previews.size(), Case.Outcome == Preview ? 1u : 0u);
    ASSERT_EQ(W.F.Menus.Shown.size(), Case.Outcome == Menu ? 1u : 0u);
    if (Case.Outcome == Menu) {
      EXPECT_EQ(W.F.Menus.ShownAt[0], (TPoint{400, 300}));
      // The menu acts on the selected entry: its entry commands are enabled.
      const auto& Pin = W.F.Menus.Shown[0][3];
      EXPECT_EQ(Pin.Caption, texts::MenuPin);
      EXPECT_TRUE(Pin.Enabled);
    }
  }
}

TEST_F(TKeysPointer, PreviewOpensAtThePointerWithTheHideTimerStoppedUntilItCloses) {
  Start();
  CopyPng(RedPicture);
  OpenPopup(*this);
  F.Screen.Cursor = {640, 480};
  bool TimerDuringPreview = true;
  F.Dialogs.PreviewUser = [&](IImagePreviewHandlers& AHandlers) {
    TimerDuringPreview = F.Popup.TimerEnabled;
    AHandlers.FormClick();
  };
  Press(*this, TMouseButton::Left, 0, 0);
  ASSERT_EQ(F.Dialogs.Previews.size(), 1u);
  EXPECT_FALSE(TimerDuringPreview);
  EXPECT_TRUE(F.Popup.TimerEnabled);
  EXPECT_TRUE(F.Popup.Visible);
  const TPreviewState& Preview = F.Dialogs.Previews[0];
  EXPECT_EQ(Preview.Left, 640);
  EXPECT_EQ(Preview.Top, 480);
  ASSERT_TRUE(Preview.HasPicture);
  EXPECT_EQ(Preview.Picture.Width, RedPicture.Width);
  EXPECT_EQ(PastesSent(*this), 0);
}

TEST_F(TKeysPointer, PreviewThatEndsInAnErrorStillRestartsTheHideTimer) {
  Start();
  CopyPng(RedPicture);
  OpenPopup(*this);
  F.Dialogs.PreviewUser = [](IImagePreviewHandlers&) { throw TError(u"the preview window broke"); };
  Press(*this, TMouseButton::Left, 0, 0);
  EXPECT_TRUE(F.Popup.TimerEnabled);
  // As the application's default handler shows an error no handler caught.
  EXPECT_EQ(F.MessageBoxes.Errors, std::vector<std::u16string>{u"the preview window broke"});
  // The popup goes on working.
  EXPECT_TRUE(PressKey(*this, VK_RETURN_KEY));
  EXPECT_EQ(PastesSent(*this), 1);
}

TEST_F(TKeysPointer, HoverShowsTheWholeTextOfTextRowsAndAHandOverTheMarks) {
  Start();
  CopyFiles({u"C:\\docs\\f.txt", u"C:\\docs\\g.txt"});
  CopyPng(RedPicture);
  CopyText(u"line one | a & b\r\nline two");
  OpenPopup(*this);
  struct TStep {
    const char* Name;
    TPoint At;
    std::u16string Hint;
    TCursorShape Cursor;
    int HintsHidden; // how many showing hints were hidden by this move
  } const Steps[] = {
      {"onto a text", F.Popup.CellCentre(1, 0), u"line one | a & b\r\nline two", TCursorShape::Arrow, 1},
      {"to its marks: same text, hint stays", F.Popup.CellCentre(0, 0), u"line one | a & b\r\nline two",
       TCursorShape::HandPoint, 0},
      {"onto a picture's marks", F.Popup.CellCentre(0, 1), u"", TCursorShape::HandPoint, 1},
      {"onto a file list: every path", F.Popup.CellCentre(1, 2), u"C:\\docs\\f.txt\r\nC:\\docs\\g.txt",
       TCursorShape::Arrow, 1},
      {"below the rows", F.Popup.CellCentre(0, 5), u"", TCursorShape::Arrow, 1},
      {"outside the grid", {-5, -5}, u"", TCursorShape::Arrow, 0},
  };
  for (const TStep& Step : Steps) {
    SCOPED_TRACE(Step.Name);
    const int HiddenBefore = F.Popup.HideHintCount;
    Frm->ClipHistoryGridMouseMove(Step.At.X, Step.At.Y);
    EXPECT_EQ(Frm->HoverText(), Step.Hint);
    EXPECT_EQ(F.Popup.GridHint, Step.Hint);
    // What the hint window shows: the whole text, bars, ampersands and line breaks included.
    EXPECT_EQ(HintTextToShow(Frm->HoverText(), F.Popup.GridHint), Step.Hint);
    EXPECT_EQ(F.Popup.Cursor, Step.Cursor);
    EXPECT_EQ(F.Popup.HideHintCount - HiddenBefore, Step.HintsHidden);
  }
}

TEST_F(TKeysPointer, ClearAllAskedFromTheMenuAndAnsweredNoKeepsEverything) {
  Start();
  CopyText(u"keep me");
  OpenPopup(*this);
  ASSERT_TRUE(PressKey(*this, VK_P_KEY, Ctrl()));
  CopyPng(RedPicture);
  F.Menus.ChooseCaption = texts::MenuClearAll;
  Press(*this, TMouseButton::Right, 1, 0);

  ASSERT_EQ(F.MessageBoxes.Confirmations.size(), 1u);
  const TConfirmation& Asked = F.MessageBoxes.Confirmations[0];
  EXPECT_EQ(Asked.Title, u"確認");
  EXPECT_EQ(Asked.Text, u"履歴をすべて削除しますか？（ピン留めも削除されます）");
  EXPECT_EQ(Asked.YesCaption, u"はい(&Y)");
  EXPECT_EQ(Asked.NoCaption, u"いいえ(&N)");
  EXPECT_EQ(HistoryTexts().size(), 2u);
  EXPECT_EQ(GridRows(*this).size(), 2u);
}

TEST_F(TKeysPointer, ClearAllAnsweredYesRemovesPinnedEntriesAndPicturesForGood) {
  Start();
  CopyText(u"pinned one");
  OpenPopup(*this);
  ASSERT_TRUE(PressKey(*this, VK_P_KEY, Ctrl()));
  CopyPng(RedPicture);
  CopyText(u"plain");
  const std::u16string Picture = ImagesDir() + Frm->History().Items()[2].ImageFile;
  ASSERT_TRUE(FileExists(Picture));

  F.MessageBoxes.AnswerYes = true;
  F.Menus.ChooseCaption = texts::MenuClearAll;
  Press(*this, TMouseButton::Right, 1, 0);
  EXPECT_TRUE(HistoryTexts().empty());
  EXPECT_EQ(GridRows(*this), std::vector<std::u16string>{u"|"});
  EXPECT_EQ(Frm->SelectedHistoryIndex(), -1);
  EXPECT_FALSE(FileExists(Picture));

  // The emptied history was saved: the next run starts empty.
  Quit();
  Start();
  EXPECT_TRUE(HistoryTexts().empty());
}

} // namespace
} // namespace vm::test
