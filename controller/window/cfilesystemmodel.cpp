// Ticking and unticking folders of the local tree. A tick marks the folder and every ancestor
// and makes the folder one of the chosen paths in place of any chosen ancestor (the list keeps
// the deepest folders). An untick clears the folder and its loaded subtree, clears ancestors
// that have no other ticked child, and drops the folder and every chosen path below it.
#include "cfilesystemmodel.h"

#include <QtCore/QDir>

CFileSystemModel::CFileSystemModel() : QFileSystemModel(nullptr) {}

bool CFileSystemModel::isSameOrBelow(const QString& path, const QString& ancestor) {
  if (path == ancestor) return true;
  if (ancestor.isEmpty()) return false;
  const QString prefix = ancestor.endsWith(u'/') ? ancestor : ancestor + u'/';
  return path.startsWith(prefix);
}

QString CFileSystemModel::pathOf(const QModelIndex& index) const {
  return QDir::cleanPath(filePath(index));
}

Qt::ItemFlags CFileSystemModel::flags(const QModelIndex& index) const {
  // Every item has a check box; the invisible root above the tree is no item.
  if (!index.isValid()) return QFileSystemModel::flags(index);
  return QFileSystemModel::flags(index) | Qt::ItemIsUserCheckable;
}

QVariant CFileSystemModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::CheckStateRole && index.isValid() && index.column() == 0) {
    return checkedIndexes_.contains(QPersistentModelIndex(index)) ? Qt::Checked : Qt::Unchecked;
  }
  return QFileSystemModel::data(index, role);
}

bool CFileSystemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0) {
    return QFileSystemModel::setData(index, value, role);
  }
  // Views hand over a Qt::CheckState; an int compares the same.
  if (value.toInt() == Qt::Checked) {
    tick(index);
  } else {
    untick(index);
  }
  return true;
}

void CFileSystemModel::changed(const QModelIndex& index) {
  emit dataChanged(index, index, {Qt::CheckStateRole});
}

void CFileSystemModel::tick(const QModelIndex& index) {
  for (QModelIndex at = index; at.isValid(); at = at.parent()) {
    checkedIndexes_.insert(QPersistentModelIndex(at));
    changed(at);
  }

  const QString path = pathOf(index);
  // Already chosen, or a folder above a chosen one: the deeper choice stands.
  for (const QString& chosen : selectedPaths_) {
    if (isSameOrBelow(chosen, path)) return;
  }
  QStringList kept;
  for (const QString& chosen : selectedPaths_) {
    if (!isSameOrBelow(path, chosen)) kept << chosen;
  }
  kept << path;
  selectedPaths_ = kept;
}

void CFileSystemModel::untickSubtree(const QModelIndex& index) {
  // Only the rows the model has loaded exist; nothing below them can be ticked.
  const int rows = rowCount(index);
  for (int row = 0; row < rows; ++row) untickSubtree(this->index(row, 0, index));
  checkedIndexes_.remove(QPersistentModelIndex(index));
  changed(index);
}

bool CFileSystemModel::hasTickedChild(const QModelIndex& index) const {
  const int rows = rowCount(index);
  for (int row = 0; row < rows; ++row) {
    if (checkedIndexes_.contains(QPersistentModelIndex(this->index(row, 0, index)))) return true;
  }
  return false;
}

void CFileSystemModel::untick(const QModelIndex& index) {
  untickSubtree(index);
  for (QModelIndex at = index.parent(); at.isValid(); at = at.parent()) {
    if (hasTickedChild(at)) break;
    checkedIndexes_.remove(QPersistentModelIndex(at));
    changed(at);
  }

  const QString path = pathOf(index);
  QStringList kept;
  for (const QString& chosen : selectedPaths_) {
    if (!isSameOrBelow(chosen, path)) kept << chosen;
  }
  selectedPaths_ = kept;
}
