// The global settings store (updateglobalsetting) against real files in the test's data
// folder. Every file it writes is read back twice: by the service's own loader
// (load_global_settings / get_global_config of the daemon library) and by ReadGlobalSetting.
#include <sys/stat.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>

#include <map>
#include <string>
#include <vector>

#include "config_format.h"
#include "configuration.h"
#include "controller_test.h"
#include "datafolder.h"
#include "updateglobalsetting.h"
#include "xmltree.h"

namespace layout = tessaly::config_format;

namespace {

// What the service keeps from its default file, by index (GLOBAL_MISC, which takes the text
// of whichever `misc` comes last, is left out of every comparison).
const std::vector<std::string> kDefaults = {"1.0",     "E8AEBEE7BDAE",
                                            "BRELKIN", "settings",
                                            "",        "English",
                                            "disable", "disable",
                                            "",        "",
                                            "",        "",
                                            "",        "",
                                            "",        "",
                                            "",        "clear",
                                            "enable",  "disable",
                                            "enable",  "disable"};

// The values a settings page passes.
struct PageValues {
  QString language = "German";
  bool sendComplete = true;
  bool emailPeriodEnable = true;
  QString schedule = "monthly";
  QString time = "2001-01-15T16:00:00Z";
  QString method = "account";
  QString userName = QString::fromUtf8("J\xC3\xBCrgen \xE6\x97\xA5\xE5\xBF\x97");
  QString password = "s&cret <pw> \"q\"";
  QString smtpServer = "127.0.0.1";
  QString senderEmail = "nas@example.org";
  QString receiverEmail = "ann@example.org";
  bool ssl = true;
  QString ifFull = "stop";
  bool backupDeleteSync = false;
  bool restoreDeleteSync = true;
  bool autoStartup = false;
  bool shutdown = true;
};

bool save(updateglobalsetting& store, int section, const PageValues& v) {
  return store.WriteGlobalSetting(
      section, v.language, v.sendComplete, v.emailPeriodEnable, v.schedule, v.time, v.method,
      v.userName, v.password, v.smtpServer, v.senderEmail, v.receiverEmail, v.ssl, v.ifFull,
      v.backupDeleteSync, v.restoreDeleteSync, v.autoStartup, v.shutdown);
}

std::string u8(const QString& s) { return s.toUtf8().toStdString(); }

// The settings the service reads from the file now, GLOBAL_MISC blanked.
std::vector<std::string> serviceValues() {
  global_settings_reset();
  if (!load_global_settings()) return {"load_global_settings failed"};
  std::vector<std::string> out;
  for (int i = 0; i < GLOBAL_OPTION_MAX; ++i) {
    out.push_back(i == GLOBAL_MISC ? "" : get_global_config(static_cast<Global_option>(i)));
  }
  return out;
}

// The controller's record in the service's index order (indices 5 to 21; the header ones "").
std::vector<std::string> controllerValues(updateglobalsetting& store) {
  const GlobalSettingRecord* r = store.ReadGlobalSetting();
  const EmailSettingRecord& m = r->email;
  return {"1.0",
          "E8AEBEE7BDAE",
          "BRELKIN",
          "settings",
          "",
          u8(r->language),
          u8(m.sendComplete),
          u8(m.emailPeriodEnable),
          u8(m.schedule),
          u8(m.time),
          u8(m.method),
          u8(m.ssl),
          u8(m.userName),
          u8(m.password),
          u8(m.smtpServer),
          u8(m.senderEmail),
          u8(m.receiverEmail),
          u8(r->ifFull),
          u8(r->backupDeleteSync),
          u8(r->restoreDeleteSync),
          u8(r->autoStartup),
          u8(r->shutdown)};
}

// The service's values after a page's values were saved into section `section`.
std::map<int, std::string> savedValues(int section, const PageValues& v) {
  auto w = [](bool on) { return std::string(on ? "enable" : "disable"); };
  switch (section) {
    case 1: return {{GLOBAL_LANGUAGE, u8(v.language)}};
    case 2: {
      std::map<int, std::string> m = {{GLOBAL_SEND_COMPLETE, w(v.sendComplete)},
                                      {GLOBAL_EMAIL_PERIOD_ENABLE, w(v.emailPeriodEnable)},
                                      {GLOBAL_SCHEDULE, u8(v.schedule)},
                                      {GLOBAL_TIME, u8(v.time)},
                                      {GLOBAL_METHOD, u8(v.method)},
                                      {GLOBAL_SSL, w(v.ssl)},
                                      {GLOBAL_SMTP_SERVER, u8(v.smtpServer)},
                                      {GLOBAL_SENDER_EMAIL, u8(v.senderEmail)},
                                      {GLOBAL_RECEIVER_EMAIL, u8(v.receiverEmail)}};
      if (v.method == "account") {
        m[GLOBAL_USER_NAME] = u8(v.userName);
        m[GLOBAL_PASSWORD] = u8(v.password);
      }
      return m;
    }
    case 3: return {{GLOBAL_IF_FULL, u8(v.ifFull)}};
    case 4:
      return {{GLOBAL_BACKUP_DELETE_SYNC, w(v.backupDeleteSync)},
              {GLOBAL_RESTORE_DELETE_SYNC, w(v.restoreDeleteSync)}};
    case 5: return {{GLOBAL_AUTO_STARUP, w(v.autoStartup)}, {GLOBAL_SHUTDOWN, w(v.shutdown)}};
    default: return {};
  }
}

std::vector<std::string> withChanges(std::vector<std::string> base,
                                     const std::map<int, std::string>& changes) {
  for (const auto& [index, value] : changes) base[static_cast<size_t>(index)] = value;
  return base;
}

// The settings of a page saved in every section, in the service's index order.
std::vector<std::string> allSaved(const PageValues& v) {
  std::vector<std::string> out = kDefaults;
  for (int s = 1; s <= 5; ++s) out = withChanges(out, savedValues(s, v));
  return out;
}

// The email section's smtp values reset by the defaults of section 2.
std::map<int, std::string> defaultsOf(int section) {
  std::map<int, std::string> m;
  auto put = [&](std::initializer_list<int> indices) {
    for (int i : indices) m[i] = kDefaults[static_cast<size_t>(i)];
  };
  switch (section) {
    case 1: put({GLOBAL_LANGUAGE}); break;
    case 2:
      put({GLOBAL_SEND_COMPLETE, GLOBAL_EMAIL_PERIOD_ENABLE, GLOBAL_SCHEDULE, GLOBAL_TIME,
           GLOBAL_METHOD, GLOBAL_SSL, GLOBAL_USER_NAME, GLOBAL_PASSWORD, GLOBAL_SMTP_SERVER,
           GLOBAL_SENDER_EMAIL, GLOBAL_RECEIVER_EMAIL});
      break;
    case 3: put({GLOBAL_IF_FULL}); break;
    case 4: put({GLOBAL_BACKUP_DELETE_SYNC, GLOBAL_RESTORE_DELETE_SYNC}); break;
    case 5: put({GLOBAL_AUTO_STARUP, GLOBAL_SHUTDOWN}); break;
    default: break;
  }
  return m;
}

QByteArray defaultText() {
  return QByteArray::fromStdString(std::string(layout::global_setting_default()));
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<std::string>)

class SettingsStoreTest : public QObject {
  Q_OBJECT

  QString dir_;
  QString path_;

  void writeFile(const QByteArray& bytes) {
    QFile f(path_);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
  }
  QByteArray readFile() {
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly)) return "<none>";
    return f.readAll();
  }
  // The file parses whole, its header misc is an empty element with both tags, and nothing
  // but the settings file is left in the folder.
  void checkWrittenFile() {
    const QByteArray bytes = readFile();
    ConfigDocument doc;
    QString why;
    QVERIFY2(parseConfigFile(bytes, &doc, &why), qPrintable(why));
    const XmlNode* misc = doc.description.child("misc");
    QVERIFY(misc);
    QCOMPARE(misc->text, QString());
    QVERIFY(bytes.left(bytes.indexOf("</description>")).contains("<misc></misc>"));
    QCOMPARE(QDir(dir_).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{"GLOBAL_SETTING.dat"});
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(path_).constData(), &st), 0);
    QVERIFY2((st.st_mode & 07777) == 0600 || (st.st_mode & 07777) == 0660,
             qPrintable(QString::number(st.st_mode & 07777, 8)));
  }

 private slots:
  // The data folder is made on first use, with the rights of the configuration folder.
  void initTestCase() {
    const QString expected = qEnvironmentVariable("TESSALY_ROOT") + "/var/lib/Tessaly";
    QVERIFY(!QFile::exists(expected));
    dir_ = dataFolderPath();
    QCOMPARE(dir_, expected);
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(dir_).constData(), &st), 0);
    QVERIFY2((st.st_mode & 07777) == 0700 || (st.st_mode & 07777) == 02770,
             qPrintable(QString::number(st.st_mode & 07777, 8)));
    QCOMPARE(dataFolderPath(), expected);
    path_ = QDir(dir_).filePath("GLOBAL_SETTING.dat");
  }
  // "" when the folder cannot be had (here its parent would have to be a regular file).
  void dataFolderThatCannotBeMade() {
    const QByteArray root = qgetenv("TESSALY_ROOT");
    const QString file = controller_test::tempRoot() + "/a-file";
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("TESSALY_ROOT", file.toUtf8());
    const QString got = dataFolderPath();
    qputenv("TESSALY_ROOT", root);
    QCOMPARE(got, QString());
  }
  void init() { QFile::remove(path_); }

  // Each section saved from the page (over the default file) and restored to its defaults
  // (over a file where every section was saved): exactly that section changes, for both
  // readers, and the file stays whole.
  void sectionWrites_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<bool>("defaults");
    QTest::addColumn<QString>("method");
    for (int s = 0; s <= 6; ++s) {
      QTest::addRow("save section %d", s) << s << false << "account";
      QTest::addRow("defaults of section %d", s) << s << true << "account";
    }
    QTest::addRow("save e-mail, anonymous") << 2 << false << "anonymous";
  }
  void sectionWrites() {
    QFETCH(int, section);
    QFETCH(bool, defaults);
    QFETCH(QString, method);
    PageValues v;
    v.method = method;
    updateglobalsetting store(dir_);
    writeFile(defaultText());
    std::vector<std::string> before = kDefaults;
    if (defaults) {
      for (int s = 1; s <= 5; ++s) QVERIFY(save(store, s, v));
      before = allSaved(v);
      QCOMPARE(serviceValues(), before);
    }
    const bool ok = defaults ? store.WriteDefaultSetting(section) : save(store, section, v);
    QVERIFY2(ok, qPrintable(store.lastError()));
    const std::vector<std::string> expected =
        withChanges(before, defaults ? defaultsOf(section) : savedValues(section, v));
    QCOMPARE(serviceValues(), expected);
    QCOMPARE(controllerValues(store), expected);
    checkWrittenFile();
    if (section == 2 && !defaults && method == "anonymous") {
      QVERIFY(!readFile().contains("<user_name>"));
      QVERIFY(!readFile().contains("<password>"));
    }
    if (section == 2 && defaults) QVERIFY(!readFile().contains("<smtp>"));
  }

  // A saved section keeps its words; a later save of another section keeps the non-ASCII
  // SMTP user name and the escaped password byte for byte.
  void otherSectionsSurvive() {
    updateglobalsetting store(dir_);
    writeFile(defaultText());
    PageValues v;
    QVERIFY(save(store, 2, v));
    PageValues other;
    other.userName = "someone else";
    other.ifFull = "clear";
    QVERIFY(save(store, 3, other));
    QVERIFY(save(store, 1, other));
    const GlobalSettingRecord* r = store.ReadGlobalSetting();
    QCOMPARE(r->email.userName, v.userName);
    QCOMPARE(r->email.password, v.password);
    QCOMPARE(QString::fromStdString(serviceValues()[GLOBAL_USER_NAME]), v.userName);
    QCOMPARE(r->ifFull, QString("clear"));
    QVERIFY(readFile().contains(v.userName.toUtf8()));
  }

  // A missing, empty or blank file stands for the service's default text: the section is
  // written into it, never an empty file.
  void missingOrEmptyFile_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("missing") << false << QByteArray();
    QTest::addRow("empty") << true << QByteArray();
    QTest::addRow("blank") << true << QByteArray("\n  \n");
  }
  void missingOrEmptyFile() {
    QFETCH(bool, exists);
    QFETCH(QByteArray, bytes);
    if (exists) writeFile(bytes);
    updateglobalsetting store(dir_);
    const GlobalSettingRecord* r = store.ReadGlobalSetting();
    QCOMPARE(r->language, QString());
    QCOMPARE(r->ifFull, QString());
    PageValues v;
    QVERIFY2(save(store, 3, v), qPrintable(store.lastError()));
    QCOMPARE(serviceValues(), withChanges(kDefaults, savedValues(3, v)));
    QCOMPARE(controllerValues(store), withChanges(kDefaults, savedValues(3, v)));
    checkWrittenFile();
  }

  // A damaged file is never rewritten: the write is refused and the file is byte for byte
  // as it was.
  void damagedFileIsRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray full = defaultText();
    QTest::addRow("cut in the body") << full.left(full.indexOf("<log>") + 7);
    QTest::addRow("cut in the header") << full.left(40);
    QTest::addRow("no body") << full.left(full.indexOf("</description>") + 14);
    QTest::addRow("mismatched tag") << QByteArray(full).replace("</if_full>", "</if_ful>");
    QTest::addRow("raw ampersand") << QByteArray(full).replace("English", "R&D");
    QTest::addRow("undeclared entity") << QByteArray(full).replace("English", "&nbsp;English");
    QTest::addRow("second body") << full + "\n<configuration></configuration>";
    QTest::addRow("not XML") << QByteArray("settings, more or less\n");
    QTest::addRow("garbage after the body") << full + "\n<extra>";
  }
  void damagedFileIsRefused() {
    QFETCH(QByteArray, bytes);
    writeFile(bytes);
    updateglobalsetting store(dir_);
    PageValues v;
    QVERIFY(!save(store, 1, v));
    QVERIFY(!store.lastError().isEmpty());
    QVERIFY(!store.WriteDefaultSetting(4));
    QCOMPARE(readFile(), bytes);
    QCOMPARE(QDir(dir_).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{"GLOBAL_SETTING.dat"});
  }

  // A value that XML 1.0 cannot hold is refused rather than written into a file the service
  // would then reject whole.
  void unsafeValueIsRefused() {
    writeFile(defaultText());
    updateglobalsetting store(dir_);
    PageValues v;
    v.password = QString("pw") + QChar(0x01);
    QVERIFY(!save(store, 2, v));
    QCOMPARE(readFile(), defaultText());
  }

  // The header misc is emptied by every rewrite, also one of no section; the other header
  // values and the body stay as they were.
  void headerMiscIsEmptied() {
    QByteArray bytes = defaultText();
    bytes.replace("<misc></misc>", "<misc>0123456789abcdef</misc>");
    writeFile(bytes);
    updateglobalsetting store(dir_);
    QVERIFY(store.WriteDefaultSetting(0));
    ConfigDocument before, after;
    QVERIFY(parseConfigFile(bytes, &before));
    QVERIFY(parseConfigFile(readFile(), &after));
    QVERIFY(!readFile().contains("0123456789abcdef"));
    before.description.child("misc")->text.clear();
    QCOMPARE(writeConfigFile(after), writeConfigFile(before));
  }

  // delete_sync is told apart by its parent, also when `restore` comes first.
  void deleteSyncByParent() {
    QByteArray bytes = defaultText();
    const QByteArray backup = "\t<backup>\n\t\t<delete_sync>enable</delete_sync>\n\t</backup>\n";
    QVERIFY(bytes.contains(backup));
    bytes.replace(backup, "");
    bytes.replace("\t<misc>\n\t\t<auto", backup + "\t<misc>\n\t\t<auto");
    QVERIFY(bytes.indexOf("<restore>") < bytes.indexOf("<backup>"));
    writeFile(bytes);
    updateglobalsetting store(dir_);
    const GlobalSettingRecord* r = store.ReadGlobalSetting();
    QCOMPARE(r->backupDeleteSync, QString("enable"));
    QCOMPARE(r->restoreDeleteSync, QString("disable"));
    QCOMPARE(serviceValues(), kDefaults);
  }

  // A file without `smtp` leaves the seven server fields empty; the pointer never changes.
  void readWithoutSmtp() {
    writeFile(defaultText());
    updateglobalsetting store(dir_);
    GlobalSettingRecord* first = store.ReadGlobalSetting();
    QCOMPARE(controllerValues(store), kDefaults);
    QCOMPARE(store.ReadGlobalSetting(), first);
  }

  // A password of 2,000 characters crosses the service's 1024-byte reads and comes back whole.
  void longPasswordReachesTheService() {
    writeFile(defaultText());
    updateglobalsetting store(dir_);
    PageValues v;
    v.password = QString(2000, QChar('p'));
    QVERIFY(save(store, 2, v));
    QCOMPARE(serviceValues()[GLOBAL_PASSWORD], u8(v.password));
  }

  // Texts come back exactly as given: blanks only, a tab, "]]>", a character outside the
  // BMP, entities.
  void textsAreKeptExactly_data() {
    QTest::addColumn<QString>("password");
    QTest::addRow("two blanks") << "  ";
    QTest::addRow("tab and blanks") << " a\tb ";
    QTest::addRow("cdata end") << "x]]>y";
    QTest::addRow("outside the BMP") << QString::fromUtf8("\xF0\x9F\x94\x91 key");
    QTest::addRow("entity-like text") << "&amp;&#65;";
    QTest::addRow("empty") << "";
  }
  void textsAreKeptExactly() {
    QFETCH(QString, password);
    writeFile(defaultText());
    updateglobalsetting store(dir_);
    PageValues v;
    v.password = password;
    QVERIFY(save(store, 2, v));
    QVERIFY(save(store, 5, v));  // copied once more through a rewrite of another section
    QCOMPARE(store.ReadGlobalSetting()->email.password, password);
    QCOMPARE(QString::fromStdString(serviceValues()[GLOBAL_PASSWORD]), password);
  }

  // The section element missing from the file is added, so the saved value is not lost.
  void missingSectionIsAdded() {
    QByteArray bytes = defaultText();
    bytes.replace("\t<log>\n\t\t<if_full>clear</if_full>\n\t</log>\n", "");
    QVERIFY(!bytes.contains("<log>"));
    writeFile(bytes);
    updateglobalsetting store(dir_);
    PageValues v;
    QVERIFY(save(store, 3, v));
    QCOMPARE(serviceValues()[GLOBAL_IF_FULL], std::string("stop"));
  }

  // A file the store cannot write leaves the old one: here the folder is not writable.
  void unwritableFolder() {
    if (::geteuid() == 0) QSKIP("root writes into any folder");
    writeFile(defaultText());
    QFile::setPermissions(dir_, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    updateglobalsetting store(dir_);
    PageValues v;
    const bool ok = save(store, 1, v);
    QFile::setPermissions(dir_,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!ok);
    QCOMPARE(readFile(), defaultText());
  }
};

TESSALY_TEST_MAIN(SettingsStoreTest, QCoreApplication)
#include "backend_settings_test.moc"
