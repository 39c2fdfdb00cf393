// Files written whole under a temporary name and then put at their real name in one step,
// so that a reader finds the old file or the new one, never a part of one, and a failed
// write leaves what was there (or the absence of a file) as it was.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tessaly {

// Writes all of `data` to `fd`, through short writes and interrupted calls. False (errno
// set) when a write fails.
bool write_all(int fd, std::string_view data);

// A new file made from `temp_template` (a path in the folder of the real name, ending in
// "XXXXXX"; mode 0600, close-on-exec). The temporary file is removed unless it was put in
// place.
class staged_file {
 public:
  explicit staged_file(std::string temp_template);
  ~staged_file();
  staged_file(const staged_file&) = delete;
  staged_file& operator=(const staged_file&) = delete;

  // False (errno set) when the temporary file could not be made.
  bool ok() const { return fd_ >= 0; }
  // Writes all of `data`, gives the file its rights (`set_rights` gets the open
  // descriptor), makes it durable and closes it. False (errno set) on any failure.
  bool write(std::string_view data, const std::function<bool(int fd)>& set_rights);
  // Moves the written file to `path`: over a file of that name with `replace`, otherwise
  // only when there is none (EEXIST then). False (errno set) on failure.
  bool place(const std::string& path, bool replace);

 private:
  std::string path_;  // the temporary file while it is ours
  int fd_ = -1;
  bool written_ = false;
};

}  // namespace tessaly
