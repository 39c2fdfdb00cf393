// The service frame: runs the daemon as a system service or as a console program and turns
// control signals into pipe events.
#pragma once

#include <glib.h>

int win32_main(int argc, char** argv);

// Called by daemon_main just before and just after its main loop.
void win32_app_started();
void win32_app_stopping();

// Acts on one control signal, as the signal thread delivers it.
void console_handler(int signal_number);

// Install and removal of the service; the result is the process's exit status.
int win32_install_service(const char* name, const char* config_path);
int win32_remove_service(const char* name);
