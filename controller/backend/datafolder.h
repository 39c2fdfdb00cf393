// The controller's data folder: the service's configuration folder (platform/paths.h), where
// SESSION_CONFIG.dat, GLOBAL_SETTING.dat and LOG.dat lie.
#pragma once

#include <QtCore/QString>

// tessaly::data_folder_path() ("<TESSALY_ROOT>/var/lib/Tessaly"), whether or not it exists.
QString dataFolderName();

// dataFolderName(), the folder created (with the rights rule of the configuration folder)
// when it is missing. "" when the folder neither exists nor could be made, with the system's
// reason in *why. The stores take "" for "no folder" and refuse to read or write anything,
// so that nothing lands in the working folder instead.
QString dataFolderPath(QString* why = nullptr);
