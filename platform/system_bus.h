// The two questions the service puts to the system's managers over the D-Bus system bus:
// logind powers the machine off, and systemd says whether the system is shutting down.
//
// The bus is the one DBUS_SYSTEM_BUS_ADDRESS names (tests point it at a private bus), or the
// machine's system bus. Every call opens a private connection and closes it again, so that
// no shared connection outlives the call or can end the process when the bus goes away.
#pragma once

#include <string>

namespace tessaly {

// Asks logind (org.freedesktop.login1.Manager.PowerOff, not interactive) to power the machine
// off. True when logind accepted the request.
bool logind_power_off();

// systemd's SystemState ("starting", "running", "stopping", ...), or "" when the manager did
// not answer within timeout_ms.
std::string systemd_system_state(int timeout_ms);

}  // namespace tessaly
