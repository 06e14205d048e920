#pragma once
// The desktop's virtual-key codes (as hotkey codes and synthetic key records carry them) turned
// into X11 keysyms. Shared by the global hotkeys and the synthetic Ctrl+V, so that a key means
// the same thing to both.
#include <cstdint>

namespace vm {

// The keysym of a virtual key, 0 (NoSymbol) for codes with no X11 counterpart. Letters give the
// lower-case keysym, punctuation the keysym the key prints unshifted on the US layout.
unsigned long VirtualKeyToKeySym(std::uint32_t AVirtualKey);

} // namespace vm
