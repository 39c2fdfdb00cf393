#include "daemon.h"

#include <unistd.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "backup.h"
#include "command.h"
#include "communication.h"
#include "configuration.h"
#include "email.h"
#include "event_pipe.h"
#include "i18n.h"
#include "log.h"
#include "main_win32.h"
#include "parse_cmdline.h"
#include "restore.h"
#include "schedule.h"
#include "session.h"
#include "sig_handler.h"
#include "system_bus.h"
#include "threads.h"

namespace {

GMainLoop* main_loop = nullptr;
GThread* main_task = nullptr;
std::atomic<bool> poweroff_flag{false};
options_t options;

}  // namespace

void stop_event_emitted(const tessaly::link::request*) { g_main_loop_quit(main_loop); }

void shutdown_event_emitted(const tessaly::link::request*) {
  write_shutdown_log();
  g_main_loop_quit(main_loop);
}

void set_poweroff_flag(bool on) { poweroff_flag.store(on); }

bool get_poweroff_flag() { return poweroff_flag.load(); }

// logind powers the machine off in order (the service starts no other program for it).
bool system_shutdown() { return tessaly::logind_power_off(); }

void daemonize_init(const char*, const char*, const char* pidfile) {
  if (!is_first_instance(pidfile)) std::exit(0);
}

void daemonize(bool) {
  gchar* current = g_get_current_dir();
  const gchar* rest = g_path_skip_root(current);
  std::string root = "/";
  if (rest != nullptr) root.assign(current, static_cast<size_t>(rest - current));
  if (chdir(root.c_str()) != 0) daemon_print(3, "chdir %s failed\n", root.c_str());
  g_free(current);
}

void daemonize_finish() {}

void startup_failed(const char* message) {
  g_critical("%s", message);
  std::fprintf(stderr, "%s\n", message);
  close_log_files();
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(1);
}

int daemon_main(int argc, char** argv) {
  // 1. Translations.
  std::string locale_dir;
  if (get_translation_dir(locale_dir)) {
    bindtextdomain("TessalySync", locale_dir.c_str());
  }
  bind_textdomain_codeset("TessalySync", "UTF-8");
  textdomain("TessalySync");
  g_set_application_name("TessalySync");

  // 2. Threads need no set-up with this GLib.

  // 3. Command line.
  options = options_t{};
  GError* error = nullptr;
  if (!parse_cmdline(&argc, &argv, &options, &error)) {
    g_warning("%s", error != nullptr ? error->message : "An unknown error occurred");
    g_clear_error(&error);
    return 1;
  }

  // 4. Log.
  log_init(options.nodaemon != 0, options.use_console != 0, options.debug,
           options.has_filename ? options.filename.c_str() : nullptr);

  // 5. Single instance.
  daemonize_init("root", "root", "/run/TessalySync.lock");

  // 6. Sockets need no library start-up here.
  // 7. Link sockets.
  if (!listen_socket_init(&error) || !target_socket_init(&error)) {
    std::string message = error != nullptr ? error->message : "";
    g_clear_error(&error);
    startup_failed(message.c_str());
  }

  // 8. Main loop objects.
  main_task = g_thread_self();
  main_loop = g_main_loop_new(nullptr, FALSE);

  // 9. Event pipe.
  event_pipe_init();
  event_pipe_register(EVENT_SHUTDOWN, shutdown_event_emitted);
  event_pipe_register(EVENT_STOP, stop_event_emitted);
  register_command_handle();
  // The run tables exist before anything (the schedule thread included) can start a run.
  session_thread_init();
  set_run_bodies(backup_uuid, restore_backup);
  set_schedule_starter(start_backup);
  set_log_mail_sender(send_email_extended);
  set_mail_sender(send_email);

  // 10. Working directory.
  daemonize(options.nodaemon == 0);

  // 11. Global settings, then the language they name.
  email_schedule_init();
  load_global_settings();
  apply_program_language(set_program_language(get_global_config(GLOBAL_LANGUAGE).c_str()));

  // 12. The task list and its tasks.
  session_init();
  load_session_settings();
  update_email_schedule();
  schedule_init();

  // 13. Log limits: "stop" keeps the oldest records and refuses new ones once full.
  log_setup_limit(1000);
  if (get_global_config(GLOBAL_IF_FULL) == "stop") log_enable_cycle(0);

  // 14. Running.
  initSigHandlers();
  win32_app_started();
  g_main_loop_run(main_loop);

  // Shutdown. Mutexes, tables and the pipe's descriptors that worker threads may still
  // reach stay alive until the process ends; only the watches go.
  win32_app_stopping();
  daemon_print(0, "clean up before program exit");
  g_main_loop_unref(main_loop);
  main_loop = nullptr;
  session_deinit();
  event_pipe_deinit();
  listen_socket_deinit();
  session_thread_deinit();
  daemonize_finish();
  close_log_files();

  // Last of all the power-off, only when the runner asked for it after the last backup.
  if (get_global_config(GLOBAL_SHUTDOWN) == "enable" && get_poweroff_flag()) {
    daemon_print(0, "shutdown system now");
    if (!system_shutdown()) daemon_print(3, "the system refused to power off\n");
  }
  return 0;
}
