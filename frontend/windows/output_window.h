// Output: chooses the base folder under which catalogs are written. Its folder box keeps a list of folders
// used before; every change of the box text becomes the current output folder. The box changes only by the
// user: typing, picking from its list, or choosing a folder in the browser.
#pragma once

#include <QWidget>

class QComboBox;
class QTreeView;
class FolderPicker;

class OutputWindow : public QWidget {
  Q_OBJECT
 public:
  explicit OutputWindow(QWidget *parent = nullptr);

  QString box_text() const;
  void set_box_text(const QString &text);
  void add_box_text_to_list();
  // Opens the folder browser at a folder (start-up: the output folder).
  void browse_to(const QString &folder);
  void refresh_drives();
  // The folder the browser shows.
  QString browser_folder() const;
  // Before the window hides: the box text, typed or browsed to, stays as it is and joins the list when it
  // names a folder.
  void keep_box_text();
  // Keeps the window right of the given window.
  void set_anchor(QWidget *anchor) { anchor_ = anchor; }
  void place_beside_anchor();

 Q_SIGNALS:
  // Every change of the folder box text; it is also the current output folder.
  void box_text_changed(const QString &text);
  // The folder browser moved to another folder.
  void browser_folder_changed(const QString &folder);

 protected:
  bool event(QEvent *event) override;

 private:
  void on_Dir1_Change(const QString &path);
  void on_Combo1_Change(const QString &text);

  QComboBox *folder_box_;
  QComboBox *drive_list_;
  QTreeView *folder_tree_;
  FolderPicker *picker_;
  QWidget *anchor_ = nullptr;
};
