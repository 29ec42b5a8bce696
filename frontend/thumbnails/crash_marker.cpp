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
  QByteArray text = file.readAll();
  const qsizetype end = text.indexOf('\0');
  if (end >= 0) text.truncate(end);
  return QString::fromUtf8(text);
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

void CrashMarker::add(const QString &picture) {
  const std::lock_guard<std::mutex> lock(mutex_);
  marked_ << picture;
  publish();
}

void CrashMarker::remove(const QString &picture) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (marked_.removeOne(picture)) publish();
}

void CrashMarker::clear() {
  const std::lock_guard<std::mutex> lock(mutex_);
  marked_.clear();
  publish();
}

// One write, so that a crash on another thread never leaves a list cut between two calls.
void CrashMarker::publish() {
  const QString value = marked_.join(QLatin1Char('\n'));
  if (fd_ < 0) return write_through(value);
  const QByteArray bytes = value.toUtf8() + '\0';
  if (::pwrite(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), 0) == bytes.size()) return;
  // A journal that fails is given up for the store: slow, but the marker is kept.
  drop_journal();
  write_through(value);
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
