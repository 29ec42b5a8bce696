// Drops on the main window and the drop popup menu.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

#include "browser.h"
#include "catalog_delete.h"
#include "engine_binding.h"
#include "main_window.h"
#include "prompt.h"
#include "showcg_link.h"

namespace {

// The first local file of a dropped file list; empty when the drop is no file list.
QString first_dropped_file(const QMimeData *data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return QString();
  const QUrl first = data->urls().first();
  return first.isLocalFile() ? first.toLocalFile() : QString();
}

// A dropped text: plain text, or the address of a dragged link. Null when the drop carries neither.
QString dropped_text(const QMimeData *data) {
  if (!data) return QString();
  if (data->hasText()) return data->text();
  if (data->hasUrls() && !data->urls().isEmpty()) return data->urls().first().toString(QUrl::FullyEncoded);
  return QString();
}

}  // namespace

void MainWindow::on_Main_OLEDragDrop(const QMimeData *data) {
  if (busy_) return;
  const QString item = first_dropped_file(data);
  if (!item.isEmpty() && engine::dir_chk(item) == 1) select_folder(item);
}

void MainWindow::on_Dir1_OLEDragDrop(const QMimeData *data) {
  if (busy_) return;
  const QString file = first_dropped_file(data);
  if (!file.isEmpty()) {
    if (data->hasImage()) {
      Q_EMIT picture_dropped(file);
    } else if (engine::dir_chk(file) == 1) {
      select_folder(file);
    }
    return;
  }
  const QString text = dropped_text(data);
  if (text.isNull()) return;
  last_link_ = text;
  if (showcg::is_link(text)) Q_EMIT thumbnail_link_dropped();
}

void MainWindow::on_Label1_OLEDragDrop(const QMimeData *data) {
  if (busy_) return;
  if (!first_dropped_file(data).isEmpty()) {
    prompt::beep();
    return;
  }
  const QString text = dropped_text(data);
  if (text.isNull()) {
    prompt::beep();
    return;
  }
  if (!showcg::is_link(text)) {
    prompt::show(this, QStringLiteral("このプログラムで作成したファイルでは有りません"));
    return;
  }
  const QString file = showcg::picture_path(text);
  // Only a picture that a catalog of the output folder links is deleted, whatever the text claims;
  // a relative link is resolved against its catalog page, and the question names the file itself.
  QString output;
  engine::get_str(ZUNO_OutputPath, output);
  const QString picture = catalog_delete::linked_picture(file, output);
  if (picture.isEmpty()) {
    prompt::show(this, file + QStringLiteral("はカタログにないので削除しません"));
    return;
  }
  if (prompt::show(this, picture + QStringLiteral("を削除します。よろしいですか？"),
                   prompt::Buttons::OkCancelDefaultCancel) != prompt::Answer::Ok)
    return;
  const bool deleted = catalog_delete::delete_picture(picture, output);
  if (cache_delete_box_->isChecked()) engine::del_cache(picture);
  if (!deleted) prompt::beep();
}

void MainWindow::on_mGetURL_Click() {
  QString address;
  if (engine::get_anarized_url(showcg::picture_path(last_link_), address) != 0) {
    prompt::show(this, QStringLiteral("検出に失敗しました"));
    return;
  }
  open_address_window(address);
}

void MainWindow::on_mGetURLtoCB_Click() {
  QString address;
  if (engine::get_anarized_url(showcg::picture_path(last_link_), address) != 0) {
    prompt::show(this, QStringLiteral("検出に失敗しました"));
    return;
  }
  QApplication::clipboard()->setText(address);
}

void MainWindow::on_mGetLink_Click(int level) {
  QString address;
  if (engine::get_anarized_url(showcg::picture_path(last_link_), address) != 0) {
    prompt::show(this, QStringLiteral("検出に失敗しました"));
    return;
  }
  for (int reached = 1; reached <= level; ++reached) {
    QString page;
    if (engine::get_link_page(address, page) != 0) {
      prompt::show(this, QStringLiteral("Level%1の検出に失敗しました").arg(reached));
      return;
    }
    address = page;
  }
  open_address_window(address);
}

void MainWindow::open_address_window(const QString &address) {
  statusBar()->showMessage(QStringLiteral("ブラウザ起動中..."));
  browser::open(address);
  statusBar()->clearMessage();
}
