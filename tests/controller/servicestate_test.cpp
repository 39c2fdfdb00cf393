// The service's state texts recognised in every language of its catalogue. The expected
// texts are read from the service's .po sources when the test runs, by a reader of this
// test's own, so a translation that the build's table lost or mangled shows as a failure.
#include "servicestate.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTextStream>

#include <utility>

#include "controller_test.h"

Q_DECLARE_METATYPE(ServiceState)
Q_DECLARE_METATYPE(RunOutcome)

namespace {

struct PoEntry {
  QString language;
  QString msgid;
  QString msgstr;
};

// The text of one quoted .po string ("..." with C escapes).
QString unquote(const QString& token) {
  QString out;
  const QString body = token.mid(1, token.size() - 2);
  for (qsizetype i = 0; i < body.size(); ++i) {
    const QChar c = body.at(i);
    if (c != u'\\' || i + 1 == body.size()) {
      out += c;
      continue;
    }
    const QChar e = body.at(++i);
    if (e == u'n')
      out += u'\n';
    else if (e == u't')
      out += u'\t';
    else
      out += e;
  }
  return out;
}

// The translated entries of one .po file that msgfmt keeps: not fuzzy, without context,
// with a translation.
QList<PoEntry> readPo(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QString language = QFileInfo(path).completeBaseName();
  QList<PoEntry> out;
  QString msgid, msgstr, *current = nullptr;
  bool fuzzy = false, context = false, inEntry = false;
  auto finish = [&] {
    if (inEntry && !fuzzy && !context && !msgid.isEmpty() && !msgstr.isEmpty()) {
      out.append({language, msgid, msgstr});
    }
    msgid.clear();
    msgstr.clear();
    current = nullptr;
    fuzzy = context = inEntry = false;
  };
  QTextStream in(&file);
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.isEmpty()) {
      finish();
    } else if (line.startsWith(u"#,")) {
      if (inEntry) finish();
      fuzzy = line.contains(u"fuzzy");
    } else if (line.startsWith(u'#')) {
      continue;
    } else if (line.startsWith(u'"') && current != nullptr) {
      *current += unquote(line);
    } else if (line.startsWith(u"msgctxt ")) {
      context = inEntry = true;
      current = nullptr;
    } else if (line.startsWith(u"msgid ")) {
      if (!msgstr.isEmpty()) finish();
      inEntry = true;
      msgid = unquote(line.mid(6));
      current = &msgid;
    } else if (line.startsWith(u"msgstr ") || line.startsWith(u"msgstr[0] ")) {
      msgstr = unquote(line.mid(line.indexOf(u' ') + 1));
      current = &msgstr;
    } else {
      current = nullptr;  // msgid_plural, further plural forms
    }
  }
  finish();
  return out;
}

constexpr ServiceState kStates[] = {ServiceState::NotStarted, ServiceState::BackupRunning,
                                    ServiceState::RestoreRunning};

// The service's texts of how a backup ended, and what each stands for.
const std::pair<const char*, RunOutcome> kOutcomes[] = {
    {"Backup %s is completed.", RunOutcome::Completed},
    {"Backup %s is incomplete: %ld files or folders could not be backed up.", RunOutcome::Incomplete},
    {"Backup %s is stopped by user.", RunOutcome::Stopped},
};

// A format filled as the service fills it.
QString filled(const QString& format, const QString& name, long count) {
  QString out = format;
  out.replace(QStringLiteral("%ld"), QString::number(count));
  return out.replace(QStringLiteral("%s"), name);
}

}  // namespace

class ServiceStateTest : public QObject {
  Q_OBJECT

 private slots:
  void everyLanguageOfTheCatalogue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<ServiceState>("state");
    const QDir folder(QStringLiteral(TESSALY_PO_DIR));
    const QStringList files = folder.entryList({QStringLiteral("*.po")}, QDir::Files);
    QVERIFY(files.size() >= 9);
    for (ServiceState state : kStates) {
      QTest::newRow(qPrintable(QStringLiteral("en/") + serviceStateText(state)))
          << serviceStateText(state) << state;
    }
    for (const QString& name : files) {
      int found = 0;
      for (const PoEntry& entry : readPo(folder.filePath(name))) {
        for (ServiceState state : kStates) {
          if (entry.msgid != serviceStateText(state)) continue;
          ++found;
          QTest::newRow(qPrintable(entry.language + u'/' + entry.msgid)) << entry.msgstr << state;
        }
      }
      // Every language of the service translates all three.
      QVERIFY2(found == 3, qPrintable(name));
    }
  }

  void everyLanguageOfTheCatalogue() {
    QFETCH(QString, text);
    QFETCH(ServiceState, state);
    QCOMPARE(serviceStateOf(text), state);
    // The answer's text may come with blanks or a line end around it.
    QCOMPARE(serviceStateOf(QStringLiteral(" \t") + text + QStringLiteral("\r\n")), state);
  }

  // Only the whole text counts: a part, a longer text, another case or a text of two
  // states is no state.
  void otherTextsAreUnknown_data() {
    QTest::addColumn<QString>("text");
    for (const char* text :
         {"", " ", "Not started.", "not started", "Backup", "running", "Sicherung läuft!",
          "Sicherung", "Backup is running Restore is running", "Backup  is running",
          "Not\nstarted"}) {
      QTest::newRow(text) << QString::fromUtf8(text);
    }
  }

  void otherTextsAreUnknown() {
    QFETCH(QString, text);
    QCOMPARE(serviceStateOf(text), ServiceState::Unknown);
  }

  // Every language's end-of-run texts, filled with a name (also one that looks like part of
  // a text) and a count, stand for their outcome.
  void outcomesInEveryLanguage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<RunOutcome>("outcome");
    const QDir folder(QStringLiteral(TESSALY_PO_DIR));
    const QStringList names = {QStringLiteral("Docs"), QStringLiteral("My Docs: is completed.")};
    for (const auto& [format, outcome] : kOutcomes) {
      for (const QString& name : names) {
        QTest::newRow(qPrintable(QStringLiteral("en/") + format + u'/' + name))
            << filled(QString::fromUtf8(format), name, 12) << outcome;
      }
    }
    for (const QString& file : folder.entryList({QStringLiteral("*.po")}, QDir::Files)) {
      int found = 0;
      for (const PoEntry& entry : readPo(folder.filePath(file))) {
        for (const auto& [format, outcome] : kOutcomes) {
          if (entry.msgid != QString::fromUtf8(format)) continue;
          ++found;
          QTest::newRow(qPrintable(entry.language + u'/' + entry.msgid))
              << filled(entry.msgstr, names[0], 3) << outcome;
        }
      }
      QVERIFY2(found == 3, qPrintable(file));
    }
  }

  void outcomesInEveryLanguage() {
    QFETCH(QString, text);
    QFETCH(RunOutcome, outcome);
    QCOMPARE(runOutcomeOf(text), outcome);
  }

  // A text with more or less around an outcome text, or a word for the count, is none.
  void otherTextsAreNoOutcome_data() {
    QTest::addColumn<QString>("text");
    for (const char* text :
         {"", "Backup Docs was started.", "Backup Docs is completed", "Backup Docs is completed. ok",
          "x Backup Docs is completed.", "Backup Docs is incomplete: many files or folders could not be backed up.",
          "Restore Docs is completed.", "Backup Docs is stopped because the system is shutting down."}) {
      QTest::newRow(text) << QString::fromUtf8(text);
    }
  }

  void otherTextsAreNoOutcome() {
    QFETCH(QString, text);
    QCOMPARE(runOutcomeOf(text), RunOutcome::None);
  }

  void sourceTexts() {
    QCOMPARE(serviceStateText(ServiceState::NotStarted), QStringLiteral("Not started"));
    QCOMPARE(serviceStateText(ServiceState::BackupRunning), QStringLiteral("Backup is running"));
    QCOMPARE(serviceStateText(ServiceState::RestoreRunning), QStringLiteral("Restore is running"));
    QVERIFY(serviceStateText(ServiceState::Unknown).isEmpty());
  }
};

TESSALY_TEST_MAIN(ServiceStateTest, QCoreApplication)
#include "servicestate_test.moc"
