#include "dialog_window.h"

#include <QLabel>
#include <QVBoxLayout>

DialogWindow::DialogWindow(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Dialog"));
  setWindowTitle(QStringLiteral("キャッシュバックアップ削除・確認"));
  label1_ = new QLabel(this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setWordWrap(true);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(label1_);
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
