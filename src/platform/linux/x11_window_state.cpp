#include "platform/linux/x11_window_state.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vm::ui {

namespace {

xcb_atom_t InternAtom(xcb_connection_t* AConnection, const char* AName) {
  const xcb_intern_atom_cookie_t Cookie = xcb_intern_atom(AConnection, 0, static_cast<std::uint16_t>(std::strlen(AName)), AName);
  xcb_intern_atom_reply_t* Reply = xcb_intern_atom_reply(AConnection, Cookie, nullptr);
  const xcb_atom_t Atom = Reply ? Reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(Reply);
  return Atom;
}

xcb_connection_t* QtConnection() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return X11 ? X11->connection() : nullptr;
}

// The atoms of AWindow's _NET_WM_STATE (AState), none when it has no such property.
std::vector<xcb_atom_t> WindowStates(xcb_connection_t* AConnection, xcb_window_t AWindow, xcb_atom_t AState) {
  std::vector<xcb_atom_t> Atoms;
  if (AState == XCB_ATOM_NONE) return Atoms;
  const xcb_get_property_cookie_t Cookie = xcb_get_property(AConnection, 0, AWindow, AState, XCB_ATOM_ATOM, 0, 1024);
  if (xcb_get_property_reply_t* Reply = xcb_get_property_reply(AConnection, Cookie, nullptr)) {
    if (Reply->format == 32 && Reply->type == XCB_ATOM_ATOM) {
      const auto* Data = static_cast<const xcb_atom_t*>(xcb_get_property_value(Reply));
      Atoms.assign(Data, Data + xcb_get_property_value_length(Reply) / 4);
    }
    std::free(Reply);
  }
  return Atoms;
}

bool IsPropertyChange(QWidget& AWindow, const QByteArray& AEventType, void* AMessage, const char* AProperty) {
  xcb_connection_t* Connection = QtConnection();
  if (!Connection || AEventType != "xcb_generic_event_t") return false;
  const auto* Event = static_cast<const xcb_generic_event_t*>(AMessage);
  if ((Event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
  const auto* Notify = reinterpret_cast<const xcb_property_notify_event_t*>(Event);
  return Notify->window == static_cast<xcb_window_t>(AWindow.winId()) &&
         Notify->atom == InternAtom(Connection, AProperty);
}

} // namespace

void SetMoveOnlyFrameHints(QWidget& AWindow) {
  xcb_connection_t* Connection = QtConnection();
  if (!Connection) return;
  const xcb_atom_t Hints = InternAtom(Connection, "_MOTIF_WM_HINTS");
  if (Hints == XCB_ATOM_NONE) return;
  // flags, functions, decorations, input mode, status (Motif's MwmHints).
  constexpr std::uint32_t FlagFunctions = 1u << 0, FlagDecorations = 1u << 1;
  constexpr std::uint32_t FunctionMove = 1u << 2;
  constexpr std::uint32_t DecorationBorder = 1u << 1, DecorationTitle = 1u << 3;
  const std::uint32_t Values[5] = {FlagFunctions | FlagDecorations, FunctionMove, DecorationBorder | DecorationTitle,
                                   0, 0};
  xcb_change_property(Connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(AWindow.winId()), Hints, Hints,
                      32, 5, Values);
  xcb_flush(Connection);
}

void RequestFrameExtents(QWidget& AWindow) {
  xcb_connection_t* Connection = QtConnection();
  if (!Connection) return;
  const xcb_atom_t Request = InternAtom(Connection, "_NET_REQUEST_FRAME_EXTENTS");
  const xcb_screen_t* Screen = xcb_setup_roots_iterator(xcb_get_setup(Connection)).data;
  if (Request == XCB_ATOM_NONE || !Screen) return;
  xcb_client_message_event_t Message{};
  Message.response_type = XCB_CLIENT_MESSAGE;
  Message.format = 32;
  Message.window = static_cast<xcb_window_t>(AWindow.winId());
  Message.type = Request;
  xcb_send_event(Connection, 0, Screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&Message));
  xcb_flush(Connection);
}

std::optional<QMargins> FrameExtents(QWidget& AWindow) {
  xcb_connection_t* Connection = QtConnection();
  if (!Connection) return std::nullopt;
  const xcb_atom_t Extents = InternAtom(Connection, "_NET_FRAME_EXTENTS");
  if (Extents == XCB_ATOM_NONE) return std::nullopt;
  std::optional<QMargins> Frame;
  const xcb_get_property_cookie_t Cookie =
      xcb_get_property(Connection, 0, static_cast<xcb_window_t>(AWindow.winId()), Extents, XCB_ATOM_CARDINAL, 0, 4);
  if (xcb_get_property_reply_t* Reply = xcb_get_property_reply(Connection, Cookie, nullptr)) {
    if (Reply->format == 32 && xcb_get_property_value_length(Reply) == 16) {
      // left, right, top, bottom
      const auto* V = static_cast<const std::uint32_t*>(xcb_get_property_value(Reply));
      Frame = QMargins(static_cast<int>(V[0]), static_cast<int>(V[2]), static_cast<int>(V[1]), static_cast<int>(V[3]));
    }
    std::free(Reply);
  }
  return Frame;
}

bool IsFrameExtentsChange(QWidget& AWindow, const QByteArray& AEventType, void* AMessage) {
  return IsPropertyChange(AWindow, AEventType, AMessage, "_NET_FRAME_EXTENTS");
}

bool IsWindowStateChange(QWidget& AWindow, const QByteArray& AEventType, void* AMessage) {
  return IsPropertyChange(AWindow, AEventType, AMessage, "_NET_WM_STATE");
}

bool ListsSkipTaskbar(QWidget& AWindow) {
  xcb_connection_t* Connection = QtConnection();
  if (!Connection) return false;
  const xcb_atom_t SkipTaskbar = InternAtom(Connection, "_NET_WM_STATE_SKIP_TASKBAR");
  const std::vector<xcb_atom_t> Atoms = WindowStates(
      Connection, static_cast<xcb_window_t>(AWindow.winId()), InternAtom(Connection, "_NET_WM_STATE"));
  return SkipTaskbar != XCB_ATOM_NONE && std::find(Atoms.begin(), Atoms.end(), SkipTaskbar) != Atoms.end();
}

void RequestSkipTaskbar(QWidget& AWindow, bool AMapped) {
  xcb_connection_t* Connection = QtConnection();
  if (!Connection) return;
  const auto Window = static_cast<xcb_window_t>(AWindow.winId());
  const xcb_atom_t State = InternAtom(Connection, "_NET_WM_STATE");
  const xcb_atom_t SkipTaskbar = InternAtom(Connection, "_NET_WM_STATE_SKIP_TASKBAR");
  if (State == XCB_ATOM_NONE || SkipTaskbar == XCB_ATOM_NONE) return;
  if (AMapped) {
    // _NET_WM_STATE_ADD from a normal application (source 1), to the root window.
    xcb_client_message_event_t Message{};
    Message.response_type = XCB_CLIENT_MESSAGE;
    Message.format = 32;
    Message.window = Window;
    Message.type = State;
    Message.data.data32[0] = 1;
    Message.data.data32[1] = SkipTaskbar;
    Message.data.data32[3] = 1;
    const xcb_screen_t* Screen = xcb_setup_roots_iterator(xcb_get_setup(Connection)).data;
    if (!Screen) return;
    xcb_send_event(Connection, 0, Screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&Message));
    xcb_flush(Connection);
    return;
  }
  // Keeps the states already asked for (Qt adds its own on mapping, keeping ours).
  std::vector<xcb_atom_t> Atoms = WindowStates(Connection, Window, State);
  for (xcb_atom_t Atom : Atoms)
    if (Atom == SkipTaskbar) return;
  Atoms.push_back(SkipTaskbar);
  xcb_change_property(Connection, XCB_PROP_MODE_REPLACE, Window, State, XCB_ATOM_ATOM, 32,
                      static_cast<std::uint32_t>(Atoms.size()), Atoms.data());
  xcb_flush(Connection);
}

} // namespace vm::ui
