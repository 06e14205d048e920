#include "app/shortcut.h"

#include <array>

#include "support/text.h"

namespace vm {
namespace {

// Names of the keys that have neither a letter, a digit nor an F-number. Punctuation is named
// by what the US layout prints on the key; no name starts with a modifier prefix ("^",
// "Ctrl+", "Alt+", "Shift+"), has surrounding blanks (the settings file trims values) or
// repeats another name, so every name parses back to its own code.
struct TNamedKey {
  std::uint8_t Key;
  const char16_t* Name;
};

constexpr TNamedKey NamedKeys[] = {
    {0x08, u"BkSp"},
    {0x09, u"Tab"},
    {0x0C, u"Clear"},
    {0x0D, u"Enter"},
    {0x13, u"Pause"},
    {0x14, u"Caps Lock"},
    {0x15, u"Kana"},
    {0x19, u"Kanji"},
    {0x1B, u"Esc"},
    {0x1C, u"Convert"},
    {0x1D, u"NonConvert"},
    {0x1E, u"Accept"},
    {0x1F, u"Mode Change"},
    {0x20, u"Space"},
    {0x21, u"PgUp"},
    {0x22, u"PgDn"},
    {0x23, u"End"},
    {0x24, u"Home"},
    {0x25, u"Left"},
    {0x26, u"Up"},
    {0x27, u"Right"},
    {0x28, u"Down"},
    {0x29, u"Select"},
    {0x2A, u"Print"},
    {0x2B, u"Execute"},
    {0x2C, u"Print Screen"},
    {0x2D, u"Ins"},
    {0x2E, u"Del"},
    {0x2F, u"Help"},
    {0x5D, u"Apps"},
    {0x5F, u"Sleep"},
    {0x60, u"Num 0"},
    {0x61, u"Num 1"},
    {0x62, u"Num 2"},
    {0x63, u"Num 3"},
    {0x64, u"Num 4"},
    {0x65, u"Num 5"},
    {0x66, u"Num 6"},
    {0x67, u"Num 7"},
    {0x68, u"Num 8"},
    {0x69, u"Num 9"},
    {0x6A, u"Num *"},
    {0x6B, u"Num +"},
    {0x6C, u"Separator"},
    {0x6D, u"Num -"},
    {0x6E, u"Num ."},
    {0x6F, u"Num /"},
    {0x90, u"Num Lock"},
    {0x91, u"Scroll Lock"},
    {0xA6, u"Browser Back"},
    {0xA7, u"Browser Forward"},
    {0xA8, u"Browser Refresh"},
    {0xA9, u"Browser Stop"},
    {0xAA, u"Browser Search"},
    {0xAB, u"Browser Favorites"},
    {0xAC, u"Browser Home"},
    {0xAD, u"Volume Mute"},
    {0xAE, u"Volume Down"},
    {0xAF, u"Volume Up"},
    {0xB0, u"Next Track"},
    {0xB1, u"Previous Track"},
    {0xB2, u"Stop Media"},
    {0xB3, u"Play/Pause"},
    {0xB4, u"Mail"},
    {0xB5, u"Select Media"},
    {0xB6, u"Launch App1"},
    {0xB7, u"Launch App2"},
    {0xBA, u";"},
    {0xBB, u"="},
    {0xBC, u","},
    {0xBD, u"-"},
    {0xBE, u"."},
    {0xBF, u"/"},
    {0xC0, u"`"},
    {0xDB, u"["},
    {0xDC, u"\\"},
    {0xDD, u"]"},
    {0xDE, u"'"},
    // The extra key of ISO and Japanese keyboards; it prints "\" on some layouts, which the key
    // 0xDC already owns.
    {0xE2, u"OEM 102"},
};

using TKeyNames = std::array<std::u16string, 256>;

TKeyNames BuildKeyNames() {
  TKeyNames Names;
  for (const TNamedKey& Named : NamedKeys) Names[Named.Key] = Named.Name;
  for (char16_t C = u'0'; C <= u'9'; ++C) Names[C] = std::u16string(1, C);
  for (char16_t C = u'A'; C <= u'Z'; ++C) Names[C] = std::u16string(1, C);
  for (int F = 1; F <= 24; ++F) {
    // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on u"F" + std::u16string.
    std::u16string Name(u"F");
    Name += IntToStr(F);
    Names[static_cast<std::size_t>(0x70 + F - 1)] = Name;
  }
  return Names;
}

const TKeyNames& KeyNames() {
  static const TKeyNames Names = BuildKeyNames();
  return Names;
}

bool StripPrefix(std::u16string_view& AText, std::u16string_view APrefix) {
  if (AText.size() < APrefix.size() || !SameTextAscii(AText.substr(0, APrefix.size()), APrefix)) return false;
  AText.remove_prefix(APrefix.size());
  return true;
}

} // namespace

THotKeyCombo SplitShortCut(TShortCut AShortCut) {
  THotKeyCombo Combo;
  if (AShortCut & scShift) Combo.Modifiers |= HotKeyModShift;
  if (AShortCut & scCtrl) Combo.Modifiers |= HotKeyModControl;
  if (AShortCut & scAlt) Combo.Modifiers |= HotKeyModAlt;
  Combo.Key = ShortCutKey(AShortCut);
  return Combo;
}

TShortCut ShortCutFromCombo(const THotKeyCombo& ACombo) {
  TShortCut Modifiers = 0;
  if (ACombo.Modifiers & HotKeyModShift) Modifiers |= scShift;
  if (ACombo.Modifiers & HotKeyModControl) Modifiers |= scCtrl;
  if (ACombo.Modifiers & HotKeyModAlt) Modifiers |= scAlt;
  return MakeShortCut(ACombo.Key, Modifiers);
}

std::u16string KeyName(std::uint8_t AKey) { return KeyNames()[AKey]; }

std::u16string ShortCutToText(TShortCut AShortCut) {
  const std::u16string& Name = KeyNames()[ShortCutKey(AShortCut)];
  if (Name.empty()) return {};
  std::u16string Text;
  if (AShortCut & scCtrl) Text += u"Ctrl+";
  if (AShortCut & scAlt) Text += u"Alt+";
  if (AShortCut & scShift) Text += u"Shift+";
  return Text + Name;
}

TShortCut TextToShortCut(std::u16string_view AText) {
  TShortCut Modifiers = 0;
  for (;;) {
    if (StripPrefix(AText, u"Shift+")) Modifiers |= scShift;
    else if (StripPrefix(AText, u"^") || StripPrefix(AText, u"Ctrl+")) Modifiers |= scCtrl;
    else if (StripPrefix(AText, u"Alt+")) Modifiers |= scAlt;
    else break;
  }
  if (AText.empty()) return 0;
  const TKeyNames& Names = KeyNames();
  for (int Key = 8; Key <= 255; ++Key)
    if (!Names[Key].empty() && SameTextAscii(Names[Key], AText))
      return MakeShortCut(static_cast<std::uint8_t>(Key), Modifiers);
  return 0;
}

} // namespace vm
