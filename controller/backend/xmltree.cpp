#include "xmltree.h"

#include <QtCore/QXmlStreamReader>
#include <QtCore/QXmlStreamWriter>

XmlNode* XmlNode::child(const QString& childName) {
  for (XmlNode& c : children) {
    if (c.name == childName) return &c;
  }
  return nullptr;
}

const XmlNode* XmlNode::child(const QString& childName) const {
  for (const XmlNode& c : children) {
    if (c.name == childName) return &c;
  }
  return nullptr;
}

XmlNode& XmlNode::addLeaf(const QString& childName, const QString& value) {
  XmlNode node;
  node.name = childName;
  node.text = value;
  children.append(node);
  return children.last();
}

XmlNode& XmlNode::addChild(const QString& childName) { return addLeaf(childName, QString()); }

QString tooDeepError() {
  return QStringLiteral("elements nested deeper than %1").arg(kMaxElementDepth);
}

namespace {

// Reads the element whose start tag the reader stands on, with everything below it; `depth`
// is its own depth (1 for a top-level element). False for a file that is not well-formed or
// nests deeper than kMaxElementDepth, which the reader's error then says.
bool readElement(QXmlStreamReader& reader, XmlNode* node, int depth) {
  node->name = reader.name().toString();
  for (const QXmlStreamAttribute& a : reader.attributes()) {
    node->attributes.append({a.qualifiedName().toString(), a.value().toString()});
  }
  QString text;
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement: {
        if (depth >= kMaxElementDepth) {
          reader.raiseError(tooDeepError());
          return false;
        }
        XmlNode child;
        if (!readElement(reader, &child, depth + 1)) return false;
        node->children.append(std::move(child));
        break;
      }
      case QXmlStreamReader::Characters:
        text += reader.text();
        break;
      case QXmlStreamReader::EndElement:
        // Text between child elements is layout only; a leaf keeps its text whole.
        if (node->children.isEmpty()) node->text = text;
        return true;
      default:
        break;
    }
  }
  return false;
}

// Parses one top-level element from `bytes`; the element must be named `expected`.
bool parseTop(const QByteArray& bytes, const QString& expected, XmlNode* out, QString* error) {
  QXmlStreamReader reader(bytes);
  while (!reader.atEnd()) {
    const auto token = reader.readNext();
    if (token == QXmlStreamReader::StartElement) {
      if (reader.name() != expected) {
        if (error) *error = QStringLiteral("expected <%1>, found <%2>").arg(expected, reader.name());
        return false;
      }
      if (!readElement(reader, out, 1)) break;
      // Nothing but blanks, comments or processing instructions may follow.
      while (!reader.atEnd()) {
        const auto rest = reader.readNext();
        if (rest == QXmlStreamReader::StartElement ||
            (rest == QXmlStreamReader::Characters && !reader.isWhitespace())) {
          if (error) *error = QStringLiteral("content after </%1>").arg(expected);
          return false;
        }
      }
      if (reader.hasError() && reader.error() != QXmlStreamReader::PrematureEndOfDocumentError) break;
      return true;
    }
    if (token == QXmlStreamReader::Characters && !reader.isWhitespace()) {
      if (error) *error = QStringLiteral("text before <%1>").arg(expected);
      return false;
    }
  }
  if (error) {
    *error = reader.hasError() ? reader.errorString()
                               : QStringLiteral("no <%1> element").arg(expected);
  }
  return false;
}

// A carriage return written as it stands would be read back as a line feed (XML readers
// normalise line ends), so it goes out as a character reference; the rest is escaped text.
void writeText(QXmlStreamWriter& writer, const QString& text) {
  qsizetype start = 0;
  for (qsizetype cr = text.indexOf(u'\r'); cr >= 0; cr = text.indexOf(u'\r', start)) {
    writer.writeCharacters(text.mid(start, cr - start));
    writer.writeEntityReference(QStringLiteral("#13"));
    start = cr + 1;
  }
  // Also for an empty text: the element gets an explicit start and end tag.
  writer.writeCharacters(text.mid(start));
}

void writeElement(QXmlStreamWriter& writer, const XmlNode& node) {
  writer.writeStartElement(node.name);
  for (const auto& a : node.attributes) writer.writeAttribute(a.first, a.second);
  if (node.children.isEmpty()) {
    writeText(writer, node.text);
  } else {
    for (const XmlNode& c : node.children) writeElement(writer, c);
  }
  writer.writeEndElement();
}

}  // namespace

bool parseConfigFile(const QByteArray& bytes, ConfigDocument* out, QString* error) {
  QByteArray text = bytes;
  if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
  const QByteArray end = "</description>";
  const qsizetype cut = text.indexOf(end);
  if (cut < 0) {
    if (error) *error = QStringLiteral("no </description>");
    return false;
  }
  ConfigDocument doc;
  if (!parseTop(text.left(cut + end.size()), QStringLiteral("description"), &doc.description, error))
    return false;
  if (!parseTop(text.mid(cut + end.size()), QStringLiteral("configuration"), &doc.configuration,
                error))
    return false;
  *out = std::move(doc);
  return true;
}

QByteArray writeConfigFile(const ConfigDocument& document) {
  QByteArray bytes;
  QXmlStreamWriter writer(&bytes);
  writer.setAutoFormatting(true);
  writer.setAutoFormattingIndent(4);
  writeElement(writer, document.description);
  writeElement(writer, document.configuration);
  // The auto-formatting writer starts with a line end; the file starts with its first tag.
  while (bytes.startsWith('\n')) bytes.remove(0, 1);
  bytes.append('\n');
  return bytes;
}

bool isXmlSafeText(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text.at(i).unicode();
    if (c < 0x20 && c != 0x9 && c != 0xA && c != 0xD) return false;
    if (c == 0xFFFE || c == 0xFFFF) return false;
    if (QChar::isHighSurrogate(c)) {
      if (i + 1 >= text.size() || !QChar::isLowSurrogate(text.at(i + 1).unicode())) return false;
      ++i;
    } else if (QChar::isLowSurrogate(c)) {
      return false;
    }
  }
  return true;
}
