// The restore page of the form, on the window's dark content background: the version list on
// a light panel under its question, the choice between the original place and a new folder
// (with its path field and Browse), and Restore and Cancel at the bottom right. The page
// enables the path field and Browse when "New path" is chosen.
#include "ui_dialog.h"
#include "ui_style.h"

namespace {

QLabel* pageQuestion(QWidget* parent, const char* name, const QRect& geometry) {
  auto* question = new QLabel(parent);
  question->setObjectName(QString::fromLatin1(name));
  question->setGeometry(geometry);
  question->setStyleSheet(form_style::label(QStringLiteral("#ffffff")));
  question->setAlignment(Qt::AlignLeading | Qt::AlignLeft | Qt::AlignTop);
  question->setWordWrap(true);
  return question;
}

QToolButton* pageButton(QWidget* parent, const char* name, const QRect& geometry) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(geometry);
  button->setStyleSheet(form_style::frameButton(QStringLiteral("btn_common_01"), QStringLiteral("#ffffff")));
  return button;
}

QRadioButton* placeChoice(QWidget* parent, const char* name, int y) {
  auto* choice = new QRadioButton(parent);
  choice->setObjectName(QString::fromLatin1(name));
  choice->setGeometry(QRect(0, y, 25, 25));
  choice->setFocusPolicy(Qt::NoFocus);
  choice->setStyleSheet(form_style::radio(QStringLiteral("check_box_01"), true));
  return choice;
}

QLabel* choiceCaption(QWidget* parent, const char* name, const QRect& geometry) {
  auto* caption = new QLabel(parent);
  caption->setObjectName(QString::fromLatin1(name));
  caption->setGeometry(geometry);
  caption->setStyleSheet(form_style::label(QStringLiteral("#ffffff")));
  return caption;
}

}  // namespace

void Ui_Dialog::setupRestorePage(QDialog* Dialog) {
  restoreWidget = new QWidget(Dialog);
  restoreWidget->setObjectName("restoreWidget");
  restoreWidget->setGeometry(QRect(110, 10, 61, 16));

  // The questions stand over their blocks, aligned with the blocks' left edge; two lines fit.
  // Restore and Cancel stand in the bottom row of the task area, where the wizard has its buttons.
  restorePathLabel = pageQuestion(restoreWidget, "restorePathLabel", QRect(67, 248, 491, 44));
  restoreTBtn = pageButton(restoreWidget, "restoreTBtn", QRect(288, 478, 130, 36));
  cancelTBtn = pageButton(restoreWidget, "cancelTBtn", QRect(428, 478, 130, 36));
  restoreVerLabel = pageQuestion(restoreWidget, "restoreVerLabel", QRect(67, 28, 487, 48));

  versionWidget = new QWidget(restoreWidget);
  versionWidget->setObjectName("versionWidget");
  versionWidget->setGeometry(QRect(67, 77, 487, 133));
  versionWidget->setStyleSheet(form_style::panel(QStringLiteral("versionWidget"), QStringLiteral("content_area_02_bg.png")));

  restoreLWidget = new QListWidget(versionWidget);
  restoreLWidget->setObjectName("restoreLWidget");
  restoreLWidget->setGeometry(QRect(10, 10, 467, 113));
  restoreLWidget->setStyleSheet(QStringLiteral(
      "QListWidget{color:#2e3132;background-color:transparent;border:none;outline:none;}"
      "QListWidget::item{height:24px;}"
      "QListWidget::item:hover{background-color:#dfe4e7;}"
      "QListWidget::item:selected{background-color:#3a84c9;color:#ffffff;}"));

  // Two rows: "Original path" alone; "New path" with its field and Browse on one line.
  browsePathWidget = new QWidget(restoreWidget);
  browsePathWidget->setObjectName("browsePathWidget");
  browsePathWidget->setGeometry(QRect(67, 292, 491, 81));

  restoreBTBtn = new QToolButton(browsePathWidget);
  restoreBTBtn->setObjectName("restoreBTBtn");
  restoreBTBtn->setEnabled(false);
  restoreBTBtn->setGeometry(QRect(381, 43, 110, 36));
  restoreBTBtn->setStyleSheet(form_style::frameButton(QStringLiteral("btn_common_05"), QStringLiteral("#101315"),
                                                      QStringLiteral("#a4a7a8")));

  restorePathRBtn_2 = placeChoice(browsePathWidget, "restorePathRBtn_2", 48);
  restorePathLabel_2 = choiceCaption(browsePathWidget, "restorePathLabel_2", QRect(33, 6, 340, 29));
  restorePathLabel_3 = choiceCaption(browsePathWidget, "restorePathLabel_3", QRect(33, 46, 107, 29));
  restorePathRBtn = placeChoice(browsePathWidget, "restorePathRBtn", 8);
  restorePathRBtn->setChecked(true);

  restorePathLEdit = new QLineEdit(browsePathWidget);
  restorePathLEdit->setObjectName("restorePathLEdit");
  restorePathLEdit->setEnabled(false);
  restorePathLEdit->setGeometry(QRect(146, 45, 227, 32));
  restorePathLEdit->setContextMenuPolicy(Qt::NoContextMenu);
  restorePathLEdit->setStyleSheet(form_style::lineEdit(QStringLiteral("input_box_restore.png"), QStringLiteral("#2e3132"),
                                                       QStringLiteral("input_box_d.png")));
  restorePathLEdit->setMaxLength(220);
}
