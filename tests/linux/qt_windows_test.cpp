// The smaller windows of the Linux program: menus built from the core's menus, the message
// boxes, the tray icon's clicks, the image preview and the theme.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

#include "app/app_texts.h"
#include "platform/linux/popup_window.h"
#include "platform/linux/preview_window.h"
#include "platform/linux/qt_menus.h"
#include "platform/linux/qt_message_boxes.h"
#include "platform/linux/qt_tray_icon.h"
#include "platform/linux/qt_ui_support.h"
#include "platform/linux/theme.h"
#include "x11_test_environment.h"

namespace vm {
namespace {

using test::TX11TestEnvironment;
using test::WaitUntil;

class QtWindows : public ::testing::Test {
protected:
  void SetUp() override { TX11TestEnvironment::Instance().App(); }
};

TEST_F(QtWindows, MenusKeepCaptionsSeparatorsAndStatesWithoutAccessKeys) {
  TPopupMenu Source;
  Source.Add(texts::MenuPaste);
  TMenuItem* Disabled = Source.Add(texts::MenuCopyOnly);
  Disabled->Enabled = false;
  TMenuItem* Hidden = Source.Add(texts::MenuPastePathText);
  Hidden->Visible = false;
  Source.Add(u"-");
  Source.Add(texts::MenuTimeStamp);
  Source.Add(std::u16string(texts::TextTemplateMark) + u"Q&A");
  Source.Add(u"-");
  Source.Add(texts::MenuQuit);

  std::vector<QAction*> Actions;
  const std::unique_ptr<QMenu> Menu = TQtMenuPresenter::BuildMenu(Source, Actions);
  ASSERT_EQ(Actions.size(), Source.Items.size());
  ASSERT_EQ(Menu->actions().size(), static_cast<qsizetype>(Source.Items.size()));
  // The text after the tab is the shortcut column of Qt's menus.
  EXPECT_EQ(Actions[0]->text(), QStringLiteral("貼り付け\tEnter"));
  EXPECT_FALSE(Actions[1]->isEnabled());
  EXPECT_TRUE(Actions[1]->isVisible());
  EXPECT_FALSE(Actions[2]->isVisible());
  EXPECT_TRUE(Actions[3]->isSeparator());
  EXPECT_EQ(Actions[4]->text(), QStringLiteral("⏰TimeStamp"));
  // '&' doubled: shown as itself, no access key.
  EXPECT_EQ(Actions[5]->text(), QStringLiteral("📝Q&&A"));
  EXPECT_TRUE(Actions[6]->isSeparator());
  EXPECT_EQ(Actions[7]->text(), QStringLiteral("終了"));
  for (QAction* Action : Actions) EXPECT_TRUE(Action->shortcut().isEmpty());
}

TEST_F(QtWindows, TrackPopupMenuReturnsTheIndexOfTheChosenItem) {
  TPopupMenu Source;
  Source.Add(u"a");
  Source.Add(u"-");
  Source.Add(u"b");
  TQtMenuPresenter Presenter;
  // The user picks "b" once the menu is up; then dismisses the next one.
  QTimer::singleShot(0, [] {
    WaitUntil([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; });
    auto* Shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(Shown, nullptr);
    Shown->setActiveAction(Shown->actions().at(2));
    QKeyEvent Return(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(Shown, &Return);
  });
  EXPECT_EQ(Presenter.TrackPopupMenu(Source, {50, 60}), 2);
  QTimer::singleShot(0, [] {
    WaitUntil([] { return QApplication::activePopupWidget() != nullptr; });
    if (QWidget* Shown = QApplication::activePopupWidget()) Shown->close();
  });
  EXPECT_EQ(Presenter.TrackPopupMenu(Source, {50, 60}), -1);
}

TEST_F(QtWindows, MessageBoxesCarryTheirCaptionsAndButtons) {
  const auto Error = TQtMessageBoxes::MakeErrorBox(u"<b>not bold</b> & so on");
  EXPECT_EQ(Error->windowTitle(), QStringLiteral("Vellomarch"));
  EXPECT_EQ(Error->icon(), QMessageBox::Critical);
  EXPECT_EQ(Error->textFormat(), Qt::PlainText);
  EXPECT_EQ(Error->buttons().size(), 1);

  const auto Warning = TQtMessageBoxes::MakeWarningBox(texts::SettingsWarningCaption, texts::SettingsMaxItemsInvalid);
  EXPECT_EQ(Warning->windowTitle(), QStringLiteral("警告"));
  EXPECT_EQ(Warning->icon(), QMessageBox::Warning);
  ASSERT_EQ(Warning->buttons().size(), 1);
  EXPECT_EQ(Warning->buttons().front()->text(), QStringLiteral("OK"));

  QAbstractButton* Yes = nullptr;
  const TConfirmation Confirmation{texts::ConfirmTitle, texts::ConfirmClearAll, texts::ConfirmYes, texts::ConfirmNo};
  const auto Confirm = TQtMessageBoxes::MakeConfirmation(Confirmation, Yes);
  EXPECT_EQ(Confirm->windowTitle(), QStringLiteral("確認"));
  EXPECT_EQ(Confirm->text(), QStringLiteral("履歴をすべて削除しますか？（ピン留めも削除されます）"));
  ASSERT_NE(Yes, nullptr);
  EXPECT_EQ(Yes->text(), QStringLiteral("はい(&Y)"));
  EXPECT_EQ(Confirm->defaultButton(), Yes);
  ASSERT_NE(Confirm->escapeButton(), nullptr);
  EXPECT_EQ(Confirm->escapeButton()->text(), QStringLiteral("いいえ(&N)"));
}

TEST_F(QtWindows, ConfirmationIsTrueOnlyForYes) {
  TQtMessageBoxes Boxes;
  const TConfirmation Confirmation{texts::ConfirmTitle, texts::ConfirmClearAll, texts::ConfirmYes, texts::ConfirmNo};
  const auto Answer = [&](const QString& AButton) {
    QTimer::singleShot(0, [AButton] {
      WaitUntil([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; });
      auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(Box, nullptr);
      if (AButton.isEmpty()) {
        Box->reject(); // the close box
        return;
      }
      for (QAbstractButton* Button : Box->buttons())
        if (Button->text() == AButton) Button->click();
    });
    return Boxes.ConfirmYesNo(Confirmation);
  };
  EXPECT_TRUE(Answer(QStringLiteral("はい(&Y)")));
  EXPECT_FALSE(Answer(QStringLiteral("いいえ(&N)")));
  EXPECT_FALSE(Answer(QString()));
}

TEST_F(QtWindows, TrayClicksAreTheMouseMessagesOfTheIcon) {
  EXPECT_EQ(TQtTrayIcon::MouseMessageFor(QSystemTrayIcon::Trigger), 0x0202u);
  EXPECT_EQ(TQtTrayIcon::MouseMessageFor(QSystemTrayIcon::DoubleClick), 0x0202u);
  EXPECT_EQ(TQtTrayIcon::MouseMessageFor(QSystemTrayIcon::Context), 0x0205u);
  EXPECT_EQ(TQtTrayIcon::MouseMessageFor(QSystemTrayIcon::MiddleClick), 0u);
  TQtTrayIcon Tray;
  EXPECT_EQ(Tray.RegisterWindowMessage(u"TaskbarCreated"), 0u);
  TNotifyIconData Data;
  Data.szTip = texts::TrayTip;
  Tray.NotifyIcon(TNotifyIconAction::Add, Data);
  EXPECT_EQ(Tray.Icon().toolTip(), QStringLiteral("Vellomarch"));
  EXPECT_FALSE(Tray.Icon().icon().isNull());
  EXPECT_EQ(Tray.Icon().contextMenu(), nullptr);
  EXPECT_TRUE(Tray.NotifyIcon(TNotifyIconAction::Delete, Data));
  EXPECT_FALSE(Tray.Icon().isVisible());
}

// The preview's rules as a script: what the window was told and what it reported.
class TPreviewScript final : public IImagePreviewHandlers {
public:
  explicit TPreviewScript(TQtImagePreview& AWindow) : FWindow(AWindow) {}
  std::function<void()> OnShow;
  std::vector<std::string> Events;
  void FormShow() override {
    Events.push_back("FormShow");
    if (OnShow) OnShow();
  }
  void Timer1Timer() override { End("Timer1Timer"); }
  void FormClick() override { End("FormClick"); }
  void FormKeyDown() override { End("FormKeyDown"); }

private:
  void End(const char* AEvent) {
    Events.push_back(AEvent);
    FWindow.StopTimer();
    FWindow.EndModal();
  }
  TQtImagePreview& FWindow;
};

TEST_F(QtWindows, PreviewShowsThePictureAndClosesOnALeftClickOrAKey) {
  struct TCase {
    const char* Name;
    std::function<void(TQtImagePreview&)> Act;
    std::vector<std::string> Expected;
  } const Cases[] = {
      {"right then left click",
       [](TQtImagePreview& APreview) {
         for (Qt::MouseButton Button : {Qt::RightButton, Qt::LeftButton}) {
           QMouseEvent Press(QEvent::MouseButtonPress, QPointF(5, 5), APreview.Window().mapToGlobal(QPointF(5, 5)),
                             Button, Button, Qt::NoModifier);
           QApplication::sendEvent(&APreview.Window(), &Press);
         }
       },
       {"FormShow", "FormClick"}},
      {"Shift alone",
       [](TQtImagePreview& APreview) {
         QKeyEvent Press(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
         QApplication::sendEvent(&APreview.Window(), &Press);
       },
       {"FormShow", "FormKeyDown"}},
      // Never a real wait: the timer is made to run out at once.
      {"the timer", [](TQtImagePreview& APreview) { APreview.StartTimer(0); }, {"FormShow", "Timer1Timer"}},
  };
  for (const TCase& Case : Cases) {
    TQtImagePreview Preview;
    TPreviewScript Script(Preview);
    TImage Picture{20, 10, std::vector<std::uint32_t>(200, 0xFF00A000)};
    Script.OnShow = [&] {
      Preview.SetPosition(30, 40);
      Preview.SetClientSize(Picture.Width, Picture.Height);
      Preview.SetPicture(Picture);
      Preview.StartTimer(60000);
      QTimer::singleShot(0, [&] {
        WaitUntil([&] { return Preview.Window().isVisible(); });
        EXPECT_EQ(Preview.Window().size(), QSize(20, 10));
        EXPECT_EQ(Preview.Window().grab().toImage().pixelColor(19, 9), QColor(0, 0xA0, 0));
        Case.Act(Preview);
      });
    };
    Preview.RunModal(Script);
    EXPECT_EQ(Script.Events, Case.Expected) << Case.Name;
    EXPECT_FALSE(Preview.Window().isVisible()) << Case.Name;
    EXPECT_FALSE(Preview.Timer().isActive()) << Case.Name;
  }
}

TEST_F(QtWindows, PreviewIsAFramelessToolWindowOnTheButtonFace) {
  TQtImagePreview Preview;
  const Qt::WindowFlags Flags = Preview.Window().windowFlags();
  EXPECT_EQ(Flags & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_TRUE(Flags.testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(Preview.Window().windowTitle(), QStringLiteral("画像表示"));
  EXPECT_EQ(Preview.Window().size(), QSize(640, 480));
  // An unreadable picture leaves the empty window at its designed size on the button face.
  TPreviewScript Script(Preview);
  Script.OnShow = [&] {
    QTimer::singleShot(0, [&] {
      WaitUntil([&] { return Preview.Window().isVisible(); });
      const QImage Shot = Preview.Window().grab().toImage();
      EXPECT_EQ(Shot.pixelColor(320, 240), Preview.Window().palette().color(QPalette::Active, QPalette::Button));
      QKeyEvent Press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
      QApplication::sendEvent(&Preview.Window(), &Press);
    });
  };
  Preview.RunModal(Script);
  EXPECT_EQ(Script.Events, (std::vector<std::string>{"FormShow", "FormKeyDown"}));
}

TEST_F(QtWindows, ThemeColoursTheProgramsWindowsAndKeepsTheGridBase) {
  QApplication& App = TX11TestEnvironment::Instance().App();
  const QString Before = App.styleSheet();
  ASSERT_TRUE(ApplyTheme(App));
  EXPECT_EQ(App.styleSheet(), ThemeStyleSheet());
  {
    TPopupWindow Popup;
    Popup.ensurePolished();
    Popup.Grid().ensurePolished();
    // Selection in the theme's amethyst; unselected rows stay on white with black text.
    EXPECT_EQ(Popup.Grid().palette().color(QPalette::Active, QPalette::Highlight), QColor(0x7d, 0x4f, 0xb5));
    EXPECT_EQ(Popup.Grid().palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
    QMenu Menu;
    Menu.addAction(QStringLiteral("x"));
    Menu.ensurePolished();
    EXPECT_EQ(Menu.palette().color(QPalette::Window), QColor(0xfa, 0xf7, 0xfd));
  }
  App.setStyleSheet(Before);
}

} // namespace
} // namespace vm
