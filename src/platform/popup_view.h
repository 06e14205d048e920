#pragma once
// The main window as the core sees it: the popup with its search box, its two-column grid, its
// hint and its 200 ms hide timer. The platform draws; TVellomarchFrm decides.
//
// Events go the other way: the platform calls TVellomarchFrm's handlers (SearchEditChange on a
// change the user made, ClipHistoryGridDrawCell for every cell it paints, ClipHistoryGridMouseMove,
// ClipHistoryGridMouseDown, FormKeyDown with key preview, HideTimerTimer). FormShow is run by the
// core itself when ShowPopup makes the hidden window visible.
#include <string>

#include "platform/geometry.h"

namespace vm {

enum class TCursorShape { Arrow, HandPoint };

struct TGridCell {
  int Col = -1, Row = -1; // -1 when the point is on no cell
};

class IPopupView {
public:
  virtual ~IPopupView() = default;

  // --- The window ---
  virtual TWindowHandle Handle() = 0;
  virtual bool IsVisible() = 0;
  // Visible and on top of the z-order (not yet the foreground window).
  virtual void ShowWindow() = 0;
  virtual void HideWindow() = 0;
  virtual void SetPosition(int ALeft, int ATop) = 0;
  virtual int OuterWidth() = 0;
  virtual int OuterHeight() = 0;
  virtual void SetOuterWidth(int AWidth) = 0;
  virtual void SetOuterHeight(int AHeight) = 0;
  // Outer height minus client height.
  virtual int FrameHeight() = 0;
  virtual void RepaintNow() = 0;
  // Ends the message loop: the program shuts down.
  virtual void Close() = 0;
  virtual void SetHideTimerEnabled(bool AEnabled) = 0;
  virtual bool HideTimerEnabled() = 0;

  // --- SearchEdit ---
  virtual std::u16string SearchText() = 0;
  // Sets the text without raising the change event (the core calls SearchEditChange itself).
  virtual void SetSearchText(const std::u16string& AText) = 0;
  virtual int SearchEditHeight() = 0;
  virtual bool CanFocusSearch() = 0;
  virtual void FocusSearch() = 0;

  // --- ClipHistoryGrid ---
  virtual void SetRowCount(int ACount) = 0;
  virtual int RowCount() = 0;
  virtual void SetCell(int ACol, int ARow, const std::u16string& AText) = 0;
  virtual std::u16string Cell(int ACol, int ARow) = 0;
  virtual int CurrentRow() = 0;
  // Also scrolls the row into view.
  virtual void SetCurrentRow(int ARow) = 0;
  virtual void SetDefaultRowHeight(int APixels) = 0;
  virtual void SetGridFontSize(int APoints) = 0;
  virtual void SetColWidth(int ACol, int APixels) = 0;
  virtual int GridClientWidth() = 0;
  virtual TGridCell MouseToCell(int AX, int AY) = 0;
  virtual void InvalidateGrid() = 0;
  virtual void SetGridCursor(TCursorShape AShape) = 0;

  // --- The hover hint ---
  virtual void SetGridHint(const std::u16string& AText) = 0;
  virtual void HideHint() = 0;
  // Switches the grid's hints off and on again, dropping a pending hint.
  virtual void ResetGridHints() = 0;
};

} // namespace vm
