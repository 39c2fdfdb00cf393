// The controller's reader and writer of GLOBAL_SETTING.dat.
//
// ReadGlobalSetting reads the whole file into one record of element texts; the writers
// rewrite one section (1 language, 2 e-mail, 3 log, 4 backup and restore, 5 the body's misc)
// from the settings page's values or with that section's defaults, and leave every other part
// as it was. A rewrite reads and parses the whole file first and is refused when the file is
// damaged; a missing or empty file is first filled with the service's default text. The new
// file is written under a temporary name in the data folder and renamed over the old one.
//
// Reading takes each leaf element by its name wherever it stands, `delete_sync` by its parent
// (`backup` or `restore`), as the service does; a damaged file gives the values before the
// damage. Writing: the header's misc is always emptied; a section element missing from the
// body is added at its end; `ifFull` is stored as "stop" or, for any other text, "clear"; a
// value with a character XML 1.0 cannot hold is refused (the service would reject the file).
#pragma once

#include <QtCore/QList>
#include <QtCore/QObject>
#include <QtCore/QString>

#include "xmltree.h"

struct EmailSettingRecord {
  QString sendComplete;
  QString emailPeriodEnable;
  QString schedule;
  QString method;
  QString ssl;
  QString time;
  QString password;
  QString smtpServer;
  QString userName;
  QString senderEmail;
  QString receiverEmail;
};

// Every field holds its element's text as it stands in the file, empty when it is absent.
struct GlobalSettingRecord {
  QString ifFull;
  QString backupDeleteSync;
  QString restoreDeleteSync;
  QString autoStartup;
  QString shutdown;
  QString language;
  EmailSettingRecord email;
};

class updateglobalsetting : public QObject {
  Q_OBJECT

 public:
  // An empty `dataDir` is no folder: the record stays empty and every write fails.
  explicit updateglobalsetting(const QString& dataDir, QObject* parent = nullptr);
  ~updateglobalsetting() override;

  // Reads the file again; the pointer stays valid for the object's life.
  GlobalSettingRecord* ReadGlobalSetting();

  // Rewrite one section. False when the file could not be read whole, is damaged, or could
  // not be written (the old file is then left as it was); `lastError()` tells why.
  bool WriteGlobalSetting(int section, const QString& language, bool sendComplete,
                          bool emailPeriodEnable, const QString& schedule, const QString& time,
                          const QString& method, const QString& userName, const QString& password,
                          const QString& smtpServer, const QString& senderEmail,
                          const QString& receiverEmail, bool ssl, const QString& ifFull,
                          bool backupDeleteSync, bool restoreDeleteSync, bool autoStartup,
                          bool shutdown);
  bool WriteDefaultSetting(int section);

  QString lastError() const { return lastError_; }
  QString configPath() const { return configPath_; }

 private:
  void ClearGlobalSettings();
  // Puts each of `sections` (body elements with their new content) in place and rewrites the
  // file; false, with lastError_ set and the file untouched, on any failure.
  bool rewrite(const QList<XmlNode>& sections);

  GlobalSettingRecord settings_;
  GlobalSettingRecord* settingsPtr_ = &settings_;
  QString configPath_;
  QString lastError_;
};
