#include "browser.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace browser {
namespace {

bool is_address(const QString &target) {
  const QUrl url(target);
  return url.isValid() && url.scheme().size() > 1 && !target.startsWith(QLatin1Char('/'));
}

}  // namespace

bool open(const QString &target) {
  const QString command = qEnvironmentVariable("QUILLO_BROWSER");
  if (!command.isEmpty()) {
    QStringList arguments = QProcess::splitCommand(command);
    if (arguments.isEmpty()) return false;
    const QString program = arguments.takeFirst();
    arguments << target;
    return QProcess::startDetached(program, arguments);
  }
  return QDesktopServices::openUrl(is_address(target) ? QUrl(target) : QUrl::fromLocalFile(target));
}

}  // namespace browser
