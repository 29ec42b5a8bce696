#include "external_run.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

namespace external_run {
namespace {

QString quoted(const QString &text) {
  return QLatin1Char('"') + text + QLatin1Char('"');
}

QString depth_option(const Options &o) {
  if (o.subfolder_search) return QStringLiteral("/S:") + QString::number(o.depth);
  return o.depth == 0 ? QStringLiteral("/S:0") : QString();
}

QString thumb_option(const Options &o) {
  return (o.fit_height ? QStringLiteral("/T:H") : QStringLiteral("/T:W")) + QString::number(o.thumb_size);
}

QString page_option(const Options &o) {
  if (o.paging_style == 0) return QStringLiteral("/P:M") + QString::number(o.page_size_mb);
  // By count the count is what the harvester needs, not the page size.
  if (o.paging_style == 1) return QStringLiteral("/P:N") + QString::number(o.page_count);
  return QString();
}

QString thumbnail_files_option(const Options &o) {
  return o.thumbnails ? QString() : QStringLiteral("--no-thumbnails");
}

}  // namespace

QStringList arguments(const Options &o) {
  QStringList list;
  for (const QString &option : {depth_option(o), thumb_option(o), page_option(o), thumbnail_files_option(o)})
    if (!option.isEmpty()) list << option;
  return list << QStringLiteral("/O:") + o.output << o.folder;
}

QString command_line(const QString &program, const Options &o) {
  const QString files = thumbnail_files_option(o);
  return program + QLatin1Char(' ') + depth_option(o) + QLatin1Char(' ') + thumb_option(o) +
         QLatin1Char(' ') + page_option(o) + QLatin1Char(' ') + (files.isEmpty() ? QString() : files + ' ') +
         QStringLiteral("/O:") + quoted(o.output) + QLatin1Char(' ') + quoted(o.folder);
}

QString lock_file_path() {
  QString base = qEnvironmentVariable("TEMP");
  if (base.isEmpty()) base = qEnvironmentVariable("TMPDIR");
  if (base.isEmpty()) base = QStringLiteral("/tmp");
  const QString folder = QDir(base).filePath(QStringLiteral("quillo-") + QString::number(::geteuid()));
  // The same checks as quillo's before it locks there; quillo makes the folder, so a missing one only
  // means no lock yet. A refused folder gives no path: nothing is looked at or deleted through it.
  struct stat st;
  if (::lstat(QFile::encodeName(folder).constData(), &st) == 0 &&
      (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0))
    return QString();
  return QDir(folder).filePath(QStringLiteral("quillo.lok"));
}

bool delete_lock_file(const QString &path) {
  if (path.isEmpty()) return false;
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (free) ::unlink(name.constData());
  ::close(fd);
  return free;
}

}  // namespace external_run
