// The folder browser offscreen, inside an 800 x 600 window like the main window, on a folder
// tree of this test: its form, the tree of folders from "/", OK only after a folder is
// chosen and the path it reports, new folders and their names, the failure box, the drag by
// the title strip kept inside the window, and the keys.
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTimer>
#include <QtGui/QFileSystemModel>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeView>

#include "browsedialog.h"
#include "controller_test.h"
#include "modal_box.h"

namespace {

// The main window's stand-in; counts the key presses that reach it.
class Window : public QWidget {
 public:
  int keyPresses = 0;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::KeyPress) ++keyPresses;
    return QWidget::event(event);
  }
};

QString folderTree() { return controller_test::tempRoot() + "/tree"; }

void makeFolder(const QString& path) { QVERIFY(QDir().mkpath(path)); }

void makeFile(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("x");
}

void send(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// A move of the pressed mouse to `global`.
void moveTo(QWidget* target, QPoint global) {
  QMouseEvent event(QEvent::MouseMove, QPointF(target->mapFromGlobal(global)), QPointF(global),
                    Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

struct Fixture {
  Window window;
  BrowseDialog* dialog;
  QTreeView* tree;
  QFileSystemModel* model;

  explicit Fixture(const QString& language = "English") {
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.resize(800, 600);
    dialog = new BrowseDialog(language, &window);
    dialog->InitLocalTree();
    dialog->move(180, 125);
    window.show();
    dialog->show();
    tree = dialog->findChild<QTreeView*>("browseLocalTView");
    model = qobject_cast<QFileSystemModel*>(tree->model());
  }

  QToolButton* button(const char* name) const { return dialog->findChild<QToolButton*>(name); }

  // The folder's item, with its parents opened and its own children loaded.
  QModelIndex open(const QString& path) {
    const QModelIndex index = model->index(path);
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) tree->expand(p);
    tree->scrollTo(index);
    return index;
  }

  // Clicks the folder's item as the user does. The model reads and sorts the folders in the
  // background, so a row can move away from under the click: it is clicked until it is the
  // chosen one.
  bool click(const QString& path) {
    open(path);
    return QTest::qWaitFor(
        [&] {
          QCoreApplication::processEvents();
          // Asked again each time: an index taken before a sort names the row it had then.
          const QModelIndex index = model->index(path);
          tree->scrollTo(index);
          const QRect rect = tree->visualRect(index);
          if (!rect.isValid() || !tree->viewport()->rect().contains(rect.center())) return false;
          QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
          return tree->currentIndex() == index;
        },
        controller_test::kEventWaitMs);
  }

  // Waits until the model has read the folder.
  bool loaded(const QString& path) {
    const QModelIndex index = model->index(path);
    if (model->canFetchMore(index)) model->fetchMore(index);
    return QTest::qWaitFor([&] {
      return model->rowCount(index) == QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
    });
  }
};

QStringList childNames(QFileSystemModel* model, const QModelIndex& index) {
  QStringList names;
  for (int row = 0; row < model->rowCount(index); ++row) {
    names << model->data(model->index(row, 0, index)).toString();
  }
  names.sort();
  return names;
}

// True while an item's name is open for editing in place.
bool editorOpen(QTreeView* tree) {
  for (QLineEdit* editor : tree->viewport()->findChildren<QLineEdit*>()) {
    if (editor->isVisible()) return true;
  }
  return false;
}

}  // namespace

class BrowseDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QDir(folderTree()).removeRecursively();
    makeFolder(folderTree());
  }

  // The widgets of the form, where they are and what they say.
  void form() {
    Fixture f;
    QVERIFY(!f.dialog->isWindow());  // a frameless child inside the window
    QCOMPARE(f.dialog->size(), QSize(401, 368));
    QCOMPARE(f.dialog->windowTitle(), QString());
    QVERIFY(f.dialog->styleSheet().contains("local_directory_bg.png"));
    struct Place {
      const char* name;
      QRect geometry;
      QString text;
    };
    for (const Place& p : {Place{"browseLocalOK", {190, 330, 88, 26}, "OK"},
                           Place{"browseLocalCancel", {280, 330, 88, 26}, "Cancel"},
                           Place{"browseLocalNew", {35, 330, 136, 26}, "Make New Folder"},
                           Place{"browseCloseTBtn", {375, 0, 20, 29}, "..."}}) {
      QToolButton* button = f.button(p.name);
      QVERIFY2(button, p.name);
      QCOMPARE(button->geometry(), p.geometry);
      QCOMPARE(button->text(), p.text);
    }
    auto* title = f.dialog->findChild<QLabel*>("browseTLabel");
    QCOMPARE(title->text(), QString("Browse For Folder"));
    // The tree is named for screen readers by what it is for.
    QCOMPARE(f.dialog->findChild<QTreeView*>("browseLocalTView")->accessibleName(), QString("Browse For Folder"));
    QCOMPARE(title->geometry(), QRect(35, 0, 340, 29));
    auto* heading = f.dialog->findChild<QLabel*>("localTLabel");
    QCOMPARE(heading->text(), QString("Open Directory"));
    QCOMPARE(heading->parentWidget()->objectName(), QString("browseLocalWidget"));
    QCOMPARE(f.tree->geometry(), QRect(35, 50, 331, 237));
    QVERIFY(f.tree->isHeaderHidden());
    QCOMPARE(f.button("browseCloseTBtn")->accessibleName(), QString("Close"));
    // The close button lies over the title label and takes the clicks.
    QCOMPARE(f.dialog->childAt(380, 10), f.button("browseCloseTBtn"));
    QVERIFY(!f.button("browseLocalOK")->isEnabled());
    QVERIFY(!f.button("browseLocalNew")->isEnabled());

    Fixture french("French");
    QCOMPARE(french.button("browseLocalNew")->width(), 150);
  }

  // The tree starts at "/" and shows folders only: no files, no hidden folders, no "." or
  // "..", and every folder (none is skipped).
  void treeOfFolders() {
    Fixture f;
    QTRY_COMPARE(f.model->rowCount(QModelIndex()), 1);  // the model reads in the background
    QCOMPARE(f.model->filePath(f.model->index(0, 0, QModelIndex())), QString("/"));
    for (const char* name : {"alpha", "beta", "gamma"}) makeFolder(folderTree() + "/" + name);
    makeFolder(folderTree() + "/.hidden");
    makeFile(folderTree() + "/file.txt");
    const QModelIndex index = f.open(folderTree());
    QVERIFY(f.loaded(folderTree()));
    QCOMPARE(childNames(f.model, index), (QStringList{"alpha", "beta", "gamma"}));
    for (int column = 1; column <= 3; ++column) QVERIFY(f.tree->isColumnHidden(column));
  }

  // OK stays disabled until a folder is clicked; then it reports the folder's path as it is
  // on this system (a "\" in a name stays a "\", no "/" is turned into one) and then the
  // end of the dialog.
  void okReportsTheChosenPath_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "plain";
    QTest::newRow("blanks") << "with blanks";
    QTest::newRow("backslash") << "back\\slash";
  }
  void okReportsTheChosenPath() {
    QFETCH(QString, name);
    const QString path = folderTree() + "/" + name;
    makeFolder(path);
    Fixture f;
    QStringList signals_;
    QObject::connect(f.dialog, &BrowseDialog::GetLocalPathSign,
                     [&](const QString& p) { signals_ << "path " + p; });
    QObject::connect(f.dialog, &BrowseDialog::ColseBrowseDlgSign, [&] { signals_ << "close"; });
    QVERIFY(!f.button("browseLocalOK")->isEnabled());
    QVERIFY(f.click(path));
    QVERIFY(f.button("browseLocalOK")->isEnabled());
    QVERIFY(f.button("browseLocalNew")->isEnabled());
    QTest::mouseClick(f.button("browseLocalOK"), Qt::LeftButton);
    QCOMPARE(signals_, (QStringList{"path " + path, "close"}));
    QCOMPARE(f.dialog->selectedPath(), path);
    QVERIFY(!f.dialog->isVisible());
  }

  // Cancel and the close button end the dialog without a path.
  void cancelAndClose() {
    for (const char* name : {"browseLocalCancel", "browseCloseTBtn"}) {
      Fixture f;
      QSignalSpy paths(f.dialog, &BrowseDialog::GetLocalPathSign);
      QSignalSpy closes(f.dialog, &BrowseDialog::ColseBrowseDlgSign);
      QVERIFY(f.click(folderTree()));
      QTest::mouseClick(f.button(name), Qt::LeftButton);
      QCOMPARE(paths.count(), 0);
      QCOMPARE(closes.count(), 1);
      QVERIFY2(!f.dialog->isVisible(), name);
    }
  }

  // The name of a new folder: the base name, or the smallest suffix no entry has, names
  // compared ignoring case; a file takes a name as well as a folder does.
  void newFolderNames_data() {
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("made");
    QTest::newRow("empty") << QStringList() << QStringList() << "New Folder";
    QTest::newRow("the only entry") << QStringList{"New Folder"} << QStringList()
                                    << "New Folder (1)";
    QTest::newRow("both cases and the first suffix")
        << QStringList{"new folder", "New Folder (1)", "other"} << QStringList()
        << "New Folder (2)";
    QTest::newRow("suffix without the base") << QStringList{"New Folder (1)"} << QStringList()
                                             << "New Folder";
    QTest::newRow("a file of that name") << QStringList() << QStringList{"New Folder"}
                                         << "New Folder (1)";
  }
  void newFolderNames() {
    QFETCH(QStringList, folders);
    QFETCH(QStringList, files);
    QFETCH(QString, made);
    const QString parent = folderTree() + "/parent";
    makeFolder(parent);
    for (const QString& name : folders) makeFolder(parent + "/" + name);
    for (const QString& name : files) makeFile(parent + "/" + name);
    const QStringList before = QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    Fixture f;
    QVERIFY(f.click(parent));
    QTest::mouseClick(f.button("browseLocalNew"), Qt::LeftButton);
    QStringList after = QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QString& name : before) after.removeOne(name);
    QCOMPARE(after, QStringList{made});
    QVERIFY(QFileInfo(parent + "/" + made).isDir());
  }

  // Under a folder the tree has not opened yet, the new folder is made and the folder is
  // opened, but nothing is selected or edited.
  void newFolderUnderUnopenedFolder() {
    const QString parent = folderTree() + "/childless";
    makeFolder(parent);
    Fixture f;
    QVERIFY(f.click(parent));
    const QPersistentModelIndex index(f.tree->currentIndex());
    QTest::mouseClick(f.button("browseLocalNew"), Qt::LeftButton);
    QVERIFY(QFileInfo(parent + "/New Folder").isDir());
    QVERIFY(f.tree->isExpanded(index));
    QCOMPARE(f.tree->currentIndex(), QModelIndex(index));
    QVERIFY(!editorOpen(f.tree));
    QVERIFY(!f.dialog->editing());
  }

  // Under an opened folder the new folder becomes the chosen one with its name open for
  // editing; the name typed renames it on disk.
  void newFolderUnderOpenedFolder() {
    const QString parent = folderTree() + "/opened";
    makeFolder(parent + "/sub");
    Fixture f;
    QVERIFY(f.click(parent));
    f.tree->expand(f.tree->currentIndex());
    QVERIFY(f.loaded(parent));
    QTest::mouseClick(f.button("browseLocalNew"), Qt::LeftButton);
    QVERIFY(QFileInfo(parent + "/New Folder").isDir());
    QCOMPARE(f.model->filePath(f.tree->currentIndex()), parent + "/New Folder");
    QVERIFY(editorOpen(f.tree));
    QVERIFY(f.dialog->editing());

    auto* editor = f.tree->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "Photos");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(QFileInfo(parent + "/Photos").isDir());
    QVERIFY(!QFileInfo::exists(parent + "/New Folder"));
  }

  // A folder that has gone from disk before the tree learnt of it: the listing says so on
  // the debug output, the box "Create Directory" says the folder could not be made, and the
  // choice stays, until the tree learns that the folder is gone (then nothing is chosen).
  void failedCreation() {
    const QString parent = folderTree() + "/gone";
    makeFolder(parent);
    Fixture f;
    QVERIFY(f.click(parent));
    // No event runs between the removal and the click, so the tree still shows the folder.
    QVERIFY(QDir(parent).removeRecursively());
    QTest::ignoreMessage(QtDebugMsg, "Invalid file handle. Error is 2.");
    ModalBox box(QMessageBox::Ok);
    QTest::mouseClick(f.button("browseLocalNew"), Qt::LeftButton);
    QVERIFY(box.seen());
    QCOMPARE(box.title(), QString("Create Directory"));
    QCOMPARE(box.text(), QString("Failed to create the directory."));
    const QModelIndex now = f.tree->currentIndex();
    QVERIFY2(!now.isValid() || f.model->filePath(now) == parent, qPrintable(f.model->filePath(now)));
    QVERIFY(!QFileInfo::exists(parent));
  }

  // The chosen folder, or the folder above it, deleted while the dialog is open: once the
  // tree drops it, nothing is chosen (OK and New disabled), neither a neighbour nor the
  // parent, and OK reports nothing.
  void chosenFolderDeleted_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("deleted");
    QTest::newRow("the folder") << "b" << "b";
    QTest::newRow("the folder above it") << "b/sub" << "b";
  }
  void chosenFolderDeleted() {
    QFETCH(QString, chosen);
    QFETCH(QString, deleted);
    for (const char* name : {"a", "b/sub", "c"}) makeFolder(folderTree() + "/" + name);
    Fixture f;
    QSignalSpy paths(f.dialog, &BrowseDialog::GetLocalPathSign);
    QVERIFY(f.loaded(folderTree()));
    QVERIFY(f.click(folderTree() + "/" + chosen));
    QVERIFY(f.button("browseLocalOK")->isEnabled());

    QVERIFY(QDir(folderTree() + "/" + deleted).removeRecursively());
    const QModelIndex top = f.model->index(folderTree());
    QVERIFY(QTest::qWaitFor([&] { return !childNames(f.model, top).contains(deleted); },
                            controller_test::kEventWaitMs));
    QCOMPARE(childNames(f.model, top), (QStringList{"a", "c"}));
    QVERIFY(!f.tree->currentIndex().isValid());
    QVERIFY(f.tree->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(!f.button("browseLocalOK")->isEnabled());
    QVERIFY(!f.button("browseLocalNew")->isEnabled());
    QTest::mouseClick(f.button("browseLocalOK"), Qt::LeftButton);
    QCOMPARE(paths.count(), 0);
  }

  // A drag by the title strip moves the dialog with the mouse and keeps it inside the
  // window: x from 1 to 398, y from 1 to 231.
  void dragStaysInsideTheWindow_data() {
    QTest::addColumn<QPoint>("by");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("inside") << QPoint(50, 30) << QPoint(230, 155);
    QTest::newRow("past the top left") << QPoint(-400, -400) << QPoint(1, 1);
    QTest::newRow("past the bottom right") << QPoint(900, 900) << QPoint(398, 231);
    QTest::newRow("onto the left edge") << QPoint(-179, 0) << QPoint(1, 125);
    QTest::newRow("onto the right edge") << QPoint(218, 106) << QPoint(398, 231);
  }
  void dragStaysInsideTheWindow() {
    QFETCH(QPoint, by);
    QFETCH(QPoint, at);
    Fixture f;
    const QPoint press = f.dialog->mapToGlobal(QPoint(100, 10));
    send(f.dialog, QEvent::MouseButtonPress, QPoint(100, 10), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(f.dialog->dragging());
    moveTo(f.dialog, press + by);
    QCOMPARE(f.dialog->pos(), at);
    send(f.dialog, QEvent::MouseButtonRelease, f.dialog->mapFromGlobal(press + by),
         Qt::LeftButton, Qt::NoButton);
    QVERIFY(!f.dialog->dragging());
    moveTo(f.dialog, press + by + QPoint(20, 20));
    QCOMPARE(f.dialog->pos(), at);
  }

  // A press below the strip starts no drag: moving into the strip afterwards leaves the
  // dialog where it is.
  void pressBelowTheStripDoesNotDrag() {
    Fixture f;
    const QPoint start = f.dialog->pos();
    const QPoint press = f.dialog->mapToGlobal(QPoint(10, 300));
    send(f.dialog, QEvent::MouseButtonPress, QPoint(10, 300), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!f.dialog->dragging());
    moveTo(f.dialog, press + QPoint(40, -290));
    moveTo(f.dialog, press + QPoint(60, -280));
    QCOMPARE(f.dialog->pos(), start);
  }

  // Run as the restore page runs it: Escape does not end it, Cancel does.
  void escapeDoesNotCloseTheRunningDialog() {
    Fixture f;
    bool visibleAfterEscape = false;
    QTimer::singleShot(50, f.dialog, [&] {
      QTest::keyClick(f.dialog, Qt::Key_Escape);
      visibleAfterEscape = f.dialog->isVisible();
      QTest::mouseClick(f.button("browseLocalCancel"), Qt::LeftButton);
    });
    QCOMPARE(f.dialog->exec(), int(QDialog::Rejected));
    QVERIFY(visibleAfterEscape);
  }

  // Tab moves the focus inside the dialog and goes no further: the window around it does
  // not get the key as well.
  void tabStaysInTheDialog() {
    Fixture f;
    QApplication::setActiveWindow(&f.window);
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.tree->setFocus();
    QTRY_VERIFY(f.tree->hasFocus());
    QWidget* before = QApplication::focusWidget();
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QVERIFY(QApplication::sendEvent(f.dialog, &tab));
    QVERIFY(QApplication::focusWidget() != before);
    QCOMPARE(f.window.keyPresses, 0);
  }
};

TESSALY_TEST_MAIN(BrowseDialogTest, QApplication)

#include "browsedialog_test.moc"
