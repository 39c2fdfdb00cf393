// The main window's frame: the page it opens on, the navigation that shows one page at a
// time, Escape, the closing (by the title bar and by close(), which the window manager's
// close also goes through) that stops every thread, the accessible names and ids, and the
// warning when another controller holds the answer port. Runs in a network namespace of its
// own: every window binds the link's answer port 127.0.0.1:7503.
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QThread>
#include <QtNetwork/QUdpSocket>
#include <QtWidgets/QApplication>
#include <QtWidgets/QToolButton>

#include <memory>

#include "controller_test.h"
#include "dialog.h"
#include "modal_box.h"
#include "titlebar.h"

using controller_test::recordWarnings;
using controller_test::warnings;

namespace {

QString sessionFile() { return controller_test::dataFolder() + "/SESSION_CONFIG.dat"; }

void writeSessionFile(const QByteArray& bytes) {
  QFile file(sessionFile());
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

QByteArray testData(const char* name) {
  QFile file(qEnvironmentVariable("TESSALY_TEST_DATA") + "/" + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char* const kContainers[] = {"newDisplay", "currWidget", "restoreWidget", "logWidget",
                                   "settingWidget"};

// The one page container shown, or "" when none or several are.
QString shownContainer(const Dialog& dialog) {
  QString shown;
  for (const char* name : kContainers) {
    auto* page = dialog.findChild<QWidget*>(name);
    if (!page) return "missing " + QString(name);
    if (!page->isHidden()) {
      if (!shown.isEmpty()) return "several";
      shown = name;
    }
  }
  return shown;
}

// The image a navigation button shows when the mouse is not over it.
QString normalImage(const Dialog& dialog, const char* button) {
  const QString sheet = dialog.findChild<QToolButton*>(button)->styleSheet();
  const QString normal = sheet.section('}', 0, 0);
  const int at = normal.indexOf(":/images/");
  return at < 0 ? QString() : normal.mid(at + 9).section(')', 0, 0);
}

}  // namespace

class FrameTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qInstallMessageHandler(recordWarnings); }

  void init() { QFile::remove(sessionFile()); }

  // The window opens on the wizard without a task and on the task list with one.
  void startPage_data() {
    QTest::addColumn<QByteArray>("taskFile");
    QTest::addColumn<QString>("page");
    QTest::newRow("no task file") << QByteArray() << "newDisplay";
    QTest::newRow("no task") << QByteArray(
        "<description>\n</description>\n<configuration>\n    <count>0</count>\n</configuration>\n")
                             << "newDisplay";
    QTest::newRow("damaged file") << QByteArray("<description></description><configuration><cou")
                                  << "newDisplay";
    QTest::newRow("two tasks") << testData("session_config_two_tasks.dat") << "currWidget";
  }

  void startPage() {
    QFETCH(QByteArray, taskFile);
    QFETCH(QString, page);
    if (!taskFile.isEmpty()) writeSessionFile(taskFile);
    warnings().clear();
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(shownContainer(dialog), page);
    QCOMPARE(dialog.currentNavPage(), Dialog::NavPage::Tasks);
    QCOMPARE(normalImage(dialog, "curSessionBut"), QString("icon_backups_f.png"));
    if (page == "newDisplay") QVERIFY(!dialog.findChild<QWidget*>("backupsLabel_4")->isHidden());
    QCOMPARE(dialog.windowFlags() & Qt::FramelessWindowHint, Qt::FramelessWindowHint);
    for (const QString& warning : warnings()) {
      QVERIFY2(!warning.contains("connectSlotsByName"), qPrintable(warning));
    }
  }

  // Each navigation button shows its page alone and marks itself with its selected image.
  void navigation() {
    writeSessionFile(testData("session_config_two_tasks.dat"));
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    struct Step {
      const char* button;
      const char* page;
      Dialog::NavPage nav;
      const char* tasksImage;
      const char* logImage;
      const char* settingsImage;
    };
    const Step steps[] = {
        {"logBut", "logWidget", Dialog::NavPage::Log, "icon_backups.png", "icon_logs_f.png",
         "icon_settings_n.png"},
        {"advancedBut", "settingWidget", Dialog::NavPage::Settings, "icon_backups.png",
         "icon_logs.png", "icon_settings_f.png"},
        {"curSessionBut", "currWidget", Dialog::NavPage::Tasks, "icon_backups_f.png",
         "icon_logs.png", "icon_settings_n.png"},
        {"advancedBut", "settingWidget", Dialog::NavPage::Settings, "icon_backups.png",
         "icon_logs.png", "icon_settings_f.png"},
        {"logBut", "logWidget", Dialog::NavPage::Log, "icon_backups.png", "icon_logs_f.png",
         "icon_settings_n.png"},
        {"curSessionBut", "currWidget", Dialog::NavPage::Tasks, "icon_backups_f.png",
         "icon_logs.png", "icon_settings_n.png"},
    };
    for (const Step& step : steps) {
      QTest::mouseClick(dialog.findChild<QToolButton*>(step.button), Qt::LeftButton);
      QCOMPARE(shownContainer(dialog), QString(step.page));
      QCOMPARE(dialog.currentNavPage(), step.nav);
      QCOMPARE(normalImage(dialog, "curSessionBut"), QString(step.tasksImage));
      QCOMPARE(normalImage(dialog, "logBut"), QString(step.logImage));
      QCOMPARE(normalImage(dialog, "advancedBut"), QString(step.settingsImage));
    }
    // The hover image of every button is its selected image.
    for (const char* button : {"curSessionBut", "logBut", "advancedBut"}) {
      const QString hover =
          dialog.findChild<QToolButton*>(button)->styleSheet().section('}', 1, 1);
      QVERIFY2(hover.contains(":hover") && hover.contains("_f.png"), button);
    }
  }

  // Escape does not close the window.
  void escapeDoesNotClose() {
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTest::keyClick(dialog.findChild<QWidget*>("newOneEdit"), Qt::Key_Escape);
    QTest::qWait(50);
    QVERIFY(dialog.isVisible());
  }

  // Closing, by the title bar's button or by close() (the window manager's way), hides the
  // window and stops every thread of the window.
  void closingStopsThreads_data() {
    QTest::addColumn<bool>("byTitleBar");
    QTest::newRow("title bar close button") << true;
    QTest::newRow("close()") << false;
  }

  void closingStopsThreads() {
    QFETCH(bool, byTitleBar);
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QList<QThread*> threads = dialog.findChildren<QThread*>();
    int running = 0;
    for (QThread* thread : threads) running += thread->isRunning() ? 1 : 0;
    QVERIFY2(running >= 3, "the status poll, the log refresh and the folder watch run");

    QElapsedTimer timer;
    timer.start();
    if (byTitleBar) {
      QTest::mouseClick(dialog.findChild<TitleBar*>()->closeButton(), Qt::LeftButton);
    } else {
      dialog.close();
    }
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY(!dialog.isVisible());
    for (QThread* thread : threads) QVERIFY(!thread->isRunning());
  }

  // Windows made and destroyed in a row: every destruction stops its threads at once.
  void lifeCycle() {
    for (int i = 0; i < 10; ++i) {
      auto dialog = std::make_unique<Dialog>();
      if (i % 2) dialog->show();
      QTest::qWait(5);
      QElapsedTimer timer;
      timer.start();
      dialog.reset();
      QVERIFY(timer.elapsed() < 2000);
    }
  }

  // Controls without text have names; with TESSALY_ACCESSIBLE_IDS=1 every named widget
  // carries its name as accessible description, also after a re-translation.
  void accessibility() {
    qputenv("TESSALY_ACCESSIBLE_IDS", "1");
    Dialog dialog;
    for (const char* button : {"curSessionBut", "logBut", "advancedBut", "titleBarMinimize",
                               "titleBarClose"}) {
      auto* widget = dialog.findChild<QToolButton*>(button);
      QVERIFY2(widget, button);
      QVERIFY2(!widget->accessibleName().isEmpty(), button);
    }
    auto checkIds = [&dialog] {
      int named = 0;
      for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty()) continue;
        ++named;
        QCOMPARE(widget->accessibleDescription(), widget->objectName());
      }
      QVERIFY(named > 200);
    };
    checkIds();
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&dialog, &change);
    checkIds();
    qunsetenv("TESSALY_ACCESSIBLE_IDS");

    // Without the variable the form's own descriptions stay.
    Dialog plain;
    QCOMPARE(plain.findChild<QWidget*>("logBut")->accessibleDescription(), QString());
  }

  // The answer port is one per machine: a window that cannot bind it says so once, in a
  // warning; a window that can says nothing.
  void answerPortTaken() {
    {
      ModalBox none(QMessageBox::Ok);
      Dialog dialog;
      dialog.show();
      QTest::qWait(400);
      QVERIFY(!none.seen());
    }
    QUdpSocket other;
    QVERIFY(other.bind(QHostAddress::LocalHost, 7503));
    ModalBox box(QMessageBox::Ok);
    Dialog dialog;
    dialog.show();
    QTRY_VERIFY(box.seen());
    QCOMPARE(box.title(), QString("Warning"));
    QVERIFY2(box.text().contains("another", Qt::CaseInsensitive), qPrintable(box.text()));
    ModalBox again(QMessageBox::Ok);
    QTest::qWait(400);
    QVERIFY(!again.seen());
  }
};

TESSALY_TEST_MAIN(FrameTest, QApplication)
#include "window_frame_test.moc"
