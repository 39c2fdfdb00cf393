#include "registry_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "file_write.h"
#include "paths.h"

namespace tessaly {

namespace {

std::string store_folder() { return system_path("/etc/TessalySync"); }

// Reads a whole file; 0 or an errno value.
int read_all(const std::string& path, std::string& out) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  out.clear();
  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      int err = errno;
      close(fd);
      return err;
    }
  }
  close(fd);
  return 0;
}

// Writes `data` to a temporary file beside `path` and renames it over `path`.
int replace_file(const std::string& path, const std::string& data) {
  staged_file file(path + ".XXXXXX");
  bool done = file.ok() && file.write(data, [](int fd) { return fchmod(fd, 0644) == 0; }) &&
              file.place(path, true);
  return done ? 0 : errno;
}

}  // namespace

std::string registry_store_path() { return store_folder() + "/registry.ini"; }

RegistryStore::RegistryStore() : path_(registry_store_path()), file_(g_key_file_new()) {}

int RegistryStore::create() {
  if (!make_folders(store_folder(), 0755)) return errno;
  std::string path = registry_store_path();
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd >= 0) {
    close(fd);
    return 0;
  }
  return errno == EEXIST ? 0 : errno;
}

int RegistryStore::open() {
  std::string text;
  int err = read_all(path_, text);
  if (err != 0) return err;
  std::unique_ptr<GKeyFile, KeyFileFree> file(g_key_file_new());
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(),
                                 static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS),
                                 nullptr)) {
    return EINVAL;
  }
  file_ = std::move(file);
  return 0;
}

std::optional<std::string> RegistryStore::get_string(const std::string& key,
                                                     const std::string& name) const {
  gchar* value = g_key_file_get_string(file_.get(), key.c_str(), name.c_str(), nullptr);
  if (value == nullptr) return std::nullopt;
  std::string out(value);
  g_free(value);
  return out;
}

int RegistryStore::set_string(const std::string& key, const std::string& name,
                              const std::string& value) {
  // The key file escapes line breaks in values, but its texts must be UTF-8, and a key path
  // or a name cannot hold the characters that delimit groups and entries.
  if (!g_utf8_validate(value.data(), static_cast<gssize>(value.size()), nullptr) ||
      !g_utf8_validate(key.data(), static_cast<gssize>(key.size()), nullptr)) {
    return EINVAL;
  }
  for (char c : key + name) {
    if (c == '[' || c == ']' || c == '=' || static_cast<unsigned char>(c) < 0x20) return EINVAL;
  }
  if (name.empty() || key.empty()) return EINVAL;
  g_key_file_set_string(file_.get(), key.c_str(), name.c_str(), value.c_str());
  gsize length = 0;
  gchar* data = g_key_file_to_data(file_.get(), &length, nullptr);
  std::string text(data, length);
  g_free(data);
  return replace_file(path_, text);
}

}  // namespace tessaly
