// The one body of the daemon program: start-up in a fixed order, the main loop, shutdown.
#pragma once

#include <glib.h>

namespace tessaly::link {
struct request;
}

int daemon_main(int argc, char** argv);

void stop_event_emitted(const tessaly::link::request* request);
void shutdown_event_emitted(const tessaly::link::request* request);

void set_poweroff_flag(bool on);
bool get_poweroff_flag();

// Asks the system to power off now; false when it refused.
bool system_shutdown();

// The single-instance test; exits with 0 when another daemon runs.
void daemonize_init(const char* user, const char* group, const char* pidfile);
// Changes the working directory to the root of the current one.
void daemonize(bool detach);
void daemonize_finish();

// Start-up failed after the log exists: the message goes into the log files and to the
// standard error stream, then the process ends with 1.
[[noreturn]] void startup_failed(const char* message);
