#include "platform/linux/qt_ui_support.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <cstring>

#include "platform/linux/x11_dpi.h"
#include "support/rounding.h"

namespace vm::ui {

namespace {

QStringList AvailableFamilies(std::initializer_list<const char*> APreferred) {
  QStringList Families;
  for (const char* Family : APreferred) Families << QString::fromUtf8(Family);
  return Families;
}

// Faces that are not installed are dropped, so that the first face really is a text face.
QStringList InstalledOnly(const QStringList& AFamilies) {
  QStringList Out;
  for (const QString& Family : AFamilies)
    if (QFontDatabase::hasFamily(Family)) Out << Family;
  return Out;
}

QStringList MainFamilies() {
  QStringList Families = InstalledOnly(AvailableFamilies({"Segoe UI Emoji", "Noto Sans CJK JP", "Noto Color Emoji"}));
  if (Families.isEmpty()) Families << QStringLiteral("Sans Serif");
  return Families;
}

void DrawIcon(QPainter& APainter, int ASize) {
  APainter.setRenderHint(QPainter::Antialiasing);
  const qreal S = ASize / 32.0;
  QPainterPath Square;
  Square.addRoundedRect(QRectF(1 * S, 1 * S, 30 * S, 30 * S), 6 * S, 6 * S);
  APainter.fillPath(Square, QColor(0x7d, 0x4f, 0xb5));
  // The clipboard: a white board with a clip on its top edge and three lines of text.
  APainter.setPen(Qt::NoPen);
  APainter.setBrush(Qt::white);
  APainter.drawRoundedRect(QRectF(8 * S, 7 * S, 16 * S, 20 * S), 2 * S, 2 * S);
  APainter.setBrush(QColor(0x4a, 0x23, 0x78));
  APainter.drawRoundedRect(QRectF(12 * S, 4 * S, 8 * S, 6 * S), 1.5 * S, 1.5 * S);
  APainter.setBrush(QColor(0xd8, 0xc6, 0xef));
  APainter.drawRoundedRect(QRectF(13 * S, 5 * S, 6 * S, 4 * S), 1 * S, 1 * S);
  APainter.setBrush(QColor(0x7d, 0x4f, 0xb5));
  APainter.drawRect(QRectF(11 * S, 14 * S, 10 * S, 1.5 * S));
  APainter.drawRect(QRectF(11 * S, 18 * S, 10 * S, 1.5 * S));
  APainter.drawRect(QRectF(11 * S, 22 * S, 7 * S, 1.5 * S));
}

} // namespace

int ScreenDpi(const QScreen* AScreen) {
  if (const int Dpi = X11DisplayDpi(); Dpi > 0) return Dpi;
  const QScreen* Screen = AScreen ? AScreen : QGuiApplication::primaryScreen();
  if (!Screen) return 96;
  const int Dpi = RoundHalfEven(Screen->logicalDotsPerInch());
  return Dpi > 0 ? Dpi : 96;
}

int ScaleFromDesign(int APixels, int ADpi) {
  if (ADpi <= 0) ADpi = 96;
  return RoundHalfEven(static_cast<double>(APixels) * ADpi / 96.0);
}

QFont MainWindowFont(int APixelHeight) {
  QFont Font;
  Font.setFamilies(MainFamilies());
  Font.setPixelSize(APixelHeight > 0 ? APixelHeight : 11);
  return Font;
}

QFont DialogFont(int APixelHeight) {
  QFont Font;
  QStringList Families = InstalledOnly(AvailableFamilies({"Segoe UI", "Noto Sans CJK JP"}));
  if (Families.isEmpty()) Families << QStringLiteral("Sans Serif");
  Font.setFamilies(Families);
  Font.setPixelSize(APixelHeight > 0 ? APixelHeight : 12);
  return Font;
}

QImage ToQImage(const TImage& AImage, bool AOpaque) {
  if (AImage.Empty() || AImage.Pixels.size() < static_cast<std::size_t>(AImage.Width) * AImage.Height) return {};
  QImage Image(AImage.Width, AImage.Height, AOpaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
  if (Image.isNull()) return {};
  for (int Y = 0; Y < AImage.Height; ++Y) {
    auto* Line = reinterpret_cast<std::uint32_t*>(Image.scanLine(Y));
    std::memcpy(Line, AImage.Pixels.data() + static_cast<std::size_t>(Y) * AImage.Width,
                static_cast<std::size_t>(AImage.Width) * sizeof(std::uint32_t));
    // Qt expects 0xFF in the unused byte of its opaque format.
    if (AOpaque)
      for (int X = 0; X < AImage.Width; ++X) Line[X] |= 0xFF000000u;
  }
  return Image;
}

QIcon ProgramIcon() {
  QIcon Icon;
  for (const char* Name : {":/icons/vellomarch-32.png", ":/icons/vellomarch-64.png"}) {
    // Read as the PNG it is: left to guess, Qt would load every image-format plugin to ask each
    // about the file, and keep them all loaded.
    QImageReader Reader(QString::fromUtf8(Name), "png");
    Reader.setAutoDetectImageFormat(false);
    const QImage Picture = Reader.read();
    if (!Picture.isNull()) Icon.addPixmap(QPixmap::fromImage(Picture));
  }
  if (!Icon.isNull()) return Icon;
  for (int Size : {32, 64}) {
    QPixmap Picture(Size, Size);
    Picture.fill(Qt::transparent);
    QPainter Painter(&Picture);
    DrawIcon(Painter, Size);
    Painter.end();
    Icon.addPixmap(Picture);
  }
  return Icon;
}

} // namespace vm::ui
