// The service frame: runs the daemon under the service manager (systemd) or as a console
// program, turns control signals into pipe events, and installs or removes the service.
#pragma once

#include <glib.h>

#include <cstddef>

// The states the frame reports to the service manager.
enum service_state {
  SERVICE_STOPPED = 1,
  SERVICE_START_PENDING = 2,
  SERVICE_STOP_PENDING = 3,
  SERVICE_RUNNING = 4,
};

// Value types of the registry store.
enum { REG_SZ = 1 };

// The program's entry after main: service mode when the service manager started the program
// (NOTIFY_SOCKET is set), console mode otherwise. The result is the exit status.
int win32_main(int argc, char** argv);

// Service mode: connects to the manager's notify socket and runs daemon_main with the saved
// argument list; the result is daemon_main's.
int service_main(int argc, char** argv);

// Act on one control signal, as the signal thread delivers it: service_dispatcher in service
// mode, console_handler in console mode.
void service_dispatcher(int signal_number);
void console_handler(int signal_number);

// Tells the service manager about a state change (nothing in console mode).
void service_notify_status(service_state state);

// Called by daemon_main just before and just after its main loop.
void win32_app_started();
void win32_app_stopping();

// Install and removal of the service; the result is the process's exit status.
int win32_install_service(const char* name, const char* config_path);
int win32_remove_service(const char* name);

// The registry store: 0 on success, -1 or -4 on failure.
int win32_create_key();
int win32_store_key(const char* value_name, int type, const char* data, size_t length);
