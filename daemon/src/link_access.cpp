// Who may steer the service over the link (communication.h: link_sender_allowed).
//
// The link carries no proof of its sender, so the sending socket is looked up in the
// kernel's socket tables (link_sender.h): set requests, and the detail and summary queries,
// are acted on only for a socket of root or of a user who may configure the service (the
// owner of the configuration folder, or a member of its group when the folder gives its
// group access). A refused request gets no action and no answer, and a log record naming
// the user id; a sender that floods the link gets one record per user id every 10 seconds.
#include <arpa/inet.h>

#include <chrono>
#include <mutex>
#include <vector>

#include "communication.h"
#include "i18n.h"
#include "link_packet.h"
#include "link_sender.h"
#include "log.h"
#include "paths.h"

namespace {

constexpr std::chrono::seconds kRecordInterval(10);
constexpr size_t kRememberedSenders = 64;

struct refused_t {
  long long who;  // a user id, or -1 - port for a sender that was not found
  std::chrono::steady_clock::time_point logged;
};

// True when a refusal of `who` is to be logged now (and remembers it).
bool record_due(long long who) {
  static std::mutex mutex;
  static std::vector<refused_t> recent;
  std::lock_guard<std::mutex> lock(mutex);
  auto now = std::chrono::steady_clock::now();
  for (refused_t& r : recent) {
    if (r.who != who) continue;
    if (now - r.logged < kRecordInterval) return false;
    r.logged = now;
    return true;
  }
  if (recent.size() >= kRememberedSenders) recent.erase(recent.begin());
  recent.push_back({who, now});
  return true;
}

}  // namespace

bool link_sender_allowed(const sockaddr_in& from) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(tessaly::link::SERVICE_PORT);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::vector<uid_t> owners;
  unsigned port = ntohs(from.sin_port);
  if (!tessaly::udp_socket_owners(from, to, &owners) || owners.empty()) {
    daemon_print(2, "link: no socket found for port %u\n", port);
    if (record_due(-1 - static_cast<long long>(port))) {
      log_information(nullptr, MSG_LEVEL_ALERT,
                      _("A request from port %u was refused: its sending socket could not be "
                        "found."),
                      port);
    }
    return false;
  }
  std::string folder = tessaly::data_folder_path();
  for (uid_t uid : owners) {
    if (tessaly::may_configure(uid, folder)) continue;
    daemon_print(2, "link: request of user id %u refused\n", static_cast<unsigned>(uid));
    if (record_due(static_cast<long long>(uid))) {
      log_information(nullptr, MSG_LEVEL_ALERT,
                      _("A request of user id %u was refused: only root and the users who may "
                        "configure the service may control it."),
                      static_cast<unsigned>(uid));
    }
    return false;
  }
  return true;
}
