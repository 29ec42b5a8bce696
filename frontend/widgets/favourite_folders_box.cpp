#include "favourite_folders_box.h"

#include <QDesktopServices>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "controls.h"
#include "favourite_folders.h"
#include "prompt.h"

FavouriteFoldersBox::FavouriteFoldersBox(QWidget *parent) : QGroupBox(QStringLiteral("お気に入り"), parent) {
  setObjectName(QStringLiteral("FavoriteFolders"));
  const QString unknown = QStringLiteral("(場所がわかりません)");
  auto shown = [&](const QString &folder) { return folder.isEmpty() ? unknown : folder; };
  favourites_ =
      controls::label(QStringLiteral("FavoritesFolder"), shown(favourite_folders::shortcuts()), this);
  delete_requests_ = controls::label(QStringLiteral("DeleteRequestFolder"),
                                     shown(favourite_folders::delete_candidates()), this);
  for (QLabel *l : {favourites_, delete_requests_}) l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto *open_favourites = controls::button(QStringLiteral("OpenFavorites"), QStringLiteral("開く"), this);
  auto *open_requests = controls::button(QStringLiteral("OpenDeleteRequests"), QStringLiteral("開く"), this);
  auto *grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("お気に入りページの元"), this), 0, 0);
  grid->addWidget(favourites_, 0, 1);
  grid->addWidget(open_favourites, 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("削除依頼"), this), 1, 0);
  grid->addWidget(delete_requests_, 1, 1);
  grid->addWidget(open_requests, 1, 2);
  grid->setColumnStretch(1, 1);
  connect(open_favourites, &QPushButton::clicked, this, &FavouriteFoldersBox::on_OpenFavorites_Click);
  connect(open_requests, &QPushButton::clicked, this, &FavouriteFoldersBox::on_OpenDeleteRequests_Click);
}

void FavouriteFoldersBox::on_OpenFavorites_Click() {
  open_folder(favourite_folders::shortcuts());
}

void FavouriteFoldersBox::on_OpenDeleteRequests_Click() {
  open_folder(favourite_folders::delete_candidates());
}

void FavouriteFoldersBox::open_folder(const QString &folder) {
  if (folder.isEmpty() || !QDir().mkpath(folder) || !QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
    prompt::show(this, folder + QStringLiteral(" を開けません"));
}
