// The private Samba server of tests/peers/smbd.sh for the controller's tests, in a folder of
// its own under the test's temporary folder: share "nas" for the account (user "tessaly",
// password "secret-pw"), "guest" for guests, on a port of its own that start() puts into
// TESSALY_SMB_PORT of this process (and so of the services it starts).
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QString>
#include <QtCore/QTemporaryDir>

class SmbServer {
 public:
  bool start(QString* why) {
    if (!dir_.isValid()) return false;
    QProcess script;
    script.start(QStringLiteral("bash"), {qEnvironmentVariable("TESSALY_PEERS_DIR") + "/smbd.sh",
                                          QStringLiteral("start"), dir_.path()});
    script.waitForFinished(60000);
    startCode_ = script.exitCode();
    const QByteArray out = script.readAllStandardOutput().trimmed();
    if (script.exitCode() != 0 || out.toInt() <= 0) {
      *why = QString::fromLocal8Bit(out + script.readAllStandardError());
      return false;
    }
    qputenv("TESSALY_SMB_PORT", out);
    running_ = true;
    return true;
  }
  void stop() {
    if (!running_) return;
    resume();
    QProcess::execute(QStringLiteral("bash"),
                      {qEnvironmentVariable("TESSALY_PEERS_DIR") + "/smbd.sh",
                       QStringLiteral("stop"), dir_.path()});
    qunsetenv("TESSALY_SMB_PORT");
    running_ = false;
  }
  ~SmbServer() { stop(); }
  // The server stops answering: its process is stopped, while the kernel still accepts
  // connections on its port.
  void pause() { signal(SIGSTOP); }
  void resume() { signal(SIGCONT); }
  bool running() const { return running_; }
  // The last start failed because smbd needs root.
  bool needsRoot() const { return startCode_ == 3; }
  QString nasDir() const { return dir_.path() + "/nas"; }
  // A task's destination on this server: the folder "backups" of share "nas" (made here),
  // with the share's account. False when the folder cannot be made.
  bool makeBackupDestination(QString* destination, QString* user, QString* password) const {
    if (!QDir().mkpath(nasDir() + "/backups")) return false;
    *destination = QStringLiteral("\\\\127.0.0.1\\nas\\backups");
    *user = QStringLiteral("tessaly");
    *password = QStringLiteral("secret-pw");
    return true;
  }
  QString guestDir() const { return dir_.path() + "/guest"; }

 private:
  pid_t pid() const {
    QFile file(dir_.path() + "/smbd.pid");
    return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toInt()) : 0;
  }
  QTemporaryDir dir_{QDir::tempPath() + "/smbd-XXXXXX"};
  bool running_ = false;
  int startCode_ = 0;

  // Never signals without a pid of the server (0 would name this test's process group).
  void signal(int number) const {
    if (const pid_t server = pid(); server > 0) ::kill(server, number);
  }
};
