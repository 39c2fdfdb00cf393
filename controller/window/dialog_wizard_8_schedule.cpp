// The wizard's step 8: the backup kind (incremental or full) and when the task runs: by hand,
// monthly, weekly or daily at a set time. Its Finish writes the new task; the task list's
// schedule edit opens the wizard on this step alone, and its Finish writes the new schedule.
#include <array>

#include "dialog.h"
#include "updatesessionconfig.h"

using wizard_logic::StepResult;

namespace {

// The schedule combo box's entries, in their order.
const char* const kScheduleKinds[] = {"manually", "monthly", "weekly", "daily"};

QRect span(int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2, y2)); }

// Where the explanation of the chosen backup kind stands.
QRect tipArea() { return span(70, 350, 560, 430); }

}  // namespace

void Dialog::showScheduleStep() {
  ui.newSevenTitle->show();
  ui.scheduleLabel->show();
  ui.scheduleCbBox->show();
  // The time controls of the chosen schedule, and the backup-action block below them. The
  // daily controls stand where the monthly ones do, so the block goes below them as well
  // (left where it was, it would cover them after the manual choice).
  const QRect actionBelowTimes = span(70, 211, 680, 261);
  switch (ui.scheduleCbBox->currentIndex()) {
    case 1:
      placeWizardWidget(ui.dateCbBox, span(220, 157, 309, 193));
      placeWizardWidget(ui.monHourSnBox, span(330, 157, 406, 193));
      placeWizardWidget(ui.monColonLabel, span(413, 157, 421, 193));
      placeWizardWidget(ui.monMinSnBox, span(428, 157, 504, 193));
      placeWizardWidget(ui.backupActionWidget, actionBelowTimes);
      break;
    case 2:
      placeWizardWidget(ui.weeklyTimeWidget, span(70, 140, 680, 210));
      placeWizardWidget(ui.backupActionWidget, actionBelowTimes);
      break;
    case 3:
      placeWizardWidget(ui.dailyHourSnBox, span(220, 157, 296, 193));
      placeWizardWidget(ui.dailyColonLabel, span(303, 157, 311, 193));
      placeWizardWidget(ui.dailyMinSnBox, span(318, 157, 394, 193));
      placeWizardWidget(ui.backupActionWidget, actionBelowTimes);
      break;
    default:
      placeWizardWidget(ui.backupActionWidget, span(70, 70, 680, 207));
      break;
  }
  placeWizardWidget(ui.fullBuRBtn->isChecked() ? ui.fullTipLabel : ui.increTipLabel, tipArea());
}

void Dialog::on_increBuRBtn_clicked() {
  ui.fullTipLabel->hide();
  placeWizardWidget(ui.increTipLabel, tipArea());
}

void Dialog::on_fullBuRBtn_clicked() {
  ui.increTipLabel->hide();
  placeWizardWidget(ui.fullTipLabel, tipArea());
}

void Dialog::SetScheduleCbBox(int index) {
  wizard_.scheduleKind =
      QLatin1String(index >= 0 && index < 4 ? kScheduleKinds[index] : kScheduleKinds[0]);
  // The time controls of the choice replace the others (the page display places them).
  if (wizardPage == WizardStep::Schedule && !ui.scheduleCbBox->isHidden()) {
    showWizardPage(WizardStep::Schedule);
  }
}

StepResult Dialog::checkSchedule() {
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
      return StepResult::Refused;
    }
  } else if (kind.contains(QLatin1String("daily"))) {
    times = wizard_logic::dailyRunTimes(ui.dailyHourSnBox->value(), ui.dailyMinSnBox->value());
  }
  wizard_.scheduleTimes = times;
  return StepResult::Passed;
}

void Dialog::prepareReschedule(const SessionRecord& record) {
  ui.fullBuRBtn->setChecked(record.action.contains(QLatin1String("full_backup")));
  ui.increBuRBtn->setChecked(record.action.contains(QLatin1String("incremental")));
  ui.increBuRBtn->setEnabled(false);
  ui.fullBuRBtn->setEnabled(false);
  int kind = 0;
  for (int i = 1; i < 4; ++i) {
    if (record.scheduleKind.contains(QLatin1String(kScheduleKinds[i]), Qt::CaseInsensitive)) {
      kind = i;
    }
  }
  ui.scheduleCbBox->setCurrentIndex(kind);
  SetScheduleCbBox(kind);
  const std::array<QCheckBox*, 7> days = {ui.checkBox0, ui.checkBox1, ui.checkBox2, ui.checkBox3,
                                          ui.checkBox4, ui.checkBox5, ui.checkBox6};
  for (const QString& text : record.scheduleTimes.split(u',', Qt::SkipEmptyParts)) {
    const wizard_logic::LocalRunTime time = wizard_logic::localRunTime(text);
    if (!time.valid) continue;
    if (kind == 1) {
      ui.dateCbBox->setCurrentIndex(time.day - 1);
      ui.monHourSnBox->setValue(time.hour);
      ui.monMinSnBox->setValue(time.minute);
    } else if (kind == 2) {
      days[time.weekday]->setChecked(true);
      ui.weeklyHourSnBox->setValue(time.hour);
      ui.weeklyMinSnBox->setValue(time.minute);
    } else if (kind == 3) {
      ui.dailyHourSnBox->setValue(time.hour);
      ui.dailyMinSnBox->setValue(time.minute);
    }
  }
}
