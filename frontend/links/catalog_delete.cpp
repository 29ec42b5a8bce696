#include "catalog_delete.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "desktop_trash.h"
#include "showcg_link.h"

namespace catalog_delete {
namespace {

constexpr int kSearchDepth = 6;  // output / target / catalog folder, with room to spare
const QString kCall = QStringLiteral("showcg('");

QString html_unescape(QString text) {
  text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
  text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
  text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
  text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
  text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
  return text;
}

// The picture arguments of every thumbnail link of a page, decoded as a dropped link is.
QStringList linked_paths(const QString &page) {
  QFile file(page);
  QStringList paths;
  if (!file.open(QIODevice::ReadOnly)) return paths;
  const QString text = html_unescape(QString::fromUtf8(file.readAll()));
  for (qsizetype at = text.indexOf(kCall); at >= 0; at = text.indexOf(kCall, at + 1)) {
    const qsizetype end = text.indexOf(QLatin1Char(')'), at);
    if (end < 0) break;
    paths << showcg::picture_path(QStringLiteral("javascript:") + text.mid(at, end - at + 1));
  }
  return paths;
}

void collect_pages(const QString &folder, int depth, QStringList *pages) {
  if (depth > kSearchDepth) return;
  const QFileInfoList entries = QDir(folder).entryInfoList(
      QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
  for (const QFileInfo &entry : entries) {
    if (entry.isDir())
      collect_pages(entry.filePath(), depth + 1, pages);
    else if (entry.fileName().startsWith(QStringLiteral("index000")) &&
             entry.suffix().compare(QStringLiteral("html"), Qt::CaseInsensitive) == 0)
      *pages << entry.filePath();
  }
}

}  // namespace

QString linked_picture(const QString &link_path, const QString &output) {
  if (link_path.isEmpty() || output.isEmpty()) return QString();
  QStringList pages;
  collect_pages(output, 0, &pages);
  for (const QString &page : pages) {
    if (!linked_paths(page).contains(link_path)) continue;
    const QString full =
        QDir::isAbsolutePath(link_path) ? link_path : QFileInfo(page).dir().filePath(link_path);
    return QDir::cleanPath(full);
  }
  return QString();
}

bool is_picture_file(const QString &path) {
  static const QStringList kTypes = {QStringLiteral("bmp"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                     QStringLiteral("jpe"), QStringLiteral("gif"), QStringLiteral("png"),
                                     QStringLiteral("tif"), QStringLiteral("mov"), QStringLiteral("avi"),
                                     QStringLiteral("mpg")};
  const QFileInfo info(path);
  return info.isFile() && !info.isSymLink() && kTypes.contains(info.suffix().toLower());
}

bool delete_picture(const QString &picture, const QString &output) {
  if (!is_picture_file(picture)) return false;
  const QString below = QDir(output).relativeFilePath(picture);
  const bool backup_copy =
      !below.startsWith(QStringLiteral("../")) && below.contains(QStringLiteral("/Images/Content.IE5/"));
  if (backup_copy) return QFile::remove(picture);
  return desktop_trash::move(picture);
}

}  // namespace catalog_delete
