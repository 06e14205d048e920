// Qt's own texts in the program's windows come in Japanese, whatever the locale: the context
// menus of the popup's search box and of the settings dialog's fields, and standard buttons.
#include "platform/linux/qt_translation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

#include "platform/linux/popup_window.h"
#include "platform/linux/settings_dialog_window.h"
#include "x11_test_environment.h"

namespace vm {
namespace {

using test::TX11TestEnvironment;

// The texts of the menu a right click on AEdit opens, without their shortcut columns.
QStringList ContextMenuTexts(QLineEdit& AEdit) {
  std::unique_ptr<QMenu> Menu(AEdit.createStandardContextMenu());
  QStringList Texts;
  for (const QAction* Action : Menu->actions())
    if (!Action->isSeparator()) Texts << Action->text().section(QLatin1Char('\t'), 0, 0);
  return Texts;
}

const QStringList JapaneseLineEditMenu{QStringLiteral("元に戻す(&U)"), QStringLiteral("やり直す(&R)"),
                                       QStringLiteral("切り取り(&T)"), QStringLiteral("コピー(&C)"),
                                       QStringLiteral("貼り付け(&P)"), QStringLiteral("削除"),
                                       QStringLiteral("すべてを選択")};

class QtTranslation : public ::testing::Test {
protected:
  void SetUp() override {
    TX11TestEnvironment::Instance().App();
    // The session's language must not matter: Qt would otherwise pick its texts from it.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  }
  void TearDown() override {
    if (FTranslator) {
      QCoreApplication::removeTranslator(FTranslator);
      delete FTranslator;
    }
    QLocale::setDefault(QLocale::system());
  }
  void Install() {
    FTranslator = InstallQtJapaneseTranslation(*QCoreApplication::instance());
    ASSERT_NE(FTranslator, nullptr) << "qtbase_ja.qm is missing (Debian: qt6-translations-l10n)";
  }
  QTranslator* FTranslator = nullptr;
};

TEST_F(QtTranslation, SearchBoxAndSettingsFieldsGetJapaneseContextMenus) {
  TPopupWindow Popup;
  Popup.SearchEdit(); // made at the first showing, or when first asked for
  TSettingsDialogWindow Dialog(96);
  QList<QLineEdit*> Edits = Popup.findChildren<QLineEdit*>();
  ASSERT_EQ(Edits.size(), 1) << "the popup's search box";
  // The number fields, and the line edits inside the hotkey fields.
  const QList<QLineEdit*> DialogEdits = Dialog.findChildren<QLineEdit*>();
  ASSERT_GE(DialogEdits.size(), 4);
  Edits += DialogEdits;

  // Without the translation Qt speaks English, which is what the user met before.
  EXPECT_EQ(ContextMenuTexts(*Edits.front()).value(0), QStringLiteral("&Undo"));

  ASSERT_NO_FATAL_FAILURE(Install());
  for (QLineEdit* Edit : Edits)
    EXPECT_EQ(ContextMenuTexts(*Edit), JapaneseLineEditMenu) << Edit->metaObject()->className();
}

TEST_F(QtTranslation, StandardButtonsAreJapanese) {
  ASSERT_NO_FATAL_FAILURE(Install());
  QMessageBox Box(QMessageBox::Question, QStringLiteral("確認"), QStringLiteral("?"),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(Box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
  EXPECT_EQ(Box.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
  EXPECT_EQ(Box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
}

} // namespace
} // namespace vm
