#include "property_dialog.h"

#include <QEvent>

PropertyDialog::PropertyDialog(QWidget *parent) : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("Property"));
  setWindowTitle(QStringLiteral("オプション"));
  resize(360, 420);
}

void PropertyDialog::place_beside_anchor() {
  if (anchor_) move(anchor_->x() - frameGeometry().width(), anchor_->y());
}

void PropertyDialog::fill_from_mirror() {}

void PropertyDialog::sync_thumb_scroll() {}

void PropertyDialog::apply_mode(int) {}

bool PropertyDialog::event(QEvent *event) {
  if (event->type() == QEvent::WindowActivate) place_beside_anchor();
  return QWidget::event(event);
}
