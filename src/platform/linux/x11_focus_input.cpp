#include "platform/linux/x11_focus_input.h"

#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <xcb/xcb.h>

#include "platform/linux/x11_keysyms.h"

namespace vm {
namespace {

// How often the wait for an activation looks again when no property change has woken it.
constexpr auto PollInterval = std::chrono::milliseconds(10);
// _NET_ACTIVE_WINDOW's source indication of pagers and other tools acting for the user.
constexpr long SourcePager = 2;

template <class TReply> struct TFreeReply {
  void operator()(TReply* AReply) const { std::free(AReply); }
};
template <class TReply> using TReplyPtr = std::unique_ptr<TReply, TFreeReply<TReply>>;

xcb_get_property_cookie_t AskProperty(xcb_connection_t* AConnection, unsigned long AWindow, unsigned long AProperty,
                                      unsigned long AType) {
  return xcb_get_property(AConnection, 0, static_cast<xcb_window_t>(AWindow), static_cast<xcb_atom_t>(AProperty),
                          static_cast<xcb_atom_t>(AType), 0, 4096);
}

// The 32-bit items of a property (windows, atoms), empty when it is missing, of another type or
// the window is gone. The reply and any error come back together: one round trip, no error
// handler involved.
std::vector<unsigned long> PropertyItems(xcb_connection_t* AConnection, xcb_get_property_cookie_t ACookie,
                                         unsigned long AType) {
  std::vector<unsigned long> Items;
  xcb_generic_error_t* Error = nullptr;
  const TReplyPtr<xcb_get_property_reply_t> Reply(xcb_get_property_reply(AConnection, ACookie, &Error));
  std::free(Error);
  if (Reply && Reply->type == AType && Reply->format == 32) {
    const auto* Values = static_cast<const std::uint32_t*>(xcb_get_property_value(Reply.get()));
    Items.assign(Values, Values + xcb_get_property_value_length(Reply.get()) / 4);
  }
  return Items;
}

std::vector<unsigned long> ReadProperty(xcb_connection_t* AConnection, unsigned long AWindow, unsigned long AProperty,
                                        unsigned long AType) {
  return PropertyItems(AConnection, AskProperty(AConnection, AWindow, AProperty, AType), AType);
}

xcb_connection_t* QtConnection() {
  if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return X11 ? X11->connection() : nullptr;
}

} // namespace

// A connection of its own on which the root window's property changes arrive: Qt's connection
// hands its events to Qt's loop, which does not run while a paste waits for its target.
class TX11FocusInput::TActivationWatch {
public:
  TActivationWatch(const char* ADisplayName, unsigned long AProperty) : FProperty(AProperty) {
    FConnection = xcb_connect(ADisplayName, nullptr);
    if (xcb_connection_has_error(FConnection)) return;
    const xcb_screen_t* Screen = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data;
    if (!Screen) return;
    const std::uint32_t Mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    // Checked: the server has taken the mask before the first activation is asked for.
    const xcb_void_cookie_t Cookie =
        xcb_change_window_attributes_checked(FConnection, Screen->root, XCB_CW_EVENT_MASK, &Mask);
    xcb_generic_error_t* Error = xcb_request_check(FConnection, Cookie);
    FUsable = Error == nullptr;
    std::free(Error);
  }
  ~TActivationWatch() { xcb_disconnect(FConnection); }
  TActivationWatch(const TActivationWatch&) = delete;
  TActivationWatch& operator=(const TActivationWatch&) = delete;

  bool Usable() const { return FUsable && !xcb_connection_has_error(FConnection); }
  // Forgets the changes seen so far.
  void Drain() {
    while (xcb_generic_event_t* Event = xcb_poll_for_event(FConnection)) std::free(Event);
  }
  // Waits until the watched property changes or ATimeout passes; true for a change.
  bool WaitForChange(std::chrono::milliseconds ATimeout) {
    const auto Deadline = std::chrono::steady_clock::now() + ATimeout;
    for (;;) {
      bool Changed = false;
      while (xcb_generic_event_t* Event = xcb_poll_for_event(FConnection)) {
        if ((Event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<xcb_property_notify_event_t*>(Event)->atom == FProperty)
          Changed = true;
        std::free(Event);
      }
      if (Changed) return true;
      const auto Left =
          std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - std::chrono::steady_clock::now());
      if (Left.count() <= 0 || !Usable()) return false;
      pollfd Fd{xcb_get_file_descriptor(FConnection), POLLIN, 0};
      ::poll(&Fd, 1, static_cast<int>(Left.count()) + 1);
    }
  }

private:
  xcb_connection_t* FConnection = nullptr;
  unsigned long FProperty;
  bool FUsable = false;
};

TX11FocusInput::~TX11FocusInput() = default;

TX11FocusInput::TX11FocusInput(std::chrono::milliseconds AActivationWait)
    : FDisplay(QtX11Display()), FConnection(QtConnection()), FActivationWait(AActivationWait) {
  if (!FDisplay || !FConnection) {
    FDisplay = nullptr;
    return;
  }
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
  // Both root properties asked at once: two round trips in all, not three.
  const auto CheckCookie = AskProperty(FConnection, FRoot, FNetSupportingWmCheck, XA_WINDOW);
  const auto SupportedCookie = AskProperty(FConnection, FRoot, FNetSupported, XA_ATOM);
  const auto Check = PropertyItems(FConnection, CheckCookie, XA_WINDOW);
  const auto Supported = PropertyItems(FConnection, SupportedCookie, XA_ATOM);
  if (Check.empty() || Check[0] == 0) return false;
  const auto Self = ReadProperty(FConnection, Check[0], FNetSupportingWmCheck, XA_WINDOW);
  if (Self.empty() || Self[0] != Check[0]) return false;
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
  const auto Active = ReadProperty(FConnection, FRoot, FNetActiveWindow, XA_WINDOW);
  return Active.empty() ? 0 : Active[0];
}

bool TX11FocusInput::IsActive(TWindowHandle AWindow) {
  if (!FDisplay || AWindow == 0) return false;
  if (HasActiveWindowSupport()) {
    const auto Active = ReadProperty(FConnection, FRoot, FNetActiveWindow, XA_WINDOW);
    if (Active.empty() || Active[0] != AWindow) return false;
  }
  // The keys go where the input focus is: on the window itself or on one of its descendants.
  TWindowHandle Current = CurrentFocus();
  for (int Depth = 0; Current != 0 && Depth < 64; ++Depth) {
    if (Current == AWindow) return true;
    xcb_generic_error_t* Error = nullptr;
    const TReplyPtr<xcb_query_tree_reply_t> Tree(
        xcb_query_tree_reply(FConnection, xcb_query_tree(FConnection, static_cast<xcb_window_t>(Current)), &Error));
    std::free(Error);
    if (!Tree || Tree->parent == Current || Tree->parent == Tree->root || Tree->parent == XCB_WINDOW_NONE) break;
    Current = Tree->parent;
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
  // Watching before asking, so that the window manager's answer cannot slip by unseen.
  if (!FActivationWatch)
    FActivationWatch = std::make_unique<TActivationWatch>(DisplayString(FDisplay), FNetActiveWindow);
  FActivationWatch->Drain();
  RequestActivation(AActiveWnd, HasActiveWindowSupport());
  // The window manager acts on its own time; the keys that follow must find the window ready.
  // It announces the new active window on the root window; the focus may also come back
  // without that (no window manager), hence a look at least every PollInterval.
  const auto Deadline = std::chrono::steady_clock::now() + FActivationWait;
  while (!IsActive(AActiveWnd)) {
    const auto Left =
        std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - std::chrono::steady_clock::now());
    if (Left.count() <= 0) return;
    const auto Slice = std::min(Left, std::chrono::duration_cast<std::chrono::milliseconds>(PollInterval));
    if (FActivationWatch->Usable()) FActivationWatch->WaitForChange(Slice);
    else std::this_thread::sleep_for(Slice);
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
