#pragma once
// TMultiLineHintWindow: the list's hover hint on Windows. A pale cyan pop-up with a one-pixel
// frame and a drop shadow that never takes the focus and lets the pointer through, holding the
// entry's whole text wrapped at a quarter of the primary screen's width; it hides by itself after
// 3 s. Its rules (text, wrap width, size, colour, timing) are the core's (listview/hint_window.h).
#include <windows.h>

#include <string>

#include "platform/geometry.h"

namespace vm {

class TMultiLineHintWindow {
public:
  static constexpr const wchar_t* ClassName = L"TMultiLineHintWindow";
  static constexpr UINT_PTR HideTimerId = 1;

  explicit TMultiLineHintWindow(HINSTANCE AInstance = GetModuleHandleW(nullptr));
  ~TMultiLineHintWindow();
  TMultiLineHintWindow(const TMultiLineHintWindow&) = delete;
  TMultiLineHintWindow& operator=(const TMultiLineHintWindow&) = delete;

  // Every activation starts from a new native window: the old one is destroyed, a fresh one is
  // made, sized to the laid-out text with its corner at ACorner (screen pixels), shown without
  // activation and painted at once. AOwner keeps it above the popup.
  void ActivateHint(TPoint ACorner, const std::u16string& AText, HWND AOwner = nullptr);
  void Hide();
  bool IsShowing() const;
  HWND Handle() const { return FWindow; }
  const std::u16string& HintText() const { return FHintText; }
  HFONT Font() const { return FFont; }

  // The laid-out text in AFont: the widest line and the height of all lines, word-wrapped at
  // AWrapWidth, tabs expanded, '&' literal (DrawTextW with DT_CALCRECT).
  static SIZE LayoutSize(HFONT AFont, const std::u16string& AText, int AWrapWidth);
  // The window's outer size for AText in this hint's font: the layout at a quarter of the
  // primary screen plus the frame's share.
  SIZE OuterSize(const std::u16string& AText) const;
  // Where the tooltip placement puts a hint of AOuterSize for the pointer at APointer: just below
  // the pointer, by the pointer's height, pulled back onto the pointer's monitor.
  static TPoint CornerBelowPointer(POINT APointer, SIZE AOuterSize);

private:
  static LRESULT CALLBACK WindowProc(HWND AWindow, UINT AMessage, WPARAM AWParam, LPARAM ALParam);
  void DestroyNative();
  void Paint(HDC ADC);

  HINSTANCE FInstance;
  HWND FWindow = nullptr;
  HFONT FFont = nullptr;
  HBRUSH FBackground = nullptr;
  std::u16string FHintText;
};

} // namespace vm
