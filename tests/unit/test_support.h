// Helpers shared by the unit tests: a private root prefix per test, file reading.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <glib.h>

namespace test_support {

// Points TESSALY_ROOT at a fresh temporary folder for the life of the object.
class TempRoot {
 public:
  TempRoot() {
    gchar* dir = g_dir_make_tmp("tessaly-test-XXXXXX", nullptr);
    path_ = dir;
    g_free(dir);
    setenv("TESSALY_ROOT", path_.c_str(), 1);
  }
  ~TempRoot() {
    unsetenv("TESSALY_ROOT");
    std::string cmd = "rm -rf '" + path_ + "'";
    int rc = std::system(cmd.c_str());
    (void)rc;
  }
  const std::string& path() const { return path_; }
  std::string config_dir() const { return path_ + "/var/lib/Tessaly/"; }

 private:
  std::string path_;
};

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void write_file(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << data;
}

}  // namespace test_support
