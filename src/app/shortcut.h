#pragma once
// Hotkey codes and their text form ("Alt+C"), as the settings file stores them and the log
// prints them. A TShortCut holds the desktop's virtual-key code in its low 8 bits and one bit
// per modifier; 0 means "no hotkey".
#include <cstdint>
#include <string>
#include <string_view>

namespace vm {

using TShortCut = std::uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scModifiers = scShift | scCtrl | scAlt;

// Modifier flags as the system's hotkey registration takes them (MOD_ALT, MOD_CONTROL, MOD_SHIFT).
// MOD_WIN and MOD_NOREPEAT are never produced.
inline constexpr std::uint32_t HotKeyModAlt = 0x0001;
inline constexpr std::uint32_t HotKeyModControl = 0x0002;
inline constexpr std::uint32_t HotKeyModShift = 0x0004;

struct THotKeyCombo {
  std::uint32_t Modifiers = 0; // HotKeyMod* flags
  std::uint8_t Key = 0;        // virtual-key code
};

// AModifiers: any of scShift, scCtrl, scAlt; other bits are ignored.
constexpr TShortCut MakeShortCut(std::uint8_t AKey, TShortCut AModifiers) {
  return static_cast<TShortCut>(AKey | (AModifiers & scModifiers));
}
constexpr std::uint8_t ShortCutKey(TShortCut AShortCut) { return static_cast<std::uint8_t>(AShortCut & 0xFF); }
constexpr TShortCut ShortCutModifiers(TShortCut AShortCut) { return AShortCut & scModifiers; }

// The modifier flags and key code to register a global hotkey with.
THotKeyCombo SplitShortCut(TShortCut AShortCut);
// The inverse, for a key that the platform reports with HotKeyMod* flags.
TShortCut ShortCutFromCombo(const THotKeyCombo& ACombo);

// The name of a virtual key ("C", "F5", "PgUp", "Num 7", ";"); empty for codes without one
// (modifier keys themselves, mouse buttons, unassigned codes). The table is fixed and the same on
// every platform, so a settings file written on one desktop reads the same on the other. Every
// name is unique without regard to case and parses back to its own code.
std::u16string KeyName(std::uint8_t AKey);

// "Ctrl+", "Alt+", "Shift+" (in that order, each when set) + the key name; empty when the key
// has no name, so 0 gives the empty text.
std::u16string ShortCutToText(TShortCut AShortCut);

// Strips the prefixes "Shift+", "^" or "Ctrl+", "Alt+" from the left in any order and as often
// as they come (letter case ignored), then looks the rest up among the key names of codes 8 to
// 255, letter case ignored; the first code that matches wins. Nothing left or no match gives 0.
TShortCut TextToShortCut(std::u16string_view AText);

} // namespace vm
