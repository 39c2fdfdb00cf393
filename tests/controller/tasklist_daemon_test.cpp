// The task list page against the real service (TESSALY_DAEMON) in the test's own root and
// network namespace, with one task backing up a folder to a local folder or to the share of
// the real Samba server of tests/peers. The service holds its run at its second scanned file
// while a pause file exists (TESSALY_PAUSE_AT), so the running state is seen for certain.
//
// Backup Now shows "Backup is running" and "Stop Backup" with Restore and Delete disabled,
// then "Not started" with the run's time and the success mark; Stop Backup ends a running
// backup, which shows no mark; a run that fails shows the failure mark until the log is
// cleared, and then no mark; Delete removes the task from the page and from
// SESSION_CONFIG.dat, and the service no longer knows it.
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QToolButton>

#include <memory>

#include "controller_test.h"
#include "dialog.h"
#include "link_packet.h"
#include "modal_box.h"
#include "service_probe.h"
#include "smb_server.h"
#include "updatesessionconfig.h"

namespace lp = tessaly::link;
using service_probe::ask;
using service_probe::waitForService;

using controller_test::child;
using controller_test::readFile;
using controller_test::writeFile;

namespace {

constexpr int kRunTimeoutMs = 60000;

QString buttons(const Dialog& dialog) {
  QString out;
  for (const char* name : {"bunowPBtn", "restbuBtn", "delbuPhBtn"}) {
    out += child<QToolButton>(dialog, name)->isEnabled() ? '1' : '0';
  }
  return out;
}

// The state label's text, its line breaks left out.
QString state(const Dialog& dialog) { return child<QLabel>(dialog, "statusLabel1")->text().remove('\n'); }

}  // namespace

class TaskListDaemonTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QProcess> daemon_;
  std::unique_ptr<SmbServer> smb_;

  // `waitUp`: ask until the service answers; only while no window holds the answer port.
  void startDaemon(const QString& pauseFile, bool waitUp = true) {
    stopDaemon();
    daemon_ = service_probe::startService(
        {"-s"}, {{"TESSALY_PAUSE_AT", "scan.file@2"}, {"TESSALY_PAUSE_FILE", pauseFile}});
    QVERIFY(daemon_);
    if (waitUp) QVERIFY2(waitForService(30000), "the service does not answer");
  }

  void stopDaemon() { service_probe::stopService(daemon_); }

 private slots:
  void cleanup() {
    stopDaemon();
    smb_.reset();
  }

  void backupStopDelete_data() {
    QTest::addColumn<bool>("samba");
    QTest::newRow("local folder") << false;
    QTest::newRow("Samba share") << true;
  }

  void backupStopDelete() {
    QFETCH(bool, samba);
    const QString root = controller_test::tempRoot();
    const QString tag = samba ? "smb" : "local";
    const QString source = root + "/src-" + tag;
    QVERIFY(QDir().mkpath(source + "/sub"));
    for (const char* name : {"a.txt", "b.txt", "sub/c.txt"}) {
      QVERIFY(writeFile(source + "/" + name, QByteArray("content of ") + name));
    }
    QString destination, user, password;
    if (samba) {
      smb_ = std::make_unique<SmbServer>();
      QString why;
      if (!smb_->start(&why)) {
        if (smb_->needsRoot()) QSKIP("smbd needs root");
        QFAIL(qPrintable(why));
      }
      QVERIFY(smb_->makeBackupDestination(&destination, &user, &password));
    } else {
      destination = root + "/dest";
      QVERIFY(QDir().mkpath(destination));
    }

    const QString taskFile = controller_test::dataFolder() + "/SESSION_CONFIG.dat";
    QFile::remove(taskFile);
    QString uuid;
    {
      UpdateSessionConfig store(controller_test::dataFolder());
      QCOMPARE(store.AddSession("Docs", {}, {}, {}, {".*"}, {source}, user, password, destination,
                                "", "incremental", "manually", {}),
               int(UpdateSessionConfig::AddDone));
      QVERIFY(store.ReadSessionConfig());
      uuid = store.GetSessionList()->at(0).uuid;
    }
    const QString pause = root + "/pause-" + tag;
    startDaemon(pause);
    if (QTest::currentTestFailed()) return;

    {
      Dialog dialog;
      dialog.show();
      QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("Not started"), 10000);
      QCOMPARE(child<QLabel>(dialog, "statusLabel3")->text(), QString("Last: "));
      QWidget* entry = child<QWidget>(dialog, "sessionWidget1");
      QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier,
                        entry->mapTo(&dialog, entry->rect().center()));
      QCOMPARE(buttons(dialog), QString("111"));

      // Backup Now: running, then done with the run's time.
      QTest::mouseClick(child<QToolButton>(dialog, "bunowPBtn"), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pause), kRunTimeoutMs);
      QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("Backup is running"), 10000);
      QCOMPARE(child<QToolButton>(dialog, "bunowPBtn")->text(), QString("Stop Backup"));
      QCOMPARE(buttons(dialog), QString("100"));
      QVERIFY(child<QLabel>(dialog, "statusPBtn")->styleSheet().contains("icon_backup.png"));
      QVERIFY(QFile::remove(pause));
      QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("Not started"), kRunTimeoutMs);
      const QRegularExpression runTime("^Last: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d$");
      QTRY_VERIFY_WITH_TIMEOUT(runTime.match(child<QLabel>(dialog, "statusLabel3")->text()).hasMatch(), 10000);
      QCOMPARE(child<QToolButton>(dialog, "bunowPBtn")->text(), QString("Backup Now"));
      QCOMPARE(buttons(dialog), QString("111"));
      QVERIFY(child<QLabel>(dialog, "backupStatus")->isVisible());
      QVERIFY(child<QLabel>(dialog, "backupStatus")->styleSheet().contains("icon_-check_item.png"));

      // Stop Backup ends a running backup (a new service, which holds its first run again).
      // The window holds the answer port, so the test cannot ask whether the new service is
      // up: Backup Now is pressed until the page shows the run (a start the service did not
      // get yet is lost), then the run is held at its second file.
      startDaemon(pause, false);
      QVERIFY(daemon_);
      QToolButton* bunow = child<QToolButton>(dialog, "bunowPBtn");
      QElapsedTimer waited;
      waited.start();
      while (bunow->text() == "Backup Now" && waited.elapsed() < kRunTimeoutMs) {
        QTest::mouseClick(bunow, Qt::LeftButton);
        QTest::qWait(500);
      }
      QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pause), kRunTimeoutMs);
      QTRY_COMPARE_WITH_TIMEOUT(child<QToolButton>(dialog, "bunowPBtn")->text(),
                                QString("Stop Backup"), 10000);
      QTest::mouseClick(child<QToolButton>(dialog, "bunowPBtn"), Qt::LeftButton);
      QTest::qWait(300);
      QVERIFY(QFile::remove(pause));
      QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("Not started"), kRunTimeoutMs);
      QCOMPARE(buttons(dialog), QString("111"));
      // A stopped run did not succeed: no mark (the one of the completed run before is gone).
      QLabel* mark = child<QLabel>(dialog, "backupStatus");
      QTRY_VERIFY_WITH_TIMEOUT(!mark->isVisible(), 10000);
      QVERIFY(readFile(controller_test::dataFolder() + "/LOG.txt").contains("Backup Docs is stopped by user."));

      // A run that fails (its destination is gone) shows the failure mark, whose press tells
      // why; once the log is cleared the run's result is unknown: no mark, not success.
      QVERIFY(QDir(samba ? smb_->nasDir() + "/backups" : destination).removeRecursively());
      QTest::mouseClick(child<QToolButton>(dialog, "bunowPBtn"), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(mark->isVisible() && mark->styleSheet().contains("icon_fail_item.png"),
                               kRunTimeoutMs);
      QCOMPARE(state(dialog), QString("Not started"));
      {
        ModalBox box(QMessageBox::Ok);
        QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier,
                          mark->mapTo(&dialog, mark->rect().center()));
        QVERIFY(box.seen());
        QCOMPARE(box.title(), QString("Backup Result"));
        QCOMPARE(box.text(), QString("Error: The network resource can not be accessed."));
      }
      QTest::mouseClick(child<QToolButton>(dialog, "logBut"), Qt::LeftButton);
      {
        ModalBox box(QMessageBox::Yes);
        QTest::mouseClick(child<QToolButton>(dialog, "clearTBtn"), Qt::LeftButton);
        QVERIFY(box.seen());
      }
      QTest::mouseClick(child<QToolButton>(dialog, "curSessionBut"), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(!mark->isVisible() && state(dialog) == "Not started", 10000);

      // Delete: gone from the page and the task file.
      {
        ModalBox box(QMessageBox::Yes);
        QTest::mouseClick(child<QToolButton>(dialog, "delbuPhBtn"), Qt::LeftButton);
        QVERIFY(box.seen());
      }
      QVERIFY(!child<QWidget>(dialog, "sessionWidget1")->isVisible());
      QCOMPARE(buttons(dialog), QString("000"));
      QVERIFY(!readFile(taskFile).contains(uuid.toUtf8()));
      UpdateSessionConfig store(controller_test::dataFolder());
      QVERIFY(store.ReadSessionConfig());
      QCOMPARE(store.GetSessionList()->size(), 0);
    }
    // The window is gone and its answer port free: the service no longer knows the task.
    QTRY_COMPARE_WITH_TIMEOUT(ask(lp::QUERY_SESSION_DETAIL, uuid), qint64(lp::RESULT_NO_SESSION), 10000);
    QCOMPARE(daemon_->state(), QProcess::Running);
  }

  // The service stops while the window runs: within a few seconds the page says that the
  // service is not running and how to start it, and Backup Now, Restore and Delete say so in
  // a box instead of acting; once the service runs again the page is as before by itself.
  void serviceDownAndBack() {
    const QString root = controller_test::tempRoot();
    const QString source = root + "/src-down", destination = root + "/dest-down";
    QVERIFY(QDir().mkpath(source));
    QVERIFY(QDir().mkpath(destination));
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) writeFile(source + "/" + name, name);
    const QString taskFile = controller_test::dataFolder() + "/SESSION_CONFIG.dat";
    QFile::remove(taskFile);
    {
      UpdateSessionConfig store(controller_test::dataFolder());
      QCOMPARE(store.AddSession("Docs", {}, {}, {}, {".*"}, {source}, "", "", destination, "",
                                "incremental", "manually", {}),
               int(UpdateSessionConfig::AddDone));
    }
    const QByteArray tasks = readFile(taskFile);
    const QString pause = root + "/pause-down";
    startDaemon(pause);
    if (QTest::currentTestFailed()) return;

    Dialog dialog;
    dialog.show();
    QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("Not started"), 10000);
    QWidget* entry = child<QWidget>(dialog, "sessionWidget1");
    QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier,
                      entry->mapTo(&dialog, entry->rect().center()));
    QLabel* notice = child<QLabel>(dialog, "serviceLabel");
    QVERIFY(!notice->isVisible());
    QVERIFY(child<QLabel>(dialog, "statusLabel")->isVisible());

    // The service ends while it runs a backup (held at its second file).
    QTest::mouseClick(child<QToolButton>(dialog, "bunowPBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pause), kRunTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("Backup is running"), 10000);
    daemon_->terminate();
    QVERIFY(QFile::remove(pause));
    stopDaemon();

    const QString down =
        "The TessalySync service is not running. Start it with: systemctl start TessalySync";
    QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("TessalySync service is not running"), 15000);
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->text(), down);
    QVERIFY(child<QLabel>(dialog, "statusPBtn")->styleSheet().contains("icon_status.png"));
    QVERIFY(!child<QLabel>(dialog, "statusLabel")->isVisible());
    // The last answer said "Backup is running", which no longer holds: the page does not say
    // so, and every command can be pressed to learn why it cannot act.
    QCOMPARE(buttons(dialog), QString("111"));
    QCOMPARE(child<QToolButton>(dialog, "bunowPBtn")->text(), QString("Backup Now"));
    for (const char* command : {"bunowPBtn", "restbuBtn", "delbuPhBtn"}) {
      ModalBox box(QMessageBox::Ok);
      QTest::mouseClick(child<QToolButton>(dialog, command), Qt::LeftButton);
      QVERIFY2(box.seen(), command);
      QCOMPARE(box.title(), QString("Warning"));
      QCOMPARE(box.text(), down);
      // Nothing happened: the task list is shown, the task kept.
      QVERIFY(child<QWidget>(dialog, "currWidget")->isVisible());
      QCOMPARE(readFile(taskFile), tasks);
    }

    startDaemon(pause, false);
    QVERIFY(daemon_);
    QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("Not started"), 20000);
    QVERIFY(!notice->isVisible());
    QVERIFY(child<QLabel>(dialog, "statusLabel")->isVisible());
    QCOMPARE(buttons(dialog), QString("111"));
    // Backup Now acts again: the run completes.
    QTest::mouseClick(child<QToolButton>(dialog, "bunowPBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pause), kRunTimeoutMs);
    QVERIFY(QFile::remove(pause));
    QLabel* mark = child<QLabel>(dialog, "backupStatus");
    QTRY_VERIFY_WITH_TIMEOUT(mark->isVisible() && mark->styleSheet().contains("icon_-check_item.png"),
                             kRunTimeoutMs);
  }
};

TESSALY_TEST_MAIN(TaskListDaemonTest, QApplication)
#include "tasklist_daemon_test.moc"
