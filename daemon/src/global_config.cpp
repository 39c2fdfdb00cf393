// get_global_config: the settings of GLOBAL_SETTING.dat by index, as copies.
//
// Kept apart from the loader (configuration.cpp) so that the unit tests of modules that only
// read settings can link a table of fixed settings in its place.
#include "configuration.h"
#include "log.h"

std::string get_global_config(Global_option option) {
  std::string value;
  if (!read_global_setting(static_cast<int>(option), value)) {
    daemon_print(0, "query number is error");
  }
  return value;
}
