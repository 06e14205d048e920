// Keys as Qt reports them, as the core's key handler and hotkey codes need them.
#include "platform/linux/qt_key_codes.h"

#include <gtest/gtest.h>

#include "app/shortcut.h"

namespace vm::ui {
namespace {

struct TKeyCase {
  const char* Name;
  int QtKey;
  Qt::KeyboardModifiers Modifiers;
  std::uint16_t Vk;
};

// The keys FormKeyDown acts on, and the neighbours that must not be taken for them.
const TKeyCase KeyCases[] = {
    {"Return", Qt::Key_Return, Qt::NoModifier, 0x0D},
    {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, 0x0D},
    {"Shift+Return", Qt::Key_Return, Qt::ShiftModifier, 0x0D},
    {"Escape", Qt::Key_Escape, Qt::NoModifier, 0x1B},
    {"Up", Qt::Key_Up, Qt::NoModifier, 0x26},
    {"Down", Qt::Key_Down, Qt::NoModifier, 0x28},
    {"keypad Up (NumLock off)", Qt::Key_Up, Qt::KeypadModifier, 0x26},
    {"Delete", Qt::Key_Delete, Qt::ControlModifier, 0x2E},
    {"digit 1", Qt::Key_1, Qt::ControlModifier, 0x31},
    {"digit 9", Qt::Key_9, Qt::ControlModifier, 0x39},
    {"digit 0", Qt::Key_0, Qt::NoModifier, 0x30},
    {"keypad 1 is not the digit 1", Qt::Key_1, Qt::KeypadModifier | Qt::ControlModifier, 0x61},
    {"keypad 9", Qt::Key_9, Qt::KeypadModifier, 0x69},
    {"keypad *", Qt::Key_Asterisk, Qt::KeypadModifier, 0x6A},
    {"keypad -", Qt::Key_Minus, Qt::KeypadModifier, 0x6D},
    {"main -", Qt::Key_Minus, Qt::NoModifier, 0xBD},
    {"letter A", Qt::Key_A, Qt::NoModifier, 0x41},
    {"letter P with Ctrl", Qt::Key_P, Qt::ControlModifier, 0x50},
    {"letter Z", Qt::Key_Z, Qt::ShiftModifier, 0x5A},
    {"shifted 3 on the US layout", Qt::Key_NumberSign, Qt::ShiftModifier | Qt::ControlModifier, 0x33},
    {"shifted 1 on the US layout", Qt::Key_Exclam, Qt::ShiftModifier, 0x31},
    {"F1", Qt::Key_F1, Qt::NoModifier, 0x70},
    {"F24", Qt::Key_F24, Qt::NoModifier, 0x87},
    {"Tab", Qt::Key_Tab, Qt::NoModifier, 0x09},
    {"Space", Qt::Key_Space, Qt::NoModifier, 0x20},
    {"PgUp", Qt::Key_PageUp, Qt::NoModifier, 0x21},
    {"semicolon", Qt::Key_Semicolon, Qt::NoModifier, 0xBA},
    {"Shift alone", Qt::Key_Shift, Qt::ShiftModifier, 0x10},
    {"Control alone", Qt::Key_Control, Qt::ControlModifier, 0x11},
    {"a key with no code", Qt::Key_Eacute, Qt::NoModifier, 0},
    {"no key", 0, Qt::NoModifier, 0},
};

TEST(QtKeyCodes, VirtualKeysOfQtKeys) {
  for (const TKeyCase& Case : KeyCases)
    EXPECT_EQ(VirtualKeyFromQtKey(Case.QtKey, Case.Modifiers), Case.Vk) << Case.Name;
}

TEST(QtKeyCodes, ShiftStateTakesShiftCtrlAndAltOnly) {
  struct TCase {
    Qt::KeyboardModifiers Modifiers;
    bool Shift, Ctrl, Alt;
  } const Cases[] = {
      {Qt::NoModifier, false, false, false},
      {Qt::ShiftModifier, true, false, false},
      {Qt::ControlModifier, false, true, false},
      {Qt::AltModifier, false, false, true},
      {Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier, true, true, true},
      {Qt::MetaModifier | Qt::KeypadModifier, false, false, false},
  };
  for (const TCase& Case : Cases) {
    const TShiftState State = ShiftStateFromModifiers(Case.Modifiers);
    EXPECT_EQ(State.Shift, Case.Shift);
    EXPECT_EQ(State.Ctrl, Case.Ctrl);
    EXPECT_EQ(State.Alt, Case.Alt);
  }
}

TEST(QtKeyCodes, HotkeyFieldCombinations) {
  struct TCase {
    const char* Name;
    int QtKey;
    Qt::KeyboardModifiers Modifiers;
    TShortCut Expected;
  } const Cases[] = {
      {"Alt+C, the default show hotkey", Qt::Key_C, Qt::AltModifier, 0x8043},
      {"Ctrl+Alt+Q, the default quit hotkey", Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, 0xC051},
      {"Shift+F5", Qt::Key_F5, Qt::ShiftModifier, 0x2074},
      {"Ctrl+Shift+Alt+Del", Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier, 0xE02E},
      {"a key alone", Qt::Key_K, Qt::NoModifier, 0x004B},
      {"Meta has no bit", Qt::Key_K, Qt::MetaModifier | Qt::ControlModifier, 0x404B},
      {"keypad 7 with Ctrl", Qt::Key_7, Qt::KeypadModifier | Qt::ControlModifier, 0x4067},
      {"a modifier alone is no combination", Qt::Key_Alt, Qt::AltModifier, 0},
      {"Ctrl with Shift pressed", Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier, 0},
      {"a key without a code", Qt::Key_Eacute, Qt::ControlModifier, 0},
  };
  for (const TCase& Case : Cases) {
    const TShortCut Code = ShortCutFromQtKey(Case.QtKey, Case.Modifiers);
    EXPECT_EQ(Code, Case.Expected) << Case.Name;
  }
  // The text the settings file stores for the defaults.
  EXPECT_EQ(ShortCutToText(ShortCutFromQtKey(Qt::Key_C, Qt::AltModifier)), u"Alt+C");
  EXPECT_EQ(ShortCutToText(ShortCutFromQtKey(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier)), u"Ctrl+Alt+Q");
}

// Every key the core can name comes from some Qt key, so any hotkey of the settings file can
// be recorded again in the dialog.
TEST(QtKeyCodes, EveryNamedLetterDigitAndFunctionKeyIsReachable) {
  for (int Vk = 0x30; Vk <= 0x39; ++Vk) EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_0 + (Vk - 0x30), {}), Vk);
  for (int Vk = 0x41; Vk <= 0x5A; ++Vk) EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_A + (Vk - 0x41), {}), Vk);
  for (int Vk = 0x70; Vk <= 0x87; ++Vk) EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F1 + (Vk - 0x70), {}), Vk);
  for (int Vk : {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE}) {
    bool Found = false;
    for (int Key = 0x20; Key < 0x7F && !Found; ++Key) Found = VirtualKeyFromQtKey(Key, {}) == Vk;
    EXPECT_TRUE(Found) << std::hex << Vk;
  }
}

} // namespace
} // namespace vm::ui
