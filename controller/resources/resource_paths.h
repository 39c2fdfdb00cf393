// Paths into the controller's compiled resource tree that more than one page needs: the
// picture of a NAS model, with the generic NAS for a model the tree has no picture of.
// The tree itself is linked in with this library and needs no initialising call.
#pragma once

#include <QtCore/QString>

namespace tessaly_resources {

// ":/images/icon_NAS-generic.png": the picture of any model without one of its own.
QString genericDeviceIcon();

// ":/images/icon_<model>.png" when that resource exists, else genericDeviceIcon().
QString deviceIcon(const QString& model);

}  // namespace tessaly_resources
