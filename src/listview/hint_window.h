#pragma once
// The rules of the list's hover hint (TMultiLineHintWindow), shared by both desktop programs:
// what it shows, how wide it wraps, how big it is, its colour and its timing. Each desktop's
// hint window measures and paints with its own toolkit and asks these for every decision.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/geometry.h"

namespace vm {

// The hint appears as soon as the pointer rests on a row and hides by itself after 3 s.
inline constexpr int HintPauseMs = 0;
inline constexpr int HintHidePauseMs = 3000;

struct THintColour {
  std::uint8_t Red, Green, Blue;
  bool operator==(const THintColour&) const = default;
};

// A pale cyan, used in place of the desktop's tooltip colour.
inline constexpr THintColour HintBackground{225, 255, 255};

// The text is drawn from the client area's top-left corner, no inner margin. The frame and the
// shadow of the standard hint window take this much around the laid-out text.
inline constexpr int HintExtraWidth = 8;
inline constexpr int HintExtraHeight = 4;

// On Windows: DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX, for both measuring (with DT_CALCRECT)
// and painting: wrapped at word breaks, tabs expanded, '&' shown as itself.
inline constexpr std::uint32_t HintDrawTextFlags = 0x0010 | 0x0040 | 0x0800;

// A hint shows at most what the tallest screens can: 200 lines of at most 16,384 code units in
// all. Beyond that a hint only costs time to lay out and memory to paint (hovering a list of
// 10,000 paths made a window 32,767 pixels tall); a cut hint ends with "…".
inline constexpr std::size_t MaxHintLines = 200;
inline constexpr std::size_t MaxHintLength = 16384;

// The full text of the entry under the pointer (the main window's HoverText); the hint string
// the desktop offers only when that is empty. Either is cut to the bounds above.
std::u16string HintTextToShow(const std::u16string& AHoverText, const std::u16string& AHint);

// Texts wrap in a box a quarter of the primary screen wide (truncating division).
int HintWrapWidth(int APrimaryScreenWidth);

// The hint window's outer rectangle, frame included: its top-left corner where the desktop's
// tooltip placement put it, sized from the laid-out text (the widest line, which may exceed the
// wrap width for a single long word, and the height of all lines; there is no height limit).
TRect HintBounds(TPoint ACorner, int ALaidOutWidth, int ALaidOutHeight);

} // namespace vm
