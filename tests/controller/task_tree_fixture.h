// Task trees for the version readers, made with the sqlite3 tool and the service's own
// statements: status.db holding the state word of the newest run, history.db one row per
// run (its start time in UTC), and increments/<n> for each row.
#pragma once

#include <QtCore/QDir>
#include <QtCore/QProcess>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtTest/QtTest>

namespace task_tree {

inline bool sqlite(const QString& db, const QString& sql) {
  QProcess tool;
  tool.start(QStringLiteral("sqlite3"), {db, sql});
  return tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit &&
         tool.exitCode() == 0;
}

// The tree in `folder`: status.db with `status` (none when null), history.db with one row
// per time (none when `history` is false). False when the tool failed.
inline bool make(const QString& folder, const QString& status, const QStringList& times,
                 bool history = true) {
  if (!QDir().mkpath(folder)) return false;
  if (!status.isNull() &&
      !sqlite(folder + "/status.db",
              QStringLiteral("BEGIN;CREATE TABLE status_tbl (No integer primary key,"
                             "Real_status varchar(16));delete from status_tbl where no = 1;"
                             "insert into status_tbl(Real_status)values(\"%1\");"
                             "COMMIT TRANSACTION;")
                  .arg(status))) {
    return false;
  }
  if (history) {
    QString sql = QStringLiteral(
        "BEGIN;CREATE TABLE time_tbl (No integer primary key,Real_time varchar(64));");
    for (const QString& time : times) {
      sql += QStringLiteral("insert into time_tbl(Real_time)values(\"%1\");").arg(time);
    }
    if (!sqlite(folder + "/history.db", sql + "COMMIT TRANSACTION;")) return false;
  }
  for (int n = 1; n <= times.size(); ++n) {
    if (!QDir().mkpath(folder + "/increments/" + QString::number(n))) return false;
  }
  return true;
}

}  // namespace task_tree
