#include "platform/windows/win_hotkeys.h"

#include "app/shortcut.h"

namespace vm {

static_assert(HotKeyModAlt == MOD_ALT && HotKeyModControl == MOD_CONTROL && HotKeyModShift == MOD_SHIFT,
              "the shortcut's modifier flags are the system's");

int TWinHotkeys::AddAtom(const std::u16string& AName) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return GlobalAddAtomW(reinterpret_cast<const wchar_t*>(AName.c_str()));
}

void TWinHotkeys::DeleteAtom(int AAtom) { GlobalDeleteAtom(static_cast<ATOM>(AAtom)); }

bool TWinHotkeys::Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) {
  const UINT Modifiers = AModifiers & (MOD_ALT | MOD_CONTROL | MOD_SHIFT);
  return RegisterHotKey(FWindow, AId, Modifiers, AVirtualKey) != FALSE;
}

void TWinHotkeys::Unregister(int AId) { UnregisterHotKey(FWindow, AId); }

} // namespace vm
