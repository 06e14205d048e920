#include "platform/linux/wayland_session.h"

#include <wayland-client.h>

#include <cstdlib>
#include <cstring>

namespace vm {

namespace {

void OnGlobal(void* AData, wl_registry*, uint32_t, const char* AInterface, uint32_t) {
  auto& Offer = *static_cast<TWaylandOffer*>(AData);
  if (std::strcmp(AInterface, "zwlr_data_control_manager_v1") == 0 ||
      std::strcmp(AInterface, "ext_data_control_manager_v1") == 0)
    Offer.DataControl = true;
  else if (std::strcmp(AInterface, "zwp_virtual_keyboard_manager_v1") == 0)
    Offer.VirtualKeyboard = true;
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener RegistryListener{OnGlobal, OnGlobalRemove};

} // namespace

std::optional<TWaylandOffer> ProbeWaylandCompositor() {
  // wl_display_connect falls back to "wayland-0" without the variable: an X11 session that
  // merely has a compositor socket lying around is still an X11 session.
  const char* Name = std::getenv("WAYLAND_DISPLAY");
  if (!Name || !*Name) return std::nullopt;
  wl_display* Display = wl_display_connect(nullptr);
  if (!Display) return std::nullopt;
  TWaylandOffer Offer;
  wl_registry* Registry = wl_display_get_registry(Display);
  wl_registry_add_listener(Registry, &RegistryListener, &Offer);
  const bool Answered = wl_display_roundtrip(Display) >= 0;
  wl_registry_destroy(Registry);
  wl_display_disconnect(Display);
  if (!Answered) return std::nullopt;
  return Offer;
}

TLinuxSession ChooseLinuxSession(const std::optional<TWaylandOffer>& ACompositor) {
  if (!ACompositor) return TLinuxSession::X11;
  return ACompositor->DataControl ? TLinuxSession::Wayland : TLinuxSession::XWaylandFallback;
}

std::string QtPlatformFor(TLinuxSession ASession) {
  switch (ASession) {
  // Without Qt's Wayland plugin installed the program still starts, through XWayland.
  case TLinuxSession::Wayland: return "wayland;xcb";
  case TLinuxSession::XWaylandFallback: return "xcb";
  case TLinuxSession::X11: break;
  }
  return {};
}

} // namespace vm
