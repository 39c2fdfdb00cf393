// The worker threads: the two periodic paces, the three one-shot ones and the watch of the
// data folder (inotify). Every signal is counted by a receiver on the test's thread, so it
// arrives as a queued call, as it does in the window.
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>

#include <chrono>
#include <memory>

#include "checkaccountmode.h"
#include "controller_test.h"
#include "getbackupversion.h"
#include "getsenstusthrd.h"
#include "getsharefolderlist.h"
#include "log.h"
#include "refreshlog.h"
#include "watchfilethrd.h"

using namespace std::chrono_literals;

class Counter : public QObject {
  Q_OBJECT
 public:
  int count = 0;
  QElapsedTimer since;
  qint64 firstAt = -1;
  Counter() { since.start(); }
 public slots:
  void hit() {
    if (count++ == 0) firstAt = since.elapsed();
  }
};

class ThreadsTest : public QObject {
  Q_OBJECT

  QString dir_;

  static void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
  }
  // Written under a temporary name and renamed onto `name`, as the service and the
  // controller's stores replace their files.
  void replaceByRename(const QString& name, const QByteArray& bytes) {
    const QString temp = QDir(dir_).filePath("_TMP_NEW_FILE");
    writeFile(temp, bytes);
    QVERIFY(::rename(QFile::encodeName(temp).constData(),
                     QFile::encodeName(QDir(dir_).filePath(name)).constData()) == 0);
  }

  // Waits `ms` while the event loop delivers what has been queued.
  static void settle(int ms) { QTest::qWait(ms); }

  template <typename T>
  static void checkPeriodic(T& thread, Counter& counter) {
    QElapsedTimer timer;
    timer.start();
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(counter.count >= 1, 1000);
    QVERIFY2(timer.elapsed() < 500, "the first signal comes at once");
    settle(100);
    QCOMPARE(counter.count, 1);  // then it sleeps for its interval
    timer.restart();
    thread.stop();
    QVERIFY2(timer.elapsed() < 500, "stop() wakes the sleep");
    QVERIFY(thread.isFinished());
    thread.stop();  // twice is harmless
  }

 private slots:
  void initTestCase() { dir_ = controller_test::dataFolder(); }
  void init() {
    for (const QString& name : QDir(dir_).entryList(QDir::Files | QDir::Hidden)) {
      QFile::remove(QDir(dir_).filePath(name));
    }
  }

  // --- Periodic threads: emit at once, then sleep; stop() ends a sleep at once.
  void refreshLogFirstSignalAndPromptStop() {
    RefreshLog thread;  // 60 s
    Counter counter;
    connect(&thread, &RefreshLog::RefreshLogSign, &counter, &Counter::hit);
    checkPeriodic(thread, counter);
  }
  void statusPollFirstSignalAndPromptStop() {
    GetSenStusThrd thread;  // 3 s
    Counter counter;
    connect(&thread, &GetSenStusThrd::QueryStatus, &counter, &Counter::hit);
    checkPeriodic(thread, counter);
  }
  void shortIntervalRepeats() {
    GetSenStusThrd thread(nullptr, 40ms);
    Counter counter;
    connect(&thread, &GetSenStusThrd::QueryStatus, &counter, &Counter::hit);
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(counter.count >= 4, 2000);
    thread.stop();
  }
  void stopWithoutStartAndDestroyRunning() {
    {
      RefreshLog never;
      never.stop();
      never.stop();
    }
    QElapsedTimer timer;
    timer.start();
    {
      auto thread = std::make_unique<GetSenStusThrd>();
      thread->start();
      QTest::qWait(50);
      // The destructor stops and waits: deleting a running QThread would be fatal.
    }
    QVERIFY(timer.elapsed() < 1000);
  }

  // --- One-shot threads: one signal per start, and they can be started again.
  void oneShots() {
    GetShareFolderList share;
    CheckAccountMode account;
    GetBackupVersion version;
    Counter a, b, c;
    connect(&share, &GetShareFolderList::GetShareFolderSign, &a, &Counter::hit);
    connect(&account, &CheckAccountMode::CheckAccountModeSign, &b, &Counter::hit);
    connect(&version, &GetBackupVersion::GetVersionSign, &c, &Counter::hit);
    for (int round = 1; round <= 2; ++round) {
      share.start();
      account.start();
      version.start();
      QVERIFY(share.wait(2000) && account.wait(2000) && version.wait(2000));
      QTRY_COMPARE(a.count, round);
      QTRY_COMPARE(b.count, round);
      QTRY_COMPARE(c.count, round);
    }
    settle(50);
    QCOMPARE(a.count + b.count + c.count, 6);
  }

  // --- The watch.
  void watchSetupFails() {
    WatchFileThrd missing(QDir(dir_).filePath("no-such-folder"));
    QVERIFY(!missing.startWatch());
    QVERIFY(!missing.isRunning());
    missing.stop();
    WatchFileThrd empty(QString{});
    QVERIFY(!empty.startWatch());
  }

  // Each change, and whether it counts as a change of the log.
  void watchFires_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("fires");
    QTest::addRow("LOG.dat replaced by rename") << "rename LOG.dat" << true;
    QTest::addRow("LOG.dat written in place") << "write LOG.dat" << true;
    QTest::addRow("log.DAT written in place") << "write log.DAT" << true;
    QTest::addRow("a name that contains LOG.dat") << "write OLD_LOG.dat.bak" << true;
    QTest::addRow("SESSION_CONFIG.dat replaced by rename") << "rename SESSION_CONFIG.dat" << false;
    QTest::addRow("SESSION_CONFIG.dat written in place") << "write SESSION_CONFIG.dat" << false;
    QTest::addRow("GLOBAL_SETTING.dat replaced by rename") << "rename GLOBAL_SETTING.dat" << false;
    QTest::addRow("LOG.txt replaced by rename") << "rename LOG.txt" << false;
    QTest::addRow("LOG.dat removed") << "remove LOG.dat" << false;
  }
  void watchFires() {
    QFETCH(QString, action);
    QFETCH(bool, fires);
    const QString verb = action.section(' ', 0, 0);
    const QString name = action.section(' ', 1);
    if (verb == "remove") writeFile(QDir(dir_).filePath(name), "x");
    WatchFileThrd watch(dir_);
    Counter counter;
    connect(&watch, &WatchFileThrd::FindModification, &counter, &Counter::hit);
    QVERIFY(watch.startWatch());
    QVERIFY(watch.startWatch());  // already running: true, nothing new
    settle(20);
    counter.since.restart();
    if (verb == "rename") replaceByRename(name, "<description></description>\n");
    if (verb == "write") writeFile(QDir(dir_).filePath(name), "<description></description>\n");
    if (verb == "remove") QVERIFY(QFile::remove(QDir(dir_).filePath(name)));
    if (fires) {
      QTRY_VERIFY_WITH_TIMEOUT(counter.count >= 1, 2000);
      QVERIFY2(counter.firstAt < 1000, qPrintable(QString::number(counter.firstAt)));
    } else {
      settle(500);
      QCOMPARE(counter.count, 0);
    }
    QElapsedTimer timer;
    timer.start();
    watch.stop();
    QVERIFY2(timer.elapsed() < 500, "stop() wakes the watch at once");
    QVERIFY(watch.isFinished());
    watch.stop();
  }

  // The service's own log writer (temporary file, then a rename onto LOG.dat).
  void watchSeesTheServiceWriter() {
    WatchFileThrd watch(dir_);
    Counter counter;
    connect(&watch, &WatchFileThrd::FindModification, &counter, &Counter::hit);
    QVERIFY(watch.startWatch());
    log_store_reset();
    log_list_t list;
    list.push_back(
        {"message", 0, "u", "Photos", GTimeVal{1772370309, 0}, GTimeVal{1772370309, 0}, "hello"});
    QVERIFY(file_log_flush(list));
    QTRY_VERIFY_WITH_TIMEOUT(counter.count >= 1, 2000);
  }

  // A watch can be started again after a stop, and ends by itself when the folder goes.
  void restartAndFolderRemoved() {
    const QString sub = QDir(dir_).filePath("watched");
    QVERIFY(QDir().mkpath(sub));
    WatchFileThrd watch(sub);
    Counter counter;
    connect(&watch, &WatchFileThrd::FindModification, &counter, &Counter::hit);
    QVERIFY(watch.startWatch());
    watch.stop();
    QVERIFY(watch.startWatch());
    writeFile(QDir(sub).filePath("LOG.dat"), "x");
    QTRY_VERIFY_WITH_TIMEOUT(counter.count >= 1, 2000);
    QVERIFY(QDir(sub).removeRecursively());
    QTRY_VERIFY_WITH_TIMEOUT(watch.isFinished(), 2000);
    watch.stop();
  }
};

TESSALY_TEST_MAIN(ThreadsTest, QCoreApplication)
#include "backend_threads_test.moc"
