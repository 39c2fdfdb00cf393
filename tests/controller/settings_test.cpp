// The settings pages of the window: the e-mail page's checks (each refusal, its field, the
// file untouched), every section saved and read back through the service's own loader, the
// e-mail schedule times, the defaults, the autostart entry, export and import of the tasks,
// and the language switch with every text of the form checked against the built
// translations. Requests are caught by a fake service on 127.0.0.1:7502, so the test runs in
// a network namespace of its own. TZ is JST-9 (UTC+9): every stored time is UTC.
//
// TESSALY_LANGUAGE_DIR names the folder of the built Language_<Name>.qm files.
// Over 800 lines: the pages are tested on one window and one fake service, set up once.
#include <sys/stat.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTranslator>
#include <QtNetwork/QNetworkDatagram>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "autostart.h"
#include "config_format.h"
#include "configuration.h"
#include "controller_test.h"
#include "dialog.h"
#include "link_packet.h"
#include "modal_box.h"
#include "startup.h"
#include "ui_dialog.h"
#include "updatesessionconfig.h"

namespace {

QString settingsPath() { return controller_test::dataFolder() + "/GLOBAL_SETTING.dat"; }
QString sessionPath() { return controller_test::dataFolder() + "/SESSION_CONFIG.dat"; }

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray testData(const char* name) {
  return readBytes(qEnvironmentVariable("TESSALY_TEST_DATA") + "/" + name);
}

QByteArray defaultSettings() {
  return QByteArray::fromStdString(std::string(tessaly::config_format::global_setting_default()));
}

// What the service reads from GLOBAL_SETTING.dat now, by option.
std::map<int, std::string> serviceSettings() {
  global_settings_reset();
  std::map<int, std::string> out;
  if (!load_global_settings()) return out;
  for (int i = 0; i < GLOBAL_OPTION_MAX; ++i) {
    out[i] = get_global_config(static_cast<Global_option>(i));
  }
  return out;
}

std::string u8(const QString& text) { return text.toUtf8().toStdString(); }

// Catches the window's requests on the service's port.
class FakeService {
 public:
  FakeService() { QVERIFY(socket_.bind(QHostAddress::LocalHost, tessaly::link::SERVICE_PORT)); }

  // The configuration-update requests received until now.
  int reloads() {
    QCoreApplication::processEvents();
    while (socket_.hasPendingDatagrams()) {
      const QByteArray data = socket_.receiveDatagram().data();
      if (data.size() >= 2 && quint8(data[0]) == tessaly::link::PKG_SET &&
          quint8(data[1]) == tessaly::link::SET_CONFIG_UPDATE) {
        ++reloads_;
      }
    }
    return reloads_;
  }

  // Waits for `count` reloads in all; true when exactly that many came.
  bool waitReloads(int count) {
    (void)QTest::qWaitFor([&] { return reloads() >= count; }, controller_test::kEventWaitMs);
    return reloads() == count;
  }

 private:
  QUdpSocket socket_;
  int reloads_ = 0;
};

template <typename T>
T* child(const QWidget& window, const char* name) {
  T* widget = window.findChild<T*>(QString::fromLatin1(name));
  if (!widget) qFatal("no widget %s", name);
  return widget;
}

void click(const QWidget& window, const char* button) {
  QTest::mouseClick(child<QAbstractButton>(window, button), Qt::LeftButton);
}

// The window on the settings menu.
std::unique_ptr<Dialog> openSettings() {
  auto window = std::make_unique<Dialog>();
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) qFatal("window not exposed");
  click(*window, "advancedBut");
  return window;
}

bool shown(const QWidget& window, const char* name) { return !child<QWidget>(window, name)->isHidden(); }

// The widgets of the e-mail page that a case sets.
struct EmailValues {
  bool account = true;
  QString user = "ann";
  QString password = "pw";
  QString server = "127.0.0.1";
  QString sender = "nas@example.org";
  QString receiver = "ann@example.org";
};

void setEmail(const QWidget& window, const EmailValues& v) {
  click(window, v.account ? "setENRBtn" : "setENRBtn_2");
  child<QLineEdit>(window, "setENLEdit")->setText(v.user);
  child<QLineEdit>(window, "setENLEdit_2")->setText(v.password);
  child<QLineEdit>(window, "setENLEdit_3")->setText(v.server);
  child<QLineEdit>(window, "setENLEdit_4")->setText(v.sender);
  child<QLineEdit>(window, "setENLEdit_5")->setText(v.receiver);
}

// The Exec value of a desktop entry turned back into the program path: the string escapes
// first, then the quoting of one argument.
QString programOfExec(const QString& value) {
  QString unescaped;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] == u'\\' && i + 1 < value.size()) {
      const QChar next = value[++i];
      unescaped += next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : next == u'r' ? QChar(u'\r')
                 : next == u's' ? QChar(u' ') : next;
    } else {
      unescaped += value[i];
    }
  }
  if (unescaped.size() < 2 || !unescaped.startsWith(u'"') || !unescaped.endsWith(u'"')) return "<unquoted>";
  const QString inner = unescaped.mid(1, unescaped.size() - 2);
  QString program;
  for (qsizetype i = 0; i < inner.size(); ++i) {
    if (inner[i] == u'\\' && i + 1 < inner.size() && QStringLiteral("\"`$\\").contains(inner[i + 1])) {
      program += inner[++i];
    } else if (inner[i] == u'"' || inner[i] == u'`' || inner[i] == u'$' || inner[i] == u'\\') {
      return "<unescaped reserved character>";
    } else if (inner[i] == u'%') {
      if (i + 1 >= inner.size() || inner[i + 1] != u'%') return "<field code>";
      program += inner[++i];
    } else {
      program += inner[i];
    }
  }
  return program;
}

QString execLine(const QByteArray& entry) {
  for (const QByteArray& line : entry.split('\n')) {
    if (line.startsWith("Exec=")) return QString::fromUtf8(line.mid(5));
  }
  return "<no Exec line>";
}

// ---- every text of the form --------------------------------------------------------------

// The user-visible texts of every named object under `root`, by object name and property.
QMap<QString, QString> formTexts(const QWidget& root) {
  QMap<QString, QString> out;
  for (QObject* object : root.findChildren<QObject*>()) {
    const QString name = object->objectName();
    if (name.isEmpty() || name.startsWith("qt_")) continue;
    if (auto* label = qobject_cast<QLabel*>(object)) out[name + ".text"] = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(object)) out[name + ".text"] = button->text();
    if (auto* action = qobject_cast<QAction*>(object)) out[name + ".text"] = action->text();
    if (auto* edit = qobject_cast<QLineEdit*>(object)) out[name + ".placeholder"] = edit->placeholderText();
    if (auto* combo = qobject_cast<QComboBox*>(object)) {
      for (int i = 0; i < combo->count(); ++i) out[name + ".item" + QString::number(i)] = combo->itemText(i);
    }
    if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
      for (int i = 0; i < tree->columnCount(); ++i) {
        out[name + ".header" + QString::number(i)] = tree->headerItem()->text(i);
      }
    }
    if (auto* widget = qobject_cast<QWidget*>(object)) {
      out[name + ".toolTip"] = widget->toolTip();
      out[name + ".whatsThis"] = widget->whatsThis();
      out[name + ".accessibleName"] = widget->accessibleName();
    }
  }
  return out;
}

// The form's own English texts: a bare form set up while no translator is installed (the
// first call must come before any is).
const QMap<QString, QString>& englishFormTexts() {
  static const QMap<QString, QString> texts = [] {
    QDialog bare;
    Ui_Dialog form;
    form.setupUi(&bare);
    QMap<QString, QString> all = formTexts(bare);
    all.removeIf([](const auto& entry) { return entry.value().isEmpty(); });
    return all;
  }();
  return texts;
}

// Differences between the window's texts and the form's English texts put through
// `translator` (English when null); "" when every text matches.
QString textDifferences(const QWidget& window, const QTranslator* translator) {
  const QMap<QString, QString>& english = englishFormTexts();
  const QMap<QString, QString> actual = formTexts(window);
  QStringList differences;
  for (auto it = english.cbegin(); it != english.cend(); ++it) {
    QString expected = it.value();
    if (translator) {
      const QString translated = translator->translate("Dialog", it.value().toUtf8().constData());
      if (!translated.isEmpty()) expected = translated;
    }
    if (actual.value(it.key()) != expected) {
      differences << QStringLiteral("%1: \"%2\" instead of \"%3\"").arg(it.key(), actual.value(it.key()), expected);
    }
  }
  return differences.join("\n");
}

QString languageDir() { return qEnvironmentVariable("TESSALY_LANGUAGE_DIR"); }

QString resourceText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString("<none>");
}

}  // namespace

Q_DECLARE_METATYPE(EmailValues)

class SettingsPageTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QFile::remove(sessionPath());
    QDir(settingsPath()).removeRecursively();
    QFile::remove(settingsPath());
    writeBytes(settingsPath(), defaultSettings());
    QFile::remove(autostart::entryPath());
  }

  // ---- e-mail schedule times -----------------------------------------------------------

  void emailTimeTexts_data() {
    QTest::addColumn<int>("schedule");
    QTest::addColumn<int>("dayIndex");
    QTest::addColumn<int>("weekdayIndex");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<QString>("stored");
    // Local time is UTC+9: every time lies nine hours earlier in the file.
    QTest::newRow("weekly Sunday 02:30") << 1 << 0 << 0 << 2 << 30 << "2001-01-06T17:30:00Z";
    QTest::newRow("weekly Monday 12:00") << 1 << 0 << 1 << 12 << 0 << "2001-01-01T03:00:00Z";
    QTest::newRow("weekly Saturday 23:59") << 1 << 0 << 6 << 23 << 59 << "2001-01-06T14:59:00Z";
    QTest::newRow("monthly day 31") << 0 << 30 << 0 << 23 << 59 << "2001-01-31T14:59:00Z";
    QTest::newRow("monthly day 1 before nine") << 0 << 0 << 0 << 8 << 15 << "2000-12-31T23:15:00Z";
    QTest::newRow("daily 00:30 crosses the date") << 2 << 0 << 0 << 0 << 30 << "2000-12-31T15:30:00Z";
    QTest::newRow("daily 09:00") << 2 << 0 << 0 << 9 << 0 << "2001-01-01T00:00:00Z";
  }

  // Exactly one "Z", and the widgets come back from the stored text.
  void emailTimeTexts() {
    QFETCH(int, schedule);
    QFETCH(int, dayIndex);
    QFETCH(int, weekdayIndex);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(QString, stored);
    EmailScheduleTime time;
    time.schedule = schedule;
    time.dayIndex = dayIndex;
    time.weekdayIndex = weekdayIndex;
    time.hour = hour;
    time.minute = minute;
    QCOMPARE(emailTimeText(time), stored);

    const char* words[] = {"monthly", "weekly", "daily"};
    const EmailScheduleTime back = emailScheduleTime(words[schedule], stored);
    QCOMPARE(back.schedule, schedule);
    QCOMPARE(back.hour, hour);
    QCOMPARE(back.minute, minute);
    if (schedule == 0) QCOMPARE(back.dayIndex, dayIndex);
    if (schedule == 1) QCOMPARE(back.weekdayIndex, weekdayIndex);
  }

  void storedTimesThatDoNotParse_data() {
    QTest::addColumn<QString>("schedule");
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("expectedSchedule");
    QTest::newRow("monthly, no time") << "monthly" << "" << 0;
    QTest::newRow("monthly, garbage") << "monthly" << "yesterday" << 0;
    QTest::newRow("monthly, two Z") << "monthly" << "2001-01-15T16:00:00ZZ" << 0;
    QTest::newRow("weekly, cut") << "weekly" << "2001-01-0" << 1;
    QTest::newRow("daily, no date") << "daily" << "T01:30" << 2;
    QTest::newRow("no schedule") << "" << "2001-01-06T17:30:00Z" << 0;
    QTest::newRow("unknown word") << "hourly" << "2001-01-06T17:30:00Z" << 0;
  }

  // A stored time that does not parse gives the widgets' first values, never day -1.
  void storedTimesThatDoNotParse() {
    QFETCH(QString, schedule);
    QFETCH(QString, time);
    QFETCH(int, expectedSchedule);
    const EmailScheduleTime back = emailScheduleTime(schedule, time);
    QCOMPARE(back.schedule, expectedSchedule);
    QCOMPARE(back.dayIndex, 0);
    QCOMPARE(back.weekdayIndex, 0);
    QCOMPARE(back.hour, 0);
    QCOMPARE(back.minute, 0);
  }

  // The page filled from a stored time that does not parse shows day 1 at 0:00 and saves a
  // time the service takes.
  void emailPageWithDamagedTime() {
    QByteArray bytes = readBytes(qEnvironmentVariable("TESSALY_TEST_DATA") + "/global_setting_saved.dat");
    bytes.replace("2001-01-15T16:00:00Z", "2001-01-15T16:00:00ZZ");
    writeBytes(settingsPath(), bytes);
    FakeService service;
    auto window = openSettings();
    click(*window, "setEmailBtn");
    QCOMPARE(child<QComboBox>(*window, "setENCBoBox")->currentIndex(), 0);
    QCOMPARE(child<QComboBox>(*window, "dateCbBox_2")->currentIndex(), 0);
    QCOMPARE(child<QSpinBox>(*window, "monHourSnBox_2")->value(), 0);
    QVERIFY(shown(*window, "dateCbBox_2"));
    click(*window, "settingSTBtn");
    QVERIFY(service.waitReloads(1));
    QCOMPARE(serviceSettings()[GLOBAL_TIME], std::string("2000-12-31T15:00:00Z"));
  }

  // ---- the e-mail page's checks --------------------------------------------------------

  void emailChecks_data() {
    QTest::addColumn<EmailValues>("values");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("field");
    EmailValues v;
    v.user = "";
    QTest::newRow("account without user") << v << "Please enter a user name!" << "setENLEdit";
    v = {};
    v.password = "";
    QTest::newRow("account without password") << v << "Please enter a password!" << "setENLEdit_2";
    v = {};
    v.account = false;
    v.user = v.password = v.server = "";
    QTest::newRow("anonymous, empty account, no server")
        << v << "Please enter a SMTP Server!" << "setENLEdit_3";
    v = {};
    v.server = "";
    QTest::newRow("no server") << v << "Please enter a SMTP Server!" << "setENLEdit_3";
    v = {};
    v.sender = "";
    QTest::newRow("no sender") << v << "Please enter a Sender E-mail!" << "setENLEdit_4";
    v = {};
    v.sender = "nas.example.org";
    v.receiver = "";
    QTest::newRow("sender without @ before an empty receiver")
        << v << "Sender E-mail must contain \"@\"!" << "setENLEdit_4";
    v = {};
    v.receiver = "";
    QTest::newRow("no receiver") << v << "Please enter a Receiver E-mail!" << "setENLEdit_5";
    v = {};
    v.receiver = "ann.example.org";
    QTest::newRow("receiver without @") << v << "Receiver E-mail must contain \"@\"!" << "setENLEdit_5";
  }

  // Each refusal in its order: an "Error" box, the focus on the field, nothing written,
  // no reload, the page still shown.
  void emailChecks() {
    QFETCH(EmailValues, values);
    QFETCH(QString, message);
    QFETCH(QString, field);
    FakeService service;
    auto window = openSettings();
    click(*window, "setEmailBtn");
    setEmail(*window, values);
    const QByteArray before = readBytes(settingsPath());
    ModalScript script({ModalScript::box(QMessageBox::Ok)});
    click(*window, "settingSTBtn");
    QCOMPARE(script.boxTexts(), "Error / " + message);
    QCOMPARE(window->focusWidget(), child<QWidget>(*window, field.toLatin1().constData()));
    QCOMPARE(readBytes(settingsPath()), before);
    QCOMPARE(service.reloads(), 0);
    QVERIFY(shown(*window, "setEmailWidget"));
  }

  // ---- each section saved, as the service reads it -------------------------------------

  void saveEachSection() {
    FakeService service;
    auto window = openSettings();
    int reloads = 0;

    struct Case {
      const char* name;
      const char* menuButton;
      std::function<void(QWidget&)> set;
      std::map<int, std::string> expected;
    };
    const QString user = QString::fromUtf8("J\xC3\xBCrgen M\xC3\xBCller \xE6\x97\xA5\xE5\xBF\x97");
    // As long as the field takes, with every character XML must escape.
    QString password;
    while (password.size() < 128) password += QStringLiteral("p&<>\"'w0rd;");
    password.truncate(128);
    const Case cases[] = {
        {"e-mail, account, weekly", "setEmailBtn",
         [&](QWidget& w) {
           setEmail(w, {true, user, password, "smtp.example.org:2525", "nas@example.org", "ann@example.org"});
           child<QCheckBox>(w, "setENCBox")->setChecked(true);
           child<QCheckBox>(w, "setENCBox_2")->setChecked(true);
           child<QCheckBox>(w, "setENCBox_3")->setChecked(true);
           child<QComboBox>(w, "setENCBoBox")->setCurrentIndex(1);
           child<QComboBox>(w, "dateCbBox_3")->setCurrentIndex(0);
           child<QSpinBox>(w, "weeklyHourSnBox_3")->setValue(2);
           child<QSpinBox>(w, "weeklyMinSnBox_3")->setValue(30);
         },
         {{GLOBAL_SEND_COMPLETE, "enable"}, {GLOBAL_EMAIL_PERIOD_ENABLE, "enable"},
          {GLOBAL_SCHEDULE, "weekly"}, {GLOBAL_TIME, "2001-01-06T17:30:00Z"},
          {GLOBAL_METHOD, "account"}, {GLOBAL_SSL, "enable"}, {GLOBAL_USER_NAME, u8(user)},
          {GLOBAL_PASSWORD, u8(password)}, {GLOBAL_SMTP_SERVER, "smtp.example.org:2525"},
          {GLOBAL_SENDER_EMAIL, "nas@example.org"}, {GLOBAL_RECEIVER_EMAIL, "ann@example.org"}}},
        {"e-mail, anonymous, monthly", "setEmailBtn",
         [&](QWidget& w) {
           setEmail(w, {false, "", "", "mail.example.org", "a@b", "c@d"});
           child<QCheckBox>(w, "setENCBox")->setChecked(false);
           child<QCheckBox>(w, "setENCBox_2")->setChecked(true);
           child<QCheckBox>(w, "setENCBox_3")->setChecked(false);
           child<QComboBox>(w, "setENCBoBox")->setCurrentIndex(0);
           child<QComboBox>(w, "dateCbBox_2")->setCurrentIndex(14);
           child<QSpinBox>(w, "monHourSnBox_2")->setValue(1);
           child<QSpinBox>(w, "monMinSnBox_2")->setValue(0);
         },
         {{GLOBAL_SEND_COMPLETE, "disable"}, {GLOBAL_EMAIL_PERIOD_ENABLE, "enable"},
          {GLOBAL_SCHEDULE, "monthly"}, {GLOBAL_TIME, "2001-01-14T16:00:00Z"},
          {GLOBAL_METHOD, "anonymous"}, {GLOBAL_SSL, "disable"}, {GLOBAL_USER_NAME, ""},
          {GLOBAL_PASSWORD, ""}, {GLOBAL_SMTP_SERVER, "mail.example.org"},
          {GLOBAL_SENDER_EMAIL, "a@b"}, {GLOBAL_RECEIVER_EMAIL, "c@d"}}},
        {"log stops when full", "setLogBtn", [](QWidget& w) { click(w, "setLogRBtn_2"); },
         {{GLOBAL_IF_FULL, "stop"}}},
        {"log replaces the oldest", "setLogBtn", [](QWidget& w) { click(w, "setLogRBtn"); },
         {{GLOBAL_IF_FULL, "clear"}}},
        {"restore deletes", "setBackupBtn",
         [](QWidget& w) { child<QCheckBox>(w, "setBARCBox_2")->setChecked(true); },
         {{GLOBAL_BACKUP_DELETE_SYNC, "enable"}, {GLOBAL_RESTORE_DELETE_SYNC, "enable"}}},
        {"power off, no automatic start", "setMiscBtn",
         [](QWidget& w) {
           child<QCheckBox>(w, "setMCBox")->setChecked(false);
           child<QCheckBox>(w, "setMCBox_2")->setChecked(true);
         },
         {{GLOBAL_AUTO_STARUP, "disable"}, {GLOBAL_SHUTDOWN, "enable"}}},
    };

    std::map<int, std::string> expected = serviceSettings();
    QCOMPARE(expected[GLOBAL_IF_FULL], std::string("clear"));
    for (const Case& c : cases) {
      click(*window, c.menuButton);
      c.set(*window);
      click(*window, "settingSTBtn");
      QVERIFY2(service.waitReloads(++reloads), c.name);
      for (const auto& [option, value] : c.expected) expected[option] = value;
      const std::map<int, std::string> actual = serviceSettings();
      for (int i = 0; i < GLOBAL_OPTION_MAX; ++i) {
        if (i == GLOBAL_MISC) continue;
        QVERIFY2(actual.at(i) == expected.at(i),
                 qPrintable(QString("%1: option %2 is \"%3\", not \"%4\"")
                                .arg(c.name).arg(i)
                                .arg(QString::fromStdString(actual.at(i)), QString::fromStdString(expected.at(i)))));
      }
      QVERIFY2(shown(*window, "setMainWidget"), c.name);
    }

    // The saved e-mail page comes back as it was saved: the last save was monthly, day 15,
    // 01:00, anonymous (its account fields off).
    click(*window, "setEmailBtn");
    QCOMPARE(child<QComboBox>(*window, "setENCBoBox")->currentIndex(), 0);
    QCOMPARE(child<QComboBox>(*window, "dateCbBox_2")->currentIndex(), 14);
    QCOMPARE(child<QSpinBox>(*window, "monHourSnBox_2")->value(), 1);
    QVERIFY(child<QRadioButton>(*window, "setENRBtn_2")->isChecked());
    QVERIFY(!child<QLineEdit>(*window, "setENLEdit")->isEnabled());
    QVERIFY(!child<QLineEdit>(*window, "setENLEdit_2")->isEnabled());
    QVERIFY(shown(*window, "dateCbBox_2"));
    QVERIFY(!shown(*window, "weeklyTimeWidget_2"));
    QVERIFY(!shown(*window, "dailyHourSnBox_2"));
    click(*window, "settingCTBtn");
  }

  // Weekly Sunday saved in the window and shown again as Sunday; the other kinds' widgets
  // start again from their first values after the save; the account's long password and
  // non-ASCII name come back into the fields.
  void emailPageRoundTrip() {
    FakeService service;
    auto window = openSettings();
    const QString user = QString::fromUtf8("\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0 & Jos\xC3\xA9");
    const QString password(128, QChar(u'\u00e9'));
    click(*window, "setEmailBtn");
    setEmail(*window, {true, user, password, "127.0.0.1", "nas@example.org", "ann@example.org"});
    child<QComboBox>(*window, "dateCbBox_2")->setCurrentIndex(9);
    child<QSpinBox>(*window, "dailyHourSnBox_2")->setValue(7);
    child<QComboBox>(*window, "setENCBoBox")->setCurrentIndex(1);
    QVERIFY(shown(*window, "weeklyTimeWidget_2"));
    QVERIFY(!shown(*window, "dateCbBox_2"));
    child<QComboBox>(*window, "dateCbBox_3")->setCurrentIndex(0);
    child<QSpinBox>(*window, "weeklyHourSnBox_3")->setValue(2);
    child<QSpinBox>(*window, "weeklyMinSnBox_3")->setValue(30);
    click(*window, "settingSTBtn");
    QVERIFY(service.waitReloads(1));
    QCOMPARE(child<QComboBox>(*window, "dateCbBox_2")->currentIndex(), 0);
    QCOMPARE(child<QSpinBox>(*window, "dailyHourSnBox_2")->value(), 0);
    QCOMPARE(serviceSettings()[GLOBAL_TIME], std::string("2001-01-06T17:30:00Z"));

    // Another window reads it all back.
    window.reset();
    window = openSettings();
    click(*window, "setEmailBtn");
    QCOMPARE(child<QComboBox>(*window, "setENCBoBox")->currentIndex(), 1);
    QCOMPARE(child<QComboBox>(*window, "dateCbBox_3")->currentIndex(), 0);
    QCOMPARE(child<QSpinBox>(*window, "weeklyHourSnBox_3")->value(), 2);
    QCOMPARE(child<QSpinBox>(*window, "weeklyMinSnBox_3")->value(), 30);
    QVERIFY(shown(*window, "weeklyTimeWidget_2"));
    QCOMPARE(child<QLineEdit>(*window, "setENLEdit")->text(), user);
    QCOMPARE(child<QLineEdit>(*window, "setENLEdit_2")->text(), password);
    QVERIFY(child<QLineEdit>(*window, "setENLEdit")->isEnabled());
  }

  // Cancel leaves the file and the reload alone and shows the stored values again.
  void cancelPutsStoredValuesBack() {
    FakeService service;
    auto window = openSettings();
    click(*window, "setLogBtn");
    QVERIFY(child<QRadioButton>(*window, "setLogRBtn")->isChecked());
    click(*window, "setLogRBtn_2");
    const QByteArray before = readBytes(settingsPath());
    click(*window, "settingCTBtn");
    QVERIFY(shown(*window, "setMainWidget"));
    QVERIFY(!shown(*window, "settingSTBtn"));
    QCOMPARE(readBytes(settingsPath()), before);
    QCOMPARE(service.reloads(), 0);
    click(*window, "setLogBtn");
    QVERIFY(child<QRadioButton>(*window, "setLogRBtn")->isChecked());
  }

  // A settings file that cannot be rewritten: the failure is shown, no reload is sent and
  // the page stays.
  void saveFailureIsShown() {
    FakeService service;
    auto window = openSettings();
    click(*window, "setLogBtn");
    QFile::remove(settingsPath());
    QVERIFY(QDir().mkpath(settingsPath()));
    ModalScript script({ModalScript::box(QMessageBox::Ok)});
    click(*window, "settingSTBtn");
    QVERIFY2(script.boxTexts().startsWith("Error / The settings could not be saved: "),
             qPrintable(script.boxTexts()));
    QCOMPARE(service.reloads(), 0);
    QVERIFY(shown(*window, "setLogWidget"));
  }

  // ---- defaults ------------------------------------------------------------------------

  void defaults() {
    writeBytes(settingsPath(), testData("global_setting_saved.dat"));
    FakeService service;
    auto window = openSettings();

    // Page 0: "<< Back" leads to the menu without a question.
    click(*window, "setConfigBtn");
    QCOMPARE(child<QToolButton>(*window, "settingDTBtn")->text(), QString("<< Back"));
    QVERIFY(!shown(*window, "settingSTBtn"));
    {
      ModalScript script({ModalScript::box(QMessageBox::No)});
      click(*window, "settingDTBtn");
      QTest::qWait(100);
      QCOMPARE(script.seen().size(), 0);
      QVERIFY(shown(*window, "setMainWidget"));
    }

    // No keeps everything.
    click(*window, "setLogBtn");
    const QByteArray before = readBytes(settingsPath());
    {
      ModalScript script({ModalScript::box(QMessageBox::No)});
      click(*window, "settingDTBtn");
      QCOMPARE(script.boxTexts(), QString("Warning / Are you sure you want to restore to default settings?"));
      QCOMPARE(readBytes(settingsPath()), before);
      QVERIFY(shown(*window, "setLogWidget"));
      QCOMPARE(service.reloads(), 0);
    }

    // Yes writes the section's defaults only.
    struct Row {
      const char* button;
      std::map<int, std::string> expected;
    };
    const Row rows[] = {
        {"setLogBtn", {{GLOBAL_IF_FULL, "clear"}}},
        {"setBackupBtn", {{GLOBAL_BACKUP_DELETE_SYNC, "enable"}, {GLOBAL_RESTORE_DELETE_SYNC, "disable"}}},
        {"setEmailBtn",
         {{GLOBAL_SEND_COMPLETE, "disable"}, {GLOBAL_EMAIL_PERIOD_ENABLE, "disable"},
          {GLOBAL_SCHEDULE, ""}, {GLOBAL_TIME, ""}, {GLOBAL_METHOD, ""}, {GLOBAL_SSL, ""},
          {GLOBAL_USER_NAME, ""}, {GLOBAL_PASSWORD, ""}, {GLOBAL_SMTP_SERVER, ""},
          {GLOBAL_SENDER_EMAIL, ""}, {GLOBAL_RECEIVER_EMAIL, ""}}},
        {"setMiscBtn", {{GLOBAL_AUTO_STARUP, "enable"}, {GLOBAL_SHUTDOWN, "disable"}}},
    };
    std::map<int, std::string> expected = serviceSettings();
    QCOMPARE(expected[GLOBAL_LANGUAGE], std::string("German"));
    int reloads = 0;
    for (const Row& row : rows) {
      click(*window, row.button);
      ModalScript script({ModalScript::box(QMessageBox::Yes)});
      click(*window, "settingDTBtn");
      QVERIFY2(service.waitReloads(++reloads), row.button);
      for (const auto& [option, value] : row.expected) expected[option] = value;
      const std::map<int, std::string> actual = serviceSettings();
      for (int i = 0; i < GLOBAL_OPTION_MAX; ++i) {
        if (i != GLOBAL_MISC) QVERIFY2(actual.at(i) == expected.at(i), row.button);
      }
      QVERIFY(shown(*window, "setMainWidget"));
    }
    // The default automatic start is on: the entry is there.
    QVERIFY(QFileInfo::exists(autostart::entryPath()));
  }

  // ---- automatic start -----------------------------------------------------------------

  void autostartPath_data() {
    QTest::addColumn<QString>("xdgConfigHome");
    QTest::addColumn<QString>("path");
    QTest::newRow("absolute") << "/srv/cfg" << "/srv/cfg/autostart/TessalySync.desktop";
    QTest::newRow("trailing slash") << "/srv/cfg/" << "/srv/cfg/autostart/TessalySync.desktop";
    QTest::newRow("unset") << "" << "/home/ann/.config/autostart/TessalySync.desktop";
    QTest::newRow("relative is not valid") << "cfg" << "/home/ann/.config/autostart/TessalySync.desktop";
  }

  void autostartPath() {
    QFETCH(QString, xdgConfigHome);
    QFETCH(QString, path);
    QCOMPARE(autostart::entryPath(xdgConfigHome, "/home/ann"), path);
  }

  void autostartExec_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/usr/bin/TessalySync" << "\"/usr/bin/TessalySync\"";
    QTest::newRow("blanks") << "/opt/Tessaly Sync/TessalySync" << "\"/opt/Tessaly Sync/TessalySync\"";
    QTest::newRow("dollar and backtick") << "/opt/$HOME/`id`/x" << "\"/opt/\\\\$HOME/\\\\`id\\\\`/x\"";
    QTest::newRow("quote") << "/opt/a\"b/x" << "\"/opt/a\\\\\"b/x\"";
    QTest::newRow("backslash") << "/opt/a\\b/x" << "\"/opt/a\\\\\\\\b/x\"";
    QTest::newRow("percent") << "/opt/100%/%f" << "\"/opt/100%%/%%f\"";
    QTest::newRow("non-ASCII") << QString::fromUtf8("/home/j\xC3\xBCrgen/\xE6\x97\xA5/TessalySync")
                               << QString::fromUtf8("\"/home/j\xC3\xBCrgen/\xE6\x97\xA5/TessalySync\"");
    QTest::newRow("line feed and tab") << "/opt/a\nb\tc" << "\"/opt/a\\nb\\tc\"";
  }

  // The Exec value, and a reader following the desktop-entry rules gets the path back.
  void autostartExec() {
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QCOMPARE(autostart::execValue(program), exec);
    QCOMPARE(programOfExec(autostart::execValue(program)), program);
    QCOMPARE(execLine(autostart::entryText(program)), exec);
  }

  // The miscellaneous page writes the entry for this program and removes it; the folder is
  // made when missing; a failure is shown.
  void autostartFromPage() {
    FakeService service;
    const QString folder = QFileInfo(autostart::entryPath()).path();
    QDir(folder).removeRecursively();
    auto window = openSettings();

    click(*window, "setMiscBtn");
    child<QCheckBox>(*window, "setMCBox")->setChecked(true);
    click(*window, "settingSTBtn");
    QVERIFY(service.waitReloads(1));
    const QByteArray entry = readBytes(autostart::entryPath());
    QVERIFY2(entry.startsWith("[Desktop Entry]\n"), entry.constData());
    QVERIFY(entry.contains("\nType=Application\n"));
    QVERIFY(entry.contains("\nName=TessalySync\n"));
    QCOMPARE(programOfExec(execLine(entry)), QCoreApplication::applicationFilePath());
    struct stat st {};
    QCOMPARE(stat(QFile::encodeName(autostart::entryPath()).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0644);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);

    click(*window, "setMiscBtn");
    QVERIFY(child<QCheckBox>(*window, "setMCBox")->isChecked());
    child<QCheckBox>(*window, "setMCBox")->setChecked(false);
    click(*window, "settingSTBtn");
    QVERIFY(service.waitReloads(2));
    QVERIFY(!QFileInfo::exists(autostart::entryPath()));

    // Removing what is not there is no failure.
    click(*window, "setMiscBtn");
    {
      ModalScript script({ModalScript::box(QMessageBox::Ok)});
      click(*window, "settingSTBtn");
      QVERIFY(service.waitReloads(3));
      QTest::qWait(50);
      QCOMPARE(script.seen().size(), 0);
    }

    // An autostart folder that cannot be made.
    const QByteArray home = qgetenv("XDG_CONFIG_HOME");
    const QString blocker = controller_test::tempRoot() + "/not-a-folder";
    writeBytes(blocker, "x");
    qputenv("XDG_CONFIG_HOME", blocker.toUtf8());
    click(*window, "setMiscBtn");
    child<QCheckBox>(*window, "setMCBox")->setChecked(true);
    ModalScript script({ModalScript::box(QMessageBox::Ok)});
    click(*window, "settingSTBtn");
    qputenv("XDG_CONFIG_HOME", home);
    QVERIFY2(script.boxTexts().startsWith("Error / The automatic start could not be changed: "),
             qPrintable(script.boxTexts()));
  }

  // ---- export and import of the tasks --------------------------------------------------

  void exportAndImport() {
    FakeService service;
    const QByteArray tasks = testData("session_config_two_tasks.dat");
    QVERIFY(!tasks.isEmpty());
    writeBytes(sessionPath(), tasks);
    UpdateSessionConfig reference(controller_test::dataFolder());
    QVERIFY(reference.ReadSessionConfig());
    const SessionList original = *reference.GetSessionList();
    QCOMPARE(original.size(), 2);

    auto window = openSettings();
    click(*window, "setConfigBtn");
    const QString exported = controller_test::tempRoot() + "/tasks-export.dat";
    QFile::remove(exported);
    {
      ModalScript script({ModalScript::file(exported)});
      click(*window, "setSCEBtn");
      QCOMPARE(script.seen().size(), 1);
      QCOMPARE(script.seen()[0].title, QString("Export Configuration"));
      // The file dialogs open in the user's home folder, not in the program's working folder.
      QCOMPARE(script.seen()[0].text, QDir::homePath());
      QVERIFY(QDir::homePath() != QDir::currentPath());
      QTest::qWait(50);
      QCOMPARE(script.boxTexts(), QString());
    }
    struct stat st {};
    QCOMPARE(stat(QFile::encodeName(exported).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
    QCOMPARE(readBytes(sessionPath()), tasks);

    // Another task file in place; the export brings the two tasks back.
    QVERIFY(QFile::remove(sessionPath()));
    {
      ModalScript script({ModalScript::file(exported), ModalScript::box(QMessageBox::Ok)});
      click(*window, "setSCIBtn");
      QCOMPARE(script.seen().value(0).title, QString("Import Configuration"));
      QCOMPARE(script.seen().value(0).text, QDir::homePath());
      QCOMPARE(script.boxTexts(), QString("Message / Import successfully!"));
    }
    QVERIFY(service.waitReloads(1));
    UpdateSessionConfig imported(controller_test::dataFolder());
    QVERIFY(imported.ReadSessionConfig());
    QCOMPARE(imported.GetSessionList()->size(), 2);
    for (int i = 0; i < 2; ++i) {
      const SessionRecord& a = original[i];
      const SessionRecord& b = imported.GetSessionList()->at(i);
      QCOMPARE(b.uuid, a.uuid);
      QCOMPARE(b.name, a.name);
      QCOMPARE(b.password, a.password);
      QCOMPARE(b.destinationPath, a.destinationPath);
      QCOMPARE(b.scheduleTimes, a.scheduleTimes);
      QCOMPARE(b.extensions, a.extensions);
    }
    // The task buttons wait for a new selection.
    QVERIFY(!child<QWidget>(*window, "bunowPBtn")->isEnabled());
    QVERIFY(!child<QWidget>(*window, "delbuPhBtn")->isEnabled());
    // The task list shows the imported tasks.
    click(*window, "curSessionBut");
    QVERIFY(shown(*window, "currWidget"));
    QVERIFY(formTexts(*window).values().join("\n").contains(original[0].name));

    // The settings file is not a task file: refused, nothing changed, no reload.
    click(*window, "advancedBut");
    click(*window, "setConfigBtn");
    const QByteArray before = readBytes(sessionPath());
    {
      ModalScript script({ModalScript::file(settingsPath()), ModalScript::box(QMessageBox::Ok)});
      click(*window, "setSCIBtn");
      QCOMPARE(script.boxTexts(), QString("Error / Please select a correct file!"));
    }
    QCOMPARE(readBytes(sessionPath()), before);
    QCOMPARE(service.reloads(), 1);

    // The export never goes over the task file itself; the refusal is shown.
    {
      ModalScript script({ModalScript::file(sessionPath()), ModalScript::box(QMessageBox::Yes),
                          ModalScript::box(QMessageBox::Ok)});
      click(*window, "setSCEBtn");
      QVERIFY2(script.boxTexts().contains("Error / The backup configuration could not be exported: "),
               qPrintable(script.boxTexts()));
    }
    QCOMPARE(readBytes(sessionPath()), before);

    // A task file that cannot be replaced: the failure is shown.
    QVERIFY(QFile::remove(sessionPath()));
    QVERIFY(QDir().mkpath(sessionPath()));
    {
      ModalScript script({ModalScript::file(exported), ModalScript::box(QMessageBox::Ok)});
      click(*window, "setSCIBtn");
      QVERIFY2(script.boxTexts().startsWith("Error / The backup configuration could not be imported: "),
               qPrintable(script.boxTexts()));
    }
    QVERIFY(QFileInfo(sessionPath()).isDir());
    QVERIFY(QDir(sessionPath()).removeRecursively());
  }

  // An import while a task's rename is open in the wizard ends the edit: back on the list,
  // New Backup starts a new task at its first press, whether the file holds the task that
  // was being renamed or only others.
  void importEndsAnEdit_data() {
    QTest::addColumn<bool>("sameTasks");
    QTest::newRow("the edited task imported again") << true;
    QTest::newRow("other tasks imported") << false;
  }
  void importEndsAnEdit() {
    QFETCH(bool, sameTasks);
    FakeService service;
    const QByteArray tasks = testData("session_config_two_tasks.dat");
    writeBytes(sessionPath(), tasks);
    QByteArray imported = tasks;
    if (!sameTasks) imported.replace("6f1c2b7e-", "7a2d3c8f-").replace("a03d5c91-", "b14e6da2-");
    const QString file = controller_test::tempRoot() + "/import-during-edit.dat";
    writeBytes(file, imported);

    auto window = openSettings();
    click(*window, "curSessionBut");
    QVERIFY(shown(*window, "currWidget"));
    QWidget* icon = child<QWidget>(*window, "sourcePBtn");
    QTest::mouseDClick(window.get(), Qt::LeftButton, Qt::NoModifier,
                       icon->mapTo(window.get(), icon->rect().center()));
    QVERIFY(shown(*window, "newDisplay"));
    QCOMPARE(child<QToolButton>(*window, "newBtnNext")->text(), QString("Finish"));

    click(*window, "advancedBut");
    click(*window, "setConfigBtn");
    {
      ModalScript script({ModalScript::file(file), ModalScript::box(QMessageBox::Ok)});
      click(*window, "setSCIBtn");
      QCOMPARE(script.boxTexts(), QString("Message / Import successfully!"));
    }
    const QByteArray afterImport = readBytes(sessionPath());
    click(*window, "curSessionBut");
    QVERIFY(shown(*window, "currWidget"));

    click(*window, "newbuPBtn");
    QVERIFY(shown(*window, "newDisplay"));
    QVERIFY(shown(*window, "backupsLabel_4"));  // the "New Backup" badge of a new task
    QCOMPARE(child<QLineEdit>(*window, "newOneEdit")->text(), QString());
    QCOMPARE(child<QToolButton>(*window, "newBtnNext")->text(), QString("Next >>"));
    child<QLineEdit>(*window, "newOneEdit")->setText("Fresh");
    click(*window, "newBtnNext");
    QVERIFY(shown(*window, "localFolders"));  // on to the source folders
    QCOMPARE(readBytes(sessionPath()), afterImport);
  }

  // ---- language ------------------------------------------------------------------------

  // German at start, then English, then Russian, each chosen on the language page: every
  // text of the form is the one of the built translation (English: the form's own), the
  // language's style sheet is the application's, and the service reads the language.
  void languageSwitch() {
    QVERIFY2(QFileInfo::exists(languageDir() + "/Language_German.qm"), qPrintable(languageDir()));
    QVERIFY(!englishFormTexts().isEmpty());  // made while no translator is installed

    QByteArray bytes = defaultSettings();
    bytes.replace("<language>English</language>", "<language>German</language>");
    writeBytes(settingsPath(), bytes);
    LanguageSwitch* languages = LanguageSwitch::instance();
    languages->setLanguageDir(languageDir());
    QCOMPARE(languages->applyStored(controller_test::dataFolder()).name, QString("German"));

    FakeService service;
    auto window = openSettings();
    QTranslator german;
    QVERIFY(german.load(languageDir() + "/Language_German"));
    QCOMPARE(textDifferences(*window, &german), QString());
    QCOMPARE(child<QToolButton>(*window, "setSCEBtn")->text(), german.translate("Dialog", "Export"));
    QVERIFY(german.translate("Dialog", "Export") != "Export");

    struct Step {
      int index;
      const char* name;
      const char* sheet;
    };
    const Step steps[] = {{0, "English", ":/English.qss"}, {7, "Russian", ":/Russian.qss"}};
    int reloads = 0;
    for (const Step& step : steps) {
      click(*window, "setLanguageBtn");
      QCOMPARE(child<QComboBox>(*window, "setLCBoBox")->currentIndex(), languageNameIndex());
      child<QComboBox>(*window, "setLCBoBox")->setCurrentIndex(step.index);
      click(*window, "settingSTBtn");
      QVERIFY(service.waitReloads(++reloads));
      QCOMPARE(serviceSettings()[GLOBAL_LANGUAGE], std::string(step.name));
      QCoreApplication::processEvents();

      QTranslator translator;
      const bool translated = QString(step.name) != "English";
      if (translated) QVERIFY(translator.load(languageDir() + "/Language_" + step.name));
      QVERIFY2(textDifferences(*window, translated ? &translator : nullptr).isEmpty(),
               qPrintable(QString(step.name) + ":\n" + textDifferences(*window, translated ? &translator : nullptr)));
      QCOMPARE(qApp->styleSheet(), resourceText(step.sheet));
      QVERIFY(shown(*window, "setMainWidget"));
      currentLanguage_ = step.index;
    }
    // The last language was Russian: its longer texts widen the bottom buttons.
    QVERIFY2(bottomButtonsFit(*window), "the bottom buttons cut their Russian texts");
    QVERIFY(child<QToolButton>(*window, "settingSTBtn")->width() > 96);

    // Defaults on the language page: English again.
    click(*window, "setLanguageBtn");
    {
      ModalScript script({ModalScript::box(QMessageBox::Yes)});
      click(*window, "settingDTBtn");
    }
    QVERIFY(service.waitReloads(++reloads));
    QCoreApplication::processEvents();
    QCOMPARE(serviceSettings()[GLOBAL_LANGUAGE], std::string("English"));
    QCOMPARE(textDifferences(*window, nullptr), QString());
    QCOMPARE(qApp->styleSheet(), resourceText(":/English.qss"));
    QCOMPARE(child<QToolButton>(*window, "settingSTBtn")->geometry(), QRect(QPoint(269, 482), QPoint(365, 509)));
    QVERIFY(bottomButtonsFit(*window));
  }

 private:
  // Save, Cancel and Default: equally wide, side by side without overlapping, ending at the
  // panel's edge, and each wide enough for its text.
  static bool bottomButtonsFit(const Dialog& window) {
    const QToolButton* save = child<QToolButton>(window, "settingSTBtn");
    const QToolButton* cancel = child<QToolButton>(window, "settingCTBtn");
    const QToolButton* defaults = child<QToolButton>(window, "settingDTBtn");
    for (const QToolButton* button : {save, cancel, defaults}) {
      if (button->width() != save->width()) return false;
      if (button->fontMetrics().horizontalAdvance(button->text()) + 12 > button->width()) return false;
    }
    return save->geometry().right() < cancel->x() && cancel->geometry().right() < defaults->x() &&
           defaults->geometry().right() <= 585;
  }

  int languageNameIndex() const { return currentLanguage_; }
  int currentLanguage_ = 4;  // German
};

TESSALY_TEST_MAIN(SettingsPageTest, QApplication)
#include "settings_test.moc"
