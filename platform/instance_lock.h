// Single-instance lock of the service: an exclusive flock on a file that is held for the
// whole life of the process. The kernel releases it when the process ends, also after a
// kill, just as a named mutex goes with its owner.
#pragma once

#include <string>

namespace tessaly {

enum class InstanceLock {
  acquired,  // this process is the only instance
  held,      // another process holds the lock
  error,     // the lock file cannot be created or locked (errno tells why)
};

// Takes the lock on `path` (creating its folder and the file, 0644, never following a link)
// and writes this process's id into it. The descriptor stays open until the process ends.
InstanceLock acquire_instance_lock(const std::string& path);

// The process id written by the holder of the lock, or -1 when nobody holds it.
long instance_lock_holder(const std::string& path);

}  // namespace tessaly
