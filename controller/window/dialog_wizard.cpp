// The new-task wizard's frame: its opening, the display of one step at a time, the buttons
// and the end, after which the service is told to read the task file again. Where Back and
// Next lead is the table of steps in wizardlogic.h; which page each step shows, what checks
// it and what it starts is the table below. Each step's page lives in a file of its own:
//
//   step 1, the task's name                   dialog_wizard_1_name.cpp
//   step 2, the source folders                dialog_wizard_2_sources.cpp
//   step 3, the file types                    dialog_wizard_3_types.cpp
//   step 4, the device (NAS)                  dialog_wizard_4_device.cpp
//   step 5, the share                         dialog_wizard_5_share.cpp
//   step 6, the account for the share         dialog_wizard_6_account.cpp
//   step 7, the folder in the share           dialog_wizard_7_folder.cpp
//   step 8, the backup kind and the schedule  dialog_wizard_8_schedule.cpp
//   step 9, the destination summary, and the task list's edits (rename, schedule, summary)
//                                             dialog_wizard_edit.cpp
//
// Every refusal shows a warning and leaves the step and every answer as they were; a task
// that cannot be written shows an error and stays on its step, so nothing typed is lost.
// Back stops at step 1 (the step before it would be an empty page without a check).
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include <initializer_list>

#include "cfilesystemmodel.h"
#include "copycontroller.h"
#include "dialog.h"
#include "messagebox.h"
#include "updatesessionconfig.h"

using wizard_logic::NextMove;
using wizard_logic::StepResult;

// ---- opening ----------------------------------------------------------------------------

void Dialog::on_newSessionBut_clicked() {
  if (taskPage_.wizardMode == WizardMode::NewTask) {
    resetWizard();
    ui.backupsLabel_4->show();
    showWizardPage(WizardStep::Name);
  } else {
    prepareWizardEdit();
    if (taskPage_.wizardMode == WizardMode::NewTask) return;  // the task is gone: the list stays
  }
  mainPage = MainPage::Wizard;
  on_curSessionBut_clicked();
}

// New Backup always starts a new task, whatever edit the wizard was opened for last.
void Dialog::on_newbuPBtn_clicked() {
  taskPage_.wizardMode = WizardMode::NewTask;
  taskPage_.editKey.clear();
  on_newSessionBut_clicked();
}

// ---- the display --------------------------------------------------------------------------

const Dialog::StepPage& Dialog::stepPage(WizardStep step) {
  using S = WizardStep;
  static const StepPage kPages[] = {
      {S::Name, &Dialog::showNameStep, &Dialog::checkName, nullptr},
      {S::Sources, &Dialog::showSourcesStep, &Dialog::checkSources, nullptr},
      {S::FileTypes, &Dialog::showFileTypesStep, &Dialog::checkFileTypes, nullptr},
      {S::Device, &Dialog::showDeviceStep, &Dialog::checkDevice, &Dialog::searchDevices},
      {S::Share, &Dialog::showShareStep, &Dialog::checkShare, &Dialog::showShareList},
      {S::Account, &Dialog::showAccountStep, &Dialog::checkAccount, nullptr},
      {S::Folder, &Dialog::showFolderStep, &Dialog::checkFolder, nullptr},
      {S::Schedule, &Dialog::showScheduleStep, &Dialog::checkSchedule, nullptr},
      {S::Summary, &Dialog::showSummaryStep, nullptr, nullptr},
  };
  for (const StepPage& page : kPages) {
    if (page.step == step) return page;
  }
  return kPages[0];
}

void Dialog::showWizardPage(WizardStep step) {
  wizardPage = step;
  // Every widget of the page goes; the "New Backup" badge is the callers' to show or hide.
  for (QWidget* child : ui.newDisplay->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child != ui.backupsLabel_4 && child != ui.label_3) child->hide();
  }
  const wizard_logic::StepRule rule = wizard_logic::stepRule(step, taskPage_.wizardMode);
  ui.newBtnNext->setText(rule.navigation && !rule.next ? tr("Finish") : tr("Next >>"));
  ui.newBtnCancel->setText(tr("Cancel"));
  ui.newBtnBack->setVisible(rule.navigation);
  ui.newBtnNext->setVisible(rule.navigation);
  ui.newBtnCancel->show();

  const StepPage& page = stepPage(step);
  (this->*page.show)();
  // The badge's icon goes with its caption.
  ui.label_3->setVisible(!ui.backupsLabel_4->isHidden());
  updateWizardButtons();
  if (page.start) (this->*page.start)();
}

void Dialog::placeWizardWidget(QWidget* widget, const QRect& rect) {
  widget->setGeometry(rect);
  widget->show();
}

QRect Dialog::wizardListPanel() { return QRect(70, 100, 483, 310); }

void Dialog::showWizardList(QWidget* panel, QWidget* view) {
  const QRect area = wizardListPanel();
  placeWizardWidget(panel, area);
  placeWizardWidget(view, QRect(8, 8, area.width() - 16, area.height() - 16));
}

void Dialog::updateWizardButtons() {
  const bool idle = !wizard_.busy;
  const wizard_logic::StepRule rule = wizard_logic::stepRule(wizardPage, taskPage_.wizardMode);
  ui.newBtnBack->setEnabled(idle && rule.back.has_value());
  ui.newBtnNext->setEnabled(idle);
  ui.newBtnCancel->setEnabled(idle);
  ui.refreshTBtn->setEnabled(idle);
}

void Dialog::setWizardBusy(bool busy) {
  wizard_.busy = busy;
  // One wait cursor however many slow parts a step chains.
  if (busy && !wizard_.cursorSet) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    wizard_.cursorSet = true;
  } else if (!busy && wizard_.cursorSet) {
    QApplication::restoreOverrideCursor();
    wizard_.cursorSet = false;
  }
  updateWizardButtons();
}

void Dialog::wizardWarning(const QString& text) {
  message_box::warning(this, tr("Warning"), text, QMessageBox::Ok);
}

// ---- reset ----------------------------------------------------------------------------

void Dialog::resetWizard() {
  wizard_.taskName.clear();
  ui.newOneEdit->clear();
  ui.cusLEdit->clear();
  ui.cusLWidget->clear();
  wizard_.videoExtensions.clear();
  wizard_.pictureExtensions.clear();
  wizard_.audioExtensions.clear();
  wizard_.customExtensions.clear();
  wizard_.sourceFolders.clear();
  ui.allFilesRBtn->setChecked(true);
  for (QAbstractButton* box : std::initializer_list<QAbstractButton*>{
           ui.speExtRBtn, ui.videoCBox, ui.pictureCBox, ui.audioCBox, ui.cusCBox}) {
    box->setChecked(false);
  }
  updateTypeControls();
  ui.deviceTWidget->clear();
  ui.deviceTWidget->setIconSize(QSize(53, 80));
  ui.shareFolderTWidget->clear();
  wizard_.newFolderPending = false;
  wizard_.pendingFolderItem = nullptr;
  ui.userNameLEdit->clear();
  ui.userPasswdLEdit->clear();
  wizard_.userName.clear();
  wizard_.password.clear();
  wizard_.destinationPath.clear();
  wizard_.shareRoot.clear();
  wizard_.backupKind = QStringLiteral("incremental");
  wizard_.scheduleKind = QStringLiteral("manually");
  wizard_.scheduleTimes.clear();
  ui.increBuRBtn->setEnabled(true);
  ui.fullBuRBtn->setEnabled(true);
  ui.increBuRBtn->setChecked(true);
  ui.scheduleCbBox->setCurrentIndex(0);
  ui.dateCbBox->setCurrentIndex(0);
  for (QSpinBox* spin : {ui.monHourSnBox, ui.monMinSnBox, ui.weeklyHourSnBox, ui.weeklyMinSnBox,
                         ui.dailyHourSnBox, ui.dailyMinSnBox}) {
    spin->setValue(0);
  }
  for (QCheckBox* day : {ui.checkBox0, ui.checkBox1, ui.checkBox2, ui.checkBox3, ui.checkBox4,
                         ui.checkBox5, ui.checkBox6}) {
    day->setChecked(false);
  }
  ui.sourcePathLabel->clear();
  ui.sourcePathLabel_2->clear();
  ui.accountLabel_2->clear();
  ui.deviceModelLabel_2->clear();
}

void Dialog::deleteLocalModel() {
  if (!wizard_.localModel) return;
  ui.localFolders->setModel(nullptr);
  delete wizard_.localModel;
  wizard_.localModel = nullptr;
}

// ---- buttons --------------------------------------------------------------------------

void Dialog::on_newBtnNext_clicked() {
  if (wizard_.busy) return;
  if (!commitNewFolder()) return;
  const StepPage& page = stepPage(wizardPage);
  if (page.check) moveWizardOn((this->*page.check)());
}

void Dialog::moveWizardOn(StepResult result) {
  const NextMove move = wizard_logic::nextMove(wizardPage, taskPage_.wizardMode, result);
  switch (move.kind) {
    case NextMove::Kind::Show:
      showWizardPage(move.step);
      break;
    case NextMove::Kind::Finish:
      finishWizard();
      break;
    case NextMove::Kind::Stay:
      break;
  }
}

void Dialog::on_newBtnBack_clicked() {
  if (wizard_.busy) return;
  if (!commitNewFolder()) return;
  const wizard_logic::StepRule rule = wizard_logic::stepRule(wizardPage, taskPage_.wizardMode);
  if (!rule.back) return;
  // The share list shows the share chosen before as the folder tree's root.
  if (*rule.back == WizardStep::Share) wizard_.destinationPath = wizard_.shareRoot;
  showWizardPage(*rule.back);
}

void Dialog::on_newBtnCancel_clicked() {
  if (wizard_.busy) return;
  if (!commitNewFolder()) return;
  endNasAccount();
  deleteLocalModel();
  if (!haveTasks()) {
    // Without a task the task list would be empty: the wizard starts again.
    taskPage_.wizardMode = WizardMode::NewTask;
    resetWizard();
    ui.backupsLabel_4->show();
    showWizardPage(WizardStep::Name);
    mainPage = MainPage::Wizard;
  } else {
    mainPage = MainPage::TaskList;
    taskPage_.wizardMode = WizardMode::NewTask;
  }
  on_curSessionBut_clicked();
}

void Dialog::on_refreshTBtn_clicked() {
  if (wizard_.busy) return;
  showWizardPage(wizardPage);
}

// ---- the end ------------------------------------------------------------------------------

void Dialog::finishWizard() {
  const WizardMode mode = taskPage_.wizardMode;
  bool written = false;
  if (mode == WizardMode::Rename || mode == WizardMode::Reschedule) {
    written = sessionStore_->UpdateSchedule(
        taskPage_.editKey, wizard_.taskName, wizard_.scheduleKind, wizard_.scheduleTimes,
        mode == WizardMode::Rename ? UpdateSessionConfig::Rename : UpdateSessionConfig::Reschedule);
  } else if (mode == WizardMode::NewTask) {
    written = sessionStore_->AddSession(
                  wizard_.taskName, wizard_.videoExtensions, wizard_.pictureExtensions,
                  wizard_.audioExtensions, wizard_.customExtensions, wizard_.sourceFolders,
                  wizard_.userName, wizard_.password, wizard_.destinationPath,
                  wizard_.deviceModel, wizard_.backupKind, wizard_.scheduleKind,
                  wizard_.scheduleTimes) == UpdateSessionConfig::AddDone;
  } else {
    return;  // a look at a destination ends by Cancel alone
  }
  if (!written) {
    // Every answer stays, so the user can try again or go back and change one.
    message_box::critical(this, tr("Error"),
                          tr("The backup task could not be saved: %1")
                              .arg(sessionStore_->lastError()));
    return;
  }
  if (mode == WizardMode::NewTask) {
    endNasAccount();
    deleteLocalModel();
  }
  taskPage_.wizardMode = WizardMode::NewTask;
  leaveWizardToTaskList();
}

void Dialog::leaveWizardToTaskList() {
  link_->SendReload();
  mainPage = MainPage::TaskList;
  // The task list reads the store again as it shows.
  on_curSessionBut_clicked();
}
