// The restore page: the versions of a task, the target, restore start and stop.
//
// The page opens from the task list's Restore for the selected task. The versions are read
// from the task's folder on its destination once the device answers (a local folder needs
// no ping, only to exist); the one-shot version thread paces the reading, so the page is
// drawn before it starts. The window goes on while the reading waits for the share; the
// versions are shown only while the task is still the selected one. Restore sends the
// service the chosen version and target; every refusal leaves the page as it was, with a
// message.
#include "dialog.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtGui/QCursor>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include "browsedialog.h"
#include "copycontroller.h"
#include "getbackupversion.h"
#include "getsessionversion.h"
#include "messagebox.h"
#include "servicestate.h"
#include "ui_style.h"
#include "updateglobalsetting.h"
#include "updatesessionconfig.h"

namespace {

// The form keeps a short field; a folder path on Linux may be as long as PATH_MAX.
constexpr int kRestorePathMaxLength = 4096;

// A destination on this computer: an absolute folder, not a share \\server\share.
bool isLocalDestination(const QString& destination) { return destination.startsWith('/'); }

// The device of a share destination \\address\share[\...]: the third part of the text split
// at "\" (empty parts kept); "" when the text has fewer parts.
QString deviceAddressOf(const QString& destination) {
  const QStringList parts = destination.split('\\', Qt::KeepEmptyParts);
  if (parts.size() < 3 || !parts[0].isEmpty() || !parts[1].isEmpty()) return QString();
  return parts[2];
}

}  // namespace

// ---- busy state and the page's controls -------------------------------------------------

void Dialog::setRestoreBusy(bool busy) {
  // One override per busy phase, however a phase ends.
  if (busy != restoreBusy_) {
    if (busy) {
      QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
      QApplication::restoreOverrideCursor();
    }
    restoreBusy_ = busy;
  }
  ui.restoreTBtn->setEnabled(!busy);
  ui.cancelTBtn->setEnabled(!busy);
}

void Dialog::restoreRefusal(bool error, const QString& text) {
  setRestoreBusy(false);
  if (error) {
    message_box::critical(this, tr("Error"), text, QMessageBox::Ok);
  } else {
    message_box::warning(this, tr("Warning"), text, QMessageBox::Ok);
  }
}

void Dialog::setRestorePageEnabled(bool enabled) {
  for (QWidget* widget :
       {static_cast<QWidget*>(ui.curSessionBut), static_cast<QWidget*>(ui.logBut),
        static_cast<QWidget*>(ui.advancedBut), static_cast<QWidget*>(ui.newSessionBut),
        ui.versionWidget, ui.browsePathWidget, static_cast<QWidget*>(ui.restoreTBtn),
        static_cast<QWidget*>(ui.cancelTBtn)}) {
    widget->setEnabled(enabled);
  }
  // The page's controls in the language's font, each with its enabled and disabled images:
  // the radio indicators, the path field's frame, Browse at 10 pt, Restore and Cancel at
  // 11 pt in white.
  const QString families = form_style::cssFamilies(settings_ ? settings_->language : QString());
  auto font = [&families](const char* type, int points) {
    return QStringLiteral("%1{font:%2pt %3;}").arg(QLatin1String(type)).arg(points).arg(families);
  };
  for (QRadioButton* choice : {ui.restorePathRBtn, ui.restorePathRBtn_2}) {
    choice->setStyleSheet(form_style::radio(QStringLiteral("check_box_01"), true));
  }
  ui.restorePathLEdit->setStyleSheet(
      form_style::lineEdit(QStringLiteral("input_box_restore.png"), QStringLiteral("#2e3132"),
                           QStringLiteral("input_box_d.png")) +
      font("QLineEdit", 10));
  ui.restoreBTBtn->setStyleSheet(form_style::frameButton(QStringLiteral("btn_common_05"),
                                                         QStringLiteral("#101315"),
                                                         QStringLiteral("#a4a7a8")) +
                                 font("QToolButton", 10));
  for (QToolButton* button : {ui.restoreTBtn, ui.cancelTBtn}) {
    button->setStyleSheet(
        form_style::frameButton(QStringLiteral("btn_common_01"), QStringLiteral("#ffffff")) +
        font("QToolButton", 11));
  }
}

void Dialog::resetRestoreTarget() {
  ui.restorePathRBtn->setChecked(true);
  ui.restorePathRBtn_2->setChecked(false);
  ui.restorePathLEdit->clear();
  ui.restorePathLEdit->setEnabled(false);
  ui.restoreBTBtn->setEnabled(false);
}

bool Dialog::restoreDestinationReachable() {
  const QString destination = taskPage_.selectedDestination;
  if (isLocalDestination(destination)) return QFileInfo(destination).isDir();
  const QString address = deviceAddressOf(destination);
  // hostAnswers takes only a dotted IPv4 address; anything else is no device to reach.
  return !address.isEmpty() && hostAnswers(address);
}

// ---- opening the page -------------------------------------------------------------------

void Dialog::on_restbuBtn_clicked() {
  // The service does the restore: while it is not running the page would lead nowhere.
  if (refusedWhileServiceSilent()) return;
  ui.restoreLWidget->clear();
  versionNumbers.clear();
  versionTexts.clear();
  // The field takes a whole path (the form's limit would cut a long one).
  ui.restorePathLEdit->setMaxLength(kRestorePathMaxLength);
  setRestorePageEnabled(true);
  mainPage = MainPage::Restore;
  showPage(Page::Restore);
  setRestoreBusy(true);
  Delay(3);
  if (!restoreDestinationReachable()) {
    restoreRefusal(true, tr("Can't find the backup device!"));
    return;
  }
  // A reading already paced keeps its one signal; a second start would be lost anyway.
  if (!versionThread_->isRunning()) versionThread_->start();
}

void Dialog::DoGetVersion() {
  const QString uuid = taskPage_.selectedUuid;
  const QString destination = taskPage_.selectedDestination;
  versionNumbers.clear();
  versionTexts.clear();
  ui.restoreLWidget->clear();
  GetSessionVersion reader(taskPage_.selectedUuid, taskPage_.selectedName,
                           taskPage_.selectedDestination, taskPage_.selectedUser,
                           taskPage_.selectedPassword);
  QStringList numbers, texts;
  const bool read = reader.GetVersionList(&numbers, &texts);
  setRestoreBusy(false);
  // The window went on while the share was read: a re-reading of the task file (an import)
  // may have taken the task away or changed where it goes. Its versions are then no one's,
  // and a restore must not send them for another task.
  if (uuid != taskPage_.selectedUuid || destination != taskPage_.selectedDestination) return;
  if (read && numbers.size() == texts.size()) {
    versionNumbers = numbers;
    versionTexts = texts;
    ui.restoreLWidget->addItems(versionTexts);
  }
  // An unreadable task folder is told, not shown as a task without versions.
  if (!read) {
    message_box::critical(this, tr("Error"), reader.lastError(), QMessageBox::Ok);
  }
}

// ---- the target ---------------------------------------------------------------------------

void Dialog::on_restorePathRBtn_clicked() {
  ui.restorePathLEdit->clear();
  ui.restorePathLEdit->setEnabled(false);
  ui.restoreBTBtn->setEnabled(false);
}

void Dialog::on_restorePathRBtn_2_clicked() {
  ui.restorePathLEdit->setMaxLength(kRestorePathMaxLength);
  ui.restorePathLEdit->setEnabled(true);
  ui.restoreBTBtn->setEnabled(true);
}

void Dialog::on_restoreBTBtn_clicked() {
  if (browserOpen) return;
  browserOpen = true;
  setRestorePageEnabled(false);
  BrowseDialog browser(settings_ ? settings_->language : QString(), this);
  connect(&browser, &BrowseDialog::GetLocalPathSign, this, &Dialog::GetLocalPath);
  connect(&browser, &BrowseDialog::ColseBrowseDlgSign, this, &Dialog::SetColseFlag);
  browser.InitLocalTree();
  browser.move(180, 125);
  browser.exec();
  // However the browser ended, the page is usable again.
  if (browserOpen) SetColseFlag();
}

void Dialog::GetLocalPath(QString path) {
  browserOpen = false;
  ui.restorePathLEdit->setMaxLength(kRestorePathMaxLength);
  ui.restorePathLEdit->setText(path);
}

void Dialog::SetColseFlag() {
  browserOpen = false;
  setRestorePageEnabled(true);
}

// ---- restore and cancel -------------------------------------------------------------------

void Dialog::on_restoreTBtn_clicked() {
  setRestoreBusy(true);

  const int row = ui.restoreLWidget->currentRow();
  if (ui.restoreLWidget->currentItem() == nullptr || row < 0) {
    restoreRefusal(false, tr("Please select a backup!"));
    return;
  }
  const bool toNewPath = ui.restorePathRBtn_2->isChecked();
  const QString path = toNewPath ? ui.restorePathLEdit->text() : QString();
  // The service writes into the target: only a whole absolute folder path is sent.
  if (toNewPath && (path.isEmpty() || !QDir::isAbsolutePath(path))) {
    restoreRefusal(false, tr("Please enter a path where you want to restore!"));
    return;
  }

  Delay(3);
  if (!restoreDestinationReachable()) {
    restoreRefusal(true, tr("Can't find the backup files!"));
    return;
  }

  for (const SessionRecord& record : *sessionStore_->GetSessionList()) {
    if (!taskPage_.selectedUuid.isEmpty() &&
        record.uuid.compare(taskPage_.selectedUuid, Qt::CaseInsensitive) == 0 &&
        serviceStateOf(record.status) == ServiceState::BackupRunning) {
      restoreRefusal(false, tr("Backup is running, can't restore now!"));
      return;
    }
  }

  if (row >= versionNumbers.size()) {
    restoreRefusal(true, tr("Can't find the backup files!"));
    return;
  }
  bool isNumber = false;
  const quint64 version = versionNumbers[row].toULongLong(&isNumber);
  if (!isNumber) {
    restoreRefusal(true, tr("Can't find the backup files!"));
    return;
  }
  // The two choices exclude each other; without "New path" everything goes back where it
  // came from, so no request ever carries flag 0 without a folder.
  const bool original = !toNewPath;

  link_->SendRestoreStart(taskPage_.selectedUuid, version, original, path);

  mainPage = MainPage::TaskList;
  on_curSessionBut_clicked();
  resetRestoreTarget();
  setRestoreBusy(false);
}

void Dialog::on_cancelTBtn_clicked() {
  mainPage = MainPage::TaskList;
  on_curSessionBut_clicked();
  resetRestoreTarget();
}
