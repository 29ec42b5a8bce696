// Where the favourites that the engine reads live, shown on the detail window's "SYS" tab: the shortcut
// folder of the favourites page and the delete-candidate folder, each with a button that opens it in the file
// manager.
#pragma once

#include <QGroupBox>

class QLabel;

class FavouriteFoldersBox : public QGroupBox {
  Q_OBJECT
 public:
  explicit FavouriteFoldersBox(QWidget *parent = nullptr);

 private:
  void on_OpenFavorites_Click();
  void on_OpenDeleteRequests_Click();
  // Makes the folder when missing and hands it to the desktop's file manager; says so when that fails.
  void open_folder(const QString &folder);

  QLabel *favourites_;
  QLabel *delete_requests_;
};
