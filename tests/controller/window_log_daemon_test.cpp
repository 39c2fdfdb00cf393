// The log page against the real service (TESSALY_DAEMON) in the test's own root and network
// namespace: the page shows the records of the service's LOG.dat, and "Clear Logs" answered
// with Yes makes the service empty its log, which empties LOG.dat, LOG.txt and the table.
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QApplication>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QToolButton>

#include <memory>

#include "controller_test.h"
#include "dialog.h"
#include "link_packet.h"
#include "log_file_fixture.h"
#include "modal_box.h"
#include "service_probe.h"

namespace lp = tessaly::link;
using service_probe::waitForService;

using controller_test::readFile;

class LogDaemonTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QProcess> daemon_;

 private slots:
  void initTestCase() {
    const QString folder = controller_test::dataFolder();
    QVERIFY(log_fixture::replaceLog(folder, log_fixture::logFile(log_fixture::numbered(3))));
    daemon_ = service_probe::startService();
    QVERIFY(daemon_);
    QVERIFY2(waitForService(30000), "the service does not answer");
  }

  void cleanupTestCase() { service_probe::stopService(daemon_); }

  void clearEmptiesTheLog() {
    const QString folder = controller_test::dataFolder();
    Dialog dialog;
    dialog.show();
    QTest::mouseClick(dialog.findChild<QToolButton*>("logBut"), Qt::LeftButton);
    auto* table = dialog.findChild<QTableWidget*>("logTaWidget");
    auto contentAt = [table](int row) {
      QTableWidgetItem* item = table->item(row, 3);
      return item ? item->text() : QString();
    };
    // The service keeps the records it loaded (it may add its own after them).
    QTRY_COMPARE_WITH_TIMEOUT(contentAt(3), QString("record 3"), 5000);
    QCOMPARE(contentAt(1), QString("record 1"));

    ModalBox box(QMessageBox::Yes);
    QTest::mouseClick(dialog.findChild<QToolButton*>("clearTBtn"), Qt::LeftButton);
    QVERIFY(box.seen());

    QTRY_VERIFY_WITH_TIMEOUT(readFile(folder + "/LOG.dat").contains("<count>0</count>"), 5000);
    QVERIFY(!readFile(folder + "/LOG.dat").contains("<log "));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(folder + "/LOG.txt"), QByteArray("BRELKIN TessalySync\r\n"),
                              5000);
    // The watch saw the service's new LOG.dat: the table is empty.
    QTRY_COMPARE_WITH_TIMEOUT(contentAt(1), QString(), 3000);
    QCOMPARE(table->rowCount(), 21);
    QCOMPARE(daemon_->state(), QProcess::Running);
  }
};

TESSALY_TEST_MAIN(LogDaemonTest, QApplication)
#include "window_log_daemon_test.moc"
