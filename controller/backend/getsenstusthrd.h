// The task list's pace: QueryStatus() at once when the thread starts, then every 3 seconds,
// until stop() (pacingthread.h).
#pragma once

#include "pacingthread.h"

class GetSenStusThrd : public PacingThread {
  Q_OBJECT

 public:
  explicit GetSenStusThrd(QObject* parent = nullptr,
                          std::chrono::milliseconds interval = std::chrono::seconds(3))
      : PacingThread(parent, interval) {}
  ~GetSenStusThrd() override { stop(); }

 signals:
  void QueryStatus();

 protected:
  void pace() override { emit QueryStatus(); }
};
