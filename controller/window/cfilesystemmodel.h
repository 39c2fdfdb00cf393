// The model of the wizard's local folder tree: a file-system model whose name column carries
// a check box, with which the user ticks the folders to back up.
//
// Two things are kept in step: the ticked tree items, which draw the check boxes (a ticked
// folder shows all its ancestors ticked too, and an ancestor stays ticked while any of its
// children is), and the list of chosen folders, which holds the deepest ticked folders as
// absolute paths ("/home/user/dir"; "/" for the root). Paths are compared by whole path
// components, so "/data/dir2" is never taken for a folder below "/data/dir".
#pragma once

#include <QtCore/QPersistentModelIndex>
#include <QtCore/QSet>
#include <QtCore/QStringList>
#include <QtGui/QFileSystemModel>

class CFileSystemModel : public QFileSystemModel {
  Q_OBJECT

 public:
  // No parent: the wizard owns the model and deletes it when the wizard ends.
  CFileSystemModel();

  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // The check-state role on column 0 ticks (Qt::Checked) or unticks (any other value) the
  // folder and returns true; every other role and column is the file-system model's.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The chosen folders, in the order they were ticked.
  const QStringList& selectedPaths() const { return selectedPaths_; }

  // True when `path` is `ancestor` or lies below it ("/" is above every absolute path).
  static bool isSameOrBelow(const QString& path, const QString& ancestor);

 private:
  QString pathOf(const QModelIndex& index) const;
  void tick(const QModelIndex& index);
  void untick(const QModelIndex& index);
  void untickSubtree(const QModelIndex& index);
  bool hasTickedChild(const QModelIndex& index) const;
  void changed(const QModelIndex& index);

  QStringList selectedPaths_;
  QSet<QPersistentModelIndex> checkedIndexes_;
};
