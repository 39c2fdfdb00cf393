// The controller's start-up: one copy per user session, and the translation and style sheet
// of the language stored in GLOBAL_SETTING.dat.
//
// One copy: a QLockFile decides who runs, and a QLocalServer beside it takes the second
// start's hand-over text. Both live in the user's runtime folder ($XDG_RUNTIME_DIR, else a
// private 0700 folder of the user under /tmp), so each user runs a copy of their own. Only the
// holder of the lock removes a server name left behind by a crashed copy; a second start
// never touches the socket of a running first copy, even when that copy is too busy to
// answer in time.
//
// Language: the stored name is only ever matched against the nine names of the language
// list; the translator's file name and the style sheet come from the matched name, never from
// the stored text, which lies in a folder that every user of the controller can write.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QString>

#include <memory>

class QLocalServer;
class QLockFile;
class QTranslator;

// ---- single instance ------------------------------------------------------------------

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `folder`: where the server and the lock live; empty for the user's runtime folder.
  explicit SingleInstance(const QString& folder = {}, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this process is the one copy that runs: it holds the lock and (normally)
  // listens. Also true when the lock cannot be used at all (an unwritable folder): the
  // program then runs without single-instance protection, as it always did when its server
  // could not listen. False when another live copy holds the lock.
  bool claim();

  // For a second copy: hands `text` to the running copy (best effort; waits at most 500 ms
  // for the connection) and returns.
  void handOver(const QString& text);

  QString serverName() const { return serverName_; }
  QString lockPath() const { return lockPath_; }
  bool listening() const;

  // The user's runtime folder: $XDG_RUNTIME_DIR when it is an existing folder, else
  // /tmp/TessalySync-<uid>, made 0700 and checked to be the user's own.
  static QString runtimeFolder();

 private:
  void discardConnection();

  QString serverName_;
  QString lockPath_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};

// ---- language and style ---------------------------------------------------------------

// What a stored language name selects.
struct LanguageChoice {
  QString name;            // one of the nine names of the language list, e.g. "Simplified Chinese"
  QString translatorPath;  // <languageDir>/Language_<name without spaces> (QTranslator adds .qm)
  QString styleSheet;      // ":/English.qss", ":/SimplifiedChinese.qss", ...
  // Qt's own texts (standard buttons, file dialogs): <Qt's translations>/qtbase_<code>, the
  // code Qt's translations use for the language ("de", "zh_CN", "pt_BR", ...).
  QString qtTranslatorPath;
};

// The language the stored text names: the first name of the list that it contains
// (case-insensitive), as the settings page's language list selects it; anything else is
// English. Then the translator file and the style sheet of that name.
LanguageChoice chooseLanguage(const QString& stored, const QString& languageDir);

// The folder of the translator files: <program folder>/Language.
QString defaultLanguageDir();

// The one translator of the window's texts, with Qt's translation of its own texts (message
// box buttons, file dialogs) beside it. Installing a language removes the pair installed
// before, so that a text the new files lack shows in English, never in the old language.
// The start-up installs the stored language; the settings page switches through the same
// object (LanguageSwitch::instance()).
class LanguageSwitch : public QObject {
  Q_OBJECT

 public:
  // The application's object, made on first use as a child of the application.
  static LanguageSwitch* instance();

  // Loads and installs the translator and sets the application's style sheet for the
  // stored language name. Returns the choice made. A translator file that cannot be loaded
  // leaves the English texts; a style sheet that cannot be read leaves no style sheet.
  LanguageChoice apply(const QString& storedLanguage);

  // Reads the language of GLOBAL_SETTING.dat in the data folder and applies it.
  LanguageChoice applyStored(const QString& dataFolder);

  void setLanguageDir(const QString& dir) { languageDir_ = dir; }
  const QTranslator* translator() const { return translator_; }
  const QTranslator* qtTranslator() const { return qtTranslator_; }

 private:
  explicit LanguageSwitch(QObject* parent);

  QTranslator* translator_ = nullptr;
  QTranslator* qtTranslator_ = nullptr;
  bool installed_ = false;
  bool qtInstalled_ = false;
  QString languageDir_;
};
