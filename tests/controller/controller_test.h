// Shared set-up of the controller tests: every test program runs in a private folder of its
// own, made before the application object exists, so that no test reads or writes the
// machine's configuration folder, the user's runtime folder or the real autostart folder.
//
//   TESSALY_ROOT     <tmp>/root    (the data folder is <tmp>/root/var/lib/Tessaly)
//   XDG_RUNTIME_DIR  <tmp>/run     (the single-instance server and lock)
//   XDG_CONFIG_HOME  <tmp>/config  (the autostart entry)
//   TMPDIR           <tmp>/tmp
//   TZ               JST-9 unless the caller set one: local time is UTC+9 all year, so a
//                    missing conversion to local time shows in every time text.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtTest/QtTest>

#include <cstdlib>
#include <ctime>
#include <string>

class QWidget;

namespace controller_test {

// How long a test waits for an event that is due (an answer, a box, a file on disk) before it
// counts as never coming: far longer than a loaded machine takes, well short of the test's
// own time-out.
constexpr int kEventWaitMs = 60000;

inline QString& tempRoot() {
  static QString root;
  return root;
}

inline void removeTempRoot() {
  if (!tempRoot().isEmpty() && qgetenv("TESSALY_KEEP_TEST_ROOT").isEmpty()) {
    QDir(tempRoot()).removeRecursively();
  }
}

inline void isolate() {
  std::string pattern = QDir::tempPath().toStdString() + "/tessaly-ctl-XXXXXX";
  if (!mkdtemp(pattern.data())) std::abort();
  tempRoot() = QString::fromStdString(pattern);
  const QString root = tempRoot();
  for (const char* sub : {"root", "run", "config", "tmp"}) QDir().mkpath(root + "/" + sub);
  QFile::setPermissions(root + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
  qputenv("TESSALY_ROOT", (root + "/root").toUtf8());
  qputenv("XDG_RUNTIME_DIR", (root + "/run").toUtf8());
  qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
  qputenv("TMPDIR", (root + "/tmp").toUtf8());
  if (qgetenv("TZ").isEmpty()) qputenv("TZ", "JST-9");
  tzset();
  std::atexit(removeTempRoot);
}

// The bytes of the file at `path`; none when it cannot be read.
inline QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes `bytes` as the whole file at `path`; false when that fails.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The widget (or other object) named `name` below `parent`; the test stops when there is none.
template <typename T = QWidget>
T* child(const QObject& parent, const QString& name) {
  T* found = parent.findChild<T*>(name);
  if (!found) qFatal("no widget %s", qPrintable(name));
  return found;
}

// The warnings and errors Qt reported while recordWarnings was the message handler.
inline QStringList& warnings() {
  static QStringList list;
  return list;
}

inline void recordWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtDebugMsg && type != QtInfoMsg) warnings() << message;
}

// The data folder of this test: <root>/var/lib/Tessaly, created.
inline QString dataFolder() {
  const QString path = qEnvironmentVariable("TESSALY_ROOT") + "/var/lib/Tessaly";
  QDir().mkpath(path);
  return path;
}

// Puts a fake `ping` first on PATH, in `folder`/bin: it appends its arguments to the file
// `log` (TESSALY_FAKE_PING_LOG) and succeeds only when its last argument is one of the
// addresses in TESSALY_FAKE_PING_OK (blank-separated; none at first). False when it cannot
// be written.
inline bool installFakePing(const QString& folder, const QString& log) {
  const QString bin = folder + "/bin";
  if (!QDir().mkpath(bin)) return false;
  QFile script(bin + "/ping");
  if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const QByteArray text =
      "#!/bin/sh\n"
      "echo \"$@\" >> \"$TESSALY_FAKE_PING_LOG\"\n"
      "for a; do last=$a; done\n"
      "case \" $TESSALY_FAKE_PING_OK \" in *\" $last \"*) exit 0;; esac\n"
      "exit 1\n";
  if (script.write(text) != text.size()) return false;
  script.close();
  if (!script.setPermissions(QFileDevice::Permissions(0x7755))) return false;
  qputenv("PATH", (bin + ":" + qEnvironmentVariable("PATH")).toUtf8());
  qputenv("TESSALY_FAKE_PING_LOG", log.toUtf8());
  qputenv("TESSALY_FAKE_PING_OK", "");
  return true;
}

}  // namespace controller_test

// Like QTEST_MAIN / QTEST_GUILESS_MAIN, with the private folders made first.
#define TESSALY_TEST_MAIN(TestClass, AppClass)      \
  int main(int argc, char** argv) {                 \
    controller_test::isolate();                     \
    AppClass app(argc, argv);                       \
    TestClass test;                                 \
    QTEST_SET_MAIN_SOURCE_PATH                      \
    return QTest::qExec(&test, argc, argv);         \
  }
