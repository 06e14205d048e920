// Which session the program starts in, from what the compositor (if any) offers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/linux/wayland_session.h"

namespace vm {
namespace {

TEST(TWaylandSession, DataControlDecidesBetweenNativeWaylandAndXWayland) {
  const struct {
    const char* Name;
    std::optional<TWaylandOffer> Compositor;
    TLinuxSession Session;
    std::string QtPlatform;
  } Cases[] = {
      {"no compositor", std::nullopt, TLinuxSession::X11, ""},
      {"data-control and virtual keyboard (wlroots)", TWaylandOffer{true, true}, TLinuxSession::Wayland, "wayland;xcb"},
      {"data-control only (KDE Plasma)", TWaylandOffer{true, false}, TLinuxSession::Wayland, "wayland;xcb"},
      {"neither (GNOME)", TWaylandOffer{false, false}, TLinuxSession::XWaylandFallback, "xcb"},
      {"virtual keyboard only", TWaylandOffer{false, true}, TLinuxSession::XWaylandFallback, "xcb"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    const TLinuxSession Session = ChooseLinuxSession(Case.Compositor);
    EXPECT_EQ(Session, Case.Session);
    EXPECT_EQ(QtPlatformFor(Session), Case.QtPlatform);
  }
}

// The standard data-control protocol where the compositor has it, wherever it is announced;
// wlroots' otherwise.
TEST(TWaylandSession, TheStandardDataControlIsPreferred) {
  const struct {
    const char* Name;
    std::vector<std::string> Globals;
    TDataControlProtocol Chosen;
  } Cases[] = {
      {"both, standard first", {"wl_seat", "ext_data_control_manager_v1", "zwlr_data_control_manager_v1"}, TDataControlProtocol::Ext},
      {"both, standard last", {"zwlr_data_control_manager_v1", "wl_seat", "ext_data_control_manager_v1"}, TDataControlProtocol::Ext},
      {"wlroots only (sway 1.7)", {"wl_seat", "zwlr_data_control_manager_v1", "zwp_virtual_keyboard_manager_v1"}, TDataControlProtocol::Wlr},
      {"standard only", {"ext_data_control_manager_v1", "wl_seat"}, TDataControlProtocol::Ext},
      {"neither (GNOME)", {"wl_seat", "wl_data_device_manager", "zwp_primary_selection_device_manager_v1"}, TDataControlProtocol::None},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    EXPECT_EQ(ChooseDataControl(Case.Globals), Case.Chosen);
    EXPECT_EQ(OfferOf(Case.Globals).DataControl, Case.Chosen != TDataControlProtocol::None);
  }
}

// An X11 session may still have a compositor's socket about; without WAYLAND_DISPLAY none is asked.
TEST(TWaylandSession, NoWaylandDisplayMeansNoCompositor) {
  const char* Old = std::getenv("WAYLAND_DISPLAY");
  const std::string Saved = Old ? Old : "";
  for (const char* Value : {static_cast<const char*>(nullptr), ""}) {
    Value ? setenv("WAYLAND_DISPLAY", Value, 1) : unsetenv("WAYLAND_DISPLAY");
    EXPECT_FALSE(ProbeWaylandCompositor().has_value());
  }
  if (Old) setenv("WAYLAND_DISPLAY", Saved.c_str(), 1);
}

} // namespace
} // namespace vm
