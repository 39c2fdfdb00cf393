// The controller's reader of a task's versions, for the restore page.
//
// The versions live in the task's folder on its destination: history.db has one row per
// version (its number and the run's start time in UTC), status.db the state word of the
// newest run. The reader reaches the folder through the share layer with the task's own
// account (the guest login for a task without one), copies both databases with any journal
// into a private temporary folder and reads the copies with Qt's SQLite driver, so that a
// run writing them meanwhile is never disturbed and a half-written transaction rolls back
// in the copy. Every version is offered except the newest when that run did not complete.
// The copies are data from the share, not code: they are read only when their tables are
// plain tables, and every query on them is bounded (platform/tree_db_guard.h).
//
// The share is read on a thread of its own, with its own connection (sharecall.h): the
// window's thread, which calls GetVersionList, waits for it at most the time-out while its
// events go on. A server that does not answer therefore costs the window the time-out, not
// the share layer's much longer wait, and the window is never frozen meanwhile.
#pragma once

#include <QtCore/QDateTime>
#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include "sharecall.h"

// One restorable version.
struct SessionVersion {
  qint64 number = 0;  // history.db `No`: what the restore request carries
  QDateTime start;    // the run's start, UTC
  QString time;       // the start in local time, "yyyy-MM-dd hh:mm"
};

using SessionVersionList = QList<SessionVersion>;

class GetSessionVersion : public QObject {
  Q_OBJECT

 public:
  // How long the window's thread waits for the share by default.
  static constexpr int kDefaultTimeoutMs = ShareCall::kDefaultTimeoutMs;

  // `destinationPath` is the task's destination: \\server\share[\folder...] or a local
  // folder. An empty `accountName` is a task without an account (the guest login), as the
  // task file stores one; "DOMAIN\user" names a domain. `taskName` is kept and not read.
  GetSessionVersion(const QString& taskUuid, const QString& taskName,
                    const QString& destinationPath, const QString& accountName,
                    const QString& password, QObject* parent = nullptr);
  ~GetSessionVersion() override;

  // The longest wait of the calling thread for the share, in milliseconds.
  void setTimeout(int milliseconds);

  // Reads the versions and appends their numbers (decimal text) and local times to the two
  // lists, oldest first; the lists are not cleared. False, with both lists as they were and
  // the reason in lastError(), when the versions cannot be read: an unusable destination
  // text or task uuid, an account the server refuses, a server that does not answer within
  // the time-out, no task tree or no databases in it, an unreadable or damaged database (a
  // view or a trigger in it, a query that does not end), no SQLite driver. A tree whose only
  // run did not complete gives true and no version. The calling thread's events are
  // processed while the share is read: its callers must expect their own slots meanwhile.
  bool GetVersionList(QStringList* numbers, QStringList* times);

  // The versions of the last successful reading.
  const SessionVersionList& versions() const { return versions_; }
  // Why the last reading failed; empty after one that succeeded.
  QString lastError() const { return lastError_; }

 private:
  bool fail(const QString& reason);

  QString uuid_;
  QString name_;
  QString destination_;
  QString account_;
  QString password_;
  // As read: history.db's `No` and `Real_time` columns, status.db's last word.
  QStringList historyNumbers_;
  QStringList historyTimes_;
  QString lastStatus_;

  SessionVersionList versions_;
  QString lastError_;
  int timeoutMs_ = kDefaultTimeoutMs;
};
