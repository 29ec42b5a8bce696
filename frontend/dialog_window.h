// Dialog: confirms a cache clean-up and shows the external run.
#pragma once

#include <QDialog>

class QLabel;

class DialogWindow : public QDialog {
  Q_OBJECT
 public:
  explicit DialogWindow(QWidget *parent = nullptr);

  void show_external_run(const QString &command_line);
  void set_label(const QString &text);
  QString label() const;

 private:
  QLabel *label1_;
};
