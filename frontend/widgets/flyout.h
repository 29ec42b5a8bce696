// The fly-out behaviour of the settings dialog and the output window: opened beside the main window by their
// button, they hide again when the pointer goes back to the main window after visiting them, and come back
// when the pointer rests on their button.
#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <functional>

class QWidget;

// Where a window whose frame has the given size stands when it wants to stand at `wanted`: there, when it
// fits on the screen that shows the anchor; otherwise moved just enough to lie on that screen's free area (a
// window larger than the area keeps its top left corner on it).
QPoint on_anchor_screen(const QWidget *anchor, QPoint wanted, QSize frame);

class FlyOut : public QObject {
  Q_OBJECT
 public:
  enum Flag { kClosed = 0, kVisited = 1, kOpened = 2 };

  // place puts the window beside the main window; before_hide runs whenever the main window hides it.
  FlyOut(QWidget *window, QWidget *button, std::function<void()> place,
         std::function<void()> before_hide = {});

  int flag() const { return flag_; }
  QWidget *window() const { return window_; }

  // Shows the window when it is hidden, or was shown only a moment ago by the pointer resting on the button
  // (the user saw it hidden and clicked to show it); hides it otherwise.
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
  // Shown by the pointer resting on the button, which it has not left since.
  bool shown_by_resting_ = false;
};
