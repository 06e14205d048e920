#pragma once
// DPI of the system and of a window, for windows that lay themselves out from 96-DPI designs.
// The per-monitor functions are looked up at run time: where the system lacks them (before
// Windows 10 1607) the system-wide values serve.
#include <windows.h>

namespace vm {

// GetDpiForSystem, else the screen's LOGPIXELSX, else 96.
int SystemDpiOrDefault();
// GetDpiForWindow, else AFallback.
int WindowDpiOr(HWND AWindow, int AFallback);
// Grows a client rectangle to the window rectangle for ADpi (AdjustWindowRectExForDpi where the
// system has it, else AdjustWindowRectEx). No menu.
void AdjustWindowRectForDpi(RECT& ARect, DWORD AStyle, DWORD AExStyle, int ADpi);

} // namespace vm
