// Who may steer the service over the link, and who may receive its answers
// (communication.h: link_sender_allowed, link_receiver_allowed).
//
// The link carries no proof of its sender, so the sending socket is looked up in the
// kernel's socket tables (link_sender.h): set requests, and the detail and summary queries,
// are acted on only for a socket of root or of a user who may configure the service (the
// owner of the configuration folder, or a member of its group when the folder gives its
// group access). A refused request gets no action and no answer. The same rule holds for the
// socket bound to 127.0.0.1:7503, where the answers go: answers that carry a task's data are
// sent only while it belongs to such a user.
//
// Refusals are logged at most once a minute in all: a flood of refused datagrams (each from
// a fresh socket, say) would otherwise push every other record out of the log. The first
// refusal is logged at once; the ones that follow within the minute are counted, and the
// count is logged when the minute is over.
#include <arpa/inet.h>
#include <glib.h>

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

constexpr std::chrono::seconds kRecordInterval(60);

// One kind of refusal, logged at most once per interval: the first at once, the count of
// the others when the interval is over (the count record then opens the next interval).
class refusal_log {
 public:
  using record_t = void (*)(unsigned long count);

  explicit refusal_log(record_t count_record) : count_record_(count_record) {}

  // True when this refusal is to be logged now with a record of its own; otherwise it is
  // counted.
  bool due() {
    std::lock_guard<std::mutex> lock(mutex_);
    auto now = std::chrono::steady_clock::now();
    if (!open_) {
      open_ = true;
      began_ = now;
      return true;
    }
    if (++counted_ == 1 && timer_ == 0) {
      auto left = std::chrono::duration_cast<std::chrono::seconds>(kRecordInterval -
                                                                   (now - began_));
      guint seconds = left.count() > 0 ? static_cast<guint>(left.count()) : 0;
      timer_ = g_timeout_add_seconds(seconds + 1, interval_over, this);
    }
    return false;
  }

 private:
  static gboolean interval_over(gpointer data) {
    auto* self = static_cast<refusal_log*>(data);
    unsigned long counted;
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->timer_ = 0;
      counted = self->counted_;
      self->counted_ = 0;
      self->began_ = std::chrono::steady_clock::now();
      self->open_ = counted > 0;  // a quiet interval ends the series
    }
    if (counted > 0) self->count_record_(counted);
    return G_SOURCE_REMOVE;
  }

  record_t count_record_;
  std::mutex mutex_;
  bool open_ = false;
  std::chrono::steady_clock::time_point began_;
  unsigned long counted_ = 0;
  guint timer_ = 0;
};

refusal_log& request_refusals() {
  static refusal_log log([](unsigned long count) {
    log_information(nullptr, MSG_LEVEL_ALERT,
                    _("%lu more requests on the link were refused in the last minute."), count);
  });
  return log;
}

// True at most once an interval (answers refused to a stranger are logged each minute while
// the stranger holds the port). The main thread alone asks.
bool answer_refusal_due() {
  static bool logged = false;
  static std::chrono::steady_clock::time_point last;
  auto now = std::chrono::steady_clock::now();
  if (logged && now - last < kRecordInterval) return false;
  logged = true;
  last = now;
  return true;
}

// The first of `owners` who may not configure the service, or -1 when all may.
long long first_stranger(const std::vector<uid_t>& owners) {
  std::string folder = tessaly::data_folder_path();
  for (uid_t uid : owners) {
    if (!tessaly::may_configure(uid, folder)) return static_cast<long long>(uid);
  }
  return -1;
}

}  // namespace

bool link_sender_allowed(const sockaddr_in& from, const tessaly::udp_socket_table* table) {
  sockaddr_in to = loopback(tessaly::link::SERVICE_PORT);
  std::vector<uid_t> owners;
  unsigned port = ntohs(from.sin_port);
  if (table != nullptr) table->owners(from, to, &owners);
  if (owners.empty()) {
    daemon_print(2, "link: no socket found for port %u\n", port);
    if (request_refusals().due()) {
      log_information(nullptr, MSG_LEVEL_ALERT,
                      _("A request from port %u was refused: its sending socket could not be "
                        "found."),
                      port);
    }
    return false;
  }
  long long stranger = first_stranger(owners);
  if (stranger < 0) return true;
  daemon_print(2, "link: request of user id %lld refused\n", stranger);
  if (request_refusals().due()) {
    log_information(nullptr, MSG_LEVEL_ALERT,
                    _("A request of user id %u was refused: only root and the users who may "
                      "configure the service may control it."),
                    static_cast<unsigned>(stranger));
  }
  return false;
}

bool link_receiver_allowed() {
  sockaddr_in from = loopback(tessaly::link::CONTROLLER_PORT);
  sockaddr_in to{};
  std::vector<uid_t> owners;
  if (!reply_source(&to) || !tessaly::udp_socket_owners(from, to, &owners)) {
    daemon_print(2, "link: the receiver of answers cannot be found\n");
    return false;
  }
  // Nobody listens: nothing to send, and nobody to take the port in between.
  if (owners.empty()) return false;
  long long stranger = first_stranger(owners);
  if (stranger < 0) return true;
  daemon_print(2, "link: answers to user id %lld not sent\n", stranger);
  if (answer_refusal_due()) {
    log_information(nullptr, MSG_LEVEL_ALERT,
                    _("The answers to the controller are not sent: the socket at "
                      "127.0.0.1:7503 belongs to user id %u, who may not control the service."),
                    static_cast<unsigned>(stranger));
  }
  return false;
}
