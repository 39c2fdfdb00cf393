// The task list's edits of a task, each the wizard opened on one step: a double-click on the
// source icon renames the task (step 1), on the state icon changes its schedule (step 8), on
// the destination icon shows where it goes on step 9, the destination summary, which lives
// here: it only reads, and Cancel leaves it.
#include <QtGui/QMouseEvent>

#include "dialog.h"
#include "servicestate.h"
#include "updatesessionconfig.h"

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
  std::optional<WizardMode> mode;
  if (over(entry == 1 ? ui.sourcePBtn : ui.sourcePBtn_2)) mode = WizardMode::Rename;
  if (over(entry == 1 ? ui.statusPBtn : ui.statusPBtn_2)) mode = WizardMode::Reschedule;
  if (over(entry == 1 ? ui.destiPBtn : ui.destiPBtn_2)) mode = WizardMode::ShowDestination;
  if (!mode) return;
  taskPage_.wizardMode = *mode;
  taskPage_.editKey = record->uuid;
  on_newSessionBut_clicked();
}

void Dialog::prepareWizardEdit() {
  const SessionRecord* record = nullptr;
  for (const SessionRecord& r : *sessionStore_->GetSessionList()) {
    if (!r.uuid.isEmpty() && r.uuid.compare(taskPage_.editKey, Qt::CaseInsensitive) == 0) {
      record = &r;
      break;
    }
  }
  if (!record || taskPage_.wizardMode == WizardMode::NewTask) {
    taskPage_.wizardMode = WizardMode::NewTask;
    return;
  }
  resetWizard();
  wizard_.taskName = record->name;
  ui.backupsLabel_4->hide();
  switch (taskPage_.wizardMode) {
    case WizardMode::Rename:
      prepareRename(*record);
      break;
    case WizardMode::Reschedule:
      prepareReschedule(*record);
      break;
    case WizardMode::ShowDestination:
      prepareDestinationSummary(*record);
      break;
    case WizardMode::NewTask:
      break;
  }
  showWizardPage(wizard_logic::firstStep(taskPage_.wizardMode));
}

void Dialog::prepareDestinationSummary(const SessionRecord& record) {
  ui.accountLabel_2->setText(record.user.isEmpty() ? tr("Anonymous") : record.user);
  ui.deviceModelLabel_2->setText(record.model.isEmpty() ? QStringLiteral("Brelkin NAS")
                                                        : record.model);
  ui.sourcePathLabel->setText(tr("Destination"));
  ui.sourcePathLabel_2->setText(wrapTextToWidth(ui.sourcePathLabel_2->font(),
                                                record.destinationPath,
                                                ui.sourcePathLabel_2->width()));
}

void Dialog::showSummaryStep() {
  ui.newEightTitle->show();
  ui.accountLabel->show();
  ui.accountLabel_2->show();
  ui.deviceModelLabel->show();
  ui.deviceModelLabel_2->show();
  ui.sourcePathLabel->show();
  ui.sourcePathLabel_2->show();
  ui.backupsLabel_4->hide();
}
