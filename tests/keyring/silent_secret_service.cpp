// A Secret Service that never answers, as a hung keyring daemon: it owns org.freedesktop.secrets
// on the session bus and keeps every call to the service unanswered. Prints "owner" once the name
// is its own.
#include <gio/gio.h>

#include <cstdio>

namespace {

constexpr char Introspection[] =
    "<node><interface name='org.freedesktop.Secret.Service'>"
    "<method name='OpenSession'><arg type='s' direction='in'/><arg type='v' direction='in'/>"
    "<arg type='v' direction='out'/><arg type='o' direction='out'/></method>"
    "<method name='SearchItems'><arg type='a{ss}' direction='in'/><arg type='ao' direction='out'/>"
    "<arg type='ao' direction='out'/></method>"
    "</interface></node>";

void OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
                  GDBusMethodInvocation* AInvocation, gpointer) {
  // Kept, never returned: the caller waits for an answer that does not come.
  g_object_ref(AInvocation);
}

void OnBusAcquired(GDBusConnection* AConnection, const gchar*, gpointer AInfo) {
  static const GDBusInterfaceVTable VTable = {&OnMethodCall, nullptr, nullptr, {}};
  auto* Info = static_cast<GDBusNodeInfo*>(AInfo);
  g_dbus_connection_register_object(AConnection, "/org/freedesktop/secrets", Info->interfaces[0], &VTable, nullptr,
                                    nullptr, nullptr);
}

void OnNameAcquired(GDBusConnection*, const gchar*, gpointer) {
  std::puts("owner");
  std::fflush(stdout);
}

void OnNameLost(GDBusConnection*, const gchar*, gpointer ALoop) { g_main_loop_quit(static_cast<GMainLoop*>(ALoop)); }

} // namespace

int main() {
  GDBusNodeInfo* Info = g_dbus_node_info_new_for_xml(Introspection, nullptr);
  GMainLoop* Loop = g_main_loop_new(nullptr, FALSE);
  // The callbacks take the data of g_bus_own_name: the node for the object, the loop for a lost name.
  struct TData {
    GDBusNodeInfo* Info;
    GMainLoop* Loop;
  } Data{Info, Loop};
  g_bus_own_name(
      G_BUS_TYPE_SESSION, "org.freedesktop.secrets", G_BUS_NAME_OWNER_FLAGS_NONE,
      [](GDBusConnection* C, const gchar* N, gpointer D) { OnBusAcquired(C, N, static_cast<TData*>(D)->Info); },
      [](GDBusConnection* C, const gchar* N, gpointer) { OnNameAcquired(C, N, nullptr); },
      [](GDBusConnection* C, const gchar* N, gpointer D) { OnNameLost(C, N, static_cast<TData*>(D)->Loop); }, &Data,
      nullptr);
  g_main_loop_run(Loop);
  return 1;
}
