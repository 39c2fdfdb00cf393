// The controller's task store (see updatesessionconfig.h).
//
// Every operation works on the whole file as an element tree (xmltree.h): it is read and
// parsed whole, changed, checked for texts XML cannot carry, and written back through the
// staged write of the platform layer (file_write.h) with the configuration files' rights
// (paths.h). Element names and words come from config_format.h, the layout the service's
// loader reads.
#include "updatesessionconfig.h"

#include <sys/stat.h>

#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSet>
#include <QtCore/QUuid>

#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "config_format.h"
#include "file_read.h"
#include "file_write.h"
#include "paths.h"
#include "servicestate.h"
#include "task_uuid.h"
#include "xmltree.h"

namespace layout = tessaly::config_format;
namespace el = tessaly::config_format::session_element;

namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// ---------------------------------------------------------------------------------------
// Reading a file whole.

enum class FileState { Absent, Empty, Parsed, Damaged };

struct LoadedFile {
  FileState state = FileState::Absent;
  ConfigDocument document;
  QString error;  // for Damaged
};

// Reads the file whole; an errno value on failure. Without `followLinks` a symbolic link in
// the file's place is refused: the data folder is shared by the group, and a link there must
// not make the store read (and then write into the task file) a file elsewhere.
int readRegularFile(const QString& path, bool followLinks, QByteArray* out) {
  std::string bytes;
  const int err = tessaly::read_regular_file(QFile::encodeName(path).toStdString(), followLinks,
                                             layout::kSessionFileMaxBytes, &bytes);
  *out = QByteArray::fromStdString(bytes);
  return err;
}

bool onlyBlanks(const QByteArray& bytes) {
  for (char c : bytes) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return true;
}

// Why a store without a data folder does nothing: a path without its folder would name a
// file in the working folder, where the service never looks.
QString noDataFolder() { return QStringLiteral("there is no configuration folder"); }

LoadedFile loadFile(const QString& path, bool followLinks) {
  LoadedFile file;
  if (path.isEmpty()) {
    file.state = FileState::Damaged;
    file.error = noDataFolder();
    return file;
  }
  QByteArray bytes;
  const int err = readRegularFile(path, followLinks, &bytes);
  if (err == ENOENT) return file;
  if (err != 0) {
    file.state = FileState::Damaged;
    file.error = QStringLiteral("%1 cannot be read: %2").arg(path, errnoText(err));
    return file;
  }
  const std::string_view text =
      layout::skip_utf8_bom(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  if (onlyBlanks(QByteArray(text.data(), static_cast<qsizetype>(text.size())))) {
    file.state = FileState::Empty;
    return file;
  }
  QString why;
  if (!parseConfigFile(bytes, &file.document, &why)) {
    file.state = FileState::Damaged;
    file.error = QStringLiteral("%1 is damaged: %2").arg(path, why);
    return file;
  }
  file.state = FileState::Parsed;
  return file;
}

// ---------------------------------------------------------------------------------------
// The tree.

QString textOf(const XmlNode* parent, std::string_view name) {
  if (parent == nullptr) return QString();
  const XmlNode* node = parent->child(qs(name));
  return node != nullptr ? node->text : QString();
}

void setAttribute(XmlNode& node, std::string_view name, const QString& value) {
  for (auto& attribute : node.attributes) {
    if (attribute.first == qs(name)) {
      attribute.second = value;
      return;
    }
  }
  node.attributes.append(qMakePair(qs(name), value));
}

XmlNode& addNumbered(XmlNode& parent, std::string_view name, int id, const QString& text) {
  XmlNode& node = parent.addLeaf(qs(name), text);
  setAttribute(node, el::id_attribute, QString::number(id));
  return node;
}

bool isSession(const XmlNode& node) { return node.name == qs(el::session); }

// Numbers the sessions 1, 2, ... and makes `count` (the first child of `configuration`
// named so, added in front when missing) their number: whatever the file said before, the
// numbers follow the tasks that are there.
void renumber(XmlNode& configuration) {
  int n = 0;
  for (XmlNode& child : configuration.children) {
    if (isSession(child)) setAttribute(child, el::id_attribute, QString::number(++n));
  }
  XmlNode* count = configuration.child(qs(el::count));
  if (count == nullptr) {
    XmlNode node;
    node.name = qs(el::count);
    configuration.children.prepend(node);
    count = &configuration.children.first();
  }
  count->text = QString::number(n);
}

// A new task file: the header with its five values and a body without tasks.
ConfigDocument newDocument() {
  ConfigDocument document;
  document.description.name = qs(layout::element::description);
  const layout::header_t& header = layout::kSessionHeader;
  document.description.addLeaf(qs(layout::element::version), qs(header.version));
  document.description.addLeaf(qs(layout::element::magic), qs(header.magic));
  document.description.addLeaf(qs(layout::element::vendor), qs(header.vendor));
  document.description.addLeaf(qs(layout::element::type), qs(header.type));
  document.description.addLeaf(qs(layout::element::misc), qs(header.misc));
  document.configuration.name = qs(layout::element::configuration);
  document.configuration.addLeaf(qs(el::count), QStringLiteral("0"));
  return document;
}

bool treeIsXmlSafe(const XmlNode& node) {
  if (!isXmlSafeText(node.name) || !isXmlSafeText(node.text)) return false;
  for (const auto& attribute : node.attributes) {
    if (!isXmlSafeText(attribute.first) || !isXmlSafeText(attribute.second)) return false;
  }
  for (const XmlNode& child : node.children) {
    if (!treeIsXmlSafe(child)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Triggers and run times.

template <size_t N>
bool isWord(const std::array<std::string_view, N>& words, const QString& text) {
  return layout::word_index(words, text.toStdString()) >= 0;
}

// A run time in the one form the service parses and the task list shows:
// "yyyy-MM-ddTHH:mm:ssZ" in UTC. A time with an offset is turned into UTC; the "ZZ" that
// Qt's ISO text plus an appended "Z" gives is read as one "Z". Empty for a text that is no
// date-time, or one without a zone (it would be read as local time).
QString scheduleTimeText(const QString& text) {
  QString t = text.trimmed();
  bool utc = false;
  while (t.endsWith(u'Z')) {
    t.chop(1);
    utc = true;
  }
  QDateTime time = QDateTime::fromString(utc ? t + u'Z' : t, Qt::ISODate);
  if (!time.isValid() || time.timeSpec() == Qt::LocalTime) return QString();
  time = time.toUTC();
  time.setTime(QTime(time.time().hour(), time.time().minute(), time.time().second()));
  return time.toString(Qt::ISODate);
}

// What AddSession and UpdateSchedule write after `action`: `type`, and for a scheduled task
// `schedule_type`, `count` and one `schedule_time` per run time.
struct Trigger {
  QString type;
  QString scheduleType;  // empty for a task without schedule
  QStringList times;
};

bool triggerOf(const QString& scheduleKind, const QStringList& scheduleTimes, Trigger* out,
               QString* error) {
  *out = Trigger{};
  if (isWord(layout::kScheduleTypeWords, scheduleKind)) {
    out->type = qs(layout::kTriggerWords[1]);
    out->scheduleType = scheduleKind;
    for (const QString& text : scheduleTimes) {
      const QString time = scheduleTimeText(text);
      if (time.isEmpty()) {
        *error = QStringLiteral("the run time \"%1\" is not an ISO 8601 time in UTC").arg(text);
        return false;
      }
      out->times.append(time);
    }
    if (out->times.isEmpty()) {
      *error = QStringLiteral("a %1 schedule without a run time").arg(scheduleKind);
      return false;
    }
    return true;
  }
  // "schedule" itself is the file's word for the three kinds above, not a choice.
  if (isWord(layout::kTriggerWords, scheduleKind) && scheduleKind != qs(layout::kTriggerWords[1])) {
    out->type = scheduleKind;
    return true;
  }
  *error = QStringLiteral("unknown schedule choice \"%1\"").arg(scheduleKind);
  return false;
}

void appendTrigger(XmlNode& session, const Trigger& trigger) {
  session.addLeaf(qs(el::type), trigger.type);
  if (trigger.scheduleType.isEmpty()) return;
  session.addLeaf(qs(el::schedule_type), trigger.scheduleType);
  session.addLeaf(qs(el::count), QString::number(trigger.times.size()));
  int id = 0;
  for (const QString& time : trigger.times) addNumbered(session, el::schedule_time, ++id, time);
}

// ---------------------------------------------------------------------------------------
// A new task.

struct NewTask {
  QString uuid;
  QString name;
  QList<QStringList> extensionGroups;  // video, picture, audio, customize
  QStringList sources;
  QString user;
  QString password;
  QString destinationPath;
  QString model;
  QString action;
  Trigger trigger;
};

XmlNode sessionNode(const NewTask& task) {
  XmlNode session;
  session.name = qs(el::session);
  setAttribute(session, el::id_attribute, QStringLiteral("0"));  // renumber() sets it
  session.addLeaf(qs(el::uuid), task.uuid);
  session.addLeaf(qs(el::name), task.name);

  XmlNode& filter = session.addChild(qs(el::filter));
  filter.addLeaf(qs(el::filter_type), qs(layout::kFilterTypeWords[0]));
  XmlNode& extension = filter.addChild(qs(el::extension));
  extension.addLeaf(qs(el::alias_cnt), qs(layout::kAliasCount));
  for (size_t group = 0; group < layout::kAliasNames.size(); ++group) {
    XmlNode& alias = addNumbered(extension, el::alias, static_cast<int>(group) + 1, QString());
    const QStringList& extensions = task.extensionGroups.at(static_cast<qsizetype>(group));
    alias.addLeaf(qs(el::name), qs(layout::kAliasNames[group]));
    alias.addLeaf(qs(el::count), QString::number(extensions.size()));
    int id = 0;
    for (const QString& ext : extensions) addNumbered(alias, el::ext, ++id, ext);
  }
  filter.addChild(qs(el::path)).addLeaf(qs(el::count), QStringLiteral("0"));

  XmlNode& source = session.addChild(qs(el::source));
  source.addLeaf(qs(el::count), QString::number(task.sources.size()));
  int id = 0;
  for (const QString& folder : task.sources) addNumbered(source, el::path, ++id, folder);

  XmlNode& destination = session.addChild(qs(el::destination));
  destination.addLeaf(qs(el::protocol), qs(layout::kProtocolWords[1]));
  if (!task.user.isEmpty()) {
    destination.addLeaf(qs(el::anonymous), qs(layout::kAnonymousNo));
    destination.addLeaf(qs(el::user), task.user);
    destination.addLeaf(qs(el::password), task.password);
  } else {
    destination.addLeaf(qs(el::anonymous), qs(layout::kAnonymousYes));
  }
  destination.addLeaf(qs(el::path), task.destinationPath);
  destination.addLeaf(qs(el::model), task.model);

  session.addLeaf(qs(el::action), task.action);
  appendTrigger(session, task.trigger);
  return session;
}

// The first text of the new task that XML cannot carry, or null.
const QString* unsafeText(const NewTask& task) {
  QList<const QString*> texts = {&task.name, &task.user, &task.password, &task.destinationPath,
                                 &task.model};
  for (const QStringList& group : task.extensionGroups) {
    for (const QString& text : group) texts.append(&text);
  }
  for (const QString& text : task.sources) texts.append(&text);
  for (const QString* text : texts) {
    if (!isXmlSafeText(*text)) return text;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------
// Writing.

// Writes `bytes` to `path` through a temporary file made from `tempTemplate` in the same
// folder, with the rights `setRights` gives the open file, and renames it into place.
bool stagedWrite(const QString& path, const QString& tempTemplate, const QByteArray& bytes,
                 const std::function<bool(int)>& setRights, QString* error) {
  tessaly::staged_file file(QFile::encodeName(tempTemplate).toStdString());
  if (file.ok() &&
      file.write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                 setRights) &&
      file.place(QFile::encodeName(path).toStdString(), true)) {
    return true;
  }
  *error = QStringLiteral("%1 cannot be written: %2").arg(path, errnoText(errno));
  return false;
}

// True when both names lead to the same file, or, where one does not exist yet, to the same
// place once links in the folders are resolved.
bool sameFile(const QString& a, const QString& b) {
  struct stat sa;
  struct stat sb;
  if (::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
      ::stat(QFile::encodeName(b).constData(), &sb) == 0) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }
  auto place = [](const QString& path) {
    const QFileInfo info(path);
    QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty()) folder = info.absolutePath();
    return QDir::cleanPath(folder + u'/' + info.fileName());
  };
  return place(a) == place(b);
}

// Writes the task file from `document`. The texts are checked first: QXmlStreamWriter drops
// characters XML cannot carry without a word, and the service's parser refuses a whole file
// for one of them.
bool writeTaskFile(const QString& dataDir, const QString& configPath,
                   const ConfigDocument& document, QString* error) {
  if (dataDir.isEmpty() || configPath.isEmpty()) {
    *error = noDataFolder();
    return false;
  }
  if (!treeIsXmlSafe(document.description) || !treeIsXmlSafe(document.configuration)) {
    *error = QStringLiteral("the tasks hold a character XML cannot carry");
    return false;
  }
  // The temporary name does not contain "LOG.dat", which the controller's folder watch
  // reacts to.
  const QString tempTemplate = QDir(dataDir).filePath(QStringLiteral("SESSION_CONFIG.tmp.XXXXXX"));
  auto rights = [](int fd) {
    // Through the descriptor's own name, so that a name swapped meanwhile in the shared
    // folder cannot redirect the change.
    return tessaly::apply_file_rights("/proc/self/fd/" + std::to_string(fd));
  };
  return stagedWrite(configPath, tempTemplate, writeConfigFile(document), rights, error);
}

}  // namespace

// ---------------------------------------------------------------------------------------

UpdateSessionConfig::UpdateSessionConfig(const QString& dataDir, QObject* parent)
    : QObject(parent),
      dataDir_(dataDir),
      configPath_(dataDir.isEmpty() ? QString()
                                    : QDir(dataDir).filePath(qs(layout::kSessionFileName))) {}

UpdateSessionConfig::~UpdateSessionConfig() = default;

SessionList* UpdateSessionConfig::GetSessionList() { return &sessions_; }

QString UpdateSessionConfig::lastError() const { return lastError_; }

QString UpdateSessionConfig::configPath() const { return configPath_; }

void UpdateSessionConfig::ClearSessionList() { sessions_.clear(); }

void UpdateSessionConfig::RemoveSessionRecord(const QString& key) {
  sessions_.removeIf([&key](const SessionRecord& record) { return record.uuid == key; });
}

bool UpdateSessionConfig::fail(const QString& reason) {
  lastError_ = reason;
  return false;
}

bool UpdateSessionConfig::ReadSessionConfig() {
  ClearSessionList();
  lastError_.clear();
  const LoadedFile file = loadFile(configPath_, false);
  if (file.state == FileState::Damaged) return fail(file.error);
  if (file.state != FileState::Parsed) return true;

  for (const XmlNode& session : file.document.configuration.children) {
    if (!isSession(session)) continue;
    SessionRecord record;
    record.uuid = textOf(&session, el::uuid);
    record.name = textOf(&session, el::name);
    if (!tessaly::is_valid_uuid(record.uuid.toStdString())) {
      // The service skips such a task too: its uuid may not form a folder path.
      qWarning("task \"%s\" has no valid uuid and is not listed", qUtf8Printable(record.name));
      continue;
    }
    record.status = serviceStateText(ServiceState::NotStarted);
    record.action = textOf(&session, el::action);
    record.scheduleKind = textOf(&session, el::type);
    if (record.scheduleKind == qs(layout::kTriggerWords[1])) {
      if (const XmlNode* kind = session.child(qs(el::schedule_type)))
        record.scheduleKind = kind->text;
      QStringList times;
      for (const XmlNode& child : session.children) {
        if (child.name == qs(el::schedule_time)) times.append(child.text);
      }
      record.scheduleTimes = times.join(u',');
    }

    QStringList extensions;
    const XmlNode* filter = session.child(qs(el::filter));
    const XmlNode* extension = filter != nullptr ? filter->child(qs(el::extension)) : nullptr;
    if (extension != nullptr) {
      for (const XmlNode& alias : extension->children) {
        if (alias.name != qs(el::alias)) continue;
        for (const XmlNode& ext : alias.children) {
          if (ext.name == qs(el::ext)) extensions.append(ext.text);
        }
      }
    }
    record.extensions = extensions.join(QStringLiteral(", "));

    // The service runs a task to its first destination.
    const XmlNode* destination = session.child(qs(el::destination));
    record.user = textOf(destination, el::user);
    record.password = textOf(destination, el::password);
    record.destinationPath = textOf(destination, el::path);
    record.model = textOf(destination, el::model);
    sessions_.append(record);
  }
  return true;
}

int UpdateSessionConfig::AddSession(const QString& name, const QStringList& videoExtensions,
                                    const QStringList& pictureExtensions,
                                    const QStringList& audioExtensions,
                                    const QStringList& customExtensions,
                                    const QStringList& sourceFolders, const QString& user,
                                    const QString& password, const QString& destinationPath,
                                    const QString& model, const QString& action,
                                    const QString& scheduleKind, const QStringList& scheduleTimes) {
  lastError_.clear();
  NewTask task;
  task.name = name;
  task.extensionGroups = {videoExtensions, pictureExtensions, audioExtensions, customExtensions};
  task.sources = sourceFolders;
  task.user = user;
  task.password = password;
  task.destinationPath = destinationPath;
  task.model = model;
  task.action = action;
  if (const QString* text = unsafeText(task)) {
    fail(QStringLiteral("the text \"%1\" holds a character XML cannot carry").arg(*text));
    return AddNotWritten;
  }
  if (!isWord(layout::kActionWords, action)) {
    fail(QStringLiteral("unknown backup kind \"%1\"").arg(action));
    return AddNotWritten;
  }
  QString error;
  if (!triggerOf(scheduleKind, scheduleTimes, &task.trigger, &error)) {
    fail(error);
    return AddNotWritten;
  }

  LoadedFile file = loadFile(configPath_, false);
  if (file.state == FileState::Damaged) {
    fail(file.error + QStringLiteral("; the task is not added"));
    return AddNotWritten;
  }
  ConfigDocument document = file.state == FileState::Parsed ? file.document : newDocument();
  XmlNode& configuration = document.configuration;
  renumber(configuration);  // makes sure `count` is there

  QSet<QString> taken;
  for (const XmlNode& child : configuration.children) {
    if (isSession(child)) taken.insert(textOf(&child, el::uuid).toLower());
  }
  do {
    task.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
  } while (taken.contains(task.uuid));

  // Right after the last task, or after `count` when there is none.
  qsizetype at = -1;
  for (qsizetype i = 0; i < configuration.children.size(); ++i) {
    if (isSession(configuration.children.at(i))) at = i;
  }
  if (at < 0) {
    for (qsizetype i = 0; i < configuration.children.size(); ++i) {
      if (configuration.children.at(i).name == qs(el::count)) {
        at = i;
        break;
      }
    }
  }
  configuration.children.insert(at + 1, sessionNode(task));
  renumber(configuration);

  if (!writeTaskFile(dataDir_, configPath_, document, &lastError_)) return AddNotWritten;
  return AddDone;
}

bool UpdateSessionConfig::UpdateSchedule(const QString& uuid, const QString& name,
                                         const QString& scheduleKind,
                                         const QStringList& scheduleTimes, int mode) {
  lastError_.clear();
  if (uuid.isEmpty()) return fail(QStringLiteral("no task uuid given"));
  Trigger trigger;
  if (mode == Rename) {
    if (!isXmlSafeText(name)) {
      return fail(QStringLiteral("the name \"%1\" holds a character XML cannot carry").arg(name));
    }
  } else if (mode == Reschedule) {
    QString error;
    if (!triggerOf(scheduleKind, scheduleTimes, &trigger, &error)) return fail(error);
  } else {
    return fail(QStringLiteral("unknown change %1").arg(mode));
  }

  LoadedFile file = loadFile(configPath_, false);
  if (file.state == FileState::Damaged)
    return fail(file.error + QStringLiteral("; nothing is changed"));
  if (file.state != FileState::Parsed) return fail(QStringLiteral("there is no task %1").arg(uuid));

  bool found = false;
  for (XmlNode& session : file.document.configuration.children) {
    if (!isSession(session) || textOf(&session, el::uuid) != uuid) continue;
    found = true;
    if (mode == Rename) {
      // The task's own name, directly under the session, never the group names below it.
      if (XmlNode* own = session.child(qs(el::name))) {
        own->text = name;
      } else {
        // A task without a name gets one right after its uuid.
        XmlNode node;
        node.name = qs(el::name);
        node.text = name;
        qsizetype at = 0;
        while (at < session.children.size() && session.children.at(at).name != qs(el::uuid)) ++at;
        session.children.insert(at < session.children.size() ? at + 1 : 0, node);
      }
    } else {
      // The old trigger and everything after it give way to the new trigger.
      qsizetype at = 0;
      while (at < session.children.size() && session.children.at(at).name != qs(el::type)) ++at;
      session.children.resize(at);
      appendTrigger(session, trigger);
    }
  }
  if (!found) return fail(QStringLiteral("there is no task %1").arg(uuid));
  renumber(file.document.configuration);
  return writeTaskFile(dataDir_, configPath_, file.document, &lastError_);
}

bool UpdateSessionConfig::DeleteSession(const QString& key) {
  lastError_.clear();
  if (key.isEmpty()) return fail(QStringLiteral("no task uuid given"));
  LoadedFile file = loadFile(configPath_, false);
  if (file.state == FileState::Damaged)
    return fail(file.error + QStringLiteral("; nothing is deleted"));
  if (file.state != FileState::Parsed) return fail(QStringLiteral("there is no task %1").arg(key));

  XmlNode& configuration = file.document.configuration;
  const qsizetype removed = configuration.children.removeIf(
      [&key](const XmlNode& node) { return isSession(node) && textOf(&node, el::uuid) == key; });
  if (removed == 0) return fail(QStringLiteral("there is no task %1").arg(key));
  renumber(configuration);
  if (!writeTaskFile(dataDir_, configPath_, file.document, &lastError_)) return false;
  // Only now that the file no longer holds the task.
  RemoveSessionRecord(key);
  return true;
}

bool UpdateSessionConfig::ExportSessionConfig(const QString& fileName) {
  lastError_.clear();
  if (fileName.isEmpty()) return fail(QStringLiteral("no file name given"));
  if (sameFile(fileName, configPath_)) {
    return fail(QStringLiteral("the tasks are not exported onto the task file itself"));
  }
  const LoadedFile file = loadFile(configPath_, false);
  if (file.state == FileState::Damaged)
    return fail(file.error + QStringLiteral("; nothing is exported"));
  // Without tasks the export is a task file without tasks, which an import takes back.
  const ConfigDocument document = file.state == FileState::Parsed ? file.document : newDocument();
  if (!treeIsXmlSafe(document.description) || !treeIsXmlSafe(document.configuration)) {
    return fail(QStringLiteral("the tasks hold a character XML cannot carry"));
  }
  const QFileInfo target(fileName);
  const QString tempTemplate =
      QDir(target.absolutePath()).filePath(QStringLiteral(".tessaly-export.XXXXXX"));
  // The export holds the passwords: readable by its owner only.
  auto ownerOnly = [](int fd) { return ::fchmod(fd, 0600) == 0; };
  return stagedWrite(target.absoluteFilePath(), tempTemplate, writeConfigFile(document), ownerOnly,
                     &lastError_);
}

int UpdateSessionConfig::ImportSessionConfig(const QString& fileName) {
  lastError_.clear();
  if (fileName.isEmpty()) {
    fail(QStringLiteral("no file name given"));
    return ImportRefused;
  }
  const LoadedFile file = loadFile(fileName, true);
  switch (file.state) {
    case FileState::Absent:
      fail(QStringLiteral("%1 does not exist").arg(fileName));
      return ImportRefused;
    case FileState::Empty:
      fail(QStringLiteral("%1 holds no element").arg(fileName));
      return ImportRefused;
    case FileState::Damaged:
      fail(file.error);
      return ImportRefused;
    case FileState::Parsed:
      break;
  }
  // The header marks a task file: `magic`, the third element after `description` and
  // `version`, holds the task file's magic.
  const QList<XmlNode>& header = file.document.description.children;
  if (header.size() < 2 || header.at(1).name != qs(layout::element::magic) ||
      !header.at(1).text.contains(qs(layout::kSessionHeader.magic))) {
    fail(QStringLiteral("%1 is not a task file").arg(fileName));
    return ImportRefused;
  }
  // Every task's uuid forms a folder path in the service and names the task: it must be a
  // uuid text, and no two tasks may share one (in either case: shares ignore case).
  QSet<QString> seen;
  for (const XmlNode& session : file.document.configuration.children) {
    if (!isSession(session)) continue;
    const QString uuid = textOf(&session, el::uuid);
    if (!tessaly::is_valid_uuid(uuid.toStdString())) {
      fail(QStringLiteral("%1 holds a task without a valid uuid (\"%2\")").arg(fileName, uuid));
      return ImportRefused;
    }
    if (seen.contains(uuid.toLower())) {
      fail(QStringLiteral("%1 holds the task %2 twice").arg(fileName, uuid));
      return ImportRefused;
    }
    seen.insert(uuid.toLower());
  }
  if (!treeIsXmlSafe(file.document.description) || !treeIsXmlSafe(file.document.configuration)) {
    fail(QStringLiteral("%1 holds a character XML cannot carry").arg(fileName));
    return ImportRefused;
  }
  if (!writeTaskFile(dataDir_, configPath_, file.document, &lastError_)) return ImportNotWritten;
  return Imported;
}
