// The window in each of its nine languages, page by page, as the start-up and the language
// page install them (the built Language_<Name>.qm of TESSALY_LANGUAGE_DIR, Qt's own
// qtbase_<code>.qm, the language's style sheet):
//
// - Qt's own texts follow the language: the standard buttons of a message box and the labels
//   of a file dialog are Qt's translation, and a language switched to replaces the one before;
// - every label and button of a task card, a wizard step, a settings sub-page, the restore and
//   log pages and the navigation shows its whole text within its area (on one line, or on
//   the lines of a label that wraps); only a path too long for its two lines is elided;
// - message boxes and file dialogs take the window's look: the dark panel, light text, the
//   window's buttons and the language's font.
//
// The task list shows two sample tasks, one running, and then the page of a service that does
// not answer. Runs in a network namespace of its own (the window binds the link ports; the
// device step searches no address there).
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTranslator>
#include <QtGui/QFontMetrics>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include "controller_test.h"
#include "dialog.h"
#include "startup.h"
#include "ui_style.h"
#include "updatesessionconfig.h"

namespace {

// The nine languages as the settings store them.
const char* const kLanguages[] = {"English", "Simplified Chinese", "Traditional Chinese",
                                  "French",  "German",             "Italian",
                                  "Portuguese", "Russian",          "Spanish"};

// Every page the navigation, the wizard and the settings menu lead to.
const char* const kPages[] = {"tasks",     "wizard1",   "wizard2",   "wizard3",   "wizard4",
                              "wizard5",   "wizard6",   "wizard7",   "wizard8",   "wizard9",
                              "restore",   "log",       "settings",  "settings0", "settings1",
                              "settings2", "settings3", "settings4", "settings5"};

// Labels whose text is a path: elided when it is longer than its two lines.
bool isPathLabel(const QLabel* label) { return label->objectName().startsWith("destiLabel1"); }

// How much of a label's text the label can show: "" when all of it, else what is missing.
QString labelCut(const QLabel* label) {
  const QString text = label->text();
  if (text.isEmpty() || label->textFormat() == Qt::RichText || Qt::mightBeRichText(text)) return {};
  const QFontMetrics metrics(label->font());
  const QRect area = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                    -label->margin(), -label->margin());
  if (text.contains(QChar(0x2026))) {
    // Elided: allowed only for a path whose whole text needs more than two lines.
    const QString whole = label->toolTip().remove('\n');
    const bool longPath = isPathLabel(label) &&
                          metrics.horizontalAdvance(whole) > 2 * area.width();
    return longPath ? QString() : QStringLiteral("elided \"%1\" of \"%2\"").arg(text, whole);
  }
  const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
  const QRect needed =
      metrics.boundingRect(QRect(0, 0, label->wordWrap() ? area.width() : 100000, 100000), flags, text);
  if (needed.width() <= area.width() && needed.height() <= area.height()) return {};
  return QStringLiteral("\"%1\" needs %2 x %3 in %4 x %5")
      .arg(text)
      .arg(needed.width())
      .arg(needed.height())
      .arg(area.width())
      .arg(area.height());
}

QString buttonCut(const QAbstractButton* button) {
  QString text = button->text();
  text.remove('&');
  if (text.isEmpty()) return {};
  const QFontMetrics metrics(button->font());
  const QRect needed = metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignCenter, text);
  // The button's frame takes a few pixels on each side.
  if (needed.width() + 8 <= button->width() && needed.height() <= button->height()) return {};
  return QStringLiteral("\"%1\" needs %2 x %3 in %4 x %5")
      .arg(text)
      .arg(needed.width())
      .arg(needed.height())
      .arg(button->width())
      .arg(button->height());
}

// Every shown label or button of the window whose text does not show whole, one a line.
QStringList cutTexts(const Dialog& dialog, const QString& page) {
  QStringList out;
  for (const QWidget* widget : dialog.findChildren<QWidget*>()) {
    if (!widget->isVisible() || widget->objectName().isEmpty()) continue;
    QString why;
    if (auto* label = qobject_cast<const QLabel*>(widget)) why = labelCut(label);
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) why = buttonCut(button);
    if (!why.isEmpty()) out << page + " " + widget->objectName() + ": " + why;
  }
  return out;
}

// With TESSALY_SCREENSHOT_DIR set, a picture of the widget, for a developer to look at.
void shot(QWidget* widget, const QString& name) {
  const QString folder = qEnvironmentVariable("TESSALY_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  QDir().mkpath(folder);
  widget->show();
  QCoreApplication::processEvents();
  widget->grab().save(folder + "/" + name + ".png");
}

void writeTasks() {
  const QString file = controller_test::dataFolder() + "/SESSION_CONFIG.dat";
  QFile::remove(file);
  UpdateSessionConfig store(controller_test::dataFolder());
  const QStringList all = {".*"};
  store.AddSession("My Documents", all, all, all, all, {"/home/user/Documents"}, "", "",
                   "\\\\192.168.1.20\\backup\\Photos", "", "incremental", "manually", {});
  store.AddSession("Holiday pictures", {}, {".jpg", ".png", ".raw"}, {}, {}, {"/home/user/Pictures"},
                   "Administrator", "secret", "\\\\192.168.1.20\\media\\Pictures", "KMR-420",
                   "full_backup", "weekly", {"2001-01-01T01:30:00Z"});
}

}  // namespace

class WindowLanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    const QString languages = qEnvironmentVariable("TESSALY_LANGUAGE_DIR");
    QVERIFY2(QFile::exists(languages + "/Language_German.qm"), qPrintable(languages));
    LanguageSwitch::instance()->setLanguageDir(languages);
    writeTasks();
  }

  void everyPageInEveryLanguage_data() {
    QTest::addColumn<QString>("language");
    for (const char* language : kLanguages) QTest::newRow(language) << QString(language);
  }

  void everyPageInEveryLanguage() {
    QFETCH(QString, language);
    const LanguageChoice choice = LanguageSwitch::instance()->apply(language);
    QCOMPARE(choice.name, language);

    // Qt's own texts, in Qt's translation of the language.
    QTranslator qt;
    QVERIFY2(qt.load(choice.qtTranslatorPath), qPrintable(choice.qtTranslatorPath));
    const bool english = language == "English";
    // Where Qt's word is the English one ("OK" in many languages), the entry still exists.
    int translated = 0;
    {
      QMessageBox box(QMessageBox::Warning, "Warning", "text",
                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
      for (const auto& [button, source] :
           {std::pair{QMessageBox::Yes, "&Yes"}, std::pair{QMessageBox::No, "&No"},
            std::pair{QMessageBox::Ok, "OK"}, std::pair{QMessageBox::Cancel, "Cancel"}}) {
        const QString expected = english ? QString(source) : qt.translate("QPlatformTheme", source);
        QVERIFY2(!expected.isEmpty(), source);
        QCOMPARE(box.button(button)->text(), expected);
        translated += expected != source;
      }
    }
    {
      QFileDialog files(nullptr, "Export Configuration", QDir::homePath());
      files.setOption(QFileDialog::DontUseNativeDialog);
      for (const auto& [name, source] : {std::pair{"lookInLabel", "Look in:"},
                                         std::pair{"fileNameLabel", "File &name:"},
                                         std::pair{"fileTypeLabel", "Files of type:"}}) {
        auto* label = files.findChild<QLabel*>(name);
        QVERIFY2(label, name);
        const QString expected = english ? QString(source) : qt.translate("QFileDialog", source);
        QVERIFY2(!expected.isEmpty(), source);
        QCOMPARE(label->text(), expected);
        translated += expected != source;
      }
    }
    QVERIFY(english || translated >= 4);

    // Message boxes and file dialogs take the window's look: its dark page and light text,
    // its badges for the box's icon, its blue buttons, the language's font.
    const QString family = form_style::languageFamilies(language).first();
    for (const auto& [kind, image] : {std::pair{QMessageBox::Warning, "icon_box_warning.png"},
                                      std::pair{QMessageBox::Critical, "icon_box_critical.png"},
                                      std::pair{QMessageBox::Information, "icon_box_information.png"},
                                      std::pair{QMessageBox::Question, "icon_box_question.png"}}) {
      QMessageBox box(kind, "Warning", "text", QMessageBox::Ok);
      box.ensurePolished();
      QCOMPARE(box.palette().color(QPalette::Window), QColor("#292f34"));
      auto* text = box.findChild<QLabel*>("qt_msgbox_label");
      QVERIFY(text);
      text->ensurePolished();
      QCOMPARE(text->font().family(), family);
      QCOMPARE(text->palette().color(QPalette::WindowText), QColor("#ffffff"));
      const QImage icon = box.iconPixmap().toImage();
      const QImage badge = QImage(QString(":/images/") + image).scaled(icon.size()).convertToFormat(icon.format());
      QVERIFY2(!icon.isNull() && icon == badge, image);
      QPushButton* ok = box.findChild<QPushButton*>();
      QVERIFY(ok);
      ok->ensurePolished();
      QCOMPARE(ok->font().family(), family);
      if (kind == QMessageBox::Warning) {
        box.setText(QMessageBox::tr("Are you sure you want to delete this backup?"));
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        shot(&box, language + "-box");
      }
    }
    {
      QFileDialog files(nullptr, "Export Configuration", QDir::homePath());
      files.setOption(QFileDialog::DontUseNativeDialog);
      files.ensurePolished();
      QCOMPARE(files.palette().color(QPalette::Window), QColor("#292f34"));
      for (QWidget* widget : files.findChildren<QWidget*>()) widget->ensurePolished();
      QCOMPARE(files.findChild<QLabel*>("lookInLabel")->font().family(), family);
      QCOMPARE(files.findChild<QWidget*>("listView")->font().family(), family);
      shot(&files, language + "-files");
    }

    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QStringList cut;
    for (const char* page : kPages) {
      QVERIFY2(dialog.showNamedPage(page), page);
      if (QByteArrayView(page) == "tasks") showAnswers(dialog);
      QCoreApplication::processEvents();
      cut << cutTexts(dialog, page);
    }
    // The task list of a service that does not answer.
    dialog.showNamedPage("tasks");
    QTRY_VERIFY_WITH_TIMEOUT(dialog.findChild<QLabel*>("serviceLabel")->isVisible(), 15000);
    cut << cutTexts(dialog, "tasks without service");
    shot(&dialog, language + "-tasks-without-service");
    for (const QString& line : cut) qWarning("%s: %s", qPrintable(language), qPrintable(line));
    QVERIFY2(cut.isEmpty(), qPrintable(QString("%1 texts cut in %2").arg(cut.size()).arg(language)));
    dialog.close();
  }

 private:
  // The service's answers for the two tasks: the first one done, the second one running.
  static void showAnswers(Dialog& dialog) {
    UpdateSessionConfig store(controller_test::dataFolder());
    QVERIFY(store.ReadSessionConfig());
    const SessionList& tasks = *store.GetSessionList();
    QCOMPARE(tasks.size(), 2);
    dialog.NoteServiceAnswer();
    dialog.UpdateSessionListStatus(tasks[0].uuid, "Not started", "", "2026-03-01T21:15:00Z",
                                   "/home/user/Documents", tasks[0].destinationPath);
    dialog.UpdateSessionListStatus(tasks[1].uuid, "Backup is running", "2026-03-08T01:30:00Z",
                                   "2026-03-01T01:30:00Z", "/home/user/Pictures",
                                   tasks[1].destinationPath);
  }
};

TESSALY_TEST_MAIN(WindowLanguageTest, QApplication)
#include "window_language_test.moc"
