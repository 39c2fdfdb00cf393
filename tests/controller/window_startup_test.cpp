// The controller's start-up: one copy per user session and the language of the global
// settings.
//
// The single-instance cases run the real program (TESSALY_CONTROLLER) as the first copy, so
// that the lock is held by a TessalySync process exactly as for a user: a second start hands
// over and ends with 0 while the first keeps running, also when the first is too busy to
// answer (stopped with SIGSTOP), and a first copy killed with SIGKILL leaves nothing that
// stops the next start. The language choice is a pure function, checked as a table; the
// translator swap is checked with the built translator files beside the program.
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLockFile>
#include <QtCore/QProcess>
#include <QtCore/QTranslator>
#include <QtNetwork/QLocalServer>
#include <QtNetwork/QLocalSocket>
#include <QtWidgets/QApplication>

#include <signal.h>
#include <sys/stat.h>

#include <memory>

#include "controller_test.h"
#include "startup.h"

namespace {

QString controllerPath() { return qEnvironmentVariable("TESSALY_CONTROLLER"); }
QString runtimeDir() { return qEnvironmentVariable("XDG_RUNTIME_DIR"); }
QString socketPath() { return runtimeDir() + "/TessalySync"; }
QString lockFilePath() { return runtimeDir() + "/TessalySync.lock"; }

ino_t inodeOf(const QString& path) {
  struct stat st {};
  if (lstat(QFile::encodeName(path).constData(), &st) != 0) return 0;
  return st.st_ino;
}

// The process id written into the lock file, or 0.
qint64 lockHolder() {
  QFile file(lockFilePath());
  if (!file.open(QIODevice::ReadOnly)) return 0;
  return file.readLine().trimmed().toLongLong();
}

std::unique_ptr<QProcess> startController(const QStringList& arguments = {}) {
  auto process = std::make_unique<QProcess>();
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process->setStandardOutputFile(QProcess::nullDevice());
  process->start(controllerPath(), arguments);
  return process;
}

// Waits until `process` holds the lock and its server listens.
bool waitUntilFirstCopy(QProcess& process) {
  if (!process.waitForStarted(10000)) return false;
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 20000) {
    if (process.state() != QProcess::Running) return false;
    if (lockHolder() == process.processId() && QFileInfo::exists(socketPath())) {
      QLocalSocket probe;
      probe.connectToServer(socketPath());
      if (probe.waitForConnected(200)) return true;
    }
    QTest::qWait(50);
  }
  return false;
}

void stopProcess(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  ::kill(pid_t(process.processId()), SIGCONT);
  process.terminate();
  if (!process.waitForFinished(10000)) {
    process.kill();
    process.waitForFinished(5000);
  }
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QFile::remove(socketPath());
    QFile::remove(lockFilePath());
  }

  // ---- language ------------------------------------------------------------------------

  void languageChoice_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("sheet");
    const auto row = [](const char* tag, const char* stored, const char* name, const char* file,
                        const char* sheet) {
      QTest::newRow(tag) << QString::fromUtf8(stored) << name << file << sheet;
    };
    row("English", "English", "English", "Language_English", ":/English.qss");
    row("Simplified Chinese", "Simplified Chinese", "Simplified Chinese",
        "Language_SimplifiedChinese", ":/SimplifiedChinese.qss");
    row("Traditional Chinese", "Traditional Chinese", "Traditional Chinese",
        "Language_TraditionalChinese", ":/TraditionalChinese.qss");
    row("French", "French", "French", "Language_French", ":/English.qss");
    row("German", "German", "German", "Language_German", ":/English.qss");
    row("Italian", "Italian", "Italian", "Language_Italian", ":/English.qss");
    row("Portuguese", "Portuguese", "Portuguese", "Language_Portuguese", ":/Portuguese.qss");
    row("Russian", "Russian", "Russian", "Language_Russian", ":/Russian.qss");
    row("Spanish", "Spanish", "Spanish", "Language_Spanish", ":/English.qss");
    row("empty", "", "English", "Language_English", ":/English.qss");
    row("relative path", "../x", "English", "Language_English", ":/English.qss");
    row("unknown", "Klingon", "English", "Language_English", ":/English.qss");
    // The stored text never reaches the path: only the name it contains does.
    row("path around a name", "../../tmp/evil/Russian", "Russian", "Language_Russian",
        ":/Russian.qss");
    row("lower case", "german", "German", "Language_German", ":/English.qss");
  }

  void languageChoice() {
    QFETCH(QString, stored);
    QFETCH(QString, name);
    QFETCH(QString, file);
    QFETCH(QString, sheet);
    const LanguageChoice choice = chooseLanguage(stored, "/opt/ts/Language");
    QCOMPARE(choice.name, name);
    QCOMPARE(choice.translatorPath, "/opt/ts/Language/" + file);
    QCOMPARE(choice.styleSheet, sheet);
  }

  // One translator at a time: after German, English texts are English again (a translator
  // left installed underneath would keep them German), and the style sheet follows.
  void languageSwitchKeepsOneTranslator() {
    LanguageSwitch* languages = LanguageSwitch::instance();
    QVERIFY(languages);
    QCOMPARE(LanguageSwitch::instance(), languages);
    languages->setLanguageDir(QFileInfo(controllerPath()).absolutePath() + "/Language");
    const char* text = "Clear Logs";

    languages->apply("German");
    const QString german = QCoreApplication::translate("Dialog", text);
    QVERIFY2(german != text, "the German translator file is not loaded");

    languages->apply("Klingon");
    QCOMPARE(QCoreApplication::translate("Dialog", text), QString(text));

    languages->apply("Russian");
    const QString russian = QCoreApplication::translate("Dialog", text);
    QVERIFY(russian != text && russian != german);
    QFile sheet(":/Russian.qss");
    QVERIFY(sheet.open(QIODevice::ReadOnly));
    QCOMPARE(qApp->styleSheet(), QString::fromUtf8(sheet.readAll()));

    languages->apply("English");
    QCOMPARE(QCoreApplication::translate("Dialog", text), QString(text));

    // A folder without translator files: English, no crash.
    languages->setLanguageDir(controller_test::tempRoot() + "/no-such-folder");
    languages->apply("German");
    QCOMPARE(QCoreApplication::translate("Dialog", text), QString(text));
    languages->setLanguageDir({});
    languages->apply("English");
  }

  // ---- single instance, in this process ------------------------------------------------

  // A second claim in the same folder loses, and leaves the first copy's server alone.
  void secondClaimLeavesTheServer() {
    const QString folder = controller_test::tempRoot() + "/claim";
    QDir().mkpath(folder);
    SingleInstance first(folder);
    QVERIFY(first.claim());
    QVERIFY(first.listening());
    const ino_t socket = inodeOf(first.serverName());
    QVERIFY(socket != 0);

    SingleInstance second(folder);
    QVERIFY(!second.claim());
    QCOMPARE(inodeOf(first.serverName()), socket);
    QVERIFY(first.listening());
  }

  // The hand-over writes the text whole; an empty text is a connection without bytes.
  void handOverWritesTheText() {
    const QString folder = controller_test::tempRoot() + "/handover";
    QDir().mkpath(folder);
    QLocalServer server;
    QVERIFY(server.listen(folder + "/TessalySync"));
    for (const QString& text : {QString("b"), QString::fromUtf8("Über/ordner b"), QString()}) {
      SingleInstance(folder).handOver(text);
      QVERIFY(server.waitForNewConnection(2000));
      QLocalSocket* socket = server.nextPendingConnection();
      QVERIFY(socket);
      QByteArray received = socket->readAll();
      while (socket->waitForReadyRead(200)) received += socket->readAll();
      QCOMPARE(QString::fromUtf8(received), text);
      delete socket;
    }
  }

  // Nobody listening: the hand-over gives up after its connection time-out.
  void handOverWithoutServerReturns() {
    const QString folder = controller_test::tempRoot() + "/nobody";
    QDir().mkpath(folder);
    QElapsedTimer timer;
    timer.start();
    SingleInstance(folder).handOver("a");
    QVERIFY(timer.elapsed() < 2000);
  }

  // ---- single instance, the real program -----------------------------------------------

  void secondStartHandsOverAndExits() {
    auto first = startController();
    QVERIFY(waitUntilFirstCopy(*first));
    const ino_t socket = inodeOf(socketPath());

    for (const QStringList& arguments : {QStringList{"a", "b"}, QStringList{}}) {
      QElapsedTimer timer;
      timer.start();
      auto second = startController(arguments);
      QVERIFY(second->waitForFinished(10000));
      const qint64 took = timer.elapsed();
      QCOMPARE(second->exitStatus(), QProcess::NormalExit);
      QCOMPARE(second->exitCode(), 0);
      QVERIFY2(took < 3000, qPrintable(QString("the second start took %1 ms").arg(took)));
    }
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(inodeOf(socketPath()), socket);
    QCOMPARE(lockHolder(), first->processId());
    stopProcess(*first);
  }

  // A first copy that cannot answer (stopped) still keeps its place: the second start ends
  // with 0 and does not remove the live copy's socket.
  void busyFirstCopyKeepsItsSocket() {
    auto first = startController();
    QVERIFY(waitUntilFirstCopy(*first));
    const ino_t socket = inodeOf(socketPath());
    QCOMPARE(::kill(pid_t(first->processId()), SIGSTOP), 0);

    auto second = startController({"a"});
    const bool finished = second->waitForFinished(10000);
    ::kill(pid_t(first->processId()), SIGCONT);
    QVERIFY(finished);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(inodeOf(socketPath()), socket);
    QCOMPARE(lockHolder(), first->processId());
    QTest::qWait(200);
    QCOMPARE(first->state(), QProcess::Running);
    stopProcess(*first);
  }

  // SIGKILL leaves the lock file and the socket behind; the next start takes over both.
  void startAfterKillRuns() {
    auto first = startController();
    QVERIFY(waitUntilFirstCopy(*first));
    first->kill();
    QVERIFY(first->waitForFinished(5000));
    QVERIFY(QFileInfo::exists(lockFilePath()));
    QVERIFY(QFileInfo::exists(socketPath()));

    auto next = startController();
    QVERIFY(waitUntilFirstCopy(*next));
    QTest::qWait(300);
    QCOMPARE(next->state(), QProcess::Running);

    auto third = startController({"x"});
    QVERIFY(third->waitForFinished(10000));
    QCOMPARE(third->exitCode(), 0);
    QCOMPARE(next->state(), QProcess::Running);
    stopProcess(*next);
  }
};

TESSALY_TEST_MAIN(StartupTest, QApplication)
#include "window_startup_test.moc"
