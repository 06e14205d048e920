#pragma once
// Pointer position, monitors' work areas and the DPI.
#include "platform/geometry.h"

namespace vm {

class IScreen {
public:
  virtual ~IScreen() = default;
  virtual TPoint GetCursorPos() = 0;
  // The work area (monitor less taskbar and docked bars) of the monitor nearest to a point,
  // and of the monitor nearest to the main window.
  virtual TRect WorkAreaNearPoint(TPoint APoint) = 0;
  virtual TRect WorkAreaNearMainWindow() = 0;
  virtual int SystemDpi() = 0;
  // Width of the primary screen in pixels.
  virtual int PrimaryScreenWidth() = 0;
};

} // namespace vm
