// Message boxes and beeps of the whole front end go through here, so that tests can read and answer them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace prompt {

// OkCancelDefaultCancel: a question whose Ok loses data, so Enter answers Cancel.
enum class Buttons { Ok, OkCancel, OkCancelDefaultCancel, AbortRetryIgnore, RetryCancel };
enum class Answer { Ok, Cancel, Abort, Retry, Ignore };

// Shows a modal message box with the program title over parent, or over the active window when parent is
// null; returns the button pressed.
Answer show(QWidget *parent, const QString &text, Buttons buttons = Buttons::Ok);
void beep();

// A handler replaces the boxes and beeps (beeps arrive as an empty text). Pass nullptr to restore them.
using Handler = std::function<Answer(const QString &text, Buttons buttons)>;
void set_handler(Handler handler);

}  // namespace prompt
