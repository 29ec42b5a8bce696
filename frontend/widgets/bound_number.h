// A number box and a scroll bar that show one setting of the settings mirror together: moving the bar writes
// the number into the box and the setting; a number typed into the box moves the bar (which keeps it within
// its range) when it is committed, and leaving the box always commits it, so that the box never shows a
// number other than the one in use.
#pragma once

#include <QObject>
#include <QString>

#include "settings_mirror.h"

class QLineEdit;
class QScrollBar;
class QWidget;

class BoundNumber : public QObject {
  Q_OBJECT
 public:
  // When a number typed into the box takes effect.
  enum class Commit {
    OnEnter,                 // Enter; the box then shows what the bar took
    OnEnterFollowingTyping,  // the same, but the setting follows each typed number (within the range) at once
    OnLeave,                 // leaving the box or Enter
    AsTyped,  // every change; the box keeps what is typed, so numbers can be typed digit by digit
  };

  BoundNumber(const QString &box_name, const QString &bar_name, Qt::Orientation orientation, int minimum,
              int maximum, int SettingsMirror::*setting, Commit commit, QWidget *parent);

  QLineEdit *box() const { return box_; }
  QScrollBar *bar() const { return bar_; }
  int value() const;
  // Moves the bar (within its range) and shows where it stands in the box and the setting, even when the
  // bar was already there.
  void set_value(int value);
  // The bar takes the number in the box; box and setting change only when the bar moves.
  void take_box_number();
  void set_enabled(bool enabled);

 private:
  void on_box_commit();
  void on_box_edited(const QString &text);
  void on_box_changed(const QString &text);
  void on_bar_change(int value);
  void show_value(int value);

  QLineEdit *box_;
  QScrollBar *bar_;
  int SettingsMirror::*setting_;
};
