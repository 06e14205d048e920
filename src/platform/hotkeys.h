#pragma once
// System-wide hotkeys, identified by global atoms. A press reaches TVellomarchFrm::WMHotKey(id).
#include <cstdint>
#include <string>

namespace vm {

// The names the program's two hotkeys are registered under.
inline constexpr char16_t ShowHotKeyName[] = u"VellomarchHotkeyShow";
inline constexpr char16_t QuitHotKeyName[] = u"VellomarchHotkeyQuit";

class IHotkeys {
public:
  virtual ~IHotkeys() = default;
  // A global atom for the name (0 on failure) and its release.
  virtual int AddAtom(const std::u16string& AName) = 0;
  virtual void DeleteAtom(int AAtom) = 0;
  // AModifiers are the HotKeyMod* flags of app/shortcut.h. False when the combination cannot be
  // had (another program holds it).
  virtual bool Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) = 0;
  virtual void Unregister(int AId) = 0;
};

} // namespace vm
