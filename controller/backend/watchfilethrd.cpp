#include "watchfilethrd.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QtCore/QFile>

#include <climits>
#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t kChangeMask = IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr uint32_t kGoneMask = IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

// What one batch of events says.
struct batch_result {
  bool changed = false;
  bool gone = false;
};

// Walks the events of one read; every access stays inside the `size` bytes read.
batch_result walkEvents(const char* buffer, size_t size) {
  batch_result result;
  size_t offset = 0;
  while (offset + sizeof(inotify_event) <= size) {
    inotify_event event;
    std::memcpy(&event, buffer + offset, sizeof event);
    const size_t nameStart = offset + sizeof(inotify_event);
    if (event.len > size - nameStart) break;
    if (event.mask & IN_Q_OVERFLOW) result.changed = true;
    if (event.mask & kGoneMask) result.gone = true;
    if ((event.mask & kChangeMask) && event.len > 0) {
      const char* name = buffer + nameStart;
      const QString text =
          QFile::decodeName(QByteArray(name, static_cast<qsizetype>(strnlen(name, event.len))));
      if (text.contains(QLatin1String("LOG.dat"), Qt::CaseInsensitive)) result.changed = true;
    }
    offset = nameStart + event.len;
  }
  return result;
}

}  // namespace

WatchFileThrd::WatchFileThrd(const QString& folder, QObject* parent)
    : QThread(parent), folder_(folder) {}

WatchFileThrd::~WatchFileThrd() { stop(); }

bool WatchFileThrd::startWatch() {
  if (isRunning()) return true;
  closeAll();
  inotifyFd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (inotifyFd_ < 0 || stopFd_ < 0 || folder_.isEmpty() ||
      inotify_add_watch(inotifyFd_, QFile::encodeName(folder_).constData(),
                        kChangeMask | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR) < 0) {
    closeAll();
    return false;
  }
  start();
  return true;
}

void WatchFileThrd::stop() {
  if (stopFd_ >= 0) {
    const uint64_t one = 1;
    while (::write(stopFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }
  wait();
  closeAll();
}

void WatchFileThrd::closeAll() {
  if (inotifyFd_ >= 0) ::close(inotifyFd_);
  if (stopFd_ >= 0) ::close(stopFd_);
  inotifyFd_ = -1;
  stopFd_ = -1;
}

void WatchFileThrd::run() {
  alignas(inotify_event) char buffer[4096 + sizeof(inotify_event) + NAME_MAX + 1];
  pollfd fds[2] = {{stopFd_, POLLIN, 0}, {inotifyFd_, POLLIN, 0}};
  for (;;) {
    fds[0].revents = fds[1].revents = 0;
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents != 0) return;  // stop() wrote the eventfd
    if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
    if (!(fds[1].revents & POLLIN)) continue;
    const ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return;
    }
    const batch_result result = walkEvents(buffer, static_cast<size_t>(n));
    if (result.changed) emit FindModification();
    if (result.gone) return;  // the folder was removed or moved away: the watch is over
  }
}
