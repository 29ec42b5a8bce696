#include "prompt.h"

#include <QApplication>
#include <QMessageBox>

namespace prompt {
namespace {

Handler &handler() {
  static Handler h;
  return h;
}

QMessageBox::StandardButtons standard_buttons(Buttons buttons) {
  switch (buttons) {
    case Buttons::OkCancel:
    case Buttons::OkCancelDefaultCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case Buttons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
    case Buttons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

Answer answer_of(int button) {
  switch (button) {
    case QMessageBox::Cancel:
      return Answer::Cancel;
    case QMessageBox::Abort:
      return Answer::Abort;
    case QMessageBox::Retry:
      return Answer::Retry;
    case QMessageBox::Ignore:
      return Answer::Ignore;
    default:
      return Answer::Ok;
  }
}

}  // namespace

Answer show(QWidget *parent, const QString &text, Buttons buttons) {
  if (handler()) return handler()(text, buttons);
  // Without a parent (the run controller owns no window) the box stays over the window in front.
  if (!parent) parent = QApplication::activeWindow();
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("クイロ～"), text, standard_buttons(buttons), parent);
  box.setObjectName(QStringLiteral("MessageBox"));
  if (buttons == Buttons::OkCancelDefaultCancel) box.setDefaultButton(QMessageBox::Cancel);
  return answer_of(box.exec());
}

void beep() {
  if (handler()) {
    handler()(QString(), Buttons::Ok);
    return;
  }
  QApplication::beep();
}

void set_handler(Handler h) {
  handler() = std::move(h);
}

}  // namespace prompt
