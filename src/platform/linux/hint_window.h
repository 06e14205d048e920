#pragma once
// TMultiLineHintWindow: the list's hover hint on Linux. A pale cyan box with a thin frame just
// below the pointer, holding the whole text of the entry, wrapped at a quarter of the primary
// screen's width; it never takes the focus, lets the pointer through, and hides after 3 s.
// Its rules (text, wrap width, size, colour, timing) are the core's (listview/hint_window.h).
#include <QFont>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

namespace vm {

class TMultiLineHintWindow final : public QWidget {
  Q_OBJECT
public:
  TMultiLineHintWindow();

  // Lays the text out, sizes the window to it with its corner at ACorner (screen pixels; kept
  // on the screen under that point) and shows it without activating it.
  void ActivateHint(QPoint ACorner, const std::u16string& AText);
  const QString& HintText() const { return FHintText; }
  // The size of the laid-out text: the widest line and the height of all lines.
  static QSize LayoutSize(const QFont& AFont, const QString& AText, int AWrapWidth);

protected:
  void paintEvent(QPaintEvent* AEvent) override;

private:
  QString FHintText;
  QSize FTextSize;
  QTimer FHideTimer;
};

// The popup's side of the hint: makes a fresh hint window on every activation and drops it
// again, as the hint of the desktop the program was made for did.
class THintController {
public:
  // Shows AText (nothing when empty) just below the pointer, by the pointer's height.
  void ShowAtPointer(const std::u16string& AText);
  void Hide();
  bool IsShowing() const;
  const TMultiLineHintWindow* Window() const { return FWindow.get(); }

  // The pointer's height: 20 pixels at 96 DPI.
  static int CursorHeight();

private:
  std::unique_ptr<TMultiLineHintWindow> FWindow;
};

} // namespace vm
