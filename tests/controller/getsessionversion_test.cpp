// The version reader against task trees made by the service's own backup engine (on a local
// folder, on a private Samba share with an account and as a guest, with runs held at named
// steps while the reader looks), and against trees made with the sqlite3 tool for the edge
// cases: the state words, the times in two time zones, a database with a transaction in
// flight, texts that must never form a path, a wrong password, a server that has stopped
// answering (the caller's events go on meanwhile, and other servers answer it at once), a
// missing tree and a missing SQLite driver.
//
// Local time is JST-9 (controller_test.h) unless a test sets another zone.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>

#include <chrono>
#include <ctime>
#include <string>
#include <thread>

#include "backup.h"
#include "controller_test.h"
#include "crash_point.h"
#include "event_ticker.h"
#include "getsessionversion.h"
#include "log.h"
#include "session.h"
#include "share.h"
#include "sharecall.h"
#include "silent_server.h"
#include "smb_server.h"
#include "task_tree_fixture.h"

namespace {

namespace share = tessaly::share;

const char kUuid[] = "6f1c2a3b-4d5e-4f60-8a7b-9c0d1e2f3a4b";
const char kSmbUser[] = "tessaly";
const char kSmbPassword[] = "secret-pw";

// ---- trees made by hand -----------------------------------------------------------------

// A task tree as the service writes it (task_tree_fixture.h), failing the test when the
// sqlite3 tool fails.
void makeTree(const QString& folder, const QString& status, const QStringList& times,
              bool history = true) {
  QVERIFY(task_tree::make(folder, status, times, history));
}

// ---- the service's backup engine ----------------------------------------------------------

// Backups of a task with one source folder, each an hour after the one before, the first
// at 2024-12-31 20:30:00.25 UTC (2025-01-01 05:30 in Tokyo).
class EngineTask {
 public:
  static constexpr gint64 kFirstStart = 1735677000;

  EngineTask(const QString& source, const destination_t& destination) : source_(source) {
    QDir().mkpath(source);
    task_.uuid = kUuid;
    task_.name = "Docs";
    task_.action = ACTION_INCREMENTAL;
    task_.sources = {source.toStdString()};
    task_.filter.extensions = {".*"};
    task_.destinations = {destination};
  }

  // One run, after a change in the source. True when it completed.
  bool backup() {
    change();
    GTimeVal start{static_cast<glong>(kFirstStart + 3600 * runs_), 250000};
    ++runs_;
    return backup_session(&task_, &start) == run_outcome::completed;
  }

  // One run held at the crash point `point` while `meanwhile` runs; true when the point was
  // reached and the run then completed.
  template <typename Meanwhile>
  bool heldBackup(const char* point, Meanwhile meanwhile) {
    const std::string pauseFile = (controller_test::tempRoot() + "/pause").toStdString();
    ::setenv("TESSALY_PAUSE_FILE", pauseFile.c_str(), 1);
    ::setenv("TESSALY_PAUSE_AT", point, 1);
    crash_point_reset();
    bool completed = false;
    std::thread run([this, &completed] { completed = backup(); });
    bool reached = false;
    for (int i = 0; i < 3000 && !reached; ++i) {
      reached = QFile::exists(QString::fromStdString(pauseFile));
      if (!reached) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (reached) meanwhile();
    QFile::remove(QString::fromStdString(pauseFile));
    run.join();
    ::unsetenv("TESSALY_PAUSE_AT");
    return reached && completed;
  }

  // The local time the reader must show for run n (1, 2, ...).
  static QString shownTime(int n) {
    return QStringLiteral("2025-01-01 %1:30").arg(4 + n, 2, 10, QLatin1Char('0'));
  }

 private:
  void change() {
    // Runs on the run's thread too: no test macro here; a failed write shows in the versions.
    QFile file(source_ + "/notes.txt");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    file.write("run " + QByteArray::number(runs_) + "\n");
    file.close();
    // Whole seconds apart, so that the engine sees every change.
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = 1700000000 + 10 * runs_;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, QFile::encodeName(file.fileName()).constData(), times, 0);
  }

  QString source_;
  session_t task_;
  int runs_ = 0;
};

struct Reading {
  bool ok = false;
  QStringList numbers;
  QStringList times;
  QString error;
};

// One reading into lists that already hold an entry: the reader appends, never clears.
Reading readVersions(const QString& uuid, const QString& destination, const QString& user = {},
             const QString& password = {}, int timeoutMs = GetSessionVersion::kDefaultTimeoutMs) {
  GetSessionVersion reader(uuid, QStringLiteral("Docs"), destination, user, password);
  reader.setTimeout(timeoutMs);
  Reading r;
  r.numbers << "kept";
  r.times << "kept";
  r.ok = reader.GetVersionList(&r.numbers, &r.times);
  r.error = reader.lastError();
  if (r.numbers.value(0) == "kept" && r.times.value(0) == "kept") {
    r.numbers.removeFirst();
    r.times.removeFirst();
  } else {
    r.numbers.prepend("<lists cleared>");
  }
  if (r.ok) {
    // The records say the same as the lists.
    QStringList fromRecords;
    for (const SessionVersion& v : reader.versions()) fromRecords << QString::number(v.number);
    if (fromRecords != r.numbers) r.numbers.append("<records differ>");
  }
  return r;
}

QStringList numbersUpTo(int n) {
  QStringList out;
  for (int k = 1; k <= n; ++k) out << QString::number(k);
  return out;
}

void setTimeZone(const char* zone) {
  qputenv("TZ", zone);
  tzset();
}

}  // namespace

class VersionReaderTest : public QObject {
  Q_OBJECT

  SmbServer smb_;
  bool smbUp_ = false;
  QString smbWhy_;

  QString tmp(const QString& name) const { return controller_test::tempRoot() + "/" + name; }

  void needSmb() {
    if (!smbUp_ && geteuid() != 0) QSKIP(qPrintable("smbd needs root: " + smbWhy_));
    QVERIFY2(smbUp_, qPrintable("smbd did not start: " + smbWhy_));
  }

 private slots:
  void initTestCase() {
    log_init(false, false, 10, nullptr);
    // The second run without plug-ins (missingDriver) needs no server.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("VERSION_TEST_WITHOUT_PLUGINS")) {
      smbUp_ = smb_.start(&smbWhy_);
    }
  }

  void cleanupTestCase() { smb_.stop(); }

  // A reading goes with its copies: nothing is left in the temporary folder.
  void cleanup() {
    const QStringList left =
        QDir(QDir::tempPath()).entryList({"tessaly-versions-*"}, QDir::AllEntries | QDir::Hidden);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(", ")));
  }

  // The versions of real backup runs, and runs held at the steps where a reader could take
  // an unfinished run for a version: after its history row (the status still "complete"
  // from the run before), while it is being cleaned up, and once "complete" is written.
  void engineBackups_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("local folder") << "local";
    QTest::newRow("share with an account") << "account";
    QTest::newRow("share as a guest") << "guest";
  }
  void engineBackups() {
    QFETCH(QString, where);
    destination_t d;
    QString destination;
    QString user;
    QString password;
    if (where == "local") {
      destination = tmp("dest-local");
      QVERIFY(QDir().mkpath(destination));
      d.protocol = PROTOCOL_LOCAL;
      d.anonymous = true;
    } else {
      needSmb();
      const bool guest = where == "guest";
      QVERIFY(QDir().mkpath((guest ? smb_.guestDir() : smb_.nasDir()) + "/backups"));
      destination = guest ? "\\\\127.0.0.1\\guest\\backups" : "\\\\127.0.0.1\\nas\\backups";
      d.protocol = PROTOCOL_SAMBA;
      d.anonymous = guest;
      if (!guest) {
        user = kSmbUser;
        password = kSmbPassword;
        d.user = user.toStdString();
        d.password = password.toStdString();
      }
    }
    d.path = destination.toStdString();
    EngineTask task(tmp("src-" + where), d);

    for (int n = 1; n <= 3; ++n) QVERIFY(task.backup());
    Reading r = readVersions(kUuid, destination, user, password);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.numbers, numbersUpTo(3));
    QCOMPARE(r.times, (QStringList{EngineTask::shownTime(1), EngineTask::shownTime(2),
                                   EngineTask::shownTime(3)}));

    struct Hold {
      const char* point;
      int offered;  // while the run stands there
    };
    int done = 3;
    for (const Hold& hold : {Hold{"backup.history", 3}, Hold{"backup.init", 4},
                             Hold{"backup.cleaning", 5}, Hold{"backup.complete", 7}}) {
      Reading during;
      QVERIFY2(task.heldBackup(hold.point,
                               [&] { during = readVersions(kUuid, destination, user, password); }),
               hold.point);
      ++done;
      QVERIFY2(during.ok, qPrintable(QString(hold.point) + ": " + during.error));
      QCOMPARE(during.numbers, numbersUpTo(hold.offered));
      Reading after = readVersions(kUuid, destination, user, password);
      QCOMPARE(after.numbers, numbersUpTo(done));
      QCOMPARE(after.times.last(), EngineTask::shownTime(done));
    }
  }

  // The state words and the rows of trees made with the sqlite3 tool, shown in Tokyo time:
  // minutes are cut, not rounded, and a time past 15:00 UTC is the next day.
  void stateWords_data() {
    QTest::addColumn<QString>("status");  // null: no status.db
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<bool>("history");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QStringList>("times");

    const QStringList three{"2013-05-06T01:02:03Z", "2013-05-06T14:59:59.999999Z",
                            "2013-05-06T15:00:00.500000Z"};
    const QStringList shown{"2013-05-06 10:02", "2013-05-06 23:59", "2013-05-07 00:00"};
    QTest::newRow("complete") << "complete" << three << true << true << numbersUpTo(3) << shown;
    QTest::newRow("Complete in capitals")
        << "COMPLETE" << three << true << true << numbersUpTo(3) << shown;
    for (const char* word : {"init", "delta", "cleaning"}) {
      QTest::newRow(word) << word << three << true << true << numbersUpTo(2) << shown.mid(0, 2);
    }
    QTest::newRow("the only run did not complete")
        << "init" << three.mid(0, 1) << true << true << QStringList() << QStringList();
    QTest::newRow("no run yet") << "complete" << QStringList() << true << true << QStringList()
                                << QStringList();
    QTest::newRow("no status.db") << QString() << three << true << false << QStringList()
                                  << QStringList();
    QTest::newRow("no history.db") << "complete" << three << false << false << QStringList()
                                   << QStringList();
  }
  void stateWords() {
    QFETCH(QString, status);
    QFETCH(QStringList, stored);
    QFETCH(bool, history);
    QFETCH(bool, ok);
    QFETCH(QStringList, numbers);
    QFETCH(QStringList, times);
    const QString destination = tmp(QStringLiteral("words-%1").arg(QTest::currentDataTag()));
    makeTree(destination + "/" + kUuid, status, stored, history);

    Reading r = readVersions(kUuid, destination);
    QCOMPARE(r.ok, ok);
    QCOMPARE(r.numbers, numbers);
    QCOMPARE(r.times, times);
    QCOMPARE(r.error.isEmpty(), ok);
  }

  // A newest row whose version folder is missing is a run that only added its row, or one
  // whose folder the repair has just removed: not a version.
  void newestWithoutItsFolder() {
    const QString folder = tmp("no-folder") + "/" + kUuid;
    makeTree(folder, "complete", {"2013-05-06T01:02:03Z", "2013-05-06T02:02:03Z"});
    QVERIFY(QDir(folder + "/increments/2").removeRecursively());
    Reading r = readVersions(kUuid, tmp("no-folder"));
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.numbers, QStringList{"1"});
  }

  // The same stored times in two more zones, one of them with summer time.
  void timeZones_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QStringList>("times");
    QTest::newRow("UTC+2") << QByteArray("UTC-2")
                           << QStringList{"2013-05-06 03:02", "2013-01-06 23:30"};
    QTest::newRow("Central Europe")
        << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3")
        << QStringList{"2013-05-06 03:02", "2013-01-06 22:30"};
  }
  void timeZones() {
    QFETCH(QByteArray, zone);
    QFETCH(QStringList, times);
    const QString destination = tmp("zones-" + QString::fromLatin1(QTest::currentDataTag()));
    makeTree(destination + "/" + kUuid, "complete",
             {"2013-05-06T01:02:03Z", "2013-01-06T21:30:00Z"});
    setTimeZone(zone.constData());
    Reading r = readVersions(kUuid, destination);
    setTimeZone("JST-9");
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.times, times);
  }

  // A copy of a database whose writer died in the middle of a commit, with its journal:
  // the copy rolls back to the last committed rows, and the tree itself is left as it was.
  void transactionInFlight() {
    const QString destination = tmp("journal");
    const QString folder = destination + "/" + kUuid;
    makeTree(folder, "complete", {"2013-05-06T01:02:03Z", "2013-05-06T02:02:03Z",
                                  "2013-05-06T03:02:03Z"});
    const QString history = folder + "/history.db";
    // The state a commit leaves when it has written its pages but not yet removed its
    // journal: the changed file (row 3 deleted, the times overwritten) and a journal that
    // holds the original of every page it changed, in SQLite's rollback-journal format.
    const int rc = QProcess::execute(
        QStringLiteral("python3"),
        {"-c",
         "import sqlite3, struct, sys\n"
         "db = sys.argv[1]\n"
         "before = open(db, 'rb').read()\n"
         "c = sqlite3.connect(db, isolation_level=None)\n"
         "c.execute('delete from time_tbl where No = 3')\n"
         "c.execute(\"update time_tbl set Real_time = 'changed'\")\n"
         "c.close()\n"
         "after = open(db, 'rb').read()\n"
         "page = struct.unpack('>H', before[16:18])[0]\n"
         "pages = len(before) // page\n"
         "nonce = 0x12345678\n"
         "records = b''\n"
         "count = 0\n"
         "for n in range(pages):\n"
         "    old = before[n * page:(n + 1) * page]\n"
         "    if old == after[n * page:(n + 1) * page]:\n"
         "        continue\n"
         "    cksum = nonce\n"
         "    i = page - 200\n"
         "    while i > 0:\n"
         "        cksum = (cksum + old[i]) & 0xffffffff\n"
         "        i -= 200\n"
         "    records += struct.pack('>I', n + 1) + old + struct.pack('>I', cksum)\n"
         "    count += 1\n"
         "header = bytes.fromhex('d9d505f920a163d7') + struct.pack('>IIIII', count, nonce, "
         "pages, 512, page)\n"
         "open(db + '-journal', 'wb').write(header.ljust(512, b'\\0') + records)\n",
         history});
    QCOMPARE(rc, 0);
    QVERIFY(QFileInfo(history + "-journal").size() > 0);
    QFile file(history);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    // Without its journal the file alone holds the uncommitted rows (or is damaged).
    const QString alone = tmp("history-alone.db");
    QVERIFY(QFile::copy(history, alone));
    QProcess count;
    count.start("sqlite3", {alone, "select count(*) from time_tbl;"});
    QVERIFY(count.waitForFinished());
    QVERIFY(count.readAllStandardOutput().trimmed() != "3");

    Reading r = readVersions(kUuid, destination);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.numbers, numbersUpTo(3));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QVERIFY(QFileInfo(history + "-journal").size() > 0);
  }

  // A database planted in the tree (anyone who can write a guest share can): a view over a
  // query that never ends, or anything else but plain tables, is a damaged tree that the
  // reader reports at once, the lists left as they were.
  void plantedDatabases_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("object");  // what the reason names
    // A recursion that never yields a row: it runs for good in constant memory.
    const QString endless = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) ";
    QTest::newRow("history a view that never ends")
        << "history.db"
        << "CREATE VIEW time_tbl AS " + endless + "SELECT x AS No, 'now' AS Real_time FROM n "
           "WHERE x < 0;"
        << "view time_tbl";
    QTest::newRow("status a view that never ends")
        << "status.db"
        << "CREATE VIEW status_tbl AS " + endless + "SELECT x AS No, 'complete' AS Real_status "
           "FROM n WHERE x < 0;"
        << "view status_tbl";
    QTest::newRow("history with a trigger")
        << "history.db"
        << "CREATE TABLE time_tbl (No integer primary key, Real_time varchar(64));"
           "INSERT INTO time_tbl(Real_time) VALUES ('2013-05-06T01:02:03Z');"
           "CREATE TRIGGER t AFTER INSERT ON time_tbl BEGIN SELECT 1; END;"
        << "trigger t";
  }
  void plantedDatabases() {
    QFETCH(QString, file);
    QFETCH(QString, sql);
    QFETCH(QString, object);
    const QString destination = tmp(QStringLiteral("planted-%1").arg(QTest::currentDataTag()));
    const QString folder = destination + "/" + kUuid;
    makeTree(folder, "complete", {"2013-05-06T01:02:03Z"});
    QVERIFY(QFile::remove(folder + "/" + file));
    QVERIFY(task_tree::sqlite(folder + "/" + file, sql));

    Reading r = readVersions(kUuid, destination);
    QVERIFY(!r.ok);
    QCOMPARE(r.error, "The versions of this task cannot be read: its backup records on the "
                      "destination are damaged (" + object + ").");
    QCOMPARE(r.numbers, QStringList());
    QCOMPARE(r.times, QStringList());
  }

  // Texts that must never form a path: each refusal leaves the lists as they were, even
  // where the text would lead to a real tree elsewhere.
  void refusedTexts_data() {
    QTest::addColumn<QString>("destination");  // "@" stands for this test's folder
    QTest::addColumn<QString>("uuid");
    const QString good = kUuid;
    QTest::newRow("server only") << "\\\\127.0.0.1" << good;
    QTest::newRow("server and separator") << "\\\\127.0.0.1\\" << good;
    QTest::newRow("no server") << "\\\\\\share\\backups" << good;
    QTest::newRow("empty") << "" << good;
    QTest::newRow("relative folder") << "refused/dest" << good;
    QTest::newRow("folder up") << "@/dest/../outside" << good;
    QTest::newRow("share folder up") << "\\\\127.0.0.1\\nas\\..\\x" << good;
    QTest::newRow("control character") << "@/dest\n" << good;
    QTest::newRow("uuid up") << "@/dest" << QStringLiteral("../outside/%1").arg(good);
    QTest::newRow("uuid short") << "@/outside" << good.left(35);
    QTest::newRow("uuid with a slash") << "@/outside" << good.left(35) + "/";
    QTest::newRow("uuid empty") << "@/outside" << "";
    QTest::newRow("uuid without dashes") << "@/outside" << QString(good).replace('-', '0');
  }
  void refusedTexts() {
    QFETCH(QString, destination);
    QFETCH(QString, uuid);
    const QString base = tmp("refused");
    QDir().mkpath(base + "/dest");
    // Trees the refused texts would lead to, made once for all rows.
    for (const QString& uuidFolder : {QString(kUuid), QString(kUuid).left(35)}) {
      if (!QFile::exists(base + "/outside/" + uuidFolder)) {
        makeTree(base + "/outside/" + uuidFolder, "complete", {"2013-05-06T01:02:03Z"});
      }
    }
    destination.replace("@", base);
    Reading r = readVersions(uuid, destination);
    QVERIFY(!r.ok);
    QVERIFY(!r.error.isEmpty());
    QCOMPARE(r.numbers, QStringList());
    QCOMPARE(r.times, QStringList());
  }

  // Destinations that are fine as texts but hold nothing to read, or cannot be reached.
  void nothingToRead_data() {
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("error");  // a part of the reason
    QTest::newRow("local, no tree") << "@" << "" << "" << "No backup";
    QTest::newRow("local, no destination") << "@/missing" << "" << "" << "not found";
    QTest::newRow("share, no tree") << "\\\\127.0.0.1\\nas\\empty" << kSmbUser << kSmbPassword
                                    << "No backup";
    QTest::newRow("share, wrong password")
        << "\\\\127.0.0.1\\nas\\empty" << kSmbUser << "wrong" << "refused";
    QTest::newRow("share, unknown share")
        << "\\\\127.0.0.1\\nothere" << kSmbUser << kSmbPassword << "";
    QTest::newRow("share, guest on an account share")
        << "\\\\127.0.0.1\\nas\\empty" << "" << "" << "";
  }
  void nothingToRead() {
    QFETCH(QString, destination);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, error);
    if (destination.startsWith("\\\\")) {
      needSmb();
      QDir().mkpath(smb_.nasDir() + "/empty");
    } else {
      destination.replace("@", tmp("nothing"));
      QDir().mkpath(tmp("nothing"));
    }
    Reading r = readVersions(kUuid, destination, user, password);
    QVERIFY(!r.ok);
    QVERIFY2(r.error.contains(error), qPrintable(r.error));
    QVERIFY(!r.error.isEmpty());
    QCOMPARE(r.numbers, QStringList());
  }

  // The reader reads through a connection of its own: a connection the caller holds (the
  // wizard's) still works afterwards, also after a reading whose account was refused.
  void callerKeepsItsConnection() {
    needSmb();
    makeTree(smb_.guestDir() + "/kept/" + kUuid, "complete", {"2013-05-06T01:02:03Z"});
    share::account_t account;
    account.user = kSmbUser;
    account.password = kSmbPassword;
    std::unique_ptr<share::destination> own = share::smb_destination(account);
    QVERIFY(own != nullptr);
    QCOMPARE(share::probe_folder(*own, "\\\\127.0.0.1\\nas"), 0);
    Reading r = readVersions(kUuid, "\\\\127.0.0.1\\guest\\kept");
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.numbers, QStringList{"1"});
    r = readVersions(kUuid, "\\\\127.0.0.1\\nas", kSmbUser, "wrong");
    QVERIFY(!r.ok);
    QCOMPARE(share::probe_folder(*own, "\\\\127.0.0.1\\nas"), 0);
  }

  // A server that accepts the connection and then says nothing: the caller has its answer
  // after the time-out, not after the share layer's own much longer wait.
  void silentServer() {
    needSmb();
    makeTree(smb_.nasDir() + "/silent/" + kUuid, "complete", {"2013-05-06T01:02:03Z"});
    QVERIFY(readVersions(kUuid, "\\\\127.0.0.1\\nas\\silent", kSmbUser, kSmbPassword).ok);
    smb_.pause();
    QElapsedTimer clock;
    clock.start();
    const EventTicker ticker;
    Reading r = readVersions(kUuid, "\\\\127.0.0.1\\nas\\silent", kSmbUser, kSmbPassword, 1500);
    const qint64 waited = clock.elapsed();
    const qint64 frozen = ticker.longestGapMs();
    smb_.resume();
    // The caller's thread went on with its events all the while.
    QVERIFY2(frozen < 500, qPrintable(QString::number(frozen)));
    QVERIFY(!r.ok);
    QVERIFY2(r.error.contains("did not answer"), qPrintable(r.error));
    QCOMPARE(r.numbers, QStringList());
    QVERIFY2(waited >= 1400 && waited < 2500, qPrintable(QString::number(waited)));
    // Once the server answers again the reader works as before.
    QTRY_VERIFY_WITH_TIMEOUT(readVersions(kUuid, "\\\\127.0.0.1\\nas\\silent", kSmbUser, kSmbPassword).ok,
                             30000);
  }

  // While a reading waits for a server that takes the connection and says nothing, a call
  // to another server, made meanwhile from the caller's events, answers at once: neither
  // waits behind the other.
  void otherServersAnswerMeanwhile() {
    needSmb();
    SilentServer silent;
    QVERIFY(silent.listen("127.0.0.2", quint16(qEnvironmentVariableIntValue("TESSALY_SMB_PORT"))));
    QVERIFY(QDir().mkpath(smb_.nasDir() + "/meanwhile/inside"));
    share::account_t account;
    account.user = kSmbUser;
    account.password = kSmbPassword;
    QElapsedTimer clock;
    clock.start();
    int listed = -1;
    qint64 listedFrom = -1, listedTo = -1;
    std::vector<share::entry_t> entries;
    QTimer meanwhile;
    meanwhile.setSingleShot(true);
    QObject::connect(&meanwhile, &QTimer::timeout, [&] {
      listedFrom = clock.elapsed();
      listed = ShareCall(account).list("\\\\127.0.0.1\\nas\\meanwhile", &entries);
      listedTo = clock.elapsed();
    });
    meanwhile.start(300);
    Reading r = readVersions(kUuid, "\\\\127.0.0.2\\nas", kSmbUser, kSmbPassword, 3000);
    const qint64 readingEnded = clock.elapsed();
    QVERIFY2(r.error.contains("did not answer"), qPrintable(r.error));
    QVERIFY2(listedFrom >= 0 && listedTo < readingEnded && listedTo - listedFrom < 1500,
             qPrintable(QString("listed %1-%2 ms, the reading ended at %3 ms")
                            .arg(listedFrom).arg(listedTo).arg(readingEnded)));
    QCOMPARE(listed, 0);
    QCOMPARE(int(entries.size()), 1);
    QCOMPARE(QString::fromStdString(entries[0].name), QString("inside"));
    QVERIFY(silent.taken() > 0);
  }

  // Without Qt's SQLite driver the reader says so instead of giving an empty list. The
  // check runs in a second run of this program that cannot find any Qt plug-in.
  void missingDriver() {
    if (qEnvironmentVariableIsSet("VERSION_TEST_WITHOUT_PLUGINS")) {
      const QString destination = tmp("nodriver");
      makeTree(destination + "/" + kUuid, "complete", {"2013-05-06T01:02:03Z"});
      Reading r = readVersions(kUuid, destination);
      QVERIFY(!r.ok);
      QVERIFY2(r.error.contains("SQLite"), qPrintable(r.error));
      QCOMPARE(r.numbers, QStringList());
      return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VERSION_TEST_WITHOUT_PLUGINS", "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"missingDriver"});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitCode() == 0, child.readAll().constData());
  }
};

int main(int argc, char** argv) {
  controller_test::isolate();
  QCoreApplication app(argc, argv);
  if (qEnvironmentVariableIsSet("VERSION_TEST_WITHOUT_PLUGINS")) {
    QCoreApplication::setLibraryPaths({controller_test::tempRoot() + "/no-plugins"});
  }
  VersionReaderTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "getsessionversion_test.moc"
