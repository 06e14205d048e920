#pragma once
// Which desktop session the program starts in. A Wayland compositor gives no client a view of
// the clipboard except through its data-control protocol: only where it offers one does the
// program run as a Wayland client; elsewhere it runs through XWayland, where it sees the copies
// of X11 programs only.
#include <optional>
#include <string>
#include <vector>

namespace vm {

// What a Wayland compositor offers that the program can use.
struct TWaylandOffer {
  bool DataControl = false;     // zwlr_data_control_manager_v1 or ext_data_control_manager_v1
  bool VirtualKeyboard = false; // zwp_virtual_keyboard_manager_v1
};

// The two data-control protocols differ only in their names; the standard one is preferred.
enum class TDataControlProtocol { None, Wlr, Ext };
inline constexpr char ExtDataControlManager[] = "ext_data_control_manager_v1";
inline constexpr char WlrDataControlManager[] = "zwlr_data_control_manager_v1";

// Which data-control protocol to speak with a compositor that announces AInterfaces.
TDataControlProtocol ChooseDataControl(const std::vector<std::string>& AInterfaces);
TWaylandOffer OfferOf(const std::vector<std::string>& AInterfaces);

// Asks the compositor of $WAYLAND_DISPLAY for its globals; nullopt without a reachable one.
std::optional<TWaylandOffer> ProbeWaylandCompositor();

enum class TLinuxSession { X11, Wayland, XWaylandFallback };

TLinuxSession ChooseLinuxSession(const std::optional<TWaylandOffer>& ACompositor);

// The Qt platform plugin for the session, empty where Qt's own choice stands (X11).
std::string QtPlatformFor(TLinuxSession ASession);

// The one log line of a Wayland session that the program can only follow through XWayland.
inline constexpr char16_t XWaylandFallbackLogLine[] =
    u"Wayland session without data-control: only copies made in X11 programs are recorded (XWayland)";

} // namespace vm
