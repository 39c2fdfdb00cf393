#include "getloginformation.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QXmlStreamReader>

#include <cstdint>
#include <string>

#include "file_read.h"
#include "xmltree.h"

namespace {

// The service keeps at most a few thousand records of a few kilobytes each.
constexpr uint64_t kLogFileMax = 64u << 20;

// The six texts a record keeps, by element name; null for any other name.
QString* recordField(LogRecord& record, QStringView name) {
  if (name == u"type") return &record.type;
  if (name == u"uuid") return &record.uuid;
  if (name == u"domain") return &record.domain;
  if (name == u"time1") return &record.time1;
  if (name == u"time2") return &record.time2;
  if (name == u"content") return &record.content;
  return nullptr;
}

}  // namespace

GetLogInformation::GetLogInformation(const QString& dataDir, QObject* parent)
    : QObject(parent),
      logPath_(dataDir.isEmpty() ? QString()
                                 : QDir(dataDir).filePath(QStringLiteral("LOG.dat"))) {}

GetLogInformation::~GetLogInformation() = default;

// The body after the first "</description>" is read token by token. Each `log` element
// starts a record with all six texts empty (carrying a missing element over from the record
// before would give a record of one task another task's uuid; the service
// always writes all six, so its files read the same either way). A record is kept only when
// its end tag was read: an XML error ends the reading and keeps the records before it.
void GetLogInformation::ReadLog() {
  list_ = LogList();
  // Never a FIFO or a device, never through a symbolic link put in the file's place in the
  // shared folder (file_read.h).
  std::string read;
  if (logPath_.isEmpty() || tessaly::read_regular_file(QFile::encodeName(logPath_).toStdString(),
                                                       false, kLogFileMax, &read) != 0) {
    return;
  }
  const QByteArray bytes = QByteArray::fromStdString(read);
  const QByteArray end = "</description>";
  const qsizetype cut = bytes.indexOf(end);
  if (cut < 0) return;  // not a log file (or an empty one)

  QXmlStreamReader reader(bytes.mid(cut + end.size()));
  LogRecord record;
  int logDepth = 0;          // depth of the open `log` element, 0 outside one
  int depth = 0;             // depth of the current element
  QString* field = nullptr;  // the text being collected, inside a leaf of the record
  QString text;
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement:
        // Deeper than any log: damaged, read no further (the records before it stay).
        if (depth >= kMaxElementDepth) {
          reader.raiseError(tooDeepError());
          break;
        }
        ++depth;
        field = nullptr;
        if (logDepth == 0 && reader.name() == u"log") {
          logDepth = depth;
          record = LogRecord();
        } else if (logDepth != 0 && depth == logDepth + 1) {
          field = recordField(record, reader.name());
          text.clear();
        }
        break;
      case QXmlStreamReader::Characters:
        if (field) text += reader.text();
        break;
      case QXmlStreamReader::EndElement:
        if (field && depth == logDepth + 1) *field = text;
        field = nullptr;
        if (logDepth != 0 && depth == logDepth) {
          list_.records.append(record);
          logDepth = 0;
        }
        --depth;
        break;
      default: break;
    }
  }
  list_.count = static_cast<int>(list_.records.size());
}
