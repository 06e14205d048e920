#include "listview/grid_geometry.h"

#include <algorithm>

namespace vm {

int TGridGeometry::RowPitch() const { return std::max(1, RowHeight + LineWidth); }

int TGridGeometry::CellsWidth() const { return ColWidths[0] + ColWidths[1] + 2 * LineWidth; }

int TGridGeometry::VisibleRowCount() const {
  // The line below the last row may be cut off; the row itself must fit whole.
  return std::max(1, (ClientHeight + LineWidth) / RowPitch());
}

int TGridGeometry::ClampRow(int ARow) const { return std::clamp(ARow, 0, std::max(0, RowCount - 1)); }

int TGridGeometry::ClampTopRow(int ATopRow) const {
  return std::clamp(ATopRow, 0, std::max(0, RowCount - VisibleRowCount()));
}

int TGridGeometry::TopRowToShow(int ARow) const {
  const int Visible = VisibleRowCount();
  int Top = TopRow;
  if (ARow < Top) Top = ARow;
  else if (ARow >= Top + Visible) Top = ARow - Visible + 1;
  return ClampTopRow(Top);
}

TGridCell TGridGeometry::CellAt(int AX, int AY) const {
  TGridCell Cell;
  if (AX < 0 || AY < 0) return Cell;
  const int Row = TopRow + AY / RowPitch();
  int Col = -1;
  if (AX < ColWidths[0] + LineWidth) Col = 0;
  else if (AX < CellsWidth()) Col = 1;
  if (Col < 0 || Row >= RowCount) return Cell;
  Cell.Col = Col;
  Cell.Row = Row;
  return Cell;
}

TRect TGridGeometry::CellRect(int ACol, int ARow) const {
  const bool Marks = ACol == 0;
  const int Left = Marks ? 0 : ColWidths[0] + LineWidth;
  const int Top = (ARow - TopRow) * RowPitch();
  return {Left, Top, Left + ColWidths[Marks ? 0 : 1], Top + RowHeight};
}

int TGridGeometry::EndRowToPaint() const {
  // Rows whose top lies above the client's bottom edge.
  const int Started = ClientHeight > 0 ? (ClientHeight + RowPitch() - 1) / RowPitch() : 0;
  return std::max(TopRow, std::min(RowCount, TopRow + Started));
}

std::vector<TRect> TGridGeometry::LineRects() const {
  std::vector<TRect> Lines;
  const int Width = CellsWidth();
  int Bottom = 0;
  for (int Row = TopRow; Row < EndRowToPaint(); ++Row) {
    const int Below = CellRect(0, Row).Bottom;
    Lines.push_back({0, Below, Width, Below + LineWidth});
    Bottom = Below + LineWidth;
  }
  if (Bottom > 0) {
    Lines.push_back({ColWidths[0], 0, ColWidths[0] + LineWidth, Bottom});
    Lines.push_back({Width - LineWidth, 0, Width, Bottom});
  }
  return Lines;
}

} // namespace vm
