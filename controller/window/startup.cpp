// The start-up's single-instance lock and server, and the one translator of the window.
// See startup.h for why the lock, not the server, decides which copy runs.
#include "startup.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLibraryInfo>
#include <QtCore/QLockFile>
#include <QtCore/QTextStream>
#include <QtCore/QTimer>
#include <QtCore/QTranslator>
#include <QtNetwork/QLocalServer>
#include <QtNetwork/QLocalSocket>
#include <QtWidgets/QApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <tuple>

#include "config_format.h"
#include "updateglobalsetting.h"

namespace {

constexpr int kConnectTimeoutMs = 500;
// The hand-over text is a few bytes into a local socket: it is written at once unless the
// other end is gone. A second start must end within about a second in any case.
constexpr int kWriteTimeoutMs = 1000;
// A connection to the first copy that stays open this long is dropped.
constexpr int kHandOverLifetimeMs = 5000;

// The code of each language in the names of Qt's translation files. Qt translates its texts
// into Brazilian Portuguese only, which serves the Portuguese window as well.
struct QtLanguage {
  const char* name;
  const char* code;
};
constexpr QtLanguage kQtLanguages[] = {
    {"English", "en"}, {"Simplified Chinese", "zh_CN"}, {"Traditional Chinese", "zh_TW"},
    {"French", "fr"},  {"German", "de"},                {"Italian", "it"},
    {"Portuguese", "pt_BR"}, {"Russian", "ru"},         {"Spanish", "es"},
};

QString qtLanguageCode(const QString& name) {
  for (const QtLanguage& language : kQtLanguages) {
    if (name == QLatin1String(language.name)) return QString::fromLatin1(language.code);
  }
  return QStringLiteral("en");
}

}  // namespace

// ---- single instance ------------------------------------------------------------------

SingleInstance::SingleInstance(const QString& folder, QObject* parent) : QObject(parent) {
  const QString dir = folder.isEmpty() ? runtimeFolder() : folder;
  if (!dir.isEmpty()) {
    serverName_ = dir + "/TessalySync";
    lockPath_ = dir + "/TessalySync.lock";
  }
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::runtimeFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
    return QDir::cleanPath(runtime);
  }
  // /tmp is shared by every user: the folder must be a real folder of this user, not a link
  // or a folder someone else made for us.
  const uid_t uid = getuid();
  const QByteArray path = QByteArray("/tmp/TessalySync-") + QByteArray::number(uid);
  if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return {};
  struct stat st {};
  if (lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid) return {};
  if ((st.st_mode & 07777) != 0700 && chmod(path.constData(), 0700) != 0) return {};
  return QString::fromLocal8Bit(path);
}

bool SingleInstance::claim() {
  if (lockPath_.isEmpty()) return true;  // no private folder: run without protection
  lock_ = std::make_unique<QLockFile>(lockPath_);
  // The lock is held for the program's whole run: never stale by age, only when its holder
  // is gone (QLockFile checks the process id it wrote).
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    if (lock_->error() == QLockFile::LockFailedError) {
      lock_.reset();
      return false;
    }
    lock_.reset();  // the lock cannot be used at all: run without protection
    return true;
  }
  // Holding the lock, any socket of that name was left by a copy that is gone.
  QLocalServer::removeServer(serverName_);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::discardConnection);
  server_->listen(serverName_);  // a failure leaves the lock alone to keep copies apart
  return true;
}

bool SingleInstance::listening() const { return server_ && server_->isListening(); }

// The running copy does nothing with a second start's text; it reads and drops it so that
// connections never pile up.
void SingleInstance::discardConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::readyRead, socket, [socket] { socket->readAll(); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kHandOverLifetimeMs, socket, [socket] {
      socket->abort();
      socket->deleteLater();
    });
    socket->readAll();
    if (socket->state() == QLocalSocket::UnconnectedState) socket->deleteLater();
  }
}

void SingleInstance::handOver(const QString& text) {
  if (serverName_.isEmpty()) return;
  QLocalSocket socket;
  socket.connectToServer(serverName_, QIODevice::ReadWrite);
  if (!socket.waitForConnected(kConnectTimeoutMs)) return;
  {
    QTextStream stream(&socket);
    stream << text;
    stream.flush();
  }
  if (socket.bytesToWrite() > 0) socket.waitForBytesWritten(kWriteTimeoutMs);
  socket.disconnectFromServer();
}

// ---- language and style ---------------------------------------------------------------

LanguageChoice chooseLanguage(const QString& stored, const QString& languageDir) {
  LanguageChoice choice;
  choice.name = QStringLiteral("English");
  for (std::string_view name : tessaly::config_format::kLanguageNames) {
    const QString candidate = QString::fromLatin1(name.data(), qsizetype(name.size()));
    if (stored.contains(candidate, Qt::CaseInsensitive)) {
      choice.name = candidate;
      break;
    }
  }
  QString compact = choice.name;
  compact.remove(QLatin1Char(' '));
  choice.translatorPath = languageDir + "/Language_" + compact;
  choice.qtTranslatorPath = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_" +
                            qtLanguageCode(choice.name);

  // French, German, Italian and Spanish share the English sheet.
  if (compact.contains("SimplifiedChinese", Qt::CaseInsensitive)) {
    choice.styleSheet = ":/SimplifiedChinese.qss";
  } else if (compact.contains("TraditionalChinese", Qt::CaseInsensitive)) {
    choice.styleSheet = ":/TraditionalChinese.qss";
  } else if (compact.contains("Russian", Qt::CaseInsensitive)) {
    choice.styleSheet = ":/Russian.qss";
  } else if (compact.contains("Portuguese", Qt::CaseInsensitive)) {
    choice.styleSheet = ":/Portuguese.qss";
  } else {
    choice.styleSheet = ":/English.qss";
  }
  return choice;
}

QString defaultLanguageDir() { return QCoreApplication::applicationDirPath() + "/Language"; }

LanguageSwitch::LanguageSwitch(QObject* parent)
    : QObject(parent), translator_(new QTranslator(this)), qtTranslator_(new QTranslator(this)) {
  setObjectName("languageSwitch");
}

LanguageSwitch* LanguageSwitch::instance() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return nullptr;
  if (auto* existing = app->findChild<LanguageSwitch*>(QString(), Qt::FindDirectChildrenOnly)) {
    return existing;
  }
  return new LanguageSwitch(app);
}

LanguageChoice LanguageSwitch::apply(const QString& storedLanguage) {
  const LanguageChoice choice =
      chooseLanguage(storedLanguage, languageDir_.isEmpty() ? defaultLanguageDir() : languageDir_);

  // load() drops the old texts first, so a failed load leaves an empty translator, which
  // is not installed: the texts are English.
  for (auto [translator, installed, path] :
       {std::tuple{translator_, &installed_, choice.translatorPath},
        std::tuple{qtTranslator_, &qtInstalled_, choice.qtTranslatorPath}}) {
    if (*installed) {
      QCoreApplication::removeTranslator(translator);
      *installed = false;
    }
    if (translator->load(path)) *installed = QCoreApplication::installTranslator(translator);
  }

  QString sheet;
  QFile file(choice.styleSheet);
  if (file.open(QIODevice::ReadOnly)) sheet = QString::fromUtf8(file.readAll());
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    app->setStyleSheet(sheet);
  }
  return choice;
}

LanguageChoice LanguageSwitch::applyStored(const QString& dataFolder) {
  updateglobalsetting store(dataFolder);
  const GlobalSettingRecord* record = store.ReadGlobalSetting();
  return apply(record ? record->language : QString());
}
