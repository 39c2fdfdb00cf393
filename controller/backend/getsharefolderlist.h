// One-shot thread pacing the wizard's share list: each start gives one GetShareFolderSign(),
// delivered to the receiver's thread as a queued call; then the thread ends (it may be
// started again).
#pragma once

#include <QtCore/QThread>

class GetShareFolderList : public QThread {
  Q_OBJECT

 public:
  explicit GetShareFolderList(QObject* parent = nullptr);
  // Waits for a run still in progress (a running QThread must never be deleted).
  ~GetShareFolderList() override;

 signals:
  void GetShareFolderSign();

 protected:
  void run() override;
};
