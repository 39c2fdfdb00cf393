#include "getsenstusthrd.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QMutexLocker>

GetSenStusThrd::GetSenStusThrd(QObject* parent, std::chrono::milliseconds interval)
    : QThread(parent), interval_(interval) {}

GetSenStusThrd::~GetSenStusThrd() { stop(); }

void GetSenStusThrd::stop() {
  {
    QMutexLocker lock(&mutex_);
    stopping_ = true;
    wake_.wakeAll();
  }
  wait();
}

// Emit first, then sleep; the sleep ends early only when stop() is asked.
void GetSenStusThrd::run() {
  QMutexLocker lock(&mutex_);
  while (!stopping_) {
    lock.unlock();
    emit QueryStatus();
    lock.relock();
    QDeadlineTimer deadline(interval_);
    while (!stopping_ && !deadline.hasExpired()) wake_.wait(&mutex_, deadline);
  }
}
