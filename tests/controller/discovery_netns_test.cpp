// NAS discovery for real: EasySearch, unchanged, in a network namespace joined by veth pairs
// to fake devices (tests/peers/fake_nas.py) in namespaces of their own. The runner
// tests/discovery-netns-run.sh makes the namespaces and removes them; no datagram of this test
// can reach the machine's own interfaces.
//
//   this namespace  10.99.1.1 -- nas1 10.99.1.2
//                   10.99.2.1 -- nas2 10.99.2.2
//                   10.99.3.1 -- nas3 10.99.3.2   one device on two links
//                   10.99.4.1 -- nas3 10.99.4.2
//
// Each fake logs the datagrams it gets, so the requests are checked byte for byte on the wire.
#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>

#include <memory>

#include "controller_test.h"
#include "easysearch.h"

namespace {

// One fake device, started in a NAS namespace and stopped with the object.
class FakeNas {
 public:
  FakeNas(const QString& netns, const QStringList& options) {
    static int serial = 0;
    const QString base = dir_.path() + QString("/fake%1").arg(++serial);
    logPath_ = base + ".log";
    const QString ready = base + ".ready";
    const QString python =
        QFile::exists("/usr/bin/python3") ? QString("/usr/bin/python3") : QString("python3");
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start("ip", QStringList{"netns", "exec", netns, python,
                                     qEnvironmentVariable("TESSALY_PEERS_DIR") + "/fake_nas.py",
                                     "--log", logPath_, "--ready", ready, "--lifetime", "150"} +
                             options);
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(ready) && process_.state() != QProcess::NotRunning &&
           clock.elapsed() < 10000) {
      QTest::qWait(20);
    }
    started_ = QFile::exists(ready);
  }
  ~FakeNas() { stop(); }

  bool started() const { return started_; }
  void stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }

  // Each datagram the fake received: the local address it arrived on, and its bytes.
  QList<QPair<QString, QByteArray>> received() const {
    QList<QPair<QString, QByteArray>> out;
    QFile log(logPath_);
    if (!log.open(QIODevice::ReadOnly)) return out;
    for (const QByteArray& line : log.readAll().split('\n')) {
      const QList<QByteArray> parts = line.split(' ');
      if (parts.size() == 2)
        out.append({QString::fromLatin1(parts[0]), QByteArray::fromHex(parts[1])});
    }
    return out;
  }
  // The datagrams of one kind (byte 0).
  QList<QByteArray> requests(int kind) const {
    QList<QByteArray> out;
    for (const auto& [address, bytes] : received()) {
      if (!bytes.isEmpty() && quint8(bytes[0]) == kind) out.append(bytes);
    }
    return out;
  }

 private:
  QTemporaryDir dir_;
  QString logPath_;
  QProcess process_;
  bool started_ = false;
};

QStringList shareNames(const EasySearch& search) {
  QStringList out;
  for (const ShareFolderRecord& share : search.shareFolderList()) out << share.name;
  return out;
}

QByteArray mac(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(':', "")); }

// A search over the four links lasts about 4 x 990 ms: 4 x (50 + 31 x 20) ms of pauses at
// least, the waits for replies on top.
constexpr qint64 kSearchAtLeastMs = 4 * (50 + 31 * 20);
constexpr qint64 kSearchAtMostMs = 12000;

}  // namespace

class DiscoveryNetnsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void oneDevice_data();
  void oneDevice();
  void twoDevices();
  void oneDeviceOnTwoLinks_data();
  void oneDeviceOnTwoLinks();
  void repliesDropped();
  void waitsKeepTheWindowAlive();
  void silentDevice();

 private:
  QStringList nas_;
};

void DiscoveryNetnsTest::initTestCase() {
  nas_ = qEnvironmentVariable("TESSALY_DISCOVERY_NAS_NETNS").split(' ', Qt::SkipEmptyParts);
  if (nas_.size() != 3) QSKIP("runs under tests/discovery-netns-run.sh");
  EasySearch search;
  QCOMPARE(search.localAddresses(),
           (QStringList{"10.99.1.1", "10.99.2.1", "10.99.3.1", "10.99.4.1"}));
}

void DiscoveryNetnsTest::oneDevice_data() {
  QTest::addColumn<QString>("mode");
  QTest::newRow("replies to the group") << "mcast";
  QTest::newRow("replies to the sender") << "ucast";
}

void DiscoveryNetnsTest::oneDevice() {
  QFETCH(QString, mode);
  FakeNas nas(nas_[0], {"--address", "10.99.1.2", "--mac", "02:00:5e:10:01:02", "--kind", "7",
                        "--test-bytes", "0,8,4", "--name", "NAS-01:eth0", "--text-a", "fw 1.2",
                        "--text-b", "serial 7", "--flag", "5", "--shares",
                        "public*0:usb*1:backup*0", "--mode", mode});
  QVERIFY(nas.started());

  EasySearch search;
  QElapsedTimer clock;
  clock.start();
  QVERIFY(search.SearchDevice());
  const qint64 took = clock.elapsed();
  QVERIFY2(took >= kSearchAtLeastMs && took <= kSearchAtMostMs, qPrintable(QString::number(took)));

  QCOMPARE(search.deviceList().size(), 1);
  const NasDeviceRecord& device = *search.GetDeviceListHead();
  QCOMPARE(device.ip, QString("10.99.1.2"));
  QCOMPARE(device.name, QString("NAS-01:eth0"));
  QCOMPARE(device.model, QString("KMR-2200-05"));
  QCOMPARE(device.textA, QString("fw 1.2"));
  QCOMPARE(device.textB, QString("serial 7"));
  QCOMPARE(device.flagText, QString("5"));
  QCOMPARE(device.addressBlock, mac("02:00:5e:10:01:02") + QByteArray::fromHex("0a630102"));
  QCOMPARE(device.interface, 0);

  // The request reached the device once, on its link, as 11 bytes: 1, 6 id bytes, 4 zeros.
  const QList<QByteArray> discovery = nas.requests(1);
  QCOMPARE(discovery.size(), 1);
  const QByteArray request = discovery[0];
  QCOMPARE(request.size(), 11);
  QCOMPARE(request.mid(7), QByteArray(4, '\0'));
  QCOMPARE(nas.received()[0].first, QString("10.99.1.2"));

  search.SetDeviceIp("10.99.1.2");
  QCOMPARE(search.QueryShareFolder(), 1);
  QCOMPARE(shareNames(search), (QStringList{"public", "backup"}));
  QCOMPARE(search.GetShareFolderListHead()->name, QString("public"));

  // The share-list request: 3, the whole id, the device's address block, 3, then zeros.
  const QList<QByteArray> shareRequests = nas.requests(3);
  QCOMPARE(shareRequests.size(), 1);
  QCOMPARE(shareRequests[0], QByteArray(1, char(3)) + request.mid(1, 6) + QByteArray(4, '\0') +
                                 device.addressBlock + char(3) + QByteArray(6, '\0'));

  // A second search finds it again with the same id; the old list is replaced, not extended.
  QVERIFY(search.SearchDevice());
  QCOMPARE(search.deviceList().size(), 1);
  QCOMPARE(nas.requests(1).size(), 2);
  QCOMPARE(nas.requests(1)[1], request);
}

void DiscoveryNetnsTest::twoDevices() {
  FakeNas alpha(nas_[0], {"--address", "10.99.1.2", "--mac", "02:00:5e:10:01:02", "--kind",
                          "2", "--name", "Alpha", "--shares", "alpha*0:hidden*1"});
  FakeNas beta(nas_[1], {"--address", "10.99.2.2", "--mac", "02:00:5e:10:02:02", "--kind", "8",
                         "--test-bytes", "3,3", "--model", "N4200", "--name", "Beta:bond0",
                         "--shares", "media*0:backup*0"});
  QVERIFY(alpha.started() && beta.started());

  EasySearch search;
  QVERIFY(search.SearchDevice());
  const QList<NasDeviceRecord>& devices = search.deviceList();
  QCOMPARE(devices.size(), 2);
  QCOMPARE(devices[0].ip, QString("10.99.1.2"));
  QCOMPARE(devices[0].name, QString("Alpha"));
  QCOMPARE(devices[0].model, QString());
  QCOMPARE(devices[0].interface, 0);
  QCOMPARE(devices[1].ip, QString("10.99.2.2"));
  QCOMPARE(devices[1].name, QString("Beta:bond0"));
  QCOMPARE(devices[1].model, QString("N4200"));
  QCOMPARE(devices[1].interface, 1);

  // The share list goes out of the asked device's link only.
  search.SetDeviceIp("10.99.2.2");
  QCOMPARE(search.QueryShareFolder(), 1);
  QCOMPARE(shareNames(search), (QStringList{"media", "backup"}));
  QCOMPARE(beta.requests(3).size(), 1);
  QCOMPARE(alpha.requests(3).size(), 0);

  search.SetDeviceIp("10.99.1.2");
  QCOMPARE(search.QueryShareFolder(), 1);
  QCOMPARE(shareNames(search), QStringList{"alpha"});
  QCOMPARE(alpha.requests(3).size(), 1);
}

void DiscoveryNetnsTest::oneDeviceOnTwoLinks_data() {
  QTest::addColumn<QString>("repeat");
  QTest::newRow("one reply per request") << "1";
  QTest::newRow("every reply twice") << "2";
}

void DiscoveryNetnsTest::oneDeviceOnTwoLinks() {
  QFETCH(QString, repeat);
  FakeNas nas(nas_[2], {"--address", "10.99.3.2", "--address", "10.99.4.2", "--ip", "10.99.3.2",
                        "--mac", "02:00:5e:10:03:02", "--kind", "7", "--test-bytes", "0,8,8",
                        "--name", "Twin", "--shares", "data*0", "--repeat", repeat});
  QVERIFY(nas.started());

  EasySearch search;
  QVERIFY(search.SearchDevice());
  // Both links carried a request and an answer; one record, from the first link.
  QStringList arrivals;
  for (const auto& [address, bytes] : nas.received()) {
    if (!bytes.isEmpty() && bytes[0] == 1) arrivals << address;
  }
  QCOMPARE(arrivals, (QStringList{"10.99.3.2", "10.99.4.2"}));
  QCOMPARE(search.deviceList().size(), 1);
  QCOMPARE(search.deviceList()[0].ip, QString("10.99.3.2"));
  QCOMPARE(search.deviceList()[0].model, QString("KMR-2100-04"));
  QCOMPARE(search.deviceList()[0].interface, 2);

  search.SetDeviceIp("10.99.3.2");
  QCOMPARE(search.QueryShareFolder(), 1);
  QCOMPARE(shareNames(search), QStringList{"data"});
}

void DiscoveryNetnsTest::repliesDropped() {
  // Another id, test bytes of no known model, a reply cut inside its fixed part.
  FakeNas wrongId(nas_[0], {"--address", "10.99.1.2", "--kind", "2", "--wrong-id"});
  FakeNas unknownModel(nas_[1], {"--address", "10.99.2.2", "--kind", "7", "--test-bytes",
                                 "0,8,5"});
  FakeNas cut(nas_[2], {"--address", "10.99.3.2", "--address", "10.99.4.2", "--kind", "8",
                        "--test-bytes", "3,3", "--model", "N1", "--truncate", "80"});
  QVERIFY(wrongId.started() && unknownModel.started() && cut.started());

  EasySearch search;
  QVERIFY(search.SearchDevice());
  QVERIFY(search.deviceList().isEmpty());
  QCOMPARE(wrongId.requests(1).size(), 1);
  QCOMPARE(unknownModel.requests(1).size(), 1);
  QCOMPARE(cut.requests(1).size(), 2);
}

void DiscoveryNetnsTest::waitsKeepTheWindowAlive() {
  FakeNas nas(nas_[0], {"--address", "10.99.1.2", "--kind", "2", "--name", "Alpha"});
  QVERIFY(nas.started());

  EasySearch search;
  int ticks = 0;
  QTimer poll;
  connect(&poll, &QTimer::timeout, [&] { ++ticks; });
  poll.start(25);
  // A slot that runs inside the wait asks for a second search and a share list: refused.
  int refusals = 0, inside = 0;
  QTimer::singleShot(500, [&] {
    ++inside;
    if (search.isBusy() && !search.SearchDevice()) ++refusals;
    search.SetDeviceIp("10.99.1.2");
    if (search.QueryShareFolder() == 0) ++refusals;
  });
  QElapsedTimer clock;
  clock.start();
  QVERIFY(search.SearchDevice());
  const qint64 took = clock.elapsed();
  poll.stop();
  QCOMPARE(inside, 1);
  QCOMPARE(refusals, 2);
  QCOMPARE(search.deviceList().size(), 1);
  QCOMPARE(nas.requests(3).size(), 0);
  QCOMPARE(nas.requests(1).size(), 1);  // the refused search sent nothing
  // A 25 ms timer kept firing through the whole search.
  QVERIFY2(ticks >= took / 25 / 2, qPrintable(QString("%1 ticks in %2 ms").arg(ticks).arg(took)));

}

void DiscoveryNetnsTest::silentDevice() {
  auto nas = std::make_unique<FakeNas>(
      nas_[1], QStringList{"--address", "10.99.2.2", "--kind", "2", "--name", "Gone"});
  QVERIFY(nas->started());
  EasySearch search;
  QVERIFY(search.SearchDevice());
  QCOMPARE(search.deviceList().size(), 1);
  nas.reset();  // the device goes away before its share list is asked for

  // A search asked for inside the share-list wait is refused and leaves the list alone.
  int refusals = 0;
  QTimer::singleShot(600, [&] {
    if (search.isBusy() && !search.SearchDevice()) ++refusals;
  });
  search.SetDeviceIp("10.99.2.2");
  QElapsedTimer clock;
  clock.start();
  QCOMPARE(search.QueryShareFolder(), 0);
  const qint64 took = clock.elapsed();
  QCOMPARE(refusals, 1);
  QCOMPARE(search.deviceList().size(), 1);
  // 11 x 10 ms of draining, then 21 rounds of 10 ms with 100 ms pauses between them.
  QVERIFY2(took >= 11 * 10 + 20 * 100 && took <= 6000, qPrintable(QString::number(took)));
  QVERIFY(search.shareFolderList().isEmpty());
}

TESSALY_TEST_MAIN(DiscoveryNetnsTest, QCoreApplication)
#include "discovery_netns_test.moc"
