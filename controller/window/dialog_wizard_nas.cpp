// The wizard's device, share and account steps: a NAS found on the local links (step 4), one
// of its shares (step 5), an account when the share does not open without one (step 6), and
// a folder inside the share, which the user may make there (step 7).
//
// The share is first tried with a throw-away account, which a NAS that lets guests in maps
// to its guest account; only when that is refused does step 6 ask for one. The folder tree
// keeps the account it was opened with until the wizard ends or goes back to the share list.
// Each of its listings and new folders runs on a thread of its own with a connection of its
// own (sharecall.h): a server that does not answer costs the window a bounded wait during
// which it goes on drawing, never a frozen window, and a call to one server never waits
// behind a call to another. The wizard is busy during each wait, and every action that could
// change the tree (its buttons, the tree's own slots) waits for the end.
//
// The slow parts (the search, the share list, the device check) run after the wait cursor
// and the disabled buttons are drawn: a one-shot thread's signal brings them back as a
// queued call. Their waits keep the window responsive.
#include <cerrno>

#include <QtCore/QEventLoop>
#include <QtCore/QProcess>
#include <QtCore/QTimer>
#include <QtGui/QCursor>
#include <QtGui/QIcon>
#include <QtNetwork/QHostAddress>
#include <QtNetwork/QNetworkInterface>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMessageBox>

#include <array>
#include <string>
#include <vector>

#include "checkaccountmode.h"
#include "dialog.h"
#include "easysearch.h"
#include "getsharefolderlist.h"
#include "messagebox.h"
#include "resource_paths.h"
#include "share.h"
#include "sharecall.h"
#include "task_destination.h"
#include "wizardlogic.h"

namespace {

const char kFolderIcon[] = ":/images/folder.png";
// How long one ping may take before it counts as unanswered (ping itself waits 2 s).
constexpr int kPingDeadlineMs = 5000;

QString uncOf(const QString& address, const QString& path) {
  return QStringLiteral("\\\\") + address + path;
}

}  // namespace

EasySearch* Dialog::easySearch() {
  // Made when first needed: its sockets join the discovery group on every local address,
  // which nothing but the device step has reason to do.
  if (!easySearch_) easySearch_ = new EasySearch(this);
  return easySearch_;
}

// ---- step 4: the device ---------------------------------------------------------------

QList<uint32_t> Dialog::collectLocalNetworks() {
  wizard_.localNetmasks.clear();
  QList<uint32_t> networks;
  for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
    for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
      const QHostAddress ip = entry.ip();
      const QString text = ip.toString();
      if (ip.isNull() || text == QLatin1String("127.0.0.1") || text.contains(u':')) continue;
      const QHostAddress mask = entry.netmask();
      if (mask.isNull() || text.isEmpty() || mask.toString().isEmpty()) continue;
      wizard_.localNetmasks << mask.toIPv4Address();
      networks << (ip.toIPv4Address() & mask.toIPv4Address());
    }
  }
  return networks;
}

void Dialog::searchDevices() {
  if (wizard_.searching) return;
  wizard_.searching = true;
  setWizardBusy(true);
  ui.deviceTWidget->clear();
  const QList<uint32_t> networks = collectLocalNetworks();
  EasySearch* finder = easySearch();
  if (finder->SearchDevice()) {
    for (const NasDeviceRecord& device : finder->deviceList()) {
      QHostAddress address;
      if (!address.setAddress(device.ip) || address.protocol() != QAbstractSocket::IPv4Protocol) {
        continue;
      }
      // A device answers on every link it shares with this computer; one outside every
      // local network cannot be reached as the share step needs.
      if (!wizard_logic::onLocalNetwork(address.toIPv4Address(), wizard_.localNetmasks, networks)) {
        continue;
      }
      const QString model = wizard_logic::deviceModelText(device.model);
      std::array<uint8_t, 6> mac{};
      for (int i = 0; i < 6 && i < device.addressBlock.size(); ++i) {
        mac[i] = static_cast<uint8_t>(device.addressBlock.at(i));
      }
      auto* item = new QTreeWidgetItem(ui.deviceTWidget);
      item->setText(0, model + u'\n' + wizard_logic::deviceNameText(device.name));
      item->setText(1, device.ip + u'\n' + wizard_logic::macText(mac));
      item->setText(2, model);
      item->setIcon(0, QIcon(tessaly_resources::deviceIcon(model)));
    }
  }
  setWizardBusy(false);
  wizard_.searching = false;
}

void Dialog::selectDevice() {
  const QTreeWidgetItem* item = ui.deviceTWidget->currentItem();
  if (!item) return;
  wizard_.deviceAddress = item->text(1).section(u'\n', 0, 0);
  wizard_.deviceName = item->text(0).section(u'\n', 1);
  wizard_.deviceModel = item->text(2).isEmpty() ? QStringLiteral("Brelkin NAS") : item->text(2);
  EasySearch* finder = easySearch();
  finder->SetDeviceIp(wizard_.deviceAddress.toUtf8().constData());
  finder->QueryShareFolder();
}

void Dialog::nextFromDevice() {
  if (!ui.deviceTWidget->currentItem()) {
    wizardWarning(tr("You haven't selected any device!"));
    return;
  }
  setWizardBusy(true);
  wizard_.destinationPath.clear();
  wizard_.shareRoot.clear();
  accountThread_->start();
}

void Dialog::DoCheckAccountMode() {
  if (wizardStep_ != 4 || !ui.deviceTWidget->currentItem()) {
    setWizardBusy(false);
    return;
  }
  selectDevice();
  const bool answered = easySearch()->GetShareFolderListHead() != nullptr ||
                        hostAnswers(wizard_.deviceAddress);
  setWizardBusy(false);
  if (answered) {
    showWizardPage(5);
  } else {
    message_box::critical(this, tr("Error"), tr("Invalid device!"), QMessageBox::Ok);
  }
}

bool Dialog::hostAnswers(const QString& address) {
  // Only a dotted IPv4 address reaches the command line.
  QHostAddress parsed;
  if (!parsed.setAddress(address) || parsed.protocol() != QAbstractSocket::IPv4Protocol ||
      parsed.toString() != address) {
    return false;
  }
  QProcess ping;
  ping.start(QStringLiteral("ping"), {QStringLiteral("-c"), QStringLiteral("1"),
                                      QStringLiteral("-W"), QStringLiteral("2"), address});
  if (!ping.waitForStarted(kPingDeadlineMs)) return false;
  // The window goes on drawing while ping waits for its answer.
  QEventLoop loop;
  connect(&ping, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer deadline;
  deadline.setSingleShot(true);
  connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  deadline.start(kPingDeadlineMs);
  if (ping.state() != QProcess::NotRunning) loop.exec();
  if (ping.state() != QProcess::NotRunning) {
    ping.kill();
    ping.waitForFinished(1000);
    return false;
  }
  return ping.exitStatus() == QProcess::NormalExit && ping.exitCode() == 0;
}

void Dialog::OpenUrl(const QString&) {
  message_box::information(this, tr("Message"),
                           tr("To detect your NAS, please make sure Tessaly Sync has been "
                              "permitted to pass through the firewall in your computer."),
                           QMessageBox::Ok);
}

// ---- step 5: the share ----------------------------------------------------------------

void Dialog::showShareList() {
  ui.shareFolderTWidget->clear();
  wizard_.newFolderPending = false;
  wizard_.pendingFolderItem = nullptr;
  setWizardBusy(true);
  shareFolderThread_->start();
}

void Dialog::DoGetShareFolder() {
  if (wizardStep_ == 5) {
    for (const ShareFolderRecord& share : easySearch()->shareFolderList()) {
      addShareFolderItem(QStringLiteral("%1").arg(share.name), nullptr);
    }
    setWizardBusy(false);
    return;
  }
  if (wizardStep_ != 6) {
    setWizardBusy(false);
    return;
  }
  // Step 6: the share of shareRoot ("\\address\share") with the wizard's account.
  const QStringList parts = wizard_.shareRoot.split(u'\\');
  wizard_.pathNotFound = false;
  wizard_.accountRefused = false;
  openShareFolder(parts.value(3));
  setWizardBusy(false);
  ui.createFolderBtn->setEnabled(true);
  // The throw-away account is not the task's: a share that let it in is a guest share.
  if (wizard_.connectOrigin == 5) {
    wizard_.userName.clear();
    wizard_.password.clear();
  }
  if (wizard_.pathNotFound || wizard_.accountRefused) {
    if (wizard_.connectOrigin == 6) {
      message_box::critical(this, tr("Error"),
                            wizard_.pathNotFound ? tr("The network path was not found!")
                                                 : tr("Invalid user name or password."),
                            QMessageBox::Ok);
    }
    wizardStep_ -= 1;
  }
}

void Dialog::nextFromShareOrFolder() {
  QTreeWidgetItem* item = ui.shareFolderTWidget->currentItem();
  if (!item) {
    wizardWarning(tr("Please select a backup destination folder!"));
    return;
  }
  const QString path = shareItemPath(item);
  if (wizardStep_ == 7) {
    wizard_.destinationPath = uncOf(wizard_.deviceAddress, path);
    showWizardPage(8);
    return;
  }
  // Step 5: the share is tried without an account of the user's first.
  wizard_.connectOrigin = 5;
  wizard_.destinationPath.clear();
  wizard_.shareRoot = uncOf(wizard_.deviceAddress, path);
  setWizardBusy(true);
  wizard_.userName = wizard_logic::probeAccountText();
  wizard_.password = wizard_.userName;
  wizardStep_ = 6;
  ui.createFolderBtn->setEnabled(false);
  DoGetShareFolder();
  // Step 7 when the share opened, else the account step (the step came back to 5).
  showWizardPage(wizardStep_ + 1);
}

// ---- step 6: the account --------------------------------------------------------------

void Dialog::nextFromAccount() {
  if (ui.userNameLEdit->text().isEmpty()) {
    wizardWarning(tr("Please enter user name!"));
    ui.userNameLEdit->setFocus();
    return;
  }
  wizard_.connectOrigin = 6;
  wizard_.userName = ui.userNameLEdit->text();
  wizard_.password = ui.userPasswdLEdit->text();
  setWizardBusy(true);
  ui.createFolderBtn->setEnabled(false);
  DoGetShareFolder();
  showWizardPage(wizardStep_ + 1);
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

// ---- step 7: the folder tree ----------------------------------------------------------

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
  const QString folder = uncOf(wizard_.deviceAddress, path);
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
  if (wizardStep_ != 6 && wizardStep_ != 7) return;
  if (wizard_.busy || !commitNewFolder()) return;
  QTreeWidgetItem* item = ui.shareFolderTWidget->currentItem();
  if (!item) return;
  wizard_.destinationPath.clear();
  qDeleteAll(item->takeChildren());
  addShareFolderItem(shareItemPath(item), item);
  item->setExpanded(true);
}

void Dialog::on_shareFolderTWidget_pressed() {
  if (wizardStep_ != 7 || wizard_.busy || !ui.shareFolderTWidget->currentItem()) return;
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
  if (wizardStep_ != 7 || wizard_.busy || wizard_.newFolderPending) return;
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
  wizard_.pendingFolderParent = uncOf(wizard_.deviceAddress, path);
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
