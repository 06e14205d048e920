// The settings dialog on Windows: the hotkey control's values, the layout from the design table,
// the fields in and out, the OK check with its warning and focus, the name/value lists, and the
// ways the modal loop ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/windows/win_settings_dialog.h"
#include "win_test_support.h"

namespace vm {
namespace {

std::u16string U(const wchar_t* AText) { return reinterpret_cast<const char16_t*>(AText); }

RECT ClientRectIn(HWND AControl, HWND AParent) {
  RECT Rect{};
  GetWindowRect(AControl, &Rect);
  MapWindowPoints(nullptr, AParent, reinterpret_cast<POINT*>(&Rect), 2);
  return Rect;
}

std::u16string ColumnTitle(HWND ATable, int ACol) {
  wchar_t Buffer[64] = {};
  LVCOLUMNW Column{};
  Column.mask = LVCF_TEXT;
  Column.pszText = Buffer;
  Column.cchTextMax = 64;
  SendMessageW(ATable, LVM_GETCOLUMNW, static_cast<WPARAM>(ACol), reinterpret_cast<LPARAM>(&Column));
  return U(Buffer);
}

TSettingsFields SampleFields() {
  TSettingsFields Fields;
  Fields.MaxItemsText = u"30";
  Fields.WidthText = u"240";
  Fields.RowHeightText = u"25";
  Fields.HotKeyShow = MakeShortCut('C', scAlt);
  Fields.HotKeyQuit = MakeShortCut('Q', scCtrl | scAlt);
  Fields.TextTemplates = {{u"挨拶", u"お世話になっております。\\nよろしく"}, {u"sig", u""}};
  Fields.ImageTemplates = {{u"logo", u"C:\\pics\\logo.png"}};
  return Fields;
}

struct TWarning {
  std::u16string Caption, Text;
};

// A dialog whose warning boxes are recorded instead of shown, checked by the core's rules.
struct TDialogFixture {
  explicit TDialogFixture(HWND AOwner = nullptr, int ADpi = 96) : Window(AOwner, ADpi) {
    Window.OkCheck = OKBtnClick;
    Window.NameCheck = CheckTemplateName;
    Window.ShowWarning = [this](const std::u16string& ACaption, const std::u16string& AText) {
      Warnings.push_back({ACaption, AText});
    };
    Window.SetFields(SampleFields());
  }
  TWinSettingsWindow Window;
  std::vector<TWarning> Warnings;
};

TEST(WinSettingsHotKeyValue, ConvertsBetweenTheControlAndShortCuts) {
  struct TCase {
    TShortCut ShortCut;
    WORD Value;
  };
  const TCase Cases[] = {
      {0, 0},
      {MakeShortCut('C', scAlt), MAKEWORD('C', HOTKEYF_ALT)},
      {MakeShortCut('Q', scCtrl | scAlt), MAKEWORD('Q', HOTKEYF_CONTROL | HOTKEYF_ALT)},
      {MakeShortCut(VK_F5, scShift), MAKEWORD(VK_F5, HOTKEYF_SHIFT)},
      {MakeShortCut('1', scShift | scCtrl | scAlt), MAKEWORD('1', HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT)},
      // Keys of the extended block carry HOTKEYF_EXT, so that the control names the right key.
      {MakeShortCut(VK_DELETE, scCtrl), MAKEWORD(VK_DELETE, HOTKEYF_CONTROL | HOTKEYF_EXT)},
      {MakeShortCut(VK_NEXT, 0), MAKEWORD(VK_NEXT, HOTKEYF_EXT)},
      {MakeShortCut(VK_NUMPAD7, scAlt), MAKEWORD(VK_NUMPAD7, HOTKEYF_ALT)},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.ShortCut);
    EXPECT_EQ(ShortCutToHotKeyValue(Case.ShortCut), Case.Value);
    EXPECT_EQ(HotKeyValueToShortCut(Case.Value), Case.ShortCut);
  }
  // HOTKEYF_EXT read from the control is dropped; modifiers without a key are no hotkey.
  EXPECT_EQ(HotKeyValueToShortCut(MAKEWORD('C', HOTKEYF_ALT | HOTKEYF_EXT)), MakeShortCut('C', scAlt));
  EXPECT_EQ(HotKeyValueToShortCut(MAKEWORD(0, HOTKEYF_ALT)), 0);
  EXPECT_EQ(ShortCutToHotKeyValue(scAlt | scCtrl), 0);
}

TEST(WinSettingsWindow, IsLaidOutFromTheDesignScaledToTheDpi) {
  for (const int Dpi : {96, 144}) {
    SCOPED_TRACE(Dpi);
    TDialogFixture F(nullptr, Dpi);
    const HWND Dialog = F.Window.Handle();
    ASSERT_NE(Dialog, nullptr);
    const auto S = [Dpi](int APixels) { return MulDiv(APixels, Dpi, 96); };

    RECT Client{};
    GetClientRect(Dialog, &Client);
    EXPECT_EQ(Client.right, S(504));
    EXPECT_EQ(Client.bottom, S(620));
    wchar_t Caption[64] = {};
    GetWindowTextW(Dialog, Caption, 64);
    EXPECT_EQ(U(Caption), u"Vellomarch 設定");
    const LONG_PTR Style = GetWindowLongPtrW(Dialog, GWL_STYLE);
    EXPECT_TRUE(Style & WS_SYSMENU);
    EXPECT_FALSE(Style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    // Controls inside a group box are placed relative to it.
    struct TPlace {
      const char16_t* Name;
      int Left, Top, Width, Height;
    };
    const TPlace Places[] = {
        {u"GeneralGroup", 8, 8, 488, 108},       {u"MaxItemsEdit", 368, 28, 110, 23},
        {u"RowHeightEdit", 368, 84, 110, 23},    {u"HotkeyGroup", 8, 124, 488, 84},
        {u"HotKeyQuit", 308, 174, 170, 23},      {u"TextTemplatesVLE", 8, 254, 488, 140},
        {u"ImageTemplatesVLE", 8, 424, 488, 120}, {u"OKBtn", 332, 584, 80, 27},
        {u"CancelBtn", 418, 584, 80, 27},
    };
    for (const TPlace& Place : Places) {
      SCOPED_TRACE(std::string(Place.Name, Place.Name + std::char_traits<char16_t>::length(Place.Name)));
      const HWND Control = F.Window.Control(Place.Name);
      ASSERT_NE(Control, nullptr);
      const RECT Rect = ClientRectIn(Control, Dialog);
      EXPECT_EQ(Rect.left, S(Place.Left));
      EXPECT_EQ(Rect.top, S(Place.Top));
      EXPECT_EQ(Rect.right - Rect.left, S(Place.Width));
      EXPECT_EQ(Rect.bottom - Rect.top, S(Place.Height));
    }
    // A label without a width in the design is as wide as its text; its top is scaled too.
    const RECT Label = ClientRectIn(F.Window.Control(u"Label7"), Dialog);
    EXPECT_EQ(Label.left, S(8));
    EXPECT_EQ(Label.top, S(402));
    EXPECT_GT(Label.right - Label.left, 0);

    const HWND Texts = F.Window.Control(u"TextTemplatesVLE");
    const HWND Images = F.Window.Control(u"ImageTemplatesVLE");
    EXPECT_EQ(ColumnTitle(Texts, 0), u"名前");
    EXPECT_EQ(ColumnTitle(Texts, 1), u"内容");
    EXPECT_EQ(ColumnTitle(Images, 1), u"ファイルパス");
    EXPECT_EQ(SendMessageW(Texts, LVM_GETCOLUMNWIDTH, 0, 0), S(150));
    EXPECT_EQ(SendMessageW(Images, LVM_GETCOLUMNWIDTH, 1, 0), S(332));

    // Digits only, and the hotkey fields are the system's hotkey controls.
    EXPECT_TRUE(GetWindowLongPtrW(F.Window.Control(u"WidthEdit"), GWL_STYLE) & ES_NUMBER);
    wchar_t Class[64] = {};
    GetClassNameW(F.Window.Control(u"HotKeyShow"), Class, 64);
    EXPECT_EQ(std::wstring(Class), std::wstring(HOTKEY_CLASSW));
    EXPECT_TRUE(GetWindowLongPtrW(F.Window.Control(u"OKBtn"), GWL_STYLE) & BS_DEFPUSHBUTTON);
  }
}

TEST(WinSettingsWindow, GivesBackTheFieldsItWasFilledWith) {
  TDialogFixture F;
  const TSettingsFields Fields = F.Window.Fields();
  const TSettingsFields Expected = SampleFields();
  EXPECT_EQ(Fields.MaxItemsText, Expected.MaxItemsText);
  EXPECT_EQ(Fields.WidthText, Expected.WidthText);
  EXPECT_EQ(Fields.RowHeightText, Expected.RowHeightText);
  EXPECT_EQ(Fields.HotKeyShow, Expected.HotKeyShow);
  EXPECT_EQ(Fields.HotKeyQuit, Expected.HotKeyQuit);
  EXPECT_EQ(Fields.TextTemplates, Expected.TextTemplates);
  EXPECT_EQ(Fields.ImageTemplates, Expected.ImageTemplates);
  // One empty row waits at the end of each list for a new template.
  EXPECT_EQ(SendMessageW(F.Window.Control(u"TextTemplatesVLE"), LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(F.Window.Control(u"HotKeyShow"), HKM_GETHOTKEY, 0, 0), MAKEWORD('C', HOTKEYF_ALT));
}

TEST(WinSettingsWindow, OkWarnsAndFocusesTheFirstFailingField) {
  struct TCase {
    const char16_t *MaxItems, *Width, *RowHeight;
    TShortCut Show;
    const char16_t* Control; // where the focus goes; nullptr: accepted
    const char16_t* Message;
  };
  const TCase Cases[] = {
      {u"0", u"240", u"25", 0x8043, u"MaxItemsEdit", u"履歴の最大件数は 1〜500 の整数で入力してください。"},
      {u"", u"99", u"25", 0x8043, u"MaxItemsEdit", u"履歴の最大件数は 1〜500 の整数で入力してください。"},
      {u"500", u"2001", u"25", 0x8043, u"WidthEdit", u"ウィンドウ幅は 100〜2000 の整数で入力してください。"},
      {u"1", u"100", u"201", 0x8043, u"RowHeightEdit", u"行の高さは 10〜200 の整数で入力してください。"},
      {u"30", u"240", u"25", 0, u"HotKeyShow", u"履歴表示のホットキーを設定してください。"},
      {u"30", u"2000", u"10", 0x8043, nullptr, nullptr},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Control ? std::string(Case.Control, Case.Control + 3) : std::string("accepted"));
    TDialogFixture F;
    TSettingsFields Fields = SampleFields();
    Fields.MaxItemsText = Case.MaxItems;
    Fields.WidthText = Case.Width;
    Fields.RowHeightText = Case.RowHeight;
    Fields.HotKeyShow = Case.Show;
    F.Window.SetFields(Fields);
    // OK is pressed inside the modal loop; a failure leaves the dialog open, so Cancel follows.
    const bool Accepted = F.Window.RunModal([&] {
      SendMessageW(F.Window.Control(u"OKBtn"), BM_CLICK, 0, 0);
      if (!Case.Control) return;
      EXPECT_EQ(GetFocus(), F.Window.Control(Case.Control));
      PostMessageW(F.Window.Handle(), WM_COMMAND, IDCANCEL, 0);
    });
    if (!Case.Control) {
      EXPECT_TRUE(Accepted);
      EXPECT_TRUE(F.Warnings.empty());
      continue;
    }
    EXPECT_FALSE(Accepted);
    ASSERT_EQ(F.Warnings.size(), 1u);
    EXPECT_EQ(F.Warnings[0].Caption, u"警告");
    EXPECT_EQ(F.Warnings[0].Text, Case.Message);
  }
}

TEST(WinSettingsWindow, EndsCancelledByEscapeTheCloseBoxAndCancel) {
  struct TCase {
    const char* Name;
    void (*End)(TWinSettingsWindow&);
  };
  const TCase Cases[] = {
      {"Esc", [](TWinSettingsWindow&) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"close box", [](TWinSettingsWindow& W) { PostMessageW(W.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Cancel", [](TWinSettingsWindow& W) { PostMessageW(W.Control(u"CancelBtn"), BM_CLICK, 0, 0); }},
  };
  test::TTestWindow Owner;
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TDialogFixture F(Owner.Get());
    bool OwnerDisabled = false;
    const bool Ok = F.Window.RunModal([&] {
      OwnerDisabled = !IsWindowEnabled(Owner.Get());
      // The focus starts in the first field.
      EXPECT_EQ(GetFocus(), F.Window.Control(u"MaxItemsEdit"));
      Case.End(F.Window);
    });
    EXPECT_FALSE(Ok);
    EXPECT_TRUE(OwnerDisabled);
    EXPECT_TRUE(IsWindowEnabled(Owner.Get()));
    EXPECT_TRUE(F.Warnings.empty());
  }
}

TEST(WinSettingsWindow, EnterInAFieldPressesOk) {
  TDialogFixture F;
  const bool Ok = F.Window.RunModal([&] { PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0); });
  EXPECT_TRUE(Ok);
}

TEST(WinSettingsWindow, QuitMessageEndsTheDialogCancelledAndIsHandedOn) {
  TDialogFixture F;
  EXPECT_FALSE(F.Window.RunModal([] { PostQuitMessage(7); }));
  MSG Message;
  ASSERT_TRUE(PeekMessageW(&Message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(Message.wParam, 7u);
}

TEST(WinSettingsWindow, ReleasesTheHotkeysWhileAHotkeyFieldHasTheFocus) {
  // Focus into a hotkey field, out to an edit, and back in before Cancel: the hotkeys are
  // released, taken again, released again and taken back as the dialog ends.
  TDialogFixture F;
  std::vector<bool> Calls;
  int Step = 0;
  const auto Next = [&] { PostMessageW(F.Window.Handle(), WM_NULL, 0, 0); };
  F.Window.OnHotKeyRecording = [&](bool ARecording) {
    Calls.push_back(ARecording);
    if (Step == 1) {
      SetFocus(F.Window.Control(u"WidthEdit"));
      Next();
    } else if (Step == 2) {
      SetFocus(F.Window.Control(u"HotKeyShow"));
      Next();
    } else if (Step == 3) {
      PostMessageW(F.Window.Handle(), WM_COMMAND, IDCANCEL, 0);
    }
    ++Step;
  };
  F.Window.RunModal([&] {
    Step = 1;
    SetFocus(F.Window.Control(u"HotKeyShow"));
    Next();
  });
  EXPECT_EQ(Calls, (std::vector<bool>{true, false, true, false}));
}

TEST(WinSettingsWindow, RefusedNamesAreNotTaken) {
  TDialogFixture F;
  const HWND Texts = F.Window.Control(u"TextTemplatesVLE");
  struct TCase {
    const char16_t* Name;
    const char16_t* Message; // nullptr: taken
  };
  const TCase Cases[] = {
      {u"a=b", u"キーは等号記号（“=”）を含めません。"},
      {u"SIG", u"キー名 \"SIG\" はすでに存在します"},
      {u"挨拶2", nullptr},
  };
  for (const TCase& Case : Cases) {
    F.Warnings.clear();
    const bool Taken = F.Window.CommitName(Texts, 0, Case.Name);
    if (!Case.Message) {
      EXPECT_TRUE(Taken);
      EXPECT_TRUE(F.Warnings.empty());
      EXPECT_EQ(F.Window.TableRows(Texts)[0].first, Case.Name);
      continue;
    }
    EXPECT_FALSE(Taken);
    ASSERT_EQ(F.Warnings.size(), 1u);
    EXPECT_EQ(F.Warnings[0].Text, Case.Message);
    EXPECT_EQ(F.Window.TableRows(Texts)[0].first, u"挨拶");
  }
}

TEST(WinSettingsWindow, TheEmptyLastRowTakesNewTemplatesAndRowsCanBeDeleted) {
  TDialogFixture F;
  const HWND Images = F.Window.Control(u"ImageTemplatesVLE");
  ASSERT_TRUE(F.Window.CommitName(Images, 1, u"photo"));
  F.Window.CommitValue(Images, 1, u"D:\\photo.jpg");
  EXPECT_EQ(F.Window.TableRows(Images),
            (TTemplateRows{{u"logo", u"C:\\pics\\logo.png"}, {u"photo", u"D:\\photo.jpg"}}));
  EXPECT_EQ(SendMessageW(Images, LVM_GETITEMCOUNT, 0, 0), 3);

  F.Window.DeleteRow(Images, 0);
  EXPECT_EQ(F.Window.TableRows(Images), (TTemplateRows{{u"photo", u"D:\\photo.jpg"}}));
  // The empty row itself cannot be deleted.
  F.Window.DeleteRow(Images, 1);
  EXPECT_EQ(SendMessageW(Images, LVM_GETITEMCOUNT, 0, 0), 2);
}

TEST(WinSettingsWindow, TheValueEditorTakesOnEnterAndDropsOnEscape) {
  TDialogFixture F;
  const HWND Texts = F.Window.Control(u"TextTemplatesVLE");
  for (const WPARAM Key : {WPARAM(VK_ESCAPE), WPARAM(VK_RETURN)}) {
    F.Window.EditValue(Texts, 1);
    const HWND Editor = F.Window.ValueEditor();
    ASSERT_NE(Editor, nullptr);
    SetWindowTextW(Editor, L"line one\\nline two");
    SendMessageW(Editor, WM_KEYDOWN, Key, 0);
    test::PumpMessages();
    EXPECT_EQ(F.Window.ValueEditor(), nullptr);
    EXPECT_EQ(F.Window.TableRows(Texts)[1].second, Key == VK_RETURN ? u"line one\\nline two" : u"");
  }
}

TEST(WinSettingsWindow, OkRefusesANameThatCameInWithTheFields) {
  TDialogFixture F;
  TSettingsFields Fields = SampleFields();
  Fields.ImageTemplates = {{u"x=y", u"C:\\a.png"}};
  F.Window.SetFields(Fields);
  const bool Ok = F.Window.RunModal([&] {
    SendMessageW(F.Window.Control(u"OKBtn"), BM_CLICK, 0, 0);
    EXPECT_EQ(GetFocus(), F.Window.Control(u"ImageTemplatesVLE"));
    PostMessageW(F.Window.Handle(), WM_CLOSE, 0, 0);
  });
  EXPECT_FALSE(Ok);
  ASSERT_EQ(F.Warnings.size(), 1u);
  EXPECT_EQ(F.Warnings[0].Text, u"キーは等号記号（“=”）を含めません。");
}

TEST(WinSettingsDialog, ShowModalGivesTheFieldsBackOnlyOnOk) {
  // The dialog is out of reach while ShowModal runs: a timer's procedure, called from its loop,
  // types into the focused field (the first one) and ends the dialog with Enter or Esc.
  static WPARAM EndKey = 0;
  for (const WPARAM Key : {WPARAM(VK_ESCAPE), WPARAM(VK_RETURN)}) {
    EndKey = Key;
    TWinSettingsDialog Dialog;
    TSettingsFields Fields = SampleFields();
    Fields.MaxItemsText = u"77";
    const UINT_PTR Timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, [](HWND, UINT, UINT_PTR AId, DWORD) {
      KillTimer(nullptr, AId);
      SetWindowTextW(GetFocus(), L"88");
      PostMessageW(GetFocus(), WM_KEYDOWN, EndKey, 0);
    });
    ASSERT_NE(Timer, 0u);
    const bool Ok = Dialog.ShowModal(Fields, OKBtnClick, CheckTemplateName);
    EXPECT_EQ(Ok, Key == VK_RETURN);
    EXPECT_EQ(Fields.MaxItemsText, Ok ? u"88" : u"77");
    EXPECT_EQ(Fields.TextTemplates, SampleFields().TextTemplates);
  }
}

} // namespace
} // namespace vm
