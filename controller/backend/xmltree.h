// A small element tree for the two configuration files the controller rewrites
// (SESSION_CONFIG.dat and GLOBAL_SETTING.dat).
//
// Each file is two top-level elements in a row, `description` and `configuration`. A rewrite
// reads the whole file into two trees, changes them, and writes them back; it never writes
// from a partial read: parseConfigFile fails on any XML error, and the writers refuse then.
// Leaf texts are kept as they stand (a password of two blanks survives); blank text between
// child elements is dropped and the writer indents by four spaces per level.
//
// No valid file of either layout, nor LOG.dat, nests deeper than six elements; a file that
// nests deeper than kMaxElementDepth is damaged, and every XML reader of the controller
// stops there instead of following it (a file nested tens of thousands deep would otherwise
// cost a recursion as deep, or a stack of open elements as long, for nothing).
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QPair>
#include <QtCore/QString>

// The deepest nesting of elements any reader of the controller follows, and the reason a
// reader gives for a file that nests deeper.
inline constexpr int kMaxElementDepth = 32;
QString tooDeepError();

struct XmlNode {
  QString name;
  QList<QPair<QString, QString>> attributes;  // in file order
  QString text;                               // leaf text; empty for elements with children
  QList<XmlNode> children;

  // The first child of that name, or null.
  XmlNode* child(const QString& childName);
  const XmlNode* child(const QString& childName) const;
  // A new leaf child appended at the end, returned for chaining attributes.
  XmlNode& addLeaf(const QString& childName, const QString& value);
  XmlNode& addChild(const QString& childName);
};

// The two halves of a configuration file.
struct ConfigDocument {
  XmlNode description;
  XmlNode configuration;
};

// Parses a whole configuration file (UTF-8, optional byte-order mark). False, with a short
// reason in *error, when either element is missing, any part is not well-formed XML or nests
// deeper than kMaxElementDepth.
bool parseConfigFile(const QByteArray& bytes, ConfigDocument* out, QString* error = nullptr);

// The file's bytes: both elements, UTF-8, LF line ends, no XML declaration, escaped text.
// Leaf elements are written with explicit start and end tags, also when empty.
QByteArray writeConfigFile(const ConfigDocument& document);

// True when every character of `text` may stand in an XML 1.0 document (the service's parser
// refuses a whole file for one that may not).
bool isXmlSafeText(const QString& text);
