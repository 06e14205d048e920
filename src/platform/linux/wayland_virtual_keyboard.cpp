#include "platform/linux/wayland_virtual_keyboard.h"

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include <wayland-client.h>

#include "virtual-keyboard-unstable-v1-client.h"

namespace vm {

namespace {

// Key codes are evdev codes; the keymap names them 8 higher, as xkb does.
constexpr uint32_t EvdevLeftCtrl = 29;
constexpr uint32_t EvdevV = 47;
constexpr uint32_t ControlMask = 1u << 2; // the Control modifier of the "complete" compatibility map
constexpr std::uint16_t VkControl = 0x11;
constexpr std::uint16_t VkV = 0x56;

constexpr std::string_view Keymap =
    "xkb_keymap {\n"
    "  xkb_keycodes \"vellomarch\" { minimum = 8; maximum = 255; <LCTL> = 37; <AB04> = 55; };\n"
    "  xkb_types \"vellomarch\" { include \"complete\" };\n"
    "  xkb_compatibility \"vellomarch\" { include \"complete\" };\n"
    "  xkb_symbols \"vellomarch\" {\n"
    "    key <LCTL> { [ Control_L ] };\n"
    "    key <AB04> { [ v, V ] };\n"
    "    modifier_map Control { <LCTL> };\n"
    "  };\n"
    "};\n";

std::optional<uint32_t> EvdevCode(std::uint16_t AVirtualKey) {
  if (AVirtualKey == VkControl) return EvdevLeftCtrl;
  if (AVirtualKey == VkV) return EvdevV;
  return std::nullopt;
}

uint32_t NowMs() {
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

// The keymap in an unlinked memory file, as the compositor maps it; -1 on failure.
int KeymapFile() {
  const int Fd = memfd_create("vellomarch-keymap", MFD_CLOEXEC);
  if (Fd < 0) return -1;
  // The terminating zero belongs to the keymap the compositor reads.
  const std::size_t Size = Keymap.size() + 1;
  std::string Text(Keymap);
  if (::write(Fd, Text.c_str(), Size) != static_cast<ssize_t>(Size)) {
    ::close(Fd);
    return -1;
  }
  return Fd;
}

const wl_registry_listener RegistryListener{
    [](void* AData, wl_registry* ARegistry, uint32_t AName, const char* AInterface, uint32_t) {
      static_cast<TWaylandVirtualKeyboard*>(AData)->Global(ARegistry, AName, AInterface);
    },
    [](void*, wl_registry*, uint32_t) {}};

} // namespace

std::unique_ptr<TWaylandVirtualKeyboard> TWaylandVirtualKeyboard::Connect() {
  const char* Name = std::getenv("WAYLAND_DISPLAY");
  if (!Name || !*Name) return nullptr;
  wl_display* Display = wl_display_connect(nullptr);
  if (!Display) return nullptr;
  std::unique_ptr<TWaylandVirtualKeyboard> Keyboard(new TWaylandVirtualKeyboard(Display));
  if (!Keyboard->SetUp()) return nullptr;
  return Keyboard;
}

TWaylandVirtualKeyboard::~TWaylandVirtualKeyboard() {
  if (FKeyboard) zwp_virtual_keyboard_v1_destroy(FKeyboard);
  if (FManager) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(FManager));
  if (FSeat) wl_seat_destroy(FSeat);
  if (FRegistry) wl_registry_destroy(FRegistry);
  wl_display_flush(FDisplay);
  wl_display_disconnect(FDisplay);
}

void TWaylandVirtualKeyboard::Global(wl_registry* ARegistry, uint32_t AName, const char* AInterface) {
  if (std::strcmp(AInterface, zwp_virtual_keyboard_manager_v1_interface.name) == 0 && !FManager)
    FManager = static_cast<zwp_virtual_keyboard_manager_v1*>(
        wl_registry_bind(ARegistry, AName, &zwp_virtual_keyboard_manager_v1_interface, 1));
  else if (std::strcmp(AInterface, wl_seat_interface.name) == 0 && !FSeat)
    FSeat = static_cast<wl_seat*>(wl_registry_bind(ARegistry, AName, &wl_seat_interface, 1));
}

bool TWaylandVirtualKeyboard::SetUp() {
  FRegistry = wl_display_get_registry(FDisplay);
  wl_registry_add_listener(FRegistry, &RegistryListener, this);
  if (wl_display_roundtrip(FDisplay) < 0 || !FManager || !FSeat) return false;
  const int Fd = KeymapFile();
  if (Fd < 0) return false;
  FKeyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(FManager, FSeat);
  zwp_virtual_keyboard_v1_keymap(FKeyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, Fd,
                                 static_cast<uint32_t>(Keymap.size() + 1));
  ::close(Fd);
  // A compositor that refuses this client a keyboard ends the connection with an error.
  return wl_display_roundtrip(FDisplay) >= 0;
}

void TWaylandVirtualKeyboard::Send(const std::vector<TKeyRecord>& ARecords) {
  uint32_t Modifiers = 0;
  for (const TKeyRecord& Record : ARecords) {
    const auto Code = EvdevCode(Record.VirtualKey);
    if (!Code) continue;
    zwp_virtual_keyboard_v1_key(FKeyboard, NowMs(), *Code,
                                Record.KeyUp ? WL_KEYBOARD_KEY_STATE_RELEASED : WL_KEYBOARD_KEY_STATE_PRESSED);
    if (*Code == EvdevLeftCtrl) {
      Modifiers = Record.KeyUp ? 0 : ControlMask;
      zwp_virtual_keyboard_v1_modifiers(FKeyboard, Modifiers, 0, 0, 0);
    }
  }
  wl_display_flush(FDisplay);
}

} // namespace vm
