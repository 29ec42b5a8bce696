// Title: the splash window. It shows the version text over the artwork of the display style and, one second
// after it appears, hands over to the main window.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;

class TitleWindow : public QWidget {
  Q_OBJECT
 public:
  explicit TitleWindow(QWidget *parent = nullptr);

  // Display style 1 paints the window black and shows Picture1; style 0 shows Picture2.
  void apply_display_style(int style);
  void centre_on_screen();

 Q_SIGNALS:
  void finished();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void on_Timer1_Timer();

  QLabel *dark_picture_;
  QLabel *light_picture_;
  QLabel *version_label_;
  QTimer *splash_timer_;
};
