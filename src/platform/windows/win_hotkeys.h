#pragma once
// System-wide hotkeys registered for the main window; a press arrives there as WM_HOTKEY.
#include <windows.h>

#include "platform/hotkeys.h"

namespace vm {

class TWinHotkeys : public IHotkeys {
public:
  explicit TWinHotkeys(HWND AWindow = nullptr) : FWindow(AWindow) {}
  void SetWindow(HWND AWindow) { FWindow = AWindow; }

  int AddAtom(const std::u16string& AName) override;
  void DeleteAtom(int AAtom) override;
  // Only Alt, Ctrl and Shift reach the system: never the Windows key, and never MOD_NOREPEAT,
  // so a held combination repeats.
  bool Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) override;
  void Unregister(int AId) override;

private:
  HWND FWindow;
};

} // namespace vm
