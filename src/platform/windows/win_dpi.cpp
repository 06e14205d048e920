#include "platform/windows/win_dpi.h"

namespace vm {
namespace {

template <typename TFunction> TFunction User32Function(const char* AName) {
  const HMODULE User32 = GetModuleHandleW(L"user32.dll");
  return User32 ? reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(User32, AName))) : nullptr;
}

} // namespace

int SystemDpiOrDefault() {
  using TGetDpiForSystem = UINT(WINAPI*)();
  static const auto GetDpi = User32Function<TGetDpiForSystem>("GetDpiForSystem");
  if (GetDpi)
    if (const UINT Dpi = GetDpi(); Dpi > 0) return static_cast<int>(Dpi);
  const HDC Screen = GetDC(nullptr);
  const int Dpi = Screen ? GetDeviceCaps(Screen, LOGPIXELSX) : 0;
  if (Screen) ReleaseDC(nullptr, Screen);
  return Dpi > 0 ? Dpi : USER_DEFAULT_SCREEN_DPI;
}

int WindowDpiOr(HWND AWindow, int AFallback) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto GetDpi = User32Function<TGetDpiForWindow>("GetDpiForWindow");
  if (GetDpi && AWindow)
    if (const UINT Dpi = GetDpi(AWindow); Dpi > 0) return static_cast<int>(Dpi);
  return AFallback;
}

void AdjustWindowRectForDpi(RECT& ARect, DWORD AStyle, DWORD AExStyle, int ADpi) {
  using TAdjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto Adjust = User32Function<TAdjust>("AdjustWindowRectExForDpi");
  if (Adjust && Adjust(&ARect, AStyle, FALSE, AExStyle, static_cast<UINT>(ADpi))) return;
  AdjustWindowRectEx(&ARect, AStyle, FALSE, AExStyle);
}

} // namespace vm
