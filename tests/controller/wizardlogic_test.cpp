// The wizard's rules without a window, as tables: where Back and Next lead from each step in
// each mode, the name and extension checks, the run-time
// texts (local time UTC+9 here, so a missing conversion or a second "Z" shows in every text),
// the device texts, the local-network filter, the folder names a share path can carry, and
// the file-system types that count as network ones.
#include <linux/magic.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtNetwork/QHostAddress>

#include "controller_test.h"
#include "wizardlogic.h"

using namespace wizard_logic;

Q_DECLARE_METATYPE(wizard_logic::NameCheck)
Q_DECLARE_METATYPE(wizard_logic::WizardStep)
Q_DECLARE_METATYPE(wizard_logic::WizardMode)
Q_DECLARE_METATYPE(wizard_logic::StepResult)
Q_DECLARE_METATYPE(wizard_logic::NextMove)
Q_DECLARE_METATYPE(wizard_logic::ExtensionCheck)

namespace {

uint32_t ip(const char* text) { return QHostAddress(QString::fromLatin1(text)).toIPv4Address(); }

}  // namespace

class WizardLogicTest : public QObject {
  Q_OBJECT

 private slots:
  // Next from each step as a new task and an edit meet it: the share that opens without an
  // account skips the account step, a refused account shows it again, the last step and an
  // edit's one step finish, and a refusal or a slow part stays.
  void nextMoves_data() {
    using S = WizardStep;
    using M = WizardMode;
    using R = StepResult;
    const auto show = [](S step) { return NextMove{NextMove::Kind::Show, step}; };
    const auto stay = [](S step) { return NextMove{NextMove::Kind::Stay, step}; };
    const auto finish = [](S step) { return NextMove{NextMove::Kind::Finish, step}; };
    QTest::addColumn<WizardStep>("step");
    QTest::addColumn<WizardMode>("mode");
    QTest::addColumn<StepResult>("result");
    QTest::addColumn<NextMove>("move");
    QTest::newRow("name") << S::Name << M::NewTask << R::Passed << show(S::Sources);
    QTest::newRow("sources") << S::Sources << M::NewTask << R::Passed << show(S::FileTypes);
    QTest::newRow("file types") << S::FileTypes << M::NewTask << R::Passed << show(S::Device);
    QTest::newRow("device found") << S::Device << M::NewTask << R::Passed << show(S::Share);
    QTest::newRow("device checking") << S::Device << M::NewTask << R::Pending << stay(S::Device);
    QTest::newRow("guest share") << S::Share << M::NewTask << R::Passed << show(S::Folder);
    QTest::newRow("share wants account") << S::Share << M::NewTask << R::Detour << show(S::Account);
    QTest::newRow("account taken") << S::Account << M::NewTask << R::Passed << show(S::Folder);
    QTest::newRow("account refused") << S::Account << M::NewTask << R::Detour << show(S::Account);
    QTest::newRow("folder") << S::Folder << M::NewTask << R::Passed << show(S::Schedule);
    QTest::newRow("schedule finishes") << S::Schedule << M::NewTask << R::Passed << finish(S::Schedule);
    QTest::newRow("refused stays") << S::Sources << M::NewTask << R::Refused << stay(S::Sources);
    QTest::newRow("no detour stays") << S::Folder << M::NewTask << R::Detour << stay(S::Folder);
    QTest::newRow("rename finishes") << S::Name << M::Rename << R::Passed << finish(S::Name);
    QTest::newRow("rename refused") << S::Name << M::Rename << R::Refused << stay(S::Name);
    QTest::newRow("reschedule finishes") << S::Schedule << M::Reschedule << R::Passed
                                         << finish(S::Schedule);
  }
  void nextMoves() {
    QFETCH(WizardStep, step);
    QFETCH(WizardMode, mode);
    QFETCH(StepResult, result);
    QFETCH(NextMove, move);
    const NextMove got = nextMove(step, mode, result);
    QCOMPARE(int(got.kind), int(move.kind));
    QCOMPARE(int(got.step), int(move.step));
  }

  // Back from each step, the steps that show Back and Next at all, and the edit modes' steps:
  // an edit is its one step, with Back off and Next reading Finish.
  void backAndButtons() {
    using S = WizardStep;
    const std::optional<S> none;
    const std::array<std::optional<S>, 9> back = {none,         S::Name,   S::Sources,
                                                 S::FileTypes, S::Device, S::Share,
                                                 S::Share,     S::Folder, none};
    for (int n = 1; n <= 9; ++n) {
      const StepRule rule = stepRule(S(n), WizardMode::NewTask);
      QCOMPARE(int(rule.step), n);
      QVERIFY2(rule.back == back[n - 1], qPrintable(QString("back from step %1").arg(n)));
      QCOMPARE(rule.navigation, n != 9);
      QCOMPARE(rule.next.has_value(), n < 8);  // "Finish" on the schedule step only
    }
    const std::pair<WizardMode, S> edits[] = {{WizardMode::NewTask, S::Name},
                                              {WizardMode::Rename, S::Name},
                                              {WizardMode::Reschedule, S::Schedule},
                                              {WizardMode::ShowDestination, S::Summary}};
    for (const auto& [mode, step] : edits) {
      QCOMPARE(int(firstStep(mode)), int(step));
      if (mode == WizardMode::NewTask) continue;
      const StepRule rule = stepRule(step, mode);
      QVERIFY(!rule.back && !rule.next && !rule.detour);
    }
    QVERIFY(!stepRule(S::Summary, WizardMode::ShowDestination).navigation);
  }

  void taskName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<NameCheck>("result");
    QTest::newRow("empty") << "" << NameCheck::Empty;
    QTest::newRow("blanks") << "   " << NameCheck::Empty;
    QTest::newRow("tab") << "\t" << NameCheck::Empty;
    QTest::newRow("blanks and tabs") << " \t \t" << NameCheck::Empty;
    for (const char* bad : {"a<b", "a>b", "a~b", "a`b", "a\\b", "a^b", "a&b", "a{b", "a}b", "a[b",
                            "a]b", "a|b", "a\"b", " <"}) {
      QTest::newRow(bad) << QString::fromLatin1(bad) << NameCheck::ForbiddenCharacter;
    }
    QTest::newRow("plain") << "Photos" << NameCheck::Ok;
    QTest::newRow("blank inside") << " my task " << NameCheck::Ok;
    QTest::newRow("slash and colon") << "a/b:c" << NameCheck::Ok;
    QTest::newRow("non-latin") << QString::fromUtf8("写真 Fotos") << NameCheck::Ok;
  }
  void taskName() {
    QFETCH(QString, name);
    QFETCH(NameCheck, result);
    QCOMPARE(checkTaskName(name), result);
  }

  void customExtension_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<ExtensionCheck>("result");
    QTest::newRow("empty") << "" << ExtensionCheck::Empty;
    for (const char* bad : {"txt", ".txt", "*txt", "*.", "*.t-t", "*.t t", "*.txt ", "**.txt",
                            "*.t.x"}) {
      QTest::newRow(bad) << QString::fromLatin1(bad) << ExtensionCheck::Invalid;
    }
    QTest::newRow("lower") << "*.txt" << ExtensionCheck::Ok;
    QTest::newRow("upper and digit") << "*.TXT1" << ExtensionCheck::Ok;
  }
  void customExtension() {
    QFETCH(QString, typed);
    QFETCH(ExtensionCheck, result);
    QCOMPARE(checkCustomExtension(typed), result);
  }

  void extensionLists() {
    QCOMPARE(videoExtensions().size(), 22);
    QCOMPARE(videoExtensions().first(), QString(".avi"));
    QCOMPARE(videoExtensions().last(), QString(".rmvb"));
    QCOMPARE(pictureExtensions().size(), 12);
    QCOMPARE(pictureExtensions().last(), QString(".mac"));
    QCOMPARE(audioExtensions().size(), 20);
    QCOMPARE(audioExtensions().last(), QString(".ogg"));
  }

  // The tests run at UTC+9 all year (controller_test.h).
  void runTimes_data() {
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("daily 00:00") << dailyRunTimes(0, 0) << QStringList{"2000-12-31T15:00:00Z"};
    QTest::newRow("daily 09:05") << dailyRunTimes(9, 5) << QStringList{"2001-01-01T00:05:00Z"};
    QTest::newRow("monthly day 31") << monthlyRunTimes(31, 23, 59)
                                    << QStringList{"2001-01-31T14:59:00Z"};
    QTest::newRow("monthly day 1") << monthlyRunTimes(1, 2, 30)
                                   << QStringList{"2000-12-31T17:30:00Z"};
    QTest::newRow("weekly Monday and Sunday, Sunday first")
        << weeklyRunTimes({true, true, false, false, false, false, false}, 2, 30)
        << QStringList{"2001-01-06T17:30:00Z", "2000-12-31T17:30:00Z"};
    QTest::newRow("weekly Saturday")
        << weeklyRunTimes({false, false, false, false, false, false, true}, 12, 0)
        << QStringList{"2001-01-06T03:00:00Z"};
    QTest::newRow("weekly no day")
        << weeklyRunTimes({false, false, false, false, false, false, false}, 1, 1) << QStringList{};
  }
  void runTimes() {
    QFETCH(QStringList, times);
    QFETCH(QStringList, expected);
    QCOMPARE(times, expected);
    for (const QString& time : times) QCOMPARE(time.count(u'Z'), 1);
  }

  // A stored run time comes back as the local day, weekday, hour and minute it was made of.
  void localRunTimeRoundTrip() {
    for (int day = 1; day <= 7; ++day) {
      const LocalRunTime local = localRunTime(runTimeText(2001, 1, day, 23, 45));
      QVERIFY(local.valid);
      QCOMPARE(local.day, day);
      QCOMPARE(local.weekday, day % 7);  // 2001-01-01 was a Monday, the 7th a Sunday
      QCOMPARE(local.hour, 23);
      QCOMPARE(local.minute, 45);
    }
    QCOMPARE(localRunTime("2001-01-31T14:59:00Z").day, 31);
    QVERIFY(!localRunTime("").valid);
    QVERIFY(!localRunTime("not a time").valid);
  }

  void deviceTexts() {
    QCOMPARE(deviceModelText(""), QString("Brelkin NAS"));
    QCOMPARE(deviceModelText("KMR-420B"), QString("KMR-420"));
    QCOMPARE(deviceModelText("KMR-2200-05"), QString("KMR-2200-05"));
    QCOMPARE(deviceNameText("NAS-01:eth0"), QString("NAS-01"));
    QCOMPARE(deviceNameText("box:bond1"), QString("box"));
    QCOMPARE(deviceNameText("a:bond0:eth1"), QString("a:bond0"));
    QCOMPARE(deviceNameText("plain"), QString("plain"));
    QCOMPARE(macText({0x02, 0x00, 0x5e, 0xab, 0xcd, 0xef}), QString("MAC: 02005EABCDEF"));
  }

  // A device counts as local only within the network of one local address, its own mask
  // with its own network number.
  void localNetwork() {
    const QList<uint32_t> masks = {ip("255.255.255.0"), ip("255.255.0.0")};
    const QList<uint32_t> networks = {ip("10.99.0.0"), ip("10.50.0.0")};
    QVERIFY(onLocalNetwork(ip("10.99.0.7"), masks, networks));
    QVERIFY(onLocalNetwork(ip("10.50.3.4"), masks, networks));
    QVERIFY(!onLocalNetwork(ip("10.99.1.7"), masks, networks));
    // 10.99.5.5 AND 255.255.0.0 is 10.99.0.0, the first address's network, yet it lies in
    // neither network.
    QVERIFY(!onLocalNetwork(ip("10.99.5.5"), masks, networks));
    QVERIFY(!onLocalNetwork(ip("10.99.0.7"), {}, {}));
  }

  void folderNames() {
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "/", "\\", "..\\x", "../x", "a:b",
                            "a*", "a?", "a\"b", "a<b", "a>b", "a|b", "a\nb", "a\tb"}) {
      QVERIFY2(!isUsableFolderName(QString::fromLatin1(bad)), bad);
    }
    for (const char* good : {"a", "...", ".hidden", "New Folder (1)", "x y", "a..b"}) {
      QVERIFY2(isUsableFolderName(QString::fromLatin1(good)), good);
    }
    QCOMPARE(freeFolderName("New Folder", {}), QString("New Folder"));
    QCOMPARE(freeFolderName("New Folder", {"backup", "New"}), QString("New Folder"));
    QCOMPARE(freeFolderName("New Folder", {"New Folder"}), QString("New Folder (1)"));
    QCOMPARE(freeFolderName("New Folder", {"new folder"}), QString("New Folder (1)"));
    QCOMPARE(freeFolderName("New Folder", {"New Folder (1)", "New Folder"}),
             QString("New Folder (2)"));
  }

  void probeAccount() {
    static const QRegularExpression kForm(QRegularExpression::anchoredPattern("[0-9a-zA-Z]{8}"));
    const QString a = probeAccountText();
    const QString b = probeAccountText();
    QVERIFY(kForm.match(a).hasMatch());
    QVERIFY(kForm.match(b).hasMatch());
    QVERIFY(a != b);
  }

  void networkFileSystems_data() {
    QTest::addColumn<qint64>("magic");
    QTest::addColumn<QString>("typeName");
    QTest::addColumn<bool>("network");
    QTest::newRow("cifs") << qint64(CIFS_SUPER_MAGIC) << "" << true;
    QTest::newRow("smb2") << qint64(SMB2_SUPER_MAGIC) << "" << true;
    QTest::newRow("smb") << qint64(SMB_SUPER_MAGIC) << "" << true;
    QTest::newRow("nfs") << qint64(NFS_SUPER_MAGIC) << "" << true;
    QTest::newRow("9p") << qint64(V9FS_MAGIC) << "" << true;
    QTest::newRow("ceph") << qint64(CEPH_SUPER_MAGIC) << "" << true;
    QTest::newRow("sshfs") << qint64(FUSE_SUPER_MAGIC) << "fuse.sshfs" << true;
    QTest::newRow("rclone") << qint64(FUSE_SUPER_MAGIC) << "fuse.rclone" << true;
    QTest::newRow("local fuse") << qint64(FUSE_SUPER_MAGIC) << "fuse.ntfs-3g" << false;
    QTest::newRow("plain fuse") << qint64(FUSE_SUPER_MAGIC) << "fuse" << false;
    QTest::newRow("ext4") << qint64(EXT4_SUPER_MAGIC) << "" << false;
    QTest::newRow("tmpfs") << qint64(TMPFS_MAGIC) << "" << false;
    QTest::newRow("btrfs") << qint64(BTRFS_SUPER_MAGIC) << "" << false;
    QTest::newRow("overlay") << qint64(OVERLAYFS_SUPER_MAGIC) << "" << false;
    // The type name alone decides nothing for a kernel file system.
    QTest::newRow("ext4 named sshfs") << qint64(EXT4_SUPER_MAGIC) << "fuse.sshfs" << false;
  }
  void networkFileSystems() {
    QFETCH(qint64, magic);
    QFETCH(QString, typeName);
    QFETCH(bool, network);
    QCOMPARE(isNetworkFileSystemType(magic, typeName), network);
  }

  void localFolderIsNotNetwork() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!isOnNetworkFileSystem(dir.path()));
    QVERIFY(!networkFolderCheck()(dir.path()));
  }
};

TESSALY_TEST_MAIN(WizardLogicTest, QCoreApplication)
#include "wizardlogic_test.moc"
