// Choosing an entry in the popup: what lands on the clipboard, what the target window receives,
// and what the history and the popup look like afterwards.
#include <gtest/gtest.h>

#include <functional>

#include "app/app_texts.h"
#include "fakes/scenario_fixture.h"
#include "support/data_folders.h"

namespace vm::test {
namespace {

constexpr TWindowHandle Editor = 0x2000;     // the window the user was typing in
constexpr TWindowHandle EditorField = 0x2001; // its focused control
constexpr std::uint32_t EditorThread = 7;
constexpr TWindowHandle Elsewhere = 0x3000;

const std::vector<TKeyRecord> CtrlV{{0x11, false}, {0x56, false}, {0x56, true}, {0x11, true}};

const TImage Red = TFakeImaging::SolidImage(3, 2, 0xFFFF0000);

class TPasteScenario : public TScenario {
public:
  std::u16string ImageFileOfEntry(int AIndex) { return Frm->History().Items()[AIndex].ImageFile; }

  // The user presses the show hotkey while typing in the editor.
  void CallFromEditor(TWindowHandle AFocused = EditorField) {
    F.FocusInput.Foreground = Editor;
    F.FocusInput.WindowThreads[Editor] = EditorThread;
    F.FocusInput.Focused = AFocused;
    Frm->WMHotKey(Frm->HotKeyIDShow());
  }

protected:
  void Press(std::uint16_t AKey, bool AShift = false) {
    TShiftState Shift;
    Shift.Shift = AShift;
    Frm->FormKeyDown(AKey, Shift);
  }
  void ChooseFromMenu(const std::u16string& ACaption) {
    F.Menus.ChooseCaption = ACaption;
    Frm->PopupItemMenu({50, 50});
  }
  // Forgets what happened so far, so that assertions see the paste alone.
  void ResetRecords() {
    F.FocusInput.Calls.clear();
    F.FocusInput.SentInputs.clear();
    F.Clock.Sleeps.clear();
    F.Clipboard.LastWriteFormats.clear();
    std::filesystem::remove(FsPath(Frm->DataFilePath()));
  }
};

// --- Each kind of entry, each way of choosing it ----------------------------------------------

enum class TChoice { Enter, ShiftEnter, MenuPaste, MenuCopyOnly, MenuPathAsText };

struct TPasteCase {
  const char* Name;
  std::function<void(TPasteScenario&)> Prepare; // leaves the chosen entry in the second row
  TChoice Choice;
  std::vector<TClipFormat> Formats;             // what the one write sequence put, in order
  std::function<void(TFakePlatform&, const std::u16string& AEntryLabel)> CheckClipboard;
  bool KeysSent;
};
void PrintTo(const TPasteCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class TPasteKinds : public TPasteScenario, public ::testing::WithParamInterface<TPasteCase> {};

TEST_P(TPasteKinds, PutsTheEntryOnTheClipboardMovesItUpHidesAndPastes) {
  const TPasteCase& Case = GetParam();
  Start();
  Case.Prepare(*this);
  const std::vector<std::u16string> Before = HistoryTexts();
  ASSERT_EQ(Before.size(), 2u);
  CallFromEditor();
  Press(VK_DOWN_KEY);
  ResetRecords();
  const int OpensBefore = F.Clipboard.OpenCount;

  switch (Case.Choice) {
  case TChoice::Enter: Press(VK_RETURN_KEY); break;
  case TChoice::ShiftEnter: Press(VK_RETURN_KEY, true); break;
  case TChoice::MenuPaste: ChooseFromMenu(texts::MenuPaste); break;
  case TChoice::MenuCopyOnly: ChooseFromMenu(texts::MenuCopyOnly); break;
  case TChoice::MenuPathAsText: ChooseFromMenu(texts::MenuPastePathText); break;
  }

  EXPECT_EQ(F.Clipboard.LastWriteFormats, Case.Formats);
  EXPECT_EQ(F.Clipboard.OpenCount - OpensBefore, 1) << "one open-empty-put-close sequence";
  EXPECT_EQ(F.Clipboard.OpenCount, F.Clipboard.CloseCount);
  Case.CheckClipboard(F, Before[1]);
  EXPECT_EQ(HistoryTexts(), (std::vector<std::u16string>{Before[1], Before[0]})) << "the entry moved to the top";
  EXPECT_TRUE(FileExists(Frm->DataFilePath())) << "the history was saved";
  EXPECT_FALSE(F.Popup.Visible);
  EXPECT_EQ(F.FocusInput.SentInputs, Case.KeysSent ? std::vector<std::vector<TKeyRecord>>{CtrlV}
                                                   : std::vector<std::vector<TKeyRecord>>{});
  EXPECT_TRUE(LogLines().empty());

  // The update caused by the program's own write is skipped once; the next copy is recorded.
  EXPECT_TRUE(Frm->IgnoreClipUpdate());
  RunPending();
  EXPECT_FALSE(Frm->IgnoreClipUpdate());
  EXPECT_EQ(HistoryTexts(), (std::vector<std::u16string>{Before[1], Before[0]}));
  CopyText(u"next copy");
  EXPECT_EQ(HistoryTexts().front(), u"next copy");
}

void CheckText(TFakePlatform& AF, const std::u16string& AEntry) {
  EXPECT_EQ(AF.Clipboard.Text(), std::optional<std::u16string>(AEntry));
}

const std::u16string TwoFiles = u"C:\\a\r\nC:\\bb";

void PrepareText(TPasteScenario& S) {
  S.CopyText(u"alpha");
  S.CopyText(u"beta");
}
void PrepareFiles(TPasteScenario& S) {
  S.CopyFiles({u"C:\\a", u"C:\\bb"});
  S.CopyText(u"beta");
}

const TPasteCase PasteCases[] = {
    {"TextByEnter", PrepareText, TChoice::Enter, {CF_UNICODETEXT_FORMAT}, CheckText, true},
    {"TextByMenu", PrepareText, TChoice::MenuPaste, {CF_UNICODETEXT_FORMAT}, CheckText, true},
    {"TextCopyOnlyByShiftEnter", PrepareText, TChoice::ShiftEnter, {CF_UNICODETEXT_FORMAT}, CheckText, false},
    {"TextCopyOnlyByMenu", PrepareText, TChoice::MenuCopyOnly, {CF_UNICODETEXT_FORMAT}, CheckText, false},
    {"ImageAsBitmapOnly",
     [](TPasteScenario& S) {
       S.CopyPng(Red);
       S.CopyText(u"beta");
     },
     TChoice::Enter,
     {CF_BITMAP_FORMAT},
     [](TFakePlatform& AF, const std::u16string&) {
       ASSERT_TRUE(AF.Clipboard.Bitmap().has_value());
       EXPECT_EQ(AF.Clipboard.Bitmap()->Width, 3);
       EXPECT_EQ(AF.Clipboard.Bitmap()->Pixels, Red.Pixels);
       EXPECT_FALSE(AF.Clipboard.Text().has_value());
       EXPECT_FALSE(AF.Clipboard.Data(AF.Clipboard.FormatId(u"PNG")).has_value());
     },
     true},
    {"FilesAsDropListThenText", PrepareFiles, TChoice::Enter, {CF_HDROP_FORMAT, CF_UNICODETEXT_FORMAT},
     [](TFakePlatform& AF, const std::u16string&) {
       EXPECT_EQ(AF.Clipboard.DroppedPaths(), (std::vector<std::u16string>{u"C:\\a", u"C:\\bb"}));
       EXPECT_EQ(AF.Clipboard.Data(CF_HDROP_FORMAT)->size(), 44u);
       EXPECT_EQ(AF.Clipboard.Text(), std::optional<std::u16string>(TwoFiles));
     },
     true},
    {"FilesCopyOnly", PrepareFiles, TChoice::MenuCopyOnly, {CF_HDROP_FORMAT, CF_UNICODETEXT_FORMAT},
     [](TFakePlatform& AF, const std::u16string&) {
       EXPECT_EQ(AF.Clipboard.DroppedPaths(), (std::vector<std::u16string>{u"C:\\a", u"C:\\bb"}));
     },
     false},
    {"FilesPathAsText", PrepareFiles, TChoice::MenuPathAsText, {CF_UNICODETEXT_FORMAT},
     [](TFakePlatform& AF, const std::u16string&) {
       EXPECT_EQ(AF.Clipboard.Text(), std::optional<std::u16string>(TwoFiles));
       EXPECT_FALSE(AF.Clipboard.Data(CF_HDROP_FORMAT).has_value());
     },
     true},
};

INSTANTIATE_TEST_SUITE_P(Kinds, TPasteKinds, ::testing::ValuesIn(PasteCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- Focus restoration and the keys -----------------------------------------------------------

struct TFocusCase {
  const char* Name;
  std::function<void(TPasteScenario&)> OpenPopup;
  std::vector<std::string> Calls;
};
void PrintTo(const TFocusCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class TPasteFocus : public TPasteScenario, public ::testing::WithParamInterface<TFocusCase> {};

TEST_P(TPasteFocus, RestoresTheRecordedFocusThenWaitsAndSendsCtrlV) {
  const TFocusCase& Case = GetParam();
  Start();
  CopyText(u"alpha");
  Case.OpenPopup(*this);
  ResetRecords();
  Press(VK_RETURN_KEY);
  EXPECT_EQ(F.FocusInput.Calls, Case.Calls);
  EXPECT_EQ(F.Clock.Sleeps, std::vector<int>{30});
  EXPECT_EQ(F.FocusInput.SentInputs, std::vector<std::vector<TKeyRecord>>{CtrlV});
}

// Attach the editor's thread (7) to the program's (1), give the field the focus only when it
// lost it, detach, hand activation back to the editor, then the keys.
const std::vector<std::string> FullRestore{"GetWindowThreadId(8192)", "AttachThreadInput(7,1,1)", "GetFocus",
                                           "SetFocus(8193)",          "AttachThreadInput(7,1,0)", "ReturnActivation(8192)",
                                           "SendInput(4)"};
const std::vector<std::string> AlreadyFocused{"GetWindowThreadId(8192)", "AttachThreadInput(7,1,1)", "GetFocus",
                                              "AttachThreadInput(7,1,0)", "ReturnActivation(8192)", "SendInput(4)"};

const TFocusCase FocusCases[] = {
    {"FocusMovedAway",
     [](TPasteScenario& S) {
       S.CallFromEditor();
       S.F.FocusInput.Focused = Elsewhere;
     },
     FullRestore},
    {"FocusStillOnTheField", [](TPasteScenario& S) { S.CallFromEditor(); }, AlreadyFocused},
    {"NoFocusedControlWhenCalled", [](TPasteScenario& S) { S.CallFromEditor(0); },
     {"ReturnActivation(8192)", "SendInput(4)"}},
    {"OnlyEverOpenedFromTheIcon", [](TPasteScenario& S) { S.Frm->WMTrayIcon(WM_LBUTTONUP_MSG); }, {"SendInput(4)"}},
    {"IconAfterAHotkeyCall",
     [](TPasteScenario& S) {
       S.CallFromEditor();
       S.Frm->HidePopup();
       S.F.FocusInput.Foreground = Elsewhere;
       S.F.FocusInput.Focused = Elsewhere;
       S.Frm->WMTrayIcon(WM_LBUTTONUP_MSG);
     },
     FullRestore},
};

INSTANTIATE_TEST_SUITE_P(Focus, TPasteFocus, ::testing::ValuesIn(FocusCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- Writes that fail --------------------------------------------------------------------------

struct TFailCase {
  const char* Name;
  std::function<void(TPasteScenario&)> Prepare; // copies the entry to be pasted
  // Breaks what the paste needs (the entry is now the second one); returns the expected log line.
  std::function<std::u16string(TPasteScenario&)> Sabotage;
};
void PrintTo(const TFailCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class TPasteFails : public TPasteScenario, public ::testing::WithParamInterface<TFailCase> {};

TEST_P(TPasteFails, LogsAndLeavesPopupAndHistoryAndTheNextCopyIsRecorded) {
  const TFailCase& Case = GetParam();
  Start();
  Case.Prepare(*this);
  CopyText(u"newer");
  const std::vector<std::u16string> Before = HistoryTexts();
  CallFromEditor();
  Press(VK_DOWN_KEY);
  const std::u16string Expected = Case.Sabotage(*this);
  ResetRecords();
  Press(VK_RETURN_KEY);

  EXPECT_EQ(LogLines(), std::vector<std::u16string>{Expected});
  EXPECT_EQ(HistoryTexts(), Before) << "the entry did not move";
  EXPECT_FALSE(FileExists(Frm->DataFilePath())) << "nothing saved";
  EXPECT_TRUE(F.Popup.Visible);
  EXPECT_TRUE(F.FocusInput.SentInputs.empty());
  EXPECT_FALSE(Frm->IgnoreClipUpdate());
  EXPECT_EQ(F.Clipboard.OpenCount, F.Clipboard.CloseCount);

  // The user's next copy, once the clipboard is free again, is recorded.
  F.Clipboard.RefusedFormats.clear();
  F.Clock.ElapsedMs += 10000;
  RunPending();
  CopyText(u"next copy");
  EXPECT_EQ(HistoryTexts().front(), u"next copy");
}

std::u16string Hold(TPasteScenario& S) {
  S.F.Clipboard.HoldOpenFor(5000);
  return u"Paste failed: Cannot open clipboard";
}

std::u16string SecondImage(TPasteScenario& S) { return ImagesDir() + S.ImageFileOfEntry(1); }

const TFailCase FailCases[] = {
    {"TextClipboardHeld", [](TPasteScenario& S) { S.CopyText(u"older"); }, Hold},
    {"TextRefused", [](TPasteScenario& S) { S.CopyText(u"older"); },
     [](TPasteScenario& S) {
       S.F.Clipboard.RefusedFormats = {CF_UNICODETEXT_FORMAT};
       return std::u16string(u"Paste failed: The clipboard refused the text");
     }},
    {"ImageClipboardHeld", [](TPasteScenario& S) { S.CopyPng(Red); }, Hold},
    {"ImageFileMissing", [](TPasteScenario& S) { S.CopyPng(Red); },
     [](TPasteScenario& S) {
       std::filesystem::remove(FsPath(SecondImage(S)));
       return u"Paste failed: Cannot open file \"" + SecondImage(S) + u"\": No such file or directory";
     }},
    {"ImageFileNotAPicture", [](TPasteScenario& S) { S.CopyPng(Red); },
     [](TPasteScenario& S) {
       WriteFileBytes(SecondImage(S), "not a picture");
       return std::u16string(u"Paste failed: The data is not a PNG image");
     }},
    {"ImageFileClaimingAHugeSize", [](TPasteScenario& S) { S.CopyPng(Red); },
     [](TPasteScenario& S) {
       const TBytes Header = TFakeImaging::MakePngHeader(100000, 100000);
       WriteFileBytes(SecondImage(S), std::string(Header.begin(), Header.end()));
       return std::u16string(u"Paste failed: The image is too large: 100000 x 100000 pixels (at most 67108864 pixels, as in 8192 x 8192, and 32767 on a side)");
     }},
    {"ImageFileOneColumnBeyondTheSquare", [](TPasteScenario& S) { S.CopyPng(Red); },
     [](TPasteScenario& S) {
       const TBytes Header = TFakeImaging::MakePngHeader(8193, 8192);
       WriteFileBytes(SecondImage(S), std::string(Header.begin(), Header.end()));
       return std::u16string(u"Paste failed: The image is too large: 8193 x 8192 pixels (at most 67108864 pixels, as "
                             u"in 8192 x 8192, and 32767 on a side)");
     }},
    {"ImageRefused", [](TPasteScenario& S) { S.CopyPng(Red); },
     [](TPasteScenario& S) {
       S.F.Clipboard.RefusedFormats = {CF_BITMAP_FORMAT};
       return std::u16string(u"Paste failed: The clipboard refused the bitmap");
     }},
    {"DropListRefused", [](TPasteScenario& S) { S.CopyFiles({u"C:\\a", u"C:\\bb"}); },
     [](TPasteScenario& S) {
       S.F.Clipboard.RefusedFormats = {CF_HDROP_FORMAT};
       return std::u16string(u"Paste failed: The clipboard refused the data");
     }},
};

INSTANTIATE_TEST_SUITE_P(Failures, TPasteFails, ::testing::ValuesIn(FailCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- A file list that puts nothing on the clipboard --------------------------------------------

struct TNothingWrittenCase {
  const char* Name;
  std::function<void(TPasteScenario&)> Prepare; // leaves the file entry on top
};
void PrintTo(const TNothingWrittenCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }


class TPasteNothingWritten : public TPasteScenario, public ::testing::WithParamInterface<TNothingWrittenCase> {};

TEST_P(TPasteNothingWritten, StillPastesButDoesNotSwallowTheUsersNextCopy) {
  Start();
  GetParam().Prepare(*this);
  CallFromEditor();
  ResetRecords();
  Press(VK_RETURN_KEY);

  EXPECT_TRUE(LogLines().empty());
  EXPECT_TRUE(F.Clipboard.LastWriteFormats.empty()) << "nothing was written";
  EXPECT_FALSE(F.Popup.Visible);
  EXPECT_EQ(F.FocusInput.SentInputs, std::vector<std::vector<TKeyRecord>>{CtrlV});
  EXPECT_FALSE(Frm->IgnoreClipUpdate()) << "no update of our own will come to clear it";

  F.Clock.ElapsedMs += 1000;
  CopyText(u"the user's next copy");
  EXPECT_EQ(HistoryTexts().front(), u"the user's next copy");
}

const TNothingWrittenCase NothingWrittenCases[] = {
    {"ClipboardHeld",
     [](TPasteScenario& S) {
       S.CopyFiles({u"C:\\a"});
       S.F.Clipboard.HoldOpenFor(50);
     }},
    // An entry whose text holds no path at all (blank lines only), as a damaged file could give.
    {"NoPath",
     [](TPasteScenario& S) {
       S.Frm->History().AddFiles(u"\r\n\r\n");
       S.Frm->RebuildView();
       S.Frm->RefreshGrid();
     }},
};

INSTANTIATE_TEST_SUITE_P(FileLists, TPasteNothingWritten, ::testing::ValuesIn(NothingWrittenCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

using TPaste = TPasteScenario;

TEST_F(TPaste, ABlankLineInAFileEntryDoesNotEndTheDropList) {
  Start();
  Frm->History().AddFiles(u"C:\\a\r\n\r\nC:\\bb");
  Frm->RebuildView();
  Frm->RefreshGrid();
  CallFromEditor();
  Press(VK_RETURN_KEY);
  EXPECT_EQ(F.Clipboard.DroppedPaths(), (std::vector<std::u16string>{u"C:\\a", u"C:\\bb"}));
  EXPECT_EQ(F.Clipboard.Text(), std::optional<std::u16string>(u"C:\\a\r\nC:\\bb"));
}

TEST_F(TPaste, ARowOutsideTheListDoesNothing) {
  Start();
  CopyText(u"only");
  CallFromEditor();
  ResetRecords();
  for (int Row : {-1, 1, 5}) Frm->PasteItem(Row, false, false);
  EXPECT_TRUE(F.Clipboard.LastWriteFormats.empty());
  EXPECT_TRUE(F.Popup.Visible);
  EXPECT_TRUE(F.FocusInput.SentInputs.empty());
  EXPECT_FALSE(Frm->IgnoreClipUpdate());
}

TEST_F(TPaste, APinnedEntryStaysInPlaceButIsStillPasted) {
  Start();
  CopyText(u"pinned one");
  Frm->History().TogglePin(0);
  CopyText(u"newer");
  Frm->RebuildView();
  Frm->RefreshGrid();
  CallFromEditor();
  Press(VK_RETURN_KEY);
  EXPECT_EQ(F.Clipboard.Text(), std::optional<std::u16string>(u"pinned one"));
  EXPECT_EQ(HistoryTexts(), (std::vector<std::u16string>{u"pinned:pinned one", u"newer"}));
  EXPECT_EQ(F.FocusInput.SentInputs.size(), 1u);
}

} // namespace
} // namespace vm::test
