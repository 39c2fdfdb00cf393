// The new-task wizard: its steps one at a time, the check of each step when Next is pressed,
// and its end: a new task written to the task store, or a renamed or rescheduled task, after
// which the service is told to read the task file again. The task list opens the wizard in
// three edit modes as well (rename, change the schedule, show the destination). Steps 4 to 7
// (device, share, account, folder) live in dialog_wizard_nas.cpp.
//
// Every refusal shows a warning and leaves the step and every answer as they were; a task
// that cannot be written shows an error and stays on its step, so nothing typed is lost.
// Back stops at step 1 (the step before it would be an empty page without a check).
#include <QtCore/QDir>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include <array>
#include <initializer_list>

#include "cfilesystemmodel.h"
#include "copycontroller.h"
#include "dialog.h"
#include "messagebox.h"
#include "servicestate.h"
#include "ui_style.h"
#include "updatesessionconfig.h"
#include "wizardlogic.h"

namespace {

// The schedule combo box's entries, in their order.
const char* const kScheduleKinds[] = {"manually", "monthly", "weekly", "daily"};

QRect span(int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2, y2)); }

bool sameUuid(const QString& a, const QString& b) {
  return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

// ---- opening and the display ----------------------------------------------------------

void Dialog::on_newSessionBut_clicked() {
  if (taskPage_.wizardMode == 0) {
    resetWizard();
    ui.backupsLabel_4->show();
    showWizardPage(1);
  } else {
    prepareWizardEdit();
    if (taskPage_.wizardMode == 0) return;  // the task is gone: the list stays
  }
  mainPage = 2;
  on_curSessionBut_clicked();
}

// New Backup always starts a new task, whatever edit the wizard was opened for last.
void Dialog::on_newbuPBtn_clicked() {
  taskPage_.wizardMode = 0;
  taskPage_.editKey.clear();
  on_newSessionBut_clicked();
}

void Dialog::showWizardPage(int step) {
  wizardStep_ = step;
  // Every widget of the page goes; the "New Backup" badge is the callers' to show or hide.
  for (QWidget* child : ui.newDisplay->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child != ui.backupsLabel_4 && child != ui.label_3) child->hide();
  }
  ui.newBtnNext->setText(tr("Next >>"));
  ui.newBtnCancel->setText(tr("Cancel"));
  ui.newBtnBack->show();
  ui.newBtnNext->show();
  ui.newBtnCancel->show();

  auto place = [](QWidget* widget, const QRect& rect) {
    widget->setGeometry(rect);
    widget->show();
  };
  // The list steps share one panel below the title, with the view inset by the panel's frame.
  const QRect listPanel(70, 100, 483, 310);
  const QRect listView(8, 8, listPanel.width() - 16, listPanel.height() - 16);

  switch (step) {
    case 1: {
      const bool renaming = taskPage_.wizardMode == 1;
      if (renaming) {
        ui.newBtnNext->setText(tr("Finish"));
        ui.newOneTitle_3->show();
        ui.editNameLabel->show();
        place(ui.newOneEdit, QRect(211, 100, 300, 36));
        ui.sourcePathLabel->show();
        ui.sourcePathLabel_2->show();
      } else {
        ui.newOneTitle->show();
        ui.newOneTitle_2->show();
        place(ui.newOneEdit, QRect(70, 216, 300, 36));
      }
      ui.newOneEdit->setFocus();
      break;
    }
    case 2:
      ui.newTwoTitle->show();
      place(ui.localWidget, listPanel);
      place(ui.localFolders, listView);
      if (!wizard_.localModel) {
        // The model lives while the wizard runs; the window is its parent only so that it
        // goes with the window at the latest.
        auto* model = new CFileSystemModel();
        model->setParent(this);
        model->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
        ui.localFolders->setModel(model);
        for (int column = 1; column <= 3; ++column) ui.localFolders->hideColumn(column);
        model->setRootPath(QString());
        // "/" opens at once, so that the folders under it show without a click.
        ui.localFolders->expand(model->index(QStringLiteral("/")));
        wizard_.localModel = model;
      }
      break;
    case 3:
      ui.newThreeTitle->show();
      for (QWidget* w : std::initializer_list<QWidget*>{
               ui.allFilesRBtn, ui.allFilesLabel, ui.speExtRBtn, ui.speExtLabel, ui.videoCBox,
               ui.videoLabel, ui.pictureCBox, ui.pictureLabel, ui.audioCBox, ui.audioLabel, ui.cusCBox,
               ui.cusLabel, ui.cusLEdit, ui.cusAddPBtn, ui.cusRemPBtn})
        w->show();
      // The panel holds the kinds of files from below the two choices down to above the buttons;
      // the list of own extensions stands under the extension field.
      place(ui.cusWidget, QRect(101, 176, 452, 270));
      place(ui.cusLWidget, QRect(175, 150, 150, 104));
      break;
    case 4:
      ui.newFourTitle->show();
      place(ui.deviceWidget, listPanel);
      place(ui.deviceTWidget, QRect(78, 108, 467, 262));
      ui.linkLabel->setText(
          QStringLiteral(
              "<a href=\"null\"><span style=\" text-decoration: underline; color:#2e3132;\">") +
          tr("Click here if no device is shown") + QStringLiteral("</span></a>"));
      ui.linkLabel->show();
      ui.refreshTBtn->show();
      break;
    case 5:
      endNasAccount();
      ui.newSixTitle->show();
      place(ui.shareFolderWidget, listPanel);
      place(ui.shareFolderTWidget, listView);
      break;
    case 6:
      endNasAccount();
      ui.newFiveTitle->show();
      ui.userNameLabel->show();
      ui.userNameLEdit->show();
      ui.userPasswdLabel->show();
      ui.userPasswdLEdit->show();
      ui.userNameLEdit->setFocus();
      break;
    case 7:
      ui.newSixTitle->show();
      place(ui.shareFolderWidget, listPanel);
      place(ui.shareFolderTWidget, listView);
      ui.createFolderBtn->show();
      break;
    case 8: {
      ui.newBtnNext->setText(tr("Finish"));
      ui.newSevenTitle->show();
      ui.scheduleLabel->show();
      ui.scheduleCbBox->show();
      // The time controls of the chosen schedule, and the backup-action block below them. The
      // daily controls stand where the monthly ones do, so the block goes below them as well
      // (left where it was, it would cover them after the manual choice).
      const QRect actionBelowTimes = span(70, 211, 680, 261);
      switch (ui.scheduleCbBox->currentIndex()) {
        case 1:
          place(ui.dateCbBox, span(220, 157, 309, 193));
          place(ui.monHourSnBox, span(330, 157, 406, 193));
          place(ui.monColonLabel, span(413, 157, 421, 193));
          place(ui.monMinSnBox, span(428, 157, 504, 193));
          place(ui.backupActionWidget, actionBelowTimes);
          break;
        case 2:
          place(ui.weeklyTimeWidget, span(70, 140, 680, 210));
          place(ui.backupActionWidget, actionBelowTimes);
          break;
        case 3:
          place(ui.dailyHourSnBox, span(220, 157, 296, 193));
          place(ui.dailyColonLabel, span(303, 157, 311, 193));
          place(ui.dailyMinSnBox, span(318, 157, 394, 193));
          place(ui.backupActionWidget, actionBelowTimes);
          break;
        default:
          place(ui.backupActionWidget, span(70, 70, 680, 207));
          break;
      }
      QLabel* tip = ui.fullBuRBtn->isChecked() ? ui.fullTipLabel : ui.increTipLabel;
      place(tip, span(70, 350, 560, 430));
      break;
    }
    case 9:
      ui.newEightTitle->show();
      ui.accountLabel->show();
      ui.accountLabel_2->show();
      ui.deviceModelLabel->show();
      ui.deviceModelLabel_2->show();
      ui.sourcePathLabel->show();
      ui.sourcePathLabel_2->show();
      ui.newBtnBack->hide();
      ui.newBtnNext->hide();
      ui.backupsLabel_4->hide();
      break;
    default:
      break;
  }
  // The badge's icon goes with its caption.
  ui.label_3->setVisible(!ui.backupsLabel_4->isHidden());
  updateWizardButtons();

  // What the step starts once it shows.
  if (step == 4) searchDevices();
  if (step == 5) showShareList();
}

void Dialog::updateWizardButtons() {
  const int step = wizardStep_;
  const bool idle = !wizard_.busy;
  // Back exists for steps 2 to 8; a schedule edit starts on step 8 and has nothing before it.
  ui.newBtnBack->setEnabled(idle && step >= 2 && step <= 8 &&
                            !(taskPage_.wizardMode == 2 && step == 8));
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

// ---- the edit modes -------------------------------------------------------------------

void Dialog::mouseDoubleClickEvent(QMouseEvent* event) {
  QDialog::mouseDoubleClickEvent(event);
  const QPoint at = event->position().toPoint();
  const int entry = shownEntryAt(at);
  if (entry == 0) return;
  const SessionRecord* record =
      findSessionRecord(entry == 1 ? taskPage_.entryIndex1 : taskPage_.entryIndex2);
  if (!record || serviceStateOf(record->status) != ServiceState::NotStarted) return;
  auto over = [this, &at](const QWidget* widget) {
    return widget->isVisible() &&
           QRect(widget->mapTo(this, QPoint(0, 0)), widget->size()).contains(at);
  };
  int mode = 0;
  if (over(entry == 1 ? ui.sourcePBtn : ui.sourcePBtn_2)) mode = 1;
  if (over(entry == 1 ? ui.statusPBtn : ui.statusPBtn_2)) mode = 2;
  if (over(entry == 1 ? ui.destiPBtn : ui.destiPBtn_2)) mode = 3;
  if (mode == 0) return;
  taskPage_.wizardMode = mode;
  taskPage_.editKey = record->uuid;
  on_newSessionBut_clicked();
}

void Dialog::prepareWizardEdit() {
  const SessionRecord* record = nullptr;
  for (const SessionRecord& r : *sessionStore_->GetSessionList()) {
    if (sameUuid(r.uuid, taskPage_.editKey)) {
      record = &r;
      break;
    }
  }
  if (!record) {
    taskPage_.wizardMode = 0;
    return;
  }
  resetWizard();
  wizard_.taskName = record->name;
  ui.backupsLabel_4->hide();

  switch (taskPage_.wizardMode) {
    case 1: {
      ui.newOneEdit->setText(record->name);
      ui.sourcePathLabel->setText(tr("Source"));
      ui.sourcePathLabel_2->clear();
      ui.sourcePathLabel_2->setGeometry(QRect(211, 157, 371, 320));
      QStringList lines;
      for (const auto& [path, uuid] : taskPage_.answeredPaths) {
        if (sameUuid(uuid, record->uuid)) {
          lines << wrapTextToWidth(ui.sourcePathLabel_2->font(), path,
                                   ui.sourcePathLabel_2->width());
        }
      }
      ui.sourcePathLabel_2->setText(lines.join(u'\n'));
      showWizardPage(1);
      break;
    }
    case 2: {
      ui.fullBuRBtn->setChecked(record->action.contains(QLatin1String("full_backup")));
      ui.increBuRBtn->setChecked(record->action.contains(QLatin1String("incremental")));
      ui.increBuRBtn->setEnabled(false);
      ui.fullBuRBtn->setEnabled(false);
      int kind = 0;
      for (int i = 1; i < 4; ++i) {
        if (record->scheduleKind.contains(QLatin1String(kScheduleKinds[i]), Qt::CaseInsensitive)) {
          kind = i;
        }
      }
      ui.scheduleCbBox->setCurrentIndex(kind);
      SetScheduleCbBox(kind);
      const QStringList times = record->scheduleTimes.split(u',', Qt::SkipEmptyParts);
      for (const QString& text : times) {
        const wizard_logic::LocalRunTime time = wizard_logic::localRunTime(text);
        if (!time.valid) continue;
        if (kind == 1) {
          ui.dateCbBox->setCurrentIndex(time.day - 1);
          ui.monHourSnBox->setValue(time.hour);
          ui.monMinSnBox->setValue(time.minute);
        } else if (kind == 2) {
          const std::array<QCheckBox*, 7> days = {ui.checkBox0, ui.checkBox1, ui.checkBox2,
                                                  ui.checkBox3, ui.checkBox4, ui.checkBox5,
                                                  ui.checkBox6};
          days[time.weekday]->setChecked(true);
          ui.weeklyHourSnBox->setValue(time.hour);
          ui.weeklyMinSnBox->setValue(time.minute);
        } else if (kind == 3) {
          ui.dailyHourSnBox->setValue(time.hour);
          ui.dailyMinSnBox->setValue(time.minute);
        }
      }
      showWizardPage(8);
      break;
    }
    case 3:
      ui.accountLabel_2->setText(record->user.isEmpty() ? tr("Anonymous") : record->user);
      ui.deviceModelLabel_2->setText(record->model.isEmpty() ? QStringLiteral("Brelkin NAS")
                                                             : record->model);
      ui.sourcePathLabel->setText(tr("Destination"));
      ui.sourcePathLabel_2->setText(wrapTextToWidth(
          ui.sourcePathLabel_2->font(), record->destinationPath, ui.sourcePathLabel_2->width()));
      showWizardPage(9);
      break;
    default:
      taskPage_.wizardMode = 0;
      break;
  }
}

// ---- buttons --------------------------------------------------------------------------

void Dialog::on_newBtnNext_clicked() {
  if (wizard_.busy) return;
  if (!commitNewFolder()) return;
  switch (wizardStep_) {
    case 1:
      nextFromName();
      break;
    case 2:
      nextFromSources();
      break;
    case 3:
      nextFromFileTypes();
      break;
    case 4:
      nextFromDevice();
      break;
    case 5:
    case 7:
      nextFromShareOrFolder();
      break;
    case 6:
      nextFromAccount();
      break;
    case 8:
      nextFromSchedule();
      break;
    default:
      break;
  }
}

void Dialog::on_newBtnBack_clicked() {
  if (wizard_.busy) return;
  if (!commitNewFolder()) return;
  const int step = wizardStep_;
  if (step < 2 || step > 8 || (taskPage_.wizardMode == 2 && step == 8)) return;
  // The account step lies between the share and its folders only when the share asked for
  // one; back from the folders is always the share list.
  const int target = step == 7 ? 5 : step - 1;
  if (target == 5) wizard_.destinationPath = wizard_.shareRoot;
  showWizardPage(target);
}

void Dialog::on_newBtnCancel_clicked() {
  if (wizard_.busy) return;
  if (!commitNewFolder()) return;
  endNasAccount();
  deleteLocalModel();
  if (!haveTasks()) {
    // Without a task the task list would be empty: the wizard starts again.
    taskPage_.wizardMode = 0;
    resetWizard();
    ui.backupsLabel_4->show();
    showWizardPage(1);
    mainPage = 2;
  } else {
    mainPage = 1;
    taskPage_.wizardMode = 0;
  }
  on_curSessionBut_clicked();
}

void Dialog::on_refreshTBtn_clicked() {
  if (wizard_.busy) return;
  showWizardPage(wizardStep_);
}

// ---- step 1: the name -----------------------------------------------------------------

void Dialog::nextFromName() {
  const QString name = ui.newOneEdit->text();
  switch (wizard_logic::checkTaskName(name)) {
    case wizard_logic::NameCheck::Empty:
      wizardWarning(tr("Please create the name of the backup task!"));
      ui.newOneEdit->setFocus();
      return;
    case wizard_logic::NameCheck::ForbiddenCharacter:
      wizardWarning(tr("The name of the backup task can not contain ~`^&{}[]|\""));
      ui.newOneEdit->setFocus();
      return;
    case wizard_logic::NameCheck::Ok:
      break;
  }
  wizard_.taskName = name;
  if (taskPage_.wizardMode == 1) {
    if (!sessionStore_->UpdateSchedule(taskPage_.editKey, wizard_.taskName, wizard_.scheduleKind,
                                       wizard_.scheduleTimes, UpdateSessionConfig::Rename)) {
      message_box::critical(this, tr("Error"),
                            tr("The backup task could not be saved: %1")
                                .arg(sessionStore_->lastError()));
      return;
    }
    taskPage_.wizardMode = 0;
    leaveWizardToTaskList();
    return;
  }
  showWizardPage(2);
}

// ---- step 2: source folders -----------------------------------------------------------

void Dialog::nextFromSources() {
  wizard_.sourceFolders =
      wizard_.localModel ? wizard_.localModel->selectedPaths() : QStringList();
  if (wizard_.sourceFolders.isEmpty()) {
    wizardWarning(tr("You haven't selected any folder for backup!"));
    return;
  }
  for (const QString& folder : wizard_.sourceFolders) {
    if (wizard_logic::networkFolderCheck()(folder)) {
      wizardWarning(tr("Please do not select network drive as source folder!"));
      return;
    }
  }
  showWizardPage(3);
}

// ---- step 3: file types ---------------------------------------------------------------

void Dialog::on_allFilesRBtn_clicked() {
  ui.allFilesRBtn->setChecked(true);
  ui.speExtRBtn->setChecked(false);
  updateTypeControls();
}

void Dialog::on_speExtRBtn_clicked() {
  ui.speExtRBtn->setChecked(true);
  ui.allFilesRBtn->setChecked(false);
  updateTypeControls();
}

void Dialog::updateTypeControls() {
  const bool all = ui.allFilesRBtn->isChecked();
  for (QCheckBox* box : {ui.videoCBox, ui.pictureCBox, ui.audioCBox, ui.cusCBox}) {
    if (all) box->setChecked(false);
    box->setEnabled(!all);
  }
  on_cusCBox_clicked();
}

void Dialog::on_cusCBox_clicked() {
  const bool on = ui.cusCBox->isChecked();
  ui.cusWidget->setStyleSheet(form_style::panel(
      QStringLiteral("cusWidget"),
      on ? QStringLiteral("content_area_02_bg_n.png") : QStringLiteral("content_area_02_bg_d.png")));
  for (QWidget* w : std::initializer_list<QWidget*>{ui.cusLEdit, ui.cusLWidget, ui.cusAddPBtn,
                                                     ui.cusRemPBtn}) {
    w->setEnabled(on);
  }
  if (on) {
    ui.cusLEdit->setFocus();
  } else {
    ui.cusLEdit->clear();
  }
}

void Dialog::on_cusAddPBtn_clicked() {
  const QString typed = ui.cusLEdit->text();
  switch (wizard_logic::checkCustomExtension(typed)) {
    case wizard_logic::ExtensionCheck::Empty:
      wizardWarning(tr("Please enter the extension!"));
      return;
    case wizard_logic::ExtensionCheck::Invalid:
      wizardWarning(tr("Invalid extension! Correct extension should like *.txt."));
      return;
    case wizard_logic::ExtensionCheck::Ok:
      break;
  }
  ui.cusLWidget->addItem(typed);
  ui.cusLEdit->clear();
}

void Dialog::on_cusRemPBtn_clicked() {
  QListWidgetItem* current = ui.cusLWidget->currentItem();
  if (!current) {
    wizardWarning(tr("Please select a extension to remove!"));
    return;
  }
  delete current;
}

void Dialog::nextFromFileTypes() {
  wizard_.videoExtensions.clear();
  wizard_.pictureExtensions.clear();
  wizard_.audioExtensions.clear();
  wizard_.customExtensions.clear();
  if (ui.allFilesRBtn->isChecked()) {
    const QStringList all = {QStringLiteral(".*")};
    wizard_.videoExtensions = all;
    wizard_.pictureExtensions = all;
    wizard_.audioExtensions = all;
    wizard_.customExtensions = all;
    showWizardPage(4);
    return;
  }
  if (ui.videoCBox->isChecked()) wizard_.videoExtensions = wizard_logic::videoExtensions();
  if (ui.pictureCBox->isChecked()) wizard_.pictureExtensions = wizard_logic::pictureExtensions();
  if (ui.audioCBox->isChecked()) wizard_.audioExtensions = wizard_logic::audioExtensions();
  if (ui.cusCBox->isChecked()) {
    // Typed as "*.ext"; kept as ".ext".
    for (int row = 0; row < ui.cusLWidget->count(); ++row) {
      wizard_.customExtensions << ui.cusLWidget->item(row)->text().mid(1);
    }
  }
  if (wizard_.videoExtensions.isEmpty() && wizard_.pictureExtensions.isEmpty() &&
      wizard_.audioExtensions.isEmpty() && wizard_.customExtensions.isEmpty()) {
    wizardWarning(tr("You haven't specified any extension for backup!"));
    return;
  }
  showWizardPage(4);
}

// ---- step 8: backup action and schedule -----------------------------------------------

void Dialog::on_increBuRBtn_clicked() {
  ui.fullTipLabel->hide();
  ui.increTipLabel->setGeometry(span(70, 350, 560, 430));
  ui.increTipLabel->show();
}

void Dialog::on_fullBuRBtn_clicked() {
  ui.increTipLabel->hide();
  ui.fullTipLabel->setGeometry(span(70, 350, 560, 430));
  ui.fullTipLabel->show();
}

void Dialog::SetScheduleCbBox(int index) {
  wizard_.scheduleKind =
      QLatin1String(index >= 0 && index < 4 ? kScheduleKinds[index] : kScheduleKinds[0]);
  // The time controls of the choice replace the others (the page display places them).
  if (wizardStep_ == 8 && !ui.scheduleCbBox->isHidden()) showWizardPage(8);
}

void Dialog::on_deviceTWidget_pressed() {}

void Dialog::nextFromSchedule() {
  wizard_.backupKind =
      ui.increBuRBtn->isChecked() ? QStringLiteral("incremental") : QStringLiteral("full_backup");
  const QString& kind = wizard_.scheduleKind;
  QStringList times;
  if (kind.contains(QLatin1String("monthly"))) {
    bool ok = false;
    int day = ui.dateCbBox->currentText().trimmed().toInt(&ok);
    if (!ok) day = ui.dateCbBox->currentIndex() + 1;
    times = wizard_logic::monthlyRunTimes(day, ui.monHourSnBox->value(), ui.monMinSnBox->value());
  } else if (kind.contains(QLatin1String("weekly"))) {
    const std::array<bool, 7> days = {ui.checkBox0->isChecked(), ui.checkBox1->isChecked(),
                                      ui.checkBox2->isChecked(), ui.checkBox3->isChecked(),
                                      ui.checkBox4->isChecked(), ui.checkBox5->isChecked(),
                                      ui.checkBox6->isChecked()};
    times = wizard_logic::weeklyRunTimes(days, ui.weeklyHourSnBox->value(),
                                         ui.weeklyMinSnBox->value());
    if (times.isEmpty()) {
      wizardWarning(tr("Please select at least a day for the schedule!"));
      return;
    }
  } else if (kind.contains(QLatin1String("daily"))) {
    times = wizard_logic::dailyRunTimes(ui.dailyHourSnBox->value(), ui.dailyMinSnBox->value());
  }
  wizard_.scheduleTimes = times;

  if (taskPage_.wizardMode == 2) {
    if (!sessionStore_->UpdateSchedule(taskPage_.editKey, wizard_.taskName, wizard_.scheduleKind,
                                       wizard_.scheduleTimes, UpdateSessionConfig::Reschedule)) {
      message_box::critical(this, tr("Error"),
                            tr("The backup task could not be saved: %1")
                                .arg(sessionStore_->lastError()));
      return;
    }
    taskPage_.wizardMode = 0;
  } else {
    const int result = sessionStore_->AddSession(
        wizard_.taskName, wizard_.videoExtensions, wizard_.pictureExtensions,
        wizard_.audioExtensions, wizard_.customExtensions, wizard_.sourceFolders,
        wizard_.userName, wizard_.password, wizard_.destinationPath, wizard_.deviceModel,
        wizard_.backupKind, wizard_.scheduleKind, wizard_.scheduleTimes);
    if (result != UpdateSessionConfig::AddDone) {
      // Every answer stays, so the user can try again or go back and change one.
      message_box::critical(this, tr("Error"),
                            tr("The backup task could not be saved: %1")
                                .arg(sessionStore_->lastError()));
      return;
    }
    endNasAccount();
    deleteLocalModel();
  }
  leaveWizardToTaskList();
}

void Dialog::leaveWizardToTaskList() {
  link_->SendReload();
  mainPage = 1;
  // The task list reads the store again as it shows.
  on_curSessionBut_clicked();
}
