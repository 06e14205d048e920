#pragma once
// Plain geometry and handle types shared by the interfaces to the operating system.
#include <cstdint>

namespace vm {

// A native window handle (HWND on Windows, an X11 window id on Linux); 0 = none.
using TWindowHandle = std::uintptr_t;

struct TPoint {
  int X = 0, Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

} // namespace vm
