// The link client (Copycontroller) against a fake service: a QUdpSocket on 127.0.0.1:7502
// that captures every request and sends hand-made answers to 127.0.0.1:7503. Runs in a
// network namespace of its own (NETNS), so the fixed ports are the test's alone.
//
// Expected bytes are written out here by hand, not with the codec the client uses.
#include <sys/socket.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QProcess>
#include <QtNetwork/QHostAddress>
#include <QtNetwork/QUdpSocket>
#include <QtTest/QSignalSpy>

#include "controller_test.h"
#include "copycontroller.h"

namespace {

const QString kUuid = "6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30";

QByteArray le(quint64 v, int width) {
  QByteArray out;
  for (int i = 0; i < width; ++i) out.append(char((v >> (8 * i)) & 0xFF));
  return out;
}

QByteArray requestHeader(int type, int cmd, int len, quint64 daemonPid, quint64 guiPid,
                         quint64 seq) {
  return QByteArray(1, char(type)) + QByteArray(1, char(cmd)) + le(len, 2) + le(daemonPid, 8) +
         le(guiPid, 8) + le(seq, 8);
}

QByteArray z(const QString& text) { return text.toUtf8() + QByteArray(1, '\0'); }

// An ANSWER of the service: reply header (echo bytes zero), then the payload.
QByteArray answer(int cmd, quint64 daemonPid, qint64 result, const QByteArray& payload) {
  return QByteArray(1, char(3)) + QByteArray(1, char(cmd)) + le(36 + payload.size(), 2) +
         le(daemonPid, 8) + QByteArray(16, '\0') + le(quint64(result), 8) + payload;
}

// The payload of a detail answer with result 0.
QByteArray detailPayload(const QString& uuid, const QString& state, const QStringList& paths) {
  QByteArray p = QByteArray::fromHex("0b000101");
  p += z(uuid) + z("Photos") + z(state) + z("2026-03-02T07:30:00Z") + z("2026-03-01T07:30:00Z");
  for (const QString& path : paths) p += z(path);
  return p;
}

}  // namespace

class CopycontrollerTest : public QObject {
  Q_OBJECT

  QUdpSocket* service_ = nullptr;

  // The next request the fake service receives, or "<none>" within a second.
  QByteArray nextRequest(int timeoutMs = 1000) {
    if (!service_->hasPendingDatagrams() && !service_->waitForReadyRead(timeoutMs)) return "<none>";
    QByteArray d(int(service_->pendingDatagramSize()), '\0');
    service_->readDatagram(d.data(), d.size());
    return d;
  }
  void drain() {
    while (service_->hasPendingDatagrams() || service_->waitForReadyRead(50)) nextRequest();
  }
  void answerWith(const QByteArray& datagram) {
    QCOMPARE(service_->writeDatagram(datagram, QHostAddress::LocalHost, 7503),
             qint64(datagram.size()));
  }
  static quint64 seqOf(const QByteArray& request) {
    quint64 v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | quint8(request[20 + i]);
    return v;
  }
  static QStringList args(const QList<QVariant>& signal) {
    QStringList out;
    for (const QVariant& v : signal) out << v.toString();
    return out;
  }

 private slots:
  void init() {
    service_ = new QUdpSocket(this);
    QVERIFY2(service_->bind(QHostAddress::LocalHost, 7502), "the test needs 7502 (run it NETNS)");
  }
  void cleanup() {
    delete service_;
    service_ = nullptr;
  }

  // The constructor's version query comes first, numbered 1, with no service id; the next
  // request carries 2 and the id the version answer gave.
  void versionQueryFirst_data() {
    QTest::addColumn<int>("pid");
    QTest::addColumn<quint64>("guiPid");
    QTest::addRow("pid 4242") << 4242 << quint64(4242);
    QTest::addRow("negative pid, sign-extended") << -5 << quint64(0xFFFFFFFFFFFFFFFBull);
  }
  void versionQueryFirst() {
    QFETCH(int, pid);
    QFETCH(quint64, guiPid);
    Copycontroller c(pid);
    QVERIFY(c.isListening());
    QCOMPARE(nextRequest(), requestHeader(2, 0, 28, 0, guiPid, 1));
    answerWith(answer(0, 0x0000001122334455ull, 0, QByteArray::fromHex("000000020000000100")));
    QTRY_COMPARE(c.serviceId_, quint64(0x0000001122334455ull));
    QCOMPARE(c.SendReload(), 1);
    QCOMPARE(nextRequest(), requestHeader(0, 0, 28, 0x1122334455ull, guiPid, 2));
  }

  // Every request's bytes; each one is the second request of the run (seq 2).
  void requestLayouts_data() {
    QTest::addColumn<QString>("op");
    QTest::addColumn<QByteArray>("expected");
    const int n = kUuid.size();
    const QByteArray u = z(kUuid);
    const QString path = QString::fromUtf8("/home/ann/\xC3\x9Cn\xC3\xAF");
    auto h = [](int type, int cmd, int len) { return requestHeader(type, cmd, len, 0, 77, 2); };
    QTest::addRow("detail, empty uuid") << "detail:" << h(2, 2, 29) + QByteArray(1, '\0');
    QTest::addRow("detail") << "detail:uuid" << h(2, 2, 29 + n) + u;
    QTest::addRow("reload") << "reload" << h(0, 0, 28);
    QTest::addRow("backup start") << "start" << h(0, 1, 29 + n) + u;
    QTest::addRow("backup stop") << "stop" << h(0, 2, 29 + n) + u;
    QTest::addRow("restore to the original place")
        << "restore:original" << h(0, 3, 38 + n) + u + le(7, 8) + QByteArray(1, '\1');
    QTest::addRow("restore to another folder")
        << "restore:other"
        << h(0, 3, 38 + n + path.toUtf8().size() + 1) + u + le(0x0102030405060708ull, 8) +
               QByteArray(1, '\0') + z(path);
    QTest::addRow("log clear") << "clear" << h(0, 6, 28);
  }
  void requestLayouts() {
    QFETCH(QString, op);
    QFETCH(QByteArray, expected);
    const QString path = QString::fromUtf8("/home/ann/\xC3\x9Cn\xC3\xAF");
    Copycontroller c(77);
    QCOMPARE(nextRequest().size(), 28);
    int result = -1;
    if (op == "detail:") result = c.QuerySessionDetail("");
    if (op == "detail:uuid") result = c.QuerySessionDetail(kUuid);
    if (op == "reload") result = c.SendReload();
    if (op == "start") result = c.SendBackupStart(kUuid);
    if (op == "stop") result = c.SendBackupStop(kUuid);
    if (op == "restore:original") result = c.SendRestoreStart(kUuid, 7, true, path);
    if (op == "restore:other")
      result = c.SendRestoreStart(kUuid, 0x0102030405060708ull, false, path);
    if (op == "clear") result = c.SendLogClear();
    QCOMPARE(result, 1);
    const QByteArray got = nextRequest();
    QCOMPARE(got.toHex(' '), expected.toHex(' '));
    QCOMPARE(nextRequest(100), QByteArray("<none>"));
  }

  // One counter for all kinds of request: 1, 2, 3, ... without a repeat.
  void sequenceNumbers() {
    Copycontroller c(1);
    QList<quint64> seen{seqOf(nextRequest())};
    for (int i = 0; i < 4; ++i) {
      c.QuerySessionDetail(kUuid);
      c.SendReload();
      c.SendBackupStart(kUuid);
    }
    for (int i = 0; i < 12; ++i) seen << seqOf(nextRequest());
    QList<quint64> expected;
    for (quint64 s = 1; s <= 13; ++s) expected << s;
    QCOMPARE(seen, expected);
  }

  // Request number 2^32 carries the low word 0 and the high word 1.
  void sequenceAcrossTheWordBoundary() {
    Copycontroller c(1);
    nextRequest();
    c.sequence_ = 0xFFFFFFFFull - 1;
    c.SendReload();
    c.SendReload();
    c.SendReload();
    QCOMPARE(nextRequest().mid(20, 8).toHex(), QByteArray("ffffffff00000000"));
    QCOMPARE(nextRequest().mid(20, 8).toHex(), QByteArray("0000000001000000"));
    QCOMPARE(nextRequest().mid(20, 8).toHex(), QByteArray("0100000001000000"));
  }

  // A request that fits one datagram exactly is sent whole; one byte more is not sent at all
  // (and uses no sequence number).
  void oversizedRequests() {
    Copycontroller c(1);
    nextRequest();
    const int room = 65507 - (38 + kUuid.size() + 1);
    QCOMPARE(c.SendRestoreStart(kUuid, 1, false, QString(room, 'p')), 1);
    const QByteArray whole = nextRequest();
    QCOMPARE(whole.size(), 65507);
    QCOMPARE(whole.mid(2, 2).toHex(), QByteArray("e3ff"));
    QCOMPARE(c.SendRestoreStart(kUuid, 1, false, QString(room + 1, 'p')), 0);
    QCOMPARE(c.QuerySessionDetail(QString(70000, 'u')), 0);
    QCOMPARE(c.SendBackupStart(QString(65507 - 28, 'u')), 0);
    QCOMPARE(nextRequest(200), QByteArray("<none>"));
    QCOMPARE(c.SendReload(), 1);
    QCOMPARE(seqOf(nextRequest()), quint64(3));
  }

  // A datagram the socket refuses gives 0: here the send socket is swapped for one bound
  // to the IPv6 loopback, which cannot send to 127.0.0.1.
  void socketRefusesTheDatagram() {
    Copycontroller c(1);
    nextRequest();
    c.sendSocket_->close();
    QVERIFY(c.sendSocket_->bind(QHostAddress::LocalHostIPv6, 0));
    QCOMPARE(c.SendReload(), 0);
    QCOMPARE(nextRequest(200), QByteArray("<none>"));
  }

  // The answer port is held alone: no second socket, shared or not, gets it.
  void answerPortIsNotShared() {
    Copycontroller first(1);
    QVERIFY(first.isListening());
    int reuse = -1;
    socklen_t len = sizeof reuse;
    QCOMPARE(::getsockopt(int(first.receiveSocket_->socketDescriptor()), SOL_SOCKET, SO_REUSEADDR,
                          &reuse, &len),
             0);
    QCOMPARE(reuse, 0);
    QUdpSocket other;
    QVERIFY(!other.bind(QHostAddress::LocalHost, 7503,
                        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
    Copycontroller second(2);
    QVERIFY(!second.isListening());
    // Requests still go out.
    drain();
    QCOMPARE(second.SendReload(), 1);
    QCOMPARE(nextRequest().size(), 28);
  }

  // Detail answers with 3, 1 and 0 paths; texts are UTF-8; an empty path ends the list.
  void detailAnswers_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QStringList>("expected");
    const QString dst = "\\\\127.0.0.1\\public\\backup";
    const QString running = QString::fromUtf8("\xE5\xA4\x87\xE4\xBB\xBD");
    auto row = [&](const QString& state, const QString& joined, const QString& first) {
      return QStringList{kUuid,  state, "2026-03-02T07:30:00Z", "2026-03-01T07:30:00Z",
                         joined, first};
    };
    QTest::addRow("three paths") << answer(2, 9, 0,
                                           detailPayload(
                                               kUuid, "Not started",
                                               {dst, "/home/ann/Pictures", "/home/ann/Music"}))
                                 << row("Not started", "/home/ann/Pictures\n/home/ann/Music", dst);
    QTest::addRow("one path") << answer(2, 9, 0, detailPayload(kUuid, "Backup is running", {dst}))
                              << row("Backup is running", "", dst);
    QTest::addRow("no path") << answer(2, 9, 0, detailPayload(kUuid, running, {}))
                             << row(running, "", "");
    QTest::addRow("empty path ends the list")
        << answer(2, 9, 0, detailPayload(kUuid, "Not started", {dst, "/a", "", "/b"}))
        << row("Not started", "/a", dst);
  }
  void detailAnswers() {
    QFETCH(QByteArray, datagram);
    QFETCH(QStringList, expected);
    Copycontroller c(1);
    QSignalSpy spy(&c, &Copycontroller::UpdateSessionStatus);
    answerWith(datagram);
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(args(spy.at(0)), expected);
  }

  // Answers that give no signal: a non-zero result, other kinds and commands, short ones.
  void ignoredAnswers_data() {
    QTest::addColumn<QByteArray>("datagram");
    const QByteArray good = answer(2, 9, 0, detailPayload(kUuid, "Not started", {"/d"}));
    QTest::addRow("result 5") << answer(2, 9, 5, z("can not find the backup session"));
    QTest::addRow("result 5 with a detail payload")
        << answer(2, 9, 5, detailPayload(kUuid, "Not started", {"/d"}));
    QByteArray ack = good;
    ack[0] = char(1);
    QTest::addRow("ACK of command 2") << ack;
    QByteArray summary = good;
    summary[1] = char(1);
    QTest::addRow("summary answer") << summary;
    QByteArray request = good;
    request[0] = char(2);
    QTest::addRow("a request") << request;
    QTest::addRow("empty datagram") << QByteArray();
    QTest::addRow("header only") << good.left(36);
  }
  void ignoredAnswers() {
    QFETCH(QByteArray, datagram);
    Copycontroller c(1);
    QSignalSpy spy(&c, &Copycontroller::UpdateSessionStatus);
    answerWith(datagram);
    // A good answer behind it shows that the ignored one was read and passed over.
    answerWith(answer(2, 9, 0, detailPayload("after", "Not started", {})));
    QTRY_COMPARE(spy.size(), 1);
    QTest::qWait(20);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QString("after"));
  }

  // Every cut of a detail answer: no signal until the last run time is whole, then only
  // the texts that are whole; never a byte past the end (run it under ASan to see).
  void truncatedAnswers() {
    const QStringList paths{"/dst", "/src1", "/src2"};
    const QByteArray full = answer(2, 9, 0, detailPayload(kUuid, "Not started", paths));
    const qsizetype lastEnd = full.indexOf("2026-03-01T07:30:00Z") + 21;  // after its NUL
    Copycontroller c(1);
    QSignalSpy spy(&c, &Copycontroller::UpdateSessionStatus);
    for (qsizetype k = 0; k <= full.size(); ++k) {
      spy.clear();
      answerWith(full.left(k));
      answerWith(answer(2, 9, 0, detailPayload("marker", "x", {})));
      QTRY_VERIFY(!spy.isEmpty() && spy.last().at(0).toString() == "marker");
      const int expectedSignals = k >= lastEnd ? 2 : 1;
      QCOMPARE(spy.size(), expectedSignals);
      if (expectedSignals == 2) {
        const QStringList got = args(spy.at(0));
        QStringList whole;
        qsizetype at = lastEnd;
        for (const QString& p : paths) {
          at += p.size() + 1;
          if (at <= k) whole << p;
        }
        QCOMPARE(got.at(5), whole.value(0));
        QCOMPARE(got.at(4), whole.mid(1).join('\n'));
      }
    }
  }

  // Two answers read in one go give two signals, in arrival order.
  void twoAnswersInOneRead() {
    Copycontroller c(1);
    QSignalSpy spy(&c, &Copycontroller::UpdateSessionStatus);
    answerWith(answer(2, 9, 0, detailPayload("first", "Not started", {})));
    answerWith(answer(2, 9, 0, detailPayload("second", "Backup is running", {})));
    QTRY_COMPARE(spy.size(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), QString("first"));
    QCOMPARE(spy.at(1).at(0).toString(), QString("second"));
  }

  // Any local user may send to the answer port. Answers sent from a socket of another user
  // (its socket still open) change nothing: no state, no service id; the same answers from
  // a socket of root are taken.
  void answersOfOtherUsers_data() {
    QTest::addColumn<int>("uid");
    QTest::addColumn<bool>("taken");
    QTest::addRow("user nobody") << 65534 << false;
    QTest::addRow("root") << 0 << true;
  }
  void answersOfOtherUsers() {
    QFETCH(int, uid);
    QFETCH(bool, taken);
    Copycontroller c(1);
    QSignalSpy spy(&c, &Copycontroller::UpdateSessionStatus);
    // The sender keeps its socket open until its standard input closes.
    QProcess sender;
    sender.start("setpriv",
                 {"--reuid=" + QString::number(uid), "--regid=" + QString::number(uid),
                  "--clear-groups", "/usr/bin/python3", "-c",
                  "import socket, sys\n"
                  "s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)\n"
                  "s.bind(('127.0.0.1', 0))\n"
                  "for h in sys.argv[1:]:\n"
                  "    s.sendto(bytes.fromhex(h), ('127.0.0.1', 7503))\n"
                  "print('sent', flush=True)\n"
                  "sys.stdin.read()\n",
                  answer(0, 0x66, 0, {}).toHex(),
                  answer(2, 9, 0, detailPayload(kUuid, "Backup is running", {"/d", "/src"})).toHex()});
    QVERIFY(sender.waitForStarted());
    QVERIFY(QTest::qWaitFor(
        [&] {
          sender.waitForReadyRead(10);
          return sender.canReadLine();
        },
        controller_test::kEventWaitMs));
    QCOMPARE(sender.readLine().trimmed(), QByteArray("sent"));
    // Sent after them, so read after them.
    answerWith(answer(2, 9, 0, detailPayload("marker", "Not started", {})));
    QTRY_VERIFY(!spy.isEmpty() && spy.last().at(0).toString() == "marker");
    sender.closeWriteChannel();
    QVERIFY(sender.waitForFinished());
    QCOMPARE(sender.exitCode(), 0);
    if (taken) {
      QCOMPARE(spy.size(), 2);
      QCOMPARE(args(spy.at(0)), (QStringList{kUuid, "Backup is running", "2026-03-02T07:30:00Z",
                                             "2026-03-01T07:30:00Z", "/src", "/d"}));
      QCOMPARE(c.serviceId_, quint64(0x66));
    } else {
      QCOMPARE(spy.size(), 1);
      QCOMPARE(c.serviceId_, quint64(0));
    }
  }

  // A short version answer does not change the service id.
  void shortVersionAnswer() {
    Copycontroller c(1);
    answerWith(answer(0, 0x55, 0, {}).left(20));
    answerWith(answer(2, 9, 0, detailPayload("marker", "x", {})));
    QSignalSpy spy(&c, &Copycontroller::UpdateSessionStatus);
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(c.serviceId_, quint64(0));
  }
};

TESSALY_TEST_MAIN(CopycontrollerTest, QCoreApplication)
#include "backend_link_test.moc"
