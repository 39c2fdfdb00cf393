// The restore page against the real service (TESSALY_DAEMON) in the test's own root and
// network namespace: a task backs up a folder twice through the task list's Backup Now, to a
// local folder or to the share of the real Samba server of tests/peers (which the page's
// version reader reaches too, with the task's account), the restore page lists both versions, and version 1 restored into a
// new folder holds the first run's bytes; restored to its original place, the source holds
// them again.
#include <fcntl.h>
#include <sys/stat.h>

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QRadioButton>
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
using service_probe::waitForService;

using controller_test::child;

namespace {

constexpr int kRunTimeoutMs = 60000;

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Writes `bytes` with a modification time of its own per `stamp`, so that every run sees
// the change.
bool writeFile(const QString& path, const QByteArray& bytes, int stamp) {
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
      return false;
    }
  }
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = 1700000000 + 100 * stamp;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// The files under `folder`, relative path -> bytes.
QMap<QString, QByteArray> tree(const QString& folder) {
  QMap<QString, QByteArray> out;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    out.insert(QDir(folder).relativeFilePath(path), readFile(path));
  }
  return out;
}

QToolButton* button(const Dialog& dialog, const char* name) { return child<QToolButton>(dialog, name); }

QString state(const Dialog& dialog) { return child<QLabel>(dialog, "statusLabel1")->text(); }

void selectFirst(Dialog& dialog) {
  QWidget* entry = child<QWidget>(dialog, "sessionWidget1");
  QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, entry->mapTo(&dialog, entry->rect().center()));
}

// Opens the restore page for the first task; the versions it lists ("<box: ...>" for a box
// shown instead), the page left open.
QStringList openVersions(Dialog& dialog) {
  selectFirst(dialog);
  if (!button(dialog, "restbuBtn")->isEnabled()) return {"<Restore disabled>"};
  ModalBox box(QMessageBox::Ok);
  QTest::mouseClick(button(dialog, "restbuBtn"), Qt::LeftButton);
  const bool done = QTest::qWaitFor(
      [&] {
        return box.seen() || (button(dialog, "restoreTBtn")->isEnabled() &&
                              QApplication::overrideCursor() == nullptr);
      },
      controller_test::kEventWaitMs);
  if (box.seen()) return {"<box: " + box.text() + ">"};
  if (!done) return {"<no answer>"};
  QStringList out;
  auto* list = child<QListWidget>(dialog, "restoreLWidget");
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

}  // namespace

class RestorePageDaemonTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QProcess> daemon_;
  std::unique_ptr<SmbServer> smb_;

  void startDaemon() {
    daemon_ = service_probe::startService({"-s", "-d", "2"}, {{"TESSALY_PAUSE_AT", ""}});
    QVERIFY(daemon_);
    QVERIFY2(waitForService(30000), "the service does not answer");
  }

  // Backup Now on the first task, until the service has the run's version `n` listed.
  void backup(Dialog& dialog, int n) {
    selectFirst(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(button(dialog, "bunowPBtn")->isEnabled() &&
                                 button(dialog, "bunowPBtn")->text() == "Backup Now",
                             10000);
    QTest::mouseClick(button(dialog, "bunowPBtn"), Qt::LeftButton);
    QElapsedTimer waited;
    waited.start();
    QStringList versions;
    while (waited.elapsed() < kRunTimeoutMs) {
      QTest::qWait(500);
      if (state(dialog) != "Not started") continue;
      versions = openVersions(dialog);
      QTest::mouseClick(button(dialog, "cancelTBtn"), Qt::LeftButton);
      if (versions.size() == n && !versions[0].startsWith('<')) return;
    }
    QFAIL(qPrintable("version " + QString::number(n) + " not listed: " + versions.join(", ")));
  }

 private slots:
  void cleanup() {
    service_probe::stopService(daemon_);
    smb_.reset();
  }

  void restoreVersionOne_data() {
    QTest::addColumn<bool>("samba");
    QTest::newRow("local folder") << false;
    QTest::newRow("Samba share") << true;
  }

  void restoreVersionOne() {
    QFETCH(bool, samba);
    const QString root = controller_test::tempRoot() + (samba ? "/smb" : "/local");
    const QString source = root + "/src/Docs";
    QString destination = root + "/dest";
    QString user, password;
    QVERIFY(QDir().mkpath(source + "/sub"));
    if (samba) {
      smb_ = std::make_unique<SmbServer>();
      QString why;
      if (!smb_->start(&why)) {
        if (smb_->needsRoot()) QSKIP("smbd needs root");
        QFAIL(qPrintable(why));
      }
      QVERIFY(smb_->makeBackupDestination(&destination, &user, &password));
    } else {
      QVERIFY(QDir().mkpath(destination));
    }
    QVERIFY(writeFile(source + "/a.txt", "first a", 1));
    QVERIFY(writeFile(source + "/sub/c.txt", "first c", 1));
    const QMap<QString, QByteArray> first = tree(source);

    const QString taskFile = controller_test::dataFolder() + "/SESSION_CONFIG.dat";
    QFile::remove(taskFile);
    {
      UpdateSessionConfig store(controller_test::dataFolder());
      QCOMPARE(store.AddSession("Docs", {}, {}, {}, {".*"}, {source}, user, password, destination, "",
                                "incremental", "manually", {}),
               int(UpdateSessionConfig::AddDone));
    }
    startDaemon();
    if (QTest::currentTestFailed()) return;

    Dialog dialog;
    dialog.show();
    QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("Not started"), 10000);

    backup(dialog, 1);
    if (QTest::currentTestFailed()) return;
    QVERIFY(writeFile(source + "/a.txt", "second a, longer", 2));
    QVERIFY(writeFile(source + "/b.txt", "second b", 2));
    backup(dialog, 2);
    if (QTest::currentTestFailed()) return;
    const QMap<QString, QByteArray> second = tree(source);
    QVERIFY(second != first);

    // Version 1 into a new folder: the source's folder under it holds the first run.
    const QString target = root + "/restored";
    QVERIFY(QDir().mkpath(target));
    QCOMPARE(openVersions(dialog).size(), 2);
    child<QListWidget>(dialog, "restoreLWidget")->setCurrentRow(0);
    auto* fresh = child<QRadioButton>(dialog, "restorePathRBtn_2");
    QTest::mouseClick(fresh, Qt::LeftButton, {}, fresh->rect().center());
    child<QLineEdit>(dialog, "restorePathLEdit")->setText(target);
    {
      ModalBox box(QMessageBox::Ok);
      QTest::mouseClick(button(dialog, "restoreTBtn"), Qt::LeftButton);
      QVERIFY2(!box.seen(), qPrintable(box.text()));
    }
    QVERIFY(child<QWidget>(dialog, "currWidget")->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(tree(target + "/Docs"), first, kRunTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(state(dialog), QString("Not started"), kRunTimeoutMs);
    QCOMPARE(tree(source), second);  // the source is untouched

    // Version 2 to the original place after the source lost a file: it is back.
    QVERIFY(QFile::remove(source + "/sub/c.txt"));
    QVERIFY(writeFile(source + "/a.txt", "changed later", 3));
    QTRY_VERIFY_WITH_TIMEOUT(button(dialog, "restbuBtn")->isEnabled(), 10000);
    QCOMPARE(openVersions(dialog).size(), 2);
    child<QListWidget>(dialog, "restoreLWidget")->setCurrentRow(1);
    {
      ModalBox box(QMessageBox::Ok);
      QTest::mouseClick(button(dialog, "restoreTBtn"), Qt::LeftButton);
      QVERIFY2(!box.seen(), qPrintable(box.text()));
    }
    QTRY_COMPARE_WITH_TIMEOUT(tree(source), second, kRunTimeoutMs);
    QCOMPARE(daemon_->state(), QProcess::Running);
  }
};

TESSALY_TEST_MAIN(RestorePageDaemonTest, QApplication)
#include "restorepage_daemon_test.moc"
