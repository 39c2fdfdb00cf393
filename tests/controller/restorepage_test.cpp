// The restore page against a fake service: a QUdpSocket on 127.0.0.1:7502 that records the
// restore requests and answers detail queries with the states the test gives, through the
// real link client, so the test runs in a network namespace of its own. The tasks are
// written by the real task store; their destinations are local folders holding task trees
// made with the sqlite3 tool, or shares on 127.0.0.1 reached through a fake ping first on
// PATH (it records its arguments and answers for the addresses in TESSALY_FAKE_PING_OK).
//
// Covered: the versions listed (complete and unfinished newest runs), an unreadable tree
// told, unreachable and malformed destinations told without a crash, each refusal of
// Restore (no version, no or a relative new path, a missing tree, a running backup of the
// task in English and German), the request sent for the original and for a new path with
// the selected row's number, Cancel, Browse filling the field, a long path kept whole.
#include <QtCore/QFile>
#include <QtCore/QPointer>
#include <QtCore/QTemporaryDir>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeView>
#include <QtGui/QFileSystemModel>

#include <optional>

#include "browsedialog.h"
#include "controller_test.h"
#include "dialog.h"
#include "link_packet.h"
#include "modal_box.h"
#include "task_tree_fixture.h"
#include "updatesessionconfig.h"

namespace lp = tessaly::link;

using controller_test::child;
using controller_test::readFile;

namespace {

const QString kShare = QStringLiteral("\\\\127.0.0.1\\nas\\backups");
const QStringList kThreeRuns{"2013-05-06T01:02:03Z", "2013-05-06T14:59:59Z",
                             "2013-05-06T15:00:00Z"};
// The same in Tokyo time (TZ is JST-9).
const QStringList kThreeShown{"2013-05-06 10:02", "2013-05-06 23:59", "2013-05-07 00:00"};

QString taskFile() { return controller_test::dataFolder() + "/SESSION_CONFIG.dat"; }

QString scratch(const QString& name) {
  const QString path = controller_test::tempRoot() + "/scratch/" + name;
  QDir(path).removeRecursively();
  QDir().mkpath(path);
  return path;
}

// Writes a fresh task file with one task per destination ("Task 1", ...); their uuids.
QStringList writeTasks(const QStringList& destinations) {
  QFile::remove(taskFile());
  UpdateSessionConfig store(controller_test::dataFolder());
  int n = 0;
  for (const QString& destination : destinations) {
    const int added = store.AddSession(QString("Task %1").arg(++n), {}, {}, {}, {".txt"},
                                       {"/srv/photos"}, {}, {}, destination, {}, "incremental",
                                       "manually", {});
    if (added != UpdateSessionConfig::AddDone) {
      qFatal("task not written: %s", qPrintable(store.lastError()));
    }
  }
  store.ReadSessionConfig();
  QStringList uuids;
  for (const SessionRecord& r : *store.GetSessionList()) uuids << r.uuid;
  return uuids;
}

// One restore request as the service reads it.
struct RestoreRequest {
  QString uuid;
  quint64 version = 0;
  int flag = -1;
  QString path;
  bool hasPath = false;
};

class FakeService : public QObject {
 public:
  bool start() {
    connect(&socket_, &QUdpSocket::readyRead, this, &FakeService::read);
    return socket_.bind(QHostAddress::LocalHost, lp::SERVICE_PORT);
  }
  void answer(const QString& uuid, const QString& state) { states_[uuid] = state; }

  QList<RestoreRequest> restores;

 private:
  void sendDetail(const QString& uuid, const QString& state) {
    std::vector<uint8_t> payload = {0x0b, 0x00, 0x01, 0x01};
    for (const QString& text : {uuid, QString("name"), state, QString(), QString()}) {
      lp::append_text(payload, text.toStdString());
    }
    lp::append_text(payload, kShare.toStdString());
    lp::append_text(payload, "/srv/photos");
    const uint8_t request[lp::REQUEST_HEADER_SIZE] = {lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL};
    const std::vector<uint8_t> reply =
        lp::build_reply(lp::ANSWER, request, 77, 0, payload.data(), payload.size());
    socket_.writeDatagram(reinterpret_cast<const char*>(reply.data()), qint64(reply.size()),
                          QHostAddress::LocalHost, lp::CONTROLLER_PORT);
  }

  void read() {
    while (socket_.hasPendingDatagrams()) {
      const QByteArray bytes = socket_.receiveDatagram().data();
      if (bytes.size() < int(lp::REQUEST_HEADER_SIZE)) continue;
      const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
      const uint8_t* payload = data + lp::REQUEST_HEADER_SIZE;
      const size_t size = size_t(bytes.size()) - lp::REQUEST_HEADER_SIZE;
      const lp::payload_text first = lp::read_text(payload, size);
      const QString uuid = QString::fromStdString(first.text);
      if (data[0] == lp::PKG_QUERY && data[1] == lp::QUERY_SESSION_DETAIL &&
          states_.contains(uuid)) {
        sendDetail(uuid, states_.value(uuid));
      }
      if (data[0] == lp::PKG_SET && data[1] == lp::SET_RESTORE_START) {
        RestoreRequest r;
        r.uuid = uuid;
        const size_t at = first.text.size() + 1;
        if (first.terminated && size >= at + 9) {
          r.version = lp::get_le64(payload + at);
          r.flag = payload[at + 8];
          if (size > at + 9) {
            r.hasPath = true;
            r.path = QString::fromStdString(lp::read_text(payload + at + 9, size - at - 9).text);
          }
        }
        restores << r;
      }
    }
  }

  QUdpSocket socket_;
  QHash<QString, QString> states_;
};

QToolButton* button(const Dialog& dialog, const char* name) {
  return child<QToolButton>(dialog, name);
}
QListWidget* versionList(const Dialog& dialog) {
  return child<QListWidget>(dialog, "restoreLWidget");
}
QLineEdit* pathField(const Dialog& dialog) { return child<QLineEdit>(dialog, "restorePathLEdit"); }

QStringList listed(const Dialog& dialog) {
  QStringList out;
  for (int i = 0; i < versionList(dialog)->count(); ++i) out << versionList(dialog)->item(i)->text();
  return out;
}

// Selects the task list's entry (1 or 2) as a press does.
void pressEntry(Dialog& dialog, int entry) {
  QWidget* frame = child<QWidget>(dialog, entry == 1 ? "sessionWidget1" : "sessionWidget1_2");
  const QPoint at = frame->mapTo(&dialog, frame->rect().center());
  QTest::mousePress(&dialog, Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseRelease(&dialog, Qt::LeftButton, Qt::NoModifier, at);
}

// "Restore and Cancel on, normal cursor": what every end of a busy phase leaves.
bool idle(const Dialog& dialog) {
  return button(dialog, "restoreTBtn")->isEnabled() && button(dialog, "cancelTBtn")->isEnabled() &&
         QApplication::overrideCursor() == nullptr;
}

// "1" for each enabled control of the target: Original, New, the field, Browse; then which
// choice is checked ("o" or "n").
QString target(const Dialog& dialog) {
  auto* original = child<QRadioButton>(dialog, "restorePathRBtn");
  auto* fresh = child<QRadioButton>(dialog, "restorePathRBtn_2");
  QString out;
  out += pathField(dialog)->isEnabled() ? '1' : '0';
  out += button(dialog, "restoreBTBtn")->isEnabled() ? '1' : '0';
  out += original->isChecked() ? 'o' : fresh->isChecked() ? 'n' : '-';
  return out;
}

void click(const Dialog& dialog, const char* name) {
  QTest::mouseClick(button(dialog, name), Qt::LeftButton);
}

void chooseNewPath(Dialog& dialog, const QString& path) {
  auto* fresh = child<QRadioButton>(dialog, "restorePathRBtn_2");
  QTest::mouseClick(fresh, Qt::LeftButton, {}, fresh->rect().center());
  pathField(dialog)->setText(path);
}

// Clicks a button whose answer may be a message box; the box's "title|text", "" for none.
QString clickAnswered(const Dialog& dialog, const char* name) {
  ModalBox box(QMessageBox::Ok);
  click(dialog, name);
  if (!box.seen()) QTest::qWait(50);  // a box opened later than the click
  return box.seen() ? box.title() + "|" + box.text() : QString();
}

}  // namespace

class RestorePageTest : public QObject {
  Q_OBJECT

  FakeService* service_ = nullptr;
  QString pingLog_;

  // A window on the task list with task `entry` selected and its restore page opened; the
  // box the opening showed ("" for none) in *box. Waits for the version list.
  std::unique_ptr<Dialog> openRestore(int entry, QString* box, int expectedRows = -1) {
    auto dialog = std::make_unique<Dialog>();
    dialog->show();
    pressEntry(*dialog, entry);
    if (!button(*dialog, "restbuBtn")->isEnabled()) qFatal("Restore is not enabled");
    *box = clickAnswered(*dialog, "restbuBtn");
    // The reading comes as a queued call after the click returns; an error box with it.
    if (box->isEmpty()) {
      ModalBox late(QMessageBox::Ok);
      (void)QTest::qWaitFor([&] { return idle(*dialog) || late.seen(); }, controller_test::kEventWaitMs);
      if (late.seen()) *box = late.title() + "|" + late.text();
      if (expectedRows >= 0) {
        (void)QTest::qWaitFor([&] { return versionList(*dialog)->count() == expectedRows; },
                              controller_test::kEventWaitMs);
      }
    }
    return dialog;
  }

 private slots:
  void initTestCase() {
    pingLog_ = controller_test::tempRoot() + "/ping.log";
    QVERIFY(controller_test::installFakePing(controller_test::tempRoot(), pingLog_));
  }

  void init() {
    qputenv("TESSALY_FAKE_PING_OK", "");
    QFile::remove(pingLog_);
    service_ = new FakeService;
    QVERIFY2(service_->start(), "the test needs 127.0.0.1:7502 (run it in a network namespace)");
  }
  void cleanup() {
    delete service_;
    service_ = nullptr;
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  }

  // ---- the page as the window opens ---------------------------------------------------

  void initialTarget() {
    writeTasks({scratch("initial")});
    Dialog dialog;
    dialog.show();
    QCOMPARE(target(dialog), QString("00o"));
    QVERIFY(!child<QRadioButton>(dialog, "restorePathRBtn_2")->isChecked());
  }

  // ---- the version list ---------------------------------------------------------------

  void versionsListed_data() {
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("runs");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("complete") << "complete" << kThreeRuns << kThreeShown;
    // The newest run did not complete: it is no version.
    QTest::newRow("init") << "init" << kThreeRuns << kThreeShown.mid(0, 2);
    QTest::newRow("only run unfinished") << "init" << kThreeRuns.mid(0, 1) << QStringList();
  }
  void versionsListed() {
    QFETCH(QString, status);
    QFETCH(QStringList, runs);
    QFETCH(QStringList, shown);
    const QString destination = scratch(QString("list-%1").arg(QTest::currentDataTag()));
    const QStringList uuids = writeTasks({destination});
    QVERIFY(task_tree::make(destination + "/" + uuids[0], status, runs));

    QString box;
    auto dialog = openRestore(1, &box, int(shown.size()));
    QCOMPARE(box, QString());
    QVERIFY(child<QWidget>(*dialog, "restoreWidget")->isVisible());
    QCOMPARE(listed(*dialog), shown);
    QVERIFY(idle(*dialog));
    // A local folder is not pinged.
    QVERIFY(!QFile::exists(pingLog_));
  }

  // A tree that cannot be read is told with the reader's reason, not shown as no version.
  void unreadableTreeTold() {
    const QString destination = scratch("unreadable");
    const QStringList uuids = writeTasks({destination});
    QVERIFY(task_tree::make(destination + "/" + uuids[0], QString(), kThreeRuns));  // no status.db
    QString box;
    auto dialog = openRestore(1, &box);
    QVERIFY2(box.startsWith("Error|") && box.size() > 6, qPrintable(box));
    QCOMPARE(listed(*dialog), QStringList());
    QVERIFY(idle(*dialog));
  }

  // ---- unreachable and malformed destinations -----------------------------------------

  void deviceNotFound_data() {
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("pinged");
    QTest::newRow("share not answering") << kShare << true;
    QTest::newRow("share, address only") << "\\\\127.0.0.1" << true;
    QTest::newRow("drive path") << "D:\\x" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("two backslashes") << "\\\\" << false;
    QTest::newRow("host name") << "\\\\nas.local\\share" << false;
    QTest::newRow("option as address") << "\\\\-f\\share" << false;
    QTest::newRow("missing local folder") << controller_test::tempRoot() + "/no/such/folder" << false;
  }
  void deviceNotFound() {
    QFETCH(QString, destination);
    QFETCH(bool, pinged);
    writeTasks({destination});
    QString box;
    auto dialog = openRestore(1, &box);
    QCOMPARE(box, QString("Error|Can't find the backup device!"));
    QVERIFY(child<QWidget>(*dialog, "restoreWidget")->isVisible());
    QCOMPARE(listed(*dialog), QStringList());
    QVERIFY(idle(*dialog));
    QCOMPARE(QFile::exists(pingLog_), pinged);
    if (pinged) QCOMPARE(readFile(pingLog_).trimmed(), QByteArray("-c 1 -W 2 127.0.0.1"));

    // Nothing to restore: the page asks for a version and sends nothing.
    QCOMPARE(clickAnswered(*dialog, "restoreTBtn"), QString("Warning|Please select a backup!"));
    QVERIFY(idle(*dialog));
    QTest::qWait(50);
    QCOMPARE(service_->restores.size(), 0);
  }

  // ---- refusals of Restore ------------------------------------------------------------

  void newPathRefused_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("empty") << "";
    QTest::newRow("relative") << "relative/x";
    QTest::newRow("dot") << ".";
  }
  // A new path that is empty or not absolute is refused before the device is asked.
  void newPathRefused() {
    QFETCH(QString, path);
    qputenv("TESSALY_FAKE_PING_OK", "127.0.0.1");
    const QString destination = scratch("newpath");
    const QStringList uuids = writeTasks({destination});
    QVERIFY(task_tree::make(destination + "/" + uuids[0], "complete", kThreeRuns));
    QString box;
    auto dialog = openRestore(1, &box, 3);
    QCOMPARE(box, QString());
    versionList(*dialog)->setCurrentRow(0);
    chooseNewPath(*dialog, path);
    QCOMPARE(target(*dialog), QString("11n"));
    // The tree goes away: a check of the device would answer "Can't find the backup files!".
    QVERIFY(QDir(destination).removeRecursively());
    QCOMPARE(clickAnswered(*dialog, "restoreTBtn"),
             QString("Warning|Please enter a path where you want to restore!"));
    QVERIFY(idle(*dialog));
    QCOMPARE(target(*dialog), QString("11n"));  // the choice is kept for a correction
    QTest::qWait(50);
    QCOMPARE(service_->restores.size(), 0);
  }

  // The task's folder went away after the listing: the files are not found, nothing sent.
  void treeGoneRefused() {
    const QString destination = scratch("gone");
    const QStringList uuids = writeTasks({destination});
    QVERIFY(task_tree::make(destination + "/" + uuids[0], "complete", kThreeRuns));
    QString box;
    auto dialog = openRestore(1, &box, 3);
    versionList(*dialog)->setCurrentRow(1);
    QVERIFY(QDir(destination).removeRecursively());
    QCOMPARE(clickAnswered(*dialog, "restoreTBtn"), QString("Error|Can't find the backup files!"));
    QVERIFY(idle(*dialog));
    QVERIFY(child<QWidget>(*dialog, "restoreWidget")->isVisible());
    QTest::qWait(50);
    QCOMPARE(service_->restores.size(), 0);
  }

  void runningBackup_data() {
    QTest::addColumn<int>("entry");         // the task restored
    QTest::addColumn<int>("runningEntry");  // the task whose backup runs
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("refused");
    QTest::newRow("English") << 1 << 1 << "Backup is running" << true;
    QTest::newRow("German") << 1 << 1 << QString::fromUtf8("Sicherung läuft") << true;
    QTest::newRow("another task's backup") << 1 << 2 << "Backup is running" << false;
    QTest::newRow("second task, first runs") << 2 << 1 << "Backup is running" << false;
    QTest::newRow("not started") << 1 << 1 << "Not started" << false;
  }
  // The state the service reports for the task itself decides; another task's backup does
  // not block, though both uuids share a folder name prefix.
  void runningBackup() {
    QFETCH(int, entry);
    QFETCH(int, runningEntry);
    QFETCH(QString, state);
    QFETCH(bool, refused);
    const QString destination = scratch("running");
    const QStringList uuids = writeTasks({destination, destination});
    for (const QString& uuid : uuids) {
      QVERIFY(task_tree::make(destination + "/" + uuid, "complete", kThreeRuns));
    }
    QString box;
    auto dialog = openRestore(entry, &box, 3);
    QCOMPARE(box, QString());
    versionList(*dialog)->setCurrentRow(2);

    // The state arrives while the page is open.
    for (int i = 0; i < uuids.size(); ++i) {
      service_->answer(uuids[i], i + 1 == runningEntry ? state : QString("Not started"));
    }
    QVERIFY(QMetaObject::invokeMethod(dialog.get(), "QueryStatus"));
    QTest::qWait(200);

    const QString answer = clickAnswered(*dialog, "restoreTBtn");
    QVERIFY(idle(*dialog));
    if (refused) {
      QCOMPARE(answer, QString("Warning|Backup is running, can't restore now!"));
      QVERIFY(child<QWidget>(*dialog, "restoreWidget")->isVisible());
      QTest::qWait(50);
      QCOMPARE(service_->restores.size(), 0);
    } else {
      QCOMPARE(answer, QString());
      QTRY_COMPARE(service_->restores.size(), 1);
      QCOMPARE(service_->restores[0].uuid, uuids[entry - 1]);
      QCOMPARE(service_->restores[0].version, quint64(3));
    }
  }

  // ---- the request ----------------------------------------------------------------------

  void request_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("newPath");  // null: the original path
    QTest::newRow("original, first") << 0 << QString();
    QTest::newRow("original, last") << 2 << QString();
    QTest::newRow("new path") << 1 << "/srv/restored here";
    QTest::newRow("new path, long")
        << 0 << "/srv/" + QString(300, 'a') + "/" + QString::fromUtf8("größe");
  }
  // Restore sends the selected row's version, flag 1 and no path for the original place or
  // flag 0 and the whole path for a new one; then the task list shows, the target reset.
  void request() {
    QFETCH(int, row);
    QFETCH(QString, newPath);
    const QString destination = scratch("request");
    const QStringList uuids = writeTasks({destination});
    // Numbers 1..5 with the first two runs purged: row n is version n + 3.
    QVERIFY(task_tree::make(destination + "/" + uuids[0], "complete", kThreeRuns));
    QVERIFY(task_tree::sqlite(destination + "/" + uuids[0] + "/history.db",
                              "BEGIN;insert into time_tbl(Real_time)values(\"2013-05-07T01:00:00Z\");"
                              "insert into time_tbl(Real_time)values(\"2013-05-07T02:00:00Z\");"
                              "delete from time_tbl where No <= 2;COMMIT;"));
    QVERIFY(QDir().mkpath(destination + "/" + uuids[0] + "/increments/4"));
    QVERIFY(QDir().mkpath(destination + "/" + uuids[0] + "/increments/5"));
    QString box;
    auto dialog = openRestore(1, &box, 3);
    QCOMPARE(box, QString());
    QCOMPARE(listed(*dialog).size(), 3);
    versionList(*dialog)->setCurrentRow(row);
    if (!newPath.isNull()) {
      chooseNewPath(*dialog, newPath);
      QCOMPARE(pathField(*dialog)->text(), newPath);  // not cut
    }
    QCOMPARE(clickAnswered(*dialog, "restoreTBtn"), QString());
    QTRY_COMPARE(service_->restores.size(), 1);
    const RestoreRequest& r = service_->restores[0];
    QCOMPARE(r.uuid, uuids[0]);
    QCOMPARE(r.version, quint64(row + 3));
    QCOMPARE(r.flag, newPath.isNull() ? 1 : 0);
    QCOMPARE(r.hasPath, !newPath.isNull());
    QCOMPARE(r.path, newPath.isNull() ? QString() : newPath);

    QVERIFY(child<QWidget>(*dialog, "currWidget")->isVisible());
    QVERIFY(!child<QWidget>(*dialog, "restoreWidget")->isVisible());
    QCOMPARE(target(*dialog), QString("00o"));
    QCOMPARE(pathField(*dialog)->text(), QString());
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  // ---- Cancel and the target controls ---------------------------------------------------

  void cancelResets() {
    const QString destination = scratch("cancel");
    const QStringList uuids = writeTasks({destination});
    QVERIFY(task_tree::make(destination + "/" + uuids[0], "complete", kThreeRuns));
    QString box;
    auto dialog = openRestore(1, &box, 3);
    chooseNewPath(*dialog, "/srv/elsewhere");
    QCOMPARE(target(*dialog), QString("11n"));
    click(*dialog, "cancelTBtn");
    QVERIFY(child<QWidget>(*dialog, "currWidget")->isVisible());
    QVERIFY(!child<QWidget>(*dialog, "restoreWidget")->isVisible());
    QCOMPARE(target(*dialog), QString("00o"));
    QCOMPARE(pathField(*dialog)->text(), QString());
    // The task button leads to the task list again, not to the page left.
    click(*dialog, "curSessionBut");
    QVERIFY(child<QWidget>(*dialog, "currWidget")->isVisible());
    QTest::qWait(50);
    QCOMPARE(service_->restores.size(), 0);

    // "Original path" after "New path" empties and locks the field again.
    pressEntry(*dialog, 1);
    QCOMPARE(clickAnswered(*dialog, "restbuBtn"), QString());
    QTRY_VERIFY(idle(*dialog));
    chooseNewPath(*dialog, "/srv/elsewhere");
    auto* original = child<QRadioButton>(*dialog, "restorePathRBtn");
    QTest::mouseClick(original, Qt::LeftButton, {}, original->rect().center());
    QCOMPARE(target(*dialog), QString("00o"));
    QCOMPARE(pathField(*dialog)->text(), QString());
  }

  // ---- Browse ---------------------------------------------------------------------------

  // Browse opens the folder browser over a locked page; its OK fills the field with the
  // folder chosen and unlocks the page; Cancel leaves the field as it was.
  void browseFillsField() {
    const QString destination = scratch("browse");
    const QString folder = scratch("browse-target/chosen folder");
    const QStringList uuids = writeTasks({destination});
    QVERIFY(task_tree::make(destination + "/" + uuids[0], "complete", kThreeRuns));
    QString box;
    auto dialog = openRestore(1, &box, 3);
    chooseNewPath(*dialog, QString());

    for (const bool ok : {true, false}) {
      QString seenWhileOpen = "no browser";
      bool chosen = false;
      // Polls for the browser the click opens; after 10 s without one it gives up (the
      // click would then have returned).
      QTimer poller;
      int ticks = 0;
      poller.start(20);
      connect(&poller, &QTimer::timeout, [&] {
        BrowseDialog* browser = dialog->findChild<BrowseDialog*>();
        if (!browser || !browser->isVisible()) {
          if (++ticks > 500) poller.stop();
          return;
        }
        poller.stop();
        seenWhileOpen.clear();
        for (const char* name : {"curSessionBut", "logBut", "advancedBut", "restoreTBtn",
                                 "cancelTBtn"}) {
          if (button(*dialog, name)->isEnabled()) seenWhileOpen += QString(name) + " on ";
        }
        if (child<QWidget>(*dialog, "versionWidget")->isEnabled()) seenWhileOpen += "versions on ";
        if (child<QWidget>(*dialog, "browsePathWidget")->isEnabled()) seenWhileOpen += "target on ";
        if (!ok) {
          QTest::mouseClick(browser->findChild<QToolButton*>("browseLocalCancel"), Qt::LeftButton);
          return;
        }
        auto* tree = browser->findChild<QTreeView*>("browseLocalTView");
        auto* model = qobject_cast<QFileSystemModel*>(tree->model());
        const QModelIndex index = model->index(folder);
        for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) tree->expand(p);
        chosen = QTest::qWaitFor([&] {
          tree->scrollTo(index);
          const QRect rect = tree->visualRect(index);
          return rect.isValid() && tree->viewport()->rect().contains(rect.center());
        });
        if (chosen) {
          QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(index).center());
          chosen = tree->currentIndex() == index;
        }
        QToolButton* okButton = browser->findChild<QToolButton*>("browseLocalOK");
        if (okButton->isEnabled()) {
          QTest::mouseClick(okButton, Qt::LeftButton);
        } else {
          QTest::mouseClick(browser->findChild<QToolButton*>("browseLocalCancel"), Qt::LeftButton);
        }
      });
      click(*dialog, "restoreBTBtn");
      QCOMPARE(seenWhileOpen, QString());
      if (ok) QVERIFY(chosen);
      QCOMPARE(pathField(*dialog)->text(), folder);  // chosen, and kept by Cancel
      QVERIFY(idle(*dialog));
      for (const char* name : {"curSessionBut", "logBut", "advancedBut"}) {
        QVERIFY2(button(*dialog, name)->isEnabled(), name);
      }
      QVERIFY(child<QWidget>(*dialog, "versionWidget")->isEnabled());
      QVERIFY(child<QWidget>(*dialog, "browsePathWidget")->isEnabled());
    }

    versionList(*dialog)->setCurrentRow(0);
    QCOMPARE(clickAnswered(*dialog, "restoreTBtn"), QString());
    QTRY_COMPARE(service_->restores.size(), 1);
    QCOMPARE(service_->restores[0].path, folder);
  }

  // ---- the page's look in the settings' language ----------------------------------------

  void pageStyleOfTheLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("family");
    QTest::newRow("English") << "English" << "Calibri";
    QTest::newRow("German") << "German" << "Calibri";
    QTest::newRow("Simplified Chinese") << "Simplified Chinese" << QString::fromUtf8("宋体");
    QTest::newRow("Traditional Chinese") << "Traditional Chinese" << "MingLiU";
  }

  // The page's controls take the language's font and the images of their enabled and
  // disabled look: the radio indicators (25 x 25), the path field's frame, Browse at 10 pt,
  // Restore and Cancel at 11 pt in white.
  void pageStyleOfTheLanguage() {
    QFETCH(QString, language);
    QFETCH(QString, family);
    const QString settings = controller_test::dataFolder() + "/GLOBAL_SETTING.dat";
    QFile defaults(qEnvironmentVariable("TESSALY_TEST_DATA") + "/global_setting_default.dat");
    QVERIFY(defaults.open(QIODevice::ReadOnly));
    QByteArray bytes = defaults.readAll();
    QVERIFY(bytes.contains("<language>English</language>"));
    bytes.replace("<language>English</language>", "<language>" + language.toUtf8() + "</language>");
    QFile file(settings);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    const QString destination = scratch("style");
    const QStringList uuids = writeTasks({destination});
    QVERIFY(task_tree::make(destination + "/" + uuids[0], "complete", kThreeRuns));
    QString box;
    auto dialog = openRestore(1, &box, 3);
    QCOMPARE(box, QString());
    QFile::remove(settings);

    struct Look {
      const char* name;
      QStringList parts;
    };
    const Look looks[] = {
        {"restoreTBtn", {"font:11pt \"" + family + "\"", "color:#ffffff", "btn_common_01_n.png", "btn_common_01_d.png"}},
        {"cancelTBtn", {"font:11pt \"" + family + "\"", "color:#ffffff", "btn_common_01_n.png", "btn_common_01_d.png"}},
        {"restoreBTBtn", {"font:10pt \"" + family + "\"", "btn_common_05_n.png", "btn_common_05_d.png"}},
        {"restorePathLEdit", {"font:10pt \"" + family + "\"", "input_box_restore.png", "input_box_d.png"}},
        {"restorePathRBtn", {"width:25px", "height:25px", "check_box_01_n.png", "check_box_01_d.png"}},
        {"restorePathRBtn_2", {"width:25px", "height:25px", "check_box_01_n.png", "check_box_01_d.png"}},
    };
    for (const Look& look : looks) {
      QWidget* widget = child<QWidget>(*dialog, look.name);
      for (const QString& part : look.parts) {
        QVERIFY2(widget->styleSheet().contains(part),
                 qPrintable(QString("%1 lacks %2: %3").arg(look.name, part, widget->styleSheet())));
      }
    }
    QCOMPARE(button(*dialog, "restoreTBtn")->font().family(), family);
    QCOMPARE(button(*dialog, "restoreTBtn")->font().pointSize(), 11);
    QCOMPARE(button(*dialog, "restoreBTBtn")->font().pointSize(), 10);
  }
};

TESSALY_TEST_MAIN(RestorePageTest, QApplication)
#include "restorepage_test.moc"
