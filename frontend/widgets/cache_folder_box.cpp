#include "cache_folder_box.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls.h"
#include "engine_binding.h"

namespace {

const QString kIndexFolder = QStringLiteral("Content.IE5");

bool has_dir(const QString &folder, const QString &inner) {
  return QFileInfo(QDir(folder).filePath(inner)).isDir();
}

// The kind of modern cache a folder holds, as the engine tells them apart; empty for none.
QString modern_kind(const QString &folder) {
  if (has_dir(folder, QStringLiteral("entries")) || has_dir(folder, QStringLiteral("cache2/entries")))
    return QStringLiteral("Firefox");
  if (has_dir(folder, QStringLiteral("Cache/Cache_Data")) || has_dir(folder, QStringLiteral("Cache_Data")) ||
      has_dir(folder, QStringLiteral("index-dir")))
    return QStringLiteral("Chromium");
  const QStringList entries = QDir(folder).entryList({QStringLiteral("????????????????_0")}, QDir::Files);
  return entries.isEmpty() ? QString() : QStringLiteral("Chromium");
}

QString label_of(const engine::FoundCache &cache) {
  return cache.profile.isEmpty() ? cache.browser
                                 : cache.browser + QStringLiteral(" (") + cache.profile + QLatin1Char(')');
}

}  // namespace

CacheFolderBox::CacheFolderBox(QWidget *parent) : QGroupBox(QStringLiteral("キャッシュフォルダ"), parent) {
  setObjectName(QStringLiteral("Frame12"));
  list_ = new QComboBox(this);
  list_->setObjectName(QStringLiteral("CacheList"));
  list_->setToolTip(QStringLiteral("このデスクトップで見つかったブラウザのキャッシュ"));
  box_ = controls::box(QStringLiteral("Text9"), this, 240);
  box_->setPlaceholderText(QStringLiteral("自動 (見つかったキャッシュ)"));
  box_->setToolTip(
      QStringLiteral("Chromium・Firefox のキャッシュか、Content.IE5 "
                     "のあるフォルダを指定します。空欄のときは自動で探します"));
  auto *browse = controls::button(QStringLiteral("Command4"), QStringLiteral("参照..."), this);
  hint_ = controls::label(QStringLiteral("Label13"), hint_for(QString()), this);
  hint_->setWordWrap(true);
  auto *grid = new QGridLayout(this);
  // One row for the choice, so the tab keeps its height.
  grid->addWidget(list_, 0, 0);
  grid->addWidget(box_, 0, 1);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(hint_, 1, 0, 1, 3);
  list_->addItem(QStringLiteral("自動"), QString());
  connect(list_, &QComboBox::activated, this, &CacheFolderBox::on_CacheList_Click);
  connect(box_, &QLineEdit::editingFinished, this, &CacheFolderBox::on_Text9_LostFocus);
  connect(browse, &QPushButton::clicked, this, &CacheFolderBox::on_Command4_Click);
}

void CacheFolderBox::set_folder(const QString &folder) {
  folder_ = cache_folder_of(folder);
  box_->setText(folder_);
  hint_->setText(hint_for(folder_));
  const int shown = list_->findData(folder_);
  list_->setCurrentIndex(shown < 0 ? 0 : shown);
}

QString CacheFolderBox::cache_folder_of(const QString &text) {
  QString folder = text.trimmed();
  while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
  if (folder.isEmpty()) return QString();
  const QFileInfo info(folder);
  if (info.fileName().compare(kIndexFolder, Qt::CaseInsensitive) == 0) return info.path();
  return folder;
}

QString CacheFolderBox::hint_for(const QString &folder) {
  if (folder.isEmpty())
    return QStringLiteral(
        "空欄のときは Windows のプロファイル (USERPROFILE)、次に Chromium・Firefox のキャッシュを探します");
  if (!QFileInfo(folder).isDir()) return QStringLiteral("フォルダが見つかりません");
  if (has_dir(folder, kIndexFolder)) return QStringLiteral("Content.IE5 のあるフォルダです");
  const QString kind = modern_kind(folder);
  if (!kind.isEmpty()) return kind + QStringLiteral(" のキャッシュです");
  return QStringLiteral("このフォルダにはブラウザのキャッシュがありません");
}

void CacheFolderBox::refresh_found() {
  list_->clear();
  const QList<engine::FoundCache> found = engine::list_caches();
  list_->addItem(found.isEmpty() ? QStringLiteral("キャッシュは見つかりません")
                                 : QStringLiteral("自動: ") + label_of(found.first()),
                 QString());
  for (const engine::FoundCache &cache : found) {
    list_->addItem(label_of(cache), cache.folder);
    list_->setItemData(list_->count() - 1, cache.folder, Qt::ToolTipRole);
  }
  const int shown = list_->findData(folder_);
  list_->setCurrentIndex(shown < 0 ? 0 : shown);
}

void CacheFolderBox::showEvent(QShowEvent *event) {
  // Asked each time the tab is shown: a browser may have been used since.
  refresh_found();
  QGroupBox::showEvent(event);
}

void CacheFolderBox::on_CacheList_Click(int index) {
  take(list_->itemData(index).toString());
}

void CacheFolderBox::on_Text9_LostFocus() {
  take(box_->text());
}

void CacheFolderBox::on_Command4_Click() {
  const QString start = folder_.isEmpty() ? QDir::homePath() : folder_;
  const QString picked = QFileDialog::getExistingDirectory(
      this, QStringLiteral("ブラウザのキャッシュフォルダを選んでください"), start);
  if (!picked.isEmpty()) take(picked);
}

void CacheFolderBox::take(const QString &text) {
  const QString chosen = cache_folder_of(text);
  box_->setText(chosen);
  hint_->setText(hint_for(chosen));
  const int shown = list_->findData(chosen);
  list_->setCurrentIndex(shown < 0 ? 0 : shown);
  if (chosen == folder_) return;
  folder_ = chosen;
  Q_EMIT folder_chosen(folder_);
}
