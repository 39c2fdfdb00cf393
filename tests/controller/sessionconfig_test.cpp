// The controller's task store against real files in the test's data folder. What the store
// writes is read back through the service's own loader (linked in), so a task the service
// would read differently from what the wizard gave, or not at all, fails here. Damaged
// files, refused answers and keys that name no task must leave the file byte for byte.
// Over 800 lines: every case uses the one fixture of store, loader and data folder.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QRegularExpression>

#include <functional>
#include <mutex>
#include <vector>

#include "configuration.h"
#include "schedule.h"
#include "controller_test.h"
#include "session.h"
#include "updatesessionconfig.h"
#include "xmltree.h"

namespace {

const QString kU1 = QStringLiteral("6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30");
const QString kU2 = QStringLiteral("a03d5c91-77e2-4f10-8b6d-c4e9f2a81d57");
const QString kU3 = QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e");

QString taskFile() { return controller_test::dataFolder() + QStringLiteral("/SESSION_CONFIG.dat"); }

QByteArray readBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
  return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

QString testData(const char* name) {
  return qEnvironmentVariable("TESSALY_TEST_DATA") + u'/' + QString::fromUtf8(name);
}

// The example task file with its two tasks (kU1 weekly with an account, kU2 anonymous
// "All Files"), on a NAS address of this machine where nothing answers (TESSALY_SMB_PORT),
// so that the service's loader gives up on the share at once.
QByteArray twoTasks() { return readBytes(testData("session_config_two_tasks.dat")); }

QByteArray withoutLine(QByteArray bytes, const QByteArray& line) {
  const qsizetype at = bytes.indexOf(line);
  if (at >= 0) bytes.remove(at, line.size());
  return bytes;
}

// The tasks as the service's loader reads the task file.
std::vector<session_t> serviceTasks(bool* loaded = nullptr) {
  session_reader_reset();
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list.clear();
  }
  const bool ok = load_session_settings();
  wait_sessions_last_time();  // the tasks' last run times are read in the background
  if (loaded != nullptr) *loaded = ok;
  std::lock_guard<std::mutex> lock(session_list_mutex);
  return session_list;
}

QString q(const std::string& text) { return QString::fromStdString(text); }

QString joined(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list << q(item);
  return u'[' + list.join(u',') + u']';
}

// One line naming every field the service's loader fills.
QString describe(const session_t& s) {
  QString out = QStringLiteral("uuid=") + q(s.uuid) + QStringLiteral(" name=") + q(s.name) +
                QStringLiteral(" filter=") + QString::number(s.filter.filter_type) +
                joined(s.filter.extensions) + QStringLiteral(" src=") + joined(s.sources);
  for (const destination_t& d : s.destinations) {
    out += QStringLiteral(" dst={") + QString::number(d.protocol) +
           (d.anonymous ? QStringLiteral(" anon ") : QStringLiteral(" acct ")) + q(d.user) + u':' +
           q(d.password) + u'@' + q(d.path) + u'}';
  }
  QStringList times;
  for (const GTimeVal& t : s.schedule_times) {
    times << QDateTime::fromSecsSinceEpoch(t.tv_sec, Qt::UTC).toString(Qt::ISODate);
  }
  out += QStringLiteral(" action=") + QString::number(s.action) + QStringLiteral(" type=") +
         QString::number(s.type) + QStringLiteral(" sched=") + q(s.schedule_type) + u'[' +
         times.join(u',') + QStringLiteral("] entries=") +
         QString::number(s.schedule_entries.size());
  return out;
}

QStringList describeService() {
  QStringList out;
  for (const session_t& s : serviceTasks()) out << describe(s);
  return out;
}

// One line naming every field of a record of the store's list (the uuid apart).
QString describe(const SessionRecord& r) {
  return QStringLiteral(
             "name=%1|kind=%2|times=%3|ext=%4|user=%5|password=%6|path=%7|model=%8|"
             "action=%9|status=%10|last=%11|next=%12")
      .arg(r.name, r.scheduleKind, r.scheduleTimes, r.extensions, r.user, r.password,
           r.destinationPath, r.model, r.action)
      .arg(r.status, r.lastRunTime, r.nextRunTime);
}

QStringList describeList(UpdateSessionConfig& store) {
  QStringList out;
  for (const SessionRecord& r : *store.GetSessionList()) out << r.uuid + u' ' + describe(r);
  return out;
}

QStringList uuidsOf(const SessionList& list) {
  QStringList out;
  for (const SessionRecord& r : list) out << r.uuid;
  return out;
}

// "count=N" and per task "id:uuid", from the written file's tree.
QString outline(const QByteArray& bytes) {
  ConfigDocument document;
  QString error;
  if (!parseConfigFile(bytes, &document, &error)) return QStringLiteral("unparsable: ") + error;
  QStringList parts;
  for (const XmlNode& child : document.configuration.children) {
    if (child.name == u"count") parts << QStringLiteral("count=") + child.text;
    if (child.name != u"session") continue;
    QString id;
    for (const auto& a : child.attributes) {
      if (a.first == u"id") id = a.second;
    }
    const XmlNode* uuid = child.child(QStringLiteral("uuid"));
    parts << id + u':' + (uuid != nullptr ? uuid->text : QString());
  }
  return parts.join(u' ');
}

QString expectedOutline(const QStringList& uuids) {
  QStringList parts{QStringLiteral("count=%1").arg(uuids.size())};
  for (qsizetype i = 0; i < uuids.size(); ++i)
    parts << QStringLiteral("%1:%2").arg(i + 1).arg(uuids[i]);
  return parts.join(u' ');
}

// The child element names of one task's element, or of one of its children.
QStringList childNames(const QByteArray& bytes, int task, const QString& below = QString()) {
  ConfigDocument document;
  if (!parseConfigFile(bytes, &document)) return {QStringLiteral("unparsable")};
  int n = 0;
  for (const XmlNode& child : document.configuration.children) {
    if (child.name != u"session" || ++n != task) continue;
    const XmlNode* node = below.isEmpty() ? &child : child.child(below);
    QStringList names;
    if (node != nullptr) {
      for (const XmlNode& c : node->children) names << c.name;
    }
    return names;
  }
  return {};
}

int addTask(UpdateSessionConfig& store, const QString& name = QStringLiteral("Third"),
            const QString& kind = QStringLiteral("manually"), const QStringList& times = {}) {
  return store.AddSession(name, {}, {}, {}, {QStringLiteral(".*")}, {QStringLiteral("/srv/third")},
                          QString(), QString(), QStringLiteral("\\\\127.0.0.1\\public"), QString(),
                          QStringLiteral("incremental"), kind, times);
}

// A task the wizard could hand over, with the lines the service and the store read from
// the file it gives.
struct TaskCase {
  const char* tag;
  QString name;
  QList<QStringList> groups;  // video, picture, audio, customize
  QStringList sources;
  QString user, password, destination, model, action, kind;
  QStringList times;
  QString service;  // describe(session_t) after the uuid
  QString record;   // describe(SessionRecord)
};

const QList<TaskCase>& taskCases() {
  static const QList<TaskCase> cases = {
      {"account, weekly, entities and unicode",
       QStringLiteral("Photos & <music> \"ünï\" 照片"),
       {{}, {QStringLiteral(".jpg"), QStringLiteral(".png")}, {}, {QStringLiteral(".txt")}},
       {QStringLiteral("/home/ann/Pictures"), QStringLiteral("/home/ann/Music & <more>")},
       QStringLiteral("DOMAIN\\ann"),
       QStringLiteral("  p&ss<1>\"'\r\t"),
       QStringLiteral("\\\\127.0.0.1\\share\\backup"),
       QStringLiteral("KMR-2200-05"),
       QStringLiteral("incremental"),
       QStringLiteral("weekly"),
       {QStringLiteral("2001-01-07T07:30:00Z"), QStringLiteral("2001-01-01T07:30:00Z")},
       QStringLiteral("name=Photos & <music> \"ünï\" 照片 filter=0[.jpg,.png,.txt] "
                      "src=[/home/ann/Pictures,/home/ann/Music & <more>] "
                      "dst={1 acct DOMAIN\\ann:  p&ss<1>\"'\r\t@\\\\127.0.0.1\\share\\backup} "
                      "action=1 type=1 sched=weekly[2001-01-07T07:30:00Z,2001-01-01T07:30:00Z] "
                      "entries=2"),
       QStringLiteral(
           "name=Photos & <music> \"ünï\" 照片|kind=weekly|"
           "times=2001-01-07T07:30:00Z,2001-01-01T07:30:00Z|ext=.jpg, .png, .txt|"
           "user=DOMAIN\\ann|password=  p&ss<1>\"'\r\t|path=\\\\127.0.0.1\\share\\backup|"
           "model=KMR-2200-05|action=incremental|status=Not started|last=|next=")},
      {"anonymous, all files, manually",
       QStringLiteral("Documents"),
       {{QStringLiteral(".*")},
        {QStringLiteral(".*")},
        {QStringLiteral(".*")},
        {QStringLiteral(".*")}},
       {QStringLiteral("/srv/data")},
       QString(),
       QStringLiteral("not written"),
       QStringLiteral("\\\\127.0.0.1\\public"),
       QString(),
       QStringLiteral("full_backup"),
       QStringLiteral("manually"),
       {QStringLiteral("2001-01-01T00:00:00Z")},
       QStringLiteral("name=Documents filter=0[.*,.*,.*,.*] src=[/srv/data] "
                      "dst={1 anon :@\\\\127.0.0.1\\public} action=0 type=0 sched=[] entries=0"),
       QStringLiteral("name=Documents|kind=manually|times=|ext=.*, .*, .*, .*|user=|password=|"
                      "path=\\\\127.0.0.1\\public|model=|action=full_backup|status=Not started|"
                      "last=|next=")},
      {"daily, empty password, three sources",
       QStringLiteral("Videos"),
       {{QStringLiteral(".mp4"), QStringLiteral(".mkv")}, {}, {}, {}},
       {QStringLiteral("/home/ann/Videos"), QStringLiteral("/home/ann/Clips"),
        QStringLiteral("/mnt/cam")},
       QStringLiteral("ann"),
       QString(),
       QStringLiteral("\\\\127.0.0.1\\share"),
       QStringLiteral("M"),
       QStringLiteral("incremental"),
       QStringLiteral("daily"),
       {QStringLiteral("2001-01-01T23:05:00Z")},
       QStringLiteral(
           "name=Videos filter=0[.mp4,.mkv] src=[/home/ann/Videos,/home/ann/Clips,/mnt/cam] "
           "dst={1 acct ann:@\\\\127.0.0.1\\share} action=1 type=1 "
           "sched=daily[2001-01-01T23:05:00Z] entries=1"),
       QStringLiteral("name=Videos|kind=daily|times=2001-01-01T23:05:00Z|ext=.mp4, .mkv|user=ann|"
                      "password=|path=\\\\127.0.0.1\\share|model=M|action=incremental|"
                      "status=Not started|last=|next=")},
      // Qt's ISO text already ends in "Z"; one appended "Z" more must not cost the schedule.
      {"monthly, times written with one Z in UTC",
       QStringLiteral("Monthly"),
       {{}, {}, {QStringLiteral(".flac")}, {QStringLiteral(".doc"), QStringLiteral(".odt")}},
       {QStringLiteral("/home/ann/Documents")},
       QStringLiteral("ann"),
       QStringLiteral("pw"),
       QStringLiteral("\\\\127.0.0.1\\share"),
       QString(),
       QStringLiteral("full_backup"),
       QStringLiteral("monthly"),
       {QStringLiteral("2001-01-15T06:00:00ZZ"), QStringLiteral("2001-01-31T12:00:00+02:00")},
       QStringLiteral("name=Monthly filter=0[.flac,.doc,.odt] src=[/home/ann/Documents] "
                      "dst={1 acct ann:pw@\\\\127.0.0.1\\share} action=0 type=1 "
                      "sched=monthly[2001-01-15T06:00:00Z,2001-01-31T10:00:00Z] entries=2"),
       QStringLiteral("name=Monthly|kind=monthly|times=2001-01-15T06:00:00Z,2001-01-31T10:00:00Z|"
                      "ext=.flac, .doc, .odt|user=ann|password=pw|path=\\\\127.0.0.1\\share|model=|"
                      "action=full_backup|status=Not started|last=|next=")},
  };
  return cases;
}

int add(UpdateSessionConfig& store, const TaskCase& c) {
  return store.AddSession(c.name, c.groups[0], c.groups[1], c.groups[2], c.groups[3], c.sources,
                          c.user, c.password, c.destination, c.model, c.action, c.kind, c.times);
}

}  // namespace

class SessionConfigTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Nothing listens on this port of 127.0.0.1: the service's loader, which asks each
    // task's share for its last run, fails at once.
    qputenv("TESSALY_SMB_PORT", "1");
  }

  // Every test starts from an empty data folder.
  void init() {
    QDir(controller_test::dataFolder()).removeRecursively();
    controller_test::dataFolder();
  }

  void addedTaskReadsBackThroughTheServiceLoader_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < taskCases().size(); ++i) QTest::newRow(taskCases()[i].tag) << i;
  }

  void addedTaskReadsBackThroughTheServiceLoader() {
    QFETCH(int, row);
    const TaskCase& c = taskCases()[row];
    UpdateSessionConfig store(controller_test::dataFolder());
    QCOMPARE(add(store, c), int(UpdateSessionConfig::AddDone));
    QVERIFY(store.lastError().isEmpty());

    QVERIFY(store.ReadSessionConfig());
    QCOMPARE(store.GetSessionList()->size(), 1);
    const SessionRecord& record = store.GetSessionList()->first();
    // A QUuid text: lower case, no braces.
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}$"))
                .match(record.uuid)
                .hasMatch());
    QCOMPARE(describe(record), c.record);

    bool loaded = false;
    const std::vector<session_t> tasks = serviceTasks(&loaded);
    QVERIFY(loaded);
    QCOMPARE(int(tasks.size()), 1);
    QCOMPARE(describe(tasks[0]), QStringLiteral("uuid=") + record.uuid + u' ' + c.service);

    // An anonymous share has neither user nor password in the file.
    const QStringList destination =
        c.user.isEmpty()
            ? QStringList{"protocol", "anonymous", "path", "model"}
            : QStringList{"protocol", "anonymous", "user", "password", "path", "model"};
    QCOMPARE(childNames(readBytes(taskFile()), 1, QStringLiteral("destination")), destination);
  }

  // The two tasks of the example file, added to no file, give that file byte for byte (the
  // uuids apart): header, numbering, ids restarting in each group, entities, and the
  // schedule elements only for the scheduled task.
  void writesTheLayoutOfTheExampleFile() {
    UpdateSessionConfig store(controller_test::dataFolder());
    QCOMPARE(store.AddSession(
                 QStringLiteral("Photos & music"), {},
                 {QStringLiteral(".jpg"), QStringLiteral(".png")}, {}, {QStringLiteral(".txt")},
                 {QStringLiteral("/home/ann/Pictures"), QStringLiteral("/home/ann/Music")},
                 QStringLiteral("ann"), QStringLiteral("p&ss<1>"),
                 QStringLiteral("\\\\127.0.0.1\\public\\backup"), QStringLiteral("KMR-2200-05"),
                 QStringLiteral("incremental"), QStringLiteral("weekly"),
                 {QStringLiteral("2001-01-07T07:30:00Z"), QStringLiteral("2001-01-01T07:30:00Z")}),
             0);
    const QStringList all{QStringLiteral(".*")};
    QCOMPARE(store.AddSession(QStringLiteral("Documents"), all, all, all, all,
                              {QStringLiteral("/home/ann/Documents")}, QString(), QString(),
                              QStringLiteral("\\\\127.0.0.1\\public"), QString(),
                              QStringLiteral("full_backup"), QStringLiteral("manually"), {}),
             0);
    QVERIFY(store.ReadSessionConfig());
    const QStringList uuids = uuidsOf(*store.GetSessionList());
    QCOMPARE(uuids.size(), 2);
    QByteArray expected = readBytes(testData("session_config_two_tasks.dat"));
    expected.replace(kU1.toUtf8(), uuids[0].toUtf8()).replace(kU2.toUtf8(), uuids[1].toUtf8());
    QCOMPARE(QString::fromUtf8(readBytes(taskFile())), QString::fromUtf8(expected));
  }

  // AddSession on each kind of file: a missing, empty or task-less file becomes a new task
  // file; a file with a missing or wrong `count` keeps its tasks and gets the right count;
  // a damaged file is not touched.
  void addToEachKindOfFile_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QStringList>("kept");
    const QByteArray header = twoTasks().left(twoTasks().indexOf("</description>") + 15);
    const QByteArray tasks = twoTasks();
    QTest::newRow("no file") << false << QByteArray() << true << QStringList();
    QTest::newRow("empty file") << true << QByteArray() << true << QStringList();
    QTest::newRow("blank file") << true << QByteArray("\n  \r\n") << true << QStringList();
    QTest::newRow("count 0") << true
                             << header + "<configuration>\n<count>0</count>\n</configuration>\n"
                             << true << QStringList();
    QTest::newRow("two tasks") << true << tasks << true << QStringList{kU1, kU2};
    QTest::newRow("byte-order mark")
        << true << QByteArray("\xEF\xBB\xBF") + tasks << true << QStringList{kU1, kU2};
    QTest::newRow("no count") << true << withoutLine(tasks, "    <count>2</count>\n") << true
                              << QStringList{kU1, kU2};
    QTest::newRow("wrong count") << true
                                 << QByteArray(tasks).replace("<count>2</count>\n    <session",
                                                              "<count>7</count>\n    <session")
                                 << true << QStringList{kU1, kU2};
    QTest::newRow("truncated") << true << tasks.left(tasks.size() / 2) << false << QStringList();
    QTest::newRow("no </description>")
        << true << withoutLine(tasks, "</description>") << false << QStringList();
    QTest::newRow("header only") << true << header + "\n" << false << QStringList();
  }

  void addToEachKindOfFile() {
    QFETCH(bool, exists);
    QFETCH(QByteArray, content);
    QFETCH(bool, written);
    QFETCH(QStringList, kept);
    if (exists) writeBytes(taskFile(), content);
    UpdateSessionConfig store(controller_test::dataFolder());
    const int result = addTask(store);
    if (!written) {
      QCOMPARE(result, int(UpdateSessionConfig::AddNotWritten));
      QVERIFY(!store.lastError().isEmpty());
      QCOMPARE(readBytes(taskFile()), content);
      QVERIFY(!store.ReadSessionConfig());
      QVERIFY(store.GetSessionList()->isEmpty());
      return;
    }
    QCOMPARE(result, int(UpdateSessionConfig::AddDone));
    QVERIFY(store.ReadSessionConfig());
    const QStringList uuids = uuidsOf(*store.GetSessionList());
    QCOMPARE(uuids.size(), kept.size() + 1);
    QCOMPARE(uuids.mid(0, kept.size()), kept);
    QCOMPARE(outline(readBytes(taskFile())), expectedOutline(uuids));
    QStringList serviceUuids;
    for (const session_t& s : serviceTasks()) serviceUuids << q(s.uuid);
    QCOMPARE(serviceUuids, uuids);
  }

  // Rename and reschedule change the one task their uuid names, and only what they change.
  void renameAndRescheduleByExactUuid() {
    writeBytes(taskFile(), twoTasks());
    UpdateSessionConfig store(controller_test::dataFolder());
    const QStringList before = describeService();
    QCOMPARE(before.size(), 2);

    QVERIFY(store.UpdateSchedule(kU2, QStringLiteral("Renamed & <new>"), QStringLiteral("weekly"),
                                 {QStringLiteral("2001-01-02T03:04:00Z")},
                                 UpdateSessionConfig::Rename));
    QStringList now = describeService();
    QCOMPARE(now[0], before[0]);
    QCOMPARE(now[1], QString(before[1]).replace(QStringLiteral("name=Documents"),
                                                QStringLiteral("name=Renamed & <new>")));
    // The group names inside the filter stay what they were.
    ConfigDocument document;
    QVERIFY(parseConfigFile(readBytes(taskFile()), &document));
    QStringList aliasNames;
    for (const XmlNode& alias :
         document.configuration.children[2].child("filter")->child("extension")->children) {
      if (alias.name == u"alias") aliasNames << alias.child(QStringLiteral("name"))->text;
    }
    QCOMPARE(aliasNames, (QStringList{"video", "picture", "audio", "customize"}));

    // Weekly to manually: the old schedule elements go.
    QVERIFY(store.UpdateSchedule(kU1, QString(), QStringLiteral("manually"),
                                 {QStringLiteral("2001-01-02T03:04:00Z")},
                                 UpdateSessionConfig::Reschedule));
    now = describeService();
    QCOMPARE(now[0],
             QString(before[0]).replace(
                 QStringLiteral(
                     "type=1 sched=weekly[2001-01-07T07:30:00Z,2001-01-01T07:30:00Z] entries=2"),
                 QStringLiteral("type=0 sched=[] entries=0")));
    QCOMPARE(childNames(readBytes(taskFile()), 1).mid(4),
             (QStringList{"destination", "action", "type"}));
    QCOMPARE(now[1], QString(before[1]).replace(QStringLiteral("name=Documents"),
                                                QStringLiteral("name=Renamed & <new>")));

    // Manually to monthly.
    QVERIFY(store.UpdateSchedule(kU2, QString(), QStringLiteral("monthly"),
                                 {QStringLiteral("2001-01-28T21:15:00Z")},
                                 UpdateSessionConfig::Reschedule));
    now = describeService();
    QVERIFY2(
        now[1].endsWith(QStringLiteral("type=1 sched=monthly[2001-01-28T21:15:00Z] entries=1")),
        qPrintable(now[1]));
    QCOMPARE(outline(readBytes(taskFile())), expectedOutline({kU1, kU2}));
    QVERIFY(store.ReadSessionConfig());
    QCOMPARE(store.GetSessionList()->at(1).name, QStringLiteral("Renamed & <new>"));
    QCOMPARE(store.GetSessionList()->at(1).scheduleKind, QStringLiteral("monthly"));
    QCOMPARE(store.GetSessionList()->at(0).scheduleKind, QStringLiteral("manually"));
    QCOMPARE(store.GetSessionList()->at(0).scheduleTimes, QString());
  }

  // A key that is empty, a part of a uuid, another spelling of one or an unknown uuid
  // changes nothing, in the file or in the list, and is reported.
  void keysThatNameNoTaskChangeNothing_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("empty") << QString();
    QTest::newRow("part of a uuid") << kU1.left(8);
    QTest::newRow("one character") << QStringLiteral("a");
    QTest::newRow("upper case") << kU1.toUpper();
    QTest::newRow("with a blank") << kU1 + u' ';
    QTest::newRow("unknown uuid") << kU3;
  }

  void keysThatNameNoTaskChangeNothing() {
    QFETCH(QString, key);
    const QByteArray content = twoTasks();
    writeBytes(taskFile(), content);
    UpdateSessionConfig store(controller_test::dataFolder());
    QVERIFY(store.ReadSessionConfig());
    const QStringList list = describeList(store);

    QVERIFY(!store.UpdateSchedule(key, QStringLiteral("X"), QStringLiteral("manually"), {},
                                  UpdateSessionConfig::Rename));
    QVERIFY(!store.lastError().isEmpty());
    QVERIFY(!store.UpdateSchedule(key, QStringLiteral("X"), QStringLiteral("daily"),
                                  {QStringLiteral("2001-01-01T01:00:00Z")},
                                  UpdateSessionConfig::Reschedule));
    QVERIFY(!store.lastError().isEmpty());
    QVERIFY(!store.DeleteSession(key));
    QVERIFY(!store.lastError().isEmpty());
    QCOMPARE(readBytes(taskFile()), content);
    QCOMPARE(describeList(store), list);

    // Without a task file nothing is made either.
    QVERIFY(QFile::remove(taskFile()));
    QVERIFY(!store.DeleteSession(kU1));
    QVERIFY(!store.UpdateSchedule(kU1, QStringLiteral("X"), QString(), {},
                                  UpdateSessionConfig::Rename));
    QVERIFY(!QFile::exists(taskFile()));
  }

  void deleteRenumbersAndUpdatesTheList() {
    writeBytes(taskFile(), twoTasks());
    UpdateSessionConfig store(controller_test::dataFolder());
    QCOMPARE(addTask(store), 0);
    QVERIFY(store.ReadSessionConfig());
    const QString u3 = store.GetSessionList()->at(2).uuid;

    // The first of three: the others are 1 and 2, the list loses the record at once.
    QVERIFY(store.DeleteSession(kU1));
    QCOMPARE(uuidsOf(*store.GetSessionList()), (QStringList{kU2, u3}));
    QCOMPARE(outline(readBytes(taskFile())), expectedOutline({kU2, u3}));
    QStringList serviceUuids;
    for (const session_t& s : serviceTasks()) serviceUuids << q(s.uuid);
    QCOMPARE(serviceUuids, (QStringList{kU2, u3}));

    QVERIFY(store.DeleteSession(u3));
    QVERIFY(store.DeleteSession(kU2));
    QVERIFY(store.GetSessionList()->isEmpty());
    QCOMPARE(outline(readBytes(taskFile())), QStringLiteral("count=0"));
    bool loaded = false;
    QVERIFY(serviceTasks(&loaded).empty());
    QVERIFY(loaded);
    QVERIFY(store.ReadSessionConfig());
    QVERIFY(store.GetSessionList()->isEmpty());
  }

  // A file edited by hand may hold one uuid twice: both tasks go, from file and list.
  void deleteRemovesEveryTaskOfThatUuid() {
    QByteArray content = twoTasks();
    const qsizetype first = content.indexOf("    <session id=\"1\">");
    const qsizetype end = content.indexOf("</session>\n") + 11;
    content.insert(first, content.mid(first, end - first));
    writeBytes(taskFile(), content);
    UpdateSessionConfig store(controller_test::dataFolder());
    QVERIFY(store.ReadSessionConfig());
    QCOMPARE(uuidsOf(*store.GetSessionList()), (QStringList{kU1, kU1, kU2}));
    QVERIFY(store.DeleteSession(kU1));
    QCOMPARE(uuidsOf(*store.GetSessionList()), QStringList{kU2});
    QCOMPARE(outline(readBytes(taskFile())), expectedOutline({kU2}));
  }

  // A task whose uuid could not name a folder is not listed (the service skips it too), but
  // a rewrite for another task keeps it as it stands.
  void tasksWithoutAValidUuidAreNotListedButKept() {
    writeBytes(taskFile(), QByteArray(twoTasks()).replace(kU1.toUtf8(), "../x"));
    UpdateSessionConfig store(controller_test::dataFolder());
    QTest::ignoreMessage(QtWarningMsg,
                         "task \"Photos & music\" has no valid uuid and is not listed");
    QVERIFY(store.ReadSessionConfig());
    QCOMPARE(uuidsOf(*store.GetSessionList()), QStringList{kU2});
    QCOMPARE(addTask(store), 0);
    QCOMPARE(outline(readBytes(taskFile())).section(u' ', 0, 2),
             QStringLiteral("count=3 1:../x 2:") + kU2);
  }

  // A task file that cannot be read whole is never rewritten: every change is refused and
  // says why, and the file stays as it is. An import still replaces it.
  void damagedFilesAreNeverRewritten_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    const QByteArray tasks = twoTasks();
    QTest::newRow("truncated") << "file" << tasks.left(tasks.size() * 2 / 3);
    QTest::newRow("no </description>") << "file" << withoutLine(tasks, "</description>");
    QTest::newRow("invalid character reference")
        << "file" << QByteArray(tasks).replace("<name>Documents", "<name>Doc&#1;uments");
    QTest::newRow("tags do not match")
        << "file"
        << QByteArray(tasks).replace("</action>\n        <type>manually",
                                     "</actio>\n        <type>manually");
    QTest::newRow("not UTF-8") << "file"
                               << QByteArray(tasks).replace("Documents", "Docum\xff\xfents");
    QTest::newRow("content after the body") << "file" << tasks + "<session/>\n";
    QTest::newRow("folder in its place") << "folder" << QByteArray();
    QTest::newRow("symbolic link in its place") << "link" << tasks;
  }

  void damagedFilesAreNeverRewritten() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    const QString elsewhere = controller_test::tempRoot() + QStringLiteral("/elsewhere.dat");
    if (kind == u"file") writeBytes(taskFile(), content);
    if (kind == u"folder") QVERIFY(QDir().mkpath(taskFile()));
    if (kind == u"link") {
      writeBytes(elsewhere, content);
      QVERIFY(QFile::link(elsewhere, taskFile()));
    }
    auto unchanged = [&] {
      const QFileInfo info(taskFile());
      if (kind == u"folder") return info.isDir();
      if (kind == u"link") return info.isSymLink() && readBytes(elsewhere) == content;
      return readBytes(taskFile()) == content;
    };

    UpdateSessionConfig store(controller_test::dataFolder());
    QVERIFY(!store.ReadSessionConfig());
    QVERIFY(!store.lastError().isEmpty());
    QVERIFY(store.GetSessionList()->isEmpty());
    QCOMPARE(addTask(store), int(UpdateSessionConfig::AddNotWritten));
    QVERIFY(!store.lastError().isEmpty());
    QVERIFY(!store.UpdateSchedule(kU1, QStringLiteral("X"), QString(), {},
                                  UpdateSessionConfig::Rename));
    QVERIFY(!store.UpdateSchedule(kU2, QString(), QStringLiteral("manually"), {},
                                  UpdateSessionConfig::Reschedule));
    QVERIFY(!store.DeleteSession(kU1));
    QVERIFY(!store.lastError().isEmpty());
    const QString exported = controller_test::tempRoot() + QStringLiteral("/damaged-export.dat");
    QVERIFY(!store.ExportSessionConfig(exported));
    QVERIFY(!QFile::exists(exported));
    QVERIFY(unchanged());

    // A good file imported puts the tasks back (in place of a link, not through it); a
    // folder in the file's place cannot be replaced, which is said too.
    const QString good = controller_test::tempRoot() + QStringLiteral("/good.dat");
    writeBytes(good, twoTasks());
    if (kind == u"folder") {
      QCOMPARE(store.ImportSessionConfig(good), int(UpdateSessionConfig::ImportNotWritten));
      QVERIFY(!store.lastError().isEmpty());
      QVERIFY(unchanged());
      return;
    }
    QCOMPARE(store.ImportSessionConfig(good), int(UpdateSessionConfig::Imported));
    QVERIFY(store.ReadSessionConfig());
    QCOMPARE(uuidsOf(*store.GetSessionList()), (QStringList{kU1, kU2}));
    if (kind == u"link") QCOMPARE(readBytes(elsewhere), content);
  }

  // Answers the service could not read, or would read as something else, are refused
  // before anything is written.
  void refusedAnswersWriteNothing_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < refusedCases().size(); ++i) QTest::newRow(refusedCases()[i].first) << i;
  }

  void refusedAnswersWriteNothing() {
    QFETCH(int, row);
    const QByteArray content = twoTasks();
    writeBytes(taskFile(), content);
    UpdateSessionConfig store(controller_test::dataFolder());
    QVERIFY(refusedCases()[row].second(store));
    QVERIFY(!store.lastError().isEmpty());
    QCOMPARE(readBytes(taskFile()), content);
  }

  void addReportsAFileThatCannotBeWritten() {
    UpdateSessionConfig store(controller_test::tempRoot() + QStringLiteral("/no-such-folder"));
    QCOMPARE(addTask(store), int(UpdateSessionConfig::AddNotWritten));
    QVERIFY(!store.lastError().isEmpty());
    QVERIFY(!QFileInfo::exists(store.configPath()));
  }

  void exportAndImportRoundTrip() {
    writeBytes(taskFile(), twoTasks());
    UpdateSessionConfig store(controller_test::dataFolder());
    QVERIFY(store.ReadSessionConfig());
    const QStringList list = describeList(store);
    const QStringList service = describeService();

    // Over an older file that others could read: the export is the owner's alone.
    const QString exported = controller_test::tempRoot() + QStringLiteral("/tasks-export.dat");
    writeBytes(exported, "old");
    QVERIFY(QFile::setPermissions(exported, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ReadOther));
    QVERIFY(store.ExportSessionConfig(exported));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(exported).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
    QCOMPARE(readBytes(taskFile()), twoTasks());

    QVERIFY(store.DeleteSession(kU1));
    QVERIFY(store.DeleteSession(kU2));
    QCOMPARE(store.ImportSessionConfig(exported), int(UpdateSessionConfig::Imported));
    QVERIFY(store.lastError().isEmpty());
    QVERIFY(store.ReadSessionConfig());
    QCOMPARE(describeList(store), list);
    QCOMPARE(describeService(), service);

    // No tasks export as a task file without tasks, which imports as no tasks.
    QVERIFY(QFile::remove(taskFile()));
    QVERIFY(store.ExportSessionConfig(exported));
    writeBytes(taskFile(), twoTasks());
    QCOMPARE(store.ImportSessionConfig(exported), int(UpdateSessionConfig::Imported));
    QVERIFY(store.ReadSessionConfig());
    QVERIFY(store.GetSessionList()->isEmpty());
    QCOMPARE(outline(readBytes(taskFile())), QStringLiteral("count=0"));
  }

  void exportNeverOverwritesTheTaskFile_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("link");  // "", "symbolic" or "hard": made at target first
    const QString data = controller_test::dataFolder();
    QTest::newRow("its path") << data + QStringLiteral("/SESSION_CONFIG.dat") << QString();
    QTest::newRow("a path through ..")
        << data + QStringLiteral("/../Tessaly/SESSION_CONFIG.dat") << QString();
    QTest::newRow("a symbolic link to it")
        << controller_test::tempRoot() + QStringLiteral("/to-tasks.dat")
        << QStringLiteral("symbolic");
    QTest::newRow("a hard link to it")
        << controller_test::tempRoot() + QStringLiteral("/same-tasks.dat")
        << QStringLiteral("hard");
  }

  void exportNeverOverwritesTheTaskFile() {
    QFETCH(QString, target);
    QFETCH(QString, link);
    writeBytes(taskFile(), twoTasks());
    if (!link.isEmpty()) QFile::remove(target);
    if (link == u"symbolic") QVERIFY(QFile::link(taskFile(), target));
    if (link == u"hard") {
      QCOMPARE(
          ::link(QFile::encodeName(taskFile()).constData(), QFile::encodeName(target).constData()),
          0);
    }
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(taskFile()).constData(), &before), 0);
    UpdateSessionConfig store(controller_test::dataFolder());
    QVERIFY(!store.ExportSessionConfig(target));
    QVERIFY(!store.lastError().isEmpty());
    struct stat after;
    QCOMPARE(::stat(QFile::encodeName(taskFile()).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(readBytes(taskFile()), twoTasks());
    if (link == u"symbolic") QVERIFY(QFileInfo(target).isSymLink());
    if (!link.isEmpty()) QFile::remove(target);
  }

  // Only a whole task file whose tasks each have a uuid of their own is imported; anything
  // else is refused with its reason, and the task file stays as it is.
  void importRefusesWhatIsNoTaskFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    const QByteArray tasks = twoTasks();
    QTest::newRow("missing") << "missing" << QByteArray();
    QTest::newRow("empty") << "file" << QByteArray();
    QTest::newRow("plain text") << "file" << QByteArray("hello\n");
    QTest::newRow("settings file") << "file" << readBytes(testData("global_setting_default.dat"));
    QTest::newRow("truncated body") << "file" << tasks.left(tasks.size() - 40);
    QTest::newRow("no magic") << "file" << withoutLine(tasks, "    <magic>E4BBBBE58AA1</magic>\n");
    QTest::newRow("other magic") << "file"
                                 << QByteArray(tasks).replace("E4BBBBE58AA1", "E8AEBEE7BDAE");
    QTest::newRow("magic not third")
        << "file" << withoutLine(tasks, "    <version>1.0</version>\n");
    QTest::newRow("uuid forming a path")
        << "file" << QByteArray(tasks).replace(kU2.toUtf8(), "../../../../etc/x");
    QTest::newRow("task without uuid")
        << "file" << withoutLine(tasks, "        <uuid>" + kU2.toUtf8() + "</uuid>\n");
    QTest::newRow("one uuid twice")
        << "file" << QByteArray(tasks).replace(kU2.toUtf8(), kU1.toUtf8());
    QTest::newRow("one uuid twice, other case")
        << "file" << QByteArray(tasks).replace(kU2.toUtf8(), kU1.toUpper().toUtf8());
    QTest::newRow("folder") << "folder" << QByteArray();
    QTest::newRow("FIFO") << "fifo" << QByteArray();
  }

  void importRefusesWhatIsNoTaskFile() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    const QByteArray current = twoTasks();
    writeBytes(taskFile(), current);
    const QString source = controller_test::tempRoot() + QStringLiteral("/import-") +
                           QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'-');
    if (kind == u"file") writeBytes(source, content);
    if (kind == u"folder") QVERIFY(QDir().mkpath(source));
    if (kind == u"fifo") QCOMPARE(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
    UpdateSessionConfig store(controller_test::dataFolder());
    QCOMPARE(store.ImportSessionConfig(source), int(UpdateSessionConfig::ImportRefused));
    QVERIFY(!store.lastError().isEmpty());
    QCOMPARE(readBytes(taskFile()), current);
  }

  // The written task file follows the configuration files' rights rule, also where the old
  // file had other rights, and no temporary file stays behind.
  void writtenFilesFollowTheRightsRule() {
    writeBytes(taskFile(), twoTasks());
    QVERIFY(QFile::setPermissions(taskFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther));
    UpdateSessionConfig store(controller_test::dataFolder());
    QCOMPARE(addTask(store), 0);
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(taskFile()).constData(), &st), 0);
    const struct group* tessaly = ::getgrnam("tessaly");
    if (tessaly != nullptr && st.st_gid == tessaly->gr_gid) {
      QCOMPARE(st.st_mode & 07777, mode_t(0660));
    } else {
      QVERIFY2(tessaly == nullptr || ::getuid() != 0, "root can always give the file the group");
      QCOMPARE(st.st_mode & 07777, mode_t(0600));
    }
    QCOMPARE(QDir(controller_test::dataFolder())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("SESSION_CONFIG.dat")});
  }

 private:
  using RefusedCase = QPair<const char*, std::function<bool(UpdateSessionConfig&)>>;

  // Each call must report a refusal.
  static const QList<RefusedCase>& refusedCases() {
    static const QList<RefusedCase> cases = [] {
      auto addWith = [](std::function<void(TaskCase&)> change) {
        return [change](UpdateSessionConfig& store) {
          TaskCase c = taskCases()[0];
          change(c);
          return add(store, c) == UpdateSessionConfig::AddNotWritten;
        };
      };
      const QString controlChar = QStringLiteral("a") + QChar(1) + u'b';
      QList<RefusedCase> out = {
          {"name with a control character", addWith([=](TaskCase& c) { c.name = controlChar; })},
          {"source with a control character",
           addWith([](TaskCase& c) { c.sources << QStringLiteral("/a") + QChar(0x1f); })},
          {"extension with a vertical tab",
           addWith([](TaskCase& c) { c.groups[3] << QStringLiteral(".t") + QChar(0x0b); })},
          {"password with U+FFFE", addWith([](TaskCase& c) { c.password += QChar(0xfffe); })},
          {"model with a lone surrogate", addWith([](TaskCase& c) { c.model += QChar(0xd800); })},
          {"destination with U+FFFF", addWith([](TaskCase& c) { c.destination += QChar(0xffff); })},
          {"unknown backup kind", addWith([](TaskCase& c) { c.action = QStringLiteral("copy"); })},
          {"unknown schedule", addWith([](TaskCase& c) { c.kind = QStringLiteral("hourly"); })},
          {"the file's word instead of a kind",
           addWith([](TaskCase& c) { c.kind = QStringLiteral("schedule"); })},
          {"kind in other case", addWith([](TaskCase& c) { c.kind = QStringLiteral("Weekly"); })},
          {"weekly without a time", addWith([](TaskCase& c) { c.times.clear(); })},
          {"time without a zone",
           addWith([](TaskCase& c) { c.times = {QStringLiteral("2001-01-01T07:30:00")}; })},
          {"time that is no time",
           addWith([](TaskCase& c) { c.times = {QStringLiteral("07:30")}; })},
          {"rename with a control character",
           [=](UpdateSessionConfig& store) {
             return !store.UpdateSchedule(kU1, controlChar, QString(), {},
                                          UpdateSessionConfig::Rename);
           }},
          {"reschedule to an unknown kind",
           [](UpdateSessionConfig& store) {
             return !store.UpdateSchedule(kU1, QString(), QStringLiteral("hourly"), {},
                                          UpdateSessionConfig::Reschedule);
           }},
          {"reschedule with a bad time",
           [](UpdateSessionConfig& store) {
             return !store.UpdateSchedule(kU1, QString(), QStringLiteral("daily"),
                                          {QStringLiteral("tomorrow")},
                                          UpdateSessionConfig::Reschedule);
           }},
          {"unknown change",
           [](UpdateSessionConfig& store) {
             return !store.UpdateSchedule(kU1, QStringLiteral("X"), QStringLiteral("manually"), {},
                                          3);
           }},
      };
      return out;
    }();
    return cases;
  }
};

TESSALY_TEST_MAIN(SessionConfigTest, QCoreApplication)
#include "sessionconfig_test.moc"
