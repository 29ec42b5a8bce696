#include "user_folders_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

UserFoldersDialog::UserFoldersDialog(const QString &settings_file, const QString &output_folder,
                                     QWidget *parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("UserFoldersDialog"));
  setWindowTitle(QStringLiteral("クイロ～初回起動・設定"));
  setModal(true);
  auto *intro = new QLabel(QStringLiteral("クイロ～はこのコンピュータの全ユーザーで共有されています。\n"
                                          "あなたの設定とカタログは次のフォルダに置きます。"),
                           this);
  intro->setObjectName(QStringLiteral("IntroLabel"));
  auto *settings_label = new QLabel(QStringLiteral("設定ファイル"), this);
  settings_label->setObjectName(QStringLiteral("SettingsLabel"));
  auto *settings_box = new QLineEdit(settings_file, this);
  settings_box->setObjectName(QStringLiteral("SettingsFileBox"));
  settings_box->setReadOnly(true);
  auto *output_label = new QLabel(QStringLiteral("カタログの出力先"), this);
  output_label->setObjectName(QStringLiteral("OutputLabel"));
  output_box_ = new QLineEdit(QDir::toNativeSeparators(output_folder), this);
  output_box_->setObjectName(QStringLiteral("OutputFolderBox"));
  output_box_->setMinimumWidth(360);
  auto *browse = new QPushButton(QStringLiteral("参照..."), this);
  browse->setObjectName(QStringLiteral("OutputBrowse"));
  auto *ok = new QPushButton(QStringLiteral("OK."), this);
  ok->setObjectName(QStringLiteral("OkButton"));
  ok->setDefault(true);

  auto *layout = new QGridLayout(this);
  layout->addWidget(intro, 0, 0, 1, 2);
  layout->addWidget(settings_label, 1, 0, 1, 2);
  layout->addWidget(settings_box, 2, 0);
  layout->addWidget(output_label, 3, 0, 1, 2);
  layout->addWidget(output_box_, 4, 0);
  layout->addWidget(browse, 4, 1);
  layout->addWidget(ok, 5, 1);
  connect(browse, &QPushButton::clicked, this, &UserFoldersDialog::on_OutputBrowse_Click);
  connect(ok, &QPushButton::clicked, this, &UserFoldersDialog::on_OkButton_Click);
}

QString UserFoldersDialog::output_folder() const {
  QString folder = output_box_->text().trimmed();
  while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
  return folder;
}

void UserFoldersDialog::on_OutputBrowse_Click() {
  const QString chosen = QFileDialog::getExistingDirectory(this, windowTitle(), output_folder());
  if (!chosen.isEmpty()) output_box_->setText(chosen);
}

void UserFoldersDialog::on_OkButton_Click() {
  accept();
}
