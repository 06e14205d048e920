#pragma once
// The keys of a paste (Ctrl+V) sent through the compositor's virtual keyboard. The keyboard
// brings a keymap of its own holding only Control and V, so that V is V whatever layout the
// user has chosen.
#include <memory>

#include "platform/linux/wayland_focus_input.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace vm {

class TWaylandVirtualKeyboard final : public IVirtualKeyboard {
public:
  // A connection of its own to the compositor of $WAYLAND_DISPLAY; nullptr where it offers no
  // virtual keyboard, or refuses one.
  static std::unique_ptr<TWaylandVirtualKeyboard> Connect();
  ~TWaylandVirtualKeyboard() override;

  // Keys other than Control and V are not on the keyboard and are left out.
  void Send(const std::vector<TKeyRecord>& ARecords) override;

  void Global(wl_registry* ARegistry, uint32_t AName, const char* AInterface);

private:
  explicit TWaylandVirtualKeyboard(wl_display* ADisplay) : FDisplay(ADisplay) {}
  bool SetUp();

  wl_display* FDisplay;
  wl_registry* FRegistry = nullptr;
  wl_seat* FSeat = nullptr;
  zwp_virtual_keyboard_manager_v1* FManager = nullptr;
  zwp_virtual_keyboard_v1* FKeyboard = nullptr;
};

} // namespace vm
