// The Windows main window for real under Wine: its styles and layout, the search box, the key
// preview, the list's cells, pointer and hint, and the window messages it hands to a
// TVellomarchFrm that runs over the fakes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/vellomarch_frm.h"
#include "fakes/fake_platform.h"
#include "fakes/test_support.h"
#include "history/clip_history.h"
#include "listview/hint_window.h"
#include "platform/windows/win_deferred_calls.h"
#include "platform/windows/win_popup_window.h"
#include "platform/windows/win_theme.h"
#include "support/error.h"
#include "support/log.h"
#include "support/text.h"
#include "win_test_support.h"

namespace vm {
namespace {

std::wstring WindowText(HWND AWindow) {
  wchar_t Buffer[512] = {};
  GetWindowTextW(AWindow, Buffer, 512);
  return Buffer;
}

RECT ClientRectIn(HWND AChild, HWND AParent) {
  RECT Rect{};
  GetWindowRect(AChild, &Rect);
  MapWindowPoints(nullptr, AParent, reinterpret_cast<POINT*>(&Rect), 2);
  return Rect;
}

LPARAM KeyFlags(UINT AKey) { return MAKELPARAM(1, MapVirtualKeyW(AKey, MAPVK_VK_TO_VSC)); }

// Ctrl (and Shift) held for this thread while the object lives, as GetKeyState and
// TranslateMessage see them.
class THeldModifiers {
public:
  explicit THeldModifiers(bool ACtrl, bool AShift = false) {
    GetKeyboardState(FSaved);
    BYTE State[256];
    std::memcpy(State, FSaved, sizeof State);
    State[VK_CONTROL] = State[VK_LCONTROL] = ACtrl ? 0x80 : 0;
    State[VK_SHIFT] = State[VK_LSHIFT] = AShift ? 0x80 : 0;
    State[VK_MENU] = State[VK_LMENU] = 0;
    SetKeyboardState(State);
  }
  ~THeldModifiers() { SetKeyboardState(FSaved); }
  THeldModifiers(const THeldModifiers&) = delete;
  THeldModifiers& operator=(const THeldModifiers&) = delete;

private:
  BYTE FSaved[256];
};

// A TVellomarchFrm over the fakes, with the real popup as its window.
class WinPopupWindow : public ::testing::Test {
protected:
  test::TTempDataFolder Folder;
  test::TFakePlatform F;
  TWinPopupWindow Popup;
  TPlatform Platform{F.Clipboard, F.Imaging,  F.Hotkeys, F.FocusInput,   F.Screen,   F.DeferredCalls, F.Clock,
                     *F.DataProtection, Popup, F.Menus,   F.TrayIcon,     F.MessageBoxes, F.Dialogs};
  std::unique_ptr<TVellomarchFrm> Frm;
  IClock* PreviousLogClock = CurrentLogClock();

  void SetUp() override {
    SetLogClock(&F.Clock);
    ASSERT_TRUE(Popup.Create()) << "error " << GetLastError();
    Frm = std::make_unique<TVellomarchFrm>(Platform);
    Popup.SetFrm(Frm.get());
    Frm->FormCreate();
  }

  void TearDown() override {
    if (Frm) Frm->FormDestroy();
    Popup.Destroy();
    Frm.reset();
    SetLogClock(PreviousLogClock);
    // A Close() of a test leaves WM_QUIT behind; later tests must not see it.
    MSG Message;
    while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  void AddTexts(std::initializer_list<const char16_t*> ATexts) {
    for (const char16_t* Text : ATexts) Frm->History().AddText(Text);
    Frm->RebuildView();
    Frm->RefreshGrid();
  }

  // The program's loop: key preview first, then translation and dispatch.
  void RunLoop() {
    MSG Message;
    while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
      if (Message.message == WM_QUIT) continue;
      if (Popup.PreTranslateKey(Message)) continue;
      TranslateMessage(&Message);
      DispatchMessageW(&Message);
    }
  }

  // A key typed into a window of the popup, as the keyboard would deliver it.
  void Type(HWND ATarget, UINT AKey) {
    PostMessageW(ATarget, WM_KEYDOWN, AKey, KeyFlags(AKey));
    RunLoop();
  }

  int SelectedHistoryIndex() { return Frm->SelectedHistoryIndex(); }
};

TEST_F(WinPopupWindow, TitledFixedWindowWithoutButtonsSystemMenuOrTaskbarStyle) {
  const HWND Window = Popup.Window();
  const LONG_PTR Style = GetWindowLongPtrW(Window, GWL_STYLE);
  const LONG_PTR Extended = GetWindowLongPtrW(Window, GWL_EXSTYLE);
  EXPECT_EQ(Style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(Style & WS_BORDER, WS_BORDER);
  for (const LONG_PTR Absent : {LONG_PTR{WS_SYSMENU}, LONG_PTR{WS_THICKFRAME}, LONG_PTR{WS_MINIMIZEBOX},
                                LONG_PTR{WS_MAXIMIZEBOX}, LONG_PTR{WS_POPUP}, LONG_PTR{WS_VISIBLE}})
    EXPECT_EQ(Style & Absent, 0) << std::hex << Absent;
  for (const LONG_PTR Absent : {LONG_PTR{WS_EX_APPWINDOW}, LONG_PTR{WS_EX_TOPMOST}, LONG_PTR{WS_EX_TOOLWINDOW}})
    EXPECT_EQ(Extended & Absent, 0) << std::hex << Absent;
  EXPECT_EQ(WindowText(Window), L"Vellomarch Ver1.2.0.0");
  EXPECT_FALSE(Popup.IsVisible());
}

TEST_F(WinPopupWindow, MainFontIsSegoeUiEmojiElevenPixelsAtNinetySixDpi) {
  LOGFONTW Font{};
  ASSERT_EQ(GetObjectW(Popup.MainFont(), sizeof Font, &Font), static_cast<int>(sizeof Font));
  EXPECT_STREQ(Font.lfFaceName, L"Segoe UI Emoji");
  EXPECT_EQ(Font.lfHeight, -MulDiv(11, WinSystemDpi(), 96));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(Popup.SearchEditWindow(), WM_GETFONT, 0, 0)), Popup.MainFont());
}

TEST_F(WinPopupWindow, SearchEditIsInTheTabOrderAndTheListIsNot) {
  wchar_t ClassName[32] = {};
  GetClassNameW(Popup.SearchEditWindow(), ClassName, 32);
  EXPECT_EQ(std::wstring(ClassName), L"Edit");
  EXPECT_TRUE(GetWindowLongPtrW(Popup.SearchEditWindow(), GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(GetWindowLongPtrW(Popup.GridWindow(), GWL_STYLE) & WS_TABSTOP);
}

// The program's manifest selects common controls 6, whose edit control draws cue banners; the
// tests have no manifest and select the same version with an activation context.
class TCommonControls6 {
public:
  TCommonControls6() {
    wchar_t Folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, Folder);
    FPath = std::wstring(Folder) + L"vellomarch_cc6_" + std::to_wstring(GetCurrentProcessId()) + L".manifest";
    static const char Manifest[] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
        "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"*\" "
        "publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/></dependentAssembly></dependency>\n"
        "</assembly>\n";
    const HANDLE File = CreateFileW(FPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (File == INVALID_HANDLE_VALUE) return;
    DWORD Written = 0;
    WriteFile(File, Manifest, sizeof Manifest - 1, &Written, nullptr);
    CloseHandle(File);
    ACTCTXW Context{};
    Context.cbSize = sizeof Context;
    Context.lpSource = FPath.c_str();
    FContext = CreateActCtxW(&Context);
    if (FContext != INVALID_HANDLE_VALUE) FActive = ActivateActCtx(FContext, &FCookie) != FALSE;
  }
  ~TCommonControls6() {
    if (FActive) DeactivateActCtx(0, FCookie);
    if (FContext != INVALID_HANDLE_VALUE) ReleaseActCtx(FContext);
    DeleteFileW(FPath.c_str());
  }
  TCommonControls6(const TCommonControls6&) = delete;
  TCommonControls6& operator=(const TCommonControls6&) = delete;
  bool Active() const { return FActive; }

private:
  std::wstring FPath;
  HANDLE FContext = INVALID_HANDLE_VALUE;
  ULONG_PTR FCookie = 0;
  bool FActive = false;
};

TEST(WinPopupWindowControls6, SearchEditShowsTheCueBanner) {
  const TCommonControls6 Controls;
  ASSERT_TRUE(Controls.Active());
  TWinPopupWindow Popup;
  ASSERT_TRUE(Popup.Create());
  wchar_t Cue[64] = {};
  ASSERT_TRUE(SendMessageW(Popup.SearchEditWindow(), EM_GETCUEBANNER, reinterpret_cast<WPARAM>(Cue), 64));
  EXPECT_EQ(std::wstring(Cue), L"検索...");
}

TEST_F(WinPopupWindow, SearchEditOnTopAndListBelowFillTheClientArea) {
  RECT Client{};
  GetClientRect(Popup.Window(), &Client);
  const RECT Edit = ClientRectIn(Popup.SearchEditWindow(), Popup.Window());
  const RECT Grid = ClientRectIn(Popup.GridWindow(), Popup.Window());
  EXPECT_EQ(Edit.left, 0);
  EXPECT_EQ(Edit.top, 0);
  EXPECT_EQ(Edit.right, Client.right);
  EXPECT_EQ(Edit.bottom, 23);
  EXPECT_EQ(Popup.SearchEditHeight(), 23);
  EXPECT_EQ(Grid.left, 0);
  EXPECT_EQ(Grid.top, 23);
  EXPECT_EQ(Grid.right, Client.right);
  EXPECT_EQ(Grid.bottom, Client.bottom);

  RECT Outer{};
  GetWindowRect(Popup.Window(), &Outer);
  EXPECT_EQ(Popup.FrameHeight(), (Outer.bottom - Outer.top) - Client.bottom);
  EXPECT_EQ(Popup.OuterWidth(), Frm->FormWidth());
}

// The layout's height fits the maximum of rows whole, lines and the list's sunken edge included,
// at every DPI.
TEST_F(WinPopupWindow, LaidOutListShowsExactlyTheMaximumOfRows) {
  for (const int MaxItems : {1, 7, 20}) {
    for (const int Dpi : {96, 120, 144, 192}) {
      Frm->History().SetMaxItems(MaxItems);
      Frm->ApplyLayout(Dpi);
      TWinClipHistoryGrid& Grid = Popup.Grid();
      const int Pitch = Grid.DefaultRowHeight() + GridLineWidth;
      EXPECT_EQ(Grid.VisibleRowCount(), MaxItems) << MaxItems << " rows at " << Dpi;
      EXPECT_LT(Grid.ClientHeight() - MaxItems * Pitch, Pitch) << MaxItems << " rows at " << Dpi;
      EXPECT_EQ(Grid.ColWidth(0) + Grid.ColWidth(1) + 2, Popup.GridClientWidth());
    }
  }
}

TEST_F(WinPopupWindow, OuterSizeIsExactAlsoBelowTheSmallestTitledWindow) {
  Popup.SetOuterWidth(100);
  Popup.SetOuterHeight(60);
  EXPECT_EQ(Popup.OuterWidth(), 100);
  EXPECT_EQ(Popup.OuterHeight(), 60);
}

TEST_F(WinPopupWindow, MouseToCellCountsEachLineWithTheCellBeforeIt) {
  Popup.SetRowCount(5);
  Popup.SetDefaultRowHeight(20);
  Popup.SetColWidth(0, 30);
  Popup.SetColWidth(1, 100);
  struct TCase {
    int X, Y, Col, Row;
  };
  for (const TCase& Case : std::initializer_list<TCase>{{0, 0, 0, 0},
                                                        {29, 19, 0, 0},
                                                        {30, 20, 0, 0}, // both lines belong to row 0, column 0
                                                        {31, 0, 1, 0},
                                                        {131, 21, 1, 1},
                                                        {132, 0, -1, -1},
                                                        {5, 4 * 21, 0, 4},
                                                        {5, 5 * 21, -1, -1}, // below the last row
                                                        {-1, 5, -1, -1}}) {
    const TGridCell Cell = Popup.MouseToCell(Case.X, Case.Y);
    EXPECT_EQ(Cell.Col, Case.Col) << Case.X << "," << Case.Y;
    EXPECT_EQ(Cell.Row, Case.Row) << Case.X << "," << Case.Y;
  }
}

TEST_F(WinPopupWindow, CurrentRowScrollsIntoViewAndPointerFollowsTheScroll) {
  Frm->History().SetMaxItems(5);
  Frm->ApplyLayout(96);
  Popup.SetRowCount(40);
  Popup.SetCurrentRow(39);
  TWinClipHistoryGrid& Grid = Popup.Grid();
  EXPECT_EQ(Grid.TopRow(), 40 - Grid.VisibleRowCount());
  EXPECT_EQ(Popup.MouseToCell(5, 0).Row, Grid.TopRow());
  Popup.SetCurrentRow(2);
  EXPECT_EQ(Grid.TopRow(), 2);
  Popup.SetCurrentRow(100);
  EXPECT_EQ(Popup.CurrentRow(), 39);
}

TEST_F(WinPopupWindow, SetSearchTextStaysSilentWhileTypingSearches) {
  AddTexts({u"apple", u"banana", u"cherry"});
  ASSERT_EQ(Frm->View().size(), 3u);

  Popup.SetSearchText(u"ban");
  EXPECT_EQ(Popup.SearchText(), u"ban");
  EXPECT_EQ(Frm->View().size(), 3u) << "SetSearchText ran the change handler";
  Popup.SetSearchText(u"");

  SendMessageW(Popup.SearchEditWindow(), WM_CHAR, L'b', 1);
  EXPECT_EQ(Popup.SearchText(), u"b");
  EXPECT_EQ(Frm->View().size(), 1u);
}

TEST_F(WinPopupWindow, ShowPopupClearsTheSearchAndFocusesTheSearchEdit) {
  AddTexts({u"apple", u"banana"});
  SendMessageW(Popup.SearchEditWindow(), WM_CHAR, L'b', 1);
  ASSERT_EQ(Frm->View().size(), 1u);
  Frm->ShowPopup();
  EXPECT_TRUE(Popup.IsVisible());
  EXPECT_EQ(Popup.SearchText(), u"");
  EXPECT_EQ(Frm->View().size(), 2u);
  EXPECT_EQ(GetFocus(), Popup.SearchEditWindow());
  EXPECT_TRUE(Popup.HideTimerEnabled());
  Frm->HidePopup();
  EXPECT_FALSE(Popup.IsVisible());
  EXPECT_FALSE(Popup.HideTimerEnabled());
}

// Key preview: the frm sees each key first, wherever the focus is; what it consumes never
// reaches the control.
TEST_F(WinPopupWindow, EscapeInTheSearchEditHidesThePopup) {
  AddTexts({u"apple"});
  Frm->ShowPopup();
  ASSERT_TRUE(Popup.IsVisible());
  Type(Popup.SearchEditWindow(), VK_ESCAPE);
  EXPECT_FALSE(Popup.IsVisible());
  EXPECT_EQ(Popup.SearchText(), u"");
}

TEST_F(WinPopupWindow, PlainPIsTypedCtrlPPinsAndTypesNothing) {
  AddTexts({u"apple", u"banana"});
  Frm->ShowPopup();
  {
    const THeldModifiers Ctrl(true);
    Type(Popup.SearchEditWindow(), 'P');
  }
  EXPECT_EQ(Popup.SearchText(), u"");
  ASSERT_EQ(Frm->History().Items().Count(), 2);
  EXPECT_TRUE(Frm->History().Items()[0].Pinned);

  const THeldModifiers None(false);
  Type(Popup.SearchEditWindow(), 'P');
  EXPECT_EQ(Popup.SearchText(), u"p");
  EXPECT_EQ(Frm->View().size(), 1u); // "apple" only
}

TEST_F(WinPopupWindow, DeleteNeedsCtrlAndArrowsMoveTheRowAlsoFromTheList) {
  AddTexts({u"one", u"two", u"three"});
  Frm->ShowPopup();
  {
    const THeldModifiers None(false);
    Type(Popup.SearchEditWindow(), VK_DELETE);
    EXPECT_EQ(Frm->History().Items().Count(), 3);
  }
  // A press on the list gives it the focus; the keys still reach the frm first.
  SendMessageW(Popup.GridWindow(), WM_MBUTTONDOWN, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(GetFocus(), Popup.GridWindow());
  Type(Popup.GridWindow(), VK_DOWN);
  EXPECT_EQ(Popup.CurrentRow(), 1);
  const THeldModifiers Ctrl(true);
  Type(Popup.GridWindow(), VK_DELETE);
  ASSERT_EQ(Frm->History().Items().Count(), 2);
  EXPECT_EQ(Frm->History().Items()[1].Text, u"one"); // "two", the selected row, went
}

// Keys that another loop dispatches (no PreTranslateKey) are previewed by the window procedure,
// which also drops the character the translation already queued for a consumed key.
TEST_F(WinPopupWindow, ConsumedKeyDispatchedWithoutTheLoopLeavesNoCharacter) {
  AddTexts({u"apple"});
  struct TCase {
    UINT Key;
    bool Consumed;
  };
  for (const TCase& Case : {TCase{VK_ESCAPE, true}, TCase{VK_RETURN, true}, TCase{'Q', false}}) {
    Frm->ShowPopup();
    const THeldModifiers None(false);
    const HWND Edit = Popup.SearchEditWindow();
    PostMessageW(Edit, WM_KEYDOWN, Case.Key, KeyFlags(Case.Key));
    MSG Message;
    ASSERT_TRUE(PeekMessageW(&Message, Edit, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    TranslateMessage(&Message);
    DispatchMessageW(&Message);
    MSG Character;
    EXPECT_EQ(PeekMessageW(&Character, Edit, WM_CHAR, WM_CHAR, PM_NOREMOVE) != FALSE, !Case.Consumed)
        << "key " << Case.Key;
    RunLoop();
  }
  EXPECT_EQ(Popup.SearchText(), u"q");
}

TEST_F(WinPopupWindow, ButtonPressesSelectTheRowAndFocusTheList) {
  AddTexts({u"one", u"two", u"three"});
  Frm->ShowPopup();
  const TGridCell Target{1, 2};
  const TRect Cell = Popup.Grid().CellRect(Target.Col, Target.Row);
  SendMessageW(Popup.GridWindow(), WM_MBUTTONDOWN, 0, MAKELPARAM(Cell.Left + 2, Cell.Top + 2));
  EXPECT_EQ(Popup.CurrentRow(), 2);
  EXPECT_EQ(GetFocus(), Popup.GridWindow());
  EXPECT_EQ(Frm->History().Items()[SelectedHistoryIndex()].Text, u"one");

  // The right button opens the item menu at the pointer (the fake menu is dismissed).
  SendMessageW(Popup.GridWindow(), WM_RBUTTONDOWN, 0, MAKELPARAM(Cell.Left + 2, 1));
  EXPECT_EQ(Popup.CurrentRow(), 0);
  EXPECT_EQ(F.Menus.Shown.size(), 1u);
}

TEST_F(WinPopupWindow, PointerOverTheListSetsTheShapeAndShowsTheWholeTextAsHint) {
  AddTexts({u"first line\r\nsecond line", u"other"});
  Frm->ShowPopup();
  const HWND Grid = Popup.GridWindow();
  const TRect Marks = Popup.Grid().CellRect(0, 1);
  const TRect Text = Popup.Grid().CellRect(1, 1);

  SendMessageW(Grid, WM_MOUSEMOVE, 0, MAKELPARAM(Marks.Left + 2, Marks.Top + 2));
  EXPECT_EQ(Popup.Grid().CursorShape(), TCursorShape::HandPoint);
  ASSERT_TRUE(Popup.Hint().IsShowing());
  EXPECT_EQ(Popup.Hint().HintText(), u"first line\r\nsecond line");
  const HWND FirstHint = Popup.Hint().Handle();

  // Within the same entry the hint stays as it is.
  SendMessageW(Grid, WM_MOUSEMOVE, 0, MAKELPARAM(Text.Left + 5, Text.Top + 5));
  EXPECT_EQ(Popup.Grid().CursorShape(), TCursorShape::Arrow);
  EXPECT_EQ(Popup.Hint().Handle(), FirstHint);
  EXPECT_TRUE(Popup.Hint().IsShowing());

  // Another entry: a fresh hint window with its text.
  SendMessageW(Grid, WM_MOUSEMOVE, 0, MAKELPARAM(Text.Left + 5, 2));
  ASSERT_TRUE(Popup.Hint().IsShowing());
  EXPECT_EQ(Popup.Hint().HintText(), u"other");
  EXPECT_NE(Popup.Hint().Handle(), FirstHint);
  EXPECT_FALSE(IsWindow(FirstHint));

  // Below the rows: no hint.
  SendMessageW(Grid, WM_MOUSEMOVE, 0, MAKELPARAM(Text.Left + 5, Popup.Grid().ClientHeight() - 1));
  EXPECT_FALSE(Popup.Hint().IsShowing());
  EXPECT_EQ(Popup.GridHint(), u"");
}

TEST_F(WinPopupWindow, WindowMessagesReachTheirHandlers) {
  const int TrayAddsBefore = static_cast<int>(F.TrayIcon.Calls.size());
  SendMessageW(Popup.Window(), test::TFakeTrayIcon::TaskbarCreatedId, 0, 0);
  ASSERT_EQ(static_cast<int>(F.TrayIcon.Calls.size()), TrayAddsBefore + 1);
  EXPECT_EQ(F.TrayIcon.Calls.back().first, TNotifyIconAction::Add);

  // Other test programs change the clipboard too: only this update may be queued here.
  F.DeferredCalls.Queue.clear();
  SendMessageW(Popup.Window(), WM_CLIPBOARDUPDATE, 0, 0);
  EXPECT_EQ(F.DeferredCalls.Queue.size(), 1u);

  SendMessageW(Popup.Window(), WM_APP + 100, 1, WM_LBUTTONUP);
  EXPECT_TRUE(Popup.IsVisible());
  SendMessageW(Popup.Window(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(Popup.IsVisible());
  EXPECT_FALSE(Popup.CloseRequested());

  SendMessageW(Popup.Window(), WM_HOTKEY, static_cast<WPARAM>(Frm->HotKeyIDShow()), 0);
  EXPECT_TRUE(Popup.IsVisible());

  RECT Suggested{};
  GetWindowRect(Popup.Window(), &Suggested);
  SendMessageW(Popup.Window(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&Suggested));
  EXPECT_EQ(Popup.Grid().DefaultRowHeight(), 16); // 25 x 125 / 192

  SendMessageW(Popup.Window(), WM_HOTKEY, static_cast<WPARAM>(Frm->HotKeyIDQuit()), 0);
  EXPECT_TRUE(Popup.CloseRequested());
  EXPECT_FALSE(Popup.IsVisible());
  EXPECT_TRUE(IsWindow(Popup.Window())) << "the window must outlive FormDestroy";
  MSG Quit;
  EXPECT_TRUE(PeekMessageW(&Quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(WinPopupWindow, HideTimerAsksTheFrmEveryTick) {
  Frm->ShowPopup();
  ASSERT_TRUE(Popup.IsVisible());
  F.FocusInput.Foreground = 0x4242; // another window came to the front
  SendMessageW(Popup.Window(), WM_TIMER, TWinPopupWindow::HideTimerId, 0);
  EXPECT_FALSE(Popup.IsVisible());
}

TEST_F(WinPopupWindow, QueuedCallsRunFromTheWindowsQueueAndAFailureIsShown) {
  TWinDeferredCalls Calls;
  Popup.SetDeferredCalls(&Calls);
  struct TDetach {
    TWinPopupWindow& Popup;
    ~TDetach() { Popup.SetDeferredCalls(nullptr); }
  } Detach{Popup};
  int Runs = 0;
  Calls.Post([&] { ++Runs; });
  Calls.Post([] { throw TError(u"queued call failed"); });
  Calls.Post([&] { ++Runs; });
  RunLoop();
  EXPECT_EQ(Runs, 2);
  ASSERT_EQ(F.MessageBoxes.Errors.size(), 1u);
  EXPECT_EQ(F.MessageBoxes.Errors[0], u"queued call failed");
}

// --- The list's painting ---------------------------------------------------------------------

// Reads the pixels a grid paints into a 32-bit DIB.
class TPaintTarget {
public:
  TPaintTarget(int AWidth, int AHeight) : FWidth(AWidth) {
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof Info.bmiHeader;
    Info.bmiHeader.biWidth = AWidth;
    Info.bmiHeader.biHeight = -AHeight;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    FDC = CreateCompatibleDC(nullptr);
    FBitmap = CreateDIBSection(FDC, &Info, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
    FOld = SelectObject(FDC, FBitmap);
  }
  ~TPaintTarget() {
    SelectObject(FDC, FOld);
    DeleteObject(FBitmap);
    DeleteDC(FDC);
  }
  TPaintTarget(const TPaintTarget&) = delete;
  TPaintTarget& operator=(const TPaintTarget&) = delete;
  HDC DC() const { return FDC; }
  COLORREF Pixel(int AX, int AY) const {
    GdiFlush();
    const std::uint32_t Value = FBits[AY * FWidth + AX];
    return RGB((Value >> 16) & 0xFF, (Value >> 8) & 0xFF, Value & 0xFF);
  }

private:
  int FWidth;
  HDC FDC;
  HBITMAP FBitmap;
  HGDIOBJ FOld;
  std::uint32_t* FBits = nullptr;
};

TEST(WinClipHistoryGrid, CellsArePaintedAsPlannedWithLinesBetweenThem) {
  test::TTestWindow Parent;
  TWinClipHistoryGrid Grid;
  ASSERT_TRUE(Grid.Create(Parent.Get(), GetModuleHandleW(nullptr), 1));
  MoveWindow(Grid.Handle(), 0, 0, 200 + 4, 100 + 4, FALSE);
  Grid.SetRowCount(3);
  Grid.SetDefaultRowHeight(20);
  Grid.SetColWidth(0, 30);
  Grid.SetColWidth(1, 160);
  TImage Red;
  Red.Width = Red.Height = 10;
  Red.Pixels.assign(100, 0xFFFF0000u);
  Grid.DrawCell = [&](int ACol, int ARow, const TRect& ARect) {
    TCellPaint Plan;
    if (ARow == 1) {
      Plan.Background = TColorRole::Highlight;
      Plan.TextColor = TColorRole::HighlightText;
    }
    if (ACol == 1 && ARow == 0) {
      Plan.Thumbnail = &Red;
      Plan.ThumbnailPos = {ARect.Left + 5, ARect.Top + 5};
    }
    if (ACol == 1 && ARow == 2) {
      Plan.Text = u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW";
      Plan.TextRect = ARect;
      Plan.TextRect.Left += 3;
    }
    return Plan;
  };
  TPaintTarget Target(200, 100);
  Grid.Paint(Target.DC());

  const COLORREF Ground = CellRoleColour(TColorRole::WindowBackground);
  const COLORREF Selected = CellRoleColour(TColorRole::Highlight);
  const COLORREF Line = ThemeColour(TThemeColour::GridLine);
  EXPECT_EQ(Target.Pixel(10, 10), Ground);
  EXPECT_EQ(Target.Pixel(10, 21 + 10), Selected);
  EXPECT_EQ(Target.Pixel(100, 21 + 10), Selected);
  EXPECT_EQ(Target.Pixel(10, 20), Line);  // below row 0
  EXPECT_EQ(Target.Pixel(30, 10), Line);  // right of column 0
  EXPECT_EQ(Target.Pixel(191, 10), Line); // right of column 1
  // The thumbnail, unscaled at its position: 10 pixels from x = 31 + 5.
  EXPECT_EQ(Target.Pixel(36, 5), RGB(255, 0, 0));
  EXPECT_EQ(Target.Pixel(45, 14), RGB(255, 0, 0));
  EXPECT_EQ(Target.Pixel(46, 14), Ground);
  EXPECT_EQ(Target.Pixel(45, 15), Ground);
  // The long text is drawn, on one line, and stays inside its cell.
  int Inked = 0;
  for (int X = 34; X < 191; ++X)
    for (int Y = 42; Y < 62; ++Y)
      if (Target.Pixel(X, Y) != Ground) ++Inked;
  EXPECT_GT(Inked, 0);
  for (int X = 192; X < 200; ++X) EXPECT_EQ(Target.Pixel(X, 50), Ground) << X;
  // Below the rows: the ground colour.
  EXPECT_EQ(Target.Pixel(10, 90), Ground);
}

// --- The hint window -----------------------------------------------------------------------

TEST(WinHintWindow, SizedToTheLaidOutTextPlusTheFrameAtTheCorner) {
  TMultiLineHintWindow Hint;
  const int WrapWidth = HintWrapWidth(GetSystemMetrics(SM_CXSCREEN));
  std::u16string Long;
  for (int I = 0; I < 120; ++I) Long += u"word ";
  for (const std::u16string& Text : {std::u16string(u"short"), std::u16string(u"one\r\ntwo\r\nthree"), Long}) {
    Hint.ActivateHint({100, 200}, Text);
    ASSERT_TRUE(Hint.IsShowing());
    const SIZE Layout = TMultiLineHintWindow::LayoutSize(Hint.Font(), Text, WrapWidth);
    RECT Outer{};
    GetWindowRect(Hint.Handle(), &Outer);
    EXPECT_EQ(Outer.left, 100);
    EXPECT_EQ(Outer.top, 200);
    EXPECT_EQ(Outer.right - Outer.left, Layout.cx + 8);
    EXPECT_EQ(Outer.bottom - Outer.top, Layout.cy + 4);
    EXPECT_LE(Layout.cx, WrapWidth);
  }
  const SIZE OneLine = TMultiLineHintWindow::LayoutSize(Hint.Font(), u"one", WrapWidth);
  EXPECT_EQ(TMultiLineHintWindow::LayoutSize(Hint.Font(), u"one\r\ntwo\r\nthree", WrapWidth).cy, 3 * OneLine.cy);
  EXPECT_GT(TMultiLineHintWindow::LayoutSize(Hint.Font(), Long, WrapWidth).cy, 3 * OneLine.cy);
  // Ampersands are characters, not access-key marks.
  EXPECT_GT(TMultiLineHintWindow::LayoutSize(Hint.Font(), u"A&B", WrapWidth).cx,
            TMultiLineHintWindow::LayoutSize(Hint.Font(), u"AB", WrapWidth).cx);
}

TEST(WinHintWindow, FreshNativeWindowPerActivationNeverActivatedAndHidesOnItsTimer) {
  test::TTestWindow Owner;
  TMultiLineHintWindow Hint;
  const HWND ActiveBefore = GetActiveWindow();
  Hint.ActivateHint({10, 10}, u"first", Owner.Get());
  const HWND First = Hint.Handle();
  ASSERT_TRUE(First);
  EXPECT_EQ(GetActiveWindow(), ActiveBefore);
  const LONG_PTR Style = GetWindowLongPtrW(First, GWL_STYLE);
  const LONG_PTR Extended = GetWindowLongPtrW(First, GWL_EXSTYLE);
  EXPECT_EQ(Style & (WS_POPUP | WS_BORDER), WS_POPUP | WS_BORDER);
  EXPECT_EQ(Extended & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE),
            WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  EXPECT_TRUE(GetClassLongPtrW(First, GCL_STYLE) & CS_DROPSHADOW);
  EXPECT_EQ(SendMessageW(First, WM_NCHITTEST, 0, MAKELPARAM(12, 12)), HTTRANSPARENT);

  Hint.ActivateHint({10, 10}, u"second", Owner.Get());
  EXPECT_FALSE(IsWindow(First));
  EXPECT_EQ(Hint.HintText(), u"second");
  SendMessageW(Hint.Handle(), WM_TIMER, TMultiLineHintWindow::HideTimerId, 0);
  EXPECT_FALSE(Hint.IsShowing());
}

TEST(WinHintWindow, CornerJustBelowThePointerAndBackOntoTheMonitor) {
  const int Width = GetSystemMetrics(SM_CXSCREEN), Height = GetSystemMetrics(SM_CYSCREEN);
  const int Cursor = GetSystemMetrics(SM_CYCURSOR);
  EXPECT_EQ(TMultiLineHintWindow::CornerBelowPointer({100, 100}, {50, 20}), (TPoint{100, 100 + Cursor}));
  EXPECT_EQ(TMultiLineHintWindow::CornerBelowPointer({Width - 10, Height - 5}, {200, 60}),
            (TPoint{Width - 200, Height - 60}));
}

} // namespace
} // namespace vm
