#include <gtest/gtest.h>

#include "app/shortcut.h"
#include "support/text.h"

namespace vm {
namespace {

struct TTextCase {
  std::u16string Text;
  TShortCut Code;
};

// Text -> code; when the code is not 0 its text form is also checked to be the canonical one.
struct TParseCase {
  std::u16string Text;
  TShortCut Code;
  std::u16string Canonical;
};

std::string Narrow(const std::u16string& AText) { return Utf16ToUtf8(AText); }

} // namespace

TEST(ShortCutText, WritesModifiersInFixedOrderBeforeTheKeyName) {
  const TTextCase Cases[] = {
      {u"Alt+C", 0x8043},
      {u"Ctrl+Alt+Q", 0xC051},
      {u"Ctrl+Shift+V", 0x6056},
      {u"Ctrl+Alt+Shift+Z", 0xE05A},
      {u"Shift+F12", 0x207B},
      {u"F1", 0x0070},
      {u"F24", 0x0087},
      {u"0", 0x0030},
      {u"Ctrl+9", 0x4039},
      {u"BkSp", 0x0008},
      {u"Tab", 0x0009},
      {u"Enter", 0x000D},
      {u"Esc", 0x001B},
      {u"Space", 0x0020},
      {u"PgUp", 0x0021},
      {u"PgDn", 0x0022},
      {u"End", 0x0023},
      {u"Home", 0x0024},
      {u"Left", 0x0025},
      {u"Up", 0x0026},
      {u"Right", 0x0027},
      {u"Down", 0x0028},
      {u"Ins", 0x002D},
      {u"Alt+Del", 0x802E},
      {u"Ctrl+;", 0x40BA},
      {u"Alt+=", 0x80BB},
      {u"Ctrl+-", 0x40BD},
      {u"Ctrl+\\", 0x40DC},
      {u"Num 0", 0x0060},
      {u"Ctrl+Num +", 0x406B},
      {u"Num -", 0x006D},
      {u"Pause", 0x0013},
      {u"Print Screen", 0x002C},
      {u"Apps", 0x005D},
      {u"Volume Up", 0x00AF},
      {u"", 0x0000},
      // No name for the key: no text at all, modifiers included.
      {u"", 0x8000},
      {u"", 0xC010},
      {u"", 0x0007},
  };
  for (const TTextCase& Case : Cases)
    EXPECT_EQ(Narrow(ShortCutToText(Case.Code)), Narrow(Case.Text)) << std::hex << Case.Code;
}

TEST(ShortCutText, ParsesPrefixesInAnyOrderAndCase) {
  const TParseCase Cases[] = {
      {u"Alt+C", 0x8043, u"Alt+C"},
      {u"Ctrl+Alt+Q", 0xC051, u"Ctrl+Alt+Q"},
      {u"ctrl+shift+v", 0x6056, u"Ctrl+Shift+V"},
      {u"Shift+Ctrl+V", 0x6056, u"Ctrl+Shift+V"},
      {u"^Q", 0x4051, u"Ctrl+Q"},
      {u"^alt+q", 0xC051, u"Ctrl+Alt+Q"},
      {u"ALT+ALT+c", 0x8043, u"Alt+C"},
      {u"shift+f5", 0x2074, u"Shift+F5"},
      {u"f24", 0x0087, u"F24"},
      {u"pgdn", 0x0022, u"PgDn"},
      {u"Alt+num 7", 0x8067, u"Alt+Num 7"},
      {u"Ctrl+=", 0x40BB, u"Ctrl+="},
      {u"CAPS LOCK", 0x0014, u"Caps Lock"},
      {u"Win+C", 0, u""},
      {u"Ctrl+", 0, u""},
      {u"Alt+Shift+", 0, u""},
      {u"", 0, u""},
      {u"Ctrl+Foo", 0, u""},
      {u"F25", 0, u""},
      {u"Ctrl + C", 0, u""},
      {u" Alt+C", 0, u""},
      {u"Ctrl+Alt", 0, u""},
      {u"+", 0, u""},
  };
  for (const TParseCase& Case : Cases) {
    const TShortCut Code = TextToShortCut(Case.Text);
    EXPECT_EQ(Code, Case.Code) << Narrow(Case.Text);
    EXPECT_EQ(Narrow(ShortCutToText(Code)), Narrow(Case.Canonical)) << Narrow(Case.Text);
  }
}

// Every name that writing can produce parses back to its own code, with every combination of
// modifiers, so a hotkey survives the settings file whatever key it uses.
TEST(ShortCutText, EveryNamedKeyRoundTripsWithEveryModifierSet) {
  int Named = 0;
  for (int Key = 0; Key <= 255; ++Key) {
    const std::u16string Name = KeyName(static_cast<std::uint8_t>(Key));
    if (Key < 8) {
      EXPECT_TRUE(Name.empty()) << Key;
      continue;
    }
    if (Name.empty()) continue;
    ++Named;
    for (const TShortCut Modifiers : {0, 0x2000, 0x4000, 0x6000, 0x8000, 0xA000, 0xC000, 0xE000}) {
      const TShortCut Code = MakeShortCut(static_cast<std::uint8_t>(Key), Modifiers);
      const std::u16string Text = ShortCutToText(Code);
      EXPECT_EQ(TextToShortCut(Text), Code) << Narrow(Text);
      EXPECT_EQ(TextToShortCut(AsciiLowerCase(Text)), Code) << Narrow(Text);
    }
  }
  // Letters, digits and F-keys alone are 60; the rest is the readable-name table.
  EXPECT_GT(Named, 100);
}

TEST(ShortCutText, ModifierKeysThemselvesHaveNoName) {
  for (const int Key : {0x10, 0x11, 0x12, 0x5B, 0x5C, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5})
    EXPECT_TRUE(KeyName(static_cast<std::uint8_t>(Key)).empty()) << std::hex << Key;
}

TEST(ShortCutText, SplitsIntoHotKeyModifierFlagsAndKey) {
  const THotKeyCombo Combo = SplitShortCut(0xE05A); // Ctrl+Alt+Shift+Z
  EXPECT_EQ(Combo.Modifiers, HotKeyModAlt | HotKeyModControl | HotKeyModShift);
  EXPECT_EQ(Combo.Key, 0x5A);
  EXPECT_EQ(SplitShortCut(0x8043).Modifiers, HotKeyModAlt);
  EXPECT_EQ(SplitShortCut(0x4051).Modifiers, HotKeyModControl);
  EXPECT_EQ(SplitShortCut(0x2074).Modifiers, HotKeyModShift);
  EXPECT_EQ(SplitShortCut(0x0070).Modifiers, 0u);
  for (const TShortCut Code : {0xE05A, 0x8043, 0x4051, 0x2074, 0x0070})
    EXPECT_EQ(ShortCutFromCombo(SplitShortCut(Code)), Code);
}

} // namespace vm
