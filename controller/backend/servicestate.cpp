// Recognising the service's state and outcome texts (see servicestate.h). The tables of
// every translation come from servicestate_table.inc and runoutcome_table.inc, which the build
// writes from the service's catalogue (servicestate_texts.py).
#include "servicestate.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QHash>
#include <QtCore/QRegularExpression>

#include <utility>

namespace {

struct StateText {
  const char* language;
  ServiceState state;
  const char* text;  // UTF-8
};

constexpr StateText kStateTexts[] = {
#include "servicestate_table.inc"
};

struct OutcomeText {
  const char* language;
  RunOutcome outcome;
  const char* format;  // UTF-8, with "%s" for the task's name and "%ld" for a count
};

constexpr OutcomeText kOutcomeTexts[] = {
#include "runoutcome_table.inc"
};

// Text -> state over every language; built once, read-only afterwards.
const QHash<QString, ServiceState>& stateByText() {
  static const QHash<QString, ServiceState> table = [] {
    QHash<QString, ServiceState> out;
    for (const StateText& row : kStateTexts) {
      out.insert(QString::fromUtf8(row.text).trimmed(), row.state);
    }
    return out;
  }();
  return table;
}

// A whole-text pattern of an outcome format: the name may be any text, the count digits.
QRegularExpression outcomePattern(const QString& format) {
  QString pattern;
  qsizetype from = 0;
  static const QRegularExpression conversion(QStringLiteral("%(l?d|s)"));
  for (auto match = conversion.globalMatch(format); match.hasNext();) {
    const QRegularExpressionMatch m = match.next();
    pattern += QRegularExpression::escape(format.mid(from, m.capturedStart() - from));
    pattern += m.captured(1) == u"s" ? QStringLiteral(".*") : QStringLiteral("[0-9]+");
    from = m.capturedEnd();
  }
  pattern += QRegularExpression::escape(format.mid(from));
  return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                            QRegularExpression::DotMatchesEverythingOption);
}

const QList<std::pair<QRegularExpression, RunOutcome>>& outcomePatterns() {
  static const QList<std::pair<QRegularExpression, RunOutcome>> patterns = [] {
    QList<std::pair<QRegularExpression, RunOutcome>> out;
    for (const OutcomeText& row : kOutcomeTexts) {
      out.append({outcomePattern(QString::fromUtf8(row.format).trimmed()), row.outcome});
    }
    return out;
  }();
  return patterns;
}

}  // namespace

RunOutcome runOutcomeOf(const QString& content) {
  const QString text = content.trimmed();
  for (const auto& [pattern, outcome] : outcomePatterns()) {
    if (pattern.match(text).hasMatch()) return outcome;
  }
  return RunOutcome::None;
}

RunResult lastRunResult(const QList<LogRecord>& records, const QString& uuid,
                        const QString& lastRunTime) {
  RunResult result;
  const QDateTime started = QDateTime::fromString(lastRunTime, Qt::ISODate);
  if (uuid.isEmpty() || !started.isValid()) return result;
  bool failed = false;
  QString error;
  for (const LogRecord& record : records) {
    if (record.uuid.compare(uuid, Qt::CaseInsensitive) != 0) continue;
    const QDateTime time = QDateTime::fromString(record.time1, Qt::ISODate);
    if (!time.isValid() || time.toSecsSinceEpoch() != started.toSecsSinceEpoch()) continue;
    if (record.type.contains(QLatin1String("error"), Qt::CaseInsensitive)) {
      failed = true;
      error = record.content;
      continue;
    }
    const RunOutcome outcome = runOutcomeOf(record.content);
    if (outcome != RunOutcome::None) {
      result.outcome = outcome;
      result.text = outcome == RunOutcome::Incomplete ? record.content : QString();
    }
  }
  if (failed) result = {RunOutcome::Failed, error};
  return result;
}

ServiceState serviceStateOf(const QString& text) {
  return stateByText().value(text.trimmed(), ServiceState::Unknown);
}

QString serviceStateText(ServiceState state) {
  // Marked for lupdate in the window's context, where the window translates them.
  switch (state) {
    case ServiceState::NotStarted:
      return QStringLiteral(QT_TRANSLATE_NOOP("Dialog", "Not started"));
    case ServiceState::BackupRunning:
      return QStringLiteral(QT_TRANSLATE_NOOP("Dialog", "Backup is running"));
    case ServiceState::RestoreRunning:
      return QStringLiteral(QT_TRANSLATE_NOOP("Dialog", "Restore is running"));
    case ServiceState::Unknown:
      break;
  }
  return QString();
}
