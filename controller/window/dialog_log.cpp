// The log page: the service's log records (LOG.dat) in a four-column table, and the clearing
// of the log.
//
// LOG.dat is read again whenever the folder watch reports that the service replaced it.
// While the page is on screen the table is redrawn right after such a reading, so a new
// record shows within a moment; while it is not, the table is drawn when the page is opened.
// The minute tick reads the file again while the page is shown, so that the page stays
// current also when the watch could not be set up. The table is only redrawn when the records
// changed, so the tick does not throw the reader's scroll position away.
#include <QtCore/QDateTime>
#include <QtGui/QBrush>
#include <QtGui/QColor>
#include <QtGui/QLinearGradient>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QTableWidget>

#include <algorithm>

#include "copycontroller.h"
#include "dialog.h"
#include "messagebox.h"

namespace {

constexpr int kMinimumRows = 21;  // the header row and 20 rows, filled or empty
constexpr int kHeaderRowHeight = 33;
constexpr int kColumnWidths[4] = {131, 116, 116, 204};
// The name and description columns wrap their texts to the column's width less the cell's
// margins, measured in the table's font, so that a line fills its column in every language.
constexpr int kCellMargins = 8;

bool isDebug(const LogRecord& record) {
  return record.type.contains(QLatin1String("debug"), Qt::CaseInsensitive);
}

bool sameRecords(const QList<LogRecord>& a, const QList<LogRecord>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const LogRecord& x, const LogRecord& y) {
                      return x.type == y.type && x.uuid == y.uuid && x.domain == y.domain &&
                             x.time1 == y.time1 && x.time2 == y.time2 && x.content == y.content;
                    });
}

}  // namespace

QString wrapText(const QString& text, int width) {
  if (width <= 0 || text.size() <= width) return text;
  QString result;
  QString rest = text;
  while (rest.size() > width) {
    const QString head = rest.left(width);
    const qsizetype cut = std::max({head.lastIndexOf(QLatin1Char('\\')),
                                    head.lastIndexOf(QLatin1Char('/')),
                                    head.lastIndexOf(QLatin1Char(' '))});
    qsizetype take = cut > 0 ? cut + 1 : width;
    // Never split a character outside the basic plane between two lines.
    if (take > 1 && rest.at(take - 1).isHighSurrogate()) --take;
    result += rest.left(take);
    result += QLatin1Char('\n');
    rest = rest.mid(take);
  }
  return result + rest;
}

QString logTimeText(const QString& iso) {
  const QDateTime time = QDateTime::fromString(iso, Qt::ISODate);
  if (!time.isValid()) return {};
  return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

void Dialog::on_logBut_clicked() { showPage(Page::Log); }

void Dialog::setLogPageShown(bool shown) {
  logPage_.shown = shown;
  if (shown) UpdateLogTable();
}

void Dialog::UpdateLogTable() {
  // Each cell's background runs from the top of its row to the bottom.
  QLinearGradient gradient(0, 0, 0, 1);
  gradient.setCoordinateMode(QGradient::ObjectMode);
  gradient.setColorAt(0, QColor("#b5bcc0"));
  gradient.setColorAt(1, QColor("#bac2c6"));
  const QBrush background(gradient);

  const QList<LogRecord>& records = logReader_->GetLogList()->records;
  const int shownRecords = int(std::count_if(records.begin(), records.end(),
                                             [](const LogRecord& r) { return !isDebug(r); }));

  QTableWidget* table = ui.logTaWidget;
  // No rows first: rows made again have the default height, not the fitted height of the
  // record that stood there before.
  table->setRowCount(0);
  table->setColumnCount(4);
  for (int column = 0; column < 4; ++column) table->setColumnWidth(column, kColumnWidths[column]);
  table->setRowCount(std::max(kMinimumRows, shownRecords + 1));
  table->setRowHeight(0, kHeaderRowHeight);

  auto makeItem = [&](const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignTop | Qt::AlignLeft);
    item->setBackground(background);
    return item;
  };

  int row = 1;
  for (const LogRecord& record : records) {
    if (isDebug(record)) continue;
    const QFont font = table->font();
    const QString texts[4] = {
        wrapTextToWidth(font, record.domain, kColumnWidths[0] - kCellMargins),
        logTimeText(record.time1), logTimeText(record.time2),
        wrapTextToWidth(font, record.content, kColumnWidths[3] - kCellMargins)};
    const QBrush color(QColor(record.type.contains(QLatin1String("error"), Qt::CaseInsensitive)
                                  ? "#b00c0d"
                                  : "#003eb0"));
    for (int column = 0; column < 4; ++column) {
      QTableWidgetItem* item = makeItem(texts[column]);
      item->setForeground(color);
      table->setItem(row, column, item);
    }
    table->resizeRowToContents(row);
    ++row;
  }
  for (; row < kMinimumRows; ++row) {
    for (int column = 0; column < 4; ++column) table->setItem(row, column, makeItem(QString()));
  }
  logPage_.drawn = records;
}

void Dialog::RefreshLogTable() {
  logPage_.reading = true;
  logReader_->ReadLog();
  logPage_.reading = false;
  logPage_.pending = true;
  const QList<LogRecord>& records = logReader_->GetLogList()->records;
  // An emptied log empties the table at once, shown or not; a page on screen shows the
  // change at once.
  if ((records.isEmpty() || logPage_.shown) && !sameRecords(records, logPage_.drawn)) {
    UpdateLogTable();
  }
  if (logPage_.shown || records.isEmpty()) logPage_.pending = false;
}

void Dialog::ShowLogTable() {
  if (!logPage_.shown) return;
  logReader_->ReadLog();
  logPage_.pending = false;
  if (!sameRecords(logReader_->GetLogList()->records, logPage_.drawn)) UpdateLogTable();
}

void Dialog::on_clearTBtn_clicked() {
  const QMessageBox::StandardButton answer =
      message_box::warning(nullptr, tr("Warning"), tr("Are you sure you want to clear all logs?"),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  // The service empties its log and replaces LOG.dat; the folder watch then empties the
  // table.
  if (answer == QMessageBox::Yes) link_->SendLogClear();
}
