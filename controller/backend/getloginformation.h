// The controller's reader of LOG.dat, the service's log.
//
// ReadLog replaces the list by the records of the file, oldest first. A missing, empty or
// damaged file (also one nested deeper than any log) gives the records read before the
// damage (none for a missing file); anything but a regular file gives none; nothing is ever
// written here. A file without its "</description>" header gives no record. Each
// record starts with its six texts empty: an element missing from one record leaves that
// text empty rather than carrying the one of the record before.
#pragma once

#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>

struct LogRecord {
  QString type;  // "message", "warning", "alert", "error" (or "debug")
  QString uuid;
  QString domain;
  QString time1;  // ISO 8601 as stored
  QString time2;
  QString content;
};

struct LogList {
  int count = 0;
  QList<LogRecord> records;
};

class GetLogInformation : public QObject {
  Q_OBJECT

 public:
  // An empty `dataDir` is no folder: the list stays empty.
  explicit GetLogInformation(const QString& dataDir, QObject* parent = nullptr);
  ~GetLogInformation() override;

  void ReadLog();
  // Valid until the next ReadLog or the object's end.
  const LogList* GetLogList() const { return &list_; }

 private:
  LogList list_;
  QString logPath_;
};
