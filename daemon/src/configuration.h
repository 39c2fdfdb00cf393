// The configuration loader: GLOBAL_SETTING.dat and SESSION_CONFIG.dat, read at start-up and
// again on every configuration-update request.
#pragma once

#include <cstddef>
#include <string>

// The settings of GLOBAL_SETTING.dat that the service keeps, by index.
enum Global_option {
  GLOBAL_VERSION = 0,
  GLOBAL_MAGIC = 1,
  GLOBAL_VENDOR = 2,
  GLOBAL_TYPE = 3,
  GLOBAL_MISC = 4,
  GLOBAL_LANGUAGE = 5,
  GLOBAL_SEND_COMPLETE = 6,
  GLOBAL_EMAIL_PERIOD_ENABLE = 7,
  GLOBAL_SCHEDULE = 8,
  GLOBAL_TIME = 9,
  GLOBAL_METHOD = 10,
  GLOBAL_SSL = 11,
  GLOBAL_USER_NAME = 12,
  GLOBAL_PASSWORD = 13,
  GLOBAL_SMTP_SERVER = 14,
  GLOBAL_SENDER_EMAIL = 15,
  GLOBAL_RECEIVER_EMAIL = 16,
  GLOBAL_IF_FULL = 17,
  GLOBAL_BACKUP_DELETE_SYNC = 18,
  GLOBAL_RESTORE_DELETE_SYNC = 19,
  GLOBAL_AUTO_STARUP = 20,
  GLOBAL_SHUTDOWN = 21,
  GLOBAL_OPTION_MAX = 22,
};

// Reads GLOBAL_SETTING.dat (creating the default file when none exists) and rebuilds the
// log-mail schedule. True when the file existed and was read.
bool load_global_settings();

// Rebuilds the task list from SESSION_CONFIG.dat. True when the whole file parsed; on any
// failure the previous list stays.
bool load_session_settings();

// Reads a whole configuration file of at most `max` bytes into `out`: opened without
// following a link and without blocking, and only when it is a regular file. False with
// errno set on failure.
bool read_config_file(const std::string& path, size_t max, std::string& out);

// A copy of one setting's text ("" when never read). Other threads read the settings while
// a reload replaces them, so only copies are handed out. An index outside the table gives
// "" and prints "query number is error".
std::string get_global_config(Global_option option);

// The store behind get_global_config: a copy of one setting's text, false for an index
// outside the table. get_global_config lives in a file of its own (global_config.cpp), so
// that the tests of other modules can link fixed settings in its place.
bool read_global_setting(int index, std::string& out);

void print_global_settings();
void print_sesion_settings();

// Return the loader to its state at start-up: the task reader's carried values (tests), and
// every setting empty (tests).
void session_reader_reset();
void global_settings_reset();
