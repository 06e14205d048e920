#include "platform/linux/x11_dpi.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "support/rounding.h"

namespace vm {

namespace {

constexpr std::string_view XftDpiName = "Xft.dpi";

std::string_view Trimmed(std::string_view AText) {
  const auto Blank = [](char C) { return C == ' ' || C == '\t' || C == '\r'; };
  while (!AText.empty() && Blank(AText.front())) AText.remove_prefix(1);
  while (!AText.empty() && Blank(AText.back())) AText.remove_suffix(1);
  return AText;
}

std::optional<int> PositiveNumber(std::string_view AText) {
  double Value = 0;
  const auto [End, Error] = std::from_chars(AText.data(), AText.data() + AText.size(), Value);
  if (Error != std::errc() || End != AText.data() + AText.size() || !std::isfinite(Value)) return std::nullopt;
  const int Rounded = Value < 1e6 ? RoundHalfEven(Value) : 0;
  if (Rounded <= 0) return std::nullopt;
  return Rounded;
}

std::string RootProperty(xcb_connection_t* AConnection, xcb_window_t ARoot, xcb_atom_t AProperty) {
  std::string Value;
  const xcb_get_property_cookie_t Cookie =
      xcb_get_property(AConnection, 0, ARoot, AProperty, XCB_ATOM_STRING, 0, 1 << 20);
  if (xcb_get_property_reply_t* Reply = xcb_get_property_reply(AConnection, Cookie, nullptr)) {
    if (Reply->format == 8)
      Value.assign(static_cast<const char*>(xcb_get_property_value(Reply)),
                   static_cast<std::size_t>(xcb_get_property_value_length(Reply)));
    std::free(Reply);
  }
  return Value;
}

} // namespace

std::optional<int> XftDpiFromResources(std::string_view AResources) {
  std::optional<int> Dpi;
  while (!AResources.empty()) {
    const std::size_t LineEnd = AResources.find('\n');
    std::string_view Line = AResources.substr(0, LineEnd);
    AResources = LineEnd == std::string_view::npos ? std::string_view() : AResources.substr(LineEnd + 1);
    const std::size_t Colon = Line.find(':');
    if (Colon == std::string_view::npos || Trimmed(Line.substr(0, Colon)) != XftDpiName) continue;
    // A later line overrides an earlier one, as in the resource database.
    Dpi = PositiveNumber(Trimmed(Line.substr(Colon + 1)));
  }
  return Dpi;
}

int PhysicalDpi(int APixels, int AMillimetres) {
  if (APixels <= 0 || AMillimetres <= 0) return 0;
  return RoundHalfEven(APixels * 25.4 / AMillimetres);
}

int X11DisplayDpi(xcb_connection_t* AConnection) {
  if (!AConnection || xcb_connection_has_error(AConnection)) return 0;
  const xcb_screen_t* Screen = xcb_setup_roots_iterator(xcb_get_setup(AConnection)).data;
  if (!Screen) return 0;
  // RESOURCE_MANAGER is a predefined atom: no round trip to intern it.
  if (const auto Xft = XftDpiFromResources(RootProperty(AConnection, Screen->root, XCB_ATOM_RESOURCE_MANAGER)))
    return *Xft;
  return PhysicalDpi(Screen->width_in_pixels, Screen->width_in_millimeters);
}

int X11DisplayDpi() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return 0;
  auto* X11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return X11DisplayDpi(X11 ? X11->connection() : nullptr);
}

TX11ResourceWatcher::TX11ResourceWatcher(std::function<void()> AOnChange) : FOnChange(std::move(AOnChange)) {
  if (QCoreApplication* App = QCoreApplication::instance()) App->installNativeEventFilter(this);
}

TX11ResourceWatcher::~TX11ResourceWatcher() {
  if (QCoreApplication* App = QCoreApplication::instance()) App->removeNativeEventFilter(this);
}

bool TX11ResourceWatcher::nativeEventFilter(const QByteArray& AEventType, void* AMessage, qintptr*) {
  if (AEventType != "xcb_generic_event_t" || !FOnChange) return false;
  const auto* Event = static_cast<const xcb_generic_event_t*>(AMessage);
  // Qt selects property changes on the root windows for its own use.
  if ((Event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
      reinterpret_cast<const xcb_property_notify_event_t*>(Event)->atom == XCB_ATOM_RESOURCE_MANAGER)
    FOnChange();
  return false;
}

} // namespace vm
