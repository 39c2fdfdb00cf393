// The log page's pace: RefreshLogSign() at once when the thread starts, then once a minute,
// until stop() (pacingthread.h).
#pragma once

#include "pacingthread.h"

class RefreshLog : public PacingThread {
  Q_OBJECT

 public:
  explicit RefreshLog(QObject* parent = nullptr,
                      std::chrono::milliseconds interval = std::chrono::seconds(60))
      : PacingThread(parent, interval) {}
  ~RefreshLog() override { stop(); }

 signals:
  void RefreshLogSign();

 protected:
  void pace() override { emit RefreshLogSign(); }
};
