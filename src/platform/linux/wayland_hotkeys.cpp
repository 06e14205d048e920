#include "platform/linux/wayland_hotkeys.h"

#include <QTimer>

#include "app/app_texts.h"
#include "app/shortcut.h"
#include "platform/linux/portal_global_shortcuts.h"
#include "platform/linux/x11_keysyms.h"

// Last: its macros (Status, Bool) break Qt's headers.
#include <X11/Xlib.h>

namespace vm {

namespace {

struct TCommand {
  const char16_t* HotKeyName;
  const char* ShortcutId; // the portal's name of the shortcut
  const char16_t* Argument;
  const char16_t* Description;
};

constexpr TCommand Commands[] = {
    {ShowHotKeyName, "show", u"--show", texts::SettingsShowHotkeyLabel},
    {QuitHotKeyName, "quit", u"--quit", texts::SettingsQuitHotkeyLabel},
};

const TCommand* CommandOf(const std::u16string& AHotKeyName) {
  for (const TCommand& Command : Commands)
    if (AHotKeyName == Command.HotKeyName) return &Command;
  return nullptr;
}

// The trigger in the form the XDG shortcuts format gives it ("CTRL+ALT+q"): modifiers, then the
// key's keysym name. Empty for a key without one.
QString PreferredTrigger(TShortCut AShortCut) {
  const char* KeyName = XKeysymToString(VirtualKeyToKeySym(ShortCutKey(AShortCut)));
  if (!KeyName) return {};
  QString Trigger;
  if (AShortCut & scCtrl) Trigger += QStringLiteral("CTRL+");
  if (AShortCut & scAlt) Trigger += QStringLiteral("ALT+");
  if (AShortCut & scShift) Trigger += QStringLiteral("SHIFT+");
  return Trigger + QString::fromLatin1(KeyName);
}

} // namespace

TWaylandHotkeys::TWaylandHotkeys(IHotkeys& AAtoms, std::unique_ptr<TPortalGlobalShortcuts> APortal, TLogWriter ALog)
    : FAtoms(AAtoms), FPortal(std::move(APortal)), FLog(std::move(ALog)) {
  if (FPortal)
    FPortal->SetOnActivated([this](const QString& AShortcutId) {
      const int Id = IdOfShortcut(AShortcutId);
      if (Id != 0 && FOnHotKey) FOnHotKey(Id);
    });
}

TWaylandHotkeys::~TWaylandHotkeys() = default;

int TWaylandHotkeys::AddAtom(const std::u16string& AName) {
  const int Id = FAtoms.AddAtom(AName);
  if (Id != 0) FHotKeys[Id].Name = AName;
  return Id;
}

void TWaylandHotkeys::DeleteAtom(int AAtom) {
  FAtoms.DeleteAtom(AAtom);
  FHotKeys.erase(AAtom);
}

bool TWaylandHotkeys::Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) {
  const auto It = FHotKeys.find(AId);
  if (It == FHotKeys.end() || !CommandOf(It->second.Name)) return false;
  It->second.ShortCut = ShortCutFromCombo({AModifiers, static_cast<std::uint8_t>(AVirtualKey)});
  // The program registers its hotkeys one after the other: they are announced together.
  if (!FAnnouncePending) {
    FAnnouncePending = true;
    QTimer::singleShot(0, this, [this] { Announce(); });
  }
  return true;
}

void TWaylandHotkeys::Unregister(int AId) {
  // A shortcut bound through the portal stays bound until the session ends; its activations are
  // no longer handed on.
  if (const auto It = FHotKeys.find(AId); It != FHotKeys.end()) It->second.ShortCut = 0;
}

int TWaylandHotkeys::IdOfShortcut(const QString& AShortcutId) const {
  for (const auto& [Id, HotKey] : FHotKeys) {
    const TCommand* Command = CommandOf(HotKey.Name);
    if (HotKey.ShortCut != 0 && Command && AShortcutId == QLatin1String(Command->ShortcutId)) return Id;
  }
  return 0;
}

void TWaylandHotkeys::Announce() {
  FAnnouncePending = false;
  std::u16string Summary;
  std::vector<TPortalShortcut> Shortcuts;
  for (const TCommand& Command : Commands)
    for (const auto& [Id, HotKey] : FHotKeys)
      if (HotKey.Name == Command.HotKeyName && HotKey.ShortCut != 0) {
        Summary += ShortCutToText(HotKey.ShortCut) + u' ';
        Shortcuts.push_back({QString::fromLatin1(Command.ShortcutId), QString::fromUtf16(Command.Description),
                             PreferredTrigger(HotKey.ShortCut)});
      }
  if (Shortcuts.empty() || Summary == FAnnounced) return;
  FAnnounced = Summary;
  if (!FPortal) {
    LogDesktopBindings({});
    return;
  }
  FPortal->Bind(Shortcuts, [this](const TPortalBindResult& AResult) {
    if (!AResult.Bound) {
      LogDesktopBindings(AResult.Why.toStdU16String());
      return;
    }
    // The desktop has the last word on the triggers, and says what they are.
    std::u16string Line = u"Hotkeys bound through the desktop portal:";
    for (const TCommand& Command : Commands)
      if (const auto It = AResult.Triggers.find(QString::fromLatin1(Command.ShortcutId)); It != AResult.Triggers.end())
        Line += u' ' + It->first.toStdU16String() + u'=' + (It->second.isEmpty() ? u"(none)" : It->second.toStdU16String());
    FLog(Line);
  });
}

void TWaylandHotkeys::LogDesktopBindings(const std::u16string& AWhy) {
  std::u16string Line = u"Wayland session: hotkeys are the desktop's key bindings";
  if (!AWhy.empty()) Line += u" (" + AWhy + u')';
  Line += u"; bind";
  const char16_t* Separator = u" ";
  for (const TCommand& Command : Commands)
    for (const auto& [Id, HotKey] : FHotKeys)
      if (HotKey.Name == Command.HotKeyName && HotKey.ShortCut != 0) {
        Line += Separator + ShortCutToText(HotKey.ShortCut) + u" to \"vellomarch " + Command.Argument + u'"';
        Separator = u", ";
      }
  FLog(Line);
}

} // namespace vm
