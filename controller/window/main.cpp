// The entry point of the controller TessalySync: one copy per user session, the language of
// the global settings, the main window and its event loop.
//
// A second start hands its last argument (or an empty text) to the running copy, which does
// not use it, and ends with 0 before any window is made.
//
// TESSALY_SHOW_PAGE=<page> ("tasks", "wizard", "restore", "log", "settings") is a look-and-
// test aid: right after start-up the window shows that page as its navigation would, so that
// the screenshot script (tests/look/) can photograph every page without a mouse.
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>

#include "datafolder.h"
#include "dialog.h"
#include "startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName("TessalySync");

  SingleInstance instance;
  if (!instance.claim()) {
    const QStringList arguments = QCoreApplication::arguments();
    instance.handOver(arguments.size() >= 2 ? arguments.last() : QString());
    return 0;
  }

  LanguageSwitch::instance()->applyStored(dataFolderPath());

  Dialog w;
  w.setObjectName("w");
  w.setStyleSheet("#w {background-image:url(:/images/bg.png);border:none;background-color:transparent;}");
  w.applyAccessibleIds();
  w.show();

  const QString page = qEnvironmentVariable("TESSALY_SHOW_PAGE");
  if (!page.isEmpty()) QTimer::singleShot(0, &w, [&w, page] { w.showNamedPage(page); });

  return app.exec();
}
