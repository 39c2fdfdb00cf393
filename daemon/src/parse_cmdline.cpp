#include "parse_cmdline.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "i18n.h"
#include "instance_lock.h"
#include "log.h"
#include "main_win32.h"
#include "paths.h"

namespace {

gboolean option_detach = FALSE;
gint option_debug_level = 10;
gchar* filename = nullptr;
gboolean email = FALSE;
gboolean option_install_service = FALSE;
gboolean option_uninstall_service = FALSE;

GOptionEntry entries[] = {
    {"nodaemon", 's', 0, G_OPTION_ARG_NONE, &option_detach, "Don't run as daemon in background",
     nullptr},
    {"debug", 'd', 0, G_OPTION_ARG_INT, &option_debug_level, "Enable debug information output",
     "N"},
    // A file name is taken as the bytes given: GLib would otherwise convert it from the
    // locale's charset, which fails for non-ASCII names before the locale is set.
    {"filename", 'f', 0, G_OPTION_ARG_FILENAME, &filename, "Output filename", "Filename"},
    {"email", 'e', 0, G_OPTION_ARG_NONE, &email, "Test email", nullptr},
    {"install", 'i', G_OPTION_FLAG_HIDDEN, G_OPTION_ARG_NONE, &option_install_service,
     "Install as a system service", nullptr},
    {"uninstall", 'u', G_OPTION_FLAG_HIDDEN, G_OPTION_ARG_NONE, &option_uninstall_service,
     "Remove the system service", nullptr},
    {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
};

}  // namespace

bool parse_cmdline(int* argc, char*** argv, options_t* options, GError** error) {
  GOptionContext* context = g_option_context_new(nullptr);
  g_option_context_add_main_entries(context, entries, nullptr);
  GOptionGroup* group =
      g_option_group_new("test group", "test group display", "display help output", nullptr, nullptr);
  g_option_context_add_group(context, group);
  GError* parse_error = nullptr;
  if (!g_option_context_parse(context, argc, argv, &parse_error)) {
    if (parse_error != nullptr) {
      daemon_print(0, "%s", parse_error->message);
      g_propagate_error(error, parse_error);
    } else {
      daemon_print(0, "An unknown error occurred");
    }
    g_option_context_free(context);
    return false;
  }
  g_option_context_free(context);

  // The threshold applies from here on, so that "-d 0 -i" shows the install messages.
  log_set_debug_threshold(option_debug_level);

  if (option_install_service) {
    std::exit(win32_install_service("TessalySync", nullptr));
  }
  if (option_uninstall_service) {
    std::exit(win32_remove_service("TessalySync"));
  }

  if (option_detach) {
    options->nodaemon = 1;
    daemon_print(0, "Don't run as daemon in background");
  } else {
    options->nodaemon = 0;
  }
  options->email = email ? 1 : 0;
  options->debug = option_debug_level;
  if (filename != nullptr) {
    daemon_print(0, "Out put filename is %s\n", filename);
    options->filename = filename;
    options->has_filename = true;
    g_free(filename);
    filename = nullptr;
  } else {
    options->filename.clear();
    options->has_filename = false;
  }
  return true;
}

bool get_config_dir(std::string& out) {
  std::string base = tessaly::system_path("/var/lib");
  if (!tessaly::make_folders(base, 0755)) {
    g_critical("%s", _("Can't get program path\n"));
    std::exit(1);
  }
  daemon_print(0, "SCIDL_COMMON_APPDATA is %s\n", base.c_str());
  tessaly::make_config_dir();
  out = tessaly::config_dir_path();
  daemon_print(0, "configuration path is %s\n", out.c_str());
  return true;
}

bool get_translation_dir(std::string& out) {
  std::string exe = tessaly::executable_path();
  if (exe.empty()) {
    g_critical("%s", _("Can't get the translation path\n"));
    std::exit(1);
  }
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return false;
  out = exe.substr(0, slash) + "/locale";
  return true;
}

bool is_first_instance(const char* name) {
  switch (tessaly::acquire_instance_lock(tessaly::lock_file_path())) {
    case tessaly::InstanceLock::acquired:
      return true;
    case tessaly::InstanceLock::held:
      daemon_print(3, "There is already a daemon running");
      return false;
    case tessaly::InstanceLock::error:
      break;
  }
  daemon_print(3, "Can not create mutex %s\n", name);
  std::exit(1);
}
