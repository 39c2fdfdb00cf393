// Device pictures are looked up by model name; a model that the tree has no picture of (or an
// empty model text) gets the generic NAS.
#include "resource_paths.h"

#include <QtCore/QFile>

namespace tessaly_resources {

QString genericDeviceIcon() { return QStringLiteral(":/images/icon_NAS-generic.png"); }

QString deviceIcon(const QString& model) {
  const QString path = QStringLiteral(":/images/icon_%1.png").arg(model);
  return !model.isEmpty() && QFile::exists(path) ? path : genericDeviceIcon();
}

}  // namespace tessaly_resources
