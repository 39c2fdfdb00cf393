// The main window's form on a bare dialog: every object of the form's table with its class,
// parent and creation order; the states the pages rely on at start; the combo boxes that the
// re-translation refills; the log table's hidden headers; and every image that a widget's
// style sheet names must exist in the resource tree, since Qt draws a missing image as nothing
// and says nothing. Building the form must print no warning (no failed by-name connection, no
// style sheet that does not parse). Every control carries a name for screen readers, in each
// of the nine languages (the built Language_<Name>.qm of TESSALY_LANGUAGE_DIR).
#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtCore/QSet>
#include <QtCore/QTranslator>
#include <QtTest/QtTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>

#include <map>
#include <memory>

#include "controller_test.h"
#include "form_table.h"
#include "ui_dialog.h"

using controller_test::recordWarnings;
using controller_test::warnings;

class FormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();

  void everyObjectHasItsClassParentAndPlace();
  void initialStates();
  void inputLimits();
  void languageComboHoldsTheNineLanguages();
  void retranslationRefillsTheCombos();
  void windowNameIsKeptWhenSet();
  void logTableHasNoBuiltInHeader();
  void everyImageOfTheFormExists();
  void everyControlHasATranslatedName_data();
  void everyControlHasATranslatedName();
  void buildingTheFormWarnsOfNothing();

 private:
  template <typename T>
  T* widget(const char* name) {
    T* found = dialog_->findChild<T*>(QString::fromLatin1(name));
    if (!found) qWarning("no %s named %s", T::staticMetaObject.className(), name);
    return found;
  }

  std::unique_ptr<QDialog> dialog_;
  Ui_Dialog ui_;
  QStringList buildWarnings_;
};

void FormTest::initTestCase() {
  const QtMessageHandler previous = qInstallMessageHandler(recordWarnings);
  dialog_ = std::make_unique<QDialog>();
  ui_.setupUi(dialog_.get());
  // Style sheets are parsed when a widget is polished; do it for all, so that parse errors show.
  for (QWidget* child : dialog_->findChildren<QWidget*>()) child->ensurePolished();
  dialog_->ensurePolished();
  qInstallMessageHandler(previous);
  buildWarnings_ = warnings();
}

void FormTest::cleanupTestCase() { dialog_.reset(); }

void FormTest::everyObjectHasItsClassParentAndPlace() {
  QCOMPARE(dialog_->objectName(), QStringLiteral("Dialog"));
  // Siblings created later paint above earlier ones, so the order among siblings is part of
  // the form: each object must come after the previous object of the table with its parent.
  // The wizard raises its extension and schedule controls above the panels made after them,
  // so its stacking differs from its creation order on purpose.
  std::map<QString, qsizetype> lastPlace;
  for (const FormObject& entry : kFormObjects) {
    const QString name = QString::fromLatin1(entry.name);
    const QList<QObject*> found = dialog_->findChildren<QObject*>(name);
    QVERIFY2(found.size() == 1, qPrintable(QStringLiteral("%1 objects named %2").arg(found.size()).arg(name)));
    QObject* object = found.first();
    QVERIFY2(object->inherits(entry.className),
             qPrintable(name + QStringLiteral(" is a ") + object->metaObject()->className()));
    QVERIFY2(object->parent(), qPrintable(name + QStringLiteral(" has no parent")));
    QCOMPARE(object->parent()->objectName(), QString::fromLatin1(entry.parent));

    if (QByteArrayView(entry.page) == "newDisplay") continue;
    const qsizetype place = object->parent()->children().indexOf(object);
    const QString parent = QString::fromLatin1(entry.parent);
    if (lastPlace.count(parent)) {
      QVERIFY2(place > lastPlace[parent], qPrintable(name + QStringLiteral(" is created out of order")));
    }
    lastPlace[parent] = place;
  }
}

void FormTest::initialStates() {
  const QSet<QString> disabled = {"newBtnBack", "bunowPBtn", "restbuBtn", "delbuPhBtn",
                                  "newSessionBut", "restoreBTBtn", "restorePathLEdit"};
  const QSet<QString> checked = {"allFilesRBtn", "increBuRBtn", "restorePathRBtn", "setENRBtn",
                                 "setLogRBtn_2"};
  for (const FormObject& entry : kFormObjects) {
    auto* w = dialog_->findChild<QWidget*>(QString::fromLatin1(entry.name));
    if (!w) continue;  // the action
    const QString name = w->objectName();
    QVERIFY2(w->testAttribute(Qt::WA_Disabled) == disabled.contains(name),
             qPrintable(name + QStringLiteral(" has the wrong enabled state")));
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
      QVERIFY2(radio->isChecked() == checked.contains(name),
               qPrintable(name + QStringLiteral(" has the wrong checked state")));
    }
    if (auto* check = qobject_cast<QCheckBox*>(w)) {
      QVERIFY2(!check->isChecked(), qPrintable(name + QStringLiteral(" starts checked")));
    }
    // Indicators never take the focus: the pages act on clicks only.
    if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w)) {
      QVERIFY2(w->focusPolicy() == Qt::NoFocus, qPrintable(name + QStringLiteral(" takes the focus")));
    }
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QSpinBox*>(w)) {
      QVERIFY2(w->contextMenuPolicy() == Qt::NoContextMenu, qPrintable(name + QStringLiteral(" has a context menu")));
    }
  }
  QVERIFY(ui_.allFilesRBtn->autoRepeat());
  QCOMPARE(ui_.logTaWidget->focusPolicy(), Qt::WheelFocus);
  QCOMPARE(ui_.shareFolderTWidget->focusPolicy(), Qt::WheelFocus);
}

void FormTest::inputLimits() {
  struct Limit {
    const char* name;
    int maxLength;
    QLineEdit::EchoMode echo;
  };
  const Limit limits[] = {
      {"newOneEdit", 16, QLineEdit::Normal},      {"cusLEdit", 14, QLineEdit::Normal},
      {"userNameLEdit", 15, QLineEdit::Normal},   {"userPasswdLEdit", 16, QLineEdit::Password},
      {"restorePathLEdit", 220, QLineEdit::Normal}, {"setENLEdit", 256, QLineEdit::Normal},
      {"setENLEdit_2", 128, QLineEdit::Password}, {"setENLEdit_3", 128, QLineEdit::Normal},
      {"setENLEdit_4", 256, QLineEdit::Normal},   {"setENLEdit_5", 256, QLineEdit::Normal},
  };
  for (const Limit& limit : limits) {
    auto* edit = widget<QLineEdit>(limit.name);
    QVERIFY(edit);
    QCOMPARE(edit->maxLength(), limit.maxLength);
    QCOMPARE(edit->echoMode(), limit.echo);
  }
  QVERIFY(!ui_.newOneEdit->hasFrame());

  // Hour boxes 0-23 starting at 0, minute boxes up to 59: the schedule texts are built from them.
  const QList<QSpinBox*> boxes = dialog_->findChildren<QSpinBox*>();
  QCOMPARE(boxes.size(), 12);
  for (QSpinBox* box : boxes) {
    const bool hour = box->objectName().contains(QStringLiteral("Hour"));
    QVERIFY2(hour || box->objectName().contains(QStringLiteral("Min")), qPrintable(box->objectName()));
    QCOMPARE(box->minimum(), 0);
    QCOMPARE(box->maximum(), hour ? 23 : 59);
    QCOMPARE(box->value(), 0);
    QCOMPARE(box->singleStep(), 1);
  }
}

void FormTest::languageComboHoldsTheNineLanguages() {
  const QStringList expected = {
      QStringLiteral("   English"),  QStringLiteral("   简体中文"),  QStringLiteral("   繁體中文"),
      QStringLiteral("   Français"), QStringLiteral("   Deutsch"),   QStringLiteral("   Italiano"),
      QStringLiteral("   Português"), QStringLiteral("   Русский"), QStringLiteral("   Español")};
  QStringList items;
  for (int i = 0; i < ui_.setLCBoBox->count(); ++i) items << ui_.setLCBoBox->itemText(i);
  QCOMPARE(items, expected);
  QCOMPARE(ui_.setLCBoBox->currentIndex(), 0);
}

void FormTest::retranslationRefillsTheCombos() {
  struct Refilled {
    QComboBox* box;
    int count;
    const char* first;
  };
  const Refilled combos[] = {
      {ui_.scheduleCbBox, 4, "  Manually"}, {ui_.dateCbBox, 31, "   01"},
      {ui_.setENCBoBox, 3, "  Every Month"}, {ui_.dateCbBox_2, 31, "   01"},
      {ui_.dateCbBox_3, 7, "  Sun"},
  };
  for (const Refilled& combo : combos) combo.box->setCurrentIndex(2);
  ui_.setLCBoBox->setCurrentIndex(4);

  ui_.retranslateUi(dialog_.get());
  ui_.retranslateUi(dialog_.get());

  for (const Refilled& combo : combos) {
    QCOMPARE(combo.box->count(), combo.count);
    QCOMPARE(combo.box->currentIndex(), 0);
    QCOMPARE(combo.box->itemText(0), QString::fromLatin1(combo.first));
  }
  QCOMPARE(ui_.dateCbBox->itemText(30), QStringLiteral("   31"));
  QCOMPARE(ui_.dateCbBox_3->itemText(6), QStringLiteral("  Sat"));
  // The language list is the form's own and stays as the user left it.
  QCOMPARE(ui_.setLCBoBox->count(), 9);
  QCOMPARE(ui_.setLCBoBox->currentIndex(), 4);
  ui_.setLCBoBox->setCurrentIndex(0);
}

void FormTest::windowNameIsKeptWhenSet() {
  QDialog named;
  named.setObjectName(QStringLiteral("MainWindow"));
  Ui_Dialog ui;
  ui.setupUi(&named);
  QCOMPARE(named.objectName(), QStringLiteral("MainWindow"));
  QCOMPARE(named.windowTitle(), QStringLiteral("TessalySync"));
  QCOMPARE(named.size(), QSize(800, 600));
  QVERIFY(!named.isModal());
}

void FormTest::logTableHasNoBuiltInHeader() {
  QTableWidget* table = ui_.logTaWidget;
  QVERIFY(table->horizontalHeader()->isHidden());
  QVERIFY(table->verticalHeader()->isHidden());
  QCOMPARE(table->columnCount(), 4);
  const QStringList columns = {QStringLiteral("Backup Name"), QStringLiteral("Start Time"),
                               QStringLiteral("Finish Time"), QStringLiteral("Description")};
  for (int column = 0; column < 4; ++column) {
    QVERIFY(table->horizontalHeaderItem(column));
    QCOMPARE(table->horizontalHeaderItem(column)->text(), columns[column]);
  }
  QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
  QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
  QCOMPARE(table->selectionMode(), QAbstractItemView::SingleSelection);
  QVERIFY(!table->isCornerButtonEnabled());

  // The drawn header lies over the table's top edge, its labels side by side from the table's left.
  int x = table->x();
  const QList<QPair<QLabel*, int>> header = {
      {ui_.label_15, 131}, {ui_.label_16, 116}, {ui_.label_17, 116}, {ui_.label_18, 205}};
  for (const auto& [label, width] : header) {
    QCOMPARE(label->geometry(), QRect(x, table->y(), width, 33));
    x += width;
  }
}

void FormTest::everyImageOfTheFormExists() {
  static const QRegularExpression urlPattern(QStringLiteral("url\\(\\s*['\"]?([^'\")]+)['\"]?\\s*\\)"));
  QStringList missing;
  int seen = 0;
  QList<QWidget*> widgets = dialog_->findChildren<QWidget*>();
  widgets << dialog_.get();
  for (QWidget* w : widgets) {
    const QString sheet = w->styleSheet();
    for (auto match = urlPattern.globalMatch(sheet); match.hasNext();) {
      const QString path = match.next().captured(1);
      ++seen;
      if (!path.startsWith(QStringLiteral(":/images/")) || !QFile::exists(path)) {
        missing << QStringLiteral("%1: %2").arg(w->objectName(), path);
      }
    }
  }
  for (const char* path : {":/images/brelkin.ico", ":/images/folder.png"}) {
    if (!QFile::exists(QString::fromLatin1(path))) missing << QString::fromLatin1(path);
  }
  QVERIFY(seen > 100);
  missing.removeDuplicates();
  QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("missing images:\n  ") + missing.join(QStringLiteral("\n  "))));
}

void FormTest::everyControlHasATranslatedName_data() {
  QTest::addColumn<QString>("language");
  for (const char* language : {"English", "SimplifiedChinese", "TraditionalChinese", "French", "German",
                               "Italian", "Portuguese", "Russian", "Spanish"}) {
    QTest::newRow(language) << QString::fromLatin1(language);
  }
}

// In every language each control of every page is named for a screen reader in that
// language: the names of the table, each the translation of its text; and no check box,
// radio button, field, spin box, combo box, list, tree, table or icon button is left
// without a name.
void FormTest::everyControlHasATranslatedName() {
  QFETCH(QString, language);
  QTranslator translator;
  const bool english = language == QStringLiteral("English");
  if (!english) {
    const QString file = qEnvironmentVariable("TESSALY_LANGUAGE_DIR") + QStringLiteral("/Language_") + language;
    QVERIFY2(translator.load(file), qPrintable(file));
    QVERIFY(QCoreApplication::installTranslator(&translator));
  }
  ui_.retranslateUi(dialog_.get());
  QStringList wrong;
  for (const AccessibleName& entry : kAccessibleNames) {
    auto* w = dialog_->findChild<QWidget*>(QString::fromLatin1(entry.name));
    QVERIFY2(w, entry.name);
    const QString translation = translator.translate("Dialog", entry.text);
    if (!english && translation.isEmpty()) wrong << QStringLiteral("%1: no translation of \"%2\"").arg(entry.name, entry.text);
    const QString expected = english ? QString::fromUtf8(entry.text) : translation;
    if (w->accessibleName() != expected) {
      wrong << QStringLiteral("%1: \"%2\", not \"%3\"").arg(entry.name, w->accessibleName(), expected);
    }
  }
  for (QWidget* w : dialog_->findChildren<QWidget*>()) {
    auto* tool = qobject_cast<QToolButton*>(w);
    const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                         qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
                         qobject_cast<QAbstractItemView*>(w);
    // A button with a text is named by it.
    if (!control || (tool && !tool->text().isEmpty()) || w->inherits("QHeaderView")) continue;
    if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))) continue;
    if (w->accessibleName().isEmpty()) wrong << w->objectName() + QStringLiteral(": no name");
  }
  if (!english) QCoreApplication::removeTranslator(&translator);
  ui_.retranslateUi(dialog_.get());
  QVERIFY2(wrong.isEmpty(), qPrintable(language + QStringLiteral(":\n  ") + wrong.join(QStringLiteral("\n  "))));
}

void FormTest::buildingTheFormWarnsOfNothing() {
  QVERIFY2(buildWarnings_.isEmpty(), qPrintable(buildWarnings_.join(QLatin1Char('\n'))));
}

TESSALY_TEST_MAIN(FormTest, QApplication)
#include "form_test.moc"
