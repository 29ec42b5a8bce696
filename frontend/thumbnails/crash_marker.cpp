#include "crash_marker.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QSettings>

namespace thumbnails {
namespace {

constexpr QLatin1String kKey(kCrashMarkerKey);
constexpr QLatin1String kNoData("nodata");

QString read_journal(const QByteArray &path) {
  QFile file(QFile::decodeName(path));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

}  // namespace

QString CrashMarker::journal_path(const QSettings &store) {
  return store.fileName().isEmpty() ? QString() : store.fileName() + QStringLiteral(".LastProcPicName");
}

CrashMarker::CrashMarker(QSettings &store)
    : store_(store), journal_(QFile::encodeName(journal_path(store))) {}

CrashMarker::~CrashMarker() {
  drop_journal();
}

QString CrashMarker::take_previous() {
  QString last = store_.value(kKey).toString();
  if (last.isEmpty() || last == kNoData)
    last = read_journal(journal_);
  else
    write_through(QString());
  if (!journal_.isEmpty()) fd_ = ::open(journal_.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  return last == kNoData ? QString() : last;
}

// The journal is empty whenever no picture is marked, so marking is a single write at its start.
void CrashMarker::set(const QString &picture) {
  if (fd_ < 0) return write_through(picture);
  const QByteArray bytes = picture.toUtf8();
  if (::pwrite(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), 0) == bytes.size()) return;
  // A journal that fails is given up for the store: slow, but the marker is kept.
  drop_journal();
  write_through(picture);
}

void CrashMarker::clear() {
  if (fd_ >= 0 && ::ftruncate(fd_, 0) == 0) return;
  drop_journal();
  write_through(QString());
}

void CrashMarker::drop_journal() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  ::unlink(journal_.constData());
}

void CrashMarker::write_through(const QString &value) {
  if (store_.value(kKey).toString() == value) return;
  store_.setValue(kKey, value);
  store_.sync();
}

}  // namespace thumbnails
