#include "dialog_window.h"

#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

#include "controls.h"
#include "engine_binding.h"
#include "showcg_link.h"

namespace {

// Starts with a blank: the first drop replaces it.
const QString kDropHint =
    QStringLiteral("  保存したいファイルは、\n  カタログからここへ\n  ドラッグして下さい。");

// The read-only mode for ZunoChangeFileMode: no write-permission bit (0x80).
constexpr int kReadOnlyMode = 1024;

// The ZunoCacheDel mode that writes a catalog of the candidates instead of deleting them.
constexpr int kCandidatesCatalog = 2;

}  // namespace

DialogWindow::DialogWindow(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Dialog"));
  setWindowTitle(QStringLiteral("キャッシュバックアップ削除・確認"));
  message_ = controls::label(QStringLiteral("Label1"), QString(), this);
  message_->setWordWrap(true);
  message_->setMinimumWidth(360);
  kept_files_box_ = new QTextEdit(this);
  kept_files_box_->setObjectName(QStringLiteral("Text1"));
  kept_files_box_->setPlainText(kDropHint);
  kept_files_box_->setAcceptDrops(false);  // drops are handled here, not by the editor
  kept_files_box_->viewport()->setAcceptDrops(true);
  kept_files_box_->viewport()->installEventFilter(this);
  kept_files_box_->setMinimumHeight(90);
  progress_bar_ = new QProgressBar(this);
  progress_bar_->setObjectName(QStringLiteral("ProgressBar1"));
  progress_bar_->setTextVisible(false);
  ok_button_ = controls::button(QStringLiteral("Command1"), QStringLiteral("OK"), this);
  cancel_button_ = controls::button(QStringLiteral("Command2"), QStringLiteral("Cansel"), this);
  look_button_ = controls::button(QStringLiteral("Command3"), QStringLiteral("確認"), this);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(look_button_);
  buttons->addStretch(1);
  buttons->addWidget(ok_button_);
  buttons->addWidget(cancel_button_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(message_);
  layout->addWidget(kept_files_box_);
  layout->addWidget(progress_bar_);
  layout->addLayout(buttons);
  connect(ok_button_, &QPushButton::clicked, this, &DialogWindow::on_Command1_Click);
  connect(cancel_button_, &QPushButton::clicked, this, &DialogWindow::on_Command2_Click);
  connect(look_button_, &QPushButton::clicked, this, &DialogWindow::on_Command3_Click);
  look_button_->setEnabled(false);
}

void DialogWindow::prepare(const QString &text, bool check_enabled, bool cancel_enabled) {
  set_label(text);
  enable_check(check_enabled);
  enable_cancel(cancel_enabled);
}

void DialogWindow::enable_check(bool enabled) {
  look_button_->setEnabled(enabled);
}

void DialogWindow::enable_cancel(bool enabled) {
  cancel_button_->setEnabled(enabled);
}

void DialogWindow::set_progress(int value) {
  progress_bar_->setValue(value);
}

void DialogWindow::show_external_run(const QString &command_line) {
  set_label(command_line);
  show();
}

void DialogWindow::set_label(const QString &text) {
  message_->setText(text);
}

QString DialogWindow::label() const {
  return message_->text();
}

QString DialogWindow::kept_files() const {
  return kept_files_box_->toPlainText();
}

void DialogWindow::on_Command1_Click() {
  cancel_flag_ = false;
  accept();
}

void DialogWindow::on_Command2_Click() {
  cancel_flag_ = true;
  reject();
}

// Lets the user look at the candidates before deciding.
void DialogWindow::on_Command3_Click() {
  set_progress(0);
  engine::cache_del(kCandidatesCatalog);
  set_progress(progress_bar_->maximum());
  Q_EMIT catalog_requested();
}

void DialogWindow::on_Text1_OLEDragDrop(const QMimeData *data) {
  if (!data) return;
  QString text = data->hasText() ? data->text() : QString();
  if (text.isEmpty() && data->hasUrls() && !data->urls().isEmpty()) text = data->urls().first().toString();
  if (kept_files_box_->toPlainText().startsWith(QLatin1Char(' '))) kept_files_box_->clear();
  if (!text.contains(QStringLiteral("javascript"), Qt::CaseInsensitive)) return;
  const QString path = showcg::picture_path(text);
  if (path.isEmpty()) return;
  engine::change_file_mode(kReadOnlyMode, path);
  kept_files_box_->setPlainText(kept_files_box_->toPlainText() + path + QStringLiteral("\r\n"));
}

bool DialogWindow::eventFilter(QObject *watched, QEvent *event) {
  if (watched == kept_files_box_->viewport()) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      static_cast<QDropEvent *>(event)->acceptProposedAction();
      return true;
    }
    if (event->type() == QEvent::Drop) {
      auto *drop = static_cast<QDropEvent *>(event);
      on_Text1_OLEDragDrop(drop->mimeData());
      drop->acceptProposedAction();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
