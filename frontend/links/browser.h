// Hands a catalog page or a web address to the user's browser. The environment variable QUILLO_BROWSER,
// when set, names the command used instead of the desktop's default (tests capture the page with it).
#pragma once

#include <QString>

namespace browser {

// target: a local file path or an address with a scheme. False when nothing could be started.
bool open(const QString &target);

}  // namespace browser
