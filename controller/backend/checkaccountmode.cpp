#include "checkaccountmode.h"

CheckAccountMode::CheckAccountMode(QObject* parent) : QThread(parent) {}

CheckAccountMode::~CheckAccountMode() { wait(); }

void CheckAccountMode::run() { emit CheckAccountModeSign(); }
