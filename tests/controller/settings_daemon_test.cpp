// The settings pages against the real service (TESSALY_DAEMON) and the test SMTP server of
// tests/peers, in the test's own root and network namespace: the e-mail settings are typed
// into the window and saved, a backup is started from the task list, and its report mail
// arrives at the SMTP server with the saved account; the log page's choice for a full log,
// saved after the service started, decides whether the run's records still enter a LOG.dat
// that holds the maximum of 1000 records.
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QSettings>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QToolButton>

#include <memory>

#include "config_format.h"
#include "controller_test.h"
#include "dialog.h"
#include "link_packet.h"
#include "log_file_fixture.h"
#include "service_probe.h"
#include "updatesessionconfig.h"
#include "xmltree.h"

namespace lp = tessaly::link;
using service_probe::waitForService;

using controller_test::child;
using controller_test::readFile;
using controller_test::writeFile;

namespace {

constexpr int kRunTimeoutMs = 60000;

void click(const Dialog& dialog, const char* name) {
  QTest::mouseClick(child<QAbstractButton>(dialog, name), Qt::LeftButton);
}

// The log records of LOG.dat: (uuid, content) of each.
QList<QPair<QString, QString>> logRecords(const QString& path) {
  QList<QPair<QString, QString>> out;
  ConfigDocument document;
  if (!parseConfigFile(readFile(path), &document)) return out;
  for (const XmlNode& node : document.configuration.children) {
    if (node.name != "log") continue;
    const XmlNode* uuid = node.child("uuid");
    const XmlNode* content = node.child("content");
    out.append({uuid ? uuid->text : QString(), content ? content->text : QString()});
  }
  return out;
}

}  // namespace

class SettingsDaemonTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QProcess> daemon_;
  std::unique_ptr<QProcess> smtp_;
  QString smtpOut_;

  void stopDaemon() { service_probe::stopService(daemon_); }

  void stopSmtp() {
    if (!smtp_) return;
    smtp_->terminate();
    if (!smtp_->waitForFinished(10000)) smtp_->kill();
    smtp_->waitForFinished(5000);
    smtp_.reset();
  }

 private slots:
  void cleanup() {
    stopDaemon();
    stopSmtp();
  }

  void reportMailAndFullLog_data() {
    QTest::addColumn<bool>("stopWhenFull");
    QTest::newRow("full log stops") << true;
    QTest::newRow("full log replaces the oldest") << false;
  }

  void reportMailAndFullLog() {
    QFETCH(bool, stopWhenFull);
    const QString root = controller_test::tempRoot();
    const QString tag = stopWhenFull ? "stop" : "clear";
    const QString data = controller_test::dataFolder();

    // The SMTP server with an account: a non-ASCII user and a long password.
    const QString user = QString::fromUtf8("j\xC3\xBCrgen");
    QString password;
    while (password.size() < 120) password += QStringLiteral("s3cr&t<pw>\"'");
    password.truncate(120);
    smtpOut_ = root + "/smtp-" + tag;
    const QString portFile = smtpOut_ + ".port";
    smtp_ = std::make_unique<QProcess>();
    smtp_->setProcessChannelMode(QProcess::ForwardedChannels);
    smtp_->start("/usr/bin/python3", {qEnvironmentVariable("TESSALY_PEERS_DIR") + "/smtp_server.py",
                                      "--port-file", portFile, "--out", smtpOut_, "--auth",
                                      user + ":" + password});
    QVERIFY(smtp_->waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(portFile), 15000);
    const QString port = QString::fromUtf8(readFile(portFile)).trimmed();

    // A task backing up a folder to a local folder, the default settings, and a full log.
    const QString source = root + "/src-" + tag;
    const QString destination = root + "/dest-" + tag;
    QVERIFY(QDir().mkpath(source));
    QVERIFY(QDir().mkpath(destination));
    QVERIFY(writeFile(source + "/a.txt", "first file"));
    QVERIFY(writeFile(source + "/b.txt", "second file"));
    QFile::remove(data + "/SESSION_CONFIG.dat");
    QString uuid;
    {
      UpdateSessionConfig store(data);
      QCOMPARE(store.AddSession("Mail task", {}, {}, {}, {".*"}, {source}, "", "", destination, "",
                                "full_backup", "manually", {}),
               int(UpdateSessionConfig::AddDone));
      QVERIFY(store.ReadSessionConfig());
      uuid = store.GetSessionList()->at(0).uuid;
    }
    writeFile(data + "/GLOBAL_SETTING.dat",
              QByteArray::fromStdString(std::string(tessaly::config_format::global_setting_default())));
    QVERIFY(log_fixture::replaceLog(data, log_fixture::logFile(log_fixture::numbered(1000))));
    QFile::remove(data + "/LOG.txt");

    daemon_ = service_probe::startService();
    QVERIFY(daemon_);
    QVERIFY2(waitForService(30000), "the service does not answer");

    {
      Dialog dialog;
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));

      // The e-mail page, typed and saved.
      click(dialog, "advancedBut");
      click(dialog, "setEmailBtn");
      child<QCheckBox>(dialog, "setENCBox")->setChecked(true);
      child<QCheckBox>(dialog, "setENCBox_2")->setChecked(false);
      child<QCheckBox>(dialog, "setENCBox_3")->setChecked(false);
      click(dialog, "setENRBtn");
      child<QLineEdit>(dialog, "setENLEdit")->setText(user);
      child<QLineEdit>(dialog, "setENLEdit_2")->setText(password);
      child<QLineEdit>(dialog, "setENLEdit_3")->setText("127.0.0.1:" + port);
      child<QLineEdit>(dialog, "setENLEdit_4")->setText("nas@example.org");
      child<QLineEdit>(dialog, "setENLEdit_5")->setText("ann@example.org");
      click(dialog, "settingSTBtn");
      QVERIFY(child(dialog, "setMainWidget")->isVisible());

      // The log page: what to do once the log holds its 1000 records.
      click(dialog, "setLogBtn");
      click(dialog, stopWhenFull ? "setLogRBtn_2" : "setLogRBtn");
      click(dialog, "settingSTBtn");
      QVERIFY(child(dialog, "setMainWidget")->isVisible());
      // The reload is a datagram: give the service a moment to take it.
      QTest::qWait(1000);

      // A backup from the task list.
      click(dialog, "curSessionBut");
      QWidget* entry = child(dialog, "sessionWidget1");
      QTRY_VERIFY_WITH_TIMEOUT(entry->isVisible(), 10000);
      QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier,
                        entry->mapTo(&dialog, entry->rect().center()));
      QTRY_VERIFY_WITH_TIMEOUT(child<QToolButton>(dialog, "bunowPBtn")->isEnabled(), 10000);
      click(dialog, "bunowPBtn");
      QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(smtpOut_ + "/1.ini"), kRunTimeoutMs);
    }

    // The report went out with the saved settings.
    QSettings mail(smtpOut_ + "/1.ini", QSettings::IniFormat);
    QCOMPARE(mail.value("message/mail_from").toString(), QString("nas@example.org"));
    QCOMPARE(mail.value("message/rcpt_tos").toString(), QString("ann@example.org"));
    QCOMPARE(mail.value("message/tls").toString(), QString("false"));
    QCOMPARE(mail.value("message/login").toString(), user);
    QSettings auth(smtpOut_ + "/auth.ini", QSettings::IniFormat);
    QCOMPARE(auth.value("attempts/count").toInt(), 1);
    QCOMPARE(auth.value("auth 1/ok").toString(), QString("true"));
    QVERIFY(QFile::exists(destination + "/" + uuid));

    // The service writes LOG.dat whole when it stops: still 1000 records; the run's records
    // are among them only when the oldest give way.
    stopDaemon();
    const QList<QPair<QString, QString>> records = logRecords(data + "/LOG.dat");
    QCOMPARE(records.size(), 1000);
    int runRecords = 0;
    for (const auto& record : records) {
      if (record.first.compare(uuid, Qt::CaseInsensitive) == 0) ++runRecords;
    }
    if (stopWhenFull) {
      QCOMPARE(runRecords, 0);
      QCOMPARE(records.first().second, QString("record 1"));
    } else {
      QVERIFY(runRecords > 0);
      QVERIFY(records.first().second != "record 1");
    }
  }
};

TESSALY_TEST_MAIN(SettingsDaemonTest, QApplication)
#include "settings_daemon_test.moc"
