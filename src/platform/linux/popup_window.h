#pragma once
#include <optional>
// TPopupWindow: the main window of the Linux program, which is also the history popup: a
// fixed-size tool window with a title bar and no title-bar buttons, the search box on top and
// the owner-drawn two-column grid below. It carries out what TVellomarchFrm decides and forwards
// the user's keys, pointer and timer to its handlers.
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/vellomarch_frm.h"
#include "listview/grid_geometry.h"
#include "platform/linux/hint_window.h"
#include "platform/linux/x11_dpi.h"
#include "platform/popup_view.h"

namespace vm {

// ClipHistoryGrid: a grid of strings with two columns, one row height, thin lines between the
// cells and no scroll bars. Every cell is painted from the plan its DrawCell callback returns.
class TClipHistoryGrid final : public QWidget {
  Q_OBJECT
public:
  using TDrawCell = std::function<TCellPaint(int ACol, int ARow, const TRect& ARect)>;
  explicit TClipHistoryGrid(QWidget* AParent = nullptr);

  TDrawCell DrawCell;
  std::function<void(TMouseButton AButton, int AX, int AY)> OnMouseDown;
  std::function<void(int AX, int AY)> OnMouseMove;
  std::function<void()> OnMouseLeave;

  void SetRowCount(int ACount);
  int RowCount() const { return static_cast<int>(FCells.size()); }
  void SetCell(int ACol, int ARow, const std::u16string& AText);
  std::u16string Cell(int ACol, int ARow) const;
  int CurrentRow() const { return FCurrentRow; }
  // Clamped to the rows; scrolls so that the row is visible.
  void SetCurrentRow(int ARow);
  int TopRow() const { return FTopRow; }
  void SetDefaultRowHeight(int APixels);
  int DefaultRowHeight() const { return FRowHeight; }
  void SetColWidth(int ACol, int APixels);
  int ColWidth(int ACol) const { return FColWidths.at(static_cast<std::size_t>(ACol)); }
  // The layout and scroll position as they are now.
  TGridGeometry Geometry() const;
  int VisibleRowCount() const { return Geometry().VisibleRowCount(); }
  TGridCell MouseToCell(int AX, int AY) const { return Geometry().CellAt(AX, AY); }
  // A cell's rectangle in the grid's coordinates, lines excluded.
  QRect CellRect(int ACol, int ARow) const;

protected:
  void paintEvent(QPaintEvent* AEvent) override;
  void mousePressEvent(QMouseEvent* AEvent) override;
  void mouseMoveEvent(QMouseEvent* AEvent) override;
  void leaveEvent(QEvent* AEvent) override;
  void wheelEvent(QWheelEvent* AEvent) override;
  void resizeEvent(QResizeEvent* AEvent) override;

private:
  void ClampTopRow();
  void PaintCell(class QPainter& APainter, const QRect& ARect, const TCellPaint& APaint) const;
  QColor RoleColour(TColorRole ARole) const;

  std::vector<std::array<std::u16string, 2>> FCells;
  std::array<int, 2> FColWidths{64, 64};
  int FRowHeight = 24;
  int FCurrentRow = 0;
  int FTopRow = 0;
};

class TPopupWindow final : public QWidget, public IPopupView {
  Q_OBJECT
public:
  static constexpr int SearchEditPixelHeight = 23;
  static constexpr int HideTimerInterval = 200;

  // AFrm may be given later with SetFrm: the platform needs the view before the frm exists.
  explicit TPopupWindow(TVellomarchFrm* AFrm = nullptr);
  ~TPopupWindow() override;
  void SetFrm(TVellomarchFrm* AFrm) { FFrm = AFrm; }

  // Made on first use, as on the first showing.
  QLineEdit& SearchEdit();
  TClipHistoryGrid& Grid() { return *FGrid; }
  const THintController& Hint() const { return FHint; }
  // The frame (title bar and borders) around the client area: measured once the window
  // manager framed the shown window, assumed before that.
  QMargins FrameMargins() const;
  bool FrameMeasured() const { return FFrameMeasured; }

  // --- IPopupView ---
  TWindowHandle Handle() override;
  bool IsVisible() override { return isVisible(); }
  void ShowWindow() override;
  void HideWindow() override;
  void SetPosition(int ALeft, int ATop) override;
  int OuterWidth() override;
  int OuterHeight() override;
  void SetOuterWidth(int AWidth) override;
  void SetOuterHeight(int AHeight) override;
  int FrameHeight() override;
  void RepaintNow() override;
  void Close() override;
  void SetHideTimerEnabled(bool AEnabled) override;
  bool HideTimerEnabled() override { return FHideTimer.isActive(); }
  std::u16string SearchText() override;
  void SetSearchText(const std::u16string& AText) override;
  int SearchEditHeight() override { return SearchEditPixelHeight; }
  bool CanFocusSearch() override;
  void FocusSearch() override;
  void SetRowCount(int ACount) override { FGrid->SetRowCount(ACount); }
  int RowCount() override { return FGrid->RowCount(); }
  void SetCell(int ACol, int ARow, const std::u16string& AText) override { FGrid->SetCell(ACol, ARow, AText); }
  std::u16string Cell(int ACol, int ARow) override { return FGrid->Cell(ACol, ARow); }
  int CurrentRow() override { return FGrid->CurrentRow(); }
  void SetCurrentRow(int ARow) override { FGrid->SetCurrentRow(ARow); }
  void SetDefaultRowHeight(int APixels) override { FGrid->SetDefaultRowHeight(APixels); }
  void SetGridFontSize(int APoints) override;
  void SetColWidth(int ACol, int APixels) override { FGrid->SetColWidth(ACol, APixels); }
  int GridClientWidth() override { return FClientSize.width(); }
  TGridCell MouseToCell(int AX, int AY) override { return FGrid->MouseToCell(AX, AY); }
  void InvalidateGrid() override { FGrid->update(); }
  void SetGridCursor(TCursorShape AShape) override;
  void SetGridHint(const std::u16string& AText) override { FGridHint = AText; }
  void HideHint() override;
  void ResetGridHints() override;

  // The key as FormKeyDown sees it and whether the handler consumed it; for the key preview.
  bool PreviewKey(const QKeyEvent& AEvent);
  // Whether the search box and the fonts have been made: a program that was never called up
  // keeps neither (with the font database they come to about 4.5 MB of resident memory).
  bool ContentCreated() const { return FSearchEdit != nullptr; }
  void setVisible(bool AVisible) override;

signals:
  // Close() was called: the program's loop is ending.
  void CloseRequested();

protected:
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;
  bool nativeEvent(const QByteArray& AEventType, void* AMessage, qintptr* AResult) override;
  void closeEvent(QCloseEvent* AEvent) override;
  void moveEvent(QMoveEvent* AEvent) override;
  void showEvent(QShowEvent* AEvent) override;
  void hideEvent(QHideEvent* AEvent) override;

private:
  // The search box, the window's font and the grid's font, made before the first showing.
  void CreateContent();
  void ApplyClientSize();
  void LayOutChildren();
  void MeasureFrame();
  // Takes the window manager's frame as the real one; the client area keeps the height the layout
  // meant for it.
  void AdoptFrame(const QMargins& AFrame);
  // The window manager frames a newly mapped window a moment later, without moving its client
  // area: measure again a few times after showing and put the frame back where it belongs.
  void SettleFrame();
  void GridMouseMove(int AX, int AY);
  QMargins AssumedFrame() const;
  // The window's screen and that screen's DPI are watched; a DPI other than the one the window is
  // laid out for reaches WMDPIChanged.
  void FollowScreen(QScreen* AScreen);
  void CheckDpi();

  TVellomarchFrm* FFrm = nullptr;
  // Where the core last put the frame; placed again once the real frame is known.
  std::optional<QPoint> FRequestedPosition;
  QLineEdit* FSearchEdit = nullptr;
  // The search box's text while the box is not made yet.
  QString FPendingSearchText;
  TClipHistoryGrid* FGrid = nullptr;
  // The grid's font height in pixels, applied when the content is made.
  int FGridFontPixels = 0;
  QTimer FHideTimer;
  THintController FHint;
  std::u16string FGridHint;
  // The grid's hint was shown since the last cancel; another shows only after a cancel.
  bool FHintActive = false;
  QSize FClientSize{203, 249};
  int FRequestedOuterWidth = -1, FRequestedOuterHeight = -1;
  bool FFrameMeasured = false;
  QMargins FMeasuredFrame;
  bool FClosing = false;
  bool FSkipTaskbarAsked = false; // since this showing was mapped
  QPointer<QScreen> FDpiScreen;
  TX11ResourceWatcher FResourceWatcher;
  int FLayoutDpi = 0; // set to the system DPI, which FormCreate lays the window out for
};

} // namespace vm
