// A drive list (the mounted volumes) and a folder tree working together: choosing a volume moves the tree to
// its root, choosing a folder moves the list to the volume that holds it. Only the user (or the program
// asking for a folder by name) chooses: when the chosen folder vanishes from the disk it stays the chosen
// one, so that it can be reported, and the tree's move to a neighbouring row chooses nothing.
#pragma once

#include <QObject>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QModelIndex;
class QTreeView;

class FolderPicker : public QObject {
  Q_OBJECT
 public:
  FolderPicker(QComboBox *drives, QTreeView *tree, QObject *parent);

  void refresh_drives();
  // Selects an existing folder; false (nothing changes) when it does not exist.
  bool set_folder(const QString &path);
  QString folder() const { return folder_; }

 Q_SIGNALS:
  void folder_changed(const QString &path);

 private:
  void on_Drive1_Change(int index);
  void on_Dir1_Change(const QString &path);
  void show_volume_of(const QString &path);
  void on_rows_about_to_go(const QModelIndex &parent, int first, int last);
  void on_rows_gone();

  QComboBox *drives_;
  QTreeView *tree_;
  QFileSystemModel *model_;
  QString folder_;
  // Rows are leaving the model: the tree moves its current row by itself, which is no choice of the user.
  bool rows_leaving_ = false;
};
