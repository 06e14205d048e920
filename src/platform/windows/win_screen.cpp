#include "platform/windows/win_screen.h"

namespace vm {

namespace {

TRect WorkAreaOf(HMONITOR AMonitor) {
  MONITORINFO Info{};
  Info.cbSize = sizeof Info;
  if (!AMonitor || !GetMonitorInfoW(AMonitor, &Info)) {
    // No monitor to ask: the primary screen's work area.
    RECT Work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0);
    return {Work.left, Work.top, Work.right, Work.bottom};
  }
  return {Info.rcWork.left, Info.rcWork.top, Info.rcWork.right, Info.rcWork.bottom};
}

} // namespace

TPoint TWinScreen::GetCursorPos() {
  POINT Point{};
  ::GetCursorPos(&Point);
  return {Point.x, Point.y};
}

TRect TWinScreen::WorkAreaNearPoint(TPoint APoint) {
  return WorkAreaOf(MonitorFromPoint(POINT{APoint.X, APoint.Y}, MONITOR_DEFAULTTONEAREST));
}

TRect TWinScreen::WorkAreaNearMainWindow() {
  return WorkAreaOf(FMainWindow ? MonitorFromWindow(FMainWindow, MONITOR_DEFAULTTONEAREST)
                                : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

int TWinScreen::SystemDpi() {
  using TGetDpiForSystem = UINT(WINAPI*)();
  static const auto GetDpi = reinterpret_cast<TGetDpiForSystem>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForSystem")));
  if (GetDpi) {
    if (const UINT Dpi = GetDpi(); Dpi > 0) return static_cast<int>(Dpi);
  }
  const HDC Screen = GetDC(nullptr);
  const int Dpi = Screen ? GetDeviceCaps(Screen, LOGPIXELSX) : 0;
  if (Screen) ReleaseDC(nullptr, Screen);
  return Dpi > 0 ? Dpi : USER_DEFAULT_SCREEN_DPI;
}

int TWinScreen::PrimaryScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

} // namespace vm
