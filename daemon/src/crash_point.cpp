#include "crash_point.h"

#ifdef TESSALY_CRASH_POINTS

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "log.h"

namespace {

std::mutex crash_point_mutex;
std::map<std::string, long>& hits() {
  static auto* table = new std::map<std::string, long>();
  return *table;
}
std::vector<std::string>& order() {
  static auto* names = new std::vector<std::string>();
  return *names;
}

// True when the setting "name[@N]" in the variable names this pass of the point.
bool selected(const char* variable, const char* name, long pass) {
  const char* setting = std::getenv(variable);
  if (setting == nullptr || *setting == '\0') return false;
  const char* at = std::strchr(setting, '@');
  size_t length = at != nullptr ? static_cast<size_t>(at - setting) : std::strlen(setting);
  if (length != std::strlen(name) || std::strncmp(setting, name, length) != 0) return false;
  long wanted = at != nullptr ? std::strtol(at + 1, nullptr, 10) : 1;
  return pass == wanted;
}

}  // namespace

void crash_point(const char* name) {
  long pass;
  {
    std::lock_guard<std::mutex> lock(crash_point_mutex);
    pass = ++hits()[name];
    if (pass == 1) order().push_back(name);
  }
  daemon_print(0, "crash point %s #%ld\n", name, pass);
  if (selected("TESSALY_CRASH_AT", name, pass)) {
    std::fflush(nullptr);
    ::kill(::getpid(), SIGKILL);
    _exit(137);
  }
  if (selected("TESSALY_PAUSE_AT", name, pass)) {
    const char* file = std::getenv("TESSALY_PAUSE_FILE");
    if (file == nullptr || *file == '\0') return;
    if (FILE* f = std::fopen(file, "w")) {
      std::fprintf(f, "%s@%ld\n", name, pass);
      std::fclose(f);
    }
    struct stat st;
    while (::stat(file, &st) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<std::pair<std::string, long>> crash_point_passes() {
  std::lock_guard<std::mutex> lock(crash_point_mutex);
  std::vector<std::pair<std::string, long>> out;
  for (const std::string& name : order()) out.emplace_back(name, hits()[name]);
  return out;
}

void crash_point_reset() {
  std::lock_guard<std::mutex> lock(crash_point_mutex);
  hits().clear();
  order().clear();
}

#endif
