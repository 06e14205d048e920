// Takes the Wayland clipboard through data-control with several formats at once, as a password
// manager (a text beside its mark) or a program that never answers would:
//   wl_clip_owner MIME VALUE [MIME VALUE ...]
// A VALUE of "@silent" is never sent: the reader's pipe is kept open and nothing is written.
// Ends when another client takes the clipboard.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <wayland-client.h>

#include "wlr-data-control-unstable-v1-client.h"

namespace {

struct TOwner {
  wl_seat* Seat = nullptr;
  zwlr_data_control_manager_v1* Manager = nullptr;
  std::vector<std::pair<std::string, std::string>> Formats;
  std::vector<int> HeldOpen;
  bool Cancelled = false;
};

void OnGlobal(void* AData, wl_registry* ARegistry, uint32_t AName, const char* AInterface, uint32_t) {
  auto& Owner = *static_cast<TOwner*>(AData);
  if (std::strcmp(AInterface, zwlr_data_control_manager_v1_interface.name) == 0)
    Owner.Manager = static_cast<zwlr_data_control_manager_v1*>(
        wl_registry_bind(ARegistry, AName, &zwlr_data_control_manager_v1_interface, 1));
  else if (std::strcmp(AInterface, wl_seat_interface.name) == 0 && !Owner.Seat)
    Owner.Seat = static_cast<wl_seat*>(wl_registry_bind(ARegistry, AName, &wl_seat_interface, 1));
}

void OnSend(void* AData, zwlr_data_control_source_v1*, const char* AMimeType, int32_t AFd) {
  auto& Owner = *static_cast<TOwner*>(AData);
  for (const auto& [Mime, Value] : Owner.Formats) {
    if (Mime != AMimeType) continue;
    if (Value == "@silent") {
      Owner.HeldOpen.push_back(AFd);
      return;
    }
    if (::write(AFd, Value.data(), Value.size()) != static_cast<ssize_t>(Value.size())) std::perror("write");
  }
  ::close(AFd);
}

void OnCancelled(void* AData, zwlr_data_control_source_v1*) { static_cast<TOwner*>(AData)->Cancelled = true; }

} // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: wl_clip_owner MIME VALUE [MIME VALUE ...]\n");
    return 2;
  }
  TOwner Owner;
  for (int I = 1; I + 1 < argc; I += 2) Owner.Formats.emplace_back(argv[I], argv[I + 1]);

  wl_display* Display = wl_display_connect(nullptr);
  if (!Display) return 1;
  const wl_registry_listener RegistryListener{OnGlobal, [](void*, wl_registry*, uint32_t) {}};
  wl_registry* Registry = wl_display_get_registry(Display);
  wl_registry_add_listener(Registry, &RegistryListener, &Owner);
  wl_display_roundtrip(Display);
  if (!Owner.Manager || !Owner.Seat) return 1;

  zwlr_data_control_device_v1* Device = zwlr_data_control_manager_v1_get_data_device(Owner.Manager, Owner.Seat);
  zwlr_data_control_source_v1* Source = zwlr_data_control_manager_v1_create_data_source(Owner.Manager);
  const zwlr_data_control_source_v1_listener SourceListener{OnSend, OnCancelled};
  zwlr_data_control_source_v1_add_listener(Source, &SourceListener, &Owner);
  for (const auto& [Mime, Value] : Owner.Formats) zwlr_data_control_source_v1_offer(Source, Mime.c_str());
  zwlr_data_control_device_v1_set_selection(Device, Source);
  while (!Owner.Cancelled && wl_display_dispatch(Display) >= 0) {
  }
  for (const int Fd : Owner.HeldOpen) ::close(Fd);
  wl_display_disconnect(Display);
  return 0;
}
