#pragma once
// Global hotkeys on X11: passive key grabs on the root window, taken once for each state of the
// Caps Lock and Num Lock modifiers (the server matches a grab's modifiers exactly, so a lock
// that is on would otherwise hide the combination). Presses arrive in Qt's event loop and are
// seen by a native event filter; each is handed on, queued, to the handler with the hotkey's id.
//
// Only the xcb platform has a root window to grab on: elsewhere Register fails, which the core
// logs like any combination that cannot be had.
#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/hotkeys.h"
#include "platform/linux/x11_display.h"

namespace vm {

class TX11Hotkeys final : public IHotkeys, public QAbstractNativeEventFilter {
public:
  using THotKeyHandler = std::function<void(int AId)>;

  // Needs the application object; installs its event filter on it.
  explicit TX11Hotkeys(THotKeyHandler AOnHotKey = {});
  ~TX11Hotkeys() override;
  TX11Hotkeys(const TX11Hotkeys&) = delete;
  TX11Hotkeys& operator=(const TX11Hotkeys&) = delete;

  // The program wires this to TVellomarchFrm::WMHotKey once the main window exists.
  void SetOnHotKey(THotKeyHandler AOnHotKey) { FOnHotKey = std::move(AOnHotKey); }

  // Ids are handed out per name from 0xC000 upwards, as the desktop's global atoms are, and
  // counted: an atom lives until it was deleted as often as it was added.
  int AddAtom(const std::u16string& AName) override;
  void DeleteAtom(int AAtom) override;

  bool Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) override;
  void Unregister(int AId) override;

  bool nativeEventFilter(const QByteArray& AEventType, void* AMessage, qintptr* AResult) override;

private:
  struct TGrab {
    int Id = 0;
    unsigned KeyCode = 0;
    unsigned Modifiers = 0; // X modifier mask without the lock bits
  };
  struct TAtom {
    int Id = 0;
    int References = 0;
  };

  void Ungrab(const TGrab& AGrab, int AVariants);

  Display* FDisplay = nullptr;
  unsigned long FRoot = 0;
  std::vector<TGrab> FGrabs;
  std::map<std::u16string, TAtom> FAtoms;
  THotKeyHandler FOnHotKey;
  // Context of the queued hand-overs: a press still queued when this object goes is dropped.
  std::unique_ptr<QObject> FQueue;
};

} // namespace vm
