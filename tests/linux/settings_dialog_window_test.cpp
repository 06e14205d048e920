// The settings dialog on a real X server: laid out from the design table, fields in and out,
// digits-only edits, hotkey fields, name/value tables with the core's name check, the OK check
// with its warning and focus, and the release of the global hotkeys while a field records.
#include "platform/linux/settings_dialog_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <filesystem>

#include "app/app_texts.h"
#include "platform/linux/qt_ui_support.h"
#include "platform/linux/theme.h"
#include "x11_test_environment.h"

namespace vm {
namespace {

namespace fs = std::filesystem;
using test::TX11TestEnvironment;
using test::WaitUntil;

void SendKey(QWidget* AWidget, int AKey, Qt::KeyboardModifiers AModifiers = Qt::NoModifier,
             const QString& AText = QString()) {
  QKeyEvent Press(QEvent::KeyPress, AKey, AModifiers, AText);
  QApplication::sendEvent(AWidget, &Press);
  QKeyEvent Release(QEvent::KeyRelease, AKey, AModifiers, AText);
  QApplication::sendEvent(AWidget, &Release);
}

TSettingsFields SampleFields() {
  TSettingsFields Fields;
  Fields.MaxItemsText = u"30";
  Fields.WidthText = u"240";
  Fields.RowHeightText = u"25";
  Fields.HotKeyShow = 0x8043; // Alt+C
  Fields.HotKeyQuit = 0xC051; // Ctrl+Alt+Q
  Fields.TextTemplates = {{u"挨拶", u"こんにちは\\nよろしく"}, {u"sig", u""}};
  Fields.ImageTemplates = {{u"logo", u"/home/user/ロゴ.png"}};
  return Fields;
}

bool SameFields(const TSettingsFields& A, const TSettingsFields& B) {
  return A.MaxItemsText == B.MaxItemsText && A.WidthText == B.WidthText && A.RowHeightText == B.RowHeightText &&
         A.HotKeyShow == B.HotKeyShow && A.HotKeyQuit == B.HotKeyQuit && A.TextTemplates == B.TextTemplates &&
         A.ImageTemplates == B.ImageTemplates;
}

class SettingsDialogWindow : public ::testing::Test {
protected:
  void SetUp() override { TX11TestEnvironment::Instance().App(); }
};

TEST_F(SettingsDialogWindow, FieldsGoInAndComeBackOut) {
  TSettingsDialogWindow Dialog(96);
  const TSettingsFields Fields = SampleFields();
  Dialog.SetFields(Fields);
  EXPECT_TRUE(SameFields(Dialog.Fields(), Fields));
  EXPECT_EQ(static_cast<THotKeyField*>(Dialog.Control(u"HotKeyShow"))->Text(), QStringLiteral("Alt+C"));
  EXPECT_EQ(static_cast<THotKeyField*>(Dialog.Control(u"HotKeyQuit"))->Text(), QStringLiteral("Ctrl+Alt+Q"));
  // Each table shows one more, empty row for adding.
  EXPECT_EQ(static_cast<QTableWidget*>(Dialog.Control(u"TextTemplatesVLE"))->rowCount(), 3);
  // Filling again replaces everything.
  TSettingsFields Empty;
  Dialog.SetFields(Empty);
  EXPECT_TRUE(SameFields(Dialog.Fields(), Empty));
}

TEST_F(SettingsDialogWindow, LaysOutTheDesignScaledByTheDpi) {
  for (int Dpi : {96, 144}) {
    TSettingsDialogWindow Dialog(Dpi);
    const auto S = [Dpi](int APixels) { return ui::ScaleFromDesign(APixels, Dpi); };
    EXPECT_EQ(Dialog.windowTitle(), QStringLiteral("Vellomarch 設定"));
    EXPECT_EQ(Dialog.size(), QSize(S(504), S(620)));
    EXPECT_EQ(Dialog.font().pixelSize(), S(12));
    for (const TSettingsControl& Design : SettingsFrmControls) {
      QWidget* Control = Dialog.Control(Design.Name);
      ASSERT_NE(Control, nullptr);
      const QString Name = ui::Qs(Design.Name);
      EXPECT_EQ(Control->pos(), QPoint(S(Design.Left), S(Design.Top))) << Name.toStdString() << " at " << Dpi;
      if (Design.Width > 0) {
        EXPECT_EQ(Control->width(), S(Design.Width)) << Name.toStdString();
      }
      if (Design.Height > 0) {
        EXPECT_EQ(Control->height(), S(Design.Height)) << Name.toStdString();
      }
      const QString Parent = Design.Parent.empty() ? QStringLiteral("TSettingsFrm") : ui::Qs(Design.Parent);
      EXPECT_EQ(Control->parentWidget()->objectName(), Parent) << Name.toStdString();
    }
    EXPECT_EQ(static_cast<QGroupBox*>(Dialog.Control(u"GeneralGroup"))->title(), QStringLiteral(" 一般 "));
    EXPECT_EQ(static_cast<QLabel*>(Dialog.Control(u"Label6"))->text(), QStringLiteral("定型文（改行は \\n で指定）"));
    auto* Table = static_cast<QTableWidget*>(Dialog.Control(u"ImageTemplatesVLE"));
    EXPECT_EQ(Table->horizontalHeaderItem(0)->text(), QStringLiteral("名前"));
    EXPECT_EQ(Table->horizontalHeaderItem(1)->text(), QStringLiteral("ファイルパス"));
    EXPECT_EQ(Table->columnWidth(0), S(150));
    EXPECT_EQ(Table->columnWidth(1), S(332));
    auto* Ok = static_cast<QPushButton*>(Dialog.Control(u"OKBtn"));
    EXPECT_TRUE(Ok->isDefault());
    EXPECT_EQ(static_cast<QPushButton*>(Dialog.Control(u"CancelBtn"))->text(), QStringLiteral("キャンセル"));
  }
}

TEST_F(SettingsDialogWindow, NumberEditsTakeOnlyDigitsFromTheKeyboard) {
  TSettingsDialogWindow Dialog(96);
  auto* Edit = static_cast<QLineEdit*>(Dialog.Control(u"MaxItemsEdit"));
  Edit->clear();
  SendKey(Edit, Qt::Key_4, Qt::NoModifier, QStringLiteral("4"));
  SendKey(Edit, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  SendKey(Edit, Qt::Key_Minus, Qt::NoModifier, QStringLiteral("-"));
  SendKey(Edit, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
  SendKey(Edit, Qt::Key_2, Qt::NoModifier, QStringLiteral("2"));
  EXPECT_EQ(Edit->text(), QStringLiteral("42"));
  SendKey(Edit, Qt::Key_Backspace);
  EXPECT_EQ(Edit->text(), QStringLiteral("4"));
  // Pasted text is not filtered; the OK check reads it.
  Edit->insert(QStringLiteral(" 5 "));
  EXPECT_EQ(Edit->text(), QStringLiteral("4 5 "));
}

TEST_F(SettingsDialogWindow, HotKeyFieldsRecordOneCombination) {
  TSettingsDialogWindow Dialog(96);
  auto* Field = static_cast<THotKeyField*>(Dialog.Control(u"HotKeyShow"));
  SendKey(Field, Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(Field->ShortCut(), 0); // a modifier alone records nothing
  SendKey(Field, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("\x16"));
  EXPECT_EQ(Field->ShortCut(), 0x6056);
  EXPECT_EQ(Field->Text(), QStringLiteral("Ctrl+Shift+V"));
  // The next combination replaces it: one chord, done at once.
  SendKey(Field, Qt::Key_F7, Qt::AltModifier);
  EXPECT_EQ(Field->ShortCut(), 0x8076);
  EXPECT_EQ(Field->Text(), QStringLiteral("Alt+F7"));
  SendKey(Field, Qt::Key_Backspace);
  EXPECT_EQ(Field->ShortCut(), 0);
  EXPECT_EQ(Field->Text(), QString());
  EXPECT_EQ(Dialog.Fields().HotKeyShow, 0);

  using TAction = THotKeyField::TKeyAction;
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Escape, Qt::NoModifier), TAction::PassOn);
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Return, Qt::NoModifier), TAction::PassOn);
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Enter, Qt::KeypadModifier), TAction::PassOn);
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Tab, Qt::NoModifier), TAction::MoveFocus);
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Backtab, Qt::ShiftModifier), TAction::MoveFocus);
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Delete, Qt::NoModifier), TAction::Clear);
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Escape, Qt::ControlModifier), TAction::Record);
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Delete, Qt::ControlModifier | Qt::AltModifier), TAction::Record);
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Tab, Qt::AltModifier), TAction::Record);
  EXPECT_EQ(THotKeyField::ActionForKey(Qt::Key_Shift, Qt::ShiftModifier), TAction::Ignore);
}

TEST_F(SettingsDialogWindow, NamesTheCheckRefusesArePutBackAndReported) {
  TSettingsDialogWindow Dialog(96);
  Dialog.SetNameCheck(CheckTemplateName);
  std::vector<std::u16string> Reported;
  Dialog.ShowWarning = [&](const std::u16string& ACaption, const std::u16string& AText) {
    EXPECT_EQ(ACaption, u"Vellomarch");
    Reported.push_back(AText);
  };
  Dialog.SetFields(SampleFields());
  auto* Table = static_cast<TNameValueTable*>(Dialog.Control(u"TextTemplatesVLE"));

  Table->item(1, 0)->setText(QStringLiteral("挨拶"));
  EXPECT_EQ(Table->item(1, 0)->text(), QStringLiteral("sig"));
  Table->item(1, 0)->setText(QStringLiteral("a=b"));
  EXPECT_EQ(Table->item(1, 0)->text(), QStringLiteral("sig"));
  ASSERT_TRUE(WaitUntil([&] { return Reported.size() == 2; }));
  EXPECT_EQ(Reported[0], u"キー名 \"挨拶\" はすでに存在します");
  EXPECT_EQ(Reported[1], u"キーは等号記号（“=”）を含めません。");

  // An accepted name stays, and typing into the empty last row adds a template and a new row.
  Table->item(1, 0)->setText(QStringLiteral("signature"));
  Table->item(2, 0)->setText(QStringLiteral("new"));
  EXPECT_EQ(Table->rowCount(), 4);
  EXPECT_EQ(Table->Rows(), (TTemplateRows{{u"挨拶", u"こんにちは\\nよろしく"}, {u"signature", u""}, {u"new", u""}}));
  // Deleting rows: Ctrl+Delete on the current row; the empty last row cannot go.
  Table->setCurrentCell(0, 1);
  SendKey(Table, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(Table->Rows(), (TTemplateRows{{u"signature", u""}, {u"new", u""}}));
  Table->DeleteRow(2);
  EXPECT_EQ(Table->rowCount(), 3);
  QCoreApplication::processEvents();
  EXPECT_EQ(Reported.size(), 2u);
}

TEST_F(SettingsDialogWindow, OkWarnsAndFocusesTheFailingFieldOrCloses) {
  TSettingsDialogWindow Dialog(96);
  std::vector<std::pair<std::u16string, std::u16string>> Warnings;
  Dialog.ShowWarning = [&](const std::u16string& ACaption, const std::u16string& AText) {
    Warnings.emplace_back(ACaption, AText);
  };
  Dialog.OkCheck = OKBtnClick;
  Dialog.SetFields(SampleFields());
  Dialog.show();
  Dialog.activateWindow();
  ASSERT_TRUE(WaitUntil([&] { return Dialog.isActiveWindow(); }));

  static_cast<QLineEdit*>(Dialog.Control(u"WidthEdit"))->setText(QStringLiteral("99"));
  static_cast<QPushButton*>(Dialog.Control(u"OKBtn"))->click();
  ASSERT_EQ(Warnings.size(), 1u);
  EXPECT_EQ(Warnings[0].first, u"警告");
  EXPECT_EQ(Warnings[0].second, u"ウィンドウ幅は 100〜2000 の整数で入力してください。");
  EXPECT_TRUE(Dialog.isVisible());
  EXPECT_EQ(QApplication::focusWidget(), Dialog.Control(u"WidthEdit"));

  static_cast<QLineEdit*>(Dialog.Control(u"WidthEdit"))->setText(QStringLiteral("100"));
  static_cast<THotKeyField*>(Dialog.Control(u"HotKeyShow"))->SetShortCut(0);
  static_cast<QPushButton*>(Dialog.Control(u"OKBtn"))->click();
  ASSERT_EQ(Warnings.size(), 2u);
  EXPECT_EQ(Warnings[1].second, u"履歴表示のホットキーを設定してください。");
  EXPECT_EQ(QApplication::focusWidget(), Dialog.Control(u"HotKeyShow"));

  static_cast<THotKeyField*>(Dialog.Control(u"HotKeyShow"))->SetShortCut(0x8043);
  static_cast<QPushButton*>(Dialog.Control(u"OKBtn"))->click();
  EXPECT_EQ(Warnings.size(), 2u);
  EXPECT_EQ(Dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(Dialog.isVisible());
}

TEST_F(SettingsDialogWindow, TheHotkeysAreReleasedWhileAFieldRecords) {
  TSettingsDialogWindow Dialog(96);
  std::vector<bool> Hook;
  Dialog.OnHotKeyRecording = [&](bool ARecording) { Hook.push_back(ARecording); };
  Dialog.show();
  Dialog.activateWindow();
  ASSERT_TRUE(WaitUntil([&] { return Dialog.isActiveWindow(); }));

  Dialog.Control(u"HotKeyShow")->setFocus();
  EXPECT_EQ(Hook, std::vector<bool>{true});
  // From one hotkey field to the other: the hotkeys stay released.
  Dialog.Control(u"HotKeyQuit")->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(Hook, std::vector<bool>{true});
  Dialog.Control(u"MaxItemsEdit")->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return Hook.size() == 2; }));
  EXPECT_EQ(Hook, (std::vector<bool>{true, false}));
  // Closing the dialog while a field records gives the hotkeys back before the caller goes on.
  Dialog.Control(u"HotKeyShow")->setFocus();
  Dialog.reject();
  EXPECT_EQ(Hook, (std::vector<bool>{true, false, true, false}));
}

TEST_F(SettingsDialogWindow, ShowModalHandsBackWhatTheUserLeftOnlyOnOk) {
  TQtSettingsDialog Dialog;
  struct TCase {
    const char* Name;
    std::function<void(TSettingsDialogWindow&)> User;
    bool Expected;
  } const Cases[] = {
      {"OK", [](TSettingsDialogWindow& AWindow) {
         static_cast<QLineEdit*>(AWindow.Control(u"RowHeightEdit"))->setText(QStringLiteral("40"));
         static_cast<QPushButton*>(AWindow.Control(u"OKBtn"))->click();
       }, true},
      {"Cancel", [](TSettingsDialogWindow& AWindow) {
         static_cast<QLineEdit*>(AWindow.Control(u"RowHeightEdit"))->setText(QStringLiteral("40"));
         static_cast<QPushButton*>(AWindow.Control(u"CancelBtn"))->click();
       }, false},
      {"Esc", [](TSettingsDialogWindow& AWindow) {
         SendKey(AWindow.Control(u"MaxItemsEdit"), Qt::Key_Escape);
       }, false},
      {"close box", [](TSettingsDialogWindow& AWindow) { AWindow.close(); }, false},
  };
  for (const TCase& Case : Cases) {
    TSettingsFields Fields = SampleFields();
    QTimer::singleShot(0, [&] {
      WaitUntil([] { return qobject_cast<TSettingsDialogWindow*>(QApplication::activeModalWidget()) != nullptr; });
      auto* Window = qobject_cast<TSettingsDialogWindow*>(QApplication::activeModalWidget());
      ASSERT_NE(Window, nullptr);
      EXPECT_TRUE(SameFields(Window->Fields(), SampleFields()));
      Case.User(*Window);
    });
    EXPECT_EQ(Dialog.ShowModal(Fields, OKBtnClick, CheckTemplateName), Case.Expected) << Case.Name;
    EXPECT_EQ(Fields.RowHeightText, Case.Expected ? u"40" : u"25") << Case.Name;
  }
}

TEST_F(SettingsDialogWindow, Picture) {
  QApplication& App = TX11TestEnvironment::Instance().App();
  const QString SheetBefore = App.styleSheet();
  ASSERT_TRUE(ApplyTheme(App));
  struct TRestore {
    QApplication& App;
    QString Sheet;
    ~TRestore() { App.setStyleSheet(Sheet); }
  } Restore{App, SheetBefore};
  TSettingsDialogWindow Dialog(96);
  Dialog.SetFields(SampleFields());
  Dialog.show();
  ASSERT_TRUE(WaitUntil([&] { return Dialog.windowHandle() && Dialog.windowHandle()->isExposed(); }));
  const fs::path Folder = fs::read_symlink("/proc/self/exe").parent_path() / "screenshots";
  fs::create_directories(Folder);
  ASSERT_TRUE(Dialog.grab().save(QString::fromStdString((Folder / "settings_dialog.png").string())));
}

} // namespace
} // namespace vm
