#include "sig_handler.h"

#include "command.h"
#include "configuration.h"
#include "event_pipe.h"
#include "log.h"

void initSigHandlers() { event_pipe_register(EVENT_CONFIG_UPDATE, handle_reload_event); }

void handle_reload_event(const tessaly::link::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply SET_CONFIG_UPDATE");
  cycle_log_files();
  load_global_settings();
  load_session_settings();
  log_enable_cycle(get_global_config(GLOBAL_IF_FULL) == "stop" ? 0 : 1);
  apply_program_language(set_program_language(get_global_config(GLOBAL_LANGUAGE).c_str()));
  ack_with_text(request->header, 0);
}
