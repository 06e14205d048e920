#pragma once
// Keys as Qt reports them, turned into what the core works with: the desktop's virtual-key codes
// (the codes FormKeyDown, the settings file and the hotkeys speak), the shift state, and the
// hotkey code (TShortCut) of a key combination.
#include <QKeyEvent>

#include <cstdint>

#include "app/shortcut.h"
#include "app/vellomarch_frm.h"

namespace vm::ui {

// The virtual-key code of a Qt key; 0 for keys without one. With Qt::KeypadModifier the digits
// and operators are the numeric keypad's own codes (0x60 to 0x6F), never the main keyboard's:
// Ctrl with a keypad digit must not paste a row. Shifted punctuation of the US layout ("!", ":")
// gives the code of its key, for desktops that report no unshifted key (see UnshiftedQtKey).
std::uint16_t VirtualKeyFromQtKey(int AQtKey, Qt::KeyboardModifiers AModifiers);

TShiftState ShiftStateFromModifiers(Qt::KeyboardModifiers AModifiers);

// The hotkey code of a key combination: the key's code in the low byte, Shift 0x2000, Ctrl
// 0x4000, Alt 0x8000 (the Meta key has no bit and is dropped). 0 when the key has no code or is
// itself a modifier: a combination needs a real key.
TShortCut ShortCutFromQtKey(int AQtKey, Qt::KeyboardModifiers AModifiers);

// True for Shift, Ctrl, Alt, AltGr, Meta and the other keys that only modify.
bool IsModifierQtKey(int AQtKey);

// The Qt key of the pressed key as it would be without Shift: on X11 the keyboard's level-one
// symbol of the event's key code in its active group (Shift+1 is "1", not "!"), for the
// letters, digits and punctuation of the main keyboard. Elsewhere, or for other keys, the
// event's own key.
int UnshiftedQtKey(const QKeyEvent& AEvent);

// UnshiftedQtKey, then VirtualKeyFromQtKey.
std::uint16_t VirtualKeyFromEvent(const QKeyEvent& AEvent);

} // namespace vm::ui
