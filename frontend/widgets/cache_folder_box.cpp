#include "cache_folder_box.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls.h"

namespace {

const QString kIndexFolder = QStringLiteral("Content.IE5");

}  // namespace

CacheFolderBox::CacheFolderBox(QWidget *parent) : QGroupBox(QStringLiteral("キャッシュフォルダ"), parent) {
  setObjectName(QStringLiteral("Frame12"));
  box_ = controls::box(QStringLiteral("Text9"), this, 240);
  box_->setPlaceholderText(QStringLiteral("Temporary Internet Files"));
  box_->setToolTip(QStringLiteral("Content.IE5 のあるフォルダを指定します。空欄のときは自動で探します"));
  auto *browse = controls::button(QStringLiteral("Command4"), QStringLiteral("参照..."), this);
  hint_ = controls::label(QStringLiteral("Label13"), hint_for(QString()), this);
  hint_->setWordWrap(true);
  auto *grid = new QGridLayout(this);
  grid->addWidget(box_, 0, 0);
  grid->addWidget(browse, 0, 1);
  grid->addWidget(hint_, 1, 0, 1, 2);
  connect(box_, &QLineEdit::editingFinished, this, &CacheFolderBox::on_Text9_LostFocus);
  connect(browse, &QPushButton::clicked, this, &CacheFolderBox::on_Command4_Click);
}

void CacheFolderBox::set_folder(const QString &folder) {
  folder_ = cache_folder_of(folder);
  box_->setText(folder_);
  hint_->setText(hint_for(folder_));
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
    return QStringLiteral("空欄のときは Windows のプロファイル (USERPROFILE) から探します");
  if (!QFileInfo(folder).isDir()) return QStringLiteral("フォルダが見つかりません");
  if (!QFileInfo(QDir(folder).filePath(kIndexFolder)).isDir())
    return QStringLiteral("このフォルダには Content.IE5 がありません");
  return QStringLiteral("Content.IE5 のあるフォルダです");
}

void CacheFolderBox::on_Text9_LostFocus() {
  take(box_->text());
}

void CacheFolderBox::on_Command4_Click() {
  const QString start = folder_.isEmpty() ? QDir::homePath() : folder_;
  const QString picked = QFileDialog::getExistingDirectory(
      this, QStringLiteral("キャッシュフォルダ (Temporary Internet Files) を選んでください"), start);
  if (!picked.isEmpty()) take(picked);
}

void CacheFolderBox::take(const QString &text) {
  const QString chosen = cache_folder_of(text);
  box_->setText(chosen);
  hint_->setText(hint_for(chosen));
  if (chosen == folder_) return;
  folder_ = chosen;
  Q_EMIT folder_chosen(folder_);
}
