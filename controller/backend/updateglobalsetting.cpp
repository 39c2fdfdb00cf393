#include "updateglobalsetting.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QXmlStreamReader>

#include <cerrno>
#include <string>
#include <string_view>

#include "config_format.h"
#include "file_read.h"
#include "file_write.h"
#include "paths.h"
#include "xmltree.h"

namespace layout = tessaly::config_format;
namespace el = tessaly::config_format::global_element;

namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString word(bool on) { return qs(on ? layout::kEnable : layout::kDisable); }

XmlNode leaf(std::string_view name, const QString& text) {
  XmlNode node;
  node.name = qs(name);
  node.text = text;
  return node;
}

XmlNode group(std::string_view name, QList<XmlNode> children) {
  XmlNode node;
  node.name = qs(name);
  node.children = std::move(children);
  return node;
}

// The field of a leaf element that is taken by its name wherever it stands.
QString* fieldByName(GlobalSettingRecord& s, QStringView name) {
  struct entry {
    std::string_view element;
    QString GlobalSettingRecord::*field;
  };
  static const entry kGeneral[] = {
      {el::if_full, &GlobalSettingRecord::ifFull},
      {el::auto_starup, &GlobalSettingRecord::autoStartup},
      {el::shutdown, &GlobalSettingRecord::shutdown},
      {el::language, &GlobalSettingRecord::language},
  };
  struct mail_entry {
    std::string_view element;
    QString EmailSettingRecord::*field;
  };
  static const mail_entry kMail[] = {
      {el::send_complete, &EmailSettingRecord::sendComplete},
      {el::email_period_enable, &EmailSettingRecord::emailPeriodEnable},
      {el::schedule, &EmailSettingRecord::schedule},
      {el::method, &EmailSettingRecord::method},
      {el::ssl, &EmailSettingRecord::ssl},
      {el::time, &EmailSettingRecord::time},
      {el::password, &EmailSettingRecord::password},
      {el::smtp_server, &EmailSettingRecord::smtpServer},
      {el::user_name, &EmailSettingRecord::userName},
      {el::sender_email, &EmailSettingRecord::senderEmail},
      {el::receiver_email, &EmailSettingRecord::receiverEmail},
  };
  for (const entry& e : kGeneral) {
    if (name == qs(e.element)) return &(s.*e.field);
  }
  for (const mail_entry& e : kMail) {
    if (name == qs(e.element)) return &(s.email.*e.field);
  }
  return nullptr;
}

// Reads the settings file whole (file_read.h): never a FIFO or a device, never through a
// symbolic link put in its place in the shared folder. An errno value on failure.
int readSettingsFile(const QString& path, QByteArray* out) {
  std::string bytes;
  const int err = tessaly::read_regular_file(QFile::encodeName(path).toStdString(), false,
                                             layout::kGlobalFileMaxBytes, &bytes);
  *out = QByteArray::fromStdString(bytes);
  return err;
}

bool allSafe(const XmlNode& node) {
  if (!isXmlSafeText(node.text)) return false;
  for (const XmlNode& c : node.children) {
    if (!allSafe(c)) return false;
  }
  return true;
}

}  // namespace

updateglobalsetting::updateglobalsetting(const QString& dataDir, QObject* parent)
    : QObject(parent),
      configPath_(dataDir.isEmpty() ? QString()
                                    : QDir(dataDir).filePath(qs(layout::kGlobalFileName))) {
  ClearGlobalSettings();
}

updateglobalsetting::~updateglobalsetting() = default;

void updateglobalsetting::ClearGlobalSettings() { settings_ = GlobalSettingRecord(); }

// Every leaf element of the body gives its text to the field of its name, wherever it
// stands (a later one of the same name wins, as in the service). `delete_sync` is assigned
// by its parent, `backup` or `restore`, as the service does (taking the first one in the
// file as the backup one would misread a file where `restore` comes first). A file that
// cannot be read gives empty fields; a damaged one (also one nested deeper than any settings
// file) the values before the damage.
GlobalSettingRecord* updateglobalsetting::ReadGlobalSetting() {
  ClearGlobalSettings();
  QByteArray bytes;
  if (configPath_.isEmpty() || readSettingsFile(configPath_, &bytes) != 0) return settingsPtr_;
  if (bytes.startsWith(QByteArray::fromStdString(std::string(layout::kUtf8Bom))))
    bytes.remove(0, 3);
  const QByteArray end = QByteArray::fromStdString(std::string(layout::kDescriptionEnd));
  const qsizetype cut = bytes.indexOf(end);
  if (cut >= 0) bytes = bytes.mid(cut + end.size());

  QXmlStreamReader reader(bytes);
  QStringList stack;      // names of the open elements
  bool leafOpen = false;  // the innermost open element has no child element so far
  QString text;
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement:
        // Deeper than any settings file: damaged, read no further.
        if (stack.size() >= kMaxElementDepth) return settingsPtr_;
        stack.append(reader.name().toString());
        leafOpen = true;
        text.clear();
        break;
      case QXmlStreamReader::Characters:
        if (leafOpen) text += reader.text();
        break;
      case QXmlStreamReader::EndElement: {
        const QString name = stack.isEmpty() ? QString() : stack.takeLast();
        if (leafOpen) {
          const QString parent = stack.isEmpty() ? QString() : stack.last();
          if (name == qs(el::delete_sync)) {
            if (parent == qs(el::backup)) settings_.backupDeleteSync = text;
            if (parent == qs(el::restore)) settings_.restoreDeleteSync = text;
          } else if (QString* field = fieldByName(settings_, name)) {
            *field = text;
          }
        }
        leafOpen = false;
        break;
      }
      default: break;
    }
  }
  return settingsPtr_;
}

bool updateglobalsetting::WriteGlobalSetting(
    int section, const QString& language, bool sendComplete, bool emailPeriodEnable,
    const QString& schedule, const QString& time, const QString& method, const QString& userName,
    const QString& password, const QString& smtpServer, const QString& senderEmail,
    const QString& receiverEmail, bool ssl, const QString& ifFull, bool backupDeleteSync,
    bool restoreDeleteSync, bool autoStartup, bool shutdown) {
  QList<XmlNode> content;
  switch (section) {
    case 1: content.append(leaf(el::language, language)); break;
    case 2: {
      QList<XmlNode> smtp{leaf(el::method, method), leaf(el::ssl, word(ssl))};
      if (method.contains(qs(layout::kMethodAccount))) {
        smtp.append(leaf(el::user_name, userName));
        smtp.append(leaf(el::password, password));
      }
      smtp.append(leaf(el::smtp_server, smtpServer));
      smtp.append(leaf(el::sender_email, senderEmail));
      smtp.append(leaf(el::receiver_email, receiverEmail));
      content.append(
          group(el::email,
                {leaf(el::send_complete, word(sendComplete)),
                 group(el::send_period, {leaf(el::email_period_enable, word(emailPeriodEnable)),
                                         leaf(el::schedule, schedule), leaf(el::time, time)}),
                 group(el::smtp, smtp)}));
      break;
    }
    case 3:
      // Only the two words the log knows; anything else is what the service makes of it.
      content.append(group(el::log, {leaf(el::if_full, qs(ifFull == qs(layout::kIfFullStop)
                                                              ? layout::kIfFullStop
                                                              : layout::kIfFullClear))}));
      break;
    case 4:
      content.append(group(el::backup, {leaf(el::delete_sync, word(backupDeleteSync))}));
      content.append(group(el::restore, {leaf(el::delete_sync, word(restoreDeleteSync))}));
      break;
    case 5:
      content.append(group(el::misc, {leaf(el::auto_starup, word(autoStartup)),
                                      leaf(el::shutdown, word(shutdown))}));
      break;
    default: break;
  }
  return rewrite(content);
}

bool updateglobalsetting::WriteDefaultSetting(int section) {
  QList<XmlNode> content;
  switch (section) {
    case 1: content.append(leaf(el::language, qs(layout::kLanguageNames[0]))); break;
    case 2:
      content.append(
          group(el::email, {leaf(el::send_complete, word(false)),
                            group(el::send_period, {leaf(el::email_period_enable, word(false))})}));
      break;
    case 3: content.append(group(el::log, {leaf(el::if_full, qs(layout::kIfFullClear))})); break;
    case 4:
      content.append(group(el::backup, {leaf(el::delete_sync, word(true))}));
      content.append(group(el::restore, {leaf(el::delete_sync, word(false))}));
      break;
    case 5:
      content.append(
          group(el::misc, {leaf(el::auto_starup, word(true)), leaf(el::shutdown, word(false))}));
      break;
    default: break;
  }
  return rewrite(content);
}

// The one rewrite: read the whole file (a missing or empty one stands for the service's
// default text), parse all of it, refuse a damaged file, empty the header's misc, put each
// new section element in the place of every body element of its name (at the end of the
// body when there is none), and replace the file through a temporary file in its folder.
bool updateglobalsetting::rewrite(const QList<XmlNode>& sections) {
  lastError_.clear();
  // Without a data folder the file's name would lie in the working folder.
  if (configPath_.isEmpty()) {
    lastError_ = QStringLiteral("there is no configuration folder");
    return false;
  }
  for (const XmlNode& node : sections) {
    if (!allSafe(node)) {
      lastError_ = QStringLiteral("a value holds a character that XML does not allow");
      return false;
    }
  }

  QByteArray bytes;
  if (const int err = readSettingsFile(configPath_, &bytes); err != 0 && err != ENOENT) {
    lastError_ = QStringLiteral("cannot read %1: %2").arg(configPath_, qt_error_string(err));
    return false;
  }
  if (bytes.trimmed().isEmpty()) {
    bytes = QByteArray::fromStdString(std::string(layout::global_setting_default()));
  }

  ConfigDocument doc;
  QString why;
  if (!parseConfigFile(bytes, &doc, &why)) {
    lastError_ = QStringLiteral("%1 is damaged (%2); it was left as it is").arg(configPath_, why);
    return false;
  }
  for (XmlNode& node : doc.description.children) {
    if (node.name == qs(layout::element::misc)) {
      node.text.clear();
      node.children.clear();
    }
  }
  for (const XmlNode& replacement : sections) {
    bool found = false;
    for (XmlNode& node : doc.configuration.children) {
      if (node.name != replacement.name) continue;
      node.text = replacement.text;
      node.children = replacement.children;
      found = true;
    }
    if (!found) doc.configuration.children.append(replacement);
  }
  const QByteArray out = writeConfigFile(doc);

  const std::string target = QFile::encodeName(configPath_).toStdString();
  const std::string folder = QFile::encodeName(QFileInfo(configPath_).absolutePath()).toStdString();
  tessaly::staged_file temp(folder + "/.GLOBAL_SETTING.XXXXXX");
  auto rights = [](int fd) {
    return tessaly::apply_file_rights("/proc/self/fd/" + std::to_string(fd));
  };
  if (!temp.ok() || !temp.write(std::string_view(out.constData(), out.size()), rights) ||
      !temp.place(target, true)) {
    lastError_ = QStringLiteral("cannot write %1: %2").arg(configPath_, qt_error_string(errno));
    return false;
  }
  return true;
}
