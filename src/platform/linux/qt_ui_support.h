#pragma once
// Small pieces every window of the Linux program shares: strings between the core and Qt, the
// screen's DPI and the sizes scaled from it, the fonts with their fallbacks, pictures and the
// program's icon.
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QString>

#include <string>

class QScreen;

#include "platform/geometry.h"
#include "platform/imaging.h"

namespace vm::ui {

inline QString Qs(const std::u16string& AText) { return QString::fromStdU16String(AText); }
inline QString Qs(std::u16string_view AText) {
  return QString(reinterpret_cast<const QChar*>(AText.data()), static_cast<qsizetype>(AText.size()));
}
inline std::u16string U16(const QString& AText) { return AText.toStdU16String(); }

// The DPI the program lays its windows out for (it scales them itself; Qt's scaling is off): on
// X11 the display's (Xft.dpi, else the X screen's physical DPI, see x11_dpi.h), the same on every
// screen; elsewhere AScreen's logical DPI (the primary screen's when AScreen is null). 96 when
// nothing answers.
int ScreenDpi(const QScreen* AScreen = nullptr);
// A size designed at 96 DPI, for the given DPI (rounded half to even, as the program rounds).
int ScaleFromDesign(int APixels, int ADpi);

// The main window's font: "Segoe UI Emoji" where it is installed, otherwise the Japanese and the
// colour emoji faces of the Noto families, APixelHeight pixels high. The text face comes before
// the emoji face: a colour emoji face put first would draw digits and '#' as emoji.
QFont MainWindowFont(int APixelHeight);
// The settings dialog's font: "Segoe UI" where installed, else "Noto Sans CJK JP".
QFont DialogFont(int APixelHeight);

// A decoded picture of the core (0xAARRGGBB, straight alpha) as a QImage, deep-copied. AOpaque
// ignores the alpha channel, for pictures that have none (24-bit bitmaps such as thumbnails).
QImage ToQImage(const TImage& AImage, bool AOpaque = false);

// The program's icon: the pictures compiled into the program (":/icons/..."), or, where they
// are not (the unit tests link no resources), the same design drawn at run time.
QIcon ProgramIcon();

inline QPoint ToQPoint(TPoint APoint) { return {APoint.X, APoint.Y}; }
inline QRect ToQRect(const TRect& ARect) { return QRect(ARect.Left, ARect.Top, ARect.Width(), ARect.Height()); }
inline TRect ToTRect(const QRect& ARect) {
  return {ARect.left(), ARect.top(), ARect.left() + ARect.width(), ARect.top() + ARect.height()};
}

} // namespace vm::ui
