// One-shot thread pacing the wizard's account check: each start gives one CheckAccountModeSign(),
// delivered to the receiver's thread as a queued call; then the thread ends (it may be
// started again).
#pragma once

#include <QtCore/QThread>

class CheckAccountMode : public QThread {
  Q_OBJECT

 public:
  explicit CheckAccountMode(QObject* parent = nullptr);
  // Waits for a run still in progress (a running QThread must never be deleted).
  ~CheckAccountMode() override;

 signals:
  void CheckAccountModeSign();

 protected:
  void run() override;
};
