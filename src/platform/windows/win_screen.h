#pragma once
// Pointer, monitors' work areas, the system DPI and the primary screen on Windows.
#include <windows.h>

#include "platform/screen.h"

namespace vm {

class TWinScreen : public IScreen {
public:
  explicit TWinScreen(HWND AMainWindow = nullptr) : FMainWindow(AMainWindow) {}
  void SetMainWindow(HWND AWindow) { FMainWindow = AWindow; }

  TPoint GetCursorPos() override;
  TRect WorkAreaNearPoint(TPoint APoint) override;
  TRect WorkAreaNearMainWindow() override;
  // GetDpiForSystem where the system has it (Windows 10 1607 on), else the screen's LOGPIXELSX.
  int SystemDpi() override;
  int PrimaryScreenWidth() override;

private:
  HWND FMainWindow;
};

} // namespace vm
