// frmAbout: the version window, with a button that shows what the system reports about itself.
#pragma once

#include <QDialog>

class AboutWindow : public QDialog {
  Q_OBJECT
 public:
  explicit AboutWindow(QWidget *parent = nullptr);

  // OS, kernel, Qt version, processor and memory as the system reports them; empty when nothing is known.
  static QString system_information();

 private:
  void on_cmdSysInfo_Click();
};
