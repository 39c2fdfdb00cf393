// The XDG autostart entry of the controller: its path, its text, and writing or removing it.
// See autostart.h for why the program path is quoted as it is.
#include "autostart.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <sys/stat.h>

#include <cerrno>

#include "file_write.h"

namespace autostart {

namespace {

const char kEntryName[] = "TessalySync.desktop";

void setError(QString* error, const QString& text) {
  if (error) *error = text;
}

}  // namespace

QString entryPath(const QString& xdgConfigHome, const QString& home) {
  // A relative XDG_CONFIG_HOME is not valid and is ignored, as the desktop session ignores it.
  const QString config = QDir::isAbsolutePath(xdgConfigHome) ? xdgConfigHome : home + "/.config";
  return QDir::cleanPath(config + "/autostart") + "/" + kEntryName;
}

QString entryPath() {
  return entryPath(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
}

QString execValue(const QString& program) {
  // First the quoting of an Exec argument...
  QString quoted = QStringLiteral("\"");
  for (const QChar c : program) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
      quoted += u'\\';
      quoted += c;
    } else if (c == u'%') {
      quoted += QStringLiteral("%%");
    } else {
      quoted += c;
    }
  }
  quoted += u'"';
  // ...then the escapes of a string value, which a reader undoes first.
  QString value;
  for (const QChar c : quoted) {
    if (c == u'\\') {
      value += QStringLiteral("\\\\");
    } else if (c == u'\n') {
      value += QStringLiteral("\\n");
    } else if (c == u'\t') {
      value += QStringLiteral("\\t");
    } else if (c == u'\r') {
      value += QStringLiteral("\\r");
    } else {
      value += c;
    }
  }
  return value;
}

QByteArray entryText(const QString& program) {
  return QStringLiteral(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=TessalySync\n"
             "Comment=Backs up folders to a NAS share\n"
             "Exec=%1\n"
             "Terminal=false\n")
      .arg(execValue(program))
      .toUtf8();
}

bool writeEntry(const QString& program, QString* error) {
  const QString path = entryPath();
  const QString folder = QFileInfo(path).path();
  if (!QDir().mkpath(folder)) {
    setError(error, QStringLiteral("cannot make the folder %1").arg(folder));
    return false;
  }
  const QByteArray text = entryText(program);
  tessaly::staged_file file(QFile::encodeName(folder + "/.TessalySync.desktop.XXXXXX").toStdString());
  // The entry is the user's own and readable, like every other entry of the folder.
  const bool done =
      file.ok() &&
      file.write(std::string_view(text.constData(), size_t(text.size())),
                 [](int fd) { return fchmod(fd, 0644) == 0; }) &&
      file.place(QFile::encodeName(path).toStdString(), true);
  if (!done) {
    setError(error, QStringLiteral("cannot write %1: %2").arg(path, qt_error_string(errno)));
    return false;
  }
  return true;
}

bool removeEntry(QString* error) {
  const QString path = entryPath();
  QFile file(path);
  // exists() follows links; a dangling link named like the entry is removed as well.
  if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink()) return true;
  if (!file.remove()) {
    setError(error, QStringLiteral("cannot remove %1: %2").arg(path, file.errorString()));
    return false;
  }
  return true;
}

bool setAutoStart(bool on, QString* error) {
  return on ? writeEntry(QCoreApplication::applicationFilePath(), error) : removeEntry(error);
}

}  // namespace autostart
