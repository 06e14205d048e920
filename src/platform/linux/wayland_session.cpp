#include "platform/linux/wayland_session.h"

#include <wayland-client.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vm {

namespace {

void OnGlobal(void* AData, wl_registry*, uint32_t, const char* AInterface, uint32_t) {
  static_cast<std::vector<std::string>*>(AData)->emplace_back(AInterface);
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
  std::vector<std::string> Interfaces;
  wl_registry* Registry = wl_display_get_registry(Display);
  wl_registry_add_listener(Registry, &RegistryListener, &Interfaces);
  const bool Answered = wl_display_roundtrip(Display) >= 0;
  wl_registry_destroy(Registry);
  wl_display_disconnect(Display);
  if (!Answered) return std::nullopt;
  return OfferOf(Interfaces);
}

TDataControlProtocol ChooseDataControl(const std::vector<std::string>& AInterfaces) {
  auto Has = [&AInterfaces](const char* AName) {
    return std::find(AInterfaces.begin(), AInterfaces.end(), AName) != AInterfaces.end();
  };
  if (Has(ExtDataControlManager)) return TDataControlProtocol::Ext;
  if (Has(WlrDataControlManager)) return TDataControlProtocol::Wlr;
  return TDataControlProtocol::None;
}

TWaylandOffer OfferOf(const std::vector<std::string>& AInterfaces) {
  TWaylandOffer Offer;
  Offer.DataControl = ChooseDataControl(AInterfaces) != TDataControlProtocol::None;
  Offer.VirtualKeyboard =
      std::find(AInterfaces.begin(), AInterfaces.end(), "zwp_virtual_keyboard_manager_v1") != AInterfaces.end();
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
