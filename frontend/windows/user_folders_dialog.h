// UserFoldersDialog: at a user's first start of an installed program, shows where the user's own settings
// file was made and proposes the folder the catalogs go to (the user may choose another).
#pragma once

#include <QDialog>

class QLineEdit;

class UserFoldersDialog : public QDialog {
  Q_OBJECT
 public:
  UserFoldersDialog(const QString &settings_file, const QString &output_folder, QWidget *parent = nullptr);

  // The output folder as the box holds it, without trailing separators.
  QString output_folder() const;

 private:
  void on_OutputBrowse_Click();
  void on_OkButton_Click();

  QLineEdit *output_box_;
};
