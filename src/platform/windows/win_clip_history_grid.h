#pragma once
// ClipHistoryGrid on Windows: a child window of its own class holding a two-column grid of
// strings with one row height, thin lines between the cells and no scroll bars. Every cell is
// painted with GDI from the plan its DrawCell callback returns (the main window's
// ClipHistoryGridDrawCell); pointer, focus and keys go to callbacks.
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/vellomarch_frm.h"
#include "listview/grid_geometry.h"
#include "platform/popup_view.h"

namespace vm {

class TWinClipHistoryGrid {
public:
  using TDrawCell = std::function<TCellPaint(int ACol, int ARow, const TRect& ARect)>;
  static constexpr const wchar_t* ClassName = L"TClipHistoryGrid";
  // The face of the main window's font, also the list's.
  static constexpr const wchar_t* FontFace = L"Segoe UI Emoji";
  // DrawTextW flags of a cell: DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS.
  static constexpr UINT CellTextFlags = 0x8824;

  TWinClipHistoryGrid();
  ~TWinClipHistoryGrid();
  TWinClipHistoryGrid(const TWinClipHistoryGrid&) = delete;
  TWinClipHistoryGrid& operator=(const TWinClipHistoryGrid&) = delete;

  // Creates the child window (destroyed with its parent). False when the system refused.
  bool Create(HWND AParent, HINSTANCE AInstance, int AControlId);
  HWND Handle() const { return FWindow; }

  TDrawCell DrawCell;
  std::function<void(TMouseButton AButton, int AX, int AY)> OnMouseDown;
  std::function<void(int AX, int AY)> OnMouseMove;
  std::function<void()> OnMouseLeave;
  // Key preview: true when the key was consumed and must not reach the grid.
  std::function<bool(UINT AMessage, WPARAM AKey, LPARAM AFlags)> OnKeyDown;
  std::function<void()> OnSetFocus;

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
  // Points at the system DPI, as the main window's own font is measured.
  void SetFontPoints(int APoints);
  int FontPoints() const { return FFontPoints; }
  HFONT Font() const { return FFont; }
  void SetCursorShape(TCursorShape AShape);
  TCursorShape CursorShape() const { return FCursorShape; }

  int ClientWidth() const;
  int ClientHeight() const;
  // The layout and scroll position as they are now.
  TGridGeometry Geometry() const;
  int VisibleRowCount() const { return Geometry().VisibleRowCount(); }
  TGridCell MouseToCell(int AX, int AY) const { return Geometry().CellAt(AX, AY); }
  // A cell's rectangle in client coordinates, lines excluded.
  TRect CellRect(int ACol, int ARow) const { return Geometry().CellRect(ACol, ARow); }
  void Invalidate();
  // Paints the whole client area into ADC: the cells as DrawCell plans them, then the lines.
  void Paint(HDC ADC);

private:
  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  LRESULT HandleMessage(UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  void ClampTopRow();
  void PaintCell(HDC ADC, const TRect& ARect, const TCellPaint& APaint);
  void MouseDown(TMouseButton AButton, LPARAM ALParam);
  bool PointerOverGrid() const;

  HWND FWindow = nullptr;
  HFONT FFont = nullptr;
  int FFontPoints = 0;
  std::vector<std::array<std::u16string, 2>> FCells;
  std::array<int, 2> FColWidths{64, 64};
  int FRowHeight = 24;
  int FCurrentRow = 0;
  int FTopRow = 0;
  TCursorShape FCursorShape = TCursorShape::Arrow;
  bool FTrackingLeave = false;
  int FWheelRest = 0;
};

// COLORREF of a colour role of a cell plan, through the theme (black stays black).
COLORREF CellRoleColour(TColorRole ARole);

// The system DPI (GetDpiForSystem where present, else the screen's LOGPIXELSY).
int WinSystemDpi();

// A font of the list's face APixelHeight pixels high (character height, as CreateFontW's negative
// heights mean).
HFONT CreateListFont(int APixelHeight);

} // namespace vm
