// The settings command as the user meets it: "設定..." in a menu, the dialog, OK or Cancel, and
// what the program does with the new settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/settings.h"
#include "dialogs/settings_dialog.h"
#include "fakes/scenario_fixture.h"
#include "support/data_folders.h"
#include "support/rounding.h"
#include "support/text.h"

namespace vm::test {
namespace {

constexpr std::uint32_t ModAlt = 1, ModCtrl = 2, ModShift = 4;
constexpr TShortCut CtrlShiftV = MakeShortCut(0x56, scCtrl | scShift);
constexpr TShortCut AltQ = MakeShortCut(0x51, scAlt);

using TEdit = std::function<void(TSettingsFields&)>;

// What the user did at the dialog and what the dialog told them.
struct TDialogVisit {
  std::vector<std::u16string> Warnings;      // from the OK check
  std::vector<std::u16string> NameRefusals;  // from the name/value tables
  int DialogsAliveWhileOpen = 0;
};

// The user types a name into row ARow of a table (ARow == size: the empty row below the last);
// the table keeps the name only when the check accepts it.
void TypeName(TTemplateRows& ARows, int ARow, const std::u16string& AName,
              const std::function<std::u16string(const TTemplateRows&, int, const std::u16string&)>& ACheck,
              TDialogVisit& AVisit) {
  const std::u16string Refusal = ACheck(ARows, ARow, AName);
  if (!Refusal.empty()) {
    AVisit.NameRefusals.push_back(Refusal);
    return;
  }
  if (ARow == static_cast<int>(ARows.size())) ARows.emplace_back();
  ARows[static_cast<std::size_t>(ARow)].first = AName;
}

// The user edits the fields and presses OK. When the check refuses, the warning shows and the
// dialog stays open; the user then gives up with Cancel.
void UserPressesOk(TFakeDialogs& ADialogs, TDialogVisit& AVisit, TEdit AEdit,
                   std::function<void(TSettingsFields&, const std::function<std::u16string(
                                                           const TTemplateRows&, int, const std::u16string&)>&)>
                       ATables = {}) {
  ADialogs.SettingsUser = [&ADialogs, &AVisit, AEdit, ATables](TSettingsFields& AFields, const auto& AOkCheck,
                                                               const auto& ANameCheck) {
    AVisit.DialogsAliveWhileOpen = ADialogs.SettingsDialogsAlive;
    if (AEdit) AEdit(AFields);
    if (ATables) ATables(AFields, ANameCheck);
    const TFieldCheck Check = AOkCheck(AFields);
    if (!Check.Ok) {
      AVisit.Warnings.push_back(Check.Message);
      return false;
    }
    return true;
  };
}

// "設定..." in the notification icon's menu.
void ChooseSettingsFromTray(TScenarioWorld& W) {
  W.F.Menus.ChooseCaption = u"設定...";
  W.Frm->WMTrayIcon(WM_RBUTTONUP_MSG);
}

std::vector<std::u16string> ItemMenuCaptions(TScenarioWorld& W) {
  W.Frm->PopupItemMenu({10, 10}); // dismissed: nothing chosen
  std::vector<std::u16string> Captions;
  for (const TShownMenuItem& Item : W.F.Menus.Shown.back()) Captions.push_back(Item.Caption);
  return Captions;
}

bool HasCaption(const std::vector<std::u16string>& ACaptions, const std::u16string& ACaption) {
  return std::find(ACaptions.begin(), ACaptions.end(), ACaption) != ACaptions.end();
}

TSettings SettingsOnDisk() {
  TSettings Settings;
  LoadSettings(Settings);
  return Settings;
}

class TSettingsCommand : public TScenario {
protected:
  void CopyTexts(int ACount) {
    for (int I = 1; I <= ACount; ++I) CopyText(u"text " + IntToStr(I));
  }
  TDialogVisit Visit;
};

TEST_F(TSettingsCommand, OkAppliesEverythingAtOnceAndWritesTheFile) {
  Start();
  CopyTexts(5);
  Frm->History().TogglePin(4); // "text 1", the oldest, pinned: it survives the trim
  const int OldShowId = Frm->HotKeyIDShow();
  std::filesystem::remove(FsPath(Frm->DataFilePath()));

  UserPressesOk(F.Dialogs, Visit, [](TSettingsFields& AFields) {
    AFields.MaxItemsText = u"3";
    AFields.WidthText = u"300";
    AFields.RowHeightText = u"30";
    AFields.HotKeyShow = CtrlShiftV;
    AFields.HotKeyQuit = AltQ;
    AFields.TextTemplates = {{u"greet", u"Dear\\nSir"}};
    AFields.ImageTemplates = {{u"logo", u"C:\\img\\logo.png"}};
  });
  // Opened from the item menu while the popup is up.
  F.Screen.Cursor = {200, 200};
  Frm->ShowPopup();
  F.Menus.ChooseCaption = u"設定...";
  Frm->PopupItemMenu({200, 200});

  EXPECT_TRUE(Visit.Warnings.empty());
  EXPECT_EQ(Visit.DialogsAliveWhileOpen, 1);
  EXPECT_EQ(F.Dialogs.SettingsDialogsAlive, 0);
  EXPECT_TRUE(F.MessageBoxes.Errors.empty());
  // The popup was hidden for the dialog and is not shown again.
  EXPECT_FALSE(F.Popup.Visible);
  EXPECT_FALSE(F.Popup.TimerEnabled);

  // The old combination is released; the new ones are registered and work at once.
  EXPECT_EQ(F.Hotkeys.Atoms.count(u"VellomarchHotkeyShow"), 1u);
  EXPECT_EQ(F.Hotkeys.Registered.size(), 2u);
  for (const auto& [Id, Combo] : F.Hotkeys.Registered) EXPECT_FALSE(Combo.Modifiers == ModAlt && Combo.Key == 0x43);
  EXPECT_NE(Frm->HotKeyIDShow(), OldShowId);
  EXPECT_EQ(F.Hotkeys.Registered.at(Frm->HotKeyIDShow()).Modifiers, ModCtrl | ModShift);
  EXPECT_EQ(F.Hotkeys.Registered.at(Frm->HotKeyIDShow()).Key, 0x56u);
  EXPECT_EQ(F.Hotkeys.Registered.at(Frm->HotKeyIDQuit()).Modifiers, ModAlt);
  EXPECT_EQ(F.Hotkeys.Registered.at(Frm->HotKeyIDQuit()).Key, 0x51u);
  Frm->WMHotKey(OldShowId);
  EXPECT_FALSE(F.Popup.Visible);
  Frm->WMHotKey(Frm->HotKeyIDShow());
  EXPECT_TRUE(F.Popup.Visible);

  // The list holds the pinned entry and the two newest; the file was rewritten with them.
  const std::vector<std::u16string> Expected{u"pinned:text 1", u"text 5", u"text 4"};
  EXPECT_EQ(HistoryTexts(), Expected);
  EXPECT_EQ(F.Popup.Rows, 3);
  ASSERT_TRUE(FileExists(Frm->DataFilePath()));
  TClipHistory OnDisk(*F.DataProtection);
  OnDisk.LoadFromFile(Frm->DataFilePath());
  EXPECT_EQ(OnDisk.Items().Count(), 3);

  // The next popup has the new width and row height.
  EXPECT_EQ(F.Popup.Width, 300);
  EXPECT_EQ(F.Popup.DefaultRowHeight, RoundHalfEven(30 * 125.0 / 96));

  const std::vector<std::u16string> Captions = ItemMenuCaptions(*this);
  EXPECT_TRUE(HasCaption(Captions, u"📝greet"));
  EXPECT_TRUE(HasCaption(Captions, u"🎨logo"));

  const TSettings Saved = SettingsOnDisk();
  EXPECT_EQ(Saved.MaxItems, 3);
  EXPECT_EQ(Saved.FormWidth, 300);
  EXPECT_EQ(Saved.RowHeight, 30);
  EXPECT_EQ(Saved.ShowShortcut, CtrlShiftV);
  EXPECT_EQ(Saved.QuitShortcut, AltQ);
  EXPECT_EQ(Saved.TeikeiName, std::vector<std::u16string>{u"greet"});
  EXPECT_EQ(Saved.Teikeibun, std::vector<std::u16string>{u"Dear\r\nSir"});
  EXPECT_EQ(Saved.TeikeiImg, std::vector<std::u16string>{u"C:\\img\\logo.png"});
}

TEST_F(TSettingsCommand, NumbersAreTakenOverAsTheCheckReadThem) {
  struct TCase {
    const char* Name;
    std::u16string Max, Width, Row;
    int ExpectedMax, ExpectedWidth, ExpectedRow;
  };
  const std::vector<TCase> Cases{
      {"blank after 50", u"50 ", u"240", u"25", 50, 240, 25},
      {"bounds", u"1", u"2000", u"200", 1, 2000, 200},
      {"hexadecimal", u"$10", u"0x64", u"\t10", 16, 100, 10},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    W.Start();
    TDialogVisit V;
    UserPressesOk(W.F.Dialogs, V, [&](TSettingsFields& AFields) {
      AFields.MaxItemsText = Case.Max;
      AFields.WidthText = Case.Width;
      AFields.RowHeightText = Case.Row;
    });
    ChooseSettingsFromTray(W);
    EXPECT_EQ(W.Frm->History().MaxItems(), Case.ExpectedMax);
    EXPECT_EQ(W.Frm->FormWidth(), Case.ExpectedWidth);
    EXPECT_EQ(W.Frm->RowHeight(), Case.ExpectedRow);
    EXPECT_EQ(SettingsOnDisk().MaxItems, Case.ExpectedMax);
    EXPECT_EQ(W.F.Popup.Width, Case.ExpectedWidth);
  }
}

TEST(TSettingsCommandCancel, NothingChangesAndNothingIsWritten) {
  struct TCase {
    const char* Name;
    bool RefusedFirst; // OK was refused with a warning, then the user cancelled
    TEdit Edit;
  };
  const std::vector<TCase> Cases{
      {"Cancel, Esc or the close box after edits", false,
       [](TSettingsFields& AFields) {
         AFields.MaxItemsText = u"1";
         AFields.TextTemplates = {{u"new", u"body"}};
       }},
      {"OK refused for the maximum, then Cancel", true,
       [](TSettingsFields& AFields) {
         AFields.MaxItemsText = u"501";
         AFields.WidthText = u"300";
       }},
      {"OK refused for an emptied show hotkey, then Cancel", true,
       [](TSettingsFields& AFields) {
         AFields.HotKeyShow = 0;
         AFields.WidthText = u"300";
       }},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    WriteFileBytes(IniFilePath(), "[TextTemplate]\r\nold=kept\r\n");
    W.Start();
    W.CopyText(u"a");
    W.CopyText(u"b");
    const std::string IniBefore = ReadFileBytes(IniFilePath());
    const std::string HistoryBefore = ReadFileBytes(W.Frm->DataFilePath());
    const auto RegisteredBefore = W.F.Hotkeys.Registered;
    const std::size_t HotkeyCallsBefore = W.F.Hotkeys.Calls.size();
    const std::vector<std::u16string> MenuBefore = ItemMenuCaptions(W);
    const int WidthBefore = W.F.Popup.Width;

    TDialogVisit V;
    if (Case.RefusedFirst) {
      UserPressesOk(W.F.Dialogs, V, Case.Edit);
    } else {
      W.F.Dialogs.SettingsUser = [&](TSettingsFields& AFields, const auto&, const auto&) {
        Case.Edit(AFields);
        return false;
      };
    }
    ChooseSettingsFromTray(W);

    EXPECT_EQ(V.Warnings.size(), Case.RefusedFirst ? 1u : 0u);
    EXPECT_EQ(W.F.Dialogs.SettingsDialogsAlive, 0);
    EXPECT_EQ(ReadFileBytes(IniFilePath()), IniBefore);
    EXPECT_EQ(ReadFileBytes(W.Frm->DataFilePath()), HistoryBefore);
    EXPECT_EQ(W.F.Hotkeys.Calls.size(), HotkeyCallsBefore);
    EXPECT_EQ(W.F.Hotkeys.Registered.size(), RegisteredBefore.size());
    EXPECT_EQ(W.Frm->History().MaxItems(), 30);
    EXPECT_EQ(W.Frm->TeikeiName(), std::vector<std::u16string>{u"old"});
    EXPECT_EQ(ItemMenuCaptions(W), MenuBefore);
    EXPECT_EQ(W.F.Popup.Width, WidthBefore);
    EXPECT_EQ(W.HistoryTexts(), (std::vector<std::u16string>{u"b", u"a"}));
  }
}

TEST_F(TSettingsCommand, CancelOnAFirstRunWritesNoSettingsFile) {
  Start();
  ChooseSettingsFromTray(*this); // no user set: Cancel
  ASSERT_EQ(F.Dialogs.SettingsShown.size(), 1u);
  EXPECT_FALSE(FileExists(IniFilePath()));
  // The dialog showed the defaults.
  const TSettingsFields& Shown = F.Dialogs.SettingsShown[0];
  EXPECT_EQ(Shown.MaxItemsText, u"30");
  EXPECT_EQ(Shown.WidthText, u"240");
  EXPECT_EQ(Shown.RowHeightText, u"25");
  EXPECT_EQ(Shown.HotKeyShow, MakeShortCut(0x43, scAlt));
  EXPECT_EQ(Shown.HotKeyQuit, MakeShortCut(0x51, scCtrl | scAlt));
}

TEST_F(TSettingsCommand, ASettingsFileThatCannotBeWrittenShowsTheErrorAndLeavesNoHotkey) {
  Start();
  CopyTexts(4);
  // Something that is not a file stands where the settings file goes.
  ForceDirectories(IniFilePath());
  const std::vector<std::u16string> MenuBefore = ItemMenuCaptions(*this);
  UserPressesOk(F.Dialogs, Visit, [](TSettingsFields& AFields) {
    AFields.MaxItemsText = u"2";
    AFields.WidthText = u"400";
    AFields.TextTemplates = {{u"greet", u"hi"}};
  });
  ChooseSettingsFromTray(*this);

  ASSERT_EQ(F.MessageBoxes.Errors.size(), 1u);
  EXPECT_NE(F.MessageBoxes.Errors[0].find(u"VellomarchData.ini"), std::u16string::npos)
      << Utf16ToUtf8(F.MessageBoxes.Errors[0]);
  EXPECT_EQ(F.Dialogs.SettingsDialogsAlive, 0);
  // The hotkeys were released before the write and are not registered again.
  EXPECT_TRUE(F.Hotkeys.Registered.empty());
  EXPECT_TRUE(F.Hotkeys.Atoms.empty());
  EXPECT_EQ(Frm->HotKeyIDShow(), 0);
  EXPECT_EQ(Frm->HotKeyIDQuit(), 0);
  // The new values stay in the window's fields; nothing after the write was applied.
  EXPECT_EQ(Frm->FormWidth(), 400);
  EXPECT_EQ(Frm->TeikeiName(), std::vector<std::u16string>{u"greet"});
  EXPECT_EQ(HistoryTexts().size(), 4u);
  EXPECT_EQ(F.Popup.Width, 240);
  EXPECT_EQ(ItemMenuCaptions(*this), MenuBefore);
  // The popup is still reachable through the icon; shutting down releases nothing twice.
  Frm->WMTrayIcon(WM_LBUTTONUP_MSG);
  EXPECT_TRUE(F.Popup.Visible);
  Quit();
  EXPECT_TRUE(F.Hotkeys.Registered.empty());
}

TEST_F(TSettingsCommand, ABodyTypedWithBackslashNIsStoredWithALineBreakAndShownTheSameWayAgain) {
  Start();
  UserPressesOk(F.Dialogs, Visit, {}, [this](TSettingsFields& AFields, const auto& ANameCheck) {
    TypeName(AFields.TextTemplates, 0, u"greet", ANameCheck, Visit);
    AFields.TextTemplates[0].second = u"Dear\\nSir";
  });
  ChooseSettingsFromTray(*this);
  EXPECT_EQ(Frm->Teikeibun(), std::vector<std::u16string>{u"Dear\r\nSir"});
  EXPECT_NE(ReadFileBytes(IniFilePath()).find("greet=Dear\\nSir\r\n"), std::string::npos);

  // Chosen from the item menu, the template pastes two lines.
  F.Menus.ChooseCaption = u"📝greet";
  Frm->PopupItemMenu({0, 0});
  ASSERT_TRUE(F.Clipboard.Text().has_value());
  EXPECT_EQ(*F.Clipboard.Text(), u"Dear\r\nSir");

  // Opened again, in this run and after a restart, the body shows as typed.
  F.Dialogs.SettingsUser = nullptr;
  ChooseSettingsFromTray(*this);
  const TTemplateRows Expected{{u"greet", u"Dear\\nSir"}};
  EXPECT_EQ(F.Dialogs.SettingsShown.back().TextTemplates, Expected);
  Quit();
  Start();
  ChooseSettingsFromTray(*this);
  EXPECT_EQ(F.Dialogs.SettingsShown.back().TextTemplates, Expected);
}

TEST_F(TSettingsCommand, BlankNamedRowsGoRowsWithEmptyValuesStayAndRefusedNamesAreNotTaken) {
  WriteFileBytes(IniFilePath(), "[TextTemplate]\r\nsig=regards\r\n[ImageTemplate]\r\nlogo=C:\\logo.png\r\n");
  Start();
  UserPressesOk(F.Dialogs, Visit, {}, [this](TSettingsFields& AFields, const auto& ANameCheck) {
    TTemplateRows& Texts = AFields.TextTemplates;
    TypeName(Texts, 1, u"SIG", ANameCheck, Visit);     // another row's name
    TypeName(Texts, 1, u"a=b", ANameCheck, Visit);     // an equals sign
    TypeName(Texts, 0, u"Sig", ANameCheck, Visit);     // the row's own name in other case
    TypeName(Texts, 1, u"empty", ANameCheck, Visit);
    Texts.emplace_back(u"", u"a body without a name");
    Texts.emplace_back(u"   ", u"another");
    TTemplateRows& Images = AFields.ImageTemplates;
    Images[0].first = u"";                             // name deleted: the row goes
    TypeName(Images, 1, u"photo", ANameCheck, Visit);
    Images[1].second = u"C:\\photo.png";
  });
  ChooseSettingsFromTray(*this);

  const std::vector<std::u16string> Refusals{u"キー名 \"SIG\" はすでに存在します", u"キーは等号記号（“=”）を含めません。"};
  EXPECT_EQ(Visit.NameRefusals, Refusals);
  EXPECT_EQ(Frm->TeikeiName(), (std::vector<std::u16string>{u"Sig", u"empty"}));
  EXPECT_EQ(Frm->Teikeibun(), (std::vector<std::u16string>{u"regards", u""}));
  EXPECT_EQ(Frm->TeikeiImgName(), std::vector<std::u16string>{u"photo"});
  EXPECT_EQ(Frm->TeikeiImg(), std::vector<std::u16string>{u"C:\\photo.png"});
  const std::vector<std::u16string> Captions = ItemMenuCaptions(*this);
  EXPECT_TRUE(HasCaption(Captions, u"📝empty"));
  EXPECT_FALSE(HasCaption(Captions, u"🎨logo"));

  const TSettings Saved = SettingsOnDisk();
  EXPECT_EQ(Saved.TeikeiName, (std::vector<std::u16string>{u"Sig", u"empty"}));
  EXPECT_EQ(Saved.Teikeibun, (std::vector<std::u16string>{u"regards", u""}));
}

} // namespace
} // namespace vm::test
