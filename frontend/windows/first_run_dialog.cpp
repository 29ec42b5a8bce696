#include "first_run_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

const QString FirstRunDialog::kSettingsFile = QStringLiteral("quillo.ini");

FirstRunDialog::FirstRunDialog(const QString &start_text, QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FirstRunDialog"));
  setWindowTitle(QStringLiteral("クイロ～初回起動・設定"));
  setModal(true);
  auto *label = new QLabel(kSettingsFile + QStringLiteral("のある場所（ファイルまたはフォルダ）"), this);
  label->setObjectName(QStringLiteral("Label1"));
  settings_file_box_ = new QLineEdit(start_text, this);
  settings_file_box_->setObjectName(QStringLiteral("Text1"));
  settings_file_box_->setMinimumWidth(360);
  auto *browse = new QPushButton(QStringLiteral("参照..."), this);
  browse->setObjectName(QStringLiteral("Command2"));
  auto *ok = new QPushButton(QStringLiteral("OK."), this);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setDefault(true);

  auto *layout = new QGridLayout(this);
  layout->addWidget(label, 0, 0, 1, 2);
  layout->addWidget(settings_file_box_, 1, 0);
  layout->addWidget(browse, 1, 1);
  layout->addWidget(ok, 2, 1);
  connect(browse, &QPushButton::clicked, this, &FirstRunDialog::on_Command2_Click);
  connect(ok, &QPushButton::clicked, this, &FirstRunDialog::on_Command1_Click);
}

QString FirstRunDialog::text() const {
  return settings_file_box_->text();
}

QString FirstRunDialog::settings_folder() const {
  return settings_folder_of(text());
}

// The engine reads the settings by their file name from the folder, so a file of another name is no use.
QString FirstRunDialog::settings_folder_of(const QString &text) {
  const QFileInfo chosen(text.trimmed());
  if (chosen.isDir())
    return QFileInfo(QDir(chosen.absoluteFilePath()).filePath(kSettingsFile)).isFile()
               ? chosen.absoluteFilePath()
               : QString();
  return chosen.isFile() && chosen.fileName() == kSettingsFile ? chosen.absolutePath() : QString();
}

void FirstRunDialog::on_Command2_Click() {
  QFileDialog dialog(this, windowTitle(), settings_file_box_->text());
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("設定ファイル (%1)").arg(kSettingsFile));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    settings_file_box_->setText(dialog.selectedFiles().first());
}

void FirstRunDialog::on_Command1_Click() {
  accept();
}
