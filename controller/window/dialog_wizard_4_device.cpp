// The wizard's step 4: the device, a NAS found on the local links. The search sends the
// discovery datagram from every local address and lists the devices that answered from a
// network of this computer's; Next checks that the chosen one answers (its share list or a
// ping) before the share step.
//
// The slow parts (the search, the device check) run after the wait cursor and the disabled
// buttons are drawn: a one-shot thread's signal brings the check back as a queued call. Their
// waits keep the window responsive.
#include <QtCore/QEventLoop>
#include <QtCore/QProcess>
#include <QtCore/QTimer>
#include <QtGui/QIcon>
#include <QtNetwork/QHostAddress>
#include <QtNetwork/QNetworkInterface>
#include <QtWidgets/QMessageBox>

#include <array>

#include "checkaccountmode.h"
#include "dialog.h"
#include "easysearch.h"
#include "messagebox.h"
#include "resource_paths.h"

using wizard_logic::StepResult;

namespace {

// How long one ping may take before it counts as unanswered (ping itself waits 2 s).
constexpr int kPingDeadlineMs = 5000;

}  // namespace

void Dialog::showDeviceStep() {
  ui.newFourTitle->show();
  placeWizardWidget(ui.deviceWidget, wizardListPanel());
  placeWizardWidget(ui.deviceTWidget, QRect(78, 108, 467, 262));
  ui.linkLabel->setText(
      QStringLiteral(
          "<a href=\"null\"><span style=\" text-decoration: underline; color:#2e3132;\">") +
      tr("Click here if no device is shown") + QStringLiteral("</span></a>"));
  ui.linkLabel->show();
  ui.refreshTBtn->show();
}

void Dialog::on_deviceTWidget_pressed() {}

EasySearch* Dialog::easySearch() {
  // Made when first needed: its sockets join the discovery group on every local address,
  // which nothing but the device step has reason to do.
  if (!easySearch_) easySearch_ = new EasySearch(this);
  return easySearch_;
}

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

StepResult Dialog::checkDevice() {
  if (!ui.deviceTWidget->currentItem()) {
    wizardWarning(tr("You haven't selected any device!"));
    return StepResult::Refused;
  }
  setWizardBusy(true);
  wizard_.destinationPath.clear();
  wizard_.shareRoot.clear();
  // The check goes on in DoCheckAccountMode once the wait cursor shows.
  accountThread_->start();
  return StepResult::Pending;
}

void Dialog::DoCheckAccountMode() {
  if (wizardPage != WizardStep::Device || !ui.deviceTWidget->currentItem()) {
    setWizardBusy(false);
    return;
  }
  selectDevice();
  const bool answered = easySearch()->GetShareFolderListHead() != nullptr ||
                        hostAnswers(wizard_.deviceAddress);
  setWizardBusy(false);
  if (answered) {
    moveWizardOn(StepResult::Passed);
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
