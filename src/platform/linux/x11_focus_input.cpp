#include "platform/linux/x11_focus_input.h"

#include <QWidget>

#include <algorithm>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "platform/linux/x11_keysyms.h"

namespace vm {
namespace {

constexpr auto PollInterval = std::chrono::milliseconds(10);
// _NET_ACTIVE_WINDOW's source indication of pagers and other tools acting for the user.
constexpr long SourcePager = 2;

// The 32-bit items of a property (windows, atoms), empty when it is missing, of another type or
// the window is gone.
std::vector<unsigned long> ReadProperty(Display* ADisplay, Window AWindow, Atom AProperty, Atom AType) {
  std::vector<unsigned long> Items;
  TX11ErrorTrap Trap(ADisplay);
  Atom ActualType = 0;
  int ActualFormat = 0;
  unsigned long Count = 0, After = 0;
  unsigned char* Data = nullptr;
  const int Result = XGetWindowProperty(ADisplay, AWindow, AProperty, 0, 4096, False, AType, &ActualType,
                                        &ActualFormat, &Count, &After, &Data);
  if (Trap.Sync() == 0 && Result == Success && Data && ActualType == AType && ActualFormat == 32) {
    // Xlib hands 32-bit items over as longs.
    const auto* Values = reinterpret_cast<const unsigned long*>(Data);
    Items.assign(Values, Values + Count);
  }
  if (Data) XFree(Data);
  return Items;
}

} // namespace

TX11FocusInput::TX11FocusInput(std::chrono::milliseconds AActivationWait)
    : FDisplay(QtX11Display()), FActivationWait(AActivationWait) {
  if (!FDisplay) return;
  FRoot = DefaultRootWindow(FDisplay);
  FNetActiveWindow = XInternAtom(FDisplay, "_NET_ACTIVE_WINDOW", False);
  FNetSupported = XInternAtom(FDisplay, "_NET_SUPPORTED", False);
  FNetSupportingWmCheck = XInternAtom(FDisplay, "_NET_SUPPORTING_WM_CHECK", False);
  int EventBase = 0, ErrorBase = 0, Major = 0, Minor = 0;
  FHasXTest = XTestQueryExtension(FDisplay, &EventBase, &ErrorBase, &Major, &Minor) != False;
}

bool TX11FocusInput::HasActiveWindowSupport() {
  if (!FDisplay) return false;
  // A window manager that died leaves its properties on the root window; only one whose check
  // window still exists and points to itself is there to answer.
  const auto Check = ReadProperty(FDisplay, FRoot, FNetSupportingWmCheck, XA_WINDOW);
  if (Check.empty() || Check[0] == 0) return false;
  const auto Self = ReadProperty(FDisplay, Check[0], FNetSupportingWmCheck, XA_WINDOW);
  if (Self.empty() || Self[0] != Check[0]) return false;
  const auto Supported = ReadProperty(FDisplay, FRoot, FNetSupported, XA_ATOM);
  return std::find(Supported.begin(), Supported.end(), FNetActiveWindow) != Supported.end();
}

TWindowHandle TX11FocusInput::CurrentFocus() {
  if (!FDisplay) return 0;
  Window Focus = 0;
  int RevertTo = 0;
  XGetInputFocus(FDisplay, &Focus, &RevertTo);
  // None and PointerRoot name no window.
  if (Focus == None || Focus == PointerRoot) return 0;
  return Focus;
}

TWindowHandle TX11FocusInput::GetForegroundWindow() {
  if (!FDisplay) return 0;
  if (!HasActiveWindowSupport()) return CurrentFocus();
  const auto Active = ReadProperty(FDisplay, FRoot, FNetActiveWindow, XA_WINDOW);
  return Active.empty() ? 0 : Active[0];
}

bool TX11FocusInput::IsActive(TWindowHandle AWindow) {
  if (!FDisplay || AWindow == 0) return false;
  if (HasActiveWindowSupport()) {
    const auto Active = ReadProperty(FDisplay, FRoot, FNetActiveWindow, XA_WINDOW);
    if (Active.empty() || Active[0] != AWindow) return false;
  }
  // The keys go where the input focus is: on the window itself or on one of its descendants.
  Window Current = CurrentFocus();
  TX11ErrorTrap Trap(FDisplay);
  for (int Depth = 0; Current != 0 && Depth < 64; ++Depth) {
    if (Current == AWindow) return true;
    Window Root = 0, Parent = 0;
    Window* Children = nullptr;
    unsigned Count = 0;
    const int Ok = XQueryTree(FDisplay, Current, &Root, &Parent, &Children, &Count);
    if (Children) XFree(Children);
    if (!Ok || Parent == Current || Parent == Root) break;
    Current = Parent;
  }
  return false;
}

void TX11FocusInput::RequestActivation(TWindowHandle AWindow, bool AWindowManager) {
  if (AWindowManager) {
    XEvent Event{};
    Event.xclient.type = ClientMessage;
    Event.xclient.window = AWindow;
    Event.xclient.message_type = FNetActiveWindow;
    Event.xclient.format = 32;
    Event.xclient.data.l[0] = SourcePager;
    Event.xclient.data.l[1] = CurrentTime;
    Event.xclient.data.l[2] = 0;
    XSendEvent(FDisplay, FRoot, False, SubstructureRedirectMask | SubstructureNotifyMask, &Event);
    XFlush(FDisplay);
    return;
  }
  // Without a window manager nobody else will: raise the window and give it the focus. A window
  // that is not (yet) viewable refuses the focus with BadMatch, which is no failure here.
  TX11ErrorTrap Trap(FDisplay);
  XWindowAttributes Attributes{};
  if (!XGetWindowAttributes(FDisplay, AWindow, &Attributes) || Trap.Sync() != 0) return;
  if (Attributes.map_state != IsViewable) return;
  XRaiseWindow(FDisplay, AWindow);
  XSetInputFocus(FDisplay, AWindow, RevertToParent, CurrentTime);
  Trap.Sync();
}

bool TX11FocusInput::SetForegroundWindow(TWindowHandle AWindow) {
  if (AWindow == 0) return false;
  bool Done = false;
  if (QWidget* Widget = QWidget::find(static_cast<WId>(AWindow))) {
    Widget->raise();
    Widget->activateWindow();
    Done = true;
  }
  if (!FDisplay) return Done;
  RequestActivation(AWindow, HasActiveWindowSupport());
  return true;
}

std::uint32_t TX11FocusInput::GetWindowThreadId(TWindowHandle AWindow) { return AWindow == 0 ? 0 : WindowThreadId; }

std::uint32_t TX11FocusInput::GetCurrentThreadId() { return OwnThreadId; }

bool TX11FocusInput::AttachThreadInput(std::uint32_t, std::uint32_t, bool) { return true; }

TWindowHandle TX11FocusInput::GetFocus() { return CurrentFocus(); }

void TX11FocusInput::SetFocus(TWindowHandle AWindow) {
  if (!FDisplay || AWindow == 0 || CurrentFocus() == AWindow) return;
  TX11ErrorTrap Trap(FDisplay);
  XSetInputFocus(FDisplay, AWindow, RevertToParent, CurrentTime);
  Trap.Sync();
}

void TX11FocusInput::ReturnActivation(TWindowHandle AActiveWnd) {
  if (!FDisplay || AActiveWnd == 0 || IsActive(AActiveWnd)) return;
  RequestActivation(AActiveWnd, HasActiveWindowSupport());
  // The window manager acts on its own time; the keys that follow must find the window ready.
  const auto Deadline = std::chrono::steady_clock::now() + FActivationWait;
  while (std::chrono::steady_clock::now() < Deadline) {
    std::this_thread::sleep_for(PollInterval);
    if (IsActive(AActiveWnd)) return;
  }
}

void TX11FocusInput::SendInput(const std::vector<TKeyRecord>& ARecords) {
  if (!FDisplay || !FHasXTest) return;
  for (const TKeyRecord& Record : ARecords) {
    const unsigned long KeySym = VirtualKeyToKeySym(Record.VirtualKey);
    const KeyCode Code = KeySym == NoSymbol ? 0 : XKeysymToKeycode(FDisplay, KeySym);
    if (Code == 0) continue;
    XTestFakeKeyEvent(FDisplay, Code, Record.KeyUp ? False : True, CurrentTime);
  }
  XFlush(FDisplay);
}

} // namespace vm
