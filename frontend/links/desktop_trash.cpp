#include "desktop_trash.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace desktop_trash {
namespace {

QString home_trash() {
  const QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.startsWith(QLatin1Char('/'))) return data + QStringLiteral("/Trash");
  const QString home = qEnvironmentVariable("HOME");
  return home.startsWith(QLatin1Char('/')) ? home + QStringLiteral("/.local/share/Trash") : QString();
}

bool device_of(const QString &path, dev_t *dev) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
  *dev = st.st_dev;
  return true;
}

// A trash folder with its "files" and "info" folders, made private to the user when missing.
bool ready(const QString &trash) {
  for (const QString &dir : {trash, trash + QStringLiteral("/files"), trash + QStringLiteral("/info")}) {
    const QFileInfo info(dir);
    if (info.isSymLink() || (info.exists() && !info.isDir())) return false;
    if (!info.exists() && !QDir().mkpath(dir)) return false;
  }
  QFile::setPermissions(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return true;
}

// The mount point's trash: the highest folder above `folder` on the same device.
QString mount_trash(const QString &folder, dev_t dev) {
  QString top = folder;
  for (;;) {
    const QString up = QFileInfo(top).dir().absolutePath();
    dev_t up_dev = 0;
    if (up == top || !device_of(up, &up_dev) || up_dev != dev) break;
    top = up;
  }
  return (top == QStringLiteral("/") ? QString() : top) + QStringLiteral("/.Trash-") +
         QString::number(::getuid());
}

// "a.jpg", "a.2.jpg", "a.3.jpg" …
QString trash_name(const QFileInfo &file, int n) {
  if (n == 1) return file.fileName();
  const QString suffix = file.completeSuffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
  const QString stem = file.fileName().left(file.fileName().size() - suffix.size());
  return stem + QLatin1Char('.') + QString::number(n) + suffix;
}

}  // namespace

bool move(const QString &path) {
  const QFileInfo file(path);
  if (!file.isAbsolute() || (!file.exists() && !file.isSymLink())) return false;
  dev_t dev = 0, home_dev = 0;
  if (!device_of(file.absolutePath(), &dev)) return false;
  QString trash = home_trash();
  if (trash.isEmpty() || !ready(trash) || !device_of(trash, &home_dev) || home_dev != dev) {
    trash = mount_trash(file.absolutePath(), dev);
    if (!ready(trash)) return false;
  }
  const QByteArray info =
      "[Trash Info]\nPath=" + QUrl::toPercentEncoding(file.absoluteFilePath(), "/") + "\nDeletionDate=" +
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toUtf8() + "\n";
  for (int n = 1; n < 10000; ++n) {
    const QString name = trash_name(file, n);
    const QString target = trash + QStringLiteral("/files/") + name;
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) continue;
    // Made only when no other entry holds the name, as the trash specification asks.
    QFile info_file(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
    if (!info_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) continue;
    const bool written = info_file.write(info) == info.size();
    info_file.close();
    if (written && QDir().rename(path, target)) return true;
    info_file.remove();
    return false;
  }
  return false;
}

}  // namespace desktop_trash
