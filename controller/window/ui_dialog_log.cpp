// The log page of the form: the four-column log table and "Clear Logs" under it. The table's
// own headers stay hidden; four image labels laid over its top edge form the visible header,
// over row 0, which the page keeps empty and 33 px high for them. The page fills the rows
// (light grey, blue or red text) and sets the column widths.
#include "ui_dialog.h"
#include "ui_style.h"

#include <QtWidgets/QHeaderView>

namespace {

// The table's place in the page; the header labels start at its top-left corner.
constexpr int kTableX = 27;
constexpr int kTableY = 59;

QLabel* headerLabel(QWidget* page, const char* name, int x, int width, const char* image) {
  auto* header = new QLabel(page);
  header->setObjectName(QString::fromLatin1(name));
  header->setGeometry(QRect(x, kTableY, width, 33));
  header->setStyleSheet(QStringLiteral("QLabel{%1color:#ffffff;}")
                            .arg(form_style::backgroundImage(QString::fromLatin1(image))));
  header->setIndent(8);
  return header;
}

}  // namespace

void Ui_Dialog::setupLogPage(QDialog* Dialog) {
  logWidget = new QWidget(Dialog);
  logWidget->setObjectName("logWidget");
  logWidget->setGeometry(QRect(20, 40, 71, 16));

  clearTBtn = new QToolButton(logWidget);
  clearTBtn->setObjectName("clearTBtn");
  clearTBtn->setGeometry(QRect(481, 486, 130, 36));
  clearTBtn->setStyleSheet(form_style::frameButton(QStringLiteral("btn_common_05"), QStringLiteral("#101315"),
                                                   QStringLiteral("#a4a7a8")));

  logTaWidget = new QTableWidget(logWidget);
  if (logTaWidget->columnCount() < 4) logTaWidget->setColumnCount(4);
  const char* const columns[] = {"Backup Name", "Start Time", "Finish Time", "Description"};
  for (int column = 0; column < 4; ++column) {
    auto* item = new QTableWidgetItem();
    item->setText(QString::fromLatin1(columns[column]));
    logTaWidget->setHorizontalHeaderItem(column, item);
  }
  logTaWidget->setObjectName("logTaWidget");
  logTaWidget->setGeometry(QRect(kTableX, kTableY, 584, 415));
  logTaWidget->setFocusPolicy(Qt::WheelFocus);
  logTaWidget->setStyleSheet(QStringLiteral(
      "QTableWidget{color:#d3d7db;gridline-color:#d3d7db;background-color:#b7bec2;border:none;"
      "outline:none;selection-background-color:#97aebf;selection-color:#003eb0;}"));
  logTaWidget->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  logTaWidget->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  logTaWidget->setEditTriggers(QAbstractItemView::NoEditTriggers);
  logTaWidget->setSelectionMode(QAbstractItemView::SingleSelection);
  logTaWidget->setSelectionBehavior(QAbstractItemView::SelectRows);
  logTaWidget->setTextElideMode(Qt::ElideNone);
  logTaWidget->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  logTaWidget->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  logTaWidget->setShowGrid(true);
  logTaWidget->setGridStyle(Qt::SolidLine);
  logTaWidget->setWordWrap(true);
  logTaWidget->setCornerButtonEnabled(false);
  logTaWidget->horizontalHeader()->setVisible(false);
  logTaWidget->horizontalHeader()->setDefaultSectionSize(100);
  logTaWidget->verticalHeader()->setVisible(false);

  // Widths of the table's columns 131, 116, 116 and 204 (the last one a pixel wider, to meet
  // the table's right edge before the scroll bar).
  label_15 = headerLabel(logWidget, "label_15", kTableX, 131, "log_header1.png");
  label_15->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignVCenter);
  label_16 = headerLabel(logWidget, "label_16", kTableX + 131, 116, "log_header2.png");
  label_17 = headerLabel(logWidget, "label_17", kTableX + 247, 116, "log_header2.png");
  label_18 = headerLabel(logWidget, "label_18", kTableX + 363, 205, "log_header3.png");
}
