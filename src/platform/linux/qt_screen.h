#pragma once
// Pointer, work areas and DPI from Qt's screens. On X11 Qt takes a screen's available geometry
// from the window manager's _NET_WORKAREA, so panels and docks are left out where one publishes it.
#include "platform/screen.h"

class QWidget;

namespace vm {

class TQtScreen final : public IScreen {
public:
  // AMainWindow: the popup, whose screen WorkAreaNearMainWindow answers for (the primary
  // screen while it has none yet).
  explicit TQtScreen(QWidget* AMainWindow = nullptr) : FMainWindow(AMainWindow) {}
  void SetMainWindow(QWidget* AMainWindow) { FMainWindow = AMainWindow; }

  TPoint GetCursorPos() override;
  TRect WorkAreaNearPoint(TPoint APoint) override;
  TRect WorkAreaNearMainWindow() override;
  // The DPI the windows are laid out for (ui::ScreenDpi).
  int SystemDpi() override;
  int PrimaryScreenWidth() override;

private:
  QWidget* FMainWindow;
};

} // namespace vm
