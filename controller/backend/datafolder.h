// The controller's data folder: the service's configuration folder (platform/paths.h), where
// SESSION_CONFIG.dat, GLOBAL_SETTING.dat and LOG.dat lie.
#pragma once

#include <QtCore/QString>

// tessaly::data_folder_path() ("<TESSALY_ROOT>/var/lib/Tessaly"), the folder created (with the
// rights rule of the configuration folder) when it is missing. "" only when the folder neither
// exists nor could be made.
QString dataFolderPath();
