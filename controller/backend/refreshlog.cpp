#include "refreshlog.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QMutexLocker>

RefreshLog::RefreshLog(QObject* parent, std::chrono::milliseconds interval)
    : QThread(parent), interval_(interval) {}

RefreshLog::~RefreshLog() { stop(); }

void RefreshLog::stop() {
  {
    QMutexLocker lock(&mutex_);
    stopping_ = true;
    wake_.wakeAll();
  }
  wait();
}

// Emit first, then sleep; the sleep ends early only when stop() is asked.
void RefreshLog::run() {
  QMutexLocker lock(&mutex_);
  while (!stopping_) {
    lock.unlock();
    emit RefreshLogSign();
    lock.relock();
    QDeadlineTimer deadline(interval_);
    while (!stopping_ && !deadline.hasExpired()) wake_.wait(&mutex_, deadline);
  }
}
