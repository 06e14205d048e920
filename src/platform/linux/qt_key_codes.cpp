#include "platform/linux/qt_key_codes.h"

#include <QGuiApplication>

#include <utility>

// Xlib's macros (None, KeyPress, Bool...) clash with Qt's names: included last, used below only.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace vm::ui {

namespace {

struct TKeyPair {
  int QtKey;
  std::uint16_t Vk;
};

// The main keyboard's keys other than letters, digits and F-keys.
constexpr TKeyPair MainKeys[] = {
    {Qt::Key_Backspace, 0x08},
    {Qt::Key_Tab, 0x09},
    {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},
    {Qt::Key_Control, 0x11},
    {Qt::Key_Alt, 0x12},
    {Qt::Key_AltGr, 0x12},
    {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Hiragana_Katakana, 0x15},
    {Qt::Key_Kana_Lock, 0x15},
    {Qt::Key_Zenkaku_Hankaku, 0x19},
    {Qt::Key_Kanji, 0x19},
    {Qt::Key_Escape, 0x1B},
    {Qt::Key_Henkan, 0x1C},
    {Qt::Key_Muhenkan, 0x1D},
    {Qt::Key_Mode_switch, 0x1F},
    {Qt::Key_Space, 0x20},
    {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},
    {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},
    {Qt::Key_Select, 0x29},
    {Qt::Key_Printer, 0x2A},
    {Qt::Key_Execute, 0x2B},
    {Qt::Key_Print, 0x2C},
    {Qt::Key_SysReq, 0x2C},
    {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},
    {Qt::Key_Help, 0x2F},
    {Qt::Key_Meta, 0x5B},
    {Qt::Key_Super_L, 0x5B},
    {Qt::Key_Super_R, 0x5C},
    {Qt::Key_Menu, 0x5D},
    {Qt::Key_Sleep, 0x5F},
    {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Back, 0xA6},
    {Qt::Key_Forward, 0xA7},
    {Qt::Key_Refresh, 0xA8},
    {Qt::Key_Stop, 0xA9},
    {Qt::Key_Search, 0xAA},
    {Qt::Key_Favorites, 0xAB},
    {Qt::Key_HomePage, 0xAC},
    {Qt::Key_VolumeMute, 0xAD},
    {Qt::Key_VolumeDown, 0xAE},
    {Qt::Key_VolumeUp, 0xAF},
    {Qt::Key_MediaNext, 0xB0},
    {Qt::Key_MediaPrevious, 0xB1},
    {Qt::Key_MediaStop, 0xB2},
    {Qt::Key_MediaTogglePlayPause, 0xB3},
    {Qt::Key_MediaPlay, 0xB3},
    {Qt::Key_LaunchMail, 0xB4},
    {Qt::Key_LaunchMedia, 0xB5},
    {Qt::Key_Launch0, 0xB6},
    {Qt::Key_Launch1, 0xB7},
    // Punctuation by the key that prints it on the US layout, shifted forms included.
    {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},
    {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},
    {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},
    {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
    // Shifted digits of the US layout.
    {Qt::Key_ParenRight, 0x30},
    {Qt::Key_Exclam, 0x31},
    {Qt::Key_At, 0x32},
    {Qt::Key_NumberSign, 0x33},
    {Qt::Key_Dollar, 0x34},
    {Qt::Key_Percent, 0x35},
    {Qt::Key_AsciiCircum, 0x36},
    {Qt::Key_Ampersand, 0x37},
    {Qt::Key_Asterisk, 0x38},
    {Qt::Key_ParenLeft, 0x39},
};

// With Qt::KeypadModifier: the keypad's own keys. Its navigation keys (NumLock off) are the
// same codes as the main keyboard's and come from the table above.
constexpr TKeyPair KeypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B}, {Qt::Key_Minus, 0x6D}, {Qt::Key_Period, 0x6E},
    {Qt::Key_Comma, 0x6E},    {Qt::Key_Slash, 0x6F}, {Qt::Key_Enter, 0x0D}, {Qt::Key_Return, 0x0D},
};

std::uint16_t Lookup(const TKeyPair* ABegin, const TKeyPair* AEnd, int AQtKey) {
  for (const TKeyPair* It = ABegin; It != AEnd; ++It)
    if (It->QtKey == AQtKey) return It->Vk;
  return 0;
}

} // namespace

std::uint16_t VirtualKeyFromQtKey(int AQtKey, Qt::KeyboardModifiers AModifiers) {
  const bool Keypad = AModifiers.testFlag(Qt::KeypadModifier);
  if (AQtKey >= Qt::Key_0 && AQtKey <= Qt::Key_9)
    return static_cast<std::uint16_t>((Keypad ? 0x60 : 0x30) + (AQtKey - Qt::Key_0));
  if (Keypad) {
    if (const std::uint16_t Vk = Lookup(std::begin(KeypadKeys), std::end(KeypadKeys), AQtKey)) return Vk;
  }
  if (AQtKey >= Qt::Key_A && AQtKey <= Qt::Key_Z) return static_cast<std::uint16_t>(0x41 + (AQtKey - Qt::Key_A));
  if (AQtKey >= Qt::Key_F1 && AQtKey <= Qt::Key_F24) return static_cast<std::uint16_t>(0x70 + (AQtKey - Qt::Key_F1));
  return Lookup(std::begin(MainKeys), std::end(MainKeys), AQtKey);
}

TShiftState ShiftStateFromModifiers(Qt::KeyboardModifiers AModifiers) {
  TShiftState State;
  State.Shift = AModifiers.testFlag(Qt::ShiftModifier);
  State.Ctrl = AModifiers.testFlag(Qt::ControlModifier);
  State.Alt = AModifiers.testFlag(Qt::AltModifier);
  return State;
}

bool IsModifierQtKey(int AQtKey) {
  switch (AQtKey) {
  case Qt::Key_Shift:
  case Qt::Key_Control:
  case Qt::Key_Alt:
  case Qt::Key_AltGr:
  case Qt::Key_Meta:
  case Qt::Key_Super_L:
  case Qt::Key_Super_R:
  case Qt::Key_Hyper_L:
  case Qt::Key_Hyper_R:
  case Qt::Key_CapsLock:
  case Qt::Key_NumLock:
  case Qt::Key_Mode_switch:
    return true;
  default:
    return false;
  }
}

TShortCut ShortCutFromQtKey(int AQtKey, Qt::KeyboardModifiers AModifiers) {
  if (IsModifierQtKey(AQtKey)) return 0;
  const std::uint16_t Vk = VirtualKeyFromQtKey(AQtKey, AModifiers);
  if (Vk == 0 || Vk > 0xFF) return 0;
  TShortCut Modifiers = 0;
  if (AModifiers.testFlag(Qt::ShiftModifier)) Modifiers |= scShift;
  if (AModifiers.testFlag(Qt::ControlModifier)) Modifiers |= scCtrl;
  if (AModifiers.testFlag(Qt::AltModifier)) Modifiers |= scAlt;
  return MakeShortCut(static_cast<std::uint8_t>(Vk), Modifiers);
}

int UnshiftedQtKey(const QKeyEvent& AEvent) {
  const int Key = AEvent.key();
  if (AEvent.modifiers().testFlag(Qt::KeypadModifier) || AEvent.nativeScanCode() == 0) return Key;
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return Key;
  auto* X11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* Dpy = X11 ? X11->display() : nullptr;
  if (!Dpy) return Key;
  // The group (layout) in use sits in bits 13 and 14 of the X event's state.
  const unsigned Group = (AEvent.nativeModifiers() >> 13) & 3;
  const KeySym Base = XkbKeycodeToKeysym(Dpy, static_cast<KeyCode>(AEvent.nativeScanCode()), Group, 0);
  // Printable ASCII keysyms share Qt's key numbers; letters are Qt's upper-case keys.
  if (Base >= 0x61 && Base <= 0x7A) return static_cast<int>(Base - 0x20);
  if (Base > 0x20 && Base < 0x7F) return static_cast<int>(Base);
  return Key;
}

std::uint16_t VirtualKeyFromEvent(const QKeyEvent& AEvent) {
  return VirtualKeyFromQtKey(UnshiftedQtKey(AEvent), AEvent.modifiers());
}

} // namespace vm::ui
