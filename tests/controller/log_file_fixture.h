// LOG.dat files in the service's layout for the log page's tests, and the service's way of
// putting one in place: written whole under a temporary name in the data folder, then
// renamed over LOG.dat (the watch sees the rename, never a half-written file).
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QCryptographicHash>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QList>
#include <QtCore/QString>

#include <cstdio>

namespace log_fixture {

struct Record {
  QString type = "message";
  QString domain = "Photos";
  QString time1 = "2026-03-01T13:05:09Z";
  QString time2 = "2026-03-01T13:05:10Z";
  QString content = "Backup started";
  QString uuid = "6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30";
};

// The whole file, with the checksum of the description's misc element computed as the
// service does (MD5 of the file with an empty misc element).
inline QByteArray logFile(const QList<Record>& records) {
  const QByteArray head =
      "<description>\n\t<version>1.0</version>\n\t<magic>E697A5E5BF97</magic>\n"
      "\t<vendor>BRELKIN</vendor>\n\t<type>log</type>\n\t<misc>";
  const QByteArray tail = "</misc>\n</description>\n";
  QByteArray text = "<configuration>\n\t<count>" + QByteArray::number(records.size()) +
                    "</count>\n";
  for (int i = 0; i < records.size(); ++i) {
    const Record& r = records[i];
    text += QString("\t<log id=\"%1\">\n\t\t<type>%2</type>\n\t\t<level>0</level>\n"
                    "\t\t<domain>%3</domain>\n\t\t<uuid>%4</uuid>\n\t\t<time1>%5</time1>\n"
                    "\t\t<time2>%6</time2>\n\t\t<content>%7</content>\n\t</log>\n")
                .arg(i + 1)
                .arg(r.type.toHtmlEscaped(), r.domain.toHtmlEscaped(), r.uuid, r.time1, r.time2,
                     r.content.toHtmlEscaped())
                .toUtf8();
  }
  text += "</configuration>\n";
  const QByteArray sum =
      QCryptographicHash::hash(head + tail + text, QCryptographicHash::Md5).toHex();
  return head + sum + tail + text;
}

// `count` records "record 1" ... "record N".
inline QList<Record> numbered(int count) {
  QList<Record> records;
  for (int i = 1; i <= count; ++i) {
    Record r;
    r.content = QString("record %1").arg(i);
    records << r;
  }
  return records;
}

// Puts `bytes` in place as <folder>/LOG.dat the way the service does.
inline bool replaceLog(const QString& folder, const QByteArray& bytes) {
  const QString temp = folder + "/_TMP_LOG_test";
  QFile file(temp);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  if (file.write(bytes) != bytes.size()) return false;
  file.close();
  return std::rename(QFile::encodeName(temp).constData(),
                     QFile::encodeName(folder + "/LOG.dat").constData()) == 0;
}

}  // namespace log_fixture
