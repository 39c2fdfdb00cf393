// The wizard's step 7: the folder inside the share that the backups go to, which the user
// may make there. The folder tree keeps the account it was opened with until the wizard ends
// or goes back to the share list. Each of its listings and new folders runs on a thread of
// its own with a connection of its own (sharecall.h): a server that does not answer costs the
// window a bounded wait during which it goes on drawing, never a frozen window, and a call to
// one server never waits behind a call to another. The wizard is busy during each wait, and
// every action that could change the tree (its buttons, the tree's own slots) waits for the
// end.
#include <cerrno>

#include <QtGui/QCursor>
#include <QtGui/QIcon>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMessageBox>

#include <string>
#include <vector>

#include "dialog.h"
#include "messagebox.h"
#include "share.h"
#include "sharecall.h"
#include "task_destination.h"

using wizard_logic::StepResult;

namespace {

const char kFolderIcon[] = ":/images/folder.png";

}  // namespace

void Dialog::showFolderStep() {
  ui.newSixTitle->show();
  showWizardList(ui.shareFolderWidget, ui.shareFolderTWidget);
  ui.createFolderBtn->show();
}

StepResult Dialog::checkFolder() {
  QTreeWidgetItem* item = ui.shareFolderTWidget->currentItem();
  if (!item) {
    wizardWarning(tr("Please select a backup destination folder!"));
    return StepResult::Refused;
  }
  wizard_.destinationPath = wizard_logic::uncPath(wizard_.deviceAddress, shareItemPath(item));
  return StepResult::Passed;
}

// ---- the folder tree's share calls ----------------------------------------------------

void Dialog::logOnNasAccount() {
  wizard_.treeUser = wizard_.userName;
  wizard_.treePassword = wizard_.password;
  wizard_.impersonating = true;
}

void Dialog::endNasAccount() {
  wizard_.treeUser.clear();
  wizard_.treePassword.clear();
  wizard_.impersonating = false;
}

int Dialog::runTreeCall(const std::function<int(ShareCall&)>& call) {
  if (!wizard_.impersonating) {
    errno = ENOTCONN;
    return -1;
  }
  // Nothing else works on the tree while the window waits, so no item it holds goes away
  // meanwhile: the wizard is busy (its buttons and the tree's own actions off), unless a
  // step that chains this call already made it so.
  const bool wasBusy = wizard_.busy;
  if (!wasBusy) setWizardBusy(true);
  ShareCall share(tessaly::destination_account(wizard_.treeUser.toStdString(),
                                               wizard_.treePassword.toStdString(), false));
  int result = call(share);
  const int error = share.outcome() == ShareCall::Outcome::LogonFailed ? EACCES : errno;
  if (!wasBusy) setWizardBusy(false);
  errno = error;
  return result;
}

int Dialog::listShareFolder(const QString& unc, std::vector<tessaly::share::entry_t>* entries) {
  const std::string path = unc.toStdString();
  return runTreeCall([&](ShareCall& share) { return share.list(path, entries); });
}

int Dialog::makeShareFolder(const QString& unc) {
  const std::string path = unc.toStdString();
  return runTreeCall([&](ShareCall& share) { return share.mkdir(path, 0755); });
}

// ---- the folder tree -------------------------------------------------------------------

QString Dialog::shareItemPath(const QTreeWidgetItem* item) {
  QString path;
  for (const QTreeWidgetItem* at = item; at; at = at->parent()) path.prepend(u'\\' + at->text(0));
  return path;
}

QStringList Dialog::addShareFolderItem(const QString& path, QTreeWidgetItem* parent) {
  if (!parent) {
    auto* item = new QTreeWidgetItem(ui.shareFolderTWidget);
    item->setText(0, path);
    item->setIcon(0, QIcon(QString::fromLatin1(kFolderIcon)));
    return {};
  }
  const QString folder = wizard_logic::uncPath(wizard_.deviceAddress, path);
  std::vector<tessaly::share::entry_t> entries;
  int result = listShareFolder(folder, &entries);
  if (result != 0) {
    const int error = errno;
    switch (tessaly::share::windows_error_code(error)) {
      case 1326:
      case 86:
      case 5:
        wizard_.accountRefused = true;
        break;
      case 53:
        wizard_.pathNotFound = true;
        break;
      default:
        break;
    }
    // One more try with the account logged on anew; not after a server that did not answer,
    // which would only double the wait.
    if (!wizard_.userName.isEmpty() && error != ETIMEDOUT) {
      logOnNasAccount();
      entries.clear();
      result = listShareFolder(folder, &entries);
      if (result == 0) {
        wizard_.accountRefused = false;
        wizard_.pathNotFound = false;
      }
    }
  }
  if (result != 0) return {};

  QStringList taken;
  for (const tessaly::share::entry_t& entry : entries) {
    const QString name = QString::fromStdString(entry.name);
    taken << name;
    // Hidden folders stay hidden; a name that cannot stand in a share path cannot be chosen.
    if (entry.type != tessaly::share::kind::folder || name.startsWith(u'.') ||
        !wizard_logic::isUsableFolderName(name)) {
      continue;
    }
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, name);
    item->setIcon(0, QIcon(QString::fromLatin1(kFolderIcon)));
  }
  return taken;
}

void Dialog::openShareFolder(const QString& share) {
  ui.shareFolderTWidget->clear();
  wizard_.newFolderPending = false;
  wizard_.pendingFolderItem = nullptr;
  // The account now given is the one the tree's calls use.
  endNasAccount();
  if (!wizard_.userName.isEmpty()) logOnNasAccount();
  addShareFolderItem(share, nullptr);
  QTreeWidgetItem* shareItem = ui.shareFolderTWidget->topLevelItem(0);
  if (!shareItem) return;
  addShareFolderItem(u'\\' + share, shareItem);
  ui.shareFolderTWidget->setCurrentItem(shareItem);
  shareItem->setExpanded(true);

  // Coming back to the folders: the folder chosen before is found and chosen again.
  const QString& chosen = wizard_.destinationPath;
  if (chosen.isEmpty() || !chosen.startsWith(wizard_.shareRoot + u'\\')) return;
  QTreeWidgetItem* at = shareItem;
  for (const QString& name : chosen.mid(wizard_.shareRoot.size()).split(u'\\', Qt::SkipEmptyParts)) {
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < at->childCount(); ++i) {
      if (at->child(i)->text(0) == name) next = at->child(i);
    }
    if (!next) break;
    ui.shareFolderTWidget->setCurrentItem(next);
    qDeleteAll(next->takeChildren());
    addShareFolderItem(shareItemPath(next), next);
    next->setExpanded(true);
    at = next;
  }
}

void Dialog::on_shareFolderTWidget_doubleClicked() {
  if (wizardPage != WizardStep::Account && wizardPage != WizardStep::Folder) return;
  if (wizard_.busy || !commitNewFolder()) return;
  QTreeWidgetItem* item = ui.shareFolderTWidget->currentItem();
  if (!item) return;
  wizard_.destinationPath.clear();
  qDeleteAll(item->takeChildren());
  addShareFolderItem(shareItemPath(item), item);
  item->setExpanded(true);
}

void Dialog::on_shareFolderTWidget_pressed() {
  if (wizardPage != WizardStep::Folder || wizard_.busy || !ui.shareFolderTWidget->currentItem()) return;
  commitNewFolder();
  ui.createFolderBtn->setEnabled(true);
  if (QApplication::mouseButtons() & Qt::RightButton) {
    QMenu menu;
    ui.actionNew_Folder->setEnabled(true);
    menu.addAction(ui.actionNew_Folder);
    menu.exec(QCursor::pos());
  }
}

void Dialog::on_createFolderBtn_clicked() {
  if (!wizard_.busy && commitNewFolder()) on_actionNew_Folder_triggered();
}

void Dialog::on_actionNew_Folder_triggered() {
  if (wizardPage != WizardStep::Folder || wizard_.busy || wizard_.newFolderPending) return;
  QTreeWidgetItem* item = ui.shareFolderTWidget->currentItem();
  if (!item) return;
  const QString path = shareItemPath(item);
  if (path.isEmpty()) return;
  qDeleteAll(item->takeChildren());
  addNewFolderItem(path, item);
}

void Dialog::addNewFolderItem(const QString& path, QTreeWidgetItem* parent) {
  const QStringList taken = addShareFolderItem(path, parent);
  const QString name = wizard_logic::freeFolderName(tr("New Folder"), taken);
  wizard_.pendingFolderParent = wizard_logic::uncPath(wizard_.deviceAddress, path);
  auto* item = new QTreeWidgetItem(parent);
  item->setText(0, name);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
  item->setIcon(0, QIcon(QString::fromLatin1(kFolderIcon)));
  parent->setExpanded(true);
  ui.shareFolderTWidget->setCurrentItem(item);
  ui.shareFolderTWidget->editItem(item, 0);
  wizard_.pendingFolderItem = item;
  wizard_.newFolderPending = true;
}

bool Dialog::commitNewFolder(bool report) {
  if (!wizard_.newFolderPending) return true;
  wizard_.newFolderPending = false;
  QTreeWidgetItem* item = wizard_.pendingFolderItem;
  wizard_.pendingFolderItem = nullptr;
  if (!item) return true;
  // A name still in its editor counts as typed.
  if (auto* editor = qobject_cast<QLineEdit*>(ui.shareFolderTWidget->itemWidget(item, 0))) {
    item->setText(0, editor->text());
  }
  ui.shareFolderTWidget->closePersistentEditor(item, 0);

  const QString name = item->text(0);
  // The name is one folder inside the parent: never a path of its own.
  const bool made = wizard_logic::isUsableFolderName(name) &&
                    makeShareFolder(wizard_.pendingFolderParent + u'\\' + name) == 0;
  QHeaderView* header = ui.shareFolderTWidget->header();
  header->setSectionsMovable(false);
  header->setSectionResizeMode(QHeaderView::ResizeToContents);
  header->setStretchLastSection(false);
  if (made) return true;
  if (report) {
    message_box::information(this, tr("Create Directory"), tr("Failed to create the directory."),
                             QMessageBox::Ok);
  }
  if (QTreeWidgetItem* parent = item->parent()) {
    parent->removeChild(item);
  }
  delete item;
  return false;
}
