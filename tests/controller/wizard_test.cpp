// The new-task wizard offscreen, step by step, as a user goes through it: every refusal in
// its order, the device search against fake NAS devices, the share and account steps and the
// folder tree against a real Samba server, a new folder made on the share, the schedule, and
// the task it writes, read back through the service's own loader. Then the edit modes that
// the task list opens on the new task (rename, reschedule, show the destination), and last
// the real service (TESSALY_DAEMON) running that task: Backup Now, then a daily run set for
// the coming minute.
//
// Runs in the private network of tests/discovery-netns-run.sh: the window's namespace has a
// link to each fake device's namespace (10.99.1.2 and 10.99.2.2); smbd listens on 10.99.1.2.
// The device check's ping is a fake one first on PATH, so nothing is ever pinged. A fake
// service on 127.0.0.1:7502 counts the reload requests. The test functions run in order on
// one window, each going on from the step the one before ended on.
// Over 800 lines: its functions run in order on one window, each from the step before.
#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtGui/QFileSystemModel>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QTcpSocket>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeView>
#include <QtWidgets/QTreeWidget>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "configuration.h"
#include "schedule.h"
#include "controller_test.h"
#include "dialog.h"
#include "link_packet.h"
#include "modal_box.h"
#include "service_probe.h"
#include "session.h"
#include "wizardlogic.h"

using controller_test::readFile;
using controller_test::writeFile;

namespace {

const QString kNasAddress = QStringLiteral("10.99.1.2");
const QString kSecondAddress = QStringLiteral("10.99.2.2");
const QString kThirdAddress = QStringLiteral("10.99.3.2");
const QString kSmbUser = QStringLiteral("tessaly");
const QString kSmbPassword = QStringLiteral("secret-pw");

QString python() {
  return QFile::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3")
                                           : QStringLiteral("python3");
}

// `ip` with these arguments in the window's namespace; true when it succeeded.
bool ip(const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  process.start(QStringLiteral("ip"), arguments);
  return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

// A process in one of the run's namespaces, stopped with the object.
class NetnsProcess {
 public:
  void start(const QString& netns, const QString& program, const QStringList& arguments) {
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(QStringLiteral("ip"), QStringList{"netns", "exec", netns, program} + arguments);
    process_.waitForStarted(5000);
  }
  bool running() const { return process_.state() != QProcess::NotRunning; }
  ~NetnsProcess() {
    if (!running()) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }

 private:
  QProcess process_;
};

// The service's loader over the task file of the test's data folder.
std::vector<session_t> serviceTasks() {
  session_reader_reset();
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list.clear();
  }
  load_session_settings();
  wait_sessions_last_time();  // the tasks' last run times are read in the background
  std::lock_guard<std::mutex> lock(session_list_mutex);
  return session_list;
}

// Warnings of the window's connections (a slot named for a signal that does not exist only
// warns) fail the test at its end.
QStringList& connectionWarnings() {
  static QStringList list;
  return list;
}

QtMessageHandler previousHandler = nullptr;

void recordWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtDebugMsg && type != QtInfoMsg &&
      (message.contains("connectSlotsByName") || message.contains("QObject::connect"))) {
    connectionWarnings() << message;
  }
  if (previousHandler) previousHandler(type, context, message);
}

QStringList texts(const std::vector<std::string>& items) {
  QStringList out;
  for (const std::string& item : items) out << QString::fromStdString(item);
  return out;
}

QStringList times(const session_t& task) {
  QStringList out;
  for (const GTimeVal& t : task.schedule_times) {
    out << QDateTime::fromSecsSinceEpoch(t.tv_sec, Qt::UTC).toString(Qt::ISODate);
  }
  return out;
}

}  // namespace

class WizardTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void opensOnTheWizardWithoutTask();
  void nameStep();
  void cancelWithoutTaskStartsAgain();
  void sourceStep();
  void fileTypeStep();
  void refreshFindsALinkThatCameUpLater();
  void deviceStep();
  void shareAndAccountSteps();
  void folderStep();
  void scheduleStepAndFinish();
  void renameMode();
  void rescheduleMode();
  void destinationMode();
  void cancelWithTaskReturnsToTheList();
  void backupNowThroughTheService();
  void dailyRunByItself();

 private:
  template <typename T>
  T* widget(const char* name) {
    T* found = dialog_->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("no widget %s", name);
    return found;
  }
  bool shown(const char* name) { return widget<QWidget>(name)->isVisible(); }
  // The wizard step on screen, from the widgets it shows; 0 when the wizard is not shown.
  int shownStep();
  // The wizard is idle: no slow step runs, the wait cursor is off.
  bool idle() {
    return widget<QToolButton>("newBtnNext")->isEnabled() && !QApplication::overrideCursor();
  }
  // The box that `action` opens, as "title|text"; "" when none opens.
  QString boxOf(const std::function<void()>& action) {
    ModalBox box(QMessageBox::Ok);
    action();
    QElapsedTimer clock;
    clock.start();
    while (!box.seen() && clock.elapsed() < 300) QTest::qWait(10);
    return box.seen() ? box.title() + u'|' + box.text() : QString();
  }
  void next() { widget<QToolButton>("newBtnNext")->click(); }
  void back() { widget<QToolButton>("newBtnBack")->click(); }
  QString nextBox() {
    return boxOf([this] { next(); });
  }
  // The reload requests received: at least `expected` of them once they came, or (without
  // `expected`) those already on their way.
  int reloads(int expected = -1);
  QTreeWidgetItem* findItem(QTreeWidget* tree, const QString& text);
  QStringList childTexts(QTreeWidgetItem* item);
  void doubleClick(const char* icon);
  void shot(const QString& name);

  QStringList nas_;
  QTemporaryDir dir_;
  QString smbDir_;
  QString sources_;
  NetnsProcess smbd_, nas1_, nas2_, nas3_;
  QUdpSocket service_;
  int reloads_ = 0;
  std::unique_ptr<Dialog> dialog_;
  std::unique_ptr<QProcess> daemon_;
};

void WizardTest::initTestCase() {
  nas_ = qEnvironmentVariable("TESSALY_DISCOVERY_NAS_NETNS").split(' ', Qt::SkipEmptyParts);
  if (nas_.size() != 3) QSKIP("runs under tests/discovery-netns-run.sh");
  QVERIFY(dir_.isValid());
  previousHandler = qInstallMessageHandler(recordWarnings);

  // Samba on the first device's address: "public" lets guests in, "secure" only the account.
  smbDir_ = dir_.path() + "/smb";
  for (const char* sub : {"private", "lock", "state", "cache", "pid", "ncalrpc", "log",
                          "public/New Folder", "public/photos", "public/.hidden", "secure/vault"}) {
    QVERIFY(QDir().mkpath(smbDir_ + "/" + sub));
  }
  QVERIFY(writeFile(smbDir_ + "/public/note.txt", "a file, not a folder\n"));
  QFile::setPermissions(smbDir_ + "/public", QFileDevice::Permissions(0x7777));
  QVERIFY(writeFile(smbDir_ + "/users.map", "root = " + kSmbUser.toUtf8() + "\n"));
  const QString d = smbDir_;
  const QString conf = QStringLiteral(
                           "[global]\n"
                           "  workgroup = TESSALYTEST\n  server role = standalone server\n"
                           "  interfaces = %2\n  bind interfaces only = yes\n  smb ports = 445\n"
                           "  disable netbios = yes\n  server min protocol = SMB2_02\n"
                           "  private dir = %1/private\n  lock directory = %1/lock\n"
                           "  state directory = %1/state\n  cache directory = %1/cache\n"
                           "  pid directory = %1/pid\n  ncalrpc dir = %1/ncalrpc\n"
                           "  log file = %1/log/smbd.log\n  log level = 1\n"
                           "  passdb backend = tdbsam:%1/private/passdb.tdb\n"
                           "  username map = %1/users.map\n  map to guest = Bad User\n"
                           "  guest account = nobody\n  load printers = no\n  printing = bsd\n"
                           "  printcap name = /dev/null\n  disable spoolss = yes\n"
                           "  kernel oplocks = no\n"
                           "[public]\n  path = %1/public\n  read only = no\n  guest ok = yes\n"
                           "  force user = root\n"
                           "[secure]\n  path = %1/secure\n  read only = no\n  guest ok = no\n"
                           "  valid users = root\n")
                           .arg(d, kNasAddress);
  QVERIFY(writeFile(d + "/smb.conf", conf.toUtf8()));
  {
    QProcess passwd;
    passwd.start("ip", {"netns", "exec", nas_[0], "smbpasswd", "-c", d + "/smb.conf", "-a", "-s",
                        "root"});
    QVERIFY(passwd.waitForStarted());
    passwd.write((kSmbPassword + "\n" + kSmbPassword + "\n").toUtf8());
    passwd.closeWriteChannel();
    QVERIFY(passwd.waitForFinished(20000));
    QCOMPARE(passwd.exitCode(), 0);
  }
  // setsid: smbd signals its whole process group when it ends.
  smbd_.start(nas_[0], "setsid",
              {"smbd", "--foreground", "--no-process-group", "--configfile=" + d + "/smb.conf"});
  bool listening = false;
  for (int i = 0; i < 200 && !listening; ++i) {
    QTcpSocket probe;
    probe.connectToHost(kNasAddress, 445);
    listening = probe.waitForConnected(200);
    if (!listening) QTest::qWait(50);
  }
  QVERIFY2(listening, "smbd did not start");

  // The devices: a model that the window shows by another name, and one without a model and
  // without shares.
  const QString fake = qEnvironmentVariable("TESSALY_PEERS_DIR") + "/fake_nas.py";
  nas1_.start(nas_[0], python(),
              {fake, "--address", kNasAddress, "--mac", "02:00:5e:10:01:02", "--kind", "8",
               "--test-bytes", "3,3", "--model", "KMR-420B", "--name", "NAS-01:eth0",
               "--shares", "public*0:secure*0:usb*1", "--ready", dir_.path() + "/nas1.ready",
               "--lifetime", "280"});
  nas2_.start(nas_[1], python(),
              {fake, "--address", kSecondAddress, "--mac", "02:00:5e:10:02:02", "--kind", "2",
               "--name", "Second:bond0", "--shares", "", "--ready", dir_.path() + "/nas2.ready",
               "--lifetime", "280"});
  // A third device on links that are down while the window starts (no address on this
  // side); refreshLinkThatCameUpLater brings one of them up.
  for (const char* link : {"tdC", "tdD"}) QVERIFY(ip({"addr", "flush", "dev", link}));
  nas3_.start(nas_[2], python(),
              {fake, "--address", kThirdAddress, "--mac", "02:00:5e:10:03:02", "--kind", "8",
               "--test-bytes", "3,3", "--model", "KMR-445", "--name", "Later:eth0", "--shares",
               "public*0", "--ready", dir_.path() + "/nas3.ready", "--lifetime", "280"});
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir_.path() + "/nas1.ready") &&
                               QFile::exists(dir_.path() + "/nas2.ready") &&
                               QFile::exists(dir_.path() + "/nas3.ready"),
                           10000);

  // The device check pings through this fake: it records its arguments and answers only for
  // the addresses in TESSALY_FAKE_PING_OK.
  QVERIFY(controller_test::installFakePing(dir_.path(), dir_.path() + "/ping.log"));

  QVERIFY(service_.bind(QHostAddress::LocalHost, tessaly::link::SERVICE_PORT));
  connect(&service_, &QUdpSocket::readyRead, this, [this] {
    while (service_.hasPendingDatagrams()) {
      const QByteArray bytes = service_.receiveDatagram().data();
      if (bytes.size() >= 2 && quint8(bytes[0]) == tessaly::link::PKG_SET &&
          quint8(bytes[1]) == tessaly::link::SET_CONFIG_UPDATE) {
        ++reloads_;
      }
    }
  });

  sources_ = QDir::cleanPath(dir_.path() + "/src");
  for (const char* sub : {"photos/2023", "docs", "music"}) QVERIFY(QDir().mkpath(sources_ + "/" + sub));
  QVERIFY(writeFile(sources_ + "/photos/2023/notes.txt", "the notes of 2023\n"));
  QVERIFY(writeFile(sources_ + "/photos/skipped.jpg", "not one of the task's types\n"));

  QFile::remove(controller_test::dataFolder() + "/SESSION_CONFIG.dat");
  dialog_ = std::make_unique<Dialog>();
  dialog_->show();
  QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
}

void WizardTest::cleanupTestCase() {
  service_probe::stopService(daemon_);
  if (dialog_) {
    QTRY_VERIFY(idle());
    dialog_->close();
    dialog_.reset();
  }
  QCOMPARE(connectionWarnings(), QStringList());
}

int WizardTest::shownStep() {
  if (!shown("newDisplay")) return 0;
  if (shown("newEightTitle")) return 9;
  if (shown("scheduleCbBox")) return 8;
  if (shown("createFolderBtn")) return 7;
  if (shown("userNameLEdit")) return 6;
  if (shown("shareFolderTWidget")) return 5;
  if (shown("deviceTWidget")) return 4;
  if (shown("allFilesRBtn")) return 3;
  if (shown("localFolders")) return 2;
  if (shown("newOneEdit")) return 1;
  return -1;
}

int WizardTest::reloads(int expected) {
  if (expected < 0) {
    QTest::qWait(100);
  } else {
    (void)QTest::qWaitFor([&] { return reloads_ >= expected; }, controller_test::kEventWaitMs);
  }
  return reloads_;
}

QTreeWidgetItem* WizardTest::findItem(QTreeWidget* tree, const QString& text) {
  const QList<QTreeWidgetItem*> found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

QStringList WizardTest::childTexts(QTreeWidgetItem* item) {
  QStringList out;
  for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
  out.sort();
  return out;
}

void WizardTest::doubleClick(const char* icon) {
  QWidget* target = widget<QWidget>(icon);
  const QPoint at = target->mapTo(dialog_.get(), target->rect().center());
  QTest::mouseDClick(dialog_.get(), Qt::LeftButton, Qt::NoModifier, at);
}

// With TESSALY_SCREENSHOT_DIR set, a picture of the window, for a developer to look at.
void WizardTest::shot(const QString& name) {
  const QString folder = qEnvironmentVariable("TESSALY_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  QDir().mkpath(folder);
  dialog_->grab().save(folder + "/wizard-" + name + ".png");
}

void WizardTest::opensOnTheWizardWithoutTask() {
  QCOMPARE(shownStep(), 1);
  QVERIFY(shown("backupsLabel_4"));
  QCOMPARE(widget<QToolButton>("newBtnNext")->text(), QString("Next >>"));
  QVERIFY(!widget<QToolButton>("newBtnBack")->isEnabled());
  shot("1-name");
}

void WizardTest::nameStep() {
  auto* name = widget<QLineEdit>("newOneEdit");
  const QString empty = "Warning|Please create the name of the backup task!";
  const QString forbidden = "Warning|The name of the backup task can not contain ~`^&{}[]|\"";
  const QList<QPair<QString, QString>> cases = {
      {"", empty}, {"   ", empty}, {"\t \t", empty}, {"a<b", forbidden}, {"a~b", forbidden},
      {"a\\b", forbidden}, {"x\"y", forbidden}};
  for (const auto& [typed, refusal] : cases) {
    name->setText(typed);
    QCOMPARE(nextBox(), refusal);
    QCOMPARE(shownStep(), 1);
    QCOMPARE(name->text(), typed);
  }
  // There is no step before the first: Back stays off, and the slot does nothing either.
  QVERIFY(!widget<QToolButton>("newBtnBack")->isEnabled());
  QVERIFY(QMetaObject::invokeMethod(dialog_.get(), "on_newBtnBack_clicked"));
  QCOMPARE(shownStep(), 1);

  name->setText("Photos");
  QCOMPARE(nextBox(), QString());
  QCOMPARE(shownStep(), 2);
  QVERIFY(widget<QToolButton>("newBtnBack")->isEnabled());
}

void WizardTest::cancelWithoutTaskStartsAgain() {
  QCOMPARE(shownStep(), 2);
  widget<QToolButton>("newBtnCancel")->click();
  QCOMPARE(shownStep(), 1);
  QVERIFY(shown("newDisplay"));
  QVERIFY(widget<QLineEdit>("newOneEdit")->text().isEmpty());
  QVERIFY(!widget<QToolButton>("newBtnBack")->isEnabled());
  widget<QLineEdit>("newOneEdit")->setText("Photos");
  next();
  QCOMPARE(shownStep(), 2);
}

void WizardTest::sourceStep() {
  QCOMPARE(shownStep(), 2);
  shot("2-sources");
  QCOMPARE(nextBox(), QString("Warning|You haven't selected any folder for backup!"));

  auto* model = qobject_cast<QFileSystemModel*>(widget<QTreeView>("localFolders")->model());
  QVERIFY(model);
  for (const char* folder : {"photos", "docs"}) {
    const QModelIndex index = model->index(sources_ + "/" + folder);
    QVERIFY(index.isValid());
    QVERIFY(model->setData(index, Qt::Checked, Qt::CheckStateRole));
  }
  // One of two folders on a network file system is refused, the local one with it.
  wizard_logic::networkFolderCheck() = [this](const QString& path) {
    return path == sources_ + "/docs";
  };
  QCOMPARE(nextBox(), QString("Warning|Please do not select network drive as source folder!"));
  QCOMPARE(shownStep(), 2);
  wizard_logic::networkFolderCheck() = wizard_logic::isOnNetworkFileSystem;
  QVERIFY(model->setData(model->index(sources_ + "/docs"), Qt::Unchecked, Qt::CheckStateRole));
  QCOMPARE(nextBox(), QString());
  QCOMPARE(shownStep(), 3);

  // Back keeps the ticks.
  back();
  QCOMPARE(shownStep(), 2);
  QCOMPARE(model->data(model->index(sources_ + "/photos"), Qt::CheckStateRole).toInt(),
           int(Qt::Checked));
  next();
  QCOMPARE(shownStep(), 3);
}

void WizardTest::fileTypeStep() {
  QCOMPARE(shownStep(), 3);
  auto* video = widget<QCheckBox>("videoCBox");
  auto* custom = widget<QCheckBox>("cusCBox");
  auto* field = widget<QLineEdit>("cusLEdit");
  auto* list = widget<QListWidget>("cusLWidget");
  // "All Files" leaves the kinds off.
  QVERIFY(widget<QRadioButton>("allFilesRBtn")->isChecked());
  QVERIFY(!video->isEnabled());
  widget<QRadioButton>("speExtRBtn")->click();
  QVERIFY(video->isEnabled());
  QVERIFY(!field->isEnabled());
  QCOMPARE(nextBox(), QString("Warning|You haven't specified any extension for backup!"));

  custom->click();
  QVERIFY(field->isEnabled());
  auto add = [&](const QString& typed) {
    field->setText(typed);
    return boxOf([this] { widget<QToolButton>("cusAddPBtn")->click(); });
  };
  QCOMPARE(add(""), QString("Warning|Please enter the extension!"));
  const QString invalid = "Warning|Invalid extension! Correct extension should like *.txt.";
  for (const char* bad : {"txt", "*.", "*.t-t", ".txt"}) QCOMPARE(add(bad), invalid);
  QCOMPARE(list->count(), 0);
  QCOMPARE(nextBox(), QString("Warning|You haven't specified any extension for backup!"));
  QCOMPARE(add("*.txt"), QString());
  QCOMPARE(add("*.RAW2"), QString());
  QCOMPARE(list->count(), 2);
  QVERIFY(field->text().isEmpty());
  list->setCurrentItem(nullptr);
  QCOMPARE(boxOf([this] { widget<QToolButton>("cusRemPBtn")->click(); }),
           QString("Warning|Please select a extension to remove!"));
  list->setCurrentRow(1);
  widget<QToolButton>("cusRemPBtn")->click();
  QCOMPARE(list->count(), 1);
  video->click();
  shot("3-types");

  // Next searches: the step shows once the search is over.
  QCOMPARE(nextBox(), QString());
  QCOMPARE(shownStep(), 4);
}

// The device search reads the local addresses anew each time: a link that comes up after the
// first search (a network joined later) is searched by Refresh, and one that went is not.
void WizardTest::refreshFindsALinkThatCameUpLater() {
  QCOMPARE(shownStep(), 4);
  QTRY_VERIFY(idle());
  auto* devices = widget<QTreeWidget>("deviceTWidget");
  auto listed = [devices] {
    QStringList out;
    for (int i = 0; i < devices->topLevelItemCount(); ++i) {
      out << devices->topLevelItem(i)->text(1).section('\n', 0, 0);
    }
    out.sort();
    return out;
  };
  QCOMPARE(listed(), (QStringList{kNasAddress, kSecondAddress}));

  QVERIFY(ip({"addr", "add", "10.99.3.1/24", "dev", "tdC"}));
  widget<QToolButton>("refreshTBtn")->click();
  QTRY_VERIFY(idle());
  QCOMPARE(listed(), (QStringList{kNasAddress, kSecondAddress, kThirdAddress}));
  QVERIFY(findItem(devices, "KMR-445\nLater"));

  QVERIFY(ip({"addr", "flush", "dev", "tdC"}));
  widget<QToolButton>("refreshTBtn")->click();
  QTRY_VERIFY(idle());
  QCOMPARE(listed(), (QStringList{kNasAddress, kSecondAddress}));
}

void WizardTest::deviceStep() {
  QCOMPARE(shownStep(), 4);
  QTRY_VERIFY(idle());
  auto* devices = widget<QTreeWidget>("deviceTWidget");
  QCOMPARE(devices->topLevelItemCount(), 2);
  shot("4-devices-two");
  QTreeWidgetItem* first = findItem(devices, "KMR-420\nNAS-01");
  QTreeWidgetItem* second = findItem(devices, "Brelkin NAS\nSecond");
  QVERIFY(first && second);
  QCOMPARE(first->text(1), QString("10.99.1.2\nMAC: 02005E100102"));
  QCOMPARE(second->text(1), QString("10.99.2.2\nMAC: 02005E100202"));
  QCOMPARE(devices->iconSize(), QSize(53, 80));
  QVERIFY(widget<QLabel>("linkLabel")->text().contains("Click here if no device is shown"));
  QCOMPARE(boxOf([this] { emit widget<QLabel>("linkLabel")->linkActivated("null"); }),
           QString("Message|To detect your NAS, please make sure Tessaly Sync has been permitted "
                   "to pass through the firewall in your computer."));

  devices->setCurrentItem(nullptr);
  QCOMPARE(nextBox(), QString("Warning|You haven't selected any device!"));

  // The second device lists no share and does not answer ping: not usable.
  devices->setCurrentItem(second);
  {
    ModalBox box(QMessageBox::Ok);
    next();
    QTRY_VERIFY(box.seen());
    QCOMPARE(box.title() + "|" + box.text(), QString("Error|Invalid device!"));
  }
  QTRY_VERIFY(idle());
  QCOMPARE(shownStep(), 4);
  QCOMPARE(QString::fromUtf8(readFile(dir_.path() + "/ping.log")).trimmed(),
           QString("-c 1 -W 2 10.99.2.2"));
  // A device that answers ping is usable even without shares.
  qputenv("TESSALY_FAKE_PING_OK", kSecondAddress.toUtf8());
  next();
  QTRY_COMPARE(shownStep(), 5);
  QTRY_VERIFY(idle());
  QCOMPARE(widget<QTreeWidget>("shareFolderTWidget")->topLevelItemCount(), 0);

  // Back searches again.
  back();
  QCOMPARE(shownStep(), 4);
  QTRY_VERIFY(idle());
  first = findItem(devices, "KMR-420\nNAS-01");
  QVERIFY(first);
  QCOMPARE(devices->topLevelItemCount(), 2);
  devices->setCurrentItem(first);
  next();
  QTRY_COMPARE(shownStep(), 5);
  QTRY_VERIFY(idle());
  // The first device's shares answered: no ping for it.
  QVERIFY(!readFile(dir_.path() + "/ping.log").contains(kNasAddress.toUtf8()));
}

void WizardTest::shareAndAccountSteps() {
  QCOMPARE(shownStep(), 5);
  auto* tree = widget<QTreeWidget>("shareFolderTWidget");
  QStringList shares;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) shares << tree->topLevelItem(i)->text(0);
  QCOMPARE(shares, (QStringList{"public", "secure"}));
  shot("5-shares");
  tree->setCurrentItem(nullptr);
  QCOMPARE(nextBox(), QString("Warning|Please select a backup destination folder!"));

  // The account share refuses the first try without a word: the account step follows.
  tree->setCurrentItem(findItem(tree, "secure"));
  QCOMPARE(nextBox(), QString());
  QCOMPARE(shownStep(), 6);
  QVERIFY(idle());
  shot("6-account");

  auto* user = widget<QLineEdit>("userNameLEdit");
  auto* password = widget<QLineEdit>("userPasswdLEdit");
  QCOMPARE(nextBox(), QString("Warning|Please enter user name!"));
  user->setText(kSmbUser);
  password->setText("wrong");
  QCOMPARE(nextBox(), QString("Error|Invalid user name or password."));
  QCOMPARE(shownStep(), 6);
  QVERIFY(idle());
  password->setText(kSmbPassword);
  QCOMPARE(nextBox(), QString());
  QCOMPARE(shownStep(), 7);
  QTreeWidgetItem* secure = findItem(tree, "secure");
  QVERIFY(secure);
  QCOMPARE(childTexts(secure), QStringList{"vault"});

  // Back from the folders is the share list, whichever step came between.
  back();
  QCOMPARE(shownStep(), 5);
  QTRY_VERIFY(idle());
  // The guest share opens at once: no account step.
  tree->setCurrentItem(findItem(tree, "public"));
  QCOMPARE(nextBox(), QString());
  QCOMPARE(shownStep(), 7);
  QTreeWidgetItem* share = findItem(tree, "public");
  QVERIFY(share);
  // Folders only, hidden ones left out.
  QCOMPARE(childTexts(share), (QStringList{"New Folder", "photos"}));
  QCOMPARE(tree->currentItem(), share);
  QVERIFY(!QApplication::overrideCursor());
}

void WizardTest::folderStep() {
  QCOMPARE(shownStep(), 7);
  auto* tree = widget<QTreeWidget>("shareFolderTWidget");
  auto* create = widget<QToolButton>("createFolderBtn");
  QVERIFY(create->isEnabled());
  shot("7-folders");

  // A new folder where "New Folder" exists is "New Folder (1)"; its name is being edited.
  auto startNewFolder = [&]() -> QLineEdit* {
    tree->setCurrentItem(findItem(tree, "public"));
    create->click();
    QTreeWidgetItem* item = tree->currentItem();
    if (!item || item->text(0) != "New Folder (1)") return nullptr;
    return qobject_cast<QLineEdit*>(tree->itemWidget(item, 0));
  };
  QLineEdit* editor = startNewFolder();
  QVERIFY(editor);
  QCOMPARE(childTexts(findItem(tree, "public")),
           (QStringList{"New Folder", "New Folder (1)", "photos"}));

  // A name that is a path of its own is never made: the item goes, the step stays.
  for (const char* bad : {"..\\evil", "../evil", "", "a:b"}) {
    editor->setText(QString::fromLatin1(bad));
    QCOMPARE(nextBox(), QString("Create Directory|Failed to create the directory."));
    QCOMPARE(shownStep(), 7);
    QVERIFY(!findItem(tree, "New Folder (1)"));
    QVERIFY(!QFile::exists(smbDir_ + "/evil") && !QFile::exists(smbDir_ + "/public/evil"));
    editor = startNewFolder();
    QVERIFY(editor);
  }
  editor->setText("made");
  QCOMPARE(nextBox(), QString());
  QCOMPARE(shownStep(), 8);
  QVERIFY(QFileInfo(smbDir_ + "/public/made").isDir());

  // Back to the folders keeps the tree and the choice.
  back();
  QCOMPARE(shownStep(), 7);
  QCOMPARE(tree->currentItem()->text(0), QString("made"));
  next();
  QCOMPARE(shownStep(), 8);
}

void WizardTest::scheduleStepAndFinish() {
  QCOMPARE(shownStep(), 8);
  QCOMPARE(widget<QToolButton>("newBtnNext")->text(), QString("Finish"));
  shot("8-schedule-manual");
  auto* schedule = widget<QComboBox>("scheduleCbBox");
  schedule->setCurrentIndex(2);
  QVERIFY(shown("weeklyTimeWidget"));
  shot("8-schedule-weekly");
  QCOMPARE(nextBox(), QString("Warning|Please select at least a day for the schedule!"));
  widget<QCheckBox>("checkBox1")->setChecked(true);  // Monday
  widget<QCheckBox>("checkBox0")->setChecked(true);  // Sunday
  widget<QSpinBox>("weeklyHourSnBox")->setValue(2);
  widget<QSpinBox>("weeklyMinSnBox")->setValue(30);
  widget<QRadioButton>("fullBuRBtn")->click();
  QVERIFY(shown("fullTipLabel"));
  QVERIFY(!shown("increTipLabel"));

  // A task file that cannot be read is never written over: the wizard says so and stays.
  const QString taskFile = controller_test::dataFolder() + "/SESSION_CONFIG.dat";
  QVERIFY(writeFile(taskFile, "<damaged"));
  const int before = reloads();
  const QString refusal = nextBox();
  QVERIFY2(refusal.startsWith("Error|"), qPrintable(refusal));
  QCOMPARE(shownStep(), 8);
  QCOMPARE(readFile(taskFile), QByteArray("<damaged"));
  QCOMPARE(reloads(), before);

  QVERIFY(QFile::remove(taskFile));
  QCOMPARE(nextBox(), QString());
  QCOMPARE(shownStep(), 0);
  QVERIFY(shown("currWidget"));
  QCOMPARE(reloads(before + 1), before + 1);

  const std::vector<session_t> tasks = serviceTasks();
  QCOMPARE(int(tasks.size()), 1);
  const session_t& task = tasks[0];
  QCOMPARE(QString::fromStdString(task.name), QString("Photos"));
  QCOMPARE(texts(task.sources), QStringList{sources_ + "/photos"});
  QStringList extensions = wizard_logic::videoExtensions();
  extensions << ".txt";
  QCOMPARE(texts(task.filter.extensions), extensions);
  QCOMPARE(int(task.destinations.size()), 1);
  QCOMPARE(QString::fromStdString(task.destinations[0].path), QString("\\\\10.99.1.2\\public\\made"));
  QVERIFY(task.destinations[0].anonymous);
  QCOMPARE(QString::fromStdString(task.schedule_type), QString("weekly"));
  // Sunday first; 02:30 at UTC+9 is 17:30 UTC the day before.
  QCOMPARE(times(task), (QStringList{"2001-01-06T17:30:00Z", "2000-12-31T17:30:00Z"}));
  QCOMPARE(readFile(taskFile).count("Z<"), 2);
  // (Times end "Z<"; the file's folder paths hold random letters, so "ZZ" alone may occur.)
  QVERIFY2(!readFile(taskFile).contains("ZZ<"), readFile(taskFile).constData());
  QVERIFY(readFile(taskFile).contains("full_backup"));
  QVERIFY(readFile(taskFile).contains("KMR-420"));
  QVERIFY(!QApplication::overrideCursor());
}

void WizardTest::renameMode() {
  QVERIFY(shown("currWidget"));
  const std::vector<session_t> tasks = serviceTasks();
  QCOMPARE(int(tasks.size()), 1);
  const QString uuid = QString::fromStdString(tasks[0].uuid);
  // The service's answer gives the task's source folders, which the rename step shows.
  dialog_->UpdateSessionListStatus(uuid, "Not started", "", "", sources_ + "/photos",
                                   "\\\\10.99.1.2\\public\\made");
  doubleClick("sourcePBtn");
  QCOMPARE(shownStep(), 1);
  QVERIFY(shown("newOneTitle_3"));
  QVERIFY(!shown("backupsLabel_4"));
  QCOMPARE(widget<QLineEdit>("newOneEdit")->text(), QString("Photos"));
  QCOMPARE(widget<QLabel>("sourcePathLabel_2")->text().remove('\n'), sources_ + "/photos");
  QCOMPARE(widget<QToolButton>("newBtnNext")->text(), QString("Finish"));
  QVERIFY(!widget<QToolButton>("newBtnBack")->isEnabled());
  shot("1-rename");

  widget<QLineEdit>("newOneEdit")->setText("a|b");
  QCOMPARE(nextBox(), QString("Warning|The name of the backup task can not contain ~`^&{}[]|\""));
  const int before = reloads();
  widget<QLineEdit>("newOneEdit")->setText("Renamed");
  QCOMPARE(nextBox(), QString());
  QVERIFY(shown("currWidget"));
  QCOMPARE(reloads(before + 1), before + 1);
  const std::vector<session_t> renamed = serviceTasks();
  QCOMPARE(int(renamed.size()), 1);
  QCOMPARE(QString::fromStdString(renamed[0].name), QString("Renamed"));
  QCOMPARE(times(renamed[0]), times(tasks[0]));
}

void WizardTest::rescheduleMode() {
  QVERIFY(shown("currWidget"));
  doubleClick("statusPBtn");
  QCOMPARE(shownStep(), 8);
  // The stored schedule comes back in local time.
  QCOMPARE(widget<QComboBox>("scheduleCbBox")->currentIndex(), 2);
  QStringList days;
  for (int i = 0; i < 7; ++i) {
    if (widget<QCheckBox>(qPrintable(QString("checkBox%1").arg(i)))->isChecked()) days << QString::number(i);
  }
  QCOMPARE(days, (QStringList{"0", "1"}));
  QCOMPARE(widget<QSpinBox>("weeklyHourSnBox")->value(), 2);
  QCOMPARE(widget<QSpinBox>("weeklyMinSnBox")->value(), 30);
  QVERIFY(widget<QRadioButton>("fullBuRBtn")->isChecked());
  QVERIFY(!widget<QRadioButton>("fullBuRBtn")->isEnabled());
  QVERIFY(!widget<QRadioButton>("increBuRBtn")->isEnabled());
  QVERIFY(!widget<QToolButton>("newBtnBack")->isEnabled());
  QVERIFY(QMetaObject::invokeMethod(dialog_.get(), "on_newBtnBack_clicked"));
  QCOMPARE(shownStep(), 8);

  widget<QComboBox>("scheduleCbBox")->setCurrentIndex(3);
  QVERIFY(shown("dailyHourSnBox"));
  widget<QSpinBox>("dailyHourSnBox")->setValue(23);
  widget<QSpinBox>("dailyMinSnBox")->setValue(15);
  const int before = reloads();
  QCOMPARE(nextBox(), QString());
  QVERIFY(shown("currWidget"));
  QCOMPARE(reloads(before + 1), before + 1);
  const std::vector<session_t> tasks = serviceTasks();
  QCOMPARE(int(tasks.size()), 1);
  QCOMPARE(QString::fromStdString(tasks[0].name), QString("Renamed"));
  QCOMPARE(QString::fromStdString(tasks[0].schedule_type), QString("daily"));
  QCOMPARE(times(tasks[0]), QStringList{"2001-01-01T14:15:00Z"});
  QCOMPARE(texts(tasks[0].sources), QStringList{sources_ + "/photos"});
}

void WizardTest::destinationMode() {
  QVERIFY(shown("currWidget"));
  doubleClick("destiPBtn");
  QCOMPARE(shownStep(), 9);
  QCOMPARE(widget<QLabel>("accountLabel_2")->text(), QString("Anonymous"));
  QCOMPARE(widget<QLabel>("deviceModelLabel_2")->text(), QString("KMR-420"));
  QCOMPARE(widget<QLabel>("sourcePathLabel_2")->text().remove('\n'),
           QString("\\\\10.99.1.2\\public\\made"));
  QVERIFY(!shown("newBtnNext"));
  QVERIFY(!shown("newBtnBack"));
  shot("9-destination");
  widget<QToolButton>("newBtnCancel")->click();
  QVERIFY(shown("currWidget"));
}

void WizardTest::cancelWithTaskReturnsToTheList() {
  QVERIFY(shown("currWidget"));
  widget<QToolButton>("newbuPBtn")->click();
  QCOMPARE(shownStep(), 1);
  // A new task again, not the edit of the last one.
  QVERIFY(shown("backupsLabel_4"));
  QVERIFY(!shown("newOneTitle_3"));
  QVERIFY(widget<QLineEdit>("newOneEdit")->text().isEmpty());
  widget<QLineEdit>("newOneEdit")->setText("Second");
  next();
  QCOMPARE(shownStep(), 2);
  widget<QToolButton>("newBtnCancel")->click();
  QVERIFY(shown("currWidget"));
  QCOMPARE(int(serviceTasks().size()), 1);
}


namespace {

// The files below `folder` whose name is `name`, with their contents.
QStringList filesNamed(const QString& folder, const QString& name) {
  QStringList out;
  QDirIterator it(folder, {name}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) out << QString::fromUtf8(readFile(it.next()));
  return out;
}

}  // namespace

// The task the wizard wrote runs in the real service: Backup Now puts the chosen files of
// its source folder into the task's folder on the share.
void WizardTest::backupNowThroughTheService() {
  QVERIFY(shown("currWidget"));
  service_.close();  // the service's port, for the service itself
  daemon_ = service_probe::startService();
  QVERIFY(daemon_);

  // The window holds the answer port: the first answer of the service shows it is up.
  const QString uuid = QString::fromStdString(serviceTasks().at(0).uuid);
  QWidget* entry = widget<QWidget>("sessionWidget1");
  QTest::mouseClick(dialog_.get(), Qt::LeftButton, Qt::NoModifier,
                    entry->mapTo(dialog_.get(), entry->rect().center()));
  QTRY_VERIFY_WITH_TIMEOUT(widget<QToolButton>("bunowPBtn")->isEnabled(), 20000);
  const QString taskFolder = smbDir_ + "/public/made/" + uuid;
  QElapsedTimer clock;
  clock.start();
  // A start sent before the service listens is lost: pressed again until the run shows.
  while (!QFileInfo(taskFolder).isDir() && clock.elapsed() < 60000) {
    if (widget<QToolButton>("bunowPBtn")->text() == "Backup Now") {
      widget<QToolButton>("bunowPBtn")->click();
    }
    QTest::qWait(1000);
  }
  QVERIFY2(QFileInfo(taskFolder).isDir(), qPrintable(taskFolder));
  QTRY_COMPARE_WITH_TIMEOUT(filesNamed(taskFolder, "notes.txt"),
                            QStringList{"the notes of 2023\n"}, 60000);
  QVERIFY(filesNamed(taskFolder, "skipped.jpg").isEmpty());
  QTRY_VERIFY_WITH_TIMEOUT(widget<QLabel>("statusLabel3")->text().size() > QString("Last: ").size(),
                           30000);
  QTRY_COMPARE_WITH_TIMEOUT(widget<QLabel>("statusLabel1")->text(), QString("Not started"), 60000);
}

// A daily task set in the wizard for the coming minute runs without being asked.
void WizardTest::dailyRunByItself() {
  QVERIFY(daemon_);
  const QString lastBefore = widget<QLabel>("statusLabel3")->text();
  // Far enough from the minute's end for the reload to arrive before it.
  while (QTime::currentTime().second() > 40) QTest::qWait(500);
  const QDateTime at = QDateTime::currentDateTime().addSecs(60);
  doubleClick("statusPBtn");
  QCOMPARE(shownStep(), 8);
  widget<QComboBox>("scheduleCbBox")->setCurrentIndex(3);
  widget<QSpinBox>("dailyHourSnBox")->setValue(at.time().hour());
  widget<QSpinBox>("dailyMinSnBox")->setValue(at.time().minute());
  QCOMPARE(nextBox(), QString());
  QVERIFY(shown("currWidget"));
  QCOMPARE(QString::fromStdString(serviceTasks().at(0).schedule_type), QString("daily"));
  QTRY_VERIFY_WITH_TIMEOUT(widget<QLabel>("statusLabel3")->text() != lastBefore, 150000);
  QCOMPARE(widget<QLabel>("statusLabel3")->text(),
           "Last: " + at.toString("yyyy-MM-dd hh:mm"));
}


TESSALY_TEST_MAIN(WizardTest, QApplication)
#include "wizard_test.moc"
