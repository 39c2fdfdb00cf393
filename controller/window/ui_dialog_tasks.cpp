// The task list page of the form: a light panel with the column headings "Source", "Status" and
// "Destination", two task entries of 583 x 204 whose frames the page uses for its hit tests,
// the page arrows and the four task buttons. Each entry has three columns, an icon with the
// texts beside it; the texts and icons are filled by the page at run time, the form only places
// and colours them. Every widget tracks the mouse, so the window sees hover moves over entries.
#include "ui_dialog.h"
#include "ui_style.h"

namespace {

// Columns of an entry: left edge and width; the icon stands at the column's left, the texts
// beside it, one row every 24 px (the page gives a text that needs two lines the room of two
// and moves the rows below it down). The state and destination columns are the widest: the
// state column shows "Next: " and its time on one line in every language, and a share's path
// fits the destination's two lines.
constexpr int kColumnX[3] = {12, 162, 372};
constexpr int kColumnWidth[3] = {150, 210, 206};
constexpr int kIconSize = 40;
constexpr int kTextX = kIconSize + 6;
constexpr int kFirstRowY = 56;
constexpr int kRowPitch = 24;
// One line of the 9 pt panel text: the rows that the table aligns top-left and those it
// centres vertically then stand at the same height.
constexpr int kRowHeight = 16;

QRect textRow(int column, int row) {
  return QRect(kColumnX[column] + kTextX, kFirstRowY + 2 + row * kRowPitch, kColumnWidth[column] - kTextX,
               kRowHeight);
}

QLabel* entryLabel(QWidget* entry, const QString& name, const QRect& geometry, Qt::Alignment alignment,
                   bool wordWrap) {
  auto* label = new QLabel(entry);
  label->setObjectName(name);
  label->setGeometry(geometry);
  label->setMouseTracking(true);
  label->setStyleSheet(form_style::label(QStringLiteral("#101315")));
  if (alignment) label->setAlignment(alignment);
  label->setWordWrap(wordWrap);
  // An entry shows a task's name, paths, account and NAS model as they stand.
  label->setTextFormat(Qt::PlainText);
  return label;
}

QLabel* entryIcon(QWidget* entry, const QString& name, const QRect& geometry, const char* image) {
  auto* icon = new QLabel(entry);
  icon->setObjectName(name);
  icon->setGeometry(geometry);
  icon->setMouseTracking(true);
  icon->setStyleSheet(form_style::backgroundImage(QString::fromLatin1(image)));
  return icon;
}

// The widgets of one entry, in creation order; entry 2 has the same names with "_2" behind.
struct Entry {
  QWidget* frame;
  QLabel *sourceLabel1, *destiLabel1, *statusLabel1, *sourceLabel2, *statusLabel2, *statusLabel3,
      *statusLabel4, *destiLabel2, *sourcePBtn, *statusPBtn, *destiPBtn, *backupStatus, *destiLabel3;
};

// `lastRowTopLeft`: the model row of entry 2 is laid out top-left with word wrap, that of
// entry 1 plainly; both show one elided line, so they look the same.
Entry buildEntry(QWidget* page, const QString& suffix, int y, bool lastRowTopLeft) {
  auto name = [&suffix](const char* base) { return QString::fromLatin1(base) + suffix; };
  const Qt::Alignment topLeft = Qt::AlignLeading | Qt::AlignLeft | Qt::AlignTop;

  Entry e{};
  e.frame = new QWidget(page);
  const QString frameName = QStringLiteral("sessionWidget1") + suffix;
  e.frame->setObjectName(frameName);
  e.frame->setGeometry(QRect(5, y, 583, 204));
  e.frame->setMouseTracking(true);
  e.frame->setStyleSheet(form_style::imagePanel(frameName, QStringLiteral("btn_common_04_f.png")));

  e.sourceLabel1 = entryLabel(e.frame, name("sourceLabel1"), textRow(0, 0), topLeft, true);
  e.destiLabel1 = entryLabel(e.frame, name("destiLabel1"), textRow(2, 0), topLeft, false);
  // The state text is centred on the first row; the page gives it the room of two lines when
  // it needs them.
  e.statusLabel1 = entryLabel(e.frame, name("statusLabel1"), textRow(1, 0).adjusted(0, -8, 0, 8),
                              Qt::AlignCenter, true);
  e.sourceLabel2 = entryLabel(e.frame, name("sourceLabel2"), textRow(0, 1), topLeft, true);
  e.statusLabel2 = entryLabel(e.frame, name("statusLabel2"), textRow(1, 1), {}, false);
  e.statusLabel3 = entryLabel(e.frame, name("statusLabel3"), textRow(1, 2), {}, false);
  e.statusLabel4 = entryLabel(e.frame, name("statusLabel4"), textRow(1, 3), {}, false);
  e.destiLabel2 = entryLabel(e.frame, name("destiLabel2"), textRow(2, 1), {}, false);
  const QRect icon(0, kFirstRowY, kIconSize, kIconSize);
  e.sourcePBtn = entryIcon(e.frame, name("sourcePBtn"), icon.translated(kColumnX[0], 0), "icon_source.png");
  e.statusPBtn = entryIcon(e.frame, name("statusPBtn"), icon.translated(kColumnX[1], 0), "icon_status.png");
  e.destiPBtn = entryIcon(e.frame, name("destiPBtn"), icon.translated(kColumnX[2], 0), "icon_distination.png");
  // The last result sits under the state icon, as a badge of the run the "Last:" row names.
  e.backupStatus = entryIcon(e.frame, name("backupStatus"),
                             QRect(kColumnX[1] + 8, kFirstRowY + kIconSize + 8, 24, 24),
                             "icon_-check_item.png");
  e.destiLabel3 = entryLabel(e.frame, name("destiLabel3"), textRow(2, 2),
                             lastRowTopLeft ? topLeft : Qt::Alignment(), lastRowTopLeft);
  return e;
}

QLabel* heading(QWidget* page, const char* name, int column) {
  auto* label = new QLabel(page);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(QRect(5 + kColumnX[column], 4, kColumnWidth[column], 28));
  label->setStyleSheet(form_style::label(QStringLiteral("#08090a")));
  label->setAlignment(Qt::AlignCenter);
  return label;
}

QToolButton* taskButton(QWidget* page, const char* name, int x, bool enabled) {
  auto* button = new QToolButton(page);
  button->setObjectName(QString::fromLatin1(name));
  button->setEnabled(enabled);
  button->setGeometry(QRect(x, 462, 121, 36));
  // Four buttons and the arrows share one row: the texts may use the whole width inside the frame.
  button->setStyleSheet(form_style::frameButton(QStringLiteral("btn_common_05"), QStringLiteral("#101315"),
                                                QStringLiteral("#a4a7a8")) +
                        QStringLiteral("QToolButton{padding:0px;}"));
  return button;
}

QToolButton* pageArrow(QWidget* page, const char* name, int x, const char* image) {
  auto* button = new QToolButton(page);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(QRect(x, 464, 32, 32));
  button->setStyleSheet(form_style::stateIconButton(QString::fromLatin1(image)));
  return button;
}

}  // namespace

void Ui_Dialog::setupTasksPage(QDialog* Dialog) {
  currWidget = new QWidget(Dialog);
  currWidget->setObjectName("currWidget");
  currWidget->setGeometry(QRect(190, 10, 71, 16));
  currWidget->setMouseTracking(true);
  currWidget->setStyleSheet(form_style::panel(QStringLiteral("currWidget"), QStringLiteral("content_area_03_bg.png")));

  statusLabel = heading(currWidget, "statusLabel", 1);
  label = heading(currWidget, "label", 2);

  const Entry first = buildEntry(currWidget, QString(), 35, false);
  sessionWidget1 = first.frame;
  sourceLabel1 = first.sourceLabel1;
  destiLabel1 = first.destiLabel1;
  statusLabel1 = first.statusLabel1;
  sourceLabel2 = first.sourceLabel2;
  statusLabel2 = first.statusLabel2;
  statusLabel3 = first.statusLabel3;
  statusLabel4 = first.statusLabel4;
  destiLabel2 = first.destiLabel2;
  sourcePBtn = first.sourcePBtn;
  statusPBtn = first.statusPBtn;
  destiPBtn = first.destiPBtn;
  backupStatus = first.backupStatus;
  destiLabel3 = first.destiLabel3;

  const Entry second = buildEntry(currWidget, QStringLiteral("_2"), 238, true);
  sessionWidget1_2 = second.frame;
  sourceLabel1_2 = second.sourceLabel1;
  destiLabel1_2 = second.destiLabel1;
  statusLabel1_2 = second.statusLabel1;
  sourceLabel2_2 = second.sourceLabel2;
  statusLabel2_2 = second.statusLabel2;
  statusLabel3_2 = second.statusLabel3;
  statusLabel4_2 = second.statusLabel4;
  destiLabel2_2 = second.destiLabel2;
  sourcePBtn_2 = second.sourcePBtn;
  statusPBtn_2 = second.statusPBtn;
  destiPBtn_2 = second.destiPBtn;
  backupStatus_2 = second.backupStatus;
  destiLabel3_2 = second.destiLabel3;

  // Bottom row, under a separator line: page arrows at the left, the task buttons at the right.
  pageUpBtn = pageArrow(currWidget, "pageUpBtn", 10, "arrow_left");
  pageDownBtn = pageArrow(currWidget, "pageDownBtn", 44, "arrow_right");
  newbuPBtn = taskButton(currWidget, "newbuPBtn", 84, true);
  bunowPBtn = taskButton(currWidget, "bunowPBtn", 209, false);
  restbuBtn = taskButton(currWidget, "restbuBtn", 334, false);
  delbuPhBtn = taskButton(currWidget, "delbuPhBtn", 459, false);

  pageLine = new QLabel(currWidget);
  pageLine->setObjectName("pageLine");
  pageLine->setGeometry(QRect(10, 451, 570, 2));
  pageLine->setStyleSheet(form_style::stretchedImageLabel(QStringLiteral("line.png")));

  sourceLabel = heading(currWidget, "sourceLabel", 0);
}
