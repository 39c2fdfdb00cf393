// The pacing loop: emit first, then sleep; the sleep ends early only when stop() is asked.
#include "pacingthread.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QMutexLocker>

PacingThread::PacingThread(QObject* parent, std::chrono::milliseconds interval)
    : QThread(parent), interval_(interval) {}

PacingThread::~PacingThread() { stop(); }

void PacingThread::stop() {
  {
    QMutexLocker lock(&mutex_);
    stopping_ = true;
    wake_.wakeAll();
  }
  wait();
}

void PacingThread::run() {
  QMutexLocker lock(&mutex_);
  while (!stopping_) {
    lock.unlock();
    pace();
    lock.relock();
    QDeadlineTimer deadline(interval_);
    while (!stopping_ && !deadline.hasExpired()) wake_.wait(&mutex_, deadline);
  }
}
