// The log page: the table drawn from LOG.dat (rows, skipped debug records, colours, the row
// gradient, wrapping, local times), its refresh when the service replaces LOG.dat, and the
// clearing, which asks first and sends the log-clear request only on Yes. The requests are
// caught by a fake service on 127.0.0.1:7502, so the test runs in a network namespace of its
// own. TZ is JST-9 (UTC+9), so every time shown must have been turned into local time.
#include <QtCore/QFile>
#include <QtGui/QLinearGradient>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QApplication>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QToolButton>

#include "controller_test.h"
#include "dialog.h"
#include "link_packet.h"
#include "log_file_fixture.h"
#include "modal_box.h"

using log_fixture::Record;

namespace {

QString logPath() { return controller_test::dataFolder() + "/LOG.dat"; }

QTableWidget* table(const Dialog& dialog) { return dialog.findChild<QTableWidget*>("logTaWidget"); }

QString cell(const Dialog& dialog, int row, int column) {
  QTableWidgetItem* item = table(dialog)->item(row, column);
  return item ? item->text() : QString("<none>");
}

void click(Dialog& dialog, const char* button) {
  QTest::mouseClick(dialog.findChild<QToolButton*>(button), Qt::LeftButton);
}

// The background of every drawn cell: a vertical gradient from #b5bcc0 to #bac2c6 over the
// cell's own height.
bool hasRowGradient(const QTableWidgetItem* item) {
  if (!item) return false;
  const QGradient* gradient = item->background().gradient();
  if (!gradient || gradient->type() != QGradient::LinearGradient) return false;
  const auto* linear = static_cast<const QLinearGradient*>(gradient);
  const QGradientStops stops = gradient->stops();
  return gradient->coordinateMode() == QGradient::ObjectMode && linear->start() == QPointF(0, 0) &&
         linear->finalStop() == QPointF(0, 1) && stops.size() == 2 &&
         stops[0].second == QColor("#b5bcc0") && stops[1].second == QColor("#bac2c6");
}

}  // namespace

class LogPageTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QFile::remove(logPath()); }

  // ---- pure helpers --------------------------------------------------------------------

  void wrap_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("wrapped");
    const QString a40(40, 'a');
    QTest::newRow("40 characters, no break") << a40 << 16
                                             << QString(16, 'a') + "\n" + QString(16, 'a') + "\n" +
                                                    QString(8, 'a');
    QTest::newRow("backslash path and blanks") << "C:\\Program Files\\Very Long Folder\\x" << 16
                                               << "C:\\Program \nFiles\\Very Long \nFolder\\x";
    QTest::newRow("slash path") << "/srv/photos/2026/holiday-pictures" << 16
                                << "/srv/photos/\n2026/\nholiday-pictures";
    QTest::newRow("name column") << "Photos & music" << 10 << "Photos & \nmusic";
    QTest::newRow("blank first only") << " abcdefghijklmnopqrstu" << 10
                                      << " abcdefghi\njklmnopqrs\ntu";
    QTest::newRow("exactly the width") << QString(16, 'x') << 16 << QString(16, 'x');
    QTest::newRow("width 0") << a40 << 0 << a40;
    QTest::newRow("empty") << QString() << 16 << QString();
  }

  void wrap() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, wrapped);
    QCOMPARE(wrapText(text, width), wrapped);
  }

  void time_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("UTC") << "2026-03-01T13:05:09Z" << "2026-03-01 22:05";
    QTest::newRow("across midnight, fraction") << "2000-12-31T16:00:00.123456Z"
                                               << "2001-01-01 01:00";
    QTest::newRow("offset") << "2026-07-01T08:30:00+02:00" << "2026-07-01 15:30";
    QTest::newRow("not a time") << "yesterday" << "";
    QTest::newRow("empty") << "" << "";
  }

  void time() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QCOMPARE(logTimeText(stored), shown);
  }

  // ---- the table -----------------------------------------------------------------------

  // Rows: max(21, shown records + 1), row 0 empty, every row from 1 filled or blank with the
  // gradient; debug records take no row.
  void rows_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("contents");
    auto contents = [](int n) {
      QStringList list;
      for (int i = 1; i <= n; ++i) list << QString("record %1").arg(i);
      return list;
    };
    QTest::newRow("3 records") << log_fixture::logFile(log_fixture::numbered(3)) << 21
                               << contents(3);
    QTest::newRow("30 records") << log_fixture::logFile(log_fixture::numbered(30)) << 31
                                << contents(30);
    QList<Record> withDebug = log_fixture::numbered(3);
    withDebug[1].type = "debug";
    QTest::newRow("debug skipped") << log_fixture::logFile(withDebug) << 21
                                   << QStringList{"record 1", "record 3"};
    QList<Record> many = log_fixture::numbered(25);
    QStringList manyShown;
    for (int i = 0; i < many.size(); ++i) {
      if (i % 8 == 3) {
        many[i].type = "DEBUG";
      } else {
        manyShown << many[i].content;
      }
    }
    QTest::newRow("25 records, 3 debug") << log_fixture::logFile(many) << 23 << manyShown;
    QTest::newRow("no LOG.dat") << QByteArray() << 21 << QStringList();
    QTest::newRow("empty LOG.dat") << QByteArray("") << 21 << QStringList();
    QByteArray cut = log_fixture::logFile(log_fixture::numbered(3));
    cut.truncate(cut.indexOf("<log id=\"2\">") + 40);
    QTest::newRow("cut off in the second record") << cut << 21 << QStringList{"record 1"};
  }

  void rows() {
    QFETCH(QByteArray, file);
    QFETCH(int, rows);
    QFETCH(QStringList, contents);
    if (QTest::currentDataTag() != QByteArray("no LOG.dat")) {
      QVERIFY(log_fixture::replaceLog(controller_test::dataFolder(), file));
    }
    Dialog dialog;
    click(dialog, "logBut");
    QTableWidget* t = table(dialog);
    QCOMPARE(t->columnCount(), 4);
    QCOMPARE(t->rowCount(), rows);
    for (int column = 0; column < 4; ++column) QVERIFY(!t->item(0, column));
    for (int row = 1; row < rows; ++row) {
      for (int column = 0; column < 4; ++column) {
        QVERIFY2(hasRowGradient(t->item(row, column)), qPrintable(QString("row %1").arg(row)));
      }
      const QString expected = row <= contents.size() ? contents[row - 1] : QString();
      QCOMPARE(cell(dialog, row, 3), expected);
    }
  }

  // One record's cells: wrapped name and description, local times, the colour by type,
  // aligned to the top.
  void cells() {
    Record plain;
    plain.domain = "Photos & music";
    plain.content = QString(40, 'x');
    Record error;
    error.type = "error";
    error.time1 = "2000-12-31T16:00:00.123456Z";
    error.time2 = "2000-12-31T16:59:59Z";
    error.content = "Cannot reach the share";
    Record alert;
    alert.type = "alert";
    QVERIFY(log_fixture::replaceLog(controller_test::dataFolder(),
                                    log_fixture::logFile({plain, error, alert})));
    Dialog dialog;
    click(dialog, "logBut");

    // Name and description wrap to their column's width in the table's font: every line
    // fits, nothing is lost, and a long text takes more than one line.
    const QFontMetrics metrics(table(dialog)->font());
    const auto wrappedToColumn = [&](int row, int column, const QString& text) {
      const QString shown = cell(dialog, row, column);
      if (QString(shown).remove('\n') != text) return false;
      for (const QString& line : shown.split('\n')) {
        if (metrics.horizontalAdvance(line) > table(dialog)->columnWidth(column)) return false;
      }
      return true;
    };
    QVERIFY(wrappedToColumn(1, 0, "Photos & music"));
    QCOMPARE(cell(dialog, 1, 1), QString("2026-03-01 22:05"));
    QCOMPARE(cell(dialog, 1, 2), QString("2026-03-01 22:05"));
    QVERIFY(wrappedToColumn(1, 3, QString(40, 'x')));
    QVERIFY(cell(dialog, 1, 3).count('\n') >= 1);
    QCOMPARE(cell(dialog, 2, 1), QString("2001-01-01 01:00"));
    QCOMPARE(cell(dialog, 2, 2), QString("2001-01-01 01:59"));
    QVERIFY(wrappedToColumn(2, 3, "Cannot reach the share"));
    for (int column = 0; column < 4; ++column) {
      QCOMPARE(table(dialog)->item(1, column)->foreground().color(), QColor("#003eb0"));
      QCOMPARE(table(dialog)->item(2, column)->foreground().color(), QColor("#b00c0d"));
      QCOMPARE(table(dialog)->item(3, column)->foreground().color(), QColor("#003eb0"));
      QVERIFY(table(dialog)->item(1, column)->textAlignment() & Qt::AlignTop);
    }
    // The wrapped description makes its row taller than a one-line row.
    QVERIFY(table(dialog)->rowHeight(1) > table(dialog)->rowHeight(3));
  }

  // ---- refresh -------------------------------------------------------------------------

  // The service replaces LOG.dat by rename: a shown page shows the change within a moment,
  // a page opened later shows the last reading, and an emptied log empties the table at once
  // even when the page is not shown.
  void refreshOnReplacement() {
    const QString folder = controller_test::dataFolder();
    QVERIFY(log_fixture::replaceLog(folder, log_fixture::logFile(log_fixture::numbered(2))));
    Dialog dialog;
    dialog.show();
    click(dialog, "logBut");
    QCOMPARE(cell(dialog, 2, 3), QString("record 2"));

    QList<Record> three = log_fixture::numbered(3);
    three[2].content = "new record";
    QVERIFY(log_fixture::replaceLog(folder, log_fixture::logFile(three)));
    QTRY_COMPARE_WITH_TIMEOUT(cell(dialog, 3, 3), QString("new record"), controller_test::kEventWaitMs);

    click(dialog, "advancedBut");
    three[0].content = "changed";
    QVERIFY(log_fixture::replaceLog(folder, log_fixture::logFile(three)));
    QTest::qWait(500);
    click(dialog, "logBut");
    QCOMPARE(cell(dialog, 1, 3), QString("changed"));

    click(dialog, "curSessionBut");
    QVERIFY(log_fixture::replaceLog(folder, log_fixture::logFile({})));
    QTRY_COMPARE_WITH_TIMEOUT(cell(dialog, 1, 3), QString(), controller_test::kEventWaitMs);
    QCOMPARE(table(dialog)->rowCount(), 21);
  }

  // The minute tick reads LOG.dat again while the page is shown (so it stays current without
  // the watch) and leaves the table alone when nothing changed.
  void minuteTick() {
    const QString folder = controller_test::dataFolder();
    QVERIFY(log_fixture::replaceLog(folder, log_fixture::logFile(log_fixture::numbered(30))));
    Dialog dialog;
    dialog.resize(800, 600);
    dialog.show();
    click(dialog, "logBut");
    QTableWidgetItem* before = table(dialog)->item(1, 3);
    QVERIFY(QMetaObject::invokeMethod(&dialog, "ShowLogTable"));
    QCOMPARE(table(dialog)->item(1, 3), before);  // not redrawn
  }

  // ---- clear ---------------------------------------------------------------------------

  void clearAsksFirst() {
    QUdpSocket service;
    QVERIFY(service.bind(QHostAddress::LocalHost, tessaly::link::SERVICE_PORT));
    auto logClears = [&service] {
      int count = 0;
      while (service.hasPendingDatagrams()) {
        const QByteArray bytes = service.receiveDatagram().data();
        if (bytes.size() >= 2 && quint8(bytes[0]) == tessaly::link::PKG_SET &&
            quint8(bytes[1]) == tessaly::link::SET_LOG_CLEAR) {
          ++count;
          if (bytes.size() != int(tessaly::link::REQUEST_HEADER_SIZE)) return -1;
        }
      }
      return count;
    };
    Dialog dialog;
    dialog.show();
    click(dialog, "logBut");

    {
      ModalBox box(QMessageBox::No);
      click(dialog, "clearTBtn");
      QVERIFY(box.seen());
      QCOMPARE(box.title(), QString("Warning"));
      QCOMPARE(box.text(), QString("Are you sure you want to clear all logs?"));
      QCOMPARE(box.buttons(), QMessageBox::Yes | QMessageBox::No);
      QCOMPARE(box.defaultButton(), QMessageBox::No);
      QTest::qWait(300);
      QCOMPARE(logClears(), 0);
    }
    {
      ModalBox box(QMessageBox::Yes);
      click(dialog, "clearTBtn");
      QVERIFY(box.seen());
      QTRY_VERIFY(service.hasPendingDatagrams());
      QTest::qWait(100);
      QCOMPARE(logClears(), 1);
    }
  }
};

TESSALY_TEST_MAIN(LogPageTest, QApplication)
#include "window_log_test.moc"
