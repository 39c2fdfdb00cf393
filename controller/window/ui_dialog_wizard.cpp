// The new-task wizard page of the form: every widget of its nine steps on one container. Each
// step shows a part of them (the window's page display hides the rest and places the lists and
// the schedule controls), so widgets of different steps share places, while the widgets of one
// step never overlap. The layout is drawn for the page's place in the window, 623 x 542:
//   - the "New Backup" badge at the top left, the step's title centred below it;
//   - the step's content in a column from x 70 to x 553 (labels from x 70, inputs from x 220),
//     from y 100 down;
//   - Back, Next and Cancel in one row at the bottom right, their right edge on the column's.
// Texts are set by retranslateUi; the sizes leave room for the longer German and Russian texts.
#include <QtGui/QBrush>
#include <QtGui/QColor>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QSizePolicy>

#include "ui_dialog.h"
#include "ui_style.h"

namespace {

// A label with dark text on a light panel image (the wizard's background is dark).
QString lightPanelLabel(const QString& color, const QString& image, const QString& padding) {
  return QStringLiteral(
             "QLabel{color:%1;border-image:%2 5 5 5 5 stretch stretch;border-width:5px;"
             "padding:%3;background-color:transparent;}")
      .arg(color, form_style::url(image), padding);
}

// The item views' text colour over the light panel behind them, with an optional disabled colour.
QString viewSheet(const QString& widget, const QString& objectName, const QString& color,
                  const QString& disabledColor = {}) {
  QString sheet = QStringLiteral("%1#%2{color:%3;background-color:transparent;border:none;}")
                      .arg(widget, objectName, color);
  if (!disabledColor.isEmpty())
    sheet += QStringLiteral("%1#%2:disabled{color:%3;}").arg(widget, objectName, disabledColor);
  return sheet;
}

}  // namespace

void Ui_Dialog::setupWizardPage(QDialog* Dialog) {
  using namespace form_style;
  const QString white = QStringLiteral("#ffffff");
  const QString dark = QStringLiteral("#2e3132");
  const QString whiteText = form_style::label(white);
  const QString darkText = form_style::label(dark);
  const Qt::Alignment leftMiddle = Qt::AlignLeft | Qt::AlignVCenter;
  const Qt::Alignment rightMiddle = Qt::AlignRight | Qt::AlignVCenter;
  const Qt::Alignment topLeft = Qt::AlignLeft | Qt::AlignTop;

  // Every step's title: centred across the page below the badge, two lines when a translation
  // needs them.
  const QRect kTitle(10, 54, 603, 44);

  // Small makers in the order the form needs them; each names, places and styles its widget.
  auto makeLabel = [](QWidget* parent, const char* name, const QString& sheet, Qt::Alignment align,
                      bool wrap, const QRect& rect) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(rect);
    l->setStyleSheet(sheet);
    l->setAlignment(align);
    l->setWordWrap(wrap);
    return l;
  };
  auto makeLineEdit = [](QWidget* parent, const char* name, const QString& sheet, int maxLength,
                         const QRect& rect) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(rect);
    e->setContextMenuPolicy(Qt::NoContextMenu);
    e->setStyleSheet(sheet);
    e->setMaxLength(maxLength);
    return e;
  };
  auto makeRadio = [](QWidget* parent, const char* name, bool disabledImage, const QRect& rect) {
    auto* r = new QRadioButton(parent);
    r->setObjectName(name);
    r->setGeometry(rect);
    r->setFocusPolicy(Qt::NoFocus);
    r->setStyleSheet(radio(QStringLiteral("check_box_01"), disabledImage));
    return r;
  };
  auto makeCheck = [](QWidget* parent, const char* name, bool disabledImage, const QRect& rect) {
    auto* c = new QCheckBox(parent);
    c->setObjectName(name);
    c->setGeometry(rect);
    c->setFocusPolicy(Qt::NoFocus);
    c->setStyleSheet(checkBox(QStringLiteral("check_box_02"), disabledImage));
    return c;
  };
  auto makeSpin = [](QWidget* parent, const char* name, int maximum, const QRect& rect) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setGeometry(rect);
    s->setContextMenuPolicy(Qt::NoContextMenu);
    s->setStyleSheet(spinBox(QStringLiteral("drop_down_menu_tiny_bg.png"), QStringLiteral("#ffffff")));
    s->setAlignment(Qt::AlignCenter);
    s->setMinimum(0);
    s->setMaximum(maximum);
    s->setSingleStep(1);
    s->setValue(0);
    return s;
  };
  auto makeCombo = [](QWidget* parent, const char* name, const QString& frameImage, const QRect& rect) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setGeometry(rect);
    c->setStyleSheet(
        comboBox(frameImage, QStringLiteral("big_arrow_down.png"), QStringLiteral("#ffffff")));
    return c;
  };
  auto makeColon = [](QWidget* parent, const char* name, const QRect& rect) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(rect);
    l->setStyleSheet(imageLabel(QStringLiteral("colon.png")));
    l->setAlignment(Qt::AlignCenter);
    return l;
  };
  auto makeButton = [](QWidget* parent, const char* name, const QString& sheet, const QRect& rect) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setGeometry(rect);
    b->setStyleSheet(sheet);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
  };
  // Rectangles from (x1, y1) to (x2, y2) inclusive, the form in which the schedule controls are
  // placed at run time.
  auto span = [](int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2, y2)); };

  // The page container; the window moves it to its place beside the navigation column.
  newDisplay = new QWidget(Dialog);
  newDisplay->setObjectName("newDisplay");
  newDisplay->setGeometry(QRect(150, 70, 601, 521));
  newDisplay->setStyleSheet(transparentPanel(QStringLiteral("newDisplay")));
  QWidget* page = newDisplay;

  // Step 1: the name of the new task (welcome texts) or of the renamed task (the page display
  // moves the field beside editNameLabel in rename mode).
  newOneEdit = makeLineEdit(page, "newOneEdit", lineEdit(QStringLiteral("input_box.png"), dark), 16,
                            QRect(70, 216, 300, 36));
  newOneEdit->setFrame(false);
  newOneEdit->setCursorPosition(0);

  newOneTitle = makeLabel(page, "newOneTitle", whiteText, Qt::AlignCenter, true, kTitle);
  newTwoTitle = makeLabel(page, "newTwoTitle", whiteText, Qt::AlignCenter, true, kTitle);
  newThreeTitle = makeLabel(page, "newThreeTitle", whiteText, Qt::AlignCenter, true, kTitle);

  // Step 3: all files, or chosen kinds of files and own extensions on the light panel cusWidget.
  allFilesRBtn = makeRadio(page, "allFilesRBtn", false, QRect(70, 103, 25, 25));
  allFilesRBtn->setChecked(true);
  allFilesRBtn->setAutoRepeat(true);
  speExtRBtn = makeRadio(page, "speExtRBtn", false, QRect(70, 139, 25, 25));
  videoCBox = makeCheck(page, "videoCBox", true, QRect(117, 189, 21, 21));
  pictureCBox = makeCheck(page, "pictureCBox", true, QRect(117, 223, 21, 21));
  audioCBox = makeCheck(page, "audioCBox", true, QRect(117, 257, 21, 21));
  cusCBox = makeCheck(page, "cusCBox", true, QRect(117, 291, 21, 21));
  cusLEdit = makeLineEdit(page, "cusLEdit", lineEdit(QStringLiteral("input_box_02.png"), dark), 14,
                          QRect(276, 286, 150, 30));

  newFourTitle = makeLabel(page, "newFourTitle", whiteText, Qt::AlignCenter, true, kTitle);
  newFiveTitle = makeLabel(page, "newFiveTitle", whiteText, Qt::AlignCenter, true, kTitle);

  // Step 6: the account on the share.
  userPasswdLabel =
      makeLabel(page, "userPasswdLabel", whiteText, rightMiddle, false, QRect(30, 208, 180, 36));
  userNameLabel =
      makeLabel(page, "userNameLabel", whiteText, rightMiddle, false, QRect(30, 160, 180, 36));
  userNameLEdit = makeLineEdit(page, "userNameLEdit", lineEdit(QStringLiteral("input_box.png"), dark),
                               15, QRect(220, 160, 260, 36));
  userPasswdLEdit =
      makeLineEdit(page, "userPasswdLEdit", lineEdit(QStringLiteral("input_box.png"), dark), 16,
                   QRect(220, 208, 260, 36));
  userPasswdLEdit->setEchoMode(QLineEdit::Password);

  // Step 8: the schedule row; the monthly and daily time controls stand where the page display
  // and the schedule choice place them (below the row, from x 220).
  scheduleLabel =
      makeLabel(page, "scheduleLabel", whiteText, leftMiddle, false, QRect(70, 100, 140, 37));
  scheduleCbBox = makeCombo(page, "scheduleCbBox", QStringLiteral("drop_down_menu_wide_bg.png"),
                            QRect(220, 100, 220, 37));
  dateCbBox = makeCombo(page, "dateCbBox", QStringLiteral("drop_down_menu_tiny_bg.png"),
                        span(220, 157, 309, 193));
  monHourSnBox = makeSpin(page, "monHourSnBox", 23, span(330, 157, 406, 193));
  monColonLabel = makeColon(page, "monColonLabel", span(413, 157, 421, 193));
  monMinSnBox = makeSpin(page, "monMinSnBox", 59, span(428, 157, 504, 193));

  // The backup action: one row at the bottom of its block, whatever height the schedule choice
  // gives the block (a tall block in manual mode keeps the row right below the schedule row).
  backupActionWidget = new QWidget(page);
  backupActionWidget->setObjectName("backupActionWidget");
  backupActionWidget->setGeometry(QRect(510, 270, 91, 31));
  increBuRBtn = makeRadio(backupActionWidget, "increBuRBtn", true, QRect(150, 13, 25, 25));
  increBuRBtn->setChecked(true);
  fullBuRBtn = makeRadio(backupActionWidget, "fullBuRBtn", true, QRect(345, 13, 25, 25));
  backupActionLabel = makeLabel(backupActionWidget, "backupActionLabel", whiteText, leftMiddle, true,
                                QRect(0, 0, 140, 50));
  increBuLabel =
      makeLabel(backupActionWidget, "increBuLabel", whiteText, leftMiddle, true, QRect(181, 0, 150, 50));
  label_19 =
      makeLabel(backupActionWidget, "label_19", whiteText, leftMiddle, true, QRect(376, 0, 150, 50));
  {
    auto* column = new QVBoxLayout(backupActionWidget);
    column->setObjectName("backupActionColumn");
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addStretch(1);
    auto* row = new QHBoxLayout();
    row->setObjectName("backupActionRow");
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    backupActionLabel->setFixedSize(140, 50);
    increBuRBtn->setFixedSize(25, 25);
    increBuLabel->setFixedSize(150, 50);
    fullBuRBtn->setFixedSize(25, 25);
    label_19->setFixedSize(150, 50);
    row->addWidget(backupActionLabel);
    row->addSpacing(10);
    row->addWidget(increBuRBtn);
    row->addSpacing(6);
    row->addWidget(increBuLabel);
    row->addSpacing(14);
    row->addWidget(fullBuRBtn);
    row->addSpacing(6);
    row->addWidget(label_19);
    row->addStretch(1);
    column->addLayout(row);
  }

  // The weekly schedule: seven day columns (name above its box) under the schedule label, then
  // the time, aligned with the monthly time controls.
  weeklyTimeWidget = new QWidget(page);
  weeklyTimeWidget->setObjectName("weeklyTimeWidget");
  weeklyTimeWidget->setGeometry(QRect(160, 260, 491, 91));
  const int dayWidth = 36;
  auto dayBox = [&](int day) { return QRect(day * dayWidth + (dayWidth - 21) / 2, 34, 21, 21); };
  auto dayName = [&](int day) { return QRect(day * dayWidth, 6, dayWidth, 24); };
  checkBox0 = makeCheck(weeklyTimeWidget, "checkBox0", false, dayBox(0));
  checkBox1 = makeCheck(weeklyTimeWidget, "checkBox1", false, dayBox(1));
  checkBox2 = makeCheck(weeklyTimeWidget, "checkBox2", false, dayBox(2));
  checkBox3 = makeCheck(weeklyTimeWidget, "checkBox3", false, dayBox(3));
  checkBox4 = makeCheck(weeklyTimeWidget, "checkBox4", false, dayBox(4));
  checkBox5 = makeCheck(weeklyTimeWidget, "checkBox5", false, dayBox(5));
  checkBox6 = makeCheck(weeklyTimeWidget, "checkBox6", false, dayBox(6));
  weeklyHourSnBox = makeSpin(weeklyTimeWidget, "weeklyHourSnBox", 23, QRect(260, 17, 77, 37));
  label_2 = makeColon(weeklyTimeWidget, "label_2", QRect(343, 17, 9, 37));
  weeklyMinSnBox = makeSpin(weeklyTimeWidget, "weeklyMinSnBox", 59, QRect(358, 17, 77, 37));
  weeklyDayLabel = makeLabel(weeklyTimeWidget, "weeklyDayLabel", whiteText, leftMiddle, false,
                             QRect(0, 6, 7 * dayWidth, 24));
  weeklyDayLabel->setText(QStringLiteral("   Sun     Mon    Tue    Wed     Thu      Fri       Sat  "));
  sunLabel = makeLabel(weeklyTimeWidget, "sunLabel", whiteText, Qt::AlignCenter, false, dayName(0));
  monLabel = makeLabel(weeklyTimeWidget, "monLabel", whiteText, Qt::AlignCenter, false, dayName(1));
  tueLabel = makeLabel(weeklyTimeWidget, "tueLabel", whiteText, Qt::AlignCenter, false, dayName(2));
  wedLabel = makeLabel(weeklyTimeWidget, "wedLabel", whiteText, Qt::AlignCenter, false, dayName(3));
  thuLabel = makeLabel(weeklyTimeWidget, "thuLabel", whiteText, Qt::AlignCenter, false, dayName(4));
  friLabel = makeLabel(weeklyTimeWidget, "friLabel", whiteText, Qt::AlignCenter, false, dayName(5));
  satLabel = makeLabel(weeklyTimeWidget, "satLabel", whiteText, Qt::AlignCenter, false, dayName(6));

  newSevenTitle = makeLabel(page, "newSevenTitle", whiteText, Qt::AlignCenter, true, kTitle);

  // Back, Next and Cancel: one row at the bottom right of the content column.
  const QString mainButton = frameButton(QStringLiteral("btn_common_01"), white);
  newBtnNext = makeButton(page, "newBtnNext", mainButton, QRect(283, 478, 130, 36));
  newBtnCancel = makeButton(page, "newBtnCancel", mainButton, QRect(423, 478, 130, 36));
  newBtnBack = makeButton(page, "newBtnBack", mainButton, QRect(143, 478, 130, 36));
  newBtnBack->setEnabled(false);

  const QString smallButton =
      frameButton(QStringLiteral("btn_common_03"), dark, QStringLiteral("#9ba7ae"));
  cusAddPBtn = makeButton(page, "cusAddPBtn", smallButton, QRect(434, 287, 105, 28));
  cusRemPBtn = makeButton(page, "cusRemPBtn", smallButton, QRect(434, 326, 105, 28));

  newSixTitle = makeLabel(page, "newSixTitle", whiteText, Qt::AlignCenter, true, kTitle);

  // The "New Backup" badge: the icon, and the caption on a light rounded tab beside it (dark
  // text), drawn as a tag so that it does not read as a field to type in.
  label_3 = makeLabel(page, "label_3", imageLabel(QStringLiteral("icon_new_backup.png")),
                      Qt::AlignCenter, false, QRect(30, 6, 48, 48));
  backupsLabel_4 = makeLabel(
      page, "backupsLabel_4",
      QStringLiteral("QLabel{color:#101315;background-color:#dbe6f1;border:none;"
                     "border-radius:16px;padding:0px 16px;font-weight:bold;}"),
      leftMiddle, false, QRect(84, 14, 240, 32));

  // Step 2: the local folder tree on its panel (the page display gives both their size).
  localWidget = new QWidget(page);
  localWidget->setObjectName("localWidget");
  localWidget->setGeometry(QRect(90, 40, 121, 21));
  localWidget->setStyleSheet(
      panel(QStringLiteral("localWidget"), QStringLiteral("content_area_01_bg.png")));
  localFolders = new QTreeView(localWidget);
  localFolders->setObjectName("localFolders");
  localFolders->setGeometry(QRect(10, 50, 161, 21));
  localFolders->setAutoFillBackground(true);
  // The folders' check boxes in the form's own images: unchosen, chosen, partly chosen.
  localFolders->setStyleSheet(
      viewSheet(QStringLiteral("QTreeView"), QStringLiteral("localFolders"), dark) +
      QStringLiteral("QTreeView#localFolders::indicator{width:17px;height:17px;}"
                     "QTreeView#localFolders::indicator:unchecked{image:%1;}"
                     "QTreeView#localFolders::indicator:checked{image:%2;}"
                     "QTreeView#localFolders::indicator:indeterminate{image:%3;}")
          .arg(url(QStringLiteral("check_box_02_n.png")), url(QStringLiteral("check_box_02_f.png")),
               url(QStringLiteral("check_box_02_p.png"))));
  localFolders->setFrameShape(QFrame::NoFrame);
  localFolders->setEditTriggers(QAbstractItemView::NoEditTriggers);
  localFolders->setSelectionBehavior(QAbstractItemView::SelectItems);
  localFolders->setTextElideMode(Qt::ElideRight);
  localFolders->setRootIsDecorated(true);
  localFolders->header()->setVisible(false);

  // Step 3: the panel behind the extension choices, holding the list of own extensions.
  cusWidget = new QWidget(page);
  cusWidget->setObjectName("cusWidget");
  cusWidget->setGeometry(QRect(230, 140, 141, 16));
  cusWidget->setStyleSheet(
      panel(QStringLiteral("cusWidget"), QStringLiteral("content_area_02_bg_d.png")));
  cusLWidget = new QListWidget(cusWidget);
  cusLWidget->setObjectName("cusLWidget");
  cusLWidget->setGeometry(QRect(40, 10, 181, 101));
  // The list is framed like the extension field above it.
  cusLWidget->setStyleSheet(
      QStringLiteral("QListWidget#cusLWidget{color:#2e3132;background-color:transparent;"
                     "border-image:%1 5 5 5 5 stretch stretch;border-width:5px;}"
                     "QListWidget#cusLWidget:disabled{color:#929292;}")
          .arg(url(QStringLiteral("input_box_02.png"))));
  cusLWidget->setResizeMode(QListView::Adjust);
  cusLWidget->setModelColumn(0);

  // Steps 5 and 7: the shares of the device, then the folders of the chosen share.
  shareFolderWidget = new QWidget(page);
  shareFolderWidget->setObjectName("shareFolderWidget");
  shareFolderWidget->setGeometry(QRect(20, 400, 171, 91));
  shareFolderWidget->setStyleSheet(
      panel(QStringLiteral("shareFolderWidget"), QStringLiteral("content_area_01_bg.png")));
  shareFolderTWidget = new QTreeWidget(shareFolderWidget);
  shareFolderTWidget->setObjectName("shareFolderTWidget");
  shareFolderTWidget->setGeometry(QRect(10, 40, 131, 16));
  shareFolderTWidget->setFocusPolicy(Qt::WheelFocus);
  shareFolderTWidget->setContextMenuPolicy(Qt::DefaultContextMenu);
  shareFolderTWidget->setStyleSheet(
      viewSheet(QStringLiteral("QTreeWidget"), QStringLiteral("shareFolderTWidget"), dark));
  shareFolderTWidget->setFrameShape(QFrame::NoFrame);
  shareFolderTWidget->setEditTriggers(QAbstractItemView::NoEditTriggers);
  shareFolderTWidget->setSelectionBehavior(QAbstractItemView::SelectItems);
  shareFolderTWidget->setTextElideMode(Qt::ElideRight);
  {
    auto* headerItem = new QTreeWidgetItem();
    headerItem->setText(0, QStringLiteral("1"));
    shareFolderTWidget->setHeaderItem(headerItem);
  }
  shareFolderTWidget->header()->setVisible(false);

  // Step 8: the daily time controls (the page display and the schedule choice place them).
  dailyHourSnBox = makeSpin(page, "dailyHourSnBox", 23, span(220, 157, 296, 193));
  dailyColonLabel = makeColon(page, "dailyColonLabel", span(303, 157, 311, 193));
  dailyMinSnBox = makeSpin(page, "dailyMinSnBox", 59, span(318, 157, 394, 193));

  // Step 4: the devices found, over their panel.
  deviceWidget = new QWidget(page);
  deviceWidget->setObjectName("deviceWidget");
  deviceWidget->setGeometry(QRect(400, 110, 221, 51));
  deviceWidget->setStyleSheet(
      panel(QStringLiteral("deviceWidget"), QStringLiteral("device_content.png")));
  deviceTWidget = new QTreeWidget(page);
  deviceTWidget->setObjectName("deviceTWidget");
  deviceTWidget->setGeometry(QRect(210, 190, 101, 31));
  {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    policy.setHorizontalStretch(0);
    policy.setVerticalStretch(0);
    deviceTWidget->setSizePolicy(policy);
  }
  deviceTWidget->setMouseTracking(true);
  // Rows are 80 px high for the device icons; the header sections are drawn dark so that the
  // white header texts stay readable.
  deviceTWidget->setStyleSheet(
      QStringLiteral("QTreeView::Item {height:80px;}") +
      viewSheet(QStringLiteral("QTreeWidget"), QStringLiteral("deviceTWidget"), dark) +
      QStringLiteral("QHeaderView::section{background-color:#2b3034;color:#ffffff;border:none;"
                     "border-right:1px solid #4a5258;padding:0px 6px;min-height:28px;}"));
  deviceTWidget->setFrameShape(QFrame::NoFrame);
  deviceTWidget->setIndentation(20);
  deviceTWidget->setRootIsDecorated(false);
  deviceTWidget->setWordWrap(true);
  {
    auto* headerItem = new QTreeWidgetItem();
    headerItem->setText(1, QString());
    headerItem->setText(0, QString());
    headerItem->setForeground(1, QBrush(QColor(255, 255, 255)));
    headerItem->setForeground(0, QBrush(QColor(255, 255, 255)));
    deviceTWidget->setHeaderItem(headerItem);
  }
  deviceTWidget->header()->setVisible(true);
  deviceTWidget->header()->setCascadingSectionResizes(false);
  deviceTWidget->header()->setDefaultSectionSize(190);
  deviceTWidget->header()->setHighlightSections(false);
  deviceTWidget->header()->setSortIndicatorShown(false);

  // Step 3 captions: the two choices in white on the page, the kinds of files in dark on the panel.
  allFilesLabel =
      makeLabel(page, "allFilesLabel", whiteText, leftMiddle, false, QRect(103, 99, 450, 34));
  speExtLabel = makeLabel(page, "speExtLabel", whiteText, leftMiddle, false, QRect(103, 135, 450, 34));
  videoLabel = makeLabel(page, "videoLabel", darkText, leftMiddle, false, QRect(146, 184, 391, 30));
  pictureLabel = makeLabel(page, "pictureLabel", darkText, leftMiddle, false, QRect(146, 218, 391, 30));
  audioLabel = makeLabel(page, "audioLabel", darkText, leftMiddle, false, QRect(146, 252, 391, 30));
  cusLabel = makeLabel(page, "cusLabel", darkText, leftMiddle, false, QRect(146, 286, 124, 30));

  // Step 4: the search again, below the device panel at its right edge.
  refreshTBtn = makeButton(page, "refreshTBtn",
                           frameButton(QStringLiteral("btn_common_05"), dark, QStringLiteral("#a4a7a8")),
                           QRect(423, 420, 130, 36));

  // Step 8: what the chosen backup action does, on a light panel (dark text).
  const QString tipSheet = lightPanelLabel(
      QStringLiteral("#101315"), QStringLiteral("content_area_02_bg.png"), QStringLiteral("3px 6px"));
  increTipLabel = makeLabel(page, "increTipLabel", tipSheet, topLeft, true, span(70, 350, 560, 430));
  fullTipLabel = makeLabel(page, "fullTipLabel", tipSheet, topLeft, true, span(70, 350, 560, 430));

  // Step 1 in rename mode and step 9: captions in a column from x 30, values from x 211 (where the
  // task list places the source paths it fills in).
  sourcePathLabel =
      makeLabel(page, "sourcePathLabel", whiteText, topLeft, true, QRect(30, 157, 175, 28));
  sourcePathLabel_2 =
      makeLabel(page, "sourcePathLabel_2", whiteText, topLeft, true, QRect(211, 157, 371, 320));
  accountLabel = makeLabel(page, "accountLabel", whiteText, leftMiddle, true, QRect(30, 106, 175, 24));
  accountLabel_2 =
      makeLabel(page, "accountLabel_2", whiteText, leftMiddle, true, QRect(211, 106, 371, 24));
  deviceModelLabel =
      makeLabel(page, "deviceModelLabel", whiteText, leftMiddle, true, QRect(30, 131, 175, 24));
  deviceModelLabel_2 =
      makeLabel(page, "deviceModelLabel_2", whiteText, leftMiddle, true, QRect(211, 131, 371, 24));
  // The edit modes show a task's folders, account and NAS model as they stand.
  for (QLabel* label : {sourcePathLabel_2, accountLabel_2, deviceModelLabel_2}) {
    label->setTextFormat(Qt::PlainText);
  }

  newOneTitle_2 = makeLabel(page, "newOneTitle_2", whiteText, topLeft, true, QRect(70, 108, 483, 100));
  newEightTitle = makeLabel(page, "newEightTitle", whiteText, Qt::AlignCenter, true, kTitle);
  newOneTitle_3 = makeLabel(page, "newOneTitle_3", whiteText, Qt::AlignCenter, true, kTitle);
  editNameLabel = makeLabel(page, "editNameLabel", whiteText, leftMiddle, true, QRect(30, 100, 175, 36));

  // Step 4: the help link, inside the device panel below the list (its markup is dark text).
  linkLabel =
      makeLabel(page, "linkLabel", QStringLiteral("QLabel{background-color:transparent;border:none;}"),
                rightMiddle, false, QRect(78, 376, 467, 28));

  // Step 7: a new folder in the chosen share, below the folder panel at its right edge.
  createFolderBtn =
      makeButton(page, "createFolderBtn",
                 frameButton(QStringLiteral("btn_common_05"), dark, QStringLiteral("#a4a7a8")),
                 QRect(423, 420, 130, 36));

  // Stacking: the extension controls sit on the cusWidget panel, which is made after them, and
  // the schedule row stays above the backup-action block, which in manual mode reaches up over it.
  videoCBox->raise();
  pictureCBox->raise();
  audioCBox->raise();
  cusCBox->raise();
  cusLEdit->raise();
  cusAddPBtn->raise();
  cusRemPBtn->raise();
  scheduleLabel->raise();
  scheduleCbBox->raise();
}
