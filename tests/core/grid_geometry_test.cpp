#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "listview/grid_geometry.h"

namespace vm {
namespace {

// Marks column 30 wide, text column 100, rows 20 high: a row pitch of 21, cells 132 wide.
// 73 pixels of client height hold three whole rows and the top 10 pixels of a fourth.
TGridGeometry Grid(int ARowCount, int AClientHeight = 73, int ATopRow = 0) {
  return {{30, 100}, 20, GridLineWidth, ARowCount, AClientHeight, ATopRow};
}

TEST(GridGeometry, CellAtGivesEachLineToTheCellBeforeIt) {
  struct TCase {
    const char* Name;
    TGridGeometry Geometry;
    int X, Y, Col, Row;
  } const Cases[] = {
      {"first pixel", Grid(3), 0, 0, 0, 0},
      {"last pixel of the marks cell", Grid(3), 29, 19, 0, 0},
      {"the line right of the marks column", Grid(3), 30, 5, 0, 0},
      {"first pixel of the text column", Grid(3), 31, 5, 1, 0},
      {"last pixel of the text column", Grid(3), 130, 5, 1, 0},
      {"the line right of the text column", Grid(3), 131, 5, 1, 0},
      {"right of the cells", Grid(3), 132, 5, -1, -1},
      {"the line below row 0", Grid(3), 5, 20, 0, 0},
      {"first pixel of row 1", Grid(3), 5, 21, 0, 1},
      {"both lines at a corner", Grid(3), 30, 20, 0, 0},
      {"the line below the last row", Grid(3), 50, 62, 1, 2},
      {"below the last row", Grid(3), 5, 63, -1, -1},
      {"the partly visible last row", Grid(5), 5, 70, 0, 3},
      {"left of the grid", Grid(3), -1, 5, -1, -1},
      {"above the grid", Grid(3), 5, -1, -1, -1},
      {"scrolled: the top pixel is the top row", Grid(10, 73, 4), 5, 0, 0, 4},
      {"scrolled: the last row", Grid(10, 73, 7), 31, 2 * 21 + 2, 1, 9},
      {"scrolled: past the last row in the cut-off part", Grid(10, 73, 7), 31, 3 * 21 + 2, -1, -1},
      {"empty grid", Grid(0), 5, 5, -1, -1},
  };
  for (const TCase& Case : Cases) {
    const TGridCell Cell = Case.Geometry.CellAt(Case.X, Case.Y);
    EXPECT_EQ(Cell.Col, Case.Col) << Case.Name;
    EXPECT_EQ(Cell.Row, Case.Row) << Case.Name;
  }
}

TEST(GridGeometry, VisibleRowsAreTheWholeRowsTheLastLineMayBeCutOff) {
  struct TCase {
    int ClientHeight, Visible;
  } const Cases[] = {
      {0, 1},       // at least one, even with no room
      {19, 1},      // a part of a row counts as one, the minimum
      {20, 1},      // one row without its line
      {40, 1},      // two rows but for one pixel of the second
      {41, 2},      // two rows, the second without its line
      {62, 3},      // three rows, the third without the line below it
      {61, 2},
      {73, 3},      // three rows and a part of the fourth
      {84, 4},
  };
  for (const TCase& Case : Cases)
    EXPECT_EQ(Grid(10, Case.ClientHeight).VisibleRowCount(), Case.Visible) << Case.ClientHeight;
}

TEST(GridGeometry, TopRowToShowScrollsAsLittleAsPossible) {
  struct TCase {
    const char* Name;
    TGridGeometry Geometry;
    int Row, Top;
  } const Cases[] = {
      {"visible already", Grid(10, 73, 0), 1, 0},
      {"the last whole row", Grid(10, 73, 0), 2, 0},
      {"the partly visible row scrolls in whole", Grid(10, 73, 0), 3, 1},
      {"below the window: it becomes the last visible row", Grid(10, 73, 0), 5, 3},
      {"above the window: it becomes the top row", Grid(10, 73, 3), 1, 1},
      {"inside a scrolled window", Grid(10, 73, 3), 5, 3},
      {"the last row", Grid(10, 73, 0), 9, 7},
      {"a top row left too far down comes back", Grid(10, 73, 8), 8, 7},
      {"every row fits", Grid(2, 73, 1), 1, 0},
      {"no room for a whole row", Grid(10, 10, 0), 4, 4},
  };
  for (const TCase& Case : Cases) EXPECT_EQ(Case.Geometry.TopRowToShow(Case.Row), Case.Top) << Case.Name;
}

TEST(GridGeometry, ClampsRowsAndTopRowsIntoTheGrid) {
  EXPECT_EQ(Grid(10).ClampRow(-1), 0);
  EXPECT_EQ(Grid(10).ClampRow(12), 9);
  EXPECT_EQ(Grid(10).ClampRow(4), 4);
  EXPECT_EQ(Grid(0).ClampRow(3), 0);
  // Three rows visible: the top row never goes past row 7 of ten.
  EXPECT_EQ(Grid(10).ClampTopRow(-2), 0);
  EXPECT_EQ(Grid(10).ClampTopRow(7), 7);
  EXPECT_EQ(Grid(10).ClampTopRow(8), 7);
  EXPECT_EQ(Grid(2).ClampTopRow(1), 0);
  EXPECT_EQ(Grid(0).ClampTopRow(5), 0);
}

TEST(GridGeometry, CellRectsLeaveTheLinesOutAndFollowTheScroll) {
  EXPECT_EQ(Grid(3).CellRect(0, 0), (TRect{0, 0, 30, 20}));
  EXPECT_EQ(Grid(3).CellRect(1, 2), (TRect{31, 42, 131, 62}));
  EXPECT_EQ(Grid(10, 73, 2).CellRect(1, 2), (TRect{31, 0, 131, 20}));
  EXPECT_EQ(Grid(10, 73, 2).CellRect(0, 1), (TRect{0, -21, 30, -1}));
  // Every pixel of a cell's rectangle hits that cell.
  const TGridGeometry Scrolled = Grid(10, 73, 2);
  for (int Col = 0; Col < 2; ++Col) {
    const TRect Rect = Scrolled.CellRect(Col, 3);
    for (const auto& [X, Y] : {std::pair{Rect.Left, Rect.Top}, std::pair{Rect.Right - 1, Rect.Bottom - 1}}) {
      const TGridCell Cell = Scrolled.CellAt(X, Y);
      EXPECT_EQ(Cell.Col, Col);
      EXPECT_EQ(Cell.Row, 3);
    }
  }
}

TEST(GridGeometry, PaintsTheRowsThatShowAtLeastInPart) {
  struct TCase {
    const char* Name;
    TGridGeometry Geometry;
    int End;
  } const Cases[] = {
      {"the partly visible row is painted", Grid(10, 73), 4},
      {"a row whose top is the bottom edge is not", Grid(10, 63), 3},
      {"one pixel of it is enough", Grid(10, 64), 4},
      {"fewer rows than room", Grid(2, 73), 2},
      {"scrolled to the end", Grid(10, 73, 7), 10},
      {"no client height", Grid(10, 0), 0},
      {"empty grid", Grid(0), 0},
  };
  for (const TCase& Case : Cases) EXPECT_EQ(Case.Geometry.EndRowToPaint(), Case.End) << Case.Name;
}

TEST(GridGeometry, LinesRunBelowEachPaintedRowAndDownToTheLastOne) {
  EXPECT_EQ(Grid(2).LineRects(), (std::vector<TRect>{{0, 20, 132, 21},
                                                      {0, 41, 132, 42},
                                                      {30, 0, 31, 42},
                                                      {131, 0, 132, 42}}));
  // The partly visible row's line lies below the client area; the column lines reach it.
  const std::vector<TRect> Cut = Grid(10).LineRects();
  ASSERT_EQ(Cut.size(), 6u);
  EXPECT_EQ(Cut[3], (TRect{0, 83, 132, 84}));
  EXPECT_EQ(Cut[5], (TRect{131, 0, 132, 84}));
  EXPECT_TRUE(Grid(10, 0).LineRects().empty());
  EXPECT_TRUE(Grid(0).LineRects().empty());
}

} // namespace
} // namespace vm
