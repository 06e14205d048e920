#include "platform/linux/hint_window.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <climits>

#include "listview/hint_window.h"
#include "platform/linux/qt_ui_support.h"

namespace vm {

namespace {

// Word-wrapped at the box's width, tabs expanded, '&' shown as itself (no mnemonic flag).
constexpr int HintTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;

// The frame is one pixel; what is left of the core's extra size goes evenly around the text.
constexpr int FrameWidth = 1;
constexpr int TextLeft = HintExtraWidth / 2;
constexpr int TextTop = HintExtraHeight / 2;

int PrimaryScreenWidth() {
  const QScreen* Screen = QGuiApplication::primaryScreen();
  return Screen ? Screen->geometry().width() : 1024;
}

} // namespace

TMultiLineHintWindow::TMultiLineHintWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setObjectName(QStringLiteral("TMultiLineHintWindow"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setFont(QGuiApplication::font());
  FHideTimer.setSingleShot(true);
  FHideTimer.setInterval(HintHidePauseMs);
  connect(&FHideTimer, &QTimer::timeout, this, &QWidget::hide);
}

QSize TMultiLineHintWindow::LayoutSize(const QFont& AFont, const QString& AText, int AWrapWidth) {
  const QFontMetrics Metrics(AFont);
  const QRect Box(0, 0, std::max(1, AWrapWidth), INT_MAX / 4);
  return Metrics.boundingRect(Box, HintTextFlags, AText).size();
}

void TMultiLineHintWindow::ActivateHint(QPoint ACorner, const std::u16string& AText) {
  FHintText = ui::Qs(AText);
  FTextSize = LayoutSize(font(), FHintText, HintWrapWidth(PrimaryScreenWidth()));
  const TRect Bounds = HintBounds({ACorner.x(), ACorner.y()}, FTextSize.width(), FTextSize.height());
  QRect Outer = ui::ToQRect(Bounds);
  // Kept on the monitor under the corner, as the desktop's tooltips are; a hint larger than
  // the monitor keeps its top-left corner on it.
  if (const QScreen* Screen = QGuiApplication::screenAt(ACorner) ? QGuiApplication::screenAt(ACorner)
                                                                 : QGuiApplication::primaryScreen()) {
    const QRect Area = Screen->geometry();
    Outer.moveLeft(std::max(Area.left(), std::min(Outer.left(), Area.right() + 1 - Outer.width())));
    Outer.moveTop(std::max(Area.top(), std::min(Outer.top(), Area.bottom() + 1 - Outer.height())));
  }
  setGeometry(Outer);
  show();
  repaint();
  FHideTimer.start();
}

void TMultiLineHintWindow::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  Painter.fillRect(rect(), QColor(HintBackground.Red, HintBackground.Green, HintBackground.Blue));
  Painter.setPen(QColor(118, 118, 118));
  Painter.drawRect(rect().adjusted(0, 0, -FrameWidth, -FrameWidth));
  Painter.setPen(Qt::black);
  Painter.setFont(font());
  // Wrapped at the width the text was laid out in, so the lines break where they were measured.
  const QRect TextRect(TextLeft, TextTop, std::max(FTextSize.width(), width() - HintExtraWidth),
                       height() - HintExtraHeight);
  Painter.drawText(TextRect, HintTextFlags, FHintText);
}

// --- THintController ---------------------------------------------------------------------------

int THintController::CursorHeight() {
  // Qt does not tell a cursor's size; the standard arrow is drawn about 20 pixels high.
  return ui::ScaleFromDesign(20, ui::ScreenDpi());
}

void THintController::ShowAtPointer(const std::u16string& AText) {
  // Every activation starts from a new window.
  FWindow.reset();
  if (AText.empty()) return;
  FWindow = std::make_unique<TMultiLineHintWindow>();
  const QPoint Pointer = QCursor::pos();
  FWindow->ActivateHint(QPoint(Pointer.x(), Pointer.y() + CursorHeight()), AText);
}

void THintController::Hide() { FWindow.reset(); }

bool THintController::IsShowing() const { return FWindow && FWindow->isVisible(); }

} // namespace vm
