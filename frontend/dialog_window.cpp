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

}  // namespace

DialogWindow::DialogWindow(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Dialog"));
  setWindowTitle(QStringLiteral("キャッシュバックアップ削除・確認"));
  label1_ = controls::label(QStringLiteral("Label1"), QString(), this);
  label1_->setWordWrap(true);
  label1_->setMinimumWidth(360);
  text1_ = new QTextEdit(this);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setPlainText(kDropHint);
  text1_->setAcceptDrops(false);  // drops are handled here, not by the editor
  text1_->viewport()->setAcceptDrops(true);
  text1_->viewport()->installEventFilter(this);
  text1_->setMinimumHeight(90);
  progress_bar1_ = new QProgressBar(this);
  progress_bar1_->setObjectName(QStringLiteral("ProgressBar1"));
  progress_bar1_->setTextVisible(false);
  command1_ = controls::button(QStringLiteral("Command1"), QStringLiteral("OK"), this);
  command2_ = controls::button(QStringLiteral("Command2"), QStringLiteral("Cansel"), this);
  command3_ = controls::button(QStringLiteral("Command3"), QStringLiteral("確認"), this);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(command3_);
  buttons->addStretch(1);
  buttons->addWidget(command1_);
  buttons->addWidget(command2_);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(label1_);
  layout->addWidget(text1_);
  layout->addWidget(progress_bar1_);
  layout->addLayout(buttons);
  connect(command1_, &QPushButton::clicked, this, &DialogWindow::on_Command1_Click);
  connect(command2_, &QPushButton::clicked, this, &DialogWindow::on_Command2_Click);
  connect(command3_, &QPushButton::clicked, this, &DialogWindow::on_Command3_Click);
  command3_->setEnabled(false);
}

void DialogWindow::prepare(const QString &text, bool check_enabled, bool cancel_enabled) {
  set_label(text);
  enable_check(check_enabled);
  enable_cancel(cancel_enabled);
}

void DialogWindow::enable_check(bool enabled) {
  command3_->setEnabled(enabled);
}

void DialogWindow::enable_cancel(bool enabled) {
  command2_->setEnabled(enabled);
}

void DialogWindow::set_progress(int value) {
  progress_bar1_->setValue(value);
}

void DialogWindow::show_external_run(const QString &command_line) {
  set_label(command_line);
  show();
}

void DialogWindow::set_label(const QString &text) {
  label1_->setText(text);
}

QString DialogWindow::label() const {
  return label1_->text();
}

QString DialogWindow::kept_files() const {
  return text1_->toPlainText();
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
  engine::cache_del(2);
  set_progress(progress_bar1_->maximum());
  if (show_catalog_) show_catalog_();
}

void DialogWindow::on_Text1_OLEDragDrop(const QMimeData *data) {
  if (!data) return;
  QString text = data->hasText() ? data->text() : QString();
  if (text.isEmpty() && data->hasUrls() && !data->urls().isEmpty()) text = data->urls().first().toString();
  if (text1_->toPlainText().startsWith(QLatin1Char(' '))) text1_->clear();
  if (!text.contains(QStringLiteral("javascript"), Qt::CaseInsensitive)) return;
  const QString path = showcg::picture_path(text);
  if (path.isEmpty()) return;
  engine::change_file_mode(kReadOnlyMode, path);
  text1_->setPlainText(text1_->toPlainText() + path + QStringLiteral("\r\n"));
}

bool DialogWindow::eventFilter(QObject *watched, QEvent *event) {
  if (watched == text1_->viewport()) {
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
