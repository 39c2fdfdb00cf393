// The machine-wide store of named values that the service keeps at installation: a key
// file at "<root>/etc/TessalySync/registry.ini", one group per key path, one entry per value.
#pragma once

#include <glib.h>

#include <memory>
#include <optional>
#include <string>

namespace tessaly {

// "<root>/etc/TessalySync/registry.ini".
std::string registry_store_path();

class RegistryStore {
 public:
  RegistryStore();

  // Creates the store's folder and an empty store when none exists. 0, or an errno value.
  static int create();

  // Reads the store. 0; ENOENT when there is no store yet; EINVAL when the file is damaged
  // (it is then left as it is); another errno value when it cannot be read.
  int open();

  // The text of a value, when the key holds it.
  std::optional<std::string> get_string(const std::string& key, const std::string& name) const;

  // Sets a text value and writes the store (a temporary file renamed over the old one, so a
  // failed write leaves the old store whole). 0, or an errno value.
  int set_string(const std::string& key, const std::string& name, const std::string& value);

 private:
  struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
  };
  std::string path_;
  std::unique_ptr<GKeyFile, KeyFileFree> file_;
};

}  // namespace tessaly
