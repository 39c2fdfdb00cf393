// A thread that paces work done elsewhere: pace() at once when the thread starts, then once
// every interval, until stop(). The status poll and the log refresh are this thread with a
// signal of their own (getsenstusthrd.h, refreshlog.h); their signals reach the receiver's
// thread as queued calls. The sleep is a wait on a condition, so that stop() ends it at once
// instead of an interval later.
#pragma once

#include <QtCore/QMutex>
#include <QtCore/QThread>
#include <QtCore/QWaitCondition>

#include <chrono>

class PacingThread : public QThread {
  Q_OBJECT

 public:
  ~PacingThread() override;

  // Asks the loop to end, wakes its sleep and waits for the thread. Safe to call twice or
  // when the thread never started; a thread stopped once does not run again.
  void stop();

 protected:
  PacingThread(QObject* parent, std::chrono::milliseconds interval);

  // One beat, on the pacing thread. A subclass emits its signal here, and its destructor
  // calls stop(): once the subclass is gone the loop must no longer reach it.
  virtual void pace() = 0;

  void run() override;

 private:
  const std::chrono::milliseconds interval_;
  QMutex mutex_;
  QWaitCondition wake_;
  bool stopping_ = false;
};
