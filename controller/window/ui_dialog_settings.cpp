// The settings page of the form: Save, Cancel and Default along the bottom, the menu of six
// icon buttons with their captions (two rows of three, on a light panel), and the six
// sub-pages. The window places the menu or one sub-page over the top of the page
// (Dialog::CurrentSetWidget) and moves the e-mail page's time row to its place per schedule.
//
// Sub-pages share one grid: the title at the top left, check boxes and radio buttons in a column
// at x 48-50 and their captions from x 81, so that texts start where the e-mail page's time row
// starts. The e-mail page's account and server fields have dark captions; they stand on a light
// panel of their own under the time row.
#include "ui_dialog.h"
#include "ui_style.h"

namespace {

const QString kWhite = QStringLiteral("#ffffff");
const QString kDark = QStringLiteral("#2e3132");
constexpr Qt::Alignment kTopLeft = Qt::AlignLeading | Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment kRightCentred = Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter;

// Captions of check boxes and radio buttons start here; the indicators stand left of it.
constexpr int kCaptionX = 81;
constexpr int kCaptionWidth = 510;

QWidget* subPage(QWidget* settings, const char* name, const QRect& geometry) {
  auto* page = new QWidget(settings);
  page->setObjectName(QString::fromLatin1(name));
  page->setGeometry(geometry);
  return page;
}

QLabel* textLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& color,
                  Qt::Alignment alignment = {}, bool wordWrap = false) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setStyleSheet(form_style::label(color));
  if (alignment) label->setAlignment(alignment);
  label->setWordWrap(wordWrap);
  return label;
}

QLabel* pageTitle(QWidget* page, const char* name) {
  return textLabel(page, name, QRect(30, 12, 561, 34), kWhite);
}

// An option caption of a sub-page, room for two lines.
QLabel* optionCaption(QWidget* page, const char* name, int y) {
  return textLabel(page, name, QRect(kCaptionX, y, kCaptionWidth, 44), kWhite, kTopLeft, true);
}

// Indicators stand level with the first line of their caption at `captionY`.
QCheckBox* checkBox(QWidget* parent, const char* name, int x, int captionY) {
  auto* box = new QCheckBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(QRect(x, captionY - 1, 21, 21));
  box->setFocusPolicy(Qt::NoFocus);
  box->setStyleSheet(form_style::checkBox(QStringLiteral("check_box_02"), false));
  return box;
}

QRadioButton* radioButton(QWidget* parent, const char* name, int x, int captionY) {
  auto* radio = new QRadioButton(parent);
  radio->setObjectName(QString::fromLatin1(name));
  radio->setGeometry(QRect(x, captionY - 3, 25, 25));
  radio->setFocusPolicy(Qt::NoFocus);
  radio->setStyleSheet(form_style::radio(QStringLiteral("check_box_01"), false));
  return radio;
}

QToolButton* bottomButton(QWidget* settings, const char* name, int x) {
  auto* button = new QToolButton(settings);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(QRect(QPoint(x, 482), QPoint(x + 96, 509)));
  // The window gives these 97 x 28 px; the text may use the whole width inside the frame.
  button->setStyleSheet(form_style::frameButton(QStringLiteral("btn_common_01"), kWhite, QString(), false) +
                        QStringLiteral("QToolButton{padding:0px;}"));
  return button;
}

// The menu: icon n (0-5) in row n / 3 and column n % 3, its caption under it.
QRect menuIcon(int n) { return QRect(55 + (n % 3) * 207, 54 + (n / 3) * 200, 96, 96); }
QRect menuCaption(int n) { return QRect(13 + (n % 3) * 207, 156 + (n / 3) * 200, 180, 60); }

QToolButton* menuButton(QWidget* menu, const char* name, int n, const char* image) {
  auto* button = new QToolButton(menu);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(menuIcon(n));
  const QString normal = QString::fromLatin1(image);
  button->setStyleSheet(form_style::iconButton(normal + QStringLiteral("_n.png"), normal + QStringLiteral("_f.png")));
  return button;
}

QLabel* menuLabel(QWidget* menu, const char* name, int n) {
  return textLabel(menu, name, menuCaption(n), kDark, Qt::AlignCenter, true);
}

QSpinBox* timeBox(QWidget* parent, const char* name, const QRect& geometry, int maximum) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(geometry);
  box->setContextMenuPolicy(Qt::NoContextMenu);
  box->setStyleSheet(form_style::spinBox(QStringLiteral("drop_down_menu_tiny_bg.png"), kWhite));
  box->setMaximum(maximum);
  return box;
}

QLabel* colon(QWidget* parent, const char* name, const QRect& geometry) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setStyleSheet(form_style::imageLabel(QStringLiteral("colon.png")));
  label->setAlignment(Qt::AlignCenter);
  return label;
}

QComboBox* comboBox(QWidget* parent, const char* name, const QRect& geometry, const char* frame) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(geometry);
  box->setStyleSheet(form_style::comboBox(QString::fromLatin1(frame), QStringLiteral("big_arrow_down.png"), kWhite));
  return box;
}

// The e-mail page's account and server block on the light panel: captions right-aligned
// before the fields, one row every 32 px; the SSL caption may wrap, so its row is 40 px.
constexpr int kFieldX = 200;
constexpr int kFieldRowY[] = {222, 254, 294, 326, 358, 390, 422};
int fieldRow(int row) { return kFieldRowY[row]; }

QLabel* fieldCaption(QWidget* page, const char* name, int row) {
  return textLabel(page, name, QRect(40, fieldRow(row), 150, 28), kDark, kRightCentred, true);
}

QLineEdit* field(QWidget* page, const char* name, int row, int maxLength, bool disabledLook) {
  auto* edit = new QLineEdit(page);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(QRect(kFieldX, fieldRow(row), 340, 28));
  edit->setContextMenuPolicy(Qt::NoContextMenu);
  edit->setStyleSheet(disabledLook ? form_style::lineEdit(QStringLiteral("input_box_black_01.png"), kWhite,
                                                          QStringLiteral("input_box_black_01_d.png"),
                                                          QStringLiteral("#767b7e"))
                                   : form_style::lineEdit(QStringLiteral("input_box_black_02.png"), kWhite));
  edit->setMaxLength(maxLength);
  return edit;
}

// Rows of the field block.
enum FieldRow { kServerRow, kSslRow, kMethodRow, kUserRow, kPasswordRow, kSenderRow, kReceiverRow };

}  // namespace

void Ui_Dialog::setupSettingsPage(QDialog* Dialog) {
  settingWidget = new QWidget(Dialog);
  settingWidget->setObjectName("settingWidget");
  settingWidget->setGeometry(QRect(110, 40, 71, 16));

  // The places the window gives these for every language but Russian.
  settingSTBtn = bottomButton(settingWidget, "settingSTBtn", 269);
  settingDTBtn = bottomButton(settingWidget, "settingDTBtn", 489);
  settingCTBtn = bottomButton(settingWidget, "settingCTBtn", 379);

  // ---- menu -------------------------------------------------------------------------
  setMainWidget = subPage(settingWidget, "setMainWidget", QRect(30, 510, 61, 16));
  setMainWidget->setStyleSheet(form_style::panel(QStringLiteral("setMainWidget"), QStringLiteral("content_area_03_bg.png")));
  setConfigBtn = menuButton(setMainWidget, "setConfigBtn", 0, "icon_backup_configuration");
  setConfigLabel = menuLabel(setMainWidget, "setConfigLabel", 0);
  setLanguageBtn = menuButton(setMainWidget, "setLanguageBtn", 1, "icon_language");
  setEmailBtn = menuButton(setMainWidget, "setEmailBtn", 2, "icon_email_notification");
  setLanguageLabel = menuLabel(setMainWidget, "setLanguageLabel", 1);
  setEmailLabel = menuLabel(setMainWidget, "setEmailLabel", 2);
  setLogBtn = menuButton(setMainWidget, "setLogBtn", 3, "icon_log");
  setBackupBtn = new QToolButton(setMainWidget);
  setBackupBtn->setObjectName("setBackupBtn");
  setBackupBtn->setGeometry(menuIcon(4));
  setBackupBtn->setStyleSheet(form_style::iconButton(QStringLiteral("icon_backups_n.png"), QStringLiteral("icon_backups_sf.png")));
  setMiscBtn = menuButton(setMainWidget, "setMiscBtn", 5, "icon_misc");
  setLogLabel_2 = menuLabel(setMainWidget, "setLogLabel_2", 3);
  setBackupLabel = menuLabel(setMainWidget, "setBackupLabel", 4);
  setLogLabel_4 = menuLabel(setMainWidget, "setLogLabel_4", 5);

  // ---- 0: configuration export and import --------------------------------------------
  setConfigWidget = subPage(settingWidget, "setConfigWidget", QRect(510, 510, 71, 16));
  setSCILabel = textLabel(setConfigWidget, "setSCILabel", QRect(50, 68, 395, 62), kWhite, kTopLeft, true);
  setSCEBtn = new QToolButton(setConfigWidget);
  setSCEBtn->setObjectName("setSCEBtn");
  setSCEBtn->setGeometry(QRect(461, 146, 130, 36));
  setSCEBtn->setStyleSheet(form_style::frameButton(QStringLiteral("btn_common_05"), QStringLiteral("#101315"),
                                                   QStringLiteral("#a4a7a8")));
  setSCELabel = textLabel(setConfigWidget, "setSCELabel", QRect(50, 148, 395, 62), kWhite, kTopLeft, true);
  setSCIBtn = new QToolButton(setConfigWidget);
  setSCIBtn->setObjectName("setSCIBtn");
  setSCIBtn->setGeometry(QRect(461, 66, 130, 36));
  setSCIBtn->setStyleSheet(setSCEBtn->styleSheet());
  setConfigTLabel = pageTitle(setConfigWidget, "setConfigTLabel");

  // ---- 1: language ---------------------------------------------------------------------
  setLanguageWidget = subPage(settingWidget, "setLanguageWidget", QRect(50, 120, 481, 271));
  setLanguageWidget->setStyleSheet(form_style::transparentPanel(QStringLiteral("setLanguageWidget")));
  setLCBoBox = comboBox(setLanguageWidget, "setLCBoBox", QRect(50, 68, 260, 34), "drop_down_menu_wide_bg.png");
  // The languages in their own names, the same in every translation; the index is the one
  // the settings store keeps.
  setLCBoBox->clear();
  setLCBoBox->insertItems(0, QStringList()
      << QStringLiteral("   English")
      << QStringLiteral("   简体中文")
      << QStringLiteral("   繁體中文")
      << QStringLiteral("   Français")
      << QStringLiteral("   Deutsch")
      << QStringLiteral("   Italiano")
      << QStringLiteral("   Português")
      << QStringLiteral("   Русский")
      << QStringLiteral("   Español"));
  setLanguageTLabel = pageTitle(setLanguageWidget, "setLanguageTLabel");

  // ---- 2: e-mail reports -----------------------------------------------------------------
  setEmailWidget = subPage(settingWidget, "setEmailWidget", QRect(190, 510, 71, 16));
  setEmailWidget->setStyleSheet(form_style::transparentPanel(QStringLiteral("setEmailWidget")));
  // Made first, so that it lies under every widget of the block.
  auto* fieldPanel = new QWidget(setEmailWidget);
  fieldPanel->setObjectName("setENFieldPanel");
  fieldPanel->setGeometry(QRect(30, 213, 561, 244));
  fieldPanel->setStyleSheet(form_style::panel(QStringLiteral("setENFieldPanel"), QStringLiteral("content_area_01_bg.png")));

  // The time row of the periodic summary; the window moves these to y 175 and shows one set.
  constexpr int kTimeY = 175;
  setENLabel_2 = fieldCaption(setEmailWidget, "setENLabel_2", kUserRow);
  monHourSnBox_2 = timeBox(setEmailWidget, "monHourSnBox_2", QRect(195, kTimeY, 76, 32), 23);
  monMinSnBox_2 = timeBox(setEmailWidget, "monMinSnBox_2", QRect(295, kTimeY, 76, 32), 59);
  monColonLabel_2 = colon(setEmailWidget, "monColonLabel_2", QRect(279, kTimeY, 16, 32));
  setENCBoBox = comboBox(setEmailWidget, "setENCBoBox", QRect(kCaptionX, 134, 214, 32), "drop_down_menu_wide_bg.png");
  setENCBox_3 = checkBox(setEmailWidget, "setENCBox_3", kFieldX, fieldRow(kSslRow) + 3);
  label_14 = textLabel(setEmailWidget, "label_14", QRect(kCaptionX, 102, kCaptionWidth, 26), kWhite, kTopLeft, true);
  label_11 = textLabel(setEmailWidget, "label_11", QRect(kFieldX + 29, fieldRow(kSslRow) + 3, 358, 36), kDark,
                       kTopLeft, true);
  setENCBox = checkBox(setEmailWidget, "setENCBox", 50, 54);
  setENLabel_8 = textLabel(setEmailWidget, "setENLabel_8", QRect(371, fieldRow(kMethodRow), 170, 28), kDark);
  setENLabel_7 = textLabel(setEmailWidget, "setENLabel_7", QRect(kFieldX + 31, fieldRow(kMethodRow), 100, 28), kDark);
  setENLabel_4 = fieldCaption(setEmailWidget, "setENLabel_4", kServerRow);
  setENLEdit = field(setEmailWidget, "setENLEdit", kUserRow, 256, true);
  setENCBox_2 = checkBox(setEmailWidget, "setENCBox_2", 50, 102);
  dailyHourSnBox_2 = timeBox(setEmailWidget, "dailyHourSnBox_2", QRect(kCaptionX, kTimeY, 76, 32), 23);
  setENLabel_3 = fieldCaption(setEmailWidget, "setENLabel_3", kPasswordRow);
  setENLabel = fieldCaption(setEmailWidget, "setENLabel", kMethodRow);
  setENLEdit_2 = field(setEmailWidget, "setENLEdit_2", kPasswordRow, 128, true);
  setENLEdit_2->setEchoMode(QLineEdit::Password);
  label_10 = textLabel(setEmailWidget, "label_10", QRect(kCaptionX, 54, kCaptionWidth, 44), kWhite, kTopLeft, true);
  setENLEdit_4 = field(setEmailWidget, "setENLEdit_4", kSenderRow, 256, false);
  setENLEdit_5 = field(setEmailWidget, "setENLEdit_5", kReceiverRow, 256, false);
  setENLabel_5 = fieldCaption(setEmailWidget, "setENLabel_5", kSenderRow);
  dailyColonLabel_2 = colon(setEmailWidget, "dailyColonLabel_2", QRect(165, kTimeY, 16, 32));
  setENLabel_6 = fieldCaption(setEmailWidget, "setENLabel_6", kReceiverRow);
  setENLEdit_3 = field(setEmailWidget, "setENLEdit_3", kServerRow, 128, false);
  setENRBtn_2 = radioButton(setEmailWidget, "setENRBtn_2", 340, fieldRow(kMethodRow) + 4);
  setENRBtn = radioButton(setEmailWidget, "setENRBtn", kFieldX, fieldRow(kMethodRow) + 4);
  setENRBtn->setChecked(true);
  dailyMinSnBox_2 = timeBox(setEmailWidget, "dailyMinSnBox_2", QRect(181, kTimeY, 76, 32), 59);
  dateCbBox_2 = comboBox(setEmailWidget, "dateCbBox_2", QRect(kCaptionX, kTimeY, 104, 32), "drop_down_menu_tiny_bg.png");

  // The weekly time, laid out like the monthly one: weekday, hour, colon, minute.
  weeklyTimeWidget_2 = new QWidget(setEmailWidget);
  weeklyTimeWidget_2->setObjectName("weeklyTimeWidget_2");
  weeklyTimeWidget_2->setGeometry(QRect(220, 40, 321, 51));
  weeklyHourSnBox_3 = timeBox(weeklyTimeWidget_2, "weeklyHourSnBox_3", QRect(114, 0, 76, 32), 23);
  label_4 = colon(weeklyTimeWidget_2, "label_4", QRect(198, 0, 16, 32));
  dateCbBox_3 = comboBox(weeklyTimeWidget_2, "dateCbBox_3", QRect(0, 0, 104, 32), "drop_down_menu_tiny_bg.png");
  weeklyMinSnBox_3 = timeBox(weeklyTimeWidget_2, "weeklyMinSnBox_3", QRect(214, 0, 76, 32), 59);
  setEmailTLabel = pageTitle(setEmailWidget, "setEmailTLabel");

  // ---- 3: log ----------------------------------------------------------------------------
  setLogWidget = subPage(settingWidget, "setLogWidget", QRect(270, 510, 61, 16));
  label_13 = optionCaption(setLogWidget, "label_13", 104);
  label_12 = optionCaption(setLogWidget, "label_12", 156);
  setLogRBtn = radioButton(setLogWidget, "setLogRBtn", 48, 156);
  setLogLabel = textLabel(setLogWidget, "setLogLabel", QRect(50, 62, 541, 26), kWhite);
  setLogRBtn_2 = radioButton(setLogWidget, "setLogRBtn_2", 48, 104);
  setLogRBtn_2->setChecked(true);
  setLogTLabel = pageTitle(setLogWidget, "setLogTLabel");

  // ---- 4: backup and restore (the backup option's row is hidden by the window) -------------
  setBackupWidget = subPage(settingWidget, "setBackupWidget", QRect(350, 510, 61, 16));
  label_7 = optionCaption(setBackupWidget, "label_7", 64);
  setBARCBox = checkBox(setBackupWidget, "setBARCBox", 50, 124);
  label_6 = optionCaption(setBackupWidget, "label_6", 124);
  setBARCBox_2 = checkBox(setBackupWidget, "setBARCBox_2", 50, 64);
  setBackupTLabel = pageTitle(setBackupWidget, "setBackupTLabel");

  // ---- 5: miscellaneous --------------------------------------------------------------------
  setMiscWidget = subPage(settingWidget, "setMiscWidget", QRect(420, 510, 61, 16));
  setMCBox_2 = checkBox(setMiscWidget, "setMCBox_2", 50, 64);
  label_9 = optionCaption(setMiscWidget, "label_9", 64);
  setMCBox = checkBox(setMiscWidget, "setMCBox", 50, 116);
  label_8 = optionCaption(setMiscWidget, "label_8", 116);
  setMiscTLabel = pageTitle(setMiscWidget, "setMiscTLabel");
}
