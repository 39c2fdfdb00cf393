// The state of a task as the service reports it in its detail answer.
//
// The service sends one of three texts, "Not started", "Backup is running" and "Restore is
// running", translated into the service's own language, which need not be the window's.
// serviceStateOf recognises the text in every language of the service's catalogue (a table
// made at build time from the service's .po sources); serviceStateText gives the English
// source text back, for the window to show through its own translation.
//
// The service also logs how each backup ended ("Backup %s is completed.", "... is stopped by
// user.", "... is incomplete: ..."), in its language; lastRunResult reads the outcome of a
// task's last run from the log records of that run, recognised the same way.
#pragma once

#include <QtCore/QList>
#include <QtCore/QString>

#include "getloginformation.h"

enum class ServiceState { Unknown, NotStarted, BackupRunning, RestoreRunning };

// The state a text of the service stands for: an exact match, after trimming white space,
// with the text in one of the catalogue's languages (English included); Unknown otherwise.
ServiceState serviceStateOf(const QString& text);

// The English source text of a state ("Not started", ...), for
// QCoreApplication::translate("Dialog", ...); empty for Unknown.
QString serviceStateText(ServiceState state);

// How a backup run ended, as far as the log tells.
enum class RunOutcome {
  None,        // the log holds no end of the run (no record, or the run still goes on)
  Completed,   // "Backup %s is completed."
  Incomplete,  // "Backup %s is incomplete: %ld files or folders could not be backed up."
  Stopped,     // "Backup %s is stopped by user."
  Failed,      // an error record of the run
};

// The outcome a log text stands for: the whole text (trimmed) is one of the outcome texts of
// a language of the catalogue with a name for "%s" and a number for "%ld"; None otherwise.
RunOutcome runOutcomeOf(const QString& content);

struct RunResult {
  RunOutcome outcome = RunOutcome::None;
  // Failed: the content of the run's last error record; Incomplete: the incomplete record's.
  QString text;
};

// The result of the run of task `uuid` that started at `lastRunTime` (ISO 8601), from the
// records of that run: those of the task (uuid equal, case ignored) whose start time is the
// same second. An error record makes it Failed, whatever else the run logged; otherwise the
// last outcome text of the run decides. An empty or unreadable time gives None.
RunResult lastRunResult(const QList<LogRecord>& records, const QString& uuid,
                        const QString& lastRunTime);
