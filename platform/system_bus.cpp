#include "system_bus.h"

#include <gio/gio.h>

#include <memory>

namespace tessaly {

namespace {

struct ObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct VariantUnref {
  void operator()(GVariant* value) const { g_variant_unref(value); }
};
using Connection = std::unique_ptr<GDBusConnection, ObjectUnref>;
using Variant = std::unique_ptr<GVariant, VariantUnref>;

// A private connection to the system bus, closed when it goes out of use.
class SystemBus {
 public:
  SystemBus() {
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
    if (address == nullptr) return;
    connection_.reset(g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr));
    g_free(address);
  }
  ~SystemBus() {
    if (connection_) g_dbus_connection_close_sync(connection_.get(), nullptr, nullptr);
  }
  SystemBus(const SystemBus&) = delete;
  SystemBus& operator=(const SystemBus&) = delete;

  // The reply of one method call, or null on any failure.
  Variant call(const char* name, const char* path, const char* interface, const char* method,
               GVariant* parameters, const char* reply_type, GDBusCallFlags flags,
               int timeout_ms) {
    if (!connection_) {
      if (parameters != nullptr) g_variant_unref(g_variant_ref_sink(parameters));
      return nullptr;
    }
    return Variant(g_dbus_connection_call_sync(connection_.get(), name, path, interface, method,
                                               parameters, G_VARIANT_TYPE(reply_type),
                                               flags, timeout_ms,
                                               nullptr, nullptr));
  }

 private:
  Connection connection_;
};

}  // namespace

bool logind_power_off() {
  SystemBus bus;
  Variant reply = bus.call("org.freedesktop.login1", "/org/freedesktop/login1",
                           "org.freedesktop.login1.Manager", "PowerOff",
                           g_variant_new("(b)", FALSE), "()", G_DBUS_CALL_FLAGS_NONE, 25000);
  return reply != nullptr;
}

std::string systemd_system_state(int timeout_ms) {
  SystemBus bus;
  Variant reply = bus.call("org.freedesktop.systemd1", "/org/freedesktop/systemd1",
                           "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", "org.freedesktop.systemd1.Manager", "SystemState"),
                           "(v)", G_DBUS_CALL_FLAGS_NO_AUTO_START, timeout_ms);
  if (!reply) return {};
  GVariant* boxed = nullptr;
  g_variant_get(reply.get(), "(v)", &boxed);
  Variant value(boxed);
  if (!value || !g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING)) return {};
  return g_variant_get_string(value.get(), nullptr);
}

}  // namespace tessaly
