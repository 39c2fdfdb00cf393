// Recognising the service's state texts (see servicestate.h). The table of every
// translation comes from servicestate_table.inc, which the build writes from the service's
// catalogue (servicestate_texts.py).
#include "servicestate.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QHash>

namespace {

struct StateText {
  const char* language;
  ServiceState state;
  const char* text;  // UTF-8
};

constexpr StateText kStateTexts[] = {
#include "servicestate_table.inc"
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

}  // namespace

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
