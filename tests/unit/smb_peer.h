// A private Samba server for one test (tests/peers/smbd.sh), stopped by its own pid when
// the object goes. The server's share "nas" is the folder share_dir() on this machine, so
// a test can look at what reached the server directly.
#pragma once

#include <gtest/gtest.h>
#include <glib.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef TESSALY_PEERS_DIR
#error "TESSALY_PEERS_DIR must name tests/peers"
#endif

namespace test_support {

class SmbPeer {
 public:
  SmbPeer() {
    gchar* dir = g_dir_make_tmp("tessaly-smbd-XXXXXX", nullptr);
    dir_ = dir;
    g_free(dir);
  }
  ~SmbPeer() {
    stop();
    std::string cmd = "rm -rf '" + dir_ + "'";
    int rc = std::system(cmd.c_str());
    (void)rc;
  }
  SmbPeer(const SmbPeer&) = delete;
  SmbPeer& operator=(const SmbPeer&) = delete;

  // Starts the server; false (with the reason in `why`) when it cannot run here.
  bool start(std::string* why) {
    std::string cmd = std::string(TESSALY_PEERS_DIR) + "/smbd.sh start '" + dir_ + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) {
      *why = "popen failed";
      return false;
    }
    std::string out;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
    int status = pclose(p);
    if (status != 0) {
      *why = out;
      return false;
    }
    port_ = std::atoi(out.c_str());
    running_ = port_ > 0;
    if (running_) setenv("TESSALY_SMB_PORT", std::to_string(port_).c_str(), 1);
    return running_;
  }
  void stop() {
    if (!running_) return;
    std::string cmd = std::string(TESSALY_PEERS_DIR) + "/smbd.sh stop '" + dir_ + "'";
    int rc = std::system(cmd.c_str());
    running_ = false;
    // A server that is still running after the test would stay behind it.
    if (rc != 0) ADD_FAILURE() << "smbd of " << dir_ << " did not stop";
  }
  int port() const { return port_; }
  // The folders the shares "nas" and "guest" serve.
  std::string share_dir() const { return dir_ + "/nas"; }
  std::string guest_dir() const { return dir_ + "/guest"; }
  static const char* user() { return "tessaly"; }
  static const char* password() { return "secret-pw"; }

 private:
  std::string dir_;
  int port_ = 0;
  bool running_ = false;
};

}  // namespace test_support

// Starts the peer in a test's SetUp; without root (smbd needs it) the test is skipped with
// the reason, any other failure fails it.
#define START_SMB_PEER(peer)                                              \
  do {                                                                    \
    std::string why_;                                                     \
    if (!(peer).start(&why_)) {                                           \
      if (geteuid() != 0) GTEST_SKIP() << "smbd needs root: " << why_;    \
      FAIL() << "smbd did not start: " << why_;                           \
    }                                                                     \
  } while (0)
