#pragma once
// The two hotkeys in a Wayland session. No client may grab keys there: the desktop's own key
// bindings run `vellomarch --show` and `vellomarch --quit`, which reach the program through its
// command channel. Where the desktop portal offers global shortcuts, the combinations are bound
// through it as well, and its activations arrive here as hotkey presses. Registering therefore
// never fails; the log says once, for each set of combinations, what the desktop binds or what
// the user should bind.
#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/hotkeys.h"

namespace vm {

class TPortalGlobalShortcuts;

class TWaylandHotkeys final : public QObject, public IHotkeys {
public:
  using THotKeyHandler = std::function<void(int AId)>;
  using TLogWriter = std::function<void(const std::u16string& ALine)>;

  // AAtoms hands out the ids (the X11 hotkeys' table, which needs no display); APortal may be
  // null where no session bus is to be asked.
  TWaylandHotkeys(IHotkeys& AAtoms, std::unique_ptr<TPortalGlobalShortcuts> APortal, TLogWriter ALog);
  ~TWaylandHotkeys() override;

  void SetOnHotKey(THotKeyHandler AOnHotKey) { FOnHotKey = std::move(AOnHotKey); }

  int AddAtom(const std::u16string& AName) override;
  void DeleteAtom(int AAtom) override;
  bool Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) override;
  void Unregister(int AId) override;

private:
  struct THotKey {
    std::u16string Name;
    std::uint16_t ShortCut = 0; // 0 while not registered
  };
  // Once all registrations of one round are in: binds them, or says what to bind.
  void Announce();
  void LogDesktopBindings(const std::u16string& AWhy);
  int IdOfShortcut(const QString& AShortcutId) const;

  IHotkeys& FAtoms;
  std::unique_ptr<TPortalGlobalShortcuts> FPortal;
  TLogWriter FLog;
  THotKeyHandler FOnHotKey;
  std::map<int, THotKey> FHotKeys;
  bool FAnnouncePending = false;
  std::u16string FAnnounced; // the combinations last bound or told about
};

} // namespace vm
