#include "datafolder.h"

#include <QtCore/QFile>

#include <cerrno>
#include <cstring>

#include "paths.h"

QString dataFolderName() {
  return QFile::decodeName(QByteArray::fromStdString(tessaly::data_folder_path()));
}

QString dataFolderPath(QString* why) {
  if (!tessaly::make_config_dir()) {
    if (why) *why = QString::fromLocal8Bit(std::strerror(errno));
    return QString();
  }
  if (why) why->clear();
  return dataFolderName();
}
