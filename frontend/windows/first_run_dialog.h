// FirstRunDialog: asks where the settings file lies when it is not beside the program.
#pragma once

#include <QDialog>

class QLineEdit;

class FirstRunDialog : public QDialog {
  Q_OBJECT
 public:
  FirstRunDialog(const QString &start_text, QWidget *parent = nullptr);

  QString text() const;

 private:
  void on_Command2_Click();  // browse
  void on_Command1_Click();  // "OK."

  QLineEdit *settings_file_box_;
};
