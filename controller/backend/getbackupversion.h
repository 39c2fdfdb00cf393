// One-shot thread pacing the restore page's version list: each start gives one GetVersionSign(),
// delivered to the receiver's thread as a queued call; then the thread ends (it may be
// started again).
#pragma once

#include <QtCore/QThread>

class GetBackupVersion : public QThread {
  Q_OBJECT

 public:
  explicit GetBackupVersion(QObject* parent = nullptr);
  // Waits for a run still in progress (a running QThread must never be deleted).
  ~GetBackupVersion() override;

 signals:
  void GetVersionSign();

 protected:
  void run() override;
};
