// The wizard's rules without a window. The run-time texts are read by the service as a day, a
// weekday and a time of day, so each is built from the local time the user chose and carries
// exactly one "Z": Qt already ends a UTC time's ISO text in "Z", and the service refuses a
// text with a second one (such a task would never run by its schedule).
#include "wizardlogic.h"

#include <linux/magic.h>
#include <sys/statfs.h>

#include <QtCore/QDateTime>
#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtCore/QRegularExpression>
#include <QtCore/QStorageInfo>

#include <algorithm>

namespace wizard_logic {

WizardStep firstStep(WizardMode mode) {
  switch (mode) {
    case WizardMode::Reschedule:
      return WizardStep::Schedule;
    case WizardMode::ShowDestination:
      return WizardStep::Summary;
    case WizardMode::NewTask:
    case WizardMode::Rename:
      break;
  }
  return WizardStep::Name;
}

const std::array<StepRule, 9>& stepRules() {
  using S = WizardStep;
  // The account step lies between the share and its folders only when the share asks for
  // one: a share that lets the wizard in leads straight to its folders, and back from the
  // folders is always the share list.
  static const std::array<StepRule, 9> kRules = {{
      {S::Name, std::nullopt, S::Sources, std::nullopt},
      {S::Sources, S::Name, S::FileTypes, std::nullopt},
      {S::FileTypes, S::Sources, S::Device, std::nullopt},
      {S::Device, S::FileTypes, S::Share, std::nullopt},
      {S::Share, S::Device, S::Folder, S::Account},
      {S::Account, S::Share, S::Folder, S::Account},
      {S::Folder, S::Share, S::Schedule, std::nullopt},
      {S::Schedule, S::Folder, std::nullopt, std::nullopt},
      {S::Summary, std::nullopt, std::nullopt, std::nullopt, false},
  }};
  return kRules;
}

StepRule stepRule(WizardStep step, WizardMode mode) {
  StepRule rule = stepRules().at(static_cast<size_t>(step) - 1);
  if (mode != WizardMode::NewTask) {
    rule.back.reset();
    rule.next.reset();
    rule.detour.reset();
  }
  return rule;
}

NextMove nextMove(WizardStep step, WizardMode mode, StepResult result) {
  const StepRule rule = stepRule(step, mode);
  switch (result) {
    case StepResult::Passed:
      if (rule.next) return {NextMove::Kind::Show, *rule.next};
      return {NextMove::Kind::Finish, step};
    case StepResult::Detour:
      if (rule.detour) return {NextMove::Kind::Show, *rule.detour};
      break;
    case StepResult::Refused:
    case StepResult::Pending:
      break;
  }
  return {NextMove::Kind::Stay, step};
}

NameCheck checkTaskName(const QString& name) {
  QString bare = name;
  bare.remove(u' ');
  bare.remove(u'\t');
  if (bare.isEmpty()) return NameCheck::Empty;
  static const QString kForbidden = QStringLiteral("<>~`\\^&{}[]|\"");
  for (QChar c : name) {
    if (kForbidden.contains(c)) return NameCheck::ForbiddenCharacter;
  }
  return NameCheck::Ok;
}

QStringList videoExtensions() {
  return QStringLiteral(
             ".avi,.wmv,.mp4,.3gp,.mpeg,.mpg,.mpeg2,.mpe,.dat,.vob,.ts,.m4v,.mkv,.mov,.flv,.fla,"
             ".divx,.m2ts,.ogv,.asf,.rm,.rmvb")
      .split(u',');
}

QStringList pictureExtensions() {
  return QStringLiteral(".jpg,.bmp,.gif,.png,.jpeg,.jpe,.jfif,.tif,.tiff,.ico,.psd,.mac").split(u',');
}

QStringList audioExtensions() {
  return QStringLiteral(
             ".mp3,.wma,.wav,.mp2,.aif,.aiff,.pcm,.lpcm,.mp1,.mpa,.m4a,.mka,.m4p,.flac,.aac,.ac3,"
             ".ape,.mid,.oga,.ogg")
      .split(u',');
}

ExtensionCheck checkCustomExtension(const QString& typed) {
  if (typed.isEmpty()) return ExtensionCheck::Empty;
  static const QRegularExpression kRest(QRegularExpression::anchoredPattern("[a-zA-Z0-9]+"));
  if (!typed.startsWith(QStringLiteral("*.")) || !kRest.match(typed.mid(2)).hasMatch()) {
    return ExtensionCheck::Invalid;
  }
  return ExtensionCheck::Ok;
}

QString runTimeText(int year, int month, int day, int hour, int minute) {
  const QDateTime local(QDate(year, month, day), QTime(hour, minute, 0), Qt::LocalTime);
  QString text = local.toUTC().toString(Qt::ISODate);
  while (text.endsWith(u'Z')) text.chop(1);
  return text + u'Z';
}

QStringList monthlyRunTimes(int day, int hour, int minute) {
  return {runTimeText(2001, 1, day, hour, minute)};
}

QStringList weeklyRunTimes(const std::array<bool, 7>& days, int hour, int minute) {
  QStringList times;
  for (int weekday = 0; weekday < 7; ++weekday) {
    // 2001-01-01 was a Monday; Sunday is the 7th.
    if (days[weekday]) times << runTimeText(2001, 1, weekday == 0 ? 7 : weekday, hour, minute);
  }
  return times;
}

QStringList dailyRunTimes(int hour, int minute) { return {runTimeText(2001, 1, 1, hour, minute)}; }

LocalRunTime localRunTime(const QString& iso) {
  LocalRunTime out;
  const QDateTime time = QDateTime::fromString(iso.trimmed(), Qt::ISODate);
  if (!time.isValid()) return out;
  const QDateTime local = time.toLocalTime();
  out.valid = true;
  out.day = local.date().day();
  out.weekday = local.date().dayOfWeek() % 7;
  out.hour = local.time().hour();
  out.minute = local.time().minute();
  return out;
}

QString deviceModelText(const QString& model) {
  if (model.isEmpty()) return QStringLiteral("Brelkin NAS");
  if (model == QLatin1String("KMR-420B")) return QStringLiteral("KMR-420");
  return model;
}

QString deviceNameText(const QString& name) {
  qsizetype cut = name.indexOf(QStringLiteral(":eth"));
  if (cut < 0) cut = name.indexOf(QStringLiteral(":bond"));
  return cut < 0 ? name : name.left(cut);
}

QString macText(const std::array<uint8_t, 6>& mac) {
  QString hex;
  for (uint8_t byte : mac) hex += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
  return QStringLiteral("MAC: ") + hex.toUpper();
}

QString uncPath(const QString& address, const QString& path) {
  return QStringLiteral("\\\\") + address + path;
}

bool onLocalNetwork(uint32_t address, const QList<uint32_t>& masks,
                    const QList<uint32_t>& networks) {
  const qsizetype n = std::min(masks.size(), networks.size());
  for (qsizetype i = 0; i < n; ++i) {
    if ((address & masks[i]) == networks[i]) return true;
  }
  return false;
}

bool isUsableFolderName(const QString& name) {
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  // Besides the separators, the characters a share cannot hold in a name: a folder named
  // with them could neither be made nor reached by its destination path.
  static const QString kRefused = QStringLiteral("/\\\":*<>?|");
  for (QChar c : name) {
    if (kRefused.contains(c) || c.category() == QChar::Other_Control) return false;
  }
  return true;
}

QString freeFolderName(const QString& base, const QStringList& taken) {
  auto isTaken = [&](const QString& name) {
    for (const QString& other : taken) {
      if (other.compare(name, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
  };
  QString name = base;
  for (int n = 1; isTaken(name); ++n) name = base + QStringLiteral(" (%1)").arg(n);
  return name;
}

QString probeAccountText() {
  static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  QString text;
  for (int i = 0; i < 8; ++i) text += QLatin1Char(kAlphabet[QRandomGenerator::global()->bounded(62)]);
  return text;
}

bool isNetworkFileSystemType(int64_t magic, const QString& typeName) {
  switch (static_cast<uint32_t>(magic)) {
    case static_cast<uint32_t>(CIFS_SUPER_MAGIC):
    case static_cast<uint32_t>(SMB2_SUPER_MAGIC):
    case SMB_SUPER_MAGIC:
    case NFS_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case CODA_SUPER_MAGIC:
    case CEPH_SUPER_MAGIC:
    case V9FS_MAGIC:
    case NCP_SUPER_MAGIC:
    case 0x0BD00BD0:  // Lustre
      return true;
    case FUSE_SUPER_MAGIC: {
      static const QStringList kNetworkFuse = {
          QStringLiteral("fuse.sshfs"),     QStringLiteral("fuse.rclone"),
          QStringLiteral("fuse.s3fs"),      QStringLiteral("fuse.gvfsd-fuse"),
          QStringLiteral("fuse.curlftpfs"), QStringLiteral("fuse.smbnetfs"),
          QStringLiteral("fuse.glusterfs"), QStringLiteral("fuse.davfs"),
          QStringLiteral("fuse.afpfs"),     QStringLiteral("fuse.cephfs")};
      return kNetworkFuse.contains(typeName);
    }
    default:
      return false;
  }
}

bool isOnNetworkFileSystem(const QString& path) {
  struct statfs fs {};
  if (::statfs(QFile::encodeName(path).constData(), &fs) != 0) return false;
  const QString typeName =
      static_cast<uint32_t>(fs.f_type) == FUSE_SUPER_MAGIC
          ? QString::fromUtf8(QStorageInfo(path).fileSystemType())
          : QString();
  return isNetworkFileSystemType(static_cast<int64_t>(fs.f_type), typeName);
}

std::function<bool(const QString&)>& networkFolderCheck() {
  static std::function<bool(const QString&)> check = isOnNetworkFileSystem;
  return check;
}

}  // namespace wizard_logic
