#include "getsharefolderlist.h"

GetShareFolderList::GetShareFolderList(QObject* parent) : QThread(parent) {}

GetShareFolderList::~GetShareFolderList() { wait(); }

void GetShareFolderList::run() { emit GetShareFolderSign(); }
