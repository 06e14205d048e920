// The settings dialog's rules: the OK check, the template-name check, the conversions between
// the dialog's fields and the settings, and the design both desktops lay out from.
#include <gtest/gtest.h>

#include <set>

#include "dialogs/settings_dialog.h"
#include "support/text.h"

namespace vm {
namespace {

constexpr TShortCut AltC = MakeShortCut(0x43, scAlt);
constexpr TShortCut CtrlAltQ = MakeShortCut(0x51, scCtrl | scAlt);

const std::u16string MaxMessage = u"履歴の最大件数は 1〜500 の整数で入力してください。";
const std::u16string WidthMessage = u"ウィンドウ幅は 100〜2000 の整数で入力してください。";
const std::u16string RowMessage = u"行の高さは 10〜200 の整数で入力してください。";
const std::u16string HotkeyMessage = u"履歴表示のホットキーを設定してください。";

TSettingsFields ValidFields() {
  TSettingsFields Fields;
  Fields.MaxItemsText = u"30";
  Fields.WidthText = u"240";
  Fields.RowHeightText = u"25";
  Fields.HotKeyShow = AltC;
  Fields.HotKeyQuit = CtrlAltQ;
  return Fields;
}

TEST(SettingsOkCheck, AcceptsTheRangesAndReportsTheFirstFailingField) {
  struct TCase {
    const char* Name;
    std::u16string Max, Width, Row;
    TShortCut Show, Quit;
    TSettingsField Field; // None: accepted
    std::u16string Message;
  };
  const std::vector<TCase> Cases{
      {"defaults", u"30", u"240", u"25", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"max 0", u"0", u"240", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems, MaxMessage},
      {"max 501", u"501", u"240", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems, MaxMessage},
      {"max empty", u"", u"240", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems, MaxMessage},
      {"max only blanks", u"  ", u"240", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems, MaxMessage},
      {"max in exponent form", u"1e3", u"240", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems, MaxMessage},
      {"max negative", u"-5", u"240", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems, MaxMessage},
      {"max beyond 32 bits", u"4294967297", u"240", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems, MaxMessage},
      {"max with a blank inside", u"5 0", u"240", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems, MaxMessage},
      {"max 50 with blanks around", u" 50 ", u"240", u"25", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"max 50 with a tab and a line break", u"\t50\r\n", u"240", u"25", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"max 1", u"1", u"240", u"25", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"max 500", u"500", u"240", u"25", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"max 500 in hexadecimal with $", u"$1F4", u"240", u"25", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"max 501 in hexadecimal with 0x", u"0x1F5", u"240", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems,
       MaxMessage},
      {"width 99", u"30", u"99", u"25", AltC, CtrlAltQ, TSettingsField::Width, WidthMessage},
      {"width 2001", u"30", u"2001", u"25", AltC, CtrlAltQ, TSettingsField::Width, WidthMessage},
      {"width 100", u"30", u"100", u"25", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"width 2000", u"30", u"2000", u"25", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"row height 9", u"30", u"240", u"9", AltC, CtrlAltQ, TSettingsField::RowHeight, RowMessage},
      {"row height 201", u"30", u"240", u"201", AltC, CtrlAltQ, TSettingsField::RowHeight, RowMessage},
      {"row height 10", u"30", u"240", u"10", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"row height 200", u"30", u"240", u"200", AltC, CtrlAltQ, TSettingsField::None, u""},
      {"max and width invalid", u"0", u"99", u"25", AltC, CtrlAltQ, TSettingsField::MaxItems, MaxMessage},
      {"width and row invalid, no hotkey", u"30", u"abc", u"9", 0, CtrlAltQ, TSettingsField::Width, WidthMessage},
      {"row invalid, no hotkey", u"30", u"240", u"0", 0, CtrlAltQ, TSettingsField::RowHeight, RowMessage},
      {"no show hotkey", u"30", u"240", u"25", 0, CtrlAltQ, TSettingsField::HotKeyShow, HotkeyMessage},
      {"no quit hotkey", u"30", u"240", u"25", AltC, 0, TSettingsField::None, u""},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TSettingsFields Fields = ValidFields();
    Fields.MaxItemsText = Case.Max;
    Fields.WidthText = Case.Width;
    Fields.RowHeightText = Case.Row;
    Fields.HotKeyShow = Case.Show;
    Fields.HotKeyQuit = Case.Quit;
    const TFieldCheck Check = OKBtnClick(Fields);
    EXPECT_EQ(Check.Ok, Case.Field == TSettingsField::None);
    EXPECT_EQ(Check.Field, Case.Field);
    EXPECT_EQ(Utf16ToUtf8(Check.Message), Utf16ToUtf8(Case.Message));
  }
}

TEST(SettingsOkCheck, WarningCaption) { EXPECT_EQ(std::u16string(texts::SettingsWarningCaption), u"警告"); }

TEST(TemplateNameCheck, RefusesEqualsSignsAndNamesAnotherRowHas) {
  const TTemplateRows Rows{{u"Greeting", u"hello"}, {u"sig", u"--\\nme"}, {u"", u""}};
  const std::u16string Equals = u"キーは等号記号（“=”）を含めません。";
  struct TCase {
    const char* Name;
    int Row;
    std::u16string Typed;
    std::u16string Message;
  };
  const std::vector<TCase> Cases{
      {"equals sign in a new row", 3, u"a=b", Equals},
      {"equals sign alone", 3, u"=", Equals},
      {"equals sign when renaming a row", 0, u"Greeting=", Equals},
      {"another row's name, other case", 3, u"GREETING", u"キー名 \"GREETING\" はすでに存在します"},
      {"another row's name, renaming", 1, u"greeting", u"キー名 \"greeting\" はすでに存在します"},
      {"another row's name with blanks around", 3, u" sig ", u"キー名 \" sig \" はすでに存在します"},
      {"a row renamed to itself", 0, u"Greeting", u""},
      {"a row renamed to itself in other case", 0, u"greeting", u""},
      {"a new name", 3, u"Greetings", u""},
      {"a blank name twice", 3, u"", u""},
      {"a name that only resembles another (not ASCII)", 3, u"ｓｉｇ", u""},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EXPECT_EQ(Utf16ToUtf8(CheckTemplateName(Rows, Case.Row, Case.Typed)), Utf16ToUtf8(Case.Message));
  }
}

TEST(SettingsFieldConversion, FillsTheFieldsFromTheSettings) {
  TSettings Settings;
  Settings.MaxItems = 120;
  Settings.FormWidth = 5000; // the file is not range-checked; the dialog shows what is held
  Settings.RowHeight = -3;
  Settings.ShowShortcut = MakeShortCut(0x56, scCtrl | scShift);
  Settings.QuitShortcut = 0;
  // The file may hold two keys of one name (each read with the first's value) and names that
  // differ only in case: the table has one row per name.
  Settings.TeikeiName = {u"Addr", u"sig", u"ADDR"};
  Settings.Teikeibun = {u"line1\r\nline2", u"a\nb\rc", u"street\r\n"};
  Settings.TeikeiImgName = {u"logo", u"Logo"};
  Settings.TeikeiImg = {u"C:\\img\\logo.png", u"D:\\new\\n.png"};

  const TSettingsFields Fields = SettingsToFields(Settings);
  EXPECT_EQ(Fields.MaxItemsText, u"120");
  EXPECT_EQ(Fields.WidthText, u"5000");
  EXPECT_EQ(Fields.RowHeightText, u"-3");
  EXPECT_EQ(Fields.HotKeyShow, Settings.ShowShortcut);
  EXPECT_EQ(Fields.HotKeyQuit, 0);
  const TTemplateRows Texts{{u"Addr", u"street\\n"}, {u"sig", u"a\\nb\\nc"}};
  EXPECT_EQ(Fields.TextTemplates, Texts);
  // Paths are shown as they are, "\n" inside them included.
  const TTemplateRows Images{{u"logo", u"D:\\new\\n.png"}};
  EXPECT_EQ(Fields.ImageTemplates, Images);
}

TEST(SettingsFieldConversion, TakesTheConfirmedFieldsOver) {
  TSettingsFields Fields;
  Fields.MaxItemsText = u" 50 ";
  Fields.WidthText = u"0x190";
  Fields.RowHeightText = u"30";
  Fields.HotKeyShow = MakeShortCut(0x56, scCtrl | scShift);
  Fields.HotKeyQuit = 0;
  Fields.TextTemplates = {{u"greet", u"Dear\\nSir"},
                          {u"", u"dropped"},
                          {u"  ", u"dropped too"},
                          {u" spaced ", u"kept untrimmed"},
                          {u"empty", u""},
                          {u"capital", u"a\\Nb"}};
  Fields.ImageTemplates = {{u"logo", u"C:\\img\\new.png"}, {u"\t", u"C:\\gone.png"}, {u"blank", u""}};

  TSettings Settings;
  FieldsToSettings(Fields, Settings);
  EXPECT_EQ(Settings.MaxItems, 50);
  EXPECT_EQ(Settings.FormWidth, 400);
  EXPECT_EQ(Settings.RowHeight, 30);
  EXPECT_EQ(Settings.ShowShortcut, Fields.HotKeyShow);
  EXPECT_EQ(Settings.QuitShortcut, 0);
  EXPECT_EQ(Settings.TeikeiName, (std::vector<std::u16string>{u"greet", u" spaced ", u"empty", u"capital"}));
  EXPECT_EQ(Settings.Teikeibun,
            (std::vector<std::u16string>{u"Dear\r\nSir", u"kept untrimmed", u"", u"a\\Nb"}));
  EXPECT_EQ(Settings.TeikeiImgName, (std::vector<std::u16string>{u"logo", u"blank"}));
  EXPECT_EQ(Settings.TeikeiImg, (std::vector<std::u16string>{u"C:\\img\\new.png", u""}));
}

TEST(SettingsFieldConversion, AnUnreadableNumberLeavesItsSettingAlone) {
  TSettings Settings;
  Settings.MaxItems = 77;
  TSettingsFields Fields = SettingsToFields(Settings);
  Fields.MaxItemsText = u"many";
  FieldsToSettings(Fields, Settings);
  EXPECT_EQ(Settings.MaxItems, 77);
}

TEST(SettingsFieldConversion, BodiesSurviveTheTableUnchanged) {
  for (const std::u16string Body : {u"", u"one line", u"two\r\nlines", u"\r\n\r\nblank lines\r\n", u"tab\tand 日本語"}) {
    SCOPED_TRACE(Utf16ToUtf8(Body));
    EXPECT_EQ(CellToBody(BodyToCell(Body)), Body);
  }
}

// --- The design ---------------------------------------------------------------------------------

TEST(SettingsDesign, EveryControlFitsItsParentAndFieldsMapToOneControlEach) {
  std::set<std::u16string_view> Seen;
  std::set<TSettingsField> Fields;
  for (const TSettingsControl& Control : SettingsFrmControls) {
    SCOPED_TRACE(Utf16ToUtf8(std::u16string(Control.Name)));
    EXPECT_TRUE(Seen.insert(Control.Name).second) << "name used twice";
    int ParentWidth = TSettingsFrmDesign::ClientWidth, ParentHeight = TSettingsFrmDesign::ClientHeight;
    if (!Control.Parent.empty()) {
      // A group box comes before what it holds.
      ASSERT_TRUE(Seen.count(Control.Parent));
      const TSettingsControl* Parent = FindSettingsControl(Control.Parent);
      ASSERT_NE(Parent, nullptr);
      EXPECT_EQ(Parent->Kind, TSettingsControlKind::GroupBox);
      ParentWidth = Parent->Width;
      ParentHeight = Parent->Height;
    }
    EXPECT_GE(Control.Left, 0);
    EXPECT_GE(Control.Top, 0);
    EXPECT_LE(Control.Left + Control.Width, ParentWidth);
    EXPECT_LE(Control.Top + Control.Height, ParentHeight);
    if (Control.Field != TSettingsField::None) {
      EXPECT_TRUE(Fields.insert(Control.Field).second);
    }
    EXPECT_EQ(Control.Columns != nullptr, Control.Kind == TSettingsControlKind::NameValueTable);
    if (Control.Columns) {
      EXPECT_LE(Control.Columns->NameWidth + Control.Columns->ValueWidth, Control.Width);
    }
  }
  EXPECT_EQ(Fields.size(), 5u);
}

TEST(SettingsDesign, TextsAndButtons) {
  EXPECT_EQ(TSettingsFrmDesign::Caption, u"Vellomarch 設定");
  EXPECT_EQ(FindSettingsControl(u"GeneralGroup")->Caption, u" 一般 ");
  EXPECT_EQ(FindSettingsControl(u"HotkeyGroup")->Caption, u" ホットキー ");
  // A literal backslash and n, not a line break.
  EXPECT_EQ(FindSettingsControl(u"Label6")->Caption, u"定型文（改行は \\n で指定）");
  EXPECT_EQ(FindSettingsControl(u"Label6")->Caption.find(u'\n'), std::u16string_view::npos);
  EXPECT_EQ(FindSettingsControl(u"Label8")->Caption,
            u"使用可能：{date} {time} {datetime} {clipboard} {now:yyyy-mm-dd}");
  EXPECT_EQ(FindSettingsControl(u"TextTemplatesVLE")->Columns->ValueTitle, u"内容");
  EXPECT_EQ(FindSettingsControl(u"ImageTemplatesVLE")->Columns->ValueTitle, u"ファイルパス");
  const TSettingsControl* Ok = FindSettingsControl(u"OKBtn");
  const TSettingsControl* Cancel = FindSettingsControl(u"CancelBtn");
  EXPECT_TRUE(Ok->IsDefault && !Ok->IsCancel);
  EXPECT_TRUE(Cancel->IsCancel && !Cancel->IsDefault);
  EXPECT_EQ(Cancel->Caption, u"キャンセル");
  EXPECT_EQ(FindSettingsControl(u"NoSuchControl"), nullptr);
}

} // namespace
} // namespace vm
