// The window while a NAS takes the connection and then never answers (silent_server.h on
// 127.0.0.2, at the port of the private Samba server, which answers on 127.0.0.1): every
// share call of the window waits a bounded time while the window's events go on (a 20 ms
// timer never stands still), and a call to one server never waits behind a call to another.
//
//   - The restore page gives up on the versions of a task on the silent NAS after the
//     window's wait; right after, the wizard lists the folders of a share on the real server
//     at once, although the reading given up on still waits for the silent NAS.
//   - The wizard on the silent NAS gives up on the share after the window's wait and asks
//     for an account, then says the path was not found; the real server, right after,
//     answers at once although the calls given up on still wait.
//   - A task file imported while the versions of a task on the silent NAS are read takes the
//     task away: the end of the reading tells nothing about the task that went.
//
// The test runs in a network namespace of its own with loopback only, where the device
// search finds nothing: the test puts the device and the share into the wizard's lists as a
// search and a share query fill them. The ping of the device check is a fake one first on
// PATH that answers for both addresses.
#include <unistd.h>

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeWidget>

#include <memory>

#include "controller_test.h"
#include "dialog.h"
#include "event_ticker.h"
#include "modal_box.h"
#include "sharecall.h"
#include "silent_server.h"
#include "smb_server.h"
#include "updatesessionconfig.h"

using controller_test::child;

namespace {

const QString kSilent = QStringLiteral("127.0.0.2");
const QString kReal = QStringLiteral("127.0.0.1");
const QString kSmbUser = QStringLiteral("tessaly");
const QString kSmbPassword = QStringLiteral("secret-pw");
// The window's wait for a share.
constexpr qint64 kWaitMs = ShareCall::kDefaultTimeoutMs;
// Longer than this between two ticks of the window's timer is a frozen window.
constexpr qint64 kFrozenMs = 1000;
// A call that takes no longer than this answered at once (on a loaded machine).
constexpr qint64 kAtOnceMs = 2500;

struct Task {
  QString destination, user, password;
};

// A fresh task file with one task per entry ("Task 1", ...).
void writeTasks(const QList<Task>& tasks) {
  QFile::remove(controller_test::dataFolder() + "/SESSION_CONFIG.dat");
  UpdateSessionConfig store(controller_test::dataFolder());
  int n = 0;
  for (const Task& task : tasks) {
    if (store.AddSession(QString("Task %1").arg(++n), {}, {}, {}, {".txt"}, {"/srv/photos"},
                         task.user, task.password, task.destination, {}, "incremental",
                         "manually", {}) != UpdateSessionConfig::AddDone) {
      qFatal("task not written: %s", qPrintable(store.lastError()));
    }
  }
}

bool shown(const Dialog& dialog, const char* name) { return child<QWidget>(dialog, name)->isVisible(); }

// The wizard's device, share, account or folder step on screen; 0 for any other.
int shownStep(const Dialog& dialog) {
  if (!shown(dialog, "newDisplay")) return 0;
  if (shown(dialog, "createFolderBtn")) return 7;
  if (shown(dialog, "userNameLEdit")) return 6;
  if (shown(dialog, "shareFolderTWidget")) return 5;
  if (shown(dialog, "deviceTWidget")) return 4;
  return 0;
}

// No slow step of the wizard runs.
bool wizardIdle(const Dialog& dialog) { return child<QToolButton>(dialog, "newBtnNext")->isEnabled(); }

void next(const Dialog& dialog) { child<QToolButton>(dialog, "newBtnNext")->click(); }

// Puts an item into a list of the wizard as its search or share query does, and chooses it.
void offer(const Dialog& dialog, const char* list, const QStringList& texts) {
  auto* tree = child<QTreeWidget>(dialog, list);
  auto* item = new QTreeWidgetItem(tree, texts);
  tree->setCurrentItem(item);
}

// The wizard anew, on to the device at `address` and its share `share`: the step shown once
// Next on the share step has ended, and in *ms how long that Next took.
int wizardToShare(Dialog& dialog, const QString& address, const QString& share, qint64* ms) {
  dialog.showNamedPage("wizard4");
  auto reached = [&](int step) {
    return QTest::qWaitFor([&] { return shownStep(dialog) == step && wizardIdle(dialog); },
                           controller_test::kEventWaitMs);
  };
  if (!reached(4)) return -4;
  offer(dialog, "deviceTWidget",
        {"Brelkin NAS\nNAS-" + address, address + "\nMAC: 02005E000001", "Brelkin NAS"});
  next(dialog);
  if (!reached(5)) return -5;
  offer(dialog, "shareFolderTWidget", {share});
  QElapsedTimer clock;
  clock.start();
  next(dialog);  // the share is listed inside the click
  *ms = clock.elapsed();
  return shownStep(dialog);
}

// The folders the wizard's tree shows under its share.
QStringList sharedFolders(const Dialog& dialog) {
  QStringList out;
  if (QTreeWidgetItem* share = child<QTreeWidget>(dialog, "shareFolderTWidget")->topLevelItem(0)) {
    for (int i = 0; i < share->childCount(); ++i) out << share->child(i)->text(0);
  }
  out.sort();
  return out;
}

QStringList listedVersions(const Dialog& dialog) {
  auto* list = child<QListWidget>(dialog, "restoreLWidget");
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

}  // namespace

class ShareWaitTest : public QObject {
  Q_OBJECT

  SmbServer smb_;
  SilentServer silent_;
  QString silentShare_;

 private slots:
  void initTestCase() {
    if (geteuid() != 0) QSKIP("smbd needs root");
    QString why;
    QVERIFY2(smb_.start(&why), qPrintable(why));
    QVERIFY(silent_.listen(kSilent, quint16(qEnvironmentVariableIntValue("TESSALY_SMB_PORT"))));
    silentShare_ = "\\\\" + kSilent + "\\nas\\backups";
    for (const char* folder : {"photos", "music"}) {
      QVERIFY(QDir().mkpath(smb_.guestDir() + "/" + folder));
    }
    QVERIFY(controller_test::installFakePing(controller_test::tempRoot(),
                                             controller_test::tempRoot() + "/ping.log"));
    qputenv("TESSALY_FAKE_PING_OK", (kReal + " " + kSilent).toUtf8());
  }
  void cleanupTestCase() { smb_.stop(); }
  void cleanup() {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  }

  void versionsOfASilentNasThenTheWizard() {
    writeTasks({{silentShare_, kSmbUser, kSmbPassword}});
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const EventTicker ticker;
    const int openBefore = silent_.open();
    {
      ModalBox box(QMessageBox::Ok);
      QElapsedTimer clock;
      clock.start();
      QVERIFY(dialog.showNamedPage("restore1"));
      QTRY_VERIFY_WITH_TIMEOUT(box.seen(), controller_test::kEventWaitMs);
      QVERIFY2(clock.elapsed() >= kWaitMs - 100 && clock.elapsed() < kWaitMs + kAtOnceMs,
               qPrintable(QString::number(clock.elapsed())));
      QCOMPARE(box.title() + "|" + box.text(),
               "Error|The destination \"" + silentShare_ + "\" did not answer within 5 seconds.");
    }
    QVERIFY(listedVersions(dialog).isEmpty());
    QTRY_VERIFY(child<QToolButton>(dialog, "cancelTBtn")->isEnabled());
    child<QToolButton>(dialog, "cancelTBtn")->click();

    qint64 ms = -1;
    QCOMPARE(wizardToShare(dialog, kReal, "guest", &ms), 7);
    QVERIFY2(ms < kAtOnceMs, qPrintable(QString::number(ms)));
    QCOMPARE(sharedFolders(dialog), (QStringList{"music", "photos"}));
    // The reading given up on still waits for its answer.
    QCOMPARE(silent_.open() - openBefore, 1);
    QVERIFY2(ticker.longestGapMs() < kFrozenMs, qPrintable(QString::number(ticker.longestGapMs())));
  }

  void wizardOnASilentNas() {
    writeTasks({});
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const EventTicker ticker;
    const int takenBefore = silent_.taken();
    const int openBefore = silent_.open();

    // The share opens for no probe account in time: the account step asks for one.
    qint64 ms = -1;
    QCOMPARE(wizardToShare(dialog, kSilent, "nas", &ms), 6);
    QVERIFY2(ms >= kWaitMs - 100 && ms < kWaitMs + kAtOnceMs, qPrintable(QString::number(ms)));
    child<QLineEdit>(dialog, "userNameLEdit")->setText(kSmbUser);
    child<QLineEdit>(dialog, "userPasswdLEdit")->setText(kSmbPassword);
    {
      ModalBox box(QMessageBox::Ok);
      QElapsedTimer clock;
      clock.start();
      next(dialog);
      ms = clock.elapsed();
      QTRY_VERIFY(box.seen());
      QCOMPARE(box.title() + "|" + box.text(), QString("Error|The network path was not found!"));
    }
    QCOMPARE(shownStep(dialog), 6);
    QVERIFY2(ms >= kWaitMs - 100 && ms < kWaitMs + kAtOnceMs, qPrintable(QString::number(ms)));
    QVERIFY(wizardIdle(dialog));

    // Each try made one connection (none was tried twice), and each still waits.
    QCOMPARE(silent_.taken() - takenBefore, 2);
    QCOMPARE(silent_.open() - openBefore, 2);

    // The calls given up on still wait for the silent NAS; the real server answers at once.
    QCOMPARE(wizardToShare(dialog, kReal, "guest", &ms), 7);
    QVERIFY2(ms < kAtOnceMs, qPrintable(QString::number(ms)));
    QCOMPARE(sharedFolders(dialog), (QStringList{"music", "photos"}));
    QVERIFY2(ticker.longestGapMs() < kFrozenMs, qPrintable(QString::number(ticker.longestGapMs())));
  }

  void importWhileVersionsAreRead() {
    writeTasks({{silentShare_, kSmbUser, kSmbPassword}});
    // The file to import holds another task only.
    QFile tasks(controller_test::dataFolder() + "/SESSION_CONFIG.dat");
    QVERIFY(tasks.open(QIODevice::ReadOnly));
    UpdateSessionConfig store(controller_test::dataFolder());
    QVERIFY(store.ReadSessionConfig() && store.GetSessionList()->size() == 1);
    const QByteArray other = tasks.readAll().replace(
        store.GetSessionList()->at(0).uuid.toUtf8(), "0f8fad5b-d9cb-469f-a165-70867728950e");
    const QString importFile = controller_test::tempRoot() + "/other-task.dat";
    QFile out(importFile);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(other) == other.size());
    out.close();

    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // As soon as the reading has connected to the silent NAS: the import, on the settings
    // page, then back to the task area. Any box after the import's own is recorded.
    QString imported;
    std::unique_ptr<ModalBox> after;
    const int takenBefore = silent_.taken();
    QTimer meanwhile;
    QObject::connect(&meanwhile, &QTimer::timeout, [&] {
      if (silent_.taken() <= takenBefore) return;
      meanwhile.stop();
      child<QToolButton>(dialog, "advancedBut")->click();
      child<QToolButton>(dialog, "setConfigBtn")->click();
      {
        ModalScript script({ModalScript::file(importFile), ModalScript::box(QMessageBox::Ok)});
        child<QToolButton>(dialog, "setSCIBtn")->click();
        imported = script.boxTexts();
      }
      after = std::make_unique<ModalBox>(QMessageBox::Ok);
      child<QToolButton>(dialog, "curSessionBut")->click();
    });
    meanwhile.start(10);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(dialog.showNamedPage("restore1"));
    // Done once the reading has ended: the import runs within its wait.
    QTRY_VERIFY_WITH_TIMEOUT(after != nullptr, controller_test::kEventWaitMs);
    QVERIFY(clock.elapsed() >= kWaitMs - 100);
    QCOMPARE(imported, QString("Message / Import successfully!"));
    // The task area shows the imported task; the end of the reading for the task that went
    // tells nothing.
    QVERIFY(shown(dialog, "currWidget"));
    QVERIFY(!QApplication::overrideCursor());
    QTest::qWait(100);
    QVERIFY2(!after->seen(), qPrintable(after->text()));
  }
};

TESSALY_TEST_MAIN(ShareWaitTest, QApplication)
#include "window_share_wait_test.moc"
