#include "folder_picker.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>
#include <algorithm>

FolderPicker::FolderPicker(QComboBox *drives, QTreeView *tree, QObject *parent)
    : QObject(parent), drives_(drives), tree_(tree), model_(new QFileSystemModel(this)) {
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setReadOnly(true);
  model_->setRootPath(QStringLiteral("/"));
  // Connected before the tree takes the model, so that these run before the tree moves its current row.
  connect(model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, &FolderPicker::on_rows_about_to_go);
  connect(model_, &QAbstractItemModel::rowsRemoved, this, &FolderPicker::on_rows_gone);
  connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { rows_leaving_ = true; });
  connect(model_, &QAbstractItemModel::modelReset, this, &FolderPicker::on_rows_gone);
  tree_->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->header()->hide();
  tree_->setRootIndex(model_->index(QStringLiteral("/")));
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex &current) { on_Dir1_Change(model_->filePath(current)); });
  connect(drives_, &QComboBox::activated, this, &FolderPicker::on_Drive1_Change);
  refresh_drives();
}

void FolderPicker::refresh_drives() {
  QStringList roots;
  for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady()) roots << volume.rootPath();
  roots.removeDuplicates();
  std::sort(roots.begin(), roots.end());
  const QSignalBlocker block(drives_);
  drives_->clear();
  drives_->addItems(roots);
  show_volume_of(folder_);
}

bool FolderPicker::set_folder(const QString &path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isDir()) return false;
  const QModelIndex index = model_->index(info.absoluteFilePath());
  if (!index.isValid()) return false;
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  tree_->expand(index);
  on_Dir1_Change(QDir::cleanPath(info.absoluteFilePath()));
  return true;
}

void FolderPicker::on_rows_about_to_go(const QModelIndex &, int, int) {
  rows_leaving_ = true;
}

// The tree may have moved its current row to a neighbour of the removed one; it shows no choice instead,
// while the chosen folder stays what it was.
void FolderPicker::on_rows_gone() {
  const QModelIndex chosen = model_->index(folder_);
  const QSignalBlocker block(tree_->selectionModel());
  if (chosen.isValid() && QFileInfo(folder_).isDir()) {
    tree_->selectionModel()->setCurrentIndex(chosen, QItemSelectionModel::ClearAndSelect);
  } else {
    tree_->selectionModel()->clear();
  }
  tree_->viewport()->update();
  rows_leaving_ = false;
}

void FolderPicker::on_Drive1_Change(int index) {
  if (index >= 0) set_folder(drives_->itemText(index));
}

void FolderPicker::on_Dir1_Change(const QString &path) {
  if (rows_leaving_ || path.isEmpty() || path == folder_) return;
  folder_ = path;
  show_volume_of(path);
  Q_EMIT folder_changed(path);
}

// The volume whose root is the longest leading part of the path.
void FolderPicker::show_volume_of(const QString &path) {
  int best = -1;
  qsizetype best_length = -1;
  for (int i = 0; i < drives_->count(); ++i) {
    const QString root = drives_->itemText(i);
    const bool holds = path == root || path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + '/');
    if (holds && root.size() > best_length) {
      best = i;
      best_length = root.size();
    }
  }
  const QSignalBlocker block(drives_);
  if (best >= 0) drives_->setCurrentIndex(best);
}
