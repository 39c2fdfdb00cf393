// The wizard's step 5: one share of the chosen device. The share is first tried with a
// throw-away account, which a NAS that lets guests in maps to its guest account: a share
// that opens so leads straight to its folders (step 7); only a refused one asks for an
// account (step 6, which opens the share the same way with the typed one).
#include <QtWidgets/QMessageBox>

#include "dialog.h"
#include "easysearch.h"
#include "getsharefolderlist.h"
#include "messagebox.h"

using wizard_logic::StepResult;

void Dialog::showShareStep() {
  endNasAccount();
  ui.newSixTitle->show();
  showWizardList(ui.shareFolderWidget, ui.shareFolderTWidget);
}

// The share list comes after the wait cursor and the disabled buttons are drawn: the
// one-shot thread's signal brings it back to DoGetShareFolder as a queued call.
void Dialog::showShareList() {
  ui.shareFolderTWidget->clear();
  wizard_.newFolderPending = false;
  wizard_.pendingFolderItem = nullptr;
  setWizardBusy(true);
  shareFolderThread_->start();
}

void Dialog::DoGetShareFolder() {
  if (wizardPage == WizardStep::Share) {
    for (const ShareFolderRecord& share : easySearch()->shareFolderList()) {
      addShareFolderItem(QStringLiteral("%1").arg(share.name), nullptr);
    }
  } else if (wizardPage == WizardStep::Account) {
    openChosenShare();
  }
  setWizardBusy(false);
}

bool Dialog::openChosenShare() {
  // The share of shareRoot ("\\address\share") with the wizard's account.
  const QStringList parts = wizard_.shareRoot.split(u'\\');
  wizard_.pathNotFound = false;
  wizard_.accountRefused = false;
  openShareFolder(parts.value(3));
  setWizardBusy(false);
  ui.createFolderBtn->setEnabled(true);
  // The throw-away account is not the task's: a share that let it in is a guest share.
  if (wizard_.connectOrigin == ConnectOrigin::GuestProbe) {
    wizard_.userName.clear();
    wizard_.password.clear();
  }
  if (!wizard_.pathNotFound && !wizard_.accountRefused) return true;
  if (wizard_.connectOrigin == ConnectOrigin::TypedAccount) {
    message_box::critical(this, tr("Error"),
                          wizard_.pathNotFound ? tr("The network path was not found!")
                                               : tr("Invalid user name or password."),
                          QMessageBox::Ok);
  }
  return false;
}

StepResult Dialog::checkShare() {
  QTreeWidgetItem* item = ui.shareFolderTWidget->currentItem();
  if (!item) {
    wizardWarning(tr("Please select a backup destination folder!"));
    return StepResult::Refused;
  }
  wizard_.connectOrigin = ConnectOrigin::GuestProbe;
  wizard_.destinationPath.clear();
  wizard_.shareRoot = wizard_logic::uncPath(wizard_.deviceAddress, shareItemPath(item));
  setWizardBusy(true);
  wizard_.userName = wizard_logic::probeAccountText();
  wizard_.password = wizard_.userName;
  ui.createFolderBtn->setEnabled(false);
  // The folders when the share opened, else the account step.
  return openChosenShare() ? StepResult::Passed : StepResult::Detour;
}
