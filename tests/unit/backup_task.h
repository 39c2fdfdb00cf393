// A task as the backup and restore tests and the benchmarks run it: every file of its
// sources taken, one destination.
#pragma once

#include <string>
#include <vector>

#include "session.h"

namespace test_support {

inline session_t backup_task(const std::string& uuid, const std::string& name,
                             const std::vector<std::string>& sources,
                             const destination_t& destination) {
  session_t task;
  task.uuid = uuid;
  task.name = name;
  task.action = ACTION_INCREMENTAL;
  task.sources = sources;
  task.filter.extensions = {".*"};
  task.destinations = {destination};
  return task;
}

// A local folder, reached without an account.
inline destination_t local_destination(const std::string& path) {
  destination_t d;
  d.path = path;
  d.anonymous = true;
  return d;
}

}  // namespace test_support
