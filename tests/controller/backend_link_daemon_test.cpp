// The link client (Copycontroller) against the real service (TESSALY_DAEMON, started with -s
// in a private TESSALY_ROOT, as tests/system/harness.py does) with one task that backs up a
// local folder to a local destination folder. Runs in a network namespace of its own (NETNS).
//
// A backup run is held at a known step through the service's crash points (TESSALY_PAUSE_AT,
// TESSALY_PAUSE_FILE of a build with tests), so that "Backup is running" can be seen for sure.
#include <signal.h>
#include <sys/types.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtTest/QSignalSpy>

#include <functional>
#include <memory>

#include "controller_test.h"
#include "copycontroller.h"

using controller_test::writeFile;

namespace {

const QString kUuid = "5b1e1d0c-7a8f-4c2e-9d3b-2f6a4e8c1b07";

// The task file with one task backing up `source` to `destination`, through the tests' task
// file writer (tests/system/taskfile.py).
bool writeTaskFile(const QString& file, const QString& source, const QString& destination) {
  return QProcess::execute("/usr/bin/python3",
                           {qEnvironmentVariable("TESSALY_TASK_FILE_WRITER"), file, "--task",
                            "uuid=" + kUuid, "name=Sample", "sources=" + source,
                            "destination=" + destination, "extensions=.*"}) == 0;
}

// One service process on a root of its own, with the task above.
class Service {
 public:
  Service(const QString& root, const QString& pauseAt) : root_(root) {
    const QString config = root + "/var/lib/Tessaly";
    source_ = root + "/sample";
    destination_ = root + "/backups";
    QDir().mkpath(config);
    QDir().mkpath(source_ + "/notes");
    QDir().mkpath(destination_);
    writeFile(source_ + "/readme.txt", "A sample file to back up.\n");
    writeFile(source_ + "/notes/todo.txt", "Change me.\n");
    if (!writeTaskFile(config + "/SESSION_CONFIG.dat", source_, destination_)) {
      qFatal("the task file could not be written");
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TESSALY_ROOT", root);
    env.remove("NOTIFY_SOCKET");
    if (!pauseAt.isEmpty()) {
      env.insert("TESSALY_PAUSE_AT", pauseAt);
      env.insert("TESSALY_PAUSE_FILE", pauseFile());
    }
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setStandardOutputFile(root + "/daemon.out");
    process_.start(qEnvironmentVariable("TESSALY_DAEMON"), {"-s"});
  }
  ~Service() {
    QFile::remove(pauseFile());  // a held run would keep the service from ending
    // SIGINT until it ends, as the harness stops it; SIGKILL as the last resort.
    for (int i = 0; i < 20 && process_.state() != QProcess::NotRunning; ++i) {
      ::kill(pid_t(process_.processId()), SIGINT);
      process_.waitForFinished(1000);
    }
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  // Up: it holds its instance lock and has written its first log.
  bool waitRunning() {
    if (!process_.waitForStarted(5000)) return false;
    for (int i = 0; i < 200; ++i) {
      if (process_.state() != QProcess::Running) return false;
      if (QFile::exists(root_ + "/run/TessalySync.lock") &&
          QFile::exists(root_ + "/var/lib/Tessaly/LOG.dat")) {
        QTest::qWait(300);
        return true;
      }
      QTest::qWait(100);
    }
    return false;
  }
  quint64 pid() const { return quint64(process_.processId()); }
  QString pauseFile() const { return root_ + "/pause"; }
  QString source() const { return source_; }
  QString destination() const { return destination_; }

 private:
  QString root_, source_, destination_;
  QProcess process_;
};

}  // namespace

class CopycontrollerTest : public QObject {
  Q_OBJECT

  int rootNumber_ = 0;

  std::unique_ptr<Service> startService(const QString& pauseAt = {}) {
    const QString root = controller_test::tempRoot() + "/service" + QString::number(++rootNumber_);
    auto service = std::make_unique<Service>(root, pauseAt);
    if (!service->waitRunning()) return nullptr;
    return service;
  }

  static int ownPid() { return int(quint32(QCoreApplication::applicationPid())); }

  // Asks for the task's detail until `accept` takes an answer (or `timeoutMs` passes); the
  // last answer's texts, empty when none came.
  static QStringList pollDetail(Copycontroller& c,
                                const std::function<bool(const QStringList&)>& accept,
                                int timeoutMs) {
    QSignalSpy spy(&c, &Copycontroller::UpdateSessionStatus);
    QStringList last;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
      c.QuerySessionDetail(kUuid);
      spy.wait(300);
      while (!spy.isEmpty()) {
        last.clear();
        for (const QVariant& v : spy.takeFirst()) last << v.toString();
        if (accept(last)) return last;
      }
    }
    return last;
  }
  static bool waitFile(const QString& path, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
      if (QFile::exists(path)) return true;
      QTest::qWait(50);
    }
    return QFile::exists(path);
  }

 private slots:
  void initTestCase() {
    if (qEnvironmentVariableIsEmpty("TESSALY_DAEMON")) QSKIP("TESSALY_DAEMON is not set");
  }

  // The version answer gives the service's process id; the detail answer of the task gives
  // its state, no next run (a task run by hand), the source folder and the destination.
  void versionAndDetail() {
    auto service = startService();
    QVERIFY2(service, "the service did not come up");
    Copycontroller c(ownPid());
    QVERIFY(c.isListening());
    QTRY_COMPARE_WITH_TIMEOUT(c.serviceId_, service->pid(), 5000);
    const QStringList detail = pollDetail(
        c, [](const QStringList&) { return true; }, 5000);
    QCOMPARE(detail.size(), 6);
    QCOMPARE(detail.at(0), kUuid);
    QCOMPARE(detail.at(1), QString("Not started"));
    QCOMPARE(detail.at(2), QString());
    QCOMPARE(detail.at(4), service->source());
    QCOMPARE(detail.at(5), service->destination());
    // Requests after the version answer carry the service's id (it does not read it, so
    // this only shows that the reload is taken and answered as before).
    QCOMPARE(c.SendReload(), 1);
    QCOMPARE(pollDetail(
                 c, [](const QStringList&) { return true; }, 5000)
                 .value(0),
             kUuid);
  }

  // A backup started over the link shows "Backup is running" while it runs (held here at
  // the end of its copy), then "Not started" with a last run time once it is over.
  void backupStartShowsRunningThenNotStarted() {
    auto service = startService("backup.copied");
    QVERIFY2(service, "the service did not come up");
    Copycontroller c(ownPid());
    QTRY_COMPARE_WITH_TIMEOUT(c.serviceId_, service->pid(), 5000);
    QCOMPARE(c.SendBackupStart(kUuid), 1);
    QVERIFY2(waitFile(service->pauseFile(), 20000), "the backup did not reach its copy step");
    const QStringList running = pollDetail(
        c, [](const QStringList& d) { return d.value(1) == "Backup is running"; }, 5000);
    QCOMPARE(running.value(1), QString("Backup is running"));
    QVERIFY(QFile::remove(service->pauseFile()));
    const QStringList done = pollDetail(
        c, [](const QStringList& d) { return d.value(1) == "Not started"; }, 30000);
    QCOMPARE(done.value(1), QString("Not started"));
    QVERIFY(!done.value(3).isEmpty());
    QVERIFY(QFile::exists(service->destination() + "/" + kUuid + "/history.db"));
  }

  // A controller started anew numbers its requests from 1 again. Its backup start (number 2)
  // must be taken although the controller before it also sent its backup start as number 2:
  // the service's duplicate rule has to tell the controllers apart (by their id), or a
  // restarted controller's first command is dropped without a trace.
  void newControllerIsNotTakenForADuplicate() {
    auto service = startService("backup.copied@2");
    QVERIFY2(service, "the service did not come up");
    {
      Copycontroller first(ownPid());
      QTRY_COMPARE_WITH_TIMEOUT(first.serviceId_, service->pid(), 5000);
      QCOMPARE(first.SendBackupStart(kUuid), 1);
      QCOMPARE(first.sequence_, quint64(2));
      // Its run (the first pass of the point) is not held: wait until it is over.
      const QStringList done = pollDetail(
          first,
          [](const QStringList& d) { return d.value(1) == "Not started" && !d.value(3).isEmpty(); },
          30000);
      QCOMPARE(done.value(1), QString("Not started"));
      QVERIFY(!done.value(3).isEmpty());
    }
    Copycontroller second(ownPid() + 1);
    QVERIFY(second.isListening());
    QTRY_COMPARE_WITH_TIMEOUT(second.serviceId_, service->pid(), 5000);
    QCOMPARE(second.SendBackupStart(kUuid), 1);
    QCOMPARE(second.sequence_, quint64(2));
    QVERIFY2(waitFile(service->pauseFile(), 10000),
             "the service dropped the new controller's backup start (seq_no 2, as the previous "
             "controller's last command): its duplicate rule is not kept per controller");
    QCOMPARE(
        pollDetail(
            second, [](const QStringList& d) { return d.value(1) == "Backup is running"; }, 5000)
            .value(1),
        QString("Backup is running"));
    QVERIFY(QFile::remove(service->pauseFile()));
    QCOMPARE(pollDetail(
                 second, [](const QStringList& d) { return d.value(1) == "Not started"; }, 30000)
                 .value(1),
             QString("Not started"));
  }
};

TESSALY_TEST_MAIN(CopycontrollerTest, QCoreApplication)
#include "backend_link_daemon_test.moc"
