// The state of a task as the service reports it in its detail answer.
//
// The service sends one of three texts, "Not started", "Backup is running" and "Restore is
// running", translated into the service's own language, which need not be the window's.
// serviceStateOf recognises the text in every language of the service's catalogue (a table
// made at build time from the service's .po sources); serviceStateText gives the English
// source text back, for the window to show through its own translation.
#pragma once

#include <QtCore/QString>

enum class ServiceState { Unknown, NotStarted, BackupRunning, RestoreRunning };

// The state a text of the service stands for: an exact match, after trimming white space,
// with the text in one of the catalogue's languages (English included); Unknown otherwise.
ServiceState serviceStateOf(const QString& text);

// The English source text of a state ("Not started", ...), for
// QCoreApplication::translate("Dialog", ...); empty for Unknown.
QString serviceStateText(ServiceState state);
