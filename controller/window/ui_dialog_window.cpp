// The window level of the form: the action of the share-folder menu, the (hidden) new-task
// button, the navigation column with its three image buttons and their captions, and the title
// label. The navigation buttons and captions keep the places the window's background art is
// drawn for; the window marks the shown page by swapping the buttons' images at run time.
#include <QtGui/QFont>
#include <QtGui/QIcon>

#include "ui_dialog.h"
#include "ui_style.h"

void Ui_Dialog::setupWindowLevel(QDialog* Dialog) {
  using namespace form_style;

  actionNew_Folder = new QAction(Dialog);
  actionNew_Folder->setObjectName("actionNew_Folder");
  actionNew_Folder->setIcon(QIcon(QStringLiteral(":/images/folder.png")));
  {
    QFont font;
    font.setFamilies({QStringLiteral("Calibri")});
    actionNew_Folder->setFont(font);
  }

  // Hidden by the window; when shown it is the plain new-task icon above the column.
  newSessionBut = new QToolButton(Dialog);
  newSessionBut->setObjectName("newSessionBut");
  newSessionBut->setEnabled(false);
  newSessionBut->setGeometry(QRect(30, 70, 61, 61));
  newSessionBut->setStyleSheet(
      iconButton(QStringLiteral("icon_new_backup.png"), QStringLiteral("icon_new_backup.png")));

  // The task list is the selected page at start: its button shows the selected image.
  curSessionBut = new QToolButton(Dialog);
  curSessionBut->setObjectName("curSessionBut");
  curSessionBut->setGeometry(QRect(0, 110, 171, 132));
  curSessionBut->setStyleSheet(
      iconButton(QStringLiteral("icon_backups_f.png"), QStringLiteral("icon_backups_f.png")));

  logBut = new QToolButton(Dialog);
  logBut->setObjectName("logBut");
  logBut->setGeometry(QRect(0, 290, 171, 132));
  logBut->setStyleSheet(iconButton(QStringLiteral("icon_logs.png"), QStringLiteral("icon_logs_f.png")));

  advancedBut = new QToolButton(Dialog);
  advancedBut->setObjectName("advancedBut");
  advancedBut->setGeometry(QRect(0, 450, 171, 132));
  advancedBut->setStyleSheet(
      iconButton(QStringLiteral("icon_settings_n.png"), QStringLiteral("icon_settings_f.png")));

  backupsLabel = new QLabel(Dialog);
  backupsLabel->setObjectName("backupsLabel");
  backupsLabel->setGeometry(QRect(3, 80, 161, 41));
  backupsLabel->setStyleSheet(form_style::label(QStringLiteral("#ffffff")));
  backupsLabel->setAlignment(Qt::AlignCenter);

  backupsLabel_2 = new QLabel(Dialog);
  backupsLabel_2->setObjectName("backupsLabel_2");
  backupsLabel_2->setGeometry(QRect(0, 270, 161, 41));
  backupsLabel_2->setStyleSheet(form_style::label(QStringLiteral("#ffffff")));
  backupsLabel_2->setAlignment(Qt::AlignCenter);

  // Hidden by the window; it would sit in the title strip beside the window's name.
  titleLabel = new QLabel(Dialog);
  titleLabel->setObjectName("titleLabel");
  titleLabel->setGeometry(QRect(20, 12, 300, 32));

  backupsLabel_3 = new QLabel(Dialog);
  backupsLabel_3->setObjectName("backupsLabel_3");
  backupsLabel_3->setGeometry(QRect(0, 430, 161, 41));
  backupsLabel_3->setStyleSheet(form_style::label(QStringLiteral("#ffffff")));
  backupsLabel_3->setAlignment(Qt::AlignCenter);
}
