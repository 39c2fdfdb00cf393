// A timer of the test's thread that fires every 20 ms, and the longest time between two of
// its firings: how long that thread's events stood still (a window that froze).
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>

#include <algorithm>

class EventTicker {
 public:
  EventTicker() {
    clock_.start();
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.elapsed();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
    timer_.start(20);
  }
  // Up to now, counting the time since the last firing.
  qint64 longestGapMs() const { return std::max(longest_, clock_.elapsed() - last_); }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 longest_ = 0;
};
