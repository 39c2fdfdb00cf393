#include "main_win32.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "daemon.h"
#include "event_pipe.h"
#include "file_write.h"
#include "instance_lock.h"
#include "log.h"
#include "paths.h"
#include "registry_store.h"
#include "sd_notify.h"
#include "signal_thread.h"
#include "system_bus.h"

namespace {

const char* const service_name = "TessalySync";

// Where the main loop is: control requests are held while starting, acted on while
// running, and dropped once stopping has begun (the pipe is being taken down then).
enum class frame_state { starting, running, stopping };

std::mutex frame_mutex;
frame_state state = frame_state::starting;
// A stop or shutdown request that came during start-up, emitted once the loop runs.
int held_event = -1;

int service_argc = 0;
char** service_argv = nullptr;
std::atomic<int> ignore_console_events{0};

// The service manager's notify socket; null in console mode. Set before the signal thread
// starts and never changed afterwards.
std::string notify_address;
std::unique_ptr<tessaly::NotifySocket> service_handle;

// The unit's description and its failure action: restart a minute after each failure, and
// never give up (the failure count is never reset, so it must not limit the restarts).
const char* const Daemon_ServiceDescription = "TessalySync CopyTool Service";
constexpr int SERVICE_Action_delay_ms = 60000;

// The registry key path; the service name is appended at install and removal time.
const char* const REGKEY_BASE = "SOFTWARE\\BRELKIN\\TessalySync\\";
std::string REGKEY = std::string(REGKEY_BASE) + service_name;

// How long a SIGTERM waits for systemd to say whether the system is shutting down.
constexpr int kSystemStateTimeoutMs = 2000;
// Removal waits this many one-second steps for a running daemon to stop.
constexpr int kRemoveStopSteps = 90;

// Acts on a stop (11) or shutdown (12) request. Called with frame_mutex held.
void control_request_locked(pipe_event event) {
  switch (state) {
    case frame_state::starting:
      // Held, so that an early request is not lost; a shutdown outranks a stop.
      if (held_event != EVENT_SHUTDOWN) held_event = event;
      break;
    case frame_state::running:
      event_pipe_emit(event);
      break;
    case frame_state::stopping:
      break;
  }
}

void set_registry_key(const std::string& name) {
  REGKEY = REGKEY_BASE;
  REGKEY += name;
}

std::string unit_folder() { return tessaly::system_path("/etc/systemd/system"); }

std::string unit_path(const std::string& name) { return unit_folder() + "/" + name + ".service"; }

std::string wants_link_path(const std::string& name) {
  return unit_folder() + "/multi-user.target.wants/" + name + ".service";
}

// The service manager's configuration folder exists and can be written.
bool unit_folder_usable() {
  struct stat st;
  std::string folder = unit_folder();
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(folder.c_str(), W_OK) == 0;
}

// The executable path as the one quoted word of ExecStart. systemd refuses control
// characters, quotes and backslashes in an executable's name, and expands '%' specifiers,
// so '%' is doubled and the others are refused; blanks and '$' are safe inside the quotes.
bool quote_exec_path(const std::string& path, std::string& out) {
  out = "\"";
  for (char c : path) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f || c == '"' || c == '\'' || c == '\\') return false;
    if (c == '%') out += '%';
    out += c;
  }
  out += '"';
  return true;
}

std::string unit_text(const std::string& exec_start) {
  std::string text;
  text += "[Unit]\n";
  text += "Description=";
  text += Daemon_ServiceDescription;
  text += "\n";
  // Start-up reaches every task's NAS, so the network must be up, not only configured.
  text += "Wants=network-online.target\n";
  text += "After=network-online.target\n";
  // At a system shutdown the service asks systemd over the bus whether the system stops;
  // being stopped before the bus keeps that question answerable.
  text += "After=dbus.service\n";
  text += "StartLimitIntervalSec=0\n";
  text += "\n";
  text += "[Service]\n";
  text += "Type=notify\n";
  text += "ExecStart=" + exec_start + "\n";
  text += "Restart=on-failure\n";
  text += "RestartSec=" + std::to_string(SERVICE_Action_delay_ms / 1000) + "\n";
  // Start-up may wait on unreachable shares; the service manager must not kill it for that.
  text += "TimeoutStartSec=infinity\n";
  // Runs of several tasks at once need more open files than the 1,024 a service gets.
  text += "LimitNOFILE=65536\n";
  text += "\n";
  text += "[Install]\n";
  text += "WantedBy=multi-user.target\n";
  return text;
}

// Creates the unit file with `text`, only when no unit of that name exists. The text goes to
// a temporary file first and is linked into place, so the unit is never seen half written
// and an existing one is never touched.
bool create_unit_file(const std::string& path, const std::string& text) {
  tessaly::staged_file file(unit_folder() + "/.tessaly-unit.XXXXXX");
  return file.ok() && file.write(text, [](int fd) { return fchmod(fd, 0644) == 0; }) &&
         file.place(path, false);
}

// The link that starts the unit with the system, as "systemctl enable" makes it.
bool create_wants_link(const std::string& unit, const std::string& link_path) {
  std::string folder = link_path.substr(0, link_path.rfind('/'));
  if (!tessaly::make_folders(folder, 0755)) return false;
  std::string tmp = folder + "/.tessaly-link." + std::to_string(getpid());
  unlink(tmp.c_str());
  if (symlink(unit.c_str(), tmp.c_str()) != 0) return false;
  if (rename(tmp.c_str(), link_path.c_str()) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  return true;
}

// Stops a daemon that runs on this root and waits, boundedly, until it has ended.
void stop_running_daemon() {
  std::string lock = tessaly::lock_file_path();
  long pid = tessaly::instance_lock_holder(lock);
  if (pid <= 0 || pid == static_cast<long>(getpid())) return;
  if (kill(static_cast<pid_t>(pid), SIGTERM) != 0) return;
  for (int step = 0; step < kRemoveStopSteps && tessaly::instance_lock_holder(lock) > 0; ++step) {
    g_usleep(1000 * 1000);
  }
}

}  // namespace

void service_notify_status(service_state new_state) {
  if (!service_handle) return;
  switch (new_state) {
    case SERVICE_RUNNING:
      service_handle->send("READY=1");
      break;
    case SERVICE_STOP_PENDING:
      service_handle->send("STOPPING=1");
      break;
    case SERVICE_START_PENDING:
    case SERVICE_STOPPED:
      // systemd knows a Type=notify service is starting until READY=1, and stopped when
      // the process ends.
      break;
  }
}

void service_dispatcher(int signal_number) {
  // A service has no console: only the service manager's stop request counts.
  if (signal_number != SIGTERM) return;
  {
    std::lock_guard<std::mutex> lock(frame_mutex);
    if (state == frame_state::stopping) return;
  }
  // systemd stops its services with SIGTERM both on a stop request and at a system
  // shutdown; its own state tells the two apart.
  pipe_event event = tessaly::systemd_system_state(kSystemStateTimeoutMs) == "stopping"
                         ? EVENT_SHUTDOWN
                         : EVENT_STOP;
  std::lock_guard<std::mutex> lock(frame_mutex);
  control_request_locked(event);
}

void console_handler(int signal_number) {
  std::lock_guard<std::mutex> lock(frame_mutex);
  switch (signal_number) {
    case SIGTERM:
      control_request_locked(EVENT_STOP);
      break;
    case SIGINT:
    case SIGHUP:
      // Ctrl-C and a closed terminal end the console program like a system shutdown;
      // during start-up and shutdown they are swallowed.
      if (ignore_console_events.load() == 0 && state == frame_state::running) {
        event_pipe_emit(EVENT_SHUTDOWN);
      }
      break;
    default:
      break;
  }
}

void win32_app_started() {
  std::lock_guard<std::mutex> lock(frame_mutex);
  state = frame_state::running;
  if (service_handle) {
    service_notify_status(SERVICE_RUNNING);
  } else {
    ignore_console_events.store(0);
  }
  if (held_event >= 0) event_pipe_emit(static_cast<pipe_event>(held_event));
  held_event = -1;
}

void win32_app_stopping() {
  std::lock_guard<std::mutex> lock(frame_mutex);
  state = frame_state::stopping;
  if (service_handle) {
    service_notify_status(SERVICE_STOP_PENDING);
  } else {
    ignore_console_events.store(1);
  }
}

int service_main(int, char**) {
  auto handle = std::make_unique<tessaly::NotifySocket>();
  if (!handle->open(notify_address)) {
    g_critical("RegisterServiceCtrlHandlerEx() failed: %s", g_strerror(errno));
    return 1;
  }
  service_handle = std::move(handle);
  tessaly::start_signal_thread(service_dispatcher);
  service_notify_status(SERVICE_START_PENDING);
  // The exit status is daemon_main's own, so that a failed start counts as a failure for
  // the service manager (and its restart a minute later).
  int status = daemon_main(service_argc, service_argv);
  service_notify_status(SERVICE_STOPPED);
  return status;
}

int win32_main(int argc, char** argv) {
  service_argc = argc;
  service_argv = argv;
  const char* notify = std::getenv("NOTIFY_SOCKET");
  if (notify != nullptr) {
    notify_address = notify;
    // Not passed on: the variable names this process's socket only.
    unsetenv("NOTIFY_SOCKET");
    if (!tessaly::NotifySocket::address_valid(notify_address)) {
      g_critical("StartServiceCtrlDispatcher() failed: %s", g_strerror(EINVAL));
      return 1;
    }
    return service_main(argc, argv);
  }
  if (isatty(STDOUT_FILENO)) std::fputs("\033]0;TessalySync\007", stdout);
  ignore_console_events.store(1);
  tessaly::start_signal_thread(console_handler);
  return daemon_main(argc, argv);
}

int win32_install_service(const char* name, const char* config_path) {
  std::string service = name != nullptr ? name : "daemon";
  set_registry_key(service);

  std::string exe = tessaly::executable_path();
  if (exe.empty()) {
    std::fputs("Can't get executable path\n", stderr);
    return 1;
  }
  if (!unit_folder_usable()) {
    std::fputs("OpenSCManager failed\n", stderr);
    return 1;
  }
  std::string exec_start;
  std::string unit = unit_path(service);
  if (!quote_exec_path(exe, exec_start) || !create_unit_file(unit, unit_text(exec_start))) {
    std::fputs("CreateService failed\n", stderr);
    return 1;
  }
  if (!create_wants_link(unit, wants_link_path(service))) {
    unlink(unit.c_str());
    std::fputs("CreateService failed\n", stderr);
    return 1;
  }

  std::string config = config_path != nullptr ? config_path : exe;
  win32_store_key("ConfigFile", REG_SZ, config.c_str(), config.size() + 1);

  daemon_print(0, "Installed successfully as %s systemd service.\n", service.c_str());
  daemon_print(0, "To run, start it with \"systemctl daemon-reload\" and \"systemctl start %s\".\n",
               service.c_str());
  daemon_print(0, "Please edit backup/restore sessions via GUI Controller.\n");
  return 0;
}

int win32_remove_service(const char* name) {
  std::string service = name != nullptr ? name : "daemon";
  set_registry_key(service);

  if (!unit_folder_usable()) {
    std::fputs("OpenSCManager failed\n", stderr);
    return 1;
  }
  std::string unit = unit_path(service);
  struct stat st;
  if (lstat(unit.c_str(), &st) != 0) {
    std::fputs("OpenService failed\n", stderr);
    return 1;
  }

  stop_running_daemon();

  std::string link_path = wants_link_path(service);
  bool ok = unlink(link_path.c_str()) == 0 || errno == ENOENT;
  ok = unlink(unit.c_str()) == 0 && ok;
  if (!ok) {
    std::fputs("DeleteService failed.\n", stderr);
    return 1;
  }
  std::printf("Service %s deleted successfully.\n", service.c_str());
  return 0;
}

int win32_create_key() {
  int err = tessaly::RegistryStore::create();
  if (err != 0) {
    std::fprintf(stderr, "RegCreateKeyEx(%s),%d\n", REGKEY.c_str(), err);
    return -4;
  }
  return 0;
}

int win32_store_key(const char* value_name, int type, const char* data, size_t length) {
  tessaly::RegistryStore store;
  int err = store.open();
  if (err == ENOENT) {
    if (win32_create_key() != 0) return -4;
    err = store.open();
    if (err == ENOENT) {
      std::fprintf(stderr, "Registry does not contain key %s after creation\n", REGKEY.c_str());
      return -1;
    }
  }
  if (err != 0) {
    std::fprintf(stderr, "RegOpenKeyEx HKLM\\%s, %d\n", REGKEY.c_str(), err);
    return -4;
  }
  // Only texts are kept; the stored length counts the ending NUL.
  std::string value;
  if (type == REG_SZ && data != nullptr) value.assign(data, strnlen(data, length));
  err = type == REG_SZ ? store.set_string(REGKEY, value_name, value) : EINVAL;
  if (err != 0) {
    std::fprintf(stderr, "RegQueryValueEx(key %s),%d\n", REGKEY.c_str(), err);
    return -4;
  }
  std::fprintf(stderr, "Registry stored HKLM\\%s\\%s value %s\n", REGKEY.c_str(), value_name,
               type == REG_SZ ? value.c_str() : "(not displayable)");
  return 0;
}
