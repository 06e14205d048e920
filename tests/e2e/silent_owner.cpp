// A clipboard owner that never delivers: it takes CLIPBOARD and then leaves every conversion
// request unanswered, as a hung program does. With "--answer-targets" it answers TARGETS with
// TARGETS and UTF8_STRING, so that a reader sees text on offer and then waits for it in vain.
// Prints "owner" once it holds the clipboard; ends when another program takes it.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t Atom(xcb_connection_t* AConnection, const char* AName) {
  xcb_intern_atom_reply_t* Reply =
      xcb_intern_atom_reply(AConnection, xcb_intern_atom(AConnection, 0, std::strlen(AName), AName), nullptr);
  const xcb_atom_t Result = Reply ? Reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(Reply);
  return Result;
}

xcb_window_t OwnerOf(xcb_connection_t* AConnection, xcb_atom_t ASelection) {
  xcb_get_selection_owner_reply_t* Reply =
      xcb_get_selection_owner_reply(AConnection, xcb_get_selection_owner(AConnection, ASelection), nullptr);
  const xcb_window_t Owner = Reply ? Reply->owner : xcb_window_t{XCB_WINDOW_NONE};
  std::free(Reply);
  return Owner;
}

void AnswerTargets(xcb_connection_t* AConnection, const xcb_selection_request_event_t& ARequest,
                   const xcb_atom_t (&ATargets)[2]) {
  const xcb_atom_t Property = ARequest.property != XCB_ATOM_NONE ? ARequest.property : ARequest.target;
  xcb_change_property(AConnection, XCB_PROP_MODE_REPLACE, ARequest.requestor, Property, XCB_ATOM_ATOM, 32, 2,
                      ATargets);
  xcb_selection_notify_event_t Notify{};
  Notify.response_type = XCB_SELECTION_NOTIFY;
  Notify.time = ARequest.time;
  Notify.requestor = ARequest.requestor;
  Notify.selection = ARequest.selection;
  Notify.target = ARequest.target;
  Notify.property = Property;
  xcb_send_event(AConnection, 0, ARequest.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&Notify));
  xcb_flush(AConnection);
}

} // namespace

int main(int argc, char** argv) {
  const bool AnswersTargets = argc > 1 && std::string(argv[1]) == "--answer-targets";
  xcb_connection_t* Connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(Connection)) return 2;
  xcb_screen_t* Screen = xcb_setup_roots_iterator(xcb_get_setup(Connection)).data;
  const xcb_window_t Window = xcb_generate_id(Connection);
  xcb_create_window(Connection, XCB_COPY_FROM_PARENT, Window, Screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  const xcb_atom_t Clipboard = Atom(Connection, "CLIPBOARD");
  const xcb_atom_t Targets[2] = {Atom(Connection, "TARGETS"), Atom(Connection, "UTF8_STRING")};
  xcb_set_selection_owner(Connection, Window, Clipboard, XCB_CURRENT_TIME);
  if (OwnerOf(Connection, Clipboard) != Window) return 3;
  std::puts("owner");
  std::fflush(stdout);

  while (xcb_generic_event_t* Event = xcb_wait_for_event(Connection)) {
    const int Type = Event->response_type & 0x7F;
    if (Type == XCB_SELECTION_CLEAR) {
      std::free(Event);
      break;
    }
    if (Type == XCB_SELECTION_REQUEST) {
      const auto& Request = *reinterpret_cast<xcb_selection_request_event_t*>(Event);
      if (AnswersTargets && Request.target == Targets[0]) AnswerTargets(Connection, Request, Targets);
    }
    std::free(Event);
  }
  xcb_disconnect(Connection);
  return 0;
}
