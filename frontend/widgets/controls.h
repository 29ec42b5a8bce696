// Small helpers that make the named controls of the windows and read numbers the way the windows do.
#pragma once

#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QWidget;

namespace controls {

QLabel *label(const QString &name, const QString &text, QWidget *parent);
QPushButton *button(const QString &name, const QString &text, QWidget *parent);
QCheckBox *check(const QString &name, const QString &text, QWidget *parent);
QRadioButton *option(const QString &name, const QString &text, QWidget *parent);
QLineEdit *box(const QString &name, QWidget *parent, int width = 56);
QGroupBox *frame(const QString &name, const QString &title, QWidget *parent);
// A scroll bar: horizontal (HScroll…) or vertical (VScroll…), with its range.
QScrollBar *scroll_bar(const QString &name, bool horizontal, int minimum, int maximum, QWidget *parent);
// Moves a scroll bar without running its change handler; the value as the bar clamped it.
int set_quietly(QScrollBar *bar, int value);

// The number a text starts with (blanks before it allowed), or 0 when it starts with none; a number beyond
// an int gives INT_MAX or INT_MIN.
int numeric_value(const QString &text);

}  // namespace controls
