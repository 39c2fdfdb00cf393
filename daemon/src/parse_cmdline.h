// The daemon's command line, its two folders and the single-instance test.
#pragma once

#include <glib.h>

#include <string>

struct options_t {
  int nodaemon = 0;
  int use_console = 0;  // no option sets it
  int email = 0;
  int debug = 10;
  std::string filename;  // empty when not given
  bool has_filename = false;
};

// Parses and removes the options GLib recognises. Install and uninstall never return.
bool parse_cmdline(int* argc, char*** argv, options_t* options, GError** error);

// The configuration folder "<root>/var/lib/Tessaly/" with its trailing separator; created
// when missing. A base folder that cannot be made ends the process with 1.
bool get_config_dir(std::string& out);

// The catalogue folder: the executable's folder followed by "/locale".
bool get_translation_dir(std::string& out);

// Takes the single-instance lock; false when another daemon holds it.
bool is_first_instance(const char* name);
