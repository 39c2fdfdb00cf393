// NAS discovery's bytes against fixtures written out here by hand: the two requests, every
// reply kind and model rule, replies that must be dropped (another id, too short, length
// fields that claim more than arrived), duplicates by IP, and the share-list text with its
// "name*n" tokens, hostile ones included. Also the local address rule, the wait that keeps
// the thread's events flowing, and an object on a machine with loopback only.
//
// Runs in a network namespace with only the loopback interface up (NETNS): there, a search
// has no address to send from, so nothing ever leaves.
#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtNetwork/QHostAddress>

#include "controller_test.h"
#include "easysearch.h"

namespace {

const QByteArray kId = QByteArray::fromHex("9a3c11f0275e00000000");
const QByteArray kMac = QByteArray::fromHex("001132aabbcc");
const QByteArray kIp = QByteArray::fromHex("0a630102");  // 10.99.1.2

QByteArray le32(quint32 v) {
  QByteArray out;
  for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF));
  return out;
}

QByteArray padded(const QByteArray& text, int width) {
  return text.left(width) + QByteArray(width - qMin(width, int(text.size())), '\0');
}

// Bytes 0 to 55, common to the three kinds.
QByteArray common(int kind, const QByteArray& id = kId, const QByteArray& textA = "A-text",
                  const QByteArray& ip = kIp) {
  return QByteArray(1, char(kind)) + id.left(6) + QByteArray(4, '\0') + kMac + ip + "1" +
         QByteArray(2, '\0') + padded(textA, 16) + padded("B-text", 16);
}

QByteArray kind2(const QByteArray& name, quint32 length) {
  return common(2) + le32(length) + name;
}
QByteArray kind2(const QByteArray& name) { return kind2(name, quint32(name.size())); }

QByteArray kind7(int t1, int t2, int t3, const QByteArray& name, quint32 length) {
  return common(7) + QByteArray(1, char(t1)) + char(t2) + char(t3) + QByteArray(9, '\0') +
         le32(length) + name;
}
QByteArray kind7(int t1, int t2, int t3, const QByteArray& name) {
  return kind7(t1, t2, t3, name, quint32(name.size()));
}

QByteArray kind8(int t1, int t2, const QByteArray& model, const QByteArray& name,
                 quint32 length) {
  return common(8) + QByteArray(1, char(t1)) + char(t2) + QByteArray(10, '\0') +
         padded(model, 32) + le32(length) + name;
}
QByteArray kind8(int t1, int t2, const QByteArray& model, const QByteArray& name) {
  return kind8(t1, t2, model, name, quint32(name.size()));
}

// A share-list reply: kind 4, the id, the device's MAC and IPv4, 7 zero bytes, the text.
QByteArray shareReply(const QByteArray& text, const QByteArray& id = kId,
                      const QByteArray& ip = kIp) {
  return QByteArray(1, char(4)) + id + kMac + ip + QByteArray(7, '\0') + text;
}

QStringList names(const QList<ShareFolderRecord>& shares) {
  QStringList out;
  for (const ShareFolderRecord& share : shares) out << share.name;
  return out;
}

}  // namespace

class EasySearchTest : public QObject {
  Q_OBJECT

 private slots:
  void requests();
  void requestIdIsRandom();
  void discoveryReplies_data();
  void discoveryReplies();
  void recordFields();
  void duplicatesByIp();
  void shareTokens_data();
  void shareTokens();
  void shareReplies_data();
  void shareReplies();
  void localAddresses();
  void delayKeepsEventsFlowing();
  void loopbackOnly();
};

void EasySearchTest::requests() {
  QCOMPARE(nas_discovery::discoveryRequest(kId), QByteArray::fromHex("019a3c11f0275e00000000"));
  QCOMPARE(nas_discovery::shareListRequest(kId, kMac + kIp),
           QByteArray::fromHex("039a3c11f0275e00000000"
                               "001132aabbcc0a630102"
                               "03"
                               "0000"
                               "00000000"));
  // Bytes 7 to 10 of the discovery request are zero whatever the id holds there.
  QCOMPARE(nas_discovery::discoveryRequest(QByteArray::fromHex("0102030405060708090a")),
           QByteArray::fromHex("0101020304050600000000"));
}

void EasySearchTest::requestIdIsRandom() {
  const QByteArray a = nas_discovery::makeRequestId();
  const QByteArray b = nas_discovery::makeRequestId();
  QCOMPARE(a.size(), 10);
  QCOMPARE(a.mid(6), QByteArray(4, '\0'));
  QCOMPARE(b.mid(6), QByteArray(4, '\0'));
  QVERIFY(a.left(6) != b.left(6));  // 48 random bits: equal once in 2^48
}

void EasySearchTest::discoveryReplies_data() {
  QTest::addColumn<QByteArray>("datagram");
  QTest::addColumn<bool>("accepted");
  QTest::addColumn<QString>("model");
  QTest::addColumn<QString>("name");

  QByteArray wrongId = kind2("NAS");
  wrongId[1] = char(wrongId[1] ^ 0xFF);
  QByteArray idTail = kind2("NAS");
  idTail[8] = 0x55;  // bytes 7 to 10 of the id are not compared

  QTest::newRow("kind 2") << kind2("NAS-01:eth0") << true << "" << "NAS-01:eth0";
  QTest::newRow("kind 7, 3 3") << kind7(3, 3, 0, "N7") << true << "" << "N7";
  QTest::newRow("kind 7, 3 3, any third") << kind7(3, 3, 9, "N7") << true << "" << "N7";
  QTest::newRow("kind 7, 0 8 4") << kind7(0, 8, 4, "N7") << true << "KMR-2200-05" << "N7";
  QTest::newRow("kind 7, 0 8 8") << kind7(0, 8, 8, "N7") << true << "KMR-2100-04" << "N7";
  QTest::newRow("kind 7, 0 8 5") << kind7(0, 8, 5, "N7") << false << "" << "";
  QTest::newRow("kind 7, 3 4") << kind7(3, 4, 0, "N7") << false << "" << "";
  QTest::newRow("kind 7, 0 0 4") << kind7(0, 0, 4, "N7") << false << "" << "";
  QTest::newRow("kind 8, 3 3") << kind8(3, 3, "N4200", "N8") << true << "N4200" << "N8";
  QTest::newRow("kind 8, 3 3, no model") << kind8(3, 3, "", "N8") << true << "" << "N8";
  QTest::newRow("kind 8, model of 32 bytes")
      << kind8(3, 3, QByteArray(32, 'M'), "N8") << true << QString(32, 'M') << "N8";
  QTest::newRow("kind 8, 3 4") << kind8(3, 4, "N4200", "N8") << false << "" << "";
  QTest::newRow("kind 1") << QByteArray(1, char(1)) + kind2("x").mid(1) << false << "" << "";
  QTest::newRow("kind 3") << QByteArray(1, char(3)) + kind2("x").mid(1) << false << "" << "";
  QTest::newRow("kind 4") << QByteArray(1, char(4)) + kind2("x").mid(1) << false << "" << "";
  QTest::newRow("kind 9") << QByteArray(1, char(9)) + kind2("x").mid(1) << false << "" << "";
  QTest::newRow("wrong id") << wrongId << false << "" << "";
  QTest::newRow("id bytes 7-10 differ") << idTail << true << "" << "NAS";

  // Length fields are clipped to the bytes received, then to 255.
  QTest::newRow("kind 2, length 0xFFFFFFFF") << kind2("abc", 0xFFFFFFFFu) << true << "" << "abc";
  QTest::newRow("kind 7, length 0xFFFFFFFF")
      << kind7(3, 3, 0, "abc", 0xFFFFFFFFu) << true << "" << "abc";
  QTest::newRow("kind 8, length 0xFFFFFFFF")
      << kind8(3, 3, "M", "abc", 0xFFFFFFFFu) << true << "M" << "abc";
  QTest::newRow("length 0") << kind2("abc", 0) << true << "" << "";
  QTest::newRow("length shorter than the name") << kind2("NAS-01", 3) << true << "" << "NAS";
  QTest::newRow("name of 300 bytes") << kind2(QByteArray(300, 'n')) << true << ""
                                     << QString(255, 'n');
  QTest::newRow("name with a NUL") << kind2(QByteArray("ab\0cd", 5)) << true << "" << "ab";

  // Too short for the kind's fixed part: dropped.
  QTest::newRow("empty") << QByteArray() << false << "" << "";
  QTest::newRow("6 bytes") << kind2("x").left(6) << false << "" << "";
  QTest::newRow("40 bytes") << kind2("x").left(40) << false << "" << "";
  QTest::newRow("kind 2, 59 bytes") << kind2("").left(59) << false << "" << "";
  QTest::newRow("kind 2, 60 bytes, length 10") << kind2("", 10) << true << "" << "";
  QTest::newRow("kind 7, 71 bytes") << kind7(3, 3, 0, "").left(71) << false << "" << "";
  QTest::newRow("kind 8, 103 bytes") << kind8(3, 3, "M", "").left(103) << false << "" << "";
}

void EasySearchTest::discoveryReplies() {
  QFETCH(QByteArray, datagram);
  QFETCH(bool, accepted);
  QFETCH(QString, model);
  QFETCH(QString, name);
  const std::optional<NasDeviceRecord> device =
      nas_discovery::parseDiscoveryReply(datagram, kId, 3);
  QCOMPARE(device.has_value(), accepted);
  if (!device) return;
  QCOMPARE(device->model, model);
  QCOMPARE(device->name, name);
  QCOMPARE(device->ip, QString("10.99.1.2"));
  QCOMPARE(device->interface, 3);
}

void EasySearchTest::recordFields() {
  const std::optional<NasDeviceRecord> device =
      nas_discovery::parseDiscoveryReply(kind7(0, 8, 4, "NAS-01:eth0"), kId, 1);
  QVERIFY(device);
  QCOMPARE(device->name, QString("NAS-01:eth0"));
  QCOMPARE(device->ip, QString("10.99.1.2"));
  QCOMPARE(device->textA, QString("A-text"));
  QCOMPARE(device->textB, QString("B-text"));
  QCOMPARE(device->flagText, QString("1"));
  QCOMPARE(device->addressBlock, kMac + kIp);
  QCOMPARE(device->model, QString("KMR-2200-05"));
  QCOMPARE(device->interface, 1);

  // A text A of 16 bytes without a NUL keeps 15; the IPv4 bytes print as decimals.
  const QByteArray full = common(2, kId, "0123456789abcdef", QByteArray::fromHex("c0a800ff")) +
                          le32(1) + "n";
  const std::optional<NasDeviceRecord> other = nas_discovery::parseDiscoveryReply(full, kId, 0);
  QVERIFY(other);
  QCOMPARE(other->textA, QString("0123456789abcde"));
  QCOMPARE(other->ip, QString("192.168.0.255"));

  QByteArray noFlag = kind2("n");
  noFlag[21] = 0;
  QCOMPARE(nas_discovery::parseDiscoveryReply(noFlag, kId, 0)->flagText, QString());
}

void EasySearchTest::duplicatesByIp() {
  QList<NasDeviceRecord> devices;
  QVERIFY(nas_discovery::addDiscoveryReply(&devices, kind2("first"), kId, 0));
  // The same device again (another link, another name, another kind): the first one stays.
  QVERIFY(!nas_discovery::addDiscoveryReply(&devices, kind7(0, 8, 8, "second"), kId, 1));
  QVERIFY(!nas_discovery::addDiscoveryReply(&devices, kind2("first"), kId, 0));
  // A dropped reply adds nothing; another address does.
  QVERIFY(!nas_discovery::addDiscoveryReply(&devices, kind7(0, 8, 5, "x"), kId, 0));
  const QByteArray otherIp =
      common(2, kId, "A", QByteArray::fromHex("0a630202")) + le32(5) + "other";
  QVERIFY(nas_discovery::addDiscoveryReply(&devices, otherIp, kId, 1));

  QCOMPARE(devices.size(), 2);
  QCOMPARE(devices[0].name, QString("first"));
  QCOMPARE(devices[0].interface, 0);
  QCOMPARE(devices[0].model, QString());
  QCOMPARE(devices[1].ip, QString("10.99.2.2"));
  QCOMPARE(devices[1].interface, 1);
}

void EasySearchTest::shareTokens_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<QStringList>("shares");

  QTest::newRow("public usb backup") << QByteArray("public*0:usb*1:backup*0")
                                     << QStringList{"public", "backup"};
  QTest::newRow("without star") << QByteArray("public:backup") << QStringList{"public", "backup"};
  QTest::newRow("empty tokens") << QByteArray(":a::b:") << QStringList{"a", "b"};
  QTest::newRow("empty text") << QByteArray("") << QStringList{};
  QTest::newRow("number not decimal") << QByteArray("x*abc:y*:z* 0:w*0x") << QStringList{};
  QTest::newRow("zeros") << QByteArray("x*00:y*10") << QStringList{"x"};
  QTest::newRow("second star") << QByteArray("x*0*1:y*0") << QStringList{"y"};
  QTest::newRow("empty name") << QByteArray("*0:ok*0") << QStringList{"ok"};
  QTest::newRow("each name once") << QByteArray("a*0:a:b:a*0") << QStringList{"a", "b"};
  QTest::newRow("dots") << QByteArray(".:..:.*0:..*0:.hidden") << QStringList{".hidden"};
  QTest::newRow("separators") << QByteArray("a/b:../etc:a\\b*0:\\\\x:ok")
                              << QStringList{"ok"};
  QTest::newRow("control characters")
      << QByteArray("ta\tb:nl\nx*0:del\x7f:c1\xc2\x85:bell\x07*0:ok") << QStringList{"ok"};
  QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe:half\xc3:ok") << QStringList{"ok"};
  QTest::newRow("UTF-8") << QByteArray("Sicherung \xc3\x9c*0") << QStringList{"Sicherung \u00dc"};
  QTest::newRow("511 and 512 bytes")
      << QByteArray(511, 'a') + ":" + QByteArray(512, 'b') << QStringList{QString(511, 'a')};
  QTest::newRow("text ends at its NUL") << QByteArray("a*0\0b*0", 7) << QStringList{"a"};
}

void EasySearchTest::shareTokens() {
  QFETCH(QByteArray, text);
  QFETCH(QStringList, shares);
  QList<ShareFolderRecord> found;
  QCOMPARE(nas_discovery::parseShareListReply(shareReply(text + '\0'), kId, "10.99.1.2", &found),
           nas_discovery::ShareReply::matched);
  QCOMPARE(names(found), shares);
  // Without the closing NUL the text runs to the end of the datagram.
  found.clear();
  QCOMPARE(nas_discovery::parseShareListReply(shareReply(text), kId, "10.99.1.2", &found),
           nas_discovery::ShareReply::matched);
  QCOMPARE(names(found), shares);
}

void EasySearchTest::shareReplies_data() {
  QTest::addColumn<QByteArray>("datagram");
  QTest::addColumn<QByteArray>("target");
  QTest::addColumn<int>("reply");

  const int other = int(nas_discovery::ShareReply::other);
  const int mismatch = int(nas_discovery::ShareReply::mismatch);
  const int matched = int(nas_discovery::ShareReply::matched);
  QByteArray wrongId = kId;
  wrongId[5] = char(wrongId[5] ^ 1);
  QByteArray idTail = kId;
  idTail[9] = 0x77;

  QTest::newRow("answer") << shareReply("a*0") << QByteArray("10.99.1.2") << matched;
  QTest::newRow("28 bytes, no text") << shareReply("") << QByteArray("10.99.1.2") << matched;
  QTest::newRow("id bytes 7-10 differ") << shareReply("a", idTail) << QByteArray("10.99.1.2")
                                        << matched;
  QTest::newRow("another id") << shareReply("a", wrongId) << QByteArray("10.99.1.2") << mismatch;
  QTest::newRow("another device") << shareReply("a", kId, QByteArray::fromHex("0a630103"))
                                  << QByteArray("10.99.1.2") << mismatch;
  QTest::newRow("27 bytes") << shareReply("").left(27) << QByteArray("10.99.1.2") << mismatch;
  QTest::newRow("kind 4 alone") << QByteArray(1, char(4)) << QByteArray("10.99.1.2") << mismatch;
  QTest::newRow("no target") << shareReply("a") << QByteArray() << mismatch;
  QTest::newRow("discovery reply") << kind2("x") << QByteArray("10.99.1.2") << other;
  QTest::newRow("share request") << nas_discovery::shareListRequest(kId, kMac + kIp)
                                 << QByteArray("10.99.1.2") << other;
  QTest::newRow("empty") << QByteArray() << QByteArray("10.99.1.2") << other;
}

void EasySearchTest::shareReplies() {
  QFETCH(QByteArray, datagram);
  QFETCH(QByteArray, target);
  QFETCH(int, reply);
  QList<ShareFolderRecord> found;
  QCOMPARE(int(nas_discovery::parseShareListReply(datagram, kId, target, &found)), reply);
  if (reply != int(nas_discovery::ShareReply::matched)) QVERIFY(found.isEmpty());
}

void EasySearchTest::localAddresses() {
  QList<QHostAddress> addresses{QHostAddress("127.0.0.1"), QHostAddress("::1"),
                                QHostAddress("fe80::1"), QHostAddress("::ffff:10.0.0.9")};
  for (int i = 1; i <= 9; ++i) addresses << QHostAddress(QString("10.0.%1.1").arg(i));
  QStringList expected;
  for (int i = 1; i <= 8; ++i) expected << QString("10.0.%1.1").arg(i);
  QCOMPARE(nas_discovery::usableAddresses(addresses), expected);
  QCOMPARE(nas_discovery::usableAddresses({}), QStringList());
}

void EasySearchTest::delayKeepsEventsFlowing() {
  int ticks = 0;
  QTimer timer;
  connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(10);
  QElapsedTimer clock;
  clock.start();
  EasySearch::Delay(300);
  const qint64 waited = clock.elapsed();
  QVERIFY2(waited >= 300, qPrintable(QString::number(waited)));
  QVERIFY2(waited < 1000, qPrintable(QString::number(waited)));
  QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));

  clock.restart();
  EasySearch::Delay(0);
  EasySearch::Delay(-5);
  QVERIFY(clock.elapsed() < 50);
}

void EasySearchTest::loopbackOnly() {
  // Only lo is up here: 127.0.0.1 and ::1 are skipped, nothing is left to search on.
  EasySearch search;
  QCOMPARE(search.localAddresses(), QStringList());
  QElapsedTimer clock;
  clock.start();
  QVERIFY(search.SearchDevice());
  QVERIFY(clock.elapsed() < 500);
  QVERIFY(search.deviceList().isEmpty());
  QCOMPARE(search.GetDeviceListHead(), nullptr);

  // No device at the address: no request, an empty list, 0.
  search.SetDeviceIp("10.99.1.2");
  QCOMPARE(search.QueryShareFolder(), 0);
  QCOMPARE(search.GetShareFolderListHead(), nullptr);
  search.SetDeviceIp(nullptr);
  QCOMPARE(search.QueryShareFolder(), 0);
  search.SetDeviceIp("10.99.1.2.3.4.5.6.7.8");  // longer than any IPv4 text
  QCOMPARE(search.QueryShareFolder(), 0);
  QVERIFY(!search.isBusy());
}

TESSALY_TEST_MAIN(EasySearchTest, QCoreApplication)
#include "easysearch_test.moc"
