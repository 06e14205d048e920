#include "platform/linux/popup_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>

#include "app/app_texts.h"
#include "listview/hint_window.h"
#include "platform/linux/qt_key_codes.h"
#include "platform/linux/qt_ui_support.h"
#include "platform/linux/x11_window_state.h"
#include "support/rounding.h"

namespace vm {

namespace {

// The main window's font is 11 pixels high, at any DPI: the program scales only what its layout
// computes (the grid's rows and font).
constexpr int MainFontPixelHeight = 11;
// The title bar and borders assumed until the window manager has framed the window once.
constexpr int AssumedTitleBarHeight = 24;
constexpr int AssumedBorderWidth = 1;

} // namespace

// --- TClipHistoryGrid ----------------------------------------------------------------------------

TClipHistoryGrid::TClipHistoryGrid(QWidget* AParent) : QWidget(AParent), FCells(1) {
  setObjectName(QStringLiteral("ClipHistoryGrid"));
  // Out of the tab order; a press gives it the focus until the search box gets it back.
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

void TClipHistoryGrid::SetRowCount(int ACount) {
  FCells.resize(static_cast<std::size_t>(std::max(0, ACount)));
  FCurrentRow = Geometry().ClampRow(FCurrentRow);
  ClampTopRow();
  update();
}

void TClipHistoryGrid::SetCell(int ACol, int ARow, const std::u16string& AText) {
  if (ACol < 0 || ACol > 1 || ARow < 0 || ARow >= RowCount()) return;
  FCells[static_cast<std::size_t>(ARow)][static_cast<std::size_t>(ACol)] = AText;
  update();
}

std::u16string TClipHistoryGrid::Cell(int ACol, int ARow) const {
  if (ACol < 0 || ACol > 1 || ARow < 0 || ARow >= RowCount()) return {};
  return FCells[static_cast<std::size_t>(ARow)][static_cast<std::size_t>(ACol)];
}

void TClipHistoryGrid::SetCurrentRow(int ARow) {
  FCurrentRow = Geometry().ClampRow(ARow);
  FTopRow = Geometry().TopRowToShow(FCurrentRow);
  update();
}

void TClipHistoryGrid::SetDefaultRowHeight(int APixels) {
  FRowHeight = std::max(1, APixels);
  ClampTopRow();
  update();
}

void TClipHistoryGrid::SetColWidth(int ACol, int APixels) {
  if (ACol < 0 || ACol > 1) return;
  FColWidths[static_cast<std::size_t>(ACol)] = std::max(0, APixels);
  update();
}

TGridGeometry TClipHistoryGrid::Geometry() const {
  return {FColWidths, FRowHeight, GridLineWidth, RowCount(), height(), FTopRow};
}

void TClipHistoryGrid::ClampTopRow() { FTopRow = Geometry().ClampTopRow(FTopRow); }

QRect TClipHistoryGrid::CellRect(int ACol, int ARow) const { return ui::ToQRect(Geometry().CellRect(ACol, ARow)); }

QColor TClipHistoryGrid::RoleColour(TColorRole ARole) const {
  switch (ARole) {
  case TColorRole::Highlight:
    return palette().color(QPalette::Active, QPalette::Highlight);
  case TColorRole::HighlightText:
    return palette().color(QPalette::Active, QPalette::HighlightedText);
  case TColorRole::WindowBackground:
    return palette().color(QPalette::Active, QPalette::Base);
  case TColorRole::Black:
    break;
  }
  return Qt::black;
}

void TClipHistoryGrid::PaintCell(QPainter& APainter, const QRect& ARect, const TCellPaint& APaint) const {
  APainter.save();
  APainter.setClipRect(ARect);
  APainter.fillRect(ARect, RoleColour(APaint.Background));
  if (APaint.Thumbnail) {
    // Thumbnails are 24-bit bitmaps: whatever their decoder left in the alpha byte is no alpha.
    const QImage Picture = ui::ToQImage(*APaint.Thumbnail, true);
    if (!Picture.isNull()) APainter.drawImage(ui::ToQPoint(APaint.ThumbnailPos), Picture);
  }
  if (!APaint.Text.empty()) {
    const QRect TextRect = ui::ToQRect(APaint.TextRect);
    const QString Elided =
        APainter.fontMetrics().elidedText(ui::Qs(APaint.Text), Qt::ElideRight, std::max(0, TextRect.width()));
    APainter.setPen(RoleColour(APaint.TextColor));
    // No Qt::TextShowMnemonic: '&' is drawn as itself.
    APainter.drawText(TextRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, Elided);
  }
  APainter.restore();
}

void TClipHistoryGrid::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  Painter.setFont(font());
  const QColor Base = palette().color(QPalette::Active, QPalette::Base);
  // The area beyond the cells shows the grid's own colour.
  Painter.fillRect(rect(), Base);
  const QColor LineColour(192, 192, 192);
  const TGridGeometry Cells = Geometry();
  for (int Row = Cells.TopRow; Row < Cells.EndRowToPaint(); ++Row) {
    for (int Col = 0; Col < 2; ++Col) {
      const TRect Rect = Cells.CellRect(Col, Row);
      const TCellPaint Paint = DrawCell ? DrawCell(Col, Row, Rect) : TCellPaint{};
      PaintCell(Painter, ui::ToQRect(Rect), Paint);
    }
  }
  for (const TRect& Line : Cells.LineRects()) Painter.fillRect(ui::ToQRect(Line), LineColour);
}

void TClipHistoryGrid::mousePressEvent(QMouseEvent* AEvent) {
  TMouseButton Button;
  switch (AEvent->button()) {
  case Qt::LeftButton:
    Button = TMouseButton::Left;
    break;
  case Qt::RightButton:
    Button = TMouseButton::Right;
    break;
  case Qt::MiddleButton:
    Button = TMouseButton::Middle;
    break;
  default:
    return;
  }
  setFocus(Qt::MouseFocusReason);
  const QPoint At = AEvent->position().toPoint();
  if (OnMouseDown) OnMouseDown(Button, At.x(), At.y());
}

void TClipHistoryGrid::mouseMoveEvent(QMouseEvent* AEvent) {
  const QPoint At = AEvent->position().toPoint();
  if (OnMouseMove) OnMouseMove(At.x(), At.y());
}

void TClipHistoryGrid::leaveEvent(QEvent*) {
  if (OnMouseLeave) OnMouseLeave();
}

void TClipHistoryGrid::wheelEvent(QWheelEvent* AEvent) {
  // Scrolls the rows without touching the selection.
  const int Steps = AEvent->angleDelta().y() / 120;
  if (Steps == 0) return;
  FTopRow = Geometry().ClampTopRow(FTopRow - Steps);
  update();
}

void TClipHistoryGrid::resizeEvent(QResizeEvent*) { ClampTopRow(); }

// --- TPopupWindow ---------------------------------------------------------------------------------

TPopupWindow::TPopupWindow(TVellomarchFrm* AFrm)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint), FFrm(AFrm),
      // Laid out again after the event that told of the change, not inside its dispatch.
      FResourceWatcher([this] { QMetaObject::invokeMethod(this, &TPopupWindow::CheckDpi, Qt::QueuedConnection); }) {
  setObjectName(QStringLiteral("TVellomarchFrm"));
  setWindowTitle(ui::Qs(std::u16string_view(texts::MainCaption)));
  setWindowIcon(ui::ProgramIcon());
  setAttribute(Qt::WA_StyledBackground);
  FLayoutDpi = ui::ScreenDpi();

  FGrid = new TClipHistoryGrid(this);
  FGrid->DrawCell = [this](int ACol, int ARow, const TRect& ARect) {
    if (FFrm) return FFrm->ClipHistoryGridDrawCell(ACol, ARow, ARect);
    // Without the frm (never in the program) the cells show their strings plainly.
    TCellPaint Paint;
    Paint.Text = FGrid->Cell(ACol, ARow);
    Paint.TextRect = ARect;
    Paint.TextRect.Left += 3;
    return Paint;
  };
  FGrid->OnMouseDown = [this](TMouseButton AButton, int AX, int AY) {
    if (FFrm) FFrm->ClipHistoryGridMouseDown(AButton, AX, AY);
  };
  FGrid->OnMouseMove = [this](int AX, int AY) { GridMouseMove(AX, AY); };
  FGrid->OnMouseLeave = [this] { HideHint(); };
  SetGridFontSize(10);

  FHideTimer.setInterval(HideTimerInterval);
  connect(&FHideTimer, &QTimer::timeout, this, [this] {
    if (FFrm) FFrm->HideTimerTimer();
  });

  // Key preview: the window sees every key before the control that has the focus.
  installEventFilter(this);
  FGrid->installEventFilter(this);

  ApplyClientSize();
  ui::RequestFrameExtents(*this);
}

void TPopupWindow::CreateContent() {
  if (FSearchEdit) return;
  // Looking the faces up starts the font database, and the search box lays its text out with them.
  setFont(ui::MainWindowFont(MainFontPixelHeight));
  if (FGridFontPixels > 0) FGrid->setFont(ui::MainWindowFont(FGridFontPixels));

  FSearchEdit = new QLineEdit(FPendingSearchText, this);
  FPendingSearchText.clear();
  FSearchEdit->setObjectName(QStringLiteral("SearchEdit"));
  FSearchEdit->setPlaceholderText(ui::Qs(std::u16string_view(texts::SearchPlaceholder)));
  QPalette EditPalette = FSearchEdit->palette();
  EditPalette.setColor(QPalette::PlaceholderText, QColor(128, 128, 128));
  FSearchEdit->setPalette(EditPalette);
  FSearchEdit->setFocusPolicy(Qt::StrongFocus);
  // Changes the user makes only; SetSearchText changes the text silently.
  connect(FSearchEdit, &QLineEdit::textEdited, this, [this] {
    if (FFrm) FFrm->SearchEditChange();
  });
  // First in the tab order, as it is first in the window.
  setTabOrder(FSearchEdit, FGrid);
  FSearchEdit->installEventFilter(this);
  LayOutChildren();
  if (isVisible()) FSearchEdit->show();
}

void TPopupWindow::setVisible(bool AVisible) {
  if (AVisible) CreateContent();
  QWidget::setVisible(AVisible);
}

QLineEdit& TPopupWindow::SearchEdit() {
  CreateContent();
  return *FSearchEdit;
}

TPopupWindow::~TPopupWindow() { FHideTimer.stop(); }

QMargins TPopupWindow::AssumedFrame() const {
  const int Dpi = ui::ScreenDpi();
  const int Border = ui::ScaleFromDesign(AssumedBorderWidth, Dpi);
  return QMargins(Border, ui::ScaleFromDesign(AssumedTitleBarHeight, Dpi) + Border, Border, Border);
}

QMargins TPopupWindow::FrameMargins() const { return FFrameMeasured ? FMeasuredFrame : AssumedFrame(); }

void TPopupWindow::MeasureFrame() {
  QWindow* Window = windowHandle();
  if (!isVisible() || !Window || !Window->isExposed()) return;
  AdoptFrame(Window->frameMargins());
}

void TPopupWindow::AdoptFrame(const QMargins& AFrame) {
  const QMargins& Frame = AFrame;
  if (FFrameMeasured && Frame == FMeasuredFrame) return;
  // The layout made the outer height the client's height plus the frame it was told of: the
  // client keeps that height with the real frame. The outer width is the width setting itself.
  if (FRequestedOuterHeight >= 0)
    FRequestedOuterHeight += Frame.top() + Frame.bottom() - (FrameMargins().top() + FrameMargins().bottom());
  FFrameMeasured = true;
  FMeasuredFrame = Frame;
  // The outer size and the frame position the core asked for hold with the real frame: before
  // the window manager framed the window, X11 placed its client area there instead.
  ApplyClientSize();
  if (isVisible() && FRequestedPosition && frameGeometry().topLeft() != *FRequestedPosition)
    move(*FRequestedPosition);
}

bool TPopupWindow::nativeEvent(const QByteArray& AEventType, void* AMessage, qintptr* AResult) {
  // The frame the window manager announced before the first showing (see the constructor), so
  // that the first showing already has its real outer size.
  if (!FFrameMeasured && ui::IsFrameExtentsChange(*this, AEventType, AMessage))
    if (const auto Frame = ui::FrameExtents(*this)) AdoptFrame(*Frame);
  // A window manager still busy with the last withdrawal may drop the state after the showing
  // asked for it (the request at the first exposure then went to a window it did not manage yet):
  // asked again whenever the state changes without it while the popup shows.
  if (FSkipTaskbarAsked && isVisible() && ui::IsWindowStateChange(*this, AEventType, AMessage) &&
      !ui::ListsSkipTaskbar(*this))
    ui::RequestSkipTaskbar(*this, true);
  return QWidget::nativeEvent(AEventType, AMessage, AResult);
}

void TPopupWindow::ApplyClientSize() {
  const QMargins Frame = FrameMargins();
  int Width = FClientSize.width(), Height = FClientSize.height();
  if (FRequestedOuterWidth >= 0) Width = FRequestedOuterWidth - Frame.left() - Frame.right();
  if (FRequestedOuterHeight >= 0) Height = FRequestedOuterHeight - Frame.top() - Frame.bottom();
  FClientSize = QSize(std::clamp(Width, 1, QWIDGETSIZE_MAX), std::clamp(Height, 1, QWIDGETSIZE_MAX));
  setFixedSize(FClientSize);
  LayOutChildren();
}

void TPopupWindow::LayOutChildren() {
  const int Width = FClientSize.width();
  if (FSearchEdit) FSearchEdit->setGeometry(0, 0, Width, SearchEditPixelHeight);
  FGrid->setGeometry(0, SearchEditPixelHeight, Width, std::max(0, FClientSize.height() - SearchEditPixelHeight));
}

TWindowHandle TPopupWindow::Handle() { return static_cast<TWindowHandle>(winId()); }

void TPopupWindow::ShowWindow() {
  show();
  raise();
  for (const int Delay : {50, 150, 400, 900}) {
    QPointer<TPopupWindow> Self(this);
    QTimer::singleShot(Delay, this, [Self] {
      if (Self) Self->SettleFrame();
    });
  }
}

void TPopupWindow::SettleFrame() {
  if (!isVisible()) return;
  MeasureFrame();
  if (FRequestedPosition && frameGeometry().topLeft() != *FRequestedPosition) move(*FRequestedPosition);
}

void TPopupWindow::HideWindow() {
  HideHint();
  hide();
}

void TPopupWindow::SetPosition(int ALeft, int ATop) {
  // A window's position is that of its frame.
  FRequestedPosition = QPoint(ALeft, ATop);
  move(ALeft, ATop);
}

int TPopupWindow::OuterWidth() {
  const QMargins Frame = FrameMargins();
  return FClientSize.width() + Frame.left() + Frame.right();
}

int TPopupWindow::OuterHeight() {
  const QMargins Frame = FrameMargins();
  return FClientSize.height() + Frame.top() + Frame.bottom();
}

void TPopupWindow::SetOuterWidth(int AWidth) {
  FRequestedOuterWidth = AWidth;
  ApplyClientSize();
}

void TPopupWindow::SetOuterHeight(int AHeight) {
  FRequestedOuterHeight = AHeight;
  ApplyClientSize();
}

int TPopupWindow::FrameHeight() {
  const QMargins Frame = FrameMargins();
  return Frame.top() + Frame.bottom();
}

void TPopupWindow::RepaintNow() { repaint(); }

void TPopupWindow::Close() {
  FClosing = true;
  FHideTimer.stop();
  HideHint();
  hide();
  emit CloseRequested();
  QCoreApplication::quit();
}

void TPopupWindow::SetHideTimerEnabled(bool AEnabled) {
  if (AEnabled) FHideTimer.start();
  else FHideTimer.stop();
}

std::u16string TPopupWindow::SearchText() { return ui::U16(FSearchEdit ? FSearchEdit->text() : FPendingSearchText); }

void TPopupWindow::SetSearchText(const std::u16string& AText) {
  if (FSearchEdit) FSearchEdit->setText(ui::Qs(AText));
  else FPendingSearchText = ui::Qs(AText);
}

bool TPopupWindow::CanFocusSearch() {
  return isVisible() && FSearchEdit && FSearchEdit->isEnabled() && FSearchEdit->isVisible();
}

void TPopupWindow::FocusSearch() { SearchEdit().setFocus(Qt::OtherFocusReason); }

void TPopupWindow::SetGridFontSize(int APoints) {
  // Points at the DPI the layout is for, which Qt's logical DPI is not when the display has no
  // Xft.dpi setting.
  FGridFontPixels = MulDiv(APoints > 0 ? APoints : 8, ui::ScreenDpi(screen()), 72);
  if (ContentCreated()) FGrid->setFont(ui::MainWindowFont(FGridFontPixels));
}

void TPopupWindow::FollowScreen(QScreen* AScreen) {
  if (FDpiScreen) disconnect(FDpiScreen, &QScreen::logicalDotsPerInchChanged, this, &TPopupWindow::CheckDpi);
  FDpiScreen = AScreen;
  if (AScreen) connect(AScreen, &QScreen::logicalDotsPerInchChanged, this, &TPopupWindow::CheckDpi);
  CheckDpi();
}

void TPopupWindow::CheckDpi() {
  const int Dpi = ui::ScreenDpi(screen());
  if (Dpi == FLayoutDpi) return;
  FLayoutDpi = Dpi;
  if (FFrm) FFrm->WMDPIChanged(Dpi);
}

void TPopupWindow::SetGridCursor(TCursorShape AShape) {
  FGrid->setCursor(AShape == TCursorShape::HandPoint ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TPopupWindow::HideHint() {
  FHint.Hide();
  FHintActive = false;
}

void TPopupWindow::ResetGridHints() { HideHint(); }

void TPopupWindow::GridMouseMove(int AX, int AY) {
  if (FFrm) FFrm->ClipHistoryGridMouseMove(AX, AY);
  // As the desktop's hints do: resting on the grid shows its hint at once, and once shown (even
  // after it timed out) the next shows only after a cancel, which a change of text makes.
  if (FHintActive || FGridHint.empty() || !isVisible()) return;
  FHintActive = true;
  FHint.ShowAtPointer(HintTextToShow(FFrm ? FFrm->HoverText() : std::u16string(), FGridHint));
}

bool TPopupWindow::PreviewKey(const QKeyEvent& AEvent) {
  std::uint16_t Key = ui::VirtualKeyFromEvent(AEvent);
  if (Key == 0 || !FFrm) return false;
  FFrm->FormKeyDown(Key, ui::ShiftStateFromModifiers(AEvent.modifiers()));
  return Key == 0;
}

bool TPopupWindow::eventFilter(QObject* AWatched, QEvent* AEvent) {
  if (AEvent->type() == QEvent::KeyPress && AWatched->isWidgetType()) {
    // The first receiver only: a key the search box ignores travels on to the window, and must
    // not reach FormKeyDown a second time.
    QWidget* First = QApplication::focusWidget();
    if (!First || First->window() != this) First = this;
    if (AWatched == First && PreviewKey(*static_cast<QKeyEvent*>(AEvent))) return true;
  } else if (AEvent->type() == QEvent::Expose && AWatched == windowHandle()) {
    QTimer::singleShot(0, this, [this] { MeasureFrame(); });
    if (!FSkipTaskbarAsked && isVisible()) {
      // Managed by now: the state the property asked for may have been dropped with the last
      // withdrawal (see RequestSkipTaskbar).
      FSkipTaskbarAsked = true;
      ui::RequestSkipTaskbar(*this, true);
    }
  }
  return QWidget::eventFilter(AWatched, AEvent);
}

void TPopupWindow::closeEvent(QCloseEvent* AEvent) {
  if (FClosing) {
    AEvent->accept();
    return;
  }
  // The window has no close box; a close the window manager asks for (Alt+F4) hides the popup
  // rather than ending the program behind the user's back.
  AEvent->ignore();
  if (FFrm) FFrm->HidePopup();
  else hide();
}

void TPopupWindow::moveEvent(QMoveEvent*) { MeasureFrame(); }

void TPopupWindow::showEvent(QShowEvent*) {
  // Sent before the window is mapped: no taskbar button and no title-bar buttons, as the window
  // manager learns on mapping.
  ui::RequestSkipTaskbar(*this);
  ui::SetMoveOnlyFrameHints(*this);
  if (QWindow* Window = windowHandle()) {
    Window->removeEventFilter(this);
    Window->installEventFilter(this);
    // The desktop's DPI-change message: the layout follows the DPI of the screen the window is on.
    if (connect(Window, &QWindow::screenChanged, this, &TPopupWindow::FollowScreen, Qt::UniqueConnection))
      FollowScreen(Window->screen());
  }
  MeasureFrame();
}

void TPopupWindow::hideEvent(QHideEvent*) {
  HideHint();
  FSkipTaskbarAsked = false;
}

} // namespace vm
