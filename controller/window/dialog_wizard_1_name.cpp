// The wizard's step 1: the task's name. A new task names itself here; the task list's rename
// opens the wizard on this step alone, with the task's source folders below the name, and its
// Finish writes the new name.
#include "dialog.h"
#include "updatesessionconfig.h"

using wizard_logic::StepResult;

void Dialog::showNameStep() {
  if (taskPage_.wizardMode == WizardMode::Rename) {
    ui.newOneTitle_3->show();
    ui.editNameLabel->show();
    placeWizardWidget(ui.newOneEdit, QRect(211, 100, 300, 36));
    ui.sourcePathLabel->show();
    ui.sourcePathLabel_2->show();
  } else {
    ui.newOneTitle->show();
    ui.newOneTitle_2->show();
    placeWizardWidget(ui.newOneEdit, QRect(70, 216, 300, 36));
  }
  ui.newOneEdit->setFocus();
}

StepResult Dialog::checkName() {
  const QString name = ui.newOneEdit->text();
  switch (wizard_logic::checkTaskName(name)) {
    case wizard_logic::NameCheck::Empty:
      wizardWarning(tr("Please create the name of the backup task!"));
      ui.newOneEdit->setFocus();
      return StepResult::Refused;
    case wizard_logic::NameCheck::ForbiddenCharacter:
      wizardWarning(tr("The name of the backup task can not contain ~`^&{}[]|\""));
      ui.newOneEdit->setFocus();
      return StepResult::Refused;
    case wizard_logic::NameCheck::Ok:
      break;
  }
  wizard_.taskName = name;
  return StepResult::Passed;
}

void Dialog::prepareRename(const SessionRecord& record) {
  ui.newOneEdit->setText(record.name);
  ui.sourcePathLabel->setText(tr("Source"));
  ui.sourcePathLabel_2->clear();
  ui.sourcePathLabel_2->setGeometry(QRect(211, 157, 371, 320));
  QStringList lines;
  for (const auto& [path, uuid] : taskPage_.answeredPaths) {
    if (!uuid.isEmpty() && uuid.compare(record.uuid, Qt::CaseInsensitive) == 0) {
      lines << wrapTextToWidth(ui.sourcePathLabel_2->font(), path, ui.sourcePathLabel_2->width());
    }
  }
  ui.sourcePathLabel_2->setText(lines.join(u'\n'));
}
