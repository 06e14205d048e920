// The program's own description of ext-data-control-v1 (src/platform/linux/protocols) against the
// wlroots data-control protocol as Debian packages it: the standard protocol is the wlroots one
// under other names, with the primary selection in its first version. No compositor on this
// machine offers the standard one (sway 1.7 has only wlroots'), so its wire form is checked here:
// the same interfaces, requests and events in the same order (their opcodes), with the same
// argument types, as the compositor's side expects them.
#include <gtest/gtest.h>

#include <wayland-client.h>

#include <string>

#include "ext-data-control-v1-client.h"
#include "platform/linux/wayland_session.h"
#include "wlr-data-control-unstable-v1-client.h"

namespace vm {
namespace {

// A message's argument types without the version it appeared in ("2?o" -> "?o").
std::string Arguments(const wl_message& AMessage) {
  const std::string Signature = AMessage.signature;
  const std::size_t Start = Signature.find_first_not_of("0123456789");
  return Start == std::string::npos ? std::string() : Signature.substr(Start);
}

std::string Renamed(const char* AWlrName) {
  const std::string Name = AWlrName;
  return Name.rfind("zwlr_", 0) == 0 ? "ext_" + Name.substr(5) : Name;
}

void ExpectSameMessages(const wl_message* AExt, const wl_message* AWlr, int ACount, const char* AKind) {
  for (int I = 0; I < ACount; ++I) {
    SCOPED_TRACE(std::string(AKind) + " " + std::to_string(I) + " " + AWlr[I].name);
    EXPECT_STREQ(AExt[I].name, AWlr[I].name);
    const std::string Arguments = vm::Arguments(AWlr[I]);
    EXPECT_EQ(vm::Arguments(AExt[I]), Arguments);
    // The interfaces of object and new-id arguments, by position.
    int Argument = 0;
    for (char Type : Arguments) {
      if (Type == '?') continue;
      const wl_interface* Ext = AExt[I].types[Argument];
      const wl_interface* Wlr = AWlr[I].types[Argument];
      ++Argument;
      ASSERT_EQ(Ext == nullptr, Wlr == nullptr) << "argument " << Argument;
      if (Wlr) {
        EXPECT_EQ(Ext->name, Renamed(Wlr->name)) << "argument " << Argument;
      }
    }
  }
}

TEST(WaylandDataControlProtocol, TheStandardOneIsWlrootsUnderOtherNames) {
  const struct {
    const wl_interface& Ext;
    const wl_interface& Wlr;
  } Pairs[] = {
      {ext_data_control_manager_v1_interface, zwlr_data_control_manager_v1_interface},
      {ext_data_control_device_v1_interface, zwlr_data_control_device_v1_interface},
      {ext_data_control_source_v1_interface, zwlr_data_control_source_v1_interface},
      {ext_data_control_offer_v1_interface, zwlr_data_control_offer_v1_interface},
  };
  for (const auto& Pair : Pairs) {
    SCOPED_TRACE(Pair.Ext.name);
    EXPECT_EQ(Pair.Ext.name, Renamed(Pair.Wlr.name));
    EXPECT_EQ(Pair.Ext.version, 1);
    ASSERT_EQ(Pair.Ext.method_count, Pair.Wlr.method_count);
    ASSERT_EQ(Pair.Ext.event_count, Pair.Wlr.event_count);
    ExpectSameMessages(Pair.Ext.methods, Pair.Wlr.methods, Pair.Wlr.method_count, "request");
    ExpectSameMessages(Pair.Ext.events, Pair.Wlr.events, Pair.Wlr.event_count, "event");
  }
  EXPECT_STREQ(ext_data_control_manager_v1_interface.name, ExtDataControlManager);
  EXPECT_STREQ(zwlr_data_control_manager_v1_interface.name, WlrDataControlManager);
}

} // namespace
} // namespace vm
