// FirstRunDialog: asks where the settings file (quillo.ini) lies when it is not beside the program.
#pragma once

#include <QDialog>

class QLineEdit;

class FirstRunDialog : public QDialog {
  Q_OBJECT
 public:
  FirstRunDialog(const QString &start_text, QWidget *parent = nullptr);

  QString text() const;
  // The folder holding the settings file when the text names that file or such a folder; empty otherwise.
  QString settings_folder() const;
  static QString settings_folder_of(const QString &text);
  static const QString kSettingsFile;  // quillo.ini

 private:
  void on_Command2_Click();  // browse
  void on_Command1_Click();  // "OK."

  QLineEdit *settings_file_box_;
};
