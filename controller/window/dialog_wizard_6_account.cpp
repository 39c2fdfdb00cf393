// The wizard's step 6: the account for a share that did not open without one. Next opens
// the share with it; a share that refuses it says why and the step stays.
#include "dialog.h"

using wizard_logic::StepResult;

void Dialog::showAccountStep() {
  endNasAccount();
  ui.newFiveTitle->show();
  ui.userNameLabel->show();
  ui.userNameLEdit->show();
  ui.userPasswdLabel->show();
  ui.userPasswdLEdit->show();
  ui.userNameLEdit->setFocus();
}

StepResult Dialog::checkAccount() {
  if (ui.userNameLEdit->text().isEmpty()) {
    wizardWarning(tr("Please enter user name!"));
    ui.userNameLEdit->setFocus();
    return StepResult::Refused;
  }
  wizard_.connectOrigin = ConnectOrigin::TypedAccount;
  wizard_.userName = ui.userNameLEdit->text();
  wizard_.password = ui.userPasswdLEdit->text();
  setWizardBusy(true);
  ui.createFolderBtn->setEnabled(false);
  // A refused account shows the account step again, its account ended.
  return openChosenShare() ? StepResult::Passed : StepResult::Detour;
}
