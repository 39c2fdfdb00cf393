// The task list page against a fake service: a QUdpSocket on 127.0.0.1:7502 that records
// every request and answers detail queries with the states the test gives, through the real
// link client, so the test runs in a network namespace of its own. The tasks are written by
// the real task store into the test's data folder.
//
// Covered: paging with 1 to 5 tasks, selection (also presses in a hidden entry), the state
// answers in English and German and the buttons they set, exact uuid matching, the entry
// texts and their elision, the last run's mark from LOG.dat, delete of the selected task on
// each page (and a failed delete), a delete inside a poll's wait, the list read again after
// the store changed, and the pixel wrap. TZ is JST-9, so every time shown is local.
// Over 800 lines: the cases share one window, one fake service and one data folder.
#include <QtCore/QFile>
#include <QtCore/QPointer>
#include <QtGui/QFontMetrics>
#include <QtGui/QTextDocument>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>

#include <tuple>
#include <vector>

#include "controller_test.h"
#include "dialog.h"
#include "link_packet.h"
#include "log_file_fixture.h"
#include "modal_box.h"
#include "updatesessionconfig.h"

namespace lp = tessaly::link;

using controller_test::child;

namespace {

const QString kShare = QStringLiteral("\\\\127.0.0.1\\nas\\backups");

QString taskFile() { return controller_test::dataFolder() + "/SESSION_CONFIG.dat"; }

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// One task to write; the defaults make a manual task to the share.
struct Task {
  QString name;
  QStringList extensions = {".jpg", ".png"};
  bool allFiles = false;  // ".*" in each of the four groups, as the wizard writes "All Files"
  QString user = {};
  QString destination = kShare;
  QString model = {};
  QString kind = "manually";
  QStringList times = {};
};

// Writes a fresh task file holding `tasks`; returns their uuids in list order.
QStringList writeTasks(const QList<Task>& tasks) {
  QFile::remove(taskFile());
  UpdateSessionConfig store(controller_test::dataFolder());
  for (const Task& t : tasks) {
    const QStringList all = t.allFiles ? QStringList{".*"} : QStringList();
    const int added = store.AddSession(t.name, all, all, all, t.allFiles ? all : t.extensions,
                                       {"/srv/photos"}, t.user,
                                       t.user.isEmpty() ? QString() : "secret", t.destination,
                                       t.model, "incremental", t.kind, t.times);
    if (added != UpdateSessionConfig::AddDone) qFatal("task not written: %s", qPrintable(store.lastError()));
  }
  store.ReadSessionConfig();
  QStringList uuids;
  for (const SessionRecord& r : *store.GetSessionList()) uuids << r.uuid;
  return uuids;
}

// "Task 1" ... "Task n".
QStringList writeNumberedTasks(int n) {
  QList<Task> tasks;
  for (int i = 1; i <= n; ++i) tasks.append(Task{QString("Task %1").arg(i)});
  return writeTasks(tasks);
}

// The wrap of `text` is sound: nothing lost or added but the line ends, every line fits
// `limit` (or is one character), a line breaks after its last separator where it has one,
// else takes the most characters that fit.
bool wellWrapped(const QFont& font, const QString& text, const QString& wrapped, int limit,
                 QString* failure) {
  const QFontMetrics metrics(font);
  auto fail = [failure, &wrapped](const QString& why) {
    *failure = why + " in \"" + wrapped + "\"";
    return false;
  };
  if (text.isEmpty() || metrics.horizontalAdvance(text) <= limit) {
    return wrapped == text || fail("a text that fits was changed");
  }
  if (QString(wrapped).remove('\n') != text) return fail("characters lost");
  const QStringList lines = wrapped.split('\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString& line = lines[i];
    if (line.isEmpty()) return fail("an empty line");
    const bool oneCharacter = line.size() == 1 || (line.size() == 2 && line[0].isHighSurrogate());
    if (metrics.horizontalAdvance(line) > limit && !oneCharacter) return fail("a line too wide");
    if (i + 1 == lines.size()) break;
    const QChar end = line.back();
    if (end == '\\' || end == '/' || end == ' ') continue;
    for (qsizetype at = 1; at < line.size(); ++at) {
      if (line[at] == '\\' || line[at] == '/' || line[at] == ' ') return fail("not broken after a separator");
    }
    if (metrics.horizontalAdvance(line + lines[i + 1].left(1)) <= limit) return fail("a line too short");
  }
  return true;
}

QStringList storedNames() {
  UpdateSessionConfig store(controller_test::dataFolder());
  if (!store.ReadSessionConfig()) return {"<unreadable>"};
  QStringList names;
  for (const SessionRecord& r : *store.GetSessionList()) names << r.name;
  return names;
}

// The service's side of the link: every request, and a detail answer for each uuid the test
// gave a state.
class FakeService : public QObject {
 public:
  struct Request {
    quint8 type;
    quint8 cmd;
    QString uuid;  // the payload's first text
  };
  struct Answer {
    QString state;
    QString next = {};
    QString last = {};
    QStringList sources = {};
  };

  bool start() {
    connect(&socket_, &QUdpSocket::readyRead, this, &FakeService::read);
    return socket_.bind(QHostAddress::LocalHost, lp::SERVICE_PORT);
  }

  void answer(const QString& uuid, const Answer& a) { answers_[uuid] = a; }
  void clearAnswers() { answers_.clear(); }

  // Sends a detail answer whether or not it was asked for.
  void sendDetail(const QString& uuid, const Answer& a) {
    std::vector<uint8_t> payload = {0x0b, 0x00, 0x01, 0x01};
    for (const QString& text : {uuid, QString("name"), a.state, a.next, a.last}) {
      lp::append_text(payload, text.toStdString());
    }
    lp::append_text(payload, kShare.toStdString());
    for (const QString& source : a.sources) lp::append_text(payload, source.toStdString());
    const uint8_t request[lp::REQUEST_HEADER_SIZE] = {lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL};
    const std::vector<uint8_t> reply =
        lp::build_reply(lp::ANSWER, request, 77, 0, payload.data(), payload.size());
    socket_.writeDatagram(reinterpret_cast<const char*>(reply.data()), qint64(reply.size()),
                          QHostAddress::LocalHost, lp::CONTROLLER_PORT);
  }

  QList<Request> requests;

  // The uuids of the requests of one kind, in order.
  QStringList uuidsOf(quint8 type, quint8 cmd) const {
    QStringList out;
    for (const Request& r : requests) {
      if (r.type == type && r.cmd == cmd) out << r.uuid;
    }
    return out;
  }
  int count(quint8 type, quint8 cmd) const { return int(uuidsOf(type, cmd).size()); }

 private:
  void read() {
    while (socket_.hasPendingDatagrams()) {
      const QByteArray bytes = socket_.receiveDatagram().data();
      if (bytes.size() < int(lp::REQUEST_HEADER_SIZE)) continue;
      const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
      const lp::payload_text text = lp::read_text(data + lp::REQUEST_HEADER_SIZE,
                                                  size_t(bytes.size()) - lp::REQUEST_HEADER_SIZE);
      const Request r{data[0], data[1], QString::fromStdString(text.text)};
      requests << r;
      if (r.type == lp::PKG_QUERY && r.cmd == lp::QUERY_SESSION_DETAIL && answers_.contains(r.uuid)) {
        sendDetail(r.uuid, answers_.value(r.uuid));
      }
    }
  }

  QUdpSocket socket_;
  QHash<QString, Answer> answers_;
};

// Answers the window's message boxes in order, one answer each, and records their titles and
// texts. Armed before the click that opens the first box.
class Boxes : public QObject {
 public:
  explicit Boxes(QList<QMessageBox::StandardButton> answers) : answers_(std::move(answers)) {
    connect(&timer_, &QTimer::timeout, this, &Boxes::poll);
    timer_.start(10);
  }
  QStringList titles, texts;

 private:
  void poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box == last_) return;
    last_ = box;
    titles << box->windowTitle();
    texts << box->text();
    if (answers_.isEmpty()) {
      box->close();
      return;
    }
    const QMessageBox::StandardButton answer = answers_.takeFirst();
    if (QAbstractButton* button = box->button(answer)) {
      button->click();
    } else {
      box->close();
    }
    if (answers_.isEmpty()) timer_.stop();
  }

  QList<QMessageBox::StandardButton> answers_;
  QPointer<QMessageBox> last_;
  QTimer timer_;
};

QString suffix(int entry) { return entry == 1 ? QString() : QStringLiteral("_2"); }

QLabel* entryLabel(const Dialog& dialog, const char* base, int entry) {
  return child<QLabel>(dialog, QString::fromLatin1(base) + suffix(entry));
}

QWidget* frame(const Dialog& dialog, int entry) {
  return child<QWidget>(dialog, "sessionWidget1" + suffix(entry));
}

// The task name an entry shows (its tool tip is never shortened), "" for a hidden entry.
QString shownName(const Dialog& dialog, int entry) {
  if (!frame(dialog, entry)->isVisible()) return QString();
  QString tip = entryLabel(dialog, "sourceLabel1", entry)->toolTip();
  return tip.startsWith("Task: ") ? tip.mid(6) : "<" + tip + ">";
}

// "Task 1|Task 2" for the page shown.
QString shownPage(const Dialog& dialog) {
  return shownName(dialog, 1) + "|" + shownName(dialog, 2);
}

// The entry whose frame is lit (selected), 0 for none, -1 for both.
int litEntry(const Dialog& dialog) {
  auto lit = [&dialog](int entry) {
    return frame(dialog, entry)->isVisible() &&
           frame(dialog, entry)->styleSheet().contains("btn_common_04_f.png");
  };
  if (lit(1) && lit(2)) return -1;
  return lit(1) ? 1 : lit(2) ? 2 : 0;
}

// A card label's text with its line breaks left out (a text takes one line, or two where it
// does not fit one).
QString shownText(const QLabel* label) { return label->text().remove('\n'); }

QToolButton* button(const Dialog& dialog, const char* name) { return child<QToolButton>(dialog, name); }

void click(const Dialog& dialog, const char* name) {
  QTest::mouseClick(button(dialog, name), Qt::LeftButton);
}

QPoint centreOf(const Dialog& dialog, const QWidget* widget) {
  return widget->mapTo(&dialog, widget->rect().center());
}

// A press in the window where an entry lies (shown or not).
void pressEntry(Dialog& dialog, int entry) {
  QTest::mousePress(&dialog, Qt::LeftButton, Qt::NoModifier, centreOf(dialog, frame(dialog, entry)));
  QTest::mouseRelease(&dialog, Qt::LeftButton, Qt::NoModifier, centreOf(dialog, frame(dialog, entry)));
}

// Pages down to the page of task `number` and presses its entry.
void selectTask(Dialog& dialog, int number) {
  for (int page = 1; page < (number + 1) / 2; ++page) click(dialog, "pageDownBtn");
  pressEntry(dialog, number % 2 == 1 ? 1 : 2);
}

bool poll(Dialog& dialog) { return QMetaObject::invokeMethod(&dialog, "QueryStatus"); }

QString buttons(const Dialog& dialog) {
  QString out;
  for (const char* name : {"bunowPBtn", "restbuBtn", "delbuPhBtn"}) {
    out += button(dialog, name)->isEnabled() ? '1' : '0';
  }
  return out;
}

}  // namespace

class TaskListTest : public QObject {
  Q_OBJECT

  FakeService* service_ = nullptr;

 private slots:
  void init() {
    QFile::remove(controller_test::dataFolder() + "/LOG.dat");
    service_ = new FakeService;
    QVERIFY2(service_->start(), "the test needs 127.0.0.1:7502 (run it in a network namespace)");
  }
  void cleanup() {
    delete service_;
    service_ = nullptr;
  }

  // ---- paging --------------------------------------------------------------------------

  void paging_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("moves");  // d: page down, u: page up (a disabled arrow does nothing)
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("down");
    QTest::newRow("1 task") << 1 << "" << "Task 1|" << false << false;
    QTest::newRow("1 task, down") << 1 << "d" << "Task 1|" << false << false;
    QTest::newRow("2 tasks") << 2 << "" << "Task 1|Task 2" << false << false;
    QTest::newRow("3 tasks") << 3 << "" << "Task 1|Task 2" << false << true;
    QTest::newRow("3 tasks, down") << 3 << "d" << "Task 3|" << true << false;
    QTest::newRow("3 tasks, down, down") << 3 << "dd" << "Task 3|" << true << false;
    QTest::newRow("3 tasks, down, up") << 3 << "du" << "Task 1|Task 2" << false << true;
    QTest::newRow("4 tasks, down") << 4 << "d" << "Task 3|Task 4" << true << false;
    QTest::newRow("5 tasks, down") << 5 << "d" << "Task 3|Task 4" << true << true;
    QTest::newRow("5 tasks, down twice") << 5 << "dd" << "Task 5|" << true << false;
    QTest::newRow("5 tasks, down twice, up") << 5 << "ddu" << "Task 3|Task 4" << true << true;
    QTest::newRow("5 tasks, down twice, up twice") << 5 << "dduu" << "Task 1|Task 2" << false << true;
    QTest::newRow("5 tasks, up") << 5 << "u" << "Task 1|Task 2" << false << true;
  }

  // Each page shows tasks 2k-1 and 2k; an answer fills the same page again.
  void paging() {
    QFETCH(int, count);
    QFETCH(QString, moves);
    QFETCH(QString, page);
    QFETCH(bool, up);
    QFETCH(bool, down);
    writeNumberedTasks(count);
    Dialog dialog;
    dialog.show();
    QVERIFY(child<QWidget>(dialog, "currWidget")->isVisible());
    for (QChar move : moves) click(dialog, move == 'd' ? "pageDownBtn" : "pageUpBtn");
    for (int refill = 0; refill < 2; ++refill) {
      QCOMPARE(shownPage(dialog), page);
      QCOMPARE(button(dialog, "pageUpBtn")->isEnabled(), up);
      QCOMPARE(button(dialog, "pageDownBtn")->isEnabled(), down);
      QCOMPARE(buttons(dialog), QString("000"));  // nothing selected
      // An answer for a task nobody has changes no task but fills the page again.
      service_->sendDetail("0f8fad5b-d9cb-469f-a165-70867728950e", {"Backup is running"});
      QTest::qWait(100);
    }
  }

  // ---- selection -----------------------------------------------------------------------

  // A press selects an entry, also through a label of it; the selection stays over paging;
  // presses and double-clicks where a hidden entry 2 would be change nothing.
  void selection() {
    const QStringList uuids = writeNumberedTasks(3);
    Dialog dialog;
    dialog.show();
    QCOMPARE(litEntry(dialog), 0);

    pressEntry(dialog, 2);
    QCOMPARE(litEntry(dialog), 2);
    QCOMPARE(buttons(dialog), QString("111"));
    QCOMPARE(button(dialog, "bunowPBtn")->text(), QString("Backup Now"));

    // A press on a label inside entry 1 reaches the window through the entry.
    QLabel* label = entryLabel(dialog, "statusLabel2", 1);
    QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, label->rect().center());
    QCOMPARE(litEntry(dialog), 1);

    click(dialog, "pageDownBtn");
    QCOMPARE(shownPage(dialog), QString("Task 3|"));
    QCOMPARE(litEntry(dialog), 0);            // task 1 is selected, task 3 shown
    QCOMPARE(buttons(dialog), QString("111"));  // ... and still the selection

    // Where entry 2 would be: no change, no crash (the page holds one task).
    pressEntry(dialog, 2);
    QTest::mouseDClick(&dialog, Qt::LeftButton, Qt::NoModifier, centreOf(dialog, frame(dialog, 2)));
    QCOMPARE(litEntry(dialog), 0);
    click(dialog, "bunowPBtn");
    QTRY_COMPARE(service_->uuidsOf(lp::PKG_SET, lp::SET_BACKUP_START), QStringList{uuids[0]});

    click(dialog, "pageUpBtn");
    QCOMPARE(litEntry(dialog), 1);

    click(dialog, "pageDownBtn");
    pressEntry(dialog, 1);
    QCOMPARE(litEntry(dialog), 1);
    click(dialog, "bunowPBtn");
    QTRY_COMPARE(service_->uuidsOf(lp::PKG_SET, lp::SET_BACKUP_START), (QStringList{uuids[0], uuids[2]}));

    // Hovering lights the entry under the cursor as well as the selected one.
    click(dialog, "pageUpBtn");
    QMouseEvent move(QEvent::MouseMove, QPointF(centreOf(dialog, frame(dialog, 2))),
                     QPointF(dialog.mapToGlobal(centreOf(dialog, frame(dialog, 2)))), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &move);
    QCOMPARE(litEntry(dialog), 2);
  }

  // ---- state answers -------------------------------------------------------------------

  void stateAnswers_data() {
    QTest::addColumn<QString>("before");  // answered first ("" for none)
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("resultShown");
    QTest::addColumn<QString>("enabled");  // Backup Now, Restore, Delete
    QTest::addColumn<QString>("bunowText");
    QTest::addColumn<int>("command");  // what a click on bunowPBtn sends

    const int start = lp::SET_BACKUP_START, stop = lp::SET_BACKUP_STOP, none = -1;
    struct Row {
      const char* tag;
      const char* before;
      QString state;
    };
    const QString notStarted = "Not started", backup = "Backup is running",
                  restore = "Restore is running";
    auto add = [&](const char* tag, const QString& before, const QString& state, const QString& as) {
      if (as == notStarted) {
        QTest::newRow(tag) << before << state << notStarted << "icon_status.png" << true << "111"
                           << "Backup Now" << start;
      } else if (as == backup) {
        QTest::newRow(tag) << before << state << backup << "icon_backup.png" << false << "100"
                           << "Stop Backup" << stop;
      } else {
        QTest::newRow(tag) << before << state << restore << "icon_restore.png" << true << "000"
                           << "Backup Now" << none;
      }
    };
    add("English, not started", "", notStarted, notStarted);
    add("English, backup", "", backup, backup);
    add("English, restore", "", restore, restore);
    add("German, not started", backup, QString::fromUtf8("Nicht gestartet"), notStarted);
    add("German, backup", "", QString::fromUtf8("Sicherung läuft"), backup);
    add("German, restore", "", QString::fromUtf8("Wiederherstellung läuft"), restore);
    add("backup, then not started", backup, notStarted, notStarted);
    // A text no language of the service knows leaves the state as it was.
    add("unknown text after a backup", QString::fromUtf8("Sicherung läuft"), "Pausiert", backup);
    add("unknown text first", "", "paused", notStarted);
  }

  // The answer's state shows in the entry (through the window's translation), and sets the
  // selected task's buttons; Backup Now starts, Stop Backup stops.
  void stateAnswers() {
    QFETCH(QString, before);
    QFETCH(QString, state);
    QFETCH(QString, label);
    QFETCH(QString, icon);
    QFETCH(bool, resultShown);
    QFETCH(QString, enabled);
    QFETCH(QString, bunowText);
    QFETCH(int, command);
    const QStringList uuids = writeNumberedTasks(2);
    const QString last = "2000-12-31T16:00:00Z";
    // The first task's last run completed: its mark shows wherever its state lets it.
    log_fixture::Record completed;
    completed.uuid = uuids[0];
    completed.time1 = last;
    completed.content = "Backup Task 1 is completed.";
    QVERIFY(log_fixture::replaceLog(controller_test::dataFolder(), log_fixture::logFile({completed})));
    Dialog dialog;
    dialog.show();
    pressEntry(dialog, 1);
    if (!before.isEmpty()) {
      service_->answer(uuids[0], {before, "", last});
      QVERIFY(poll(dialog));
      QTRY_COMPARE(entryLabel(dialog, "statusLabel3", 1)->text(), QString("Last: 2001-01-01 01:00"));
    }
    service_->answer(uuids[0], {state, "", last, {"/srv/photos"}});
    service_->answer(uuids[1], {"Backup is running", "", ""});
    QVERIFY(poll(dialog));
    QTRY_COMPARE(entryLabel(dialog, "statusLabel1", 2)->text(), QString("Backup is running"));
    QTRY_COMPARE(service_->count(lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL), before.isEmpty() ? 2 : 4);
    QTest::qWait(50);

    QCOMPARE(entryLabel(dialog, "statusLabel1", 1)->text(), label);
    QVERIFY2(entryLabel(dialog, "statusPBtn", 1)->styleSheet().contains(icon),
             qPrintable(entryLabel(dialog, "statusPBtn", 1)->styleSheet()));
    QCOMPARE(entryLabel(dialog, "backupStatus", 1)->isVisible(), resultShown);
    QCOMPARE(entryLabel(dialog, "statusLabel3", 1)->text(), QString("Last: 2001-01-01 01:00"));
    QCOMPARE(buttons(dialog), enabled);
    QCOMPARE(button(dialog, "bunowPBtn")->text(), bunowText);
    // Entry 2 is not selected: its state does not touch the buttons.
    QVERIFY(entryLabel(dialog, "statusPBtn", 2)->styleSheet().contains("icon_backup.png"));
    QVERIFY(!entryLabel(dialog, "backupStatus", 2)->isVisible());

    click(dialog, "bunowPBtn");
    QTest::qWait(200);
    QCOMPARE(service_->uuidsOf(lp::PKG_SET, lp::SET_BACKUP_START),
             command == lp::SET_BACKUP_START ? QStringList{uuids[0]} : QStringList());
    QCOMPARE(service_->uuidsOf(lp::PKG_SET, lp::SET_BACKUP_STOP),
             command == lp::SET_BACKUP_STOP ? QStringList{uuids[0]} : QStringList());
  }

  void uuidMatching_data() {
    QTest::addColumn<int>("form");  // how the answer's uuid is written
    QTest::addColumn<bool>("applies");
    QTest::newRow("exact") << 0 << true;
    QTest::newRow("upper case") << 1 << true;
    QTest::newRow("empty") << 2 << false;
    QTest::newRow("first eight characters") << 3 << false;
    QTest::newRow("with braces") << 4 << false;
  }

  // An answer changes the task whose uuid equals its own (case aside), no other.
  void uuidMatching() {
    QFETCH(int, form);
    QFETCH(bool, applies);
    const QStringList uuids = writeNumberedTasks(2);
    Dialog dialog;
    dialog.show();
    const QString uuid = uuids[0];
    const QString sent = QStringList{uuid, uuid.toUpper(), "", uuid.left(8), "{" + uuid + "}"}[form];
    service_->sendDetail(sent, {"Backup is running", "", "2000-12-31T16:00:00Z"});
    service_->sendDetail(uuids[1], {"Restore is running"});
    QTRY_COMPARE(entryLabel(dialog, "statusLabel1", 2)->text(), QString("Restore is running"));
    QCOMPARE(entryLabel(dialog, "statusLabel1", 1)->text(),
             applies ? QString("Backup is running") : QString("Not started"));
    QCOMPARE(entryLabel(dialog, "statusLabel3", 1)->text(),
             applies ? QString("Last: 2001-01-01 01:00") : QString("Last: "));
  }

  // ---- entry texts ---------------------------------------------------------------------

  // The labels of both entries; a text takes one line, or two where it does not fit one; a
  // longer one is elided at the end of its second line, with the whole text as tool tip (file
  // types and destination wrapped at 30 characters).
  void entryTexts() {
    Task first{"Holiday pictures"};
    first.allFiles = true;
    first.user = "tester";
    first.destination = kShare + "\\a very long folder name that cannot fit into the label";
    Task second{QString("A task name much longer than the name label of an entry is wide")};
    second.kind = "weekly";
    second.times = {"2001-01-01T01:30:00Z"};
    second.model = "NAS-200";
    const QString uuid2 = writeTasks({first, second}).value(1);

    Dialog dialog;
    dialog.show();
    service_->sendDetail(uuid2, {"Not started", "2026-03-02T07:30:00Z", "2026-03-01T07:30:00.5Z"});
    QTRY_COMPARE(shownText(entryLabel(dialog, "statusLabel4", 2)), QString("Next: 2026-03-02 16:30"));

    // Each of these texts fits its label's two lines and shows whole.
    auto text = [&dialog](const char* base, int entry) { return shownText(entryLabel(dialog, base, entry)); };
    QCOMPARE(text("sourceLabel1", 1), QString("Task: Holiday pictures"));
    QCOMPARE(text("sourceLabel2", 1), QString("File Types: All Files"));
    QCOMPARE(text("statusLabel2", 1), QString("Schedule: Manually"));
    QCOMPARE(text("statusLabel3", 1), QString("Last: "));
    QCOMPARE(text("statusLabel4", 1), QString("Next: Manually"));
    QCOMPARE(text("destiLabel2", 1), QString("Account: tester"));
    QCOMPARE(text("destiLabel3", 1), QString("Model: Brelkin NAS"));
    QVERIFY(!entryLabel(dialog, "backupStatus", 1)->isVisible());  // never ran

    QCOMPARE(text("sourceLabel2", 2), QString("File Types: .jpg, .png"));
    QCOMPARE(text("statusLabel2", 2), QString("Schedule: Weekly"));
    QCOMPARE(text("statusLabel3", 2), QString("Last: 2026-03-01 16:30"));
    QCOMPARE(text("destiLabel2", 2), QString("Account: Anonymous"));
    QCOMPARE(text("destiLabel3", 2), QString("Model: NAS-200"));
    // It ran, but the log holds nothing of that run: no mark.
    QVERIFY(!entryLabel(dialog, "backupStatus", 2)->isVisible());

    // Elided to the label's width, the whole text in the tip.
    for (const auto& [base, entry, full, wrapped] :
         std::vector<std::tuple<const char*, int, QString, bool>>{
             {"destiLabel1", 1, "Destination: " + first.destination, true},
             {"sourceLabel1", 2, "Task: " + second.name, false}}) {
      QLabel* label = entryLabel(dialog, base, entry);
      const QFontMetrics metrics(label->font());
      QVERIFY2(label->text().endsWith(QChar(0x2026)), qPrintable(label->text()));
      const QStringList lines = label->text().split('\n');
      QCOMPARE(lines.size(), 2);
      for (const QString& line : lines) {
        QVERIFY(metrics.horizontalAdvance(line) <= label->contentsRect().width());
      }
      // The label is as high as its two lines.
      QVERIFY(label->height() >= 2 * metrics.lineSpacing());
      QCOMPARE(label->toolTip(), wrapped ? wrapText(full, 30) : full);
    }
    QVERIFY(entryLabel(dialog, "destiLabel1", 1)->toolTip().contains('\n'));

    // The texts of a column stand one under the other: a text on two lines moves the next one
    // down, never over it.
    for (int entry : {1, 2}) {
      for (const QStringList& column : {QStringList{"sourceLabel1", "sourceLabel2"},
                                        QStringList{"statusLabel1", "statusLabel2", "statusLabel3", "statusLabel4"},
                                        QStringList{"destiLabel1", "destiLabel2", "destiLabel3"}}) {
        for (qsizetype i = 1; i < column.size(); ++i) {
          const QLabel* above = entryLabel(dialog, qPrintable(column[i - 1]), entry);
          const QLabel* below = entryLabel(dialog, qPrintable(column[i]), entry);
          QVERIFY2(below->y() > above->geometry().bottom(), qPrintable(column[i]));
          QVERIFY(below->geometry().bottom() < frame(dialog, entry)->height());
        }
      }
    }
    QCOMPARE(entryLabel(dialog, "sourceLabel2", 2)->y(),
             entryLabel(dialog, "sourceLabel1", 2)->geometry().bottom() + 1 + 8);
  }

  // The pixel wrap: every line fits (or is one character), nothing is lost, lines break
  // after a separator where there is one, and tiny or negative widths end.
  void pixelWrap_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    const QString path = "/srv/photos/2026/holiday pictures/day one/very-long-file-name.jpeg";
    const QString unc = "\\\\192.168.1.20\\backup\\photos and music\\2026";
    for (int width : {-10, 0, 1, 5, 6, 12, 40, 80, 120, 1000}) {
      QTest::addRow("path, %d px", width) << path << width;
      QTest::addRow("share, %d px", width) << unc << width;
    }
    QTest::newRow("no separator") << QString(60, 'W') << 50;
    QTest::newRow("outside the basic plane") << QString::fromUtf8("😀😀😀😀😀😀😀😀") << 20;
    QTest::newRow("empty") << QString() << 1;
  }

  void pixelWrap() {
    QFETCH(QString, text);
    QFETCH(int, width);
    const QFont font = QApplication::font();
    const QString wrapped = Dialog::wrapTextToWidth(font, text, width);
    QString failure;
    QVERIFY2(wellWrapped(font, text, wrapped, width - 5, &failure), qPrintable(failure));
  }

  // ---- the last run's mark -------------------------------------------------------------

  // The mark under the state icon tells how the task's last run ended, as the service's log
  // records of that run (same task, same start) say in any language of the service: the
  // success mark only for a completed run; the failure mark, whose press tells why, for an
  // error or an incomplete run; no mark for a stopped run, a run the log holds nothing of
  // (the log was cleared) or records of another run or task.
  void lastRunMark_data() {
    QTest::addColumn<QStringList>("records");  // "type|uuid|time1|content", uuid 0/1: the tasks
    QTest::addColumn<QString>("mark");         // "none", "success" or "failure"
    QTest::addColumn<QString>("box");          // the failure mark's box text

    const QString run = "2026-03-01T07:30:00Z", earlier = "2026-02-28T07:30:00Z";
    auto record = [](const char* type, int task, const QString& time, const QString& content) {
      return QString("%1|%2|%3|%4").arg(type).arg(task).arg(time, content);
    };
    const QString started = record("message", 0, run, "Backup Task 1 was started.");
    QTest::newRow("no record") << QStringList() << "none" << "";
    QTest::newRow("completed") << QStringList{started, record("message", 0, run, "Backup Task 1 is completed.")}
                               << "success" << "";
    QTest::newRow("completed, fractional seconds")
        << QStringList{record("message", 0, "2026-03-01T07:30:00.482113Z", "Backup Task 1 is completed.")}
        << "success" << "";
    QTest::newRow("completed in German")
        << QStringList{record("message", 0, run, QString::fromUtf8("Die Sicherung Task 1 ist abgeschlossen."))}
        << "success" << "";
    QTest::newRow("completed in Chinese")
        << QStringList{record("message", 0, run, QString::fromUtf8("备份 Task 1 已完成。"))} << "success" << "";
    QTest::newRow("a warning, then completed")
        << QStringList{started, record("warning", 0, run, "only a warning"),
                       record("message", 0, run, "Backup Task 1 is completed.")}
        << "success" << "";
    QTest::newRow("stopped by the user")
        << QStringList{started, record("message", 0, run, "Backup Task 1 is stopped by user.")} << "none" << "";
    QTest::newRow("stopped in Russian")
        << QStringList{record("message", 0, run, QString::fromUtf8("Резервное копирование Task 1 остановлено пользователем."))}
        << "none" << "";
    QTest::newRow("started only (no end logged)") << QStringList{started} << "none" << "";
    QTest::newRow("failed")
        << QStringList{started, record("error", 0, run, "The network resource can not be accessed.")}
        << "failure" << "Error: The network resource can not be accessed.";
    QTest::newRow("an error, then a completed text")
        << QStringList{record("error", 0, run, "Failed to write file x."),
                       record("message", 0, run, "Backup Task 1 is completed.")}
        << "failure" << "Error: Failed to write file x.";
    QTest::newRow("incomplete")
        << QStringList{started, record("warning", 0, run,
                                       "Backup Task 1 is incomplete: 2 files or folders could not be backed up.")}
        << "failure" << "Error: Backup Task 1 is incomplete: 2 files or folders could not be backed up.";
    QTest::newRow("completed in an earlier run only")
        << QStringList{record("message", 0, earlier, "Backup Task 1 is completed.")} << "none" << "";
    QTest::newRow("failed in an earlier run, completed now")
        << QStringList{record("error", 0, earlier, "old trouble"),
                       record("message", 0, run, "Backup Task 1 is completed.")}
        << "success" << "";
    QTest::newRow("another task's records")
        << QStringList{record("error", 1, run, "not this one"),
                       record("message", 1, run, "Backup Task 1 is completed.")}
        << "none" << "";
    QTest::newRow("a completed text inside another text")
        << QStringList{record("message", 0, run, "Note: Backup Task 1 is completed. Or not.")} << "none" << "";
  }

  void lastRunMark() {
    QFETCH(QStringList, records);
    QFETCH(QString, mark);
    QFETCH(QString, box);
    const QStringList uuids = writeNumberedTasks(2);
    const QString runStart = "2026-03-01T07:30:00Z";
    QList<log_fixture::Record> log;
    for (const QString& line : records) {
      const QStringList parts = line.split('|');
      log_fixture::Record r;
      r.type = parts[0];
      // The service may write the uuid in another case than the task file.
      r.uuid = parts[1] == "0" ? uuids[0].toUpper() : uuids[1];
      r.time1 = parts[2];
      r.content = parts[3];
      log << r;
    }
    QVERIFY(log_fixture::replaceLog(controller_test::dataFolder(), log_fixture::logFile(log)));
    Dialog dialog;
    dialog.show();
    service_->sendDetail(uuids[0], {"Not started", "", runStart});
    service_->sendDetail(uuids[1], {"Not started", "", ""});
    QTRY_COMPARE(entryLabel(dialog, "statusLabel3", 1)->text(), QString("Last: 2026-03-01 16:30"));
    QTest::qWait(50);

    QLabel* icon = entryLabel(dialog, "backupStatus", 1);
    const QString shown = !icon->isVisible() ? "none"
                          : icon->styleSheet().contains("icon_fail_item.png") ? "failure"
                          : icon->styleSheet().contains("icon_-check_item.png") ? "success"
                                                                                : icon->styleSheet();
    QCOMPARE(shown, mark);
    // A screen reader hears what the mark shows.
    if (mark != "none") {
      QCOMPARE(icon->accessibleName(), mark == "failure" ? QString("Last backup did not succeed")
                                                         : QString("Last backup completed"));
    }
    // The second task never ran: no mark.
    QVERIFY(!entryLabel(dialog, "backupStatus", 2)->isVisible());

    // A press where the mark is: the failure mark tells why; anything else only selects.
    Boxes boxes({QMessageBox::Ok});
    QTest::mousePress(&dialog, Qt::LeftButton, Qt::NoModifier, centreOf(dialog, icon));
    QTest::mouseRelease(&dialog, Qt::LeftButton, Qt::NoModifier, centreOf(dialog, icon));
    QTest::qWait(mark == "failure" ? 0 : 100);
    QCOMPARE(boxes.titles, mark == "failure" ? QStringList{"Backup Result"} : QStringList());
    QCOMPARE(boxes.texts.join(""), box);
    QCOMPARE(litEntry(dialog), 1);
  }

  // ---- texts from outside ----------------------------------------------------------------

  // Texts that look like markup (a task's name, its share path, account and NAS model, an
  // error record's content) are shown as they stand: the labels take them as plain text,
  // their tool tips read the same once drawn, and the "Backup Result" box shows plain text.
  void markupIsShownAsItStands() {
    Task task{"<h1>FAKE</h1>"};
    task.destination = kShare + "\\<b>bold</b>";
    task.user = "<i>ann</i>";
    task.model = "<font color=red>NAS</font>";
    const QString uuid = writeTasks({task}).value(0);
    const QString runStart = "2026-03-01T07:30:00Z";
    log_fixture::Record error;
    error.type = "error";
    error.uuid = uuid;
    error.time1 = runStart;
    error.content = "<b>cannot open</b> <img src=\"x\">";
    QVERIFY(log_fixture::replaceLog(controller_test::dataFolder(), log_fixture::logFile({error})));

    Dialog dialog;
    dialog.show();
    service_->sendDetail(uuid, {"Not started", "", runStart});
    QTRY_VERIFY(entryLabel(dialog, "backupStatus", 1)->styleSheet().contains("icon_fail_item.png"));

    // The text a tool tip shows once Qt has drawn it (as rich text when it looks like some).
    auto drawnTip = [](const QString& tip) {
      QTextDocument document;
      if (Qt::mightBeRichText(tip)) {
        document.setHtml(tip);
      } else {
        document.setPlainText(tip);
      }
      return document.toPlainText();
    };
    struct Shown {
      const char* label;
      QString full;
      bool wrappedTip;
    };
    for (const Shown& shown : {Shown{"sourceLabel1", "Task: " + task.name, false},
                               Shown{"destiLabel1", "Destination: " + task.destination, true},
                               Shown{"destiLabel2", "Account: " + task.user, false},
                               Shown{"destiLabel3", "Model: " + task.model, false}}) {
      QLabel* label = entryLabel(dialog, shown.label, 1);
      QCOMPARE(label->textFormat(), Qt::PlainText);
      // As it stands, or its start where a long path is elided.
      const QString text = shownText(label);
      QVERIFY2(text == shown.full || (text.endsWith(QChar(0x2026)) && shown.full.startsWith(text.chopped(1))),
               qPrintable(text));
      QCOMPARE(drawnTip(label->toolTip()), shown.wrappedTip ? wrapText(shown.full, 30) : shown.full);
    }

    ModalBox box(QMessageBox::Ok);
    QLabel* icon = entryLabel(dialog, "backupStatus", 1);
    QTest::mouseClick(icon, Qt::LeftButton, Qt::NoModifier, icon->rect().center());
    QVERIFY(box.seen());
    QCOMPARE(box.title(), QString("Backup Result"));
    QCOMPARE(box.text(), "Error: " + error.content);
    QCOMPARE(box.textFormat(), Qt::PlainText);

    // The wizard's view of the task's destination shows them as they stand too.
    QWidget* destinationIcon = entryLabel(dialog, "destiPBtn", 1);
    QTest::mouseDClick(&dialog, Qt::LeftButton, Qt::NoModifier, centreOf(dialog, destinationIcon));
    QVERIFY(child<QWidget>(dialog, "newDisplay")->isVisible());
    for (const auto& [name, full] : std::vector<std::pair<const char*, QString>>{
             {"accountLabel_2", task.user},
             {"deviceModelLabel_2", task.model},
             {"sourcePathLabel_2", task.destination}}) {
      QLabel* label = child<QLabel>(dialog, name);
      QCOMPARE(label->textFormat(), Qt::PlainText);
      QCOMPARE(label->text().remove('\n'), full);
    }
  }

  // ---- delete --------------------------------------------------------------------------

  void deleteSelected_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("movesAfter");  // page moves between the selection and the delete
    QTest::addColumn<QStringList>("left");    // the tasks left, by number before the delete
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("lit");  // the entry selected afterwards
    QTest::addColumn<QString>("arrows");
    QTest::newRow("the only task") << 1 << 1 << "" << QStringList{} << "|" << 0 << "00";
    QTest::newRow("2 of 2") << 2 << 2 << "" << QStringList{"1"} << "Task 1|" << 0 << "00";
    QTest::newRow("1 of 2") << 2 << 1 << "" << QStringList{"2"} << "Task 2|" << 1 << "00";
    QTest::newRow("alone on the last page") << 3 << 3 << "" << QStringList{"1", "2"}
                                            << "Task 1|Task 2" << 0 << "00";
    QTest::newRow("3 of 4") << 4 << 3 << "" << QStringList{"1", "2", "4"} << "Task 4|" << 1 << "10";
    QTest::newRow("2 of 4") << 4 << 2 << "" << QStringList{"1", "3", "4"} << "Task 1|Task 3" << 2
                            << "01";
    QTest::newRow("1 of 5") << 5 << 1 << "" << QStringList{"2", "3", "4", "5"} << "Task 2|Task 3"
                            << 1 << "01";
    QTest::newRow("4 of 5") << 5 << 4 << "" << QStringList{"1", "2", "3", "5"} << "Task 3|Task 5"
                            << 2 << "10";
    QTest::newRow("5 of 5") << 5 << 5 << "" << QStringList{"1", "2", "3", "4"} << "Task 3|Task 4"
                            << 0 << "10";
    // The selection stays over paging, so the task deleted is not on the page; the task
    // that takes its number is not shown either, and nothing is selected afterwards.
    QTest::newRow("2 of 4, paged away") << 4 << 2 << "d" << QStringList{"1", "3", "4"} << "Task 4|"
                                        << 0 << "10";
  }

  // Yes deletes the selected task from the file and the list and tells the service; the
  // page stays or goes back one page; the task that takes the number is selected when shown.
  void deleteSelected() {
    QFETCH(int, count);
    QFETCH(int, selected);
    QFETCH(QString, movesAfter);
    QFETCH(QStringList, left);
    QFETCH(QString, page);
    QFETCH(int, lit);
    QFETCH(QString, arrows);
    const QStringList uuids = writeNumberedTasks(count);
    Dialog dialog;
    dialog.show();
    selectTask(dialog, selected);
    for (QChar move : movesAfter) click(dialog, move == 'd' ? "pageDownBtn" : "pageUpBtn");

    // No keeps everything.
    const QByteArray before = readBytes(taskFile());
    const QString pageBefore = shownPage(dialog);
    {
      Boxes boxes({QMessageBox::No});
      click(dialog, "delbuPhBtn");
      QCOMPARE(boxes.titles, QStringList{"Warning"});
      QCOMPARE(boxes.texts, QStringList{"Are you sure you want to delete this backup?"});
    }
    QCOMPARE(readBytes(taskFile()), before);
    QCOMPARE(shownPage(dialog), pageBefore);
    QCOMPARE(buttons(dialog), QString("111"));

    {
      Boxes boxes({QMessageBox::Yes});
      click(dialog, "delbuPhBtn");
      QCOMPARE(boxes.titles, QStringList{"Warning"});
    }
    QStringList names;
    for (const QString& n : left) names << "Task " + n;
    QCOMPARE(storedNames(), names);
    QCOMPARE(shownPage(dialog), page);
    QCOMPARE(litEntry(dialog), lit);
    QCOMPARE(QString("%1%2").arg(int(button(dialog, "pageUpBtn")->isEnabled()))
                 .arg(int(button(dialog, "pageDownBtn")->isEnabled())),
             arrows);
    QTRY_COMPARE(service_->count(lp::PKG_SET, lp::SET_CONFIG_UPDATE), 1);
    QCOMPARE(buttons(dialog), lit ? QString("111") : QString("000"));
    if (lit) {
      // The selection copies name the task shown in the lit entry.
      const int number = shownName(dialog, lit).mid(5).toInt();
      click(dialog, "bunowPBtn");
      QTRY_COMPARE(service_->uuidsOf(lp::PKG_SET, lp::SET_BACKUP_START),
                   QStringList{uuids[number - 1]});
    }
    // The deleted task is no longer asked about.
    const int queriesBefore = service_->count(lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL);
    QVERIFY(poll(dialog));
    QTRY_COMPARE(service_->count(lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL),
                 queriesBefore + int(left.size()));
    QVERIFY(!service_->uuidsOf(lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL)
                 .mid(queriesBefore)
                 .contains(uuids[selected - 1]));
  }

  // A delete the store refuses (the file became damaged) says why and changes nothing.
  void deleteRefused() {
    const QStringList uuids = writeNumberedTasks(2);
    Dialog dialog;
    dialog.show();
    pressEntry(dialog, 1);
    const QByteArray damaged = readBytes(taskFile()).left(200);
    {
      QFile file(taskFile());
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(damaged);
    }
    QString reason;
    {
      UpdateSessionConfig store(controller_test::dataFolder());
      QVERIFY(!store.DeleteSession(uuids[0]));
      reason = store.lastError();
    }
    {
      Boxes boxes({QMessageBox::Yes, QMessageBox::Ok});
      click(dialog, "delbuPhBtn");
      QCOMPARE(boxes.titles, (QStringList{"Warning", "Error"}));
      QCOMPARE(boxes.texts.value(1), reason);
    }
    QCOMPARE(readBytes(taskFile()), damaged);
    QCOMPARE(shownPage(dialog), QString("Task 1|Task 2"));
    QCOMPARE(litEntry(dialog), 1);
    QCOMPARE(buttons(dialog), QString("111"));
    QTest::qWait(100);
    QCOMPARE(service_->count(lp::PKG_SET, lp::SET_CONFIG_UPDATE), 0);
  }

  // A delete confirmed during one of the poll's waits: the poll goes on with the tasks
  // still there and never asks about the deleted one again.
  void deleteDuringPoll() {
    const QStringList uuids = writeNumberedTasks(3);
    for (const QString& uuid : uuids) service_->answer(uuid, {"Not started"});
    Dialog dialog;
    dialog.show();
    selectTask(dialog, 3);
    QTest::qWait(100);
    service_->requests.clear();

    Boxes boxes({QMessageBox::Yes});
    bool deleted = false;
    QTimer::singleShot(0, &dialog, [&dialog, &deleted] {
      click(dialog, "delbuPhBtn");
      deleted = true;
    });
    QVERIFY(poll(dialog));
    QVERIFY(deleted);  // inside the poll's first wait
    QCOMPARE(boxes.titles, QStringList{"Warning"});
    QCOMPARE(storedNames(), (QStringList{"Task 1", "Task 2"}));
    QTest::qWait(100);

    QStringList order;
    for (const FakeService::Request& r : service_->requests) {
      if (r.type == lp::PKG_SET && r.cmd == lp::SET_CONFIG_UPDATE) order << "reload";
      if (r.type == lp::PKG_QUERY && r.cmd == lp::QUERY_SESSION_DETAIL) order << r.uuid;
    }
    QVERIFY2(order.size() >= 3, qPrintable(order.join(' ')));
    QCOMPARE(order.mid(0, 3), (QStringList{uuids[0], "reload", uuids[1]}));
    QVERIFY(!order.contains(uuids[2]));
    QCOMPARE(shownPage(dialog), QString("Task 1|Task 2"));
  }

  // ---- the list read again -------------------------------------------------------------

  // Showing the list reads the store again (the wizard, a restore or an import changed it):
  // new tasks show, the answers of the tasks still there are kept, a selected task that is
  // gone is no longer selected, and a page past the end becomes the last page.
  void readAgain() {
    const QStringList uuids = writeNumberedTasks(2);
    Dialog dialog;
    dialog.show();
    pressEntry(dialog, 1);
    service_->sendDetail(uuids[0], {QString::fromUtf8("Sicherung läuft")});
    QTRY_COMPARE(button(dialog, "bunowPBtn")->text(), QString("Stop Backup"));

    {
      UpdateSessionConfig store(controller_test::dataFolder());
      QCOMPARE(store.AddSession("Task 3", {}, {}, {}, {".doc"}, {"/srv"}, "", "", kShare, "",
                                "incremental", "manually", {}),
               int(UpdateSessionConfig::AddDone));
    }
    click(dialog, "curSessionBut");
    QCOMPARE(shownPage(dialog), QString("Task 1|Task 2"));
    QCOMPARE(entryLabel(dialog, "statusLabel1", 1)->text(), QString("Backup is running"));
    QCOMPARE(litEntry(dialog), 1);
    QCOMPARE(buttons(dialog), QString("100"));
    QVERIFY(button(dialog, "pageDownBtn")->isEnabled());

    // The form translated again keeps the entries' texts and the button's.
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&dialog, &change);
    QCOMPARE(shownPage(dialog), QString("Task 1|Task 2"));
    QCOMPARE(entryLabel(dialog, "statusLabel1", 1)->text(), QString("Backup is running"));
    QCOMPARE(shownText(entryLabel(dialog, "destiLabel2", 2)), QString("Account: Anonymous"));
    QCOMPARE(button(dialog, "bunowPBtn")->text(), QString("Stop Backup"));

    click(dialog, "pageDownBtn");
    QCOMPARE(shownPage(dialog), QString("Task 3|"));
    {
      UpdateSessionConfig store(controller_test::dataFolder());
      QVERIFY(store.ReadSessionConfig());
      QVERIFY(store.DeleteSession(uuids[0]));
    }
    click(dialog, "curSessionBut");
    QCOMPARE(shownPage(dialog), QString("Task 2|Task 3"));
    QCOMPARE(litEntry(dialog), 0);
    QCOMPARE(buttons(dialog), QString("000"));
  }
};

TESSALY_TEST_MAIN(TaskListTest, QApplication)
#include "tasklist_test.moc"
