#include "bound_number.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

#include "controls.h"

BoundNumber::BoundNumber(const QString &box_name, const QString &bar_name, Qt::Orientation orientation,
                         int minimum, int maximum, int SettingsMirror::*setting, Commit commit,
                         QWidget *parent)
    : QObject(parent),
      box_(controls::box(box_name, parent)),
      bar_(controls::scroll_bar(bar_name, orientation == Qt::Horizontal, minimum, maximum, parent)),
      setting_(setting) {
  connect(bar_, &QScrollBar::valueChanged, this, &BoundNumber::on_bar_change);
  switch (commit) {
    case Commit::OnEnterFollowingTyping:
      connect(box_, &QLineEdit::textEdited, this, &BoundNumber::on_box_edited);
      [[fallthrough]];
    case Commit::OnEnter:
      connect(box_, &QLineEdit::returnPressed, this, &BoundNumber::on_box_commit);
      break;
    case Commit::OnLeave:
      connect(box_, &QLineEdit::editingFinished, this, &BoundNumber::on_box_commit);
      break;
    case Commit::AsTyped:
      connect(box_, &QLineEdit::textChanged, this, &BoundNumber::on_box_changed);
      break;
  }
  // Whatever was typed, the box shows the number in use once the user leaves it.
  if (commit != Commit::OnLeave)
    connect(box_, &QLineEdit::editingFinished, this, &BoundNumber::on_box_commit);
}

int BoundNumber::value() const {
  return bar_->value();
}

void BoundNumber::set_value(int value) {
  bar_->setValue(value);
  show_value(bar_->value());
}

void BoundNumber::take_box_number() {
  bar_->setValue(controls::numeric_value(box_->text()));
}

void BoundNumber::set_enabled(bool enabled) {
  box_->setEnabled(enabled);
  bar_->setEnabled(enabled);
}

// The bar's range bounds what may be typed (not the value loaded at start-up, which would forbid raising it).
void BoundNumber::on_box_commit() {
  set_value(controls::numeric_value(box_->text()));
}

void BoundNumber::on_box_edited(const QString &text) {
  settings_mirror().*setting_ = std::clamp(controls::numeric_value(text), bar_->minimum(), bar_->maximum());
}

void BoundNumber::on_box_changed(const QString &text) {
  settings_mirror().*setting_ = controls::set_quietly(bar_, controls::numeric_value(text));
}

void BoundNumber::on_bar_change(int value) {
  show_value(value);
}

void BoundNumber::show_value(int value) {
  {
    const QSignalBlocker block(box_);
    box_->setText(QString::number(value));
  }
  settings_mirror().*setting_ = value;
}
