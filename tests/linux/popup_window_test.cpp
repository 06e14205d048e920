// The popup window on a real X server: its window kind and layout, the grid's geometry and
// scrolling, the key preview, the search box's change events, the hover hint, and a picture of
// it with Japanese text and the emoji marks.
#include "platform/linux/popup_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

#include <filesystem>
#include <memory>

#include "app/app_texts.h"
#include "fakes/fake_platform.h"
#include "fakes/test_support.h"
#include "history/clip_history.h"
#include "listview/hint_window.h"
#include "platform/linux/qt_ui_support.h"
#include "platform/linux/theme.h"
#include "support/data_folders.h"
#include "support/rounding.h"
#include "x11_test_environment.h"

namespace vm {
namespace {

namespace fs = std::filesystem;
using test::TX11TestEnvironment;
using test::WaitUntil;

// Pictures the tests take, for a person to look at: beside the test program in the build folder.
fs::path ScreenshotFolder() {
  const fs::path Folder = fs::read_symlink("/proc/self/exe").parent_path() / "screenshots";
  fs::create_directories(Folder);
  return Folder;
}

void SendKey(QWidget& AWidget, int AKey, Qt::KeyboardModifiers AModifiers = Qt::NoModifier,
             const QString& AText = QString()) {
  QKeyEvent Press(QEvent::KeyPress, AKey, AModifiers, AText);
  QApplication::sendEvent(&AWidget, &Press);
  QKeyEvent Release(QEvent::KeyRelease, AKey, AModifiers, AText);
  QApplication::sendEvent(&AWidget, &Release);
}

class PopupWindow : public ::testing::Test {
protected:
  // Before any member of a derived fixture: widgets need the application.
  PopupWindow() { TX11TestEnvironment::Instance().App(); }
};

TEST_F(PopupWindow, IsAFixedToolWindowWithACaptionAndNoButtons) {
  TPopupWindow Popup;
  const Qt::WindowFlags Flags = Popup.windowFlags();
  EXPECT_EQ(Flags & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_TRUE(Flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(Flags.testFlag(Qt::CustomizeWindowHint));
  for (Qt::WindowType Button : {Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint,
                                Qt::WindowMaximizeButtonHint, Qt::WindowSystemMenuHint, Qt::WindowStaysOnTopHint})
    EXPECT_FALSE(Flags.testFlag(Button)) << Button;
  EXPECT_EQ(Popup.windowTitle(), QStringLiteral("Vellomarch Ver1.2.0.0"));
  EXPECT_EQ(Popup.SearchEdit().placeholderText(), QStringLiteral("検索..."));
  EXPECT_EQ(Popup.font().pixelSize(), 11);
  EXPECT_FALSE(Popup.isVisible());
}

TEST_F(PopupWindow, LaysOutTheSearchBoxOverTheGridFromTheOuterSize) {
  TPopupWindow Popup;
  // Not yet framed: the assumed title bar and borders.
  const QMargins Frame = Popup.FrameMargins();
  EXPECT_EQ(Popup.FrameHeight(), Frame.top() + Frame.bottom());
  EXPECT_GT(Popup.FrameHeight(), 0);
  Popup.SetOuterHeight(400);
  Popup.SetOuterWidth(240);
  EXPECT_EQ(Popup.OuterHeight(), 400);
  EXPECT_EQ(Popup.OuterWidth(), 240);
  const int ClientWidth = 240 - Frame.left() - Frame.right();
  const int ClientHeight = 400 - Popup.FrameHeight();
  EXPECT_EQ(Popup.size(), QSize(ClientWidth, ClientHeight));
  EXPECT_EQ(Popup.GridClientWidth(), ClientWidth);
  EXPECT_EQ(Popup.SearchEditHeight(), 23);
  EXPECT_EQ(Popup.SearchEdit().geometry(), QRect(0, 0, ClientWidth, 23));
  EXPECT_EQ(Popup.Grid().geometry(), QRect(0, 23, ClientWidth, ClientHeight - 23));
}

// A program never called up has no search box and no fonts yet; what the core set meanwhile
// is what the first showing shows.
TEST_F(PopupWindow, WhatWasSetBeforeTheFirstShowingIsThereWhenItShows) {
  TPopupWindow Popup;
  Popup.SetOuterWidth(240);
  Popup.SetOuterHeight(300);
  Popup.SetSearchText(u"apple");
  Popup.SetGridFontSize(12);
  EXPECT_EQ(Popup.SearchText(), u"apple");
  EXPECT_FALSE(Popup.ContentCreated());
  Popup.show();
  ASSERT_TRUE(WaitUntil([&] { return Popup.isVisible(); }));
  ASSERT_TRUE(Popup.ContentCreated());
  EXPECT_EQ(Popup.SearchEdit().text(), QStringLiteral("apple"));
  EXPECT_TRUE(Popup.SearchEdit().isVisible());
  EXPECT_EQ(Popup.SearchEdit().geometry(), QRect(0, 0, Popup.GridClientWidth(), 23));
  EXPECT_EQ(Popup.SearchEdit().placeholderText(), QStringLiteral("検索..."));
  EXPECT_EQ(Popup.font().pixelSize(), 11);
  EXPECT_EQ(Popup.Grid().font().pixelSize(), MulDiv(12, ui::ScreenDpi(Popup.screen()), 72));
  EXPECT_TRUE(Popup.CanFocusSearch());
}

TEST_F(PopupWindow, MouseToCellCountsTheLineBelowAndRightOfEachCell) {
  TClipHistoryGrid Grid;
  Grid.resize(200, 200);
  Grid.SetRowCount(3);
  Grid.SetDefaultRowHeight(20);
  Grid.SetColWidth(0, 30);
  Grid.SetColWidth(1, 100);
  struct TCase {
    int X, Y, Col, Row;
  } const Cases[] = {
      {0, 0, 0, 0},    {29, 19, 0, 0},  {30, 20, 0, 0},  // the lines belong to the cell before them
      {31, 0, 1, 0},   {131, 0, 1, 0},  {132, 0, -1, -1}, // past the text column
      {0, 21, 0, 1},   {50, 62, 1, 2},  {0, 63, -1, -1},  // below the last row
      {-1, 5, -1, -1}, {5, -1, -1, -1},
  };
  for (const TCase& Case : Cases) {
    const TGridCell Cell = Grid.MouseToCell(Case.X, Case.Y);
    EXPECT_EQ(Cell.Col, Case.Col) << Case.X << "," << Case.Y;
    EXPECT_EQ(Cell.Row, Case.Row) << Case.X << "," << Case.Y;
  }
  EXPECT_EQ(Grid.CellRect(1, 2), QRect(31, 42, 100, 20));
}

TEST_F(PopupWindow, TheCurrentRowIsScrolledIntoView) {
  TClipHistoryGrid Grid;
  Grid.SetDefaultRowHeight(20);
  Grid.resize(100, 3 * 21 + 10); // three whole rows and a part of the fourth
  Grid.SetRowCount(10);
  EXPECT_EQ(Grid.VisibleRowCount(), 3);
  Grid.SetCurrentRow(5);
  EXPECT_EQ(Grid.TopRow(), 3);
  EXPECT_EQ(Grid.MouseToCell(0, 0).Row, 3);
  EXPECT_EQ(Grid.MouseToCell(0, 2 * 21).Row, 5);
  Grid.SetCurrentRow(4);
  EXPECT_EQ(Grid.TopRow(), 3);
  Grid.SetCurrentRow(1);
  EXPECT_EQ(Grid.TopRow(), 1);
  Grid.SetCurrentRow(99);
  EXPECT_EQ(Grid.CurrentRow(), 9);
  EXPECT_EQ(Grid.TopRow(), 7);
  // Fewer rows: the selection and the view come back into range.
  Grid.SetRowCount(2);
  EXPECT_EQ(Grid.CurrentRow(), 1);
  EXPECT_EQ(Grid.TopRow(), 0);
}

// A main window over the fakes, with this popup as its view.
class PopupWithFrm : public PopupWindow {
protected:
  void SetUp() override {
    Platform = std::make_unique<TPlatform>(TPlatform{F.Clipboard, F.Imaging, F.Hotkeys, F.FocusInput, F.Screen,
                                                     F.DeferredCalls, F.Clock, *F.DataProtection, Popup, F.Menus,
                                                     F.TrayIcon, F.MessageBoxes, F.Dialogs});
    Frm = std::make_unique<TVellomarchFrm>(*Platform);
    Popup.SetFrm(Frm.get());
    Frm->FormCreate();
    // The fake screen would hide the popup as soon as its timer runs.
    F.FocusInput.Foreground = Popup.Handle();
  }
  void TearDown() override {
    Popup.HideWindow();
    Popup.SetFrm(nullptr);
    Frm.reset();
  }
  void AddTexts(std::initializer_list<const char16_t*> ATexts) {
    for (const char16_t* Text : ATexts) Frm->History().AddText(Text);
    Frm->RebuildView();
    Frm->RefreshGrid();
  }

  test::TTempDataFolder Folder;
  test::TFakePlatform F;
  TPopupWindow Popup;
  std::unique_ptr<TPlatform> Platform;
  std::unique_ptr<TVellomarchFrm> Frm;
};

TEST_F(PopupWithFrm, KeysReachFormKeyDownFirstAndConsumedOnesStopThere) {
  AddTexts({u"one", u"two", u"three"});
  Popup.SetCurrentRow(0);
  // Down is consumed: the row moves and the search box never sees the key.
  SendKey(Popup.SearchEdit(), Qt::Key_Down);
  EXPECT_EQ(Popup.CurrentRow(), 1);
  SendKey(Popup.Grid(), Qt::Key_Down);
  EXPECT_EQ(Popup.CurrentRow(), 2);
  SendKey(Popup.SearchEdit(), Qt::Key_Up);
  EXPECT_EQ(Popup.CurrentRow(), 1);
  // P without Ctrl is typed; the frm hears of the change, as of any edit the user makes.
  SendKey(Popup.SearchEdit(), Qt::Key_T, Qt::NoModifier, QStringLiteral("t"));
  EXPECT_EQ(Popup.SearchEdit().text(), QStringLiteral("t"));
  EXPECT_EQ(Frm->View().size(), 2u); // "two", "three"
  EXPECT_EQ(Popup.CurrentRow(), 0);
  // Ctrl+P is consumed and pins the selected entry; nothing is typed.
  SendKey(Popup.SearchEdit(), Qt::Key_P, Qt::ControlModifier, QStringLiteral("\x10"));
  EXPECT_EQ(Popup.SearchEdit().text(), QStringLiteral("t"));
  EXPECT_TRUE(Frm->History().Items()[0].Pinned);
  // Delete without Ctrl goes on to the search box.
  Popup.SearchEdit().setCursorPosition(0);
  SendKey(Popup.SearchEdit(), Qt::Key_Delete);
  EXPECT_EQ(Popup.SearchEdit().text(), QString());
  EXPECT_EQ(Frm->History().Items().Count(), 3);
}

TEST_F(PopupWithFrm, SettingTheSearchTextRaisesNoChange) {
  AddTexts({u"apple", u"banana"});
  Popup.SetSearchText(u"apple");
  EXPECT_EQ(Popup.SearchText(), u"apple");
  EXPECT_EQ(Frm->View().size(), 2u); // the frm was not told
}

TEST_F(PopupWithFrm, EscapeHidesThePopup) {
  AddTexts({u"one"});
  Frm->ShowPopup();
  ASSERT_TRUE(WaitUntil([&] { return Popup.isVisible(); }));
  EXPECT_TRUE(Popup.HideTimerEnabled());
  SendKey(Popup.SearchEdit(), Qt::Key_Escape);
  EXPECT_FALSE(Popup.isVisible());
  EXPECT_FALSE(Popup.HideTimerEnabled());
}

TEST_F(PopupWithFrm, TheHintShowsTheWholeTextOnceAndAgainAfterACancel) {
  AddTexts({u"second\tline & more", u"first"});
  Frm->ShowPopup();
  ASSERT_TRUE(WaitUntil([&] { return Popup.isVisible(); }));
  const QRect Row1 = Popup.Grid().CellRect(1, 1);
  QCursor::setPos(Popup.Grid().mapToGlobal(Row1.center()));
  QMouseEvent Move(QEvent::MouseMove, QPointF(Row1.center()), QPointF(Popup.Grid().mapToGlobal(Row1.center())),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&Popup.Grid(), &Move);
  ASSERT_TRUE(Popup.Hint().IsShowing());
  const TMultiLineHintWindow& Hint = *Popup.Hint().Window();
  EXPECT_EQ(Hint.HintText(), QStringLiteral("second\tline & more"));
  EXPECT_TRUE(Hint.windowFlags().testFlag(Qt::ToolTip));
  EXPECT_TRUE(Hint.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_TRUE(Hint.testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_TRUE(Hint.testAttribute(Qt::WA_ShowWithoutActivating));
  const QSize Text = TMultiLineHintWindow::LayoutSize(Hint.font(), Hint.HintText(),
                                                      HintWrapWidth(QGuiApplication::primaryScreen()->geometry().width()));
  EXPECT_EQ(Hint.size(), Text + QSize(HintExtraWidth, HintExtraHeight));
  // Below the pointer by the pointer's height.
  EXPECT_EQ(Hint.geometry().top(), QCursor::pos().y() + THintController::CursorHeight());

  // Moving over the same entry keeps the same hint window; a cancel lets the next move show again.
  const TMultiLineHintWindow* Shown = Popup.Hint().Window();
  QApplication::sendEvent(&Popup.Grid(), &Move);
  EXPECT_EQ(Popup.Hint().Window(), Shown);
  Popup.ResetGridHints();
  EXPECT_FALSE(Popup.Hint().IsShowing());
  QApplication::sendEvent(&Popup.Grid(), &Move);
  EXPECT_TRUE(Popup.Hint().IsShowing());
  Popup.HideWindow();
  EXPECT_FALSE(Popup.Hint().IsShowing());
}

TEST_F(PopupWindow, LongHintTextsWrapAtAQuarterOfTheScreen) {
  THintController Hint;
  std::u16string Long;
  for (int I = 0; I < 60; ++I) Long += u"word ";
  Hint.ShowAtPointer(Long);
  ASSERT_TRUE(Hint.IsShowing());
  const int Wrap = HintWrapWidth(QGuiApplication::primaryScreen()->geometry().width());
  EXPECT_LE(Hint.Window()->width(), Wrap + HintExtraWidth);
  EXPECT_GT(Hint.Window()->height(), 3 * Hint.Window()->fontMetrics().height());
  // Pale cyan inside the frame.
  const QImage Picture = const_cast<TMultiLineHintWindow*>(Hint.Window())->grab().toImage();
  EXPECT_EQ(Picture.pixelColor(Picture.width() - 3, Picture.height() - 2), QColor(225, 255, 255));
  Hint.ShowAtPointer(u"");
  EXPECT_FALSE(Hint.IsShowing());
}

TEST_F(PopupWithFrm, UnderAWindowManagerTheOuterSizeHoldsWithTheRealFrame) {
  TX11TestEnvironment::Instance().StartWindowManager();
  AddTexts({u"one"});
  Frm->ShowPopup();
  ASSERT_TRUE(WaitUntil([&] { return Popup.FrameMeasured(); }));
  const int Requested = Popup.OuterHeight();
  Popup.SetOuterHeight(300);
  ASSERT_TRUE(WaitUntil([&] { return Popup.frameGeometry().height() == 300; })) << Popup.frameGeometry().height();
  EXPECT_GT(Popup.FrameMargins().top(), 0); // a title bar
  EXPECT_EQ(Popup.OuterHeight(), 300);
  EXPECT_EQ(Popup.height() + Popup.FrameHeight(), 300);
  // The window's position is its frame's.
  Popup.SetPosition(100, 120);
  ASSERT_TRUE(WaitUntil([&] { return Popup.frameGeometry().topLeft() == QPoint(100, 120); }))
      << Popup.frameGeometry().x() << "," << Popup.frameGeometry().y();
  (void)Requested;
  // A utility window that no taskbar lists, also after hiding and showing again.
  Popup.HideWindow();
  Frm->ShowPopup();
  ASSERT_TRUE(WaitUntil([&] { return Popup.isVisible() && Popup.windowHandle()->isExposed(); }));
  std::string Props;
  const auto ReadProps = [&] {
    Props = test::RunProcess({"xprop", "-id", std::to_string(Popup.winId()), "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE"})
                .Output;
    return Props.find("_NET_WM_STATE_SKIP_TASKBAR") != std::string::npos;
  };
  EXPECT_TRUE(WaitUntil(ReadProps)) << Props;
  EXPECT_NE(Props.find("_NET_WM_WINDOW_TYPE_UTILITY"), std::string::npos);
  // A close the window manager asks for only hides the popup.
  Popup.windowHandle()->close();
  EXPECT_FALSE(Popup.isVisible());
  TX11TestEnvironment::Instance().StopWindowManager();
}

TEST_F(PopupWithFrm, PictureWithJapaneseTextAndEmojiMarks) {
  // A thumbnail for the image row, in the fake codec the fake imaging reads.
  const TImage Thumb = test::TFakeImaging::SolidImage(20, 20, 0xFF7D4FB5);
  ForceDirectories(ResizeImagesDir());
  const TBytes Bmp = F.Imaging.EncodeBmp24(Thumb);
  test::WriteFileBytes(ResizeImagesDir() + u"0123abcd.bmp", std::string(Bmp.begin(), Bmp.end()));

  Frm->History().SetMaxItems(8);
  Frm->History().AddText(u"ピン留めしたメモ：会議は午後3時から");
  Frm->History().AddImage(u"0123abcd.png");
  Frm->History().AddFiles(u"/home/user/書類/報告書.pdf\r\n/home/user/書類/見積書.xlsx");
  Frm->History().AddText(u"Tom & Jerry — 絵文字 😀 も表示されます");
  Frm->History().AddText(u"日本語のテキストはとても長くなることがあるので末尾は省略記号で切られます");
  Frm->History().TogglePin(Frm->History().Items().Count() - 1);
  // As the program shows it: in its theme.
  QApplication& App = TX11TestEnvironment::Instance().App();
  const QString SheetBefore = App.styleSheet();
  ASSERT_TRUE(ApplyTheme(App));
  struct TRestore {
    QApplication& App;
    QString Sheet;
    ~TRestore() { App.setStyleSheet(Sheet); }
  } Restore{App, SheetBefore};
  Frm->ApplyLayout(0);
  Frm->RebuildView();
  Frm->RefreshGrid();
  F.Screen.Cursor = {40, 40};
  Frm->ShowPopup();
  ASSERT_TRUE(WaitUntil([&] { return Popup.isVisible() && Popup.windowHandle()->isExposed(); }));
  Popup.SetCurrentRow(1);
  Popup.RepaintNow();

  const QImage Shot = Popup.grab().toImage();
  const fs::path File = ScreenshotFolder() / "popup.png";
  ASSERT_TRUE(Shot.save(QString::fromStdString(File.string())));
  std::cout << "popup picture: " << File << "\n";
  // The selected row is in the highlight colour, the others on the base colour.
  const QRect Selected = Popup.Grid().CellRect(1, 1).translated(Popup.Grid().pos());
  EXPECT_EQ(Shot.pixelColor(Selected.right() - 2, Selected.top() + 2),
            Popup.Grid().palette().color(QPalette::Active, QPalette::Highlight));
  const QRect Other = Popup.Grid().CellRect(1, 2).translated(Popup.Grid().pos());
  EXPECT_EQ(Shot.pixelColor(Other.right() - 2, Other.top() + 2),
            Popup.Grid().palette().color(QPalette::Active, QPalette::Base));
  // The thumbnail is centred in the text column of the image row.
  const QRect ImageCell = Popup.Grid().CellRect(1, 4).translated(Popup.Grid().pos());
  EXPECT_EQ(Shot.pixelColor(ImageCell.center()), QColor(0x7D, 0x4F, 0xB5));
}

} // namespace
} // namespace vm
