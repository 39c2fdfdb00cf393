// The controller's task store: the only reader and writer of SESSION_CONFIG.dat on the
// controller's side (the service reads the same file; its layout is config_format.h).
//
// The store keeps the tasks as a list of value records for the window, adds a task with a
// fresh uuid from the wizard's answers, renames a task or replaces its schedule, deletes a
// task, and exports or imports the whole file. Every change reads the whole file first and
// is refused when the file does not parse: a damaged file is never rewritten from what a
// partial read gave. The new content goes to a temporary file in the data folder, gets the
// rights of the configuration files and is renamed over the old one, so the service reads
// the old file or the new one, never a part.
//
// Tasks are found by their uuid compared exactly; an empty or unknown uuid changes nothing.
// The store sends nothing to the service: each change returns whether the file was
// rewritten, and the window then sends the reload request and reads the list again.
#pragma once

#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QStringList>

// One task as the window shows it.
struct SessionRecord {
  QString model;         // destination/model
  QString user;          // destination/user (empty for an anonymous share)
  QString action;        // "full_backup" or "incremental"
  QString scheduleKind;  // the `type` word ("manually"), or for a scheduled task its
                         // `schedule_type` ("daily", "weekly", "monthly")
  QString uuid;
  QString lastRunTime;  // empty when read; the task list stores the service's answer
  QString nextRunTime;  // empty when read; the same
  QString name;
  QString status;           // "Not started" when read; the task list stores the service's text
  QString password;         // destination/password, plain
  QString scheduleTimes;    // every schedule_time text, joined with ","
  QString extensions;       // every ext text of the four groups in file order, joined with ", "
  QString destinationPath;  // destination/path
};

// The tasks in file order.
using SessionList = QList<SessionRecord>;

class UpdateSessionConfig : public QObject {
  Q_OBJECT

 public:
  // Results of AddSession.
  enum AddResult { AddDone = 0, AddNotWritten = 1 };
  // Results of ImportSessionConfig.
  enum ImportResult { ImportRefused = 0, Imported = 1, ImportNotWritten = -1 };
  // Modes of UpdateSchedule.
  enum UpdateMode { Rename = 1, Reschedule = 2 };

  // `dataDir` is the configuration folder; the task file is SESSION_CONFIG.dat in it. An empty
  // `dataDir` is no folder: every operation then fails and nothing is read or written.
  explicit UpdateSessionConfig(const QString& dataDir, QObject* parent = nullptr);
  ~UpdateSessionConfig() override;

  // Replaces the list by the tasks of the file. A missing or empty file gives no task; a
  // task whose uuid is not a uuid text is left out, as the service leaves it out. False,
  // with an empty list, when the file cannot be read or does not parse.
  bool ReadSessionConfig();
  // The list, the same object for the store's life. The window stores the service's
  // answers (status, run times) in its records until the next ReadSessionConfig.
  SessionList* GetSessionList();

  // Appends a new task. `scheduleKind` is "manually" (or "auto_sync") or one of "daily",
  // "weekly", "monthly" with at least one time in `scheduleTimes` (ISO 8601 in UTC, written
  // with exactly one "Z"); `action` is "full_backup" or "incremental". An empty `user` makes
  // the share anonymous (no user and password are written). AddDone when the file was
  // written; AddNotWritten when an answer was refused (a text XML cannot carry, an unknown
  // word, a bad time), the file is damaged or it could not be written.
  int AddSession(const QString& name, const QStringList& videoExtensions,
                 const QStringList& pictureExtensions, const QStringList& audioExtensions,
                 const QStringList& customExtensions, const QStringList& sourceFolders,
                 const QString& user, const QString& password, const QString& destinationPath,
                 const QString& model, const QString& action, const QString& scheduleKind,
                 const QStringList& scheduleTimes);

  // Rename (the task's own name becomes `name`) or Reschedule (its trigger and run times are
  // replaced as AddSession writes them) the task with exactly this uuid. True when the file
  // was rewritten. The list changes at the next ReadSessionConfig.
  bool UpdateSchedule(const QString& uuid, const QString& name, const QString& scheduleKind,
                      const QStringList& scheduleTimes, int mode);

  // Deletes the task with exactly this uuid from the file and, once the file was
  // rewritten, from the list. The remaining tasks are numbered 1, 2, ... again.
  bool DeleteSession(const QString& key);

  // Writes the tasks (passwords included) to `fileName`, created with mode 0600; never onto
  // the task file itself. True when written.
  bool ExportSessionConfig(const QString& fileName);

  // Replaces the task file by the tasks of `fileName`, a file written by
  // ExportSessionConfig (or a task file). ImportRefused, with the reason in lastError(),
  // unless the whole file parses, its header marks a task file and every task has a valid
  // uuid of its own; ImportNotWritten when the task file could not be written. The list
  // changes at the next ReadSessionConfig.
  int ImportSessionConfig(const QString& fileName);

  // Why the last operation failed or was refused; empty after one that succeeded.
  QString lastError() const;
  // The task file's path.
  QString configPath() const;

 private:
  void ClearSessionList();
  void RemoveSessionRecord(const QString& key);
  bool fail(const QString& reason);

  SessionList sessions_;
  QString dataDir_;
  QString configPath_;
  QString lastError_;
};
