#include "flyout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QPoint on_anchor_screen(const QWidget *anchor, QPoint wanted, QSize frame) {
  const QScreen *screen = anchor ? QGuiApplication::screenAt(anchor->frameGeometry().center()) : nullptr;
  if (!screen && anchor) screen = anchor->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return wanted;
  const QRect area = screen->availableGeometry();
  const int x = std::max(area.left(), std::min(wanted.x(), area.right() + 1 - frame.width()));
  const int y = std::max(area.top(), std::min(wanted.y(), area.bottom() + 1 - frame.height()));
  return QPoint(x, y);
}

FlyOut::FlyOut(QWidget *window, QWidget *button, std::function<void()> place,
               std::function<void()> before_hide)
    : QObject(window),
      window_(window),
      button_(button),
      place_(std::move(place)),
      before_hide_(std::move(before_hide)) {
  window_->installEventFilter(this);
  button_->installEventFilter(this);
}

void FlyOut::show_beside() {
  if (place_) place_();
  window_->show();
  if (place_) place_();  // again: the frame's size is only known once the window is shown
  window_->raise();
  flag_ = kOpened;
}

void FlyOut::button_clicked() {
  if (shown_by_resting_ && window_->isVisible()) {
    shown_by_resting_ = false;
    flag_ = kOpened;
    window_->raise();
    return;
  }
  shown_by_resting_ = false;
  if (window_->isVisible()) {
    window_->hide();
    flag_ = kClosed;
  } else {
    show_beside();
  }
}

void FlyOut::pointer_over_button() {
  if (flag_ != kVisited || window_->isVisible()) return;
  show_beside();
  shown_by_resting_ = true;
}

void FlyOut::pointer_over_window() {
  if (flag_ == kOpened) flag_ = kVisited;
}

// The flag stays "visited", so that resting on the button brings the window back.
void FlyOut::pointer_over_main() {
  if (flag_ != kVisited || !window_->isVisible()) return;
  if (before_hide_) before_hide_();
  window_->hide();
}

void FlyOut::right_clicked() {
  window_->hide();
  flag_ = kClosed;
}

bool FlyOut::eventFilter(QObject *watched, QEvent *event) {
  if (watched == button_ && event->type() == QEvent::Enter) {
    pointer_over_button();
  } else if (watched == button_ && event->type() == QEvent::Leave) {
    shown_by_resting_ = false;
  } else if (watched == window_) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) pointer_over_window();
    if (event->type() == QEvent::ContextMenu) {
      right_clicked();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}
