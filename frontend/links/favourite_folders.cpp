#include "favourite_folders.h"

#include <QDir>

namespace favourite_folders {
namespace {

QString absolute_variable(const char *name) {
  const QString value = qEnvironmentVariable(name);
  return value.startsWith(QLatin1Char('/')) ? value : QString();
}

QString without_trailing_slash(QString path) {
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  return path;
}

}  // namespace

QString favourites() {
  QString profile = qEnvironmentVariable("USERPROFILE");
  if (!qEnvironmentVariableIsSet("USERPROFILE")) profile = qEnvironmentVariable("WINDIR");
  if (qEnvironmentVariableIsSet("USERPROFILE") || qEnvironmentVariableIsSet("WINDIR"))
    return without_trailing_slash(profile) + QStringLiteral("/Favorites");
  QString data = absolute_variable("XDG_DATA_HOME");
  if (data.isEmpty()) {
    const QString home = absolute_variable("HOME");
    if (home.isEmpty()) return QString();
    data = without_trailing_slash(home) + QStringLiteral("/.local/share");
  }
  return without_trailing_slash(data) + QStringLiteral("/quillo/Favorites");
}

QString shortcuts() {
  const QString base = favourites();
  return base.isEmpty() ? base : base + QStringLiteral("/クイロ～");
}

QString delete_candidates() {
  const QString base = shortcuts();
  return base.isEmpty() ? base : base + QStringLiteral("/削除候補");
}

}  // namespace favourite_folders
