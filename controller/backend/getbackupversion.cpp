#include "getbackupversion.h"

GetBackupVersion::GetBackupVersion(QObject* parent) : QThread(parent) {}

GetBackupVersion::~GetBackupVersion() { wait(); }

void GetBackupVersion::run() { emit GetVersionSign(); }
