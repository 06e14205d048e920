#include "platform/linux/qt_screen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <limits>

#include "platform/linux/qt_ui_support.h"

namespace vm {
namespace {

TRect ToRect(const QRect& ARect) {
  // Right and bottom lie just outside the area, as the desktop's rectangles have them.
  return TRect{ARect.x(), ARect.y(), ARect.x() + ARect.width(), ARect.y() + ARect.height()};
}

long long DistanceSquared(const QRect& ARect, const QPoint& APoint) {
  const long long Dx = APoint.x() < ARect.left() ? ARect.left() - APoint.x()
                       : APoint.x() > ARect.right() ? APoint.x() - ARect.right()
                                                    : 0;
  const long long Dy = APoint.y() < ARect.top() ? ARect.top() - APoint.y()
                       : APoint.y() > ARect.bottom() ? APoint.y() - ARect.bottom()
                                                     : 0;
  return Dx * Dx + Dy * Dy;
}

QScreen* NearestScreen(const QPoint& APoint) {
  if (QScreen* Under = QGuiApplication::screenAt(APoint)) return Under;
  QScreen* Nearest = QGuiApplication::primaryScreen();
  long long Best = std::numeric_limits<long long>::max();
  for (QScreen* Screen : QGuiApplication::screens()) {
    const long long Distance = DistanceSquared(Screen->geometry(), APoint);
    if (Distance < Best) {
      Best = Distance;
      Nearest = Screen;
    }
  }
  return Nearest;
}

} // namespace

TPoint TQtScreen::GetCursorPos() {
  const QPoint Pos = QCursor::pos();
  return TPoint{Pos.x(), Pos.y()};
}

TRect TQtScreen::WorkAreaNearPoint(TPoint APoint) {
  QScreen* Screen = NearestScreen(QPoint(APoint.X, APoint.Y));
  return Screen ? ToRect(Screen->availableGeometry()) : TRect{};
}

TRect TQtScreen::WorkAreaNearMainWindow() {
  QScreen* Screen = FMainWindow ? FMainWindow->screen() : nullptr;
  if (!Screen) Screen = QGuiApplication::primaryScreen();
  return Screen ? ToRect(Screen->availableGeometry()) : TRect{};
}

int TQtScreen::SystemDpi() { return ui::ScreenDpi(); }

int TQtScreen::PrimaryScreenWidth() {
  QScreen* Screen = QGuiApplication::primaryScreen();
  return Screen ? Screen->geometry().width() : 0;
}

} // namespace vm
