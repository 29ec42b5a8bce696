// The fly-out behaviour of the settings dialog and the output window: opened beside the main window by their
// button, they hide again when the pointer goes back to the main window after visiting them, and come back
// when the pointer rests on their button.
#pragma once

#include <QObject>
#include <functional>

class QWidget;

class FlyOut : public QObject {
  Q_OBJECT
 public:
  enum Flag { kClosed = 0, kVisited = 1, kOpened = 2 };

  // place puts the window beside the main window; before_hide runs whenever the main window hides it.
  FlyOut(QWidget *window, QWidget *button, std::function<void()> place,
         std::function<void()> before_hide = {});

  int flag() const { return flag_; }
  QWidget *window() const { return window_; }

  void button_clicked();
  void pointer_over_button();
  void pointer_over_window();
  void pointer_over_main();
  void right_clicked();

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void show_beside();

  QWidget *window_;
  QWidget *button_;
  std::function<void()> place_;
  std::function<void()> before_hide_;
  int flag_ = kClosed;
};
