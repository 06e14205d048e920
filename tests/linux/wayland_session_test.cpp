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
