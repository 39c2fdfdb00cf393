#include "main_win32.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "daemon.h"
#include "event_pipe.h"
#include "signal_thread.h"

namespace {

// Where the main loop is: control requests are held while starting, acted on while
// running, and dropped once stopping has begun (the pipe is being taken down then).
enum class frame_state { starting, running, stopping };

std::mutex frame_mutex;
frame_state state = frame_state::starting;
bool stop_held = false;

int service_argc = 0;
char** service_argv = nullptr;
std::atomic<int> ignore_console_events{0};

}  // namespace

void console_handler(int signal_number) {
  std::lock_guard<std::mutex> lock(frame_mutex);
  switch (signal_number) {
    case SIGTERM:
      // A stop request: held during start-up, so that a stop that comes early is not lost.
      if (state == frame_state::starting) {
        stop_held = true;
      } else if (state == frame_state::running) {
        event_pipe_emit(EVENT_STOP);
      }
      break;
    case SIGINT:
    case SIGHUP:
      // Ctrl-C and a closed terminal end the console program like a system shutdown.
      if (ignore_console_events.load() == 0) event_pipe_emit(EVENT_SHUTDOWN);
      break;
    default:
      break;
  }
}

void win32_app_started() {
  std::lock_guard<std::mutex> lock(frame_mutex);
  state = frame_state::running;
  ignore_console_events.store(0);
  if (stop_held) event_pipe_emit(EVENT_STOP);
}

void win32_app_stopping() {
  std::lock_guard<std::mutex> lock(frame_mutex);
  state = frame_state::stopping;
  ignore_console_events.store(1);
}

int win32_install_service(const char*, const char*) {
  std::fprintf(stderr, "Installing the system service is not available in this build\n");
  return 1;
}

int win32_remove_service(const char*) {
  std::fprintf(stderr, "Removing the system service is not available in this build\n");
  return 1;
}

int win32_main(int argc, char** argv) {
  service_argc = argc;
  service_argv = argv;
  (void)service_argc;
  (void)service_argv;
  if (isatty(STDOUT_FILENO)) std::fputs("\033]0;TessalySync\007", stdout);
  ignore_console_events.store(1);
  tessaly::start_signal_thread(console_handler);
  return daemon_main(argc, argv);
}
