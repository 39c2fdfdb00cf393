// The folder browser: a small frameless dialog, drawn in the main window's style, in which
// the user picks a local folder (the target of a restore to a new folder). It shows the
// local file system from "/" as a tree of folders only, makes new folders under the chosen
// one, and reports the chosen folder by GetLocalPathSign in native form. A chosen folder
// that is deleted meanwhile is no longer chosen, and nothing else is chosen instead.
//
// Made with the main window as parent it is a child widget inside that window: it has its
// own title strip to drag it by, and a drag never takes it past the window's edges.
#pragma once

#include <QtCore/QPersistentModelIndex>
#include <QtCore/QPoint>
#include <QtCore/QRect>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtWidgets/QDialog>
#include <QtGui/QFileSystemModel>

#include <memory>

class QLabel;
class QToolButton;
class QTreeView;

// The dialog's form, in the shape a form compiler gives it: widgets with the object names
// that the dialog's slots are named after, texts set only by retranslateUi.
class Ui_BrowseDialog {
 public:
  QWidget* browseLocalWidget = nullptr;
  QTreeView* browseLocalTView = nullptr;
  QLabel* localTLabel = nullptr;
  QToolButton* browseLocalOK = nullptr;
  QToolButton* browseLocalCancel = nullptr;
  QToolButton* browseLocalNew = nullptr;
  QToolButton* browseCloseTBtn = nullptr;
  QLabel* browseTLabel = nullptr;

  void setupUi(QDialog* BrowseDialog);
  void retranslateUi(QDialog* BrowseDialog);
};

class BrowseDialog : public QDialog {
  Q_OBJECT

 public:
  // `languageName` is the language of the global settings ("French" widens the new-folder
  // button for its longer text).
  BrowseDialog(const QString& languageName, QWidget* parent = nullptr);
  ~BrowseDialog() override;

  // Shows the local folders from "/" in the tree (names only, no files, no "." or "..").
  void InitLocalTree();

  // The strip along the top by which the dialog is dragged.
  static QRect titleStrip() { return QRect(QPoint(0, 0), QPoint(400, 27)); }

  // The folder OK reported last, the folder a new one was made under last.
  QString selectedPath() const { return selectedPath_; }
  // True while a new folder's name is being edited in place.
  bool editing() const { return editing_; }
  bool dragging() const { return dragging_; }

  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // The chosen folder, in native form; sent by OK before ColseBrowseDlgSign.
  void GetLocalPathSign(QString path);
  // The dialog ends (OK, Cancel or the close button).
  void ColseBrowseDlgSign();

 private slots:
  void on_browseLocalCancel_clicked();
  void on_browseLocalOK_clicked();
  void on_browseLocalNew_clicked();
  void GetLocalPath(const QModelIndex& index);
  void on_browseCloseTBtn_clicked();
  // Rows of the model are about to go: when the chosen folder is among them or below them
  // (deleted on disk), the choice is cleared and OK and New are disabled; another folder is
  // never chosen in its place.
  void dropRemovedChoice(const QModelIndex& parent, int first, int last);

 protected:
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Fills subFolders_ with the names in `path`; false (and an empty list) when the folder
  // cannot be read.
  bool listSubfolders(const QString& path);
  // "New Folder", or "New Folder (n)" with the smallest n that no name in subFolders_ has
  // (names compared ignoring case).
  QString newFolderName() const;
  void setHeaderLayout();

  std::unique_ptr<Ui_BrowseDialog> ui_;
  bool editing_ = false;
  bool dragging_ = false;
  QFileSystemModel model_;
  QString selectedPath_;
  QStringList subFolders_;
  QPersistentModelIndex newFolder_;
  // The drag: the dialog's position and the cursor's global position at the press.
  QPoint dialogAtPress_;
  QPoint pressGlobal_;
  QPoint offset_;
};
