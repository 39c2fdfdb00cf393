// Files read whole from a folder that others may write (the configuration folder) or that the
// user picked (an import).
//
// A name in such a folder may stand for anything: a FIFO whose open waits for a writer that
// never comes, a device that never ends, a symbolic link to a file elsewhere. The file is
// therefore opened without blocking, used only when the opened file is a regular file, and
// read up to a bound.
#pragma once

#include <cstdint>
#include <string>

#include "unique_fd.h"

namespace tessaly {

// Opens the regular file at `path` for reading, without blocking: not ok() on failure, with
// `*error` set to an errno value as read_regular_file gives it.
unique_fd open_regular_file(const std::string& path, bool follow_links, int* error);

// Reads what is left of the open file `fd` into `out` (replacing what it held), up to `max_bytes` bytes. 0 at its end,
// else an errno value: EFBIG when there is more (`out` then holds the first `max_bytes`
// bytes), or the error of the read.
int read_open_file(int fd, uint64_t max_bytes, std::string* out);

// Reads the regular file at `path` whole into `out`. 0 on success, else an errno value:
// ENOENT when there is none, ELOOP for a symbolic link unless `follow_links`, EISDIR for a
// folder, EINVAL for anything else that is not a regular file (a FIFO, a device, a socket),
// EFBIG for more than `max_bytes` bytes, or the error of the open or the read. `out` is
// empty on failure.
int read_regular_file(const std::string& path, bool follow_links, uint64_t max_bytes,
                      std::string* out);

}  // namespace tessaly
