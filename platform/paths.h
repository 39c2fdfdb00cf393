// Fixed system paths of the service and the controller.
//
// Every fixed path is prefixed by the environment variable TESSALY_ROOT (empty by default),
// so that tests and users without root run the whole system inside a folder of their own.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// The value of TESSALY_ROOT without a trailing '/', or "" when unset.
std::string root_prefix();

// root_prefix() + an absolute system path ("/var/lib" -> "<root>/var/lib").
std::string system_path(std::string_view absolute);

// The configuration folder, with its trailing separator: "<root>/var/lib/Tessaly/".
std::string config_dir_path();

// The same folder without the trailing separator (the controller's form).
std::string data_folder_path();

// The single-instance lock file of the service: "<root>/run/TessalySync.lock".
std::string lock_file_path();

// Full path of the running executable, or "" when it cannot be read.
std::string executable_path();

// Creates a folder and its missing parents (mode 0755 for parents, `mode` for the last one).
// Returns false and sets errno when the folder neither exists nor could be made.
bool make_folders(const std::string& path, unsigned mode);

// The rights rule of the configuration folder: never world-writable. With the group
// "tessaly" present, folders are 02770 and files 0660 with that group; otherwise
// folders 0700 and files 0600 for the owner.
bool apply_folder_rights(const std::string& path);
bool apply_file_rights(const std::string& path);

// Creates the configuration folder when missing and applies the folder rights.
bool make_config_dir();

}  // namespace tessaly
