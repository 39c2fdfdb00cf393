// The controller's automatic start at log-on: an XDG autostart entry TessalySync.desktop in
// the user's autostart folder ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart), which
// the desktop session runs when the user logs on. The miscellaneous settings page writes it
// when automatic start is switched on and removes it when it is switched off.
//
// The entry runs this program by its absolute path. The path is quoted in the Exec line by
// the desktop-entry rules, so that a path with blanks, quotes, "$" or "%" starts exactly this
// program and never expands into something else. The entry is written under a temporary name
// and renamed into place, so the session finds the old entry or the new one, never a part.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

namespace autostart {

// The entry's path for these values of XDG_CONFIG_HOME and HOME: an absolute
// XDG_CONFIG_HOME is taken as it is; an empty or relative one is not valid and gives
// <home>/.config.
QString entryPath(const QString& xdgConfigHome, const QString& home);
// The same for this process's environment.
QString entryPath();

// The Exec value that runs `program` without arguments: the path in double quotes with
// '"', '`', '$' and '\' escaped by a backslash and '%' doubled, and then the escapes of a
// desktop-entry string value (a backslash doubled, line feed, tab and carriage return as
// \n, \t, \r).
QString execValue(const QString& program);

// The whole entry for `program`.
QByteArray entryText(const QString& program);

// Writes the entry for `program` (making the autostart folder when needed) or removes it.
// A missing entry counts as removed. False, with the reason in `error`, when the folder or
// the file could not be written or the old entry could not be removed.
bool writeEntry(const QString& program, QString* error = nullptr);
bool removeEntry(QString* error = nullptr);

// writeEntry with this program's own path when `on`, else removeEntry.
bool setAutoStart(bool on, QString* error = nullptr);

}  // namespace autostart
