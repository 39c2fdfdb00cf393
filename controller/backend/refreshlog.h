// The log page's pace: RefreshLogSign() at once when the thread starts, then once a minute,
// until stop(). The signal is delivered to the receiver's thread as a queued call.
#pragma once

#include <QtCore/QMutex>
#include <QtCore/QThread>
#include <QtCore/QWaitCondition>

#include <chrono>

class RefreshLog : public QThread {
  Q_OBJECT

 public:
  explicit RefreshLog(QObject* parent = nullptr,
                      std::chrono::milliseconds interval = std::chrono::seconds(60));
  ~RefreshLog() override;

  // Asks the loop to end, wakes its sleep and waits for the thread. Safe to call twice or
  // when the thread never started; a thread stopped once does not run again.
  void stop();

 signals:
  void RefreshLogSign();

 protected:
  void run() override;

 private:
  const std::chrono::milliseconds interval_;
  QMutex mutex_;
  QWaitCondition wake_;
  bool stopping_ = false;
};
