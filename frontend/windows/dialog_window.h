// Dialog: confirms a cache clean-up (with a look at the candidates first), keeps dropped catalog pictures by
// making them read-only, and shows the command line and the seconds of an external run.
#pragma once

#include <QDialog>

class QLabel;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTextEdit;

class DialogWindow : public QDialog {
  Q_OBJECT
 public:
  explicit DialogWindow(QWidget *parent = nullptr);

  // Sets the question and which of "確認" and "Cansel" can be pressed.
  void prepare(const QString &text, bool check_enabled, bool cancel_enabled);
  void enable_check(bool enabled);
  void enable_cancel(bool enabled);
  bool cancel_flag() const { return cancel_flag_; }
  void set_cancel_flag(bool flag) { cancel_flag_ = flag; }
  void set_progress(int value);

  void show_external_run(const QString &command_line);
  void set_label(const QString &text);
  QString label() const;
  QString kept_files() const;

  void on_Text1_OLEDragDrop(const QMimeData *data);

 Q_SIGNALS:
  // The candidates' catalog was written: it is to be shown like a run's catalog.
  void catalog_requested();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void on_Command1_Click();  // OK
  void on_Command2_Click();  // Cansel
  void on_Command3_Click();  // 確認

  QLabel *message_;
  QTextEdit *kept_files_box_;
  QProgressBar *progress_bar_;
  QPushButton *ok_button_;
  QPushButton *cancel_button_;
  QPushButton *look_button_;
  bool cancel_flag_ = true;
};
