#pragma once
// Where the history grid's cells and lines lie, for both desktops' grids: two columns, one row
// height, thin lines between the cells, no header, no scroll bars, scrolled by whole rows.
//
// Rows follow each other at a pitch of row height plus line width from the top row at y = 0;
// column 1 starts one line to the right of column 0. Each cell owns the line to its right and
// the line below it, so a point on a line hits the cell before it. The last row shown may be cut
// off by the client's bottom edge: a point on its visible part hits it, but it does not count as
// a visible row, so making it current scrolls it into view whole.
#include <array>
#include <vector>

#include "platform/geometry.h"
#include "platform/popup_view.h"

namespace vm {

// The width of every line between the grid's cells, in pixels.
constexpr int GridLineWidth = 1;

// A snapshot of a grid's layout and scroll position; the grid keeps the state, this answers the
// questions about it.
struct TGridGeometry {
  std::array<int, 2> ColWidths{64, 64};
  int RowHeight = 24;
  int LineWidth = GridLineWidth;
  int RowCount = 1;
  int ClientHeight = 0;
  // The row drawn at the top of the client area.
  int TopRow = 0;

  // Row height plus line width (at least 1).
  int RowPitch() const;
  // Both columns with the line to the right of each.
  int CellsWidth() const;
  // Rows that fit whole into the client height, the line below the last one excepted; at least one.
  int VisibleRowCount() const;
  // ARow brought into 0 .. RowCount - 1 (0 for an empty grid).
  int ClampRow(int ARow) const;
  // ATopRow brought into range: never above row 0, never so far down that a whole visible row
  // could show more rows.
  int ClampTopRow(int ATopRow) const;
  // The top row after scrolling as little as possible from TopRow to show ARow whole.
  int TopRowToShow(int ARow) const;
  // The cell under the client point (AX, AY), or -1, -1 when the point is on no cell: left of
  // or above the grid, right of the text column's line, or below the last row.
  TGridCell CellAt(int AX, int AY) const;
  // The cell's rectangle in client coordinates (right and bottom exclusive), lines excluded.
  // Any column but 0 is the text column.
  TRect CellRect(int ACol, int ARow) const;
  // One past the last row that shows at least in part (rows TopRow up to it are painted).
  int EndRowToPaint() const;
  // The lines of the painted rows: one below each of them, then the one right of each column
  // down to the last of them. None when no row shows.
  std::vector<TRect> LineRects() const;
};

} // namespace vm
