#include "platform/linux/x11_hotkeys.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <array>

#include <xcb/xcb.h>

#include <X11/Xlib.h>

#include "app/shortcut.h"
#include "platform/linux/x11_keysyms.h"

namespace vm {
namespace {

constexpr int FirstAtom = 0xC000;
constexpr int LastAtom = 0xFFFF;

// Caps Lock is LockMask; Num Lock sits on Mod2 in every keymap X servers ship.
constexpr unsigned LockBits = LockMask | Mod2Mask;
constexpr std::array<unsigned, 4> LockVariants{0, LockMask, Mod2Mask, LockMask | Mod2Mask};
// The modifiers a hotkey may carry; others (mouse buttons, Mod3, Mod5) do not stop a match.
constexpr unsigned HotKeyBits = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
// MOD_WIN of the desktop's hotkey registration; the core never asks for it, but it costs nothing.
constexpr std::uint32_t HotKeyModWin = 0x0008;

unsigned XModifiers(std::uint32_t AModifiers) {
  unsigned Mask = 0;
  if (AModifiers & HotKeyModAlt) Mask |= Mod1Mask;
  if (AModifiers & HotKeyModControl) Mask |= ControlMask;
  if (AModifiers & HotKeyModShift) Mask |= ShiftMask;
  if (AModifiers & HotKeyModWin) Mask |= Mod4Mask;
  return Mask;
}

} // namespace

TX11Hotkeys::TX11Hotkeys(THotKeyHandler AOnHotKey)
    : FDisplay(QtX11Display()), FOnHotKey(std::move(AOnHotKey)), FQueue(std::make_unique<QObject>()) {
  if (FDisplay) FRoot = DefaultRootWindow(FDisplay);
  if (QCoreApplication* App = QCoreApplication::instance()) App->installNativeEventFilter(this);
}

TX11Hotkeys::~TX11Hotkeys() {
  QCoreApplication* App = QCoreApplication::instance();
  if (!App) return; // the X connection went with the application object, and the grabs with it
  for (const TGrab& Grab : FGrabs) Ungrab(Grab, static_cast<int>(LockVariants.size()));
  App->removeNativeEventFilter(this);
}

int TX11Hotkeys::AddAtom(const std::u16string& AName) {
  if (AName.empty()) return 0;
  if (auto It = FAtoms.find(AName); It != FAtoms.end()) {
    ++It->second.References;
    return It->second.Id;
  }
  for (int Id = FirstAtom; Id <= LastAtom; ++Id) {
    const bool Taken = std::any_of(FAtoms.begin(), FAtoms.end(), [Id](const auto& A) { return A.second.Id == Id; });
    if (!Taken) {
      FAtoms[AName] = TAtom{Id, 1};
      return Id;
    }
  }
  return 0;
}

void TX11Hotkeys::DeleteAtom(int AAtom) {
  for (auto It = FAtoms.begin(); It != FAtoms.end(); ++It) {
    if (It->second.Id != AAtom) continue;
    if (--It->second.References <= 0) FAtoms.erase(It);
    return;
  }
}

bool TX11Hotkeys::Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) {
  if (!FDisplay) return false;
  // One registration per id, as on the desktop the hotkeys were made for.
  if (std::any_of(FGrabs.begin(), FGrabs.end(), [AId](const TGrab& G) { return G.Id == AId; })) return false;
  const unsigned long KeySym = VirtualKeyToKeySym(AVirtualKey);
  if (KeySym == NoSymbol) return false;
  const KeyCode Code = XKeysymToKeycode(FDisplay, KeySym);
  if (Code == 0) return false; // the keyboard map has no such key

  const TGrab Grab{AId, Code, XModifiers(AModifiers)};
  // The server refuses a combination only to other clients: grabbing again what this client
  // holds just renews the grab. Two hotkeys would then share one grab, and releasing either
  // would take the other's away; the combination is had once, like any other that is taken.
  if (std::any_of(FGrabs.begin(), FGrabs.end(), [&Grab](const TGrab& G) {
        return G.KeyCode == Grab.KeyCode && G.Modifiers == Grab.Modifiers;
      }))
    return false;
  TX11ErrorTrap Trap(FDisplay);
  for (std::size_t I = 0; I < LockVariants.size(); ++I) {
    // owner_events False: the press is reported to this grab even while one of the program's
    // own windows has the focus, as a hotkey must be.
    XGrabKey(FDisplay, Code, Grab.Modifiers | LockVariants[I], FRoot, False, GrabModeAsync, GrabModeAsync);
    if (Trap.Sync() != 0) {
      // Another client holds this variant (BadAccess): the combination is not ours, and the
      // variants taken so far must not stay behind half-registered.
      Ungrab(Grab, static_cast<int>(I));
      return false;
    }
  }
  FGrabs.push_back(Grab);
  return true;
}

void TX11Hotkeys::Unregister(int AId) {
  auto It = std::find_if(FGrabs.begin(), FGrabs.end(), [AId](const TGrab& G) { return G.Id == AId; });
  if (It == FGrabs.end()) return;
  Ungrab(*It, static_cast<int>(LockVariants.size()));
  XFlush(FDisplay);
  FGrabs.erase(It);
}

void TX11Hotkeys::Ungrab(const TGrab& AGrab, int AVariants) {
  if (!FDisplay) return;
  TX11ErrorTrap Trap(FDisplay);
  for (int I = 0; I < AVariants; ++I)
    XUngrabKey(FDisplay, static_cast<int>(AGrab.KeyCode), AGrab.Modifiers | LockVariants[static_cast<std::size_t>(I)],
               FRoot);
  Trap.Sync();
}

bool TX11Hotkeys::nativeEventFilter(const QByteArray& AEventType, void* AMessage, qintptr*) {
  if (!FDisplay || FGrabs.empty() || AEventType != "xcb_generic_event_t") return false;
  const auto* Event = static_cast<const xcb_generic_event_t*>(AMessage);
  if ((Event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
  const auto* Press = static_cast<const xcb_key_press_event_t*>(AMessage);
  if (Press->event != FRoot) return false;

  const unsigned State = Press->state & HotKeyBits & ~LockBits;
  for (const TGrab& Grab : FGrabs) {
    if (Grab.KeyCode != Press->detail || Grab.Modifiers != State) continue;
    // Handled after the event filter has returned, as the desktop posts its hotkey message.
    const int Id = Grab.Id;
    QMetaObject::invokeMethod(
        FQueue.get(),
        [this, Id] {
          if (FOnHotKey) FOnHotKey(Id);
        },
        Qt::QueuedConnection);
    return true;
  }
  return false;
}

} // namespace vm
