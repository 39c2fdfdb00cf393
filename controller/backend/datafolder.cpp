#include "datafolder.h"

#include <QtCore/QFile>

#include "paths.h"

QString dataFolderPath() {
  if (!tessaly::make_config_dir()) return QString();
  return QFile::decodeName(QByteArray::fromStdString(tessaly::data_folder_path()));
}
