#include "controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <climits>

namespace controls {

QLabel *label(const QString &name, const QString &text, QWidget *parent) {
  auto *w = new QLabel(text, parent);
  w->setObjectName(name);
  return w;
}

QPushButton *button(const QString &name, const QString &text, QWidget *parent) {
  auto *w = new QPushButton(text, parent);
  w->setObjectName(name);
  return w;
}

QCheckBox *check(const QString &name, const QString &text, QWidget *parent) {
  auto *w = new QCheckBox(text, parent);
  w->setObjectName(name);
  return w;
}

QRadioButton *option(const QString &name, const QString &text, QWidget *parent) {
  auto *w = new QRadioButton(text, parent);
  w->setObjectName(name);
  return w;
}

QLineEdit *box(const QString &name, QWidget *parent, int width) {
  auto *w = new QLineEdit(parent);
  w->setObjectName(name);
  w->setFixedWidth(width);
  return w;
}

QGroupBox *frame(const QString &name, const QString &title, QWidget *parent) {
  auto *w = new QGroupBox(title, parent);
  w->setObjectName(name);
  return w;
}

QScrollBar *scroll_bar(const QString &name, bool horizontal, int minimum, int maximum, QWidget *parent) {
  auto *w = new QScrollBar(horizontal ? Qt::Horizontal : Qt::Vertical, parent);
  w->setObjectName(name);
  w->setRange(minimum, maximum);
  w->setPageStep(std::max(1, (maximum - minimum) / 10));
  if (horizontal) {
    w->setMinimumWidth(100);
  } else {
    w->setFixedHeight(38);
  }
  return w;
}

int set_quietly(QScrollBar *bar, int value) {
  const QSignalBlocker block(bar);
  bar->setValue(value);
  return bar->value();
}

int numeric_value(const QString &text) {
  const QString t = text.trimmed();
  qsizetype at = 0;
  const bool negative = at < t.size() && t[at] == QLatin1Char('-');
  if (at < t.size() && (t[at] == QLatin1Char('-') || t[at] == QLatin1Char('+'))) ++at;
  // Too many digits for an int give the int's end on that side, so a range clamps them to its own end.
  long long value = 0;
  for (; at < t.size() && t[at].unicode() >= '0' && t[at].unicode() <= '9'; ++at)
    value = std::min(value * 10 + (t[at].unicode() - '0'), static_cast<long long>(INT_MAX) + 1);
  if (negative) return static_cast<int>(std::max(-value, static_cast<long long>(INT_MIN)));
  return static_cast<int>(std::min(value, static_cast<long long>(INT_MAX)));
}

}  // namespace controls
