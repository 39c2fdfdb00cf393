// The window on a data folder that holds what no service wrote: files nested tens of
// thousands of elements deep, a FIFO or a device in a file's place, an import of such a
// file, and no data folder at all. The window starts, tells what it cannot use, never
// rewrites or replaces what it found, and writes nothing anywhere else. Runs in a network
// namespace of its own: the window binds the link's answer port.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QStringList>
#include <QtWidgets/QApplication>
#include <QtWidgets/QToolButton>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "controller_test.h"
#include "dialog.h"
#include "modal_box.h"
#include "updateglobalsetting.h"
#include "updatesessionconfig.h"

namespace {

constexpr int kDeep = 30000;

enum class Kind { Deep, Fifo, Device };

QString dataFile(const QString& name) { return controller_test::dataFolder() + "/" + name; }

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

// A file of the layout's two elements whose body holds `kDeep` nested elements: well-formed,
// and deeper than any file the service or the controller writes.
QByteArray deepFile() {
  QByteArray bytes = "<description>\n    <version>1.0</version>\n</description>\n<configuration>";
  bytes += QByteArray("<a>").repeated(kDeep) + QByteArray("</a>").repeated(kDeep);
  return bytes + "</configuration>\n";
}

void plant(const QString& path, Kind kind) {
  const QByteArray native = QFile::encodeName(path);
  switch (kind) {
    case Kind::Deep:
      writeBytes(path, deepFile());
      break;
    case Kind::Fifo:
      QCOMPARE(::mkfifo(native.constData(), 0600), 0);
      break;
    case Kind::Device:
      // The null device: reading it ends at once, so only a reader that takes it for an
      // empty file can be caught, by what it then writes over it.
      QCOMPARE(::mknod(native.constData(), S_IFCHR | 0600, makedev(1, 3)), 0);
      break;
  }
}

// What lies at a path: its kind and, for a file, its bytes.
QString snapshot(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return "absent";
  if (S_ISFIFO(st.st_mode)) return "fifo";
  if (S_ISCHR(st.st_mode)) return "device";
  if (S_ISREG(st.st_mode)) return "file " + QString::number(qHash(readBytes(path)));
  return "other";
}

// Makes a window that hangs in an open() of a FIFO fail instead of hanging the test: when the
// window has not been made within the test's wait for a due event, every FIFO in the folder
// is opened for writing, which lets a blocked reader go on, and hung() says so.
class HangGuard {
 public:
  explicit HangGuard(const QString& folder)
      : thread_([this, folder] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (done_cv_.wait_for(lock, std::chrono::milliseconds(controller_test::kEventWaitMs),
                                [this] { return done_; })) {
            return;
          }
          hung_ = true;
          while (!done_) {
            for (const QString& name : QDir(folder).entryList(QDir::System | QDir::Files)) {
              const int fd = ::open(QFile::encodeName(folder + "/" + name).constData(),
                                    O_WRONLY | O_NONBLOCK | O_CLOEXEC);
              if (fd >= 0) ::close(fd);
            }
            done_cv_.wait_for(lock, std::chrono::milliseconds(20), [this] { return done_; });
          }
        }) {}
  ~HangGuard() { finish(); }

  void finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  bool hung() const { return hung_; }

 private:
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::atomic<bool> hung_{false};
  std::thread thread_;
};

void clearDataFolder() {
  QDir folder(controller_test::dataFolder());
  for (const QString& name : folder.entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                              QDir::NoDotAndDotDot)) {
    QFile::remove(folder.filePath(name));
  }
}

void click(const QWidget& window, const char* name) {
  auto* button = window.findChild<QAbstractButton*>(name);
  QVERIFY2(button, name);
  QTest::mouseClick(button, Qt::LeftButton);
}

// The window made and shown under a HangGuard; "title / text" of the box it showed at its
// start ("" for none) in *startBox. A box of the start is opened by the constructor or by a
// call it queued: one that is expected is waited for, else the queued calls get their turn.
std::unique_ptr<Dialog> startWindow(bool boxExpected, QString* startBox, bool* hung) {
  ModalBox start(QMessageBox::Ok);
  HangGuard guard(controller_test::dataFolder());
  auto window = std::make_unique<Dialog>();
  guard.finish();
  *hung = guard.hung();
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) qFatal("window not exposed");
  if (boxExpected) {
    (void)QTest::qWaitFor([&] { return start.seen(); }, controller_test::kEventWaitMs);
  } else {
    QTest::qWait(50);
  }
  *startBox = start.seen() ? start.title() + " / " + start.text() : QString();
  return window;
}

}  // namespace

class WindowFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { clearDataFolder(); }

  // A file in the data folder that is nested deeper than any valid one, or that is a FIFO or
  // a device: the window starts, says that the tasks or the settings cannot be used where it
  // needs them, and leaves the file as it found it.
  void hostileFileInTheDataFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("startBox");  // a fragment of the box shown at the start
    QTest::addColumn<QString>("saveBox");   // a fragment of the box a settings save shows
    const QString unreadTasks = "Error / The backup tasks cannot be read: ";
    const QString notSaved = "Error / The settings could not be saved: ";
    struct Row {
      const char* tag;
      const char* name;
      Kind kind;
      QString startBox, saveBox;
    };
    for (const Row& row : {
             Row{"task file nested deep", "SESSION_CONFIG.dat", Kind::Deep, unreadTasks, ""},
             Row{"settings nested deep", "GLOBAL_SETTING.dat", Kind::Deep, "", notSaved},
             Row{"log nested deep", "LOG.dat", Kind::Deep, "", ""},
             Row{"task file a FIFO", "SESSION_CONFIG.dat", Kind::Fifo, unreadTasks, ""},
             Row{"settings a FIFO", "GLOBAL_SETTING.dat", Kind::Fifo, "", notSaved},
             Row{"log a FIFO", "LOG.dat", Kind::Fifo, "", ""},
             Row{"settings a device", "GLOBAL_SETTING.dat", Kind::Device, "", notSaved},
             Row{"log a device", "LOG.dat", Kind::Device, "", ""},
         }) {
      QTest::newRow(row.tag) << row.name << int(row.kind) << row.startBox << row.saveBox;
    }
  }

  void hostileFileInTheDataFolder() {
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(QString, startBox);
    QFETCH(QString, saveBox);
    plant(dataFile(name), Kind(kind));
    const QString before = snapshot(dataFile(name));

    QString shown;
    bool hung = false;
    auto window = startWindow(!startBox.isEmpty(), &shown, &hung);
    QVERIFY2(!hung, "the window waited on a file of the data folder");
    if (startBox.isEmpty()) {
      QCOMPARE(shown, QString());
    } else {
      QVERIFY2(shown.startsWith(startBox), qPrintable(shown));
    }

    // A save of the log page rewrites GLOBAL_SETTING.dat from what it reads first.
    click(*window, "advancedBut");
    click(*window, "setLogBtn");
    ModalBox save(QMessageBox::Ok);
    click(*window, "settingSTBtn");
    if (saveBox.isEmpty()) {
      QVERIFY2(!save.seen(), qPrintable(save.text()));
    } else {
      QVERIFY2((save.title() + " / " + save.text()).startsWith(saveBox), qPrintable(save.text()));
    }
    QCOMPARE(snapshot(dataFile(name)), before);
  }

  // An import of such a file is refused with the usual message, and the task file stays.
  void importOfAHostileFile_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("link");  // the file chosen is a link to it
    QTest::newRow("nested deep") << int(Kind::Deep) << false;
    QTest::newRow("a FIFO") << int(Kind::Fifo) << false;
    QTest::newRow("a link to a device") << int(Kind::Device) << true;
  }

  void importOfAHostileFile() {
    QFETCH(int, kind);
    QFETCH(bool, link);
    const QString folder = controller_test::tempRoot() + "/import";
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder));
    QString chosen = folder + "/tasks.dat";
    plant(chosen, Kind(kind));
    const QString planted = snapshot(chosen);
    if (link) {
      const QString linkPath = folder + "/link.dat";
      QVERIFY(QFile::link(chosen, linkPath));
      chosen = linkPath;
    }
    writeBytes(dataFile("SESSION_CONFIG.dat"),
               readBytes(qEnvironmentVariable("TESSALY_TEST_DATA") + "/session_config_two_tasks.dat"));
    const QString before = snapshot(dataFile("SESSION_CONFIG.dat"));

    QString shown;
    bool hung = false;
    auto window = startWindow(false, &shown, &hung);
    QCOMPARE(shown, QString());
    click(*window, "advancedBut");
    click(*window, "setConfigBtn");
    ModalScript script({ModalScript::file(chosen), ModalScript::box(QMessageBox::Ok)});
    click(*window, "setSCIBtn");
    QCOMPARE(script.boxTexts(), QString("Error / Please select a correct file!"));
    QCOMPARE(snapshot(dataFile("SESSION_CONFIG.dat")), before);
    QCOMPARE(snapshot(folder + "/tasks.dat"), planted);
  }

  // No data folder (it cannot be made): the window says so and why, every store refuses to
  // read or write, and nothing is written into the working folder instead.
  void noDataFolder() {
    const QByteArray root = qgetenv("TESSALY_ROOT");
    const QString blocked = controller_test::tempRoot() + "/blocked";
    QVERIFY(QDir().mkpath(blocked + "/var"));
    writeBytes(blocked + "/var/lib", "not a folder");
    const QString work = controller_test::tempRoot() + "/work";
    QVERIFY(QDir().mkpath(work));
    const QString oldWork = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work));
    qputenv("TESSALY_ROOT", blocked.toUtf8());
    struct Restore {
      QByteArray root;
      QString work;
      ~Restore() {
        qputenv("TESSALY_ROOT", root);
        QDir::setCurrent(work);
      }
    } restore{root, oldWork};

    {
      QString shown;
      bool hung = false;
      auto window = startWindow(true, &shown, &hung);
      QCOMPARE(shown, QString("Error / The configuration folder " + blocked +
                              "/var/lib/Tessaly cannot be used: Not a directory. No backup task "
                              "and no setting can be saved until it can be made."));
      click(*window, "advancedBut");
      click(*window, "setLogBtn");
      ModalBox save(QMessageBox::Ok);
      click(*window, "settingSTBtn");
      QCOMPARE(save.text(), QString("The settings could not be saved: there is no configuration folder"));
    }

    // Every store on the empty path the window got.
    const QString exported = controller_test::tempRoot() + "/export.dat";
    writeBytes(exported,
               readBytes(qEnvironmentVariable("TESSALY_TEST_DATA") + "/session_config_two_tasks.dat"));
    UpdateSessionConfig tasks(QString{});
    QVERIFY(!tasks.ReadSessionConfig());
    QCOMPARE(tasks.AddSession("Docs", {".*"}, {".*"}, {".*"}, {".*"}, {"/home"}, "", "",
                              "\\\\10.0.0.2\\share", "", "incremental", "manually", {}),
             int(UpdateSessionConfig::AddNotWritten));
    QVERIFY2(tasks.lastError().startsWith("there is no configuration folder"),
             qPrintable(tasks.lastError()));
    QCOMPARE(tasks.ImportSessionConfig(exported), int(UpdateSessionConfig::ImportNotWritten));
    QCOMPARE(tasks.lastError(), QString("there is no configuration folder"));
    QVERIFY(!tasks.UpdateSchedule("6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30", "x", "manually", {},
                                  UpdateSessionConfig::Rename));
    QVERIFY(!tasks.DeleteSession("6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30"));
    updateglobalsetting settings{QString{}};
    QVERIFY(!settings.WriteDefaultSetting(3));
    QCOMPARE(settings.lastError(), QString("there is no configuration folder"));
    QCOMPARE(settings.ReadGlobalSetting()->language, QString());

    QCOMPARE(QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList());
    QVERIFY(!QFileInfo::exists(blocked + "/var/lib/Tessaly"));
  }
};

TESSALY_TEST_MAIN(WindowFilesTest, QApplication)

#include "window_files_test.moc"
