// The wizard's step 2: the local folders to back up, checked in a tree of the local file
// system. A folder on a network file system is refused: its files belong to another computer.
#include <QtCore/QDir>

#include "cfilesystemmodel.h"
#include "dialog.h"

using wizard_logic::StepResult;

void Dialog::showSourcesStep() {
  ui.newTwoTitle->show();
  showWizardList(ui.localWidget, ui.localFolders);
  if (wizard_.localModel) return;
  // The model lives while the wizard runs; the window is its parent only so that it goes
  // with the window at the latest.
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

StepResult Dialog::checkSources() {
  wizard_.sourceFolders =
      wizard_.localModel ? wizard_.localModel->selectedPaths() : QStringList();
  if (wizard_.sourceFolders.isEmpty()) {
    wizardWarning(tr("You haven't selected any folder for backup!"));
    return StepResult::Refused;
  }
  for (const QString& folder : wizard_.sourceFolders) {
    if (wizard_logic::networkFolderCheck()(folder)) {
      wizardWarning(tr("Please do not select network drive as source folder!"));
      return StepResult::Refused;
    }
  }
  return StepResult::Passed;
}
