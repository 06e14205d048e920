// Pop-up menus, the notification icon, the message boxes and the theme of the Windows program,
// for real under Wine. Modal boxes are answered from a thread timer, as a user would answer them.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_texts.h"
#include "platform/windows/win_menus.h"
#include "platform/windows/win_message_boxes.h"
#include "platform/windows/win_theme.h"
#include "platform/windows/win_tray_icon.h"
#include "win_test_support.h"

namespace vm {
namespace {

std::wstring MenuItemText(HMENU AMenu, UINT APosition) {
  wchar_t Buffer[256] = {};
  GetMenuStringW(AMenu, APosition, Buffer, 256, MF_BYPOSITION);
  return Buffer;
}

UINT MenuItemState(HMENU AMenu, UINT APosition, UINT* AType = nullptr) {
  MENUITEMINFOW Info{};
  Info.cbSize = sizeof Info;
  Info.fMask = MIIM_STATE | MIIM_FTYPE;
  GetMenuItemInfoW(AMenu, APosition, TRUE, &Info);
  if (AType) *AType = Info.fType;
  return Info.fState;
}

TPopupMenu SampleMenu() {
  TPopupMenu Menu;
  Menu.Add(u"貼り付け\tEnter");
  Menu.Add(u"-");
  Menu.Add(u"パスをテキストとして貼り付け")->Visible = false;
  Menu.Add(u"📝A&B");
  Menu.Add(u"この項目を削除\tCtrl+Del")->Enabled = false;
  return Menu;
}

TEST(WinMenus, VisibleItemsInOrderWithSeparatorsGrayingAndLiteralAmpersands) {
  const TPopupMenu Source = SampleMenu();
  const TNativeMenu Menu(Source);
  ASSERT_TRUE(Menu.Handle());
  ASSERT_EQ(GetMenuItemCount(Menu.Handle()), 4);

  EXPECT_EQ(MenuItemText(Menu.Handle(), 0), L"貼り付け\tEnter");
  UINT Type = 0;
  MenuItemState(Menu.Handle(), 1, &Type);
  EXPECT_TRUE(Type & MFT_SEPARATOR);
  EXPECT_EQ(MenuItemText(Menu.Handle(), 2), L"📝A&&B");
  EXPECT_EQ(MenuItemText(Menu.Handle(), 3), L"この項目を削除\tCtrl+Del");
  EXPECT_FALSE(MenuItemState(Menu.Handle(), 0) & MFS_GRAYED);
  EXPECT_FALSE(MenuItemState(Menu.Handle(), 2) & MFS_GRAYED);
  EXPECT_TRUE(MenuItemState(Menu.Handle(), 3) & MFS_GRAYED);

  // Command ids lead back to the items' indices in the source menu, past the hidden one.
  EXPECT_EQ(Menu.IndexOfCommand(GetMenuItemID(Menu.Handle(), 0)), 0);
  EXPECT_EQ(Menu.IndexOfCommand(GetMenuItemID(Menu.Handle(), 2)), 3);
  EXPECT_EQ(Menu.IndexOfCommand(GetMenuItemID(Menu.Handle(), 3)), 4);
  EXPECT_EQ(Menu.IndexOfCommand(0), -1);
}

TEST(WinMenus, MenuTextDoublesEveryAmpersandOnly) {
  EXPECT_EQ(TNativeMenu::MenuText(u"A&B&&C"), L"A&&B&&&&C");
  EXPECT_EQ(TNativeMenu::MenuText(u"ピン留め\tCtrl+P"), L"ピン留め\tCtrl+P");
}

// Keys posted before the menu opens are read by its modal loop, as typed keys would be.
TEST(WinMenus, TrackingReturnsTheChosenItemsIndexOrMinusOne) {
  test::TTestWindow Owner;
  TWinMenuPresenter Menus(Owner.Get());
  const TPopupMenu Source = SampleMenu();
  struct TCase {
    std::vector<UINT> Keys;
    int Chosen;
  };
  for (const TCase& Case : {TCase{{VK_DOWN, VK_DOWN, VK_RETURN}, 3}, TCase{{VK_DOWN, VK_RETURN}, 0},
                            TCase{{VK_ESCAPE}, -1}}) {
    for (const UINT Key : Case.Keys) {
      PostMessageW(Owner.Get(), WM_KEYDOWN, Key, MAKELPARAM(1, MapVirtualKeyW(Key, MAPVK_VK_TO_VSC)));
      PostMessageW(Owner.Get(), WM_KEYUP, Key, MAKELPARAM(1, MapVirtualKeyW(Key, MAPVK_VK_TO_VSC)) | 0xC0000000);
    }
    EXPECT_EQ(Menus.TrackPopupMenu(Source, {50, 50}), Case.Chosen);
    test::PumpMessages();
  }
}

TEST(WinMenus, WithoutAnOwnerNothingIsShownOrChosen) {
  TWinMenuPresenter Menus;
  EXPECT_EQ(Menus.TrackPopupMenu(SampleMenu(), {0, 0}), -1);
}

TEST(WinTrayIcon, RecordIsTheWholeStructureFilledFromTheCoresData) {
  static_assert(sizeof(NOTIFYICONDATAW) == 976);
  test::TTestWindow Owner;
  const TWinTrayIcon Tray;
  TNotifyIconData Data;
  Data.cbSize = 976;
  Data.hWnd = reinterpret_cast<TWindowHandle>(Owner.Get());
  Data.uID = 1;
  Data.uFlags = 7;
  Data.uCallbackMessage = 0x8064;
  Data.szTip = u"Vellomarch";
  const NOTIFYICONDATAW Native = Tray.NativeData(Data);
  EXPECT_EQ(Native.cbSize, 976u);
  EXPECT_EQ(Native.hWnd, Owner.Get());
  EXPECT_EQ(Native.uID, 1u);
  EXPECT_EQ(Native.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(Native.uCallbackMessage, static_cast<UINT>(WM_APP + 100));
  EXPECT_NE(Native.hIcon, nullptr);
  EXPECT_STREQ(Native.szTip, L"Vellomarch");

  Data.szTip = std::u16string(200, u'x');
  const NOTIFYICONDATAW Long = Tray.NativeData(Data);
  EXPECT_EQ(std::wstring(Long.szTip), std::wstring(127, L'x'));
}

TEST(WinTrayIcon, AddAndDeleteTheIconAndRegisterTaskbarCreated) {
  test::TTestWindow Owner;
  TWinTrayIcon Tray;
  TNotifyIconData Data{976, reinterpret_cast<TWindowHandle>(Owner.Get()), 1, 7, 0x8064, u"Vellomarch"};
  EXPECT_TRUE(Tray.NotifyIcon(TNotifyIconAction::Add, Data));
  EXPECT_TRUE(Tray.NotifyIcon(TNotifyIconAction::Delete, Data));
  const std::uint32_t Id = Tray.RegisterWindowMessage(u"TaskbarCreated");
  EXPECT_NE(Id, 0u);
  EXPECT_EQ(Id, RegisterWindowMessageW(L"TaskbarCreated"));
}

// --- Message boxes ---------------------------------------------------------------------------

struct TSeenDialog {
  std::wstring Title;
  std::vector<std::wstring> Texts; // the texts of its controls
  bool Found = false;
};

// Answers the first dialog of this thread titled ATitle from a thread timer that ticks inside the
// dialog's modal loop. A dialog never found is closed after a while, so a broken test fails
// rather than hangs.
class TDialogAnswerer {
public:
  TDialogAnswerer(std::wstring ATitle, std::function<void(HWND)> AAnswer)
      : FTitle(std::move(ATitle)), FAnswer(std::move(AAnswer)) {
    Current = this;
    FTimer = SetTimer(nullptr, 0, 50, &Tick);
  }
  ~TDialogAnswerer() {
    KillTimer(nullptr, FTimer);
    Current = nullptr;
  }
  TDialogAnswerer(const TDialogAnswerer&) = delete;
  TDialogAnswerer& operator=(const TDialogAnswerer&) = delete;
  TSeenDialog Seen;

private:
  static BOOL CALLBACK CollectText(HWND AChild, LPARAM AState) {
    wchar_t Buffer[512] = {};
    GetWindowTextW(AChild, Buffer, 512);
    if (Buffer[0]) reinterpret_cast<TSeenDialog*>(AState)->Texts.emplace_back(Buffer);
    return TRUE;
  }
  static BOOL CALLBACK FindDialog(HWND AWindow, LPARAM AFound) {
    wchar_t Class[64] = {}, Title[256] = {};
    GetClassNameW(AWindow, Class, 64);
    GetWindowTextW(AWindow, Title, 256);
    if (IsWindowVisible(AWindow) && std::wstring(Class) == L"#32770" &&
        (Current->FTitle == Title || Current->Ticks > 200)) {
      *reinterpret_cast<HWND*>(AFound) = AWindow;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!Current || Current->Seen.Found) return;
    ++Current->Ticks;
    HWND Dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&Dialog));
    if (!Dialog) return;
    wchar_t Title[256] = {};
    GetWindowTextW(Dialog, Title, 256);
    if (Current->FTitle != Title) {
      PostMessageW(Dialog, WM_CLOSE, 0, 0); // not the dialog the test waits for: fail, do not hang
      return;
    }
    Current->Seen.Found = true;
    Current->Seen.Title = Title;
    EnumChildWindows(Dialog, &CollectText, reinterpret_cast<LPARAM>(&Current->Seen));
    Current->FAnswer(Dialog);
  }

  static inline TDialogAnswerer* Current = nullptr;
  std::wstring FTitle;
  std::function<void(HWND)> FAnswer;
  UINT_PTR FTimer = 0;
  int Ticks = 0;
};

bool Contains(const std::vector<std::wstring>& ATexts, const std::wstring& AText) {
  for (const std::wstring& Text : ATexts)
    if (Text == AText) return true;
  return false;
}

TEST(WinMessageBoxes, ConfirmationIsATaskDialogWithItsTitleTextAndTwoButtons) {
  ASSERT_TRUE(TWinMessageBoxes::HasTaskDialog());
  TWinMessageBoxes Boxes;
  const TConfirmation Question{texts::ConfirmTitle, texts::ConfirmClearAll, texts::ConfirmYes, texts::ConfirmNo};
  struct TCase {
    int Press;
    bool Answer;
  };
  for (const TCase& Case : {TCase{IDYES, true}, TCase{IDNO, false}, TCase{IDCANCEL, false}}) {
    TDialogAnswerer Answerer(L"確認", [&](HWND ADialog) {
      if (Case.Press == IDCANCEL) PostMessageW(ADialog, WM_CLOSE, 0, 0);
      else PostMessageW(ADialog, TDM_CLICK_BUTTON, static_cast<WPARAM>(Case.Press), 0);
    });
    EXPECT_EQ(Boxes.ConfirmYesNo(Question), Case.Answer) << "button " << Case.Press;
    ASSERT_TRUE(Answerer.Seen.Found);
    EXPECT_TRUE(Contains(Answerer.Seen.Texts, L"履歴をすべて削除しますか？（ピン留めも削除されます）"));
    EXPECT_TRUE(Contains(Answerer.Seen.Texts, L"はい(&Y)"));
    EXPECT_TRUE(Contains(Answerer.Seen.Texts, L"いいえ(&N)"));
  }
}

TEST(WinMessageBoxes, ErrorAndWarningBoxesCarryTheirCaptionsAndText) {
  TWinMessageBoxes Boxes;
  {
    TDialogAnswerer Answerer(L"Vellomarch", [](HWND ADialog) { PostMessageW(ADialog, WM_COMMAND, IDOK, 0); });
    Boxes.ShowError(u"設定ファイルを開けません");
    ASSERT_TRUE(Answerer.Seen.Found);
    EXPECT_TRUE(Contains(Answerer.Seen.Texts, L"設定ファイルを開けません"));
  }
  {
    TDialogAnswerer Answerer(L"警告", [](HWND ADialog) { PostMessageW(ADialog, WM_COMMAND, IDOK, 0); });
    Boxes.ShowWarning(u"警告", u"行の高さは 10〜200 の整数で入力してください。");
    ASSERT_TRUE(Answerer.Seen.Found);
    EXPECT_TRUE(Contains(Answerer.Seen.Texts, L"行の高さは 10〜200 の整数で入力してください。"));
  }
}

// --- The theme -------------------------------------------------------------------------------

TEST(WinTheme, AmethystKamriColoursWhileAppliedAndTheSystemsOtherwise) {
  RemoveTheme();
  EXPECT_EQ(ActiveThemeName(), u"");
  EXPECT_EQ(ThemeColour(TThemeColour::Highlight), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(ThemeBrush(TThemeColour::WindowBackground), GetSysColorBrush(COLOR_WINDOW));

  ASSERT_TRUE(ApplyTheme());
  EXPECT_TRUE(ApplyTheme()); // a second selection keeps the first
  EXPECT_EQ(ActiveThemeName(), u"Amethyst Kamri");
  EXPECT_EQ(ThemeColour(TThemeColour::Highlight), RGB(153, 102, 204));
  LOGBRUSH Brush{};
  ASSERT_TRUE(GetObjectW(ThemeBrush(TThemeColour::MenuBackground), sizeof Brush, &Brush));
  EXPECT_EQ(Brush.lbColor, ThemeColour(TThemeColour::MenuBackground));

  // Menus made while the theme is on wear its background.
  const TNativeMenu Menu(SampleMenu());
  MENUINFO Info{};
  Info.cbSize = sizeof Info;
  Info.fMask = MIM_BACKGROUND;
  ASSERT_TRUE(GetMenuInfo(Menu.Handle(), &Info));
  EXPECT_EQ(Info.hbrBack, ThemeBrush(TThemeColour::MenuBackground));

  RemoveTheme();
  EXPECT_EQ(ThemeColour(TThemeColour::Highlight), GetSysColor(COLOR_HIGHLIGHT));
}

} // namespace
} // namespace vm
