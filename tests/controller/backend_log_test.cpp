// The log reader (GetLogInformation) on LOG.dat files made by hand in the layout of Part
// 1.107, and on one written by the service's own writer (file_log_flush of the daemon
// library).
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>

#include "controller_test.h"
#include "getloginformation.h"
#include "log.h"

namespace {

struct Rec {
  QString type, uuid, domain, time1, time2, content;
};

const QByteArray kHeader =
    "<description>\n\t<version>1.0</version>\n\t<magic>E697A5E5BF97</magic>\n"
    "\t<vendor>BRELKIN</vendor>\n\t<type>log</type>\n"
    "\t<misc>0123456789abcdef0123456789abcdef</misc>\n</description>\n";

// One record as the service writes it; `content` is inserted as it stands (the caller
// escapes it).
QByteArray record(int id, const Rec& r) {
  return QString(
             "\t<log id=\"%1\">\n\t\t<type>%2</type>\n\t\t<level>0</level>\n"
             "\t\t<domain>%3</domain>\n\t\t<uuid>%4</uuid>\n\t\t<time1>%5</time1>\n"
             "\t\t<time2>%6</time2>\n\t\t<content>%7</content>\n\t</log>\n")
      .arg(id)
      .arg(r.type, r.domain, r.uuid, r.time1, r.time2, r.content)
      .toUtf8();
}

QByteArray logFile(const QList<Rec>& records) {
  QByteArray body =
      "<configuration>\n\t<count>" + QByteArray::number(records.size()) + "</count>\n";
  for (int i = 0; i < records.size(); ++i) body += record(i + 1, records[i]);
  return kHeader + body + "</configuration>\n";
}

const QList<Rec> kThree = {
    {"message", "6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30", "Photos", "2026-03-01T13:05:09Z",
     "2026-03-01T13:05:10Z", "Backup started"},
    {"warning", "", "OTHERS", "2026-03-01T13:06:00.123456Z", "2026-03-01T13:06:01Z",
     "R&amp;D &lt;folder&gt; skipped"},
    {"error", "a03d5c91-77e2-4f10-8b6d-c4e9f2a81d57", QString::fromUtf8("\xE6\x97\xA5\xE5\xBF\x97"),
     "2026-03-02T00:00:00Z", "2026-03-02T00:00:01Z", "Cannot reach the share"},
};

QStringList describe(const LogList* list) {
  QStringList out;
  for (const LogRecord& r : list->records) {
    out << QStringList{r.type, r.uuid, r.domain, r.time1, r.time2, r.content}.join('|');
  }
  return out;
}

QStringList describe(const QList<Rec>& records) {
  QStringList out;
  for (const Rec& r : records) {
    QString content = r.content;
    content.replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">");
    out << QStringList{r.type, r.uuid, r.domain, r.time1, r.time2, content}.join('|');
  }
  return out;
}

}  // namespace

class LogReaderTest : public QObject {
  Q_OBJECT

  QString dir_;
  QString path_;

  void writeLog(const QByteArray& bytes) {
    QFile f(path_);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
  }

 private slots:
  void initTestCase() {
    dir_ = controller_test::dataFolder();
    path_ = QDir(dir_).filePath("LOG.dat");
  }
  void init() { QFile::remove(path_); }

  // Whole files: the records in file order, entities decoded, times kept as text.
  void wholeFiles_data() {
    QTest::addColumn<int>("records");
    QTest::addRow("count 0, no record") << 0;
    QTest::addRow("one record") << 1;
    QTest::addRow("three records") << 3;
  }
  void wholeFiles() {
    QFETCH(int, records);
    const QList<Rec> recs = kThree.mid(0, records);
    writeLog(logFile(recs));
    GetLogInformation reader(dir_);
    reader.ReadLog();
    QCOMPARE(reader.GetLogList()->count, records);
    QCOMPARE(describe(reader.GetLogList()), describe(recs));
    // A second reading replaces the list, it does not add to it.
    reader.ReadLog();
    QCOMPARE(reader.GetLogList()->count, records);
  }

  // Files that are not whole never crash the reader, and give the records whose end tag was
  // read before the damage (none invented after it).
  void damagedFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kept");
    const QByteArray full = logFile(kThree);
    const qsizetype third = full.indexOf("<log id=\"3\">");
    QTest::addRow("missing file") << QByteArray("<missing>") << 0;
    QTest::addRow("empty file") << QByteArray() << 0;
    QTest::addRow("no header") << full.mid(full.indexOf("<configuration>")) << 0;
    QTest::addRow("header only") << kHeader << 0;
    QTest::addRow("cut inside record 3") << full.left(third + 60) << 2;
    QTest::addRow("cut before </log> of record 3") << full.left(full.indexOf("</log>", third)) << 2;
    QTest::addRow("cut after record 3") << full.left(full.indexOf("</log>", third) + 7) << 3;
    QTest::addRow("raw < in record 2") << QByteArray(full).replace("&lt;folder", "<folder") << 1;
    QTest::addRow("binary garbage") << QByteArray(kHeader + QByteArray(300, '\xff')) << 0;
    QTest::addRow("cut in the header") << full.left(30) << 0;
  }
  void damagedFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, kept);
    if (bytes != "<missing>") writeLog(bytes);
    GetLogInformation reader(dir_);
    reader.ReadLog();
    QCOMPARE(reader.GetLogList()->count, kept);
    QCOMPARE(describe(reader.GetLogList()), describe(kThree.mid(0, kept)));
  }

  // Every level word the service writes is kept as it stands.
  void types() {
    QList<Rec> recs;
    for (const char* t : {"message", "warning", "alert", "error", "debug"}) {
      recs.append({t, "u", "d", "2026-03-01T13:05:09Z", "2026-03-01T13:05:09Z", t});
    }
    writeLog(logFile(recs));
    GetLogInformation reader(dir_);
    reader.ReadLog();
    QStringList types;
    for (const LogRecord& r : reader.GetLogList()->records) types << r.type;
    QCOMPARE(types, QStringList({"message", "warning", "alert", "error", "debug"}));
  }

  // A record that lacks an element has that text empty; it does not take the record
  // before's (which would give an error of one task the uuid of another).
  void missingElementIsEmpty() {
    QByteArray bytes = logFile(kThree.mid(0, 2));
    const QByteArray second = "<log id=\"2\">";
    const qsizetype at = bytes.indexOf(second);
    bytes.replace(bytes.indexOf("\t\t<time1>", at),
                  QByteArray("\t\t<time1>2026-03-01T13:06:00.123456Z</time1>\n").size(), "");
    QVERIFY(!bytes.mid(at).contains("<time1>"));
    writeLog(bytes);
    GetLogInformation reader(dir_);
    reader.ReadLog();
    QCOMPARE(reader.GetLogList()->count, 2);
    QCOMPARE(reader.GetLogList()->records[1].uuid, QString());
    QCOMPARE(reader.GetLogList()->records[1].time1, QString());
    QCOMPARE(reader.GetLogList()->records[1].domain, QString("OTHERS"));
  }

  // The service's own writer: texts with "<" and "&" and a non-ASCII domain come back whole.
  void serviceWrittenLog() {
    log_store_reset();
    log_list_t list;
    GTimeVal t1{1772370309, 0};
    GTimeVal t2{1772370310, 250000};
    list.push_back({"message", 0, "6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30", "Photos", t1, t2,
                    "Copied <3> files & folders"});
    list.push_back({"error", 0, "", "\xE6\x97\xA5\xE5\xBF\x97", t1, t2, "a]]>b \"quoted\""});
    QVERIFY(file_log_flush(list));
    GetLogInformation reader(dir_);
    reader.ReadLog();
    QCOMPARE(describe(reader.GetLogList()),
             QStringList({"message|6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30|Photos|"
                          "2026-03-01T13:05:09Z|2026-03-01T13:05:10.250000Z|"
                          "Copied <3> files & folders",
                          QString::fromUtf8("error||\xE6\x97\xA5\xE5\xBF\x97|"
                                            "2026-03-01T13:05:09Z|2026-03-01T13:05:10.250000Z|"
                                            "a]]>b \"quoted\"")}));
  }
};

TESSALY_TEST_MAIN(LogReaderTest, QCoreApplication)
#include "backend_log_test.moc"
