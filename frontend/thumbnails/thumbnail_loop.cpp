#include "thumbnail_loop.h"

#include <QByteArray>
#include <QSettings>
#include <QSize>
#include <algorithm>
#include <cstring>

#include "crash_marker.h"
#include "picture_io.h"
#include "zuno.h"

namespace thumbnails {
namespace {

constexpr qsizetype kWholeBelow = 29;
constexpr qsizetype kHeadChars = 12;
constexpr qsizetype kTailChars = 16;

QString from_code_points(const QList<uint> &points, qsizetype from, qsizetype count) {
  return QString::fromUcs4(reinterpret_cast<const char32_t *>(points.constData() + from), count);
}

QByteArray text_of(const char (&area)[ZUNO_BUFSIZE]) {
  return QByteArray(area, strnlen(area, ZUNO_BUFSIZE));
}

}  // namespace

// Counted in characters, not UTF-16 units, so that a character outside the BMP is never cut in half.
QString shortened_status(const QString &path) {
  const QList<uint> points = path.toUcs4();
  if (points.size() < kWholeBelow) return path;
  return from_code_points(points, 0, kHeadChars) + QStringLiteral("～") +
         from_code_points(points, points.size() - kTailChars, kTailChars);
}

struct ThumbnailLoop::Picture {
  QByteArray source;  // bytes as the engine gave them: the file is opened by exactly these
  QByteArray thumb;
  QSize size;
};

ThumbnailLoop::ThumbnailLoop(EngineCalls engine, Screen screen, QSettings &store)
    : engine_(std::move(engine)), screen_(std::move(screen)), store_(store) {}

Outcome ThumbnailLoop::run() {
  screen_.show_status(QStringLiteral("サムネイルを作成しています"));
  CrashMarker marker(store_);
  report_crash(marker);
  int folders = 0, files = 0, outputs = 0, bytes = 0;
  screen_.set_progress_maximum(std::max(0, engine_.last_count(1, &folders, &files, &outputs, &bytes)));
  Outcome outcome;
  Picture picture;
  while (next_picture(picture)) {
    if (!make_thumbnail(picture, marker, outcome)) {
      outcome.cancelled = true;
      break;
    }
    screen_.set_progress_value(++outcome.handled);
    if (screen_.stop_requested && screen_.stop_requested()) {
      outcome.cancelled = true;
      break;
    }
  }
  return outcome;
}

void ThumbnailLoop::report_crash(CrashMarker &marker) {
  const QString last = marker.take_previous();
  if (!last.isEmpty())
    screen_.show_message(QStringLiteral("前回下記のファイル処理中に異常終了しました") + last);
}

// A failed call's buffers are not trusted, so any negative answer ends the loop.
bool ThumbnailLoop::next_picture(Picture &picture) {
  char source[ZUNO_BUFSIZE] = {};
  char thumb[ZUNO_BUFSIZE] = {};
  char *source_area = source;
  char *thumb_area = thumb;
  int width = 0, height = 0, unused_width = 0, unused_height = 0;
  if (engine_.get_thumb_info(&source_area, &thumb_area, &width, &height, &unused_width, &unused_height) < 0)
    return false;
  picture.source = text_of(source);
  picture.thumb = text_of(thumb);
  picture.size = QSize(width, height);
  return true;
}

// Every picture gets its thumbnail, GIFs (their first frame) included, at the size the engine asked for: the
// catalog pages point at each of these files with that size.
bool ThumbnailLoop::make_thumbnail(const Picture &picture, CrashMarker &marker, Outcome &outcome) {
  const QString shown = QString::fromUtf8(picture.source);
  screen_.show_status(shortened_status(shown));
  marker.set(shown);
  QImage origin = read_picture(picture.source, picture.size);
  if (origin.isNull()) {
    ++outcome.unreadable;
    screen_.add_result_line(shown + QStringLiteral("読込み失敗 "));
    if (!screen_.ask_retry(QStringLiteral("ファイルの読み込みに失敗しました"))) {
      // Stopping by choice is no crash: the marker must not accuse this picture next time.
      marker.clear();
      return false;
    }
  }
  marker.clear();
  // An unreadable picture the user chose to go on with leaves a blank thumbnail, so its page has no hole.
  const int result = save_jpeg(fit_picture(origin, picture.size), picture.thumb, kThumbnailQuality);
  if (result == kSaved)
    ++outcome.written;
  else
    screen_.show_status(QStringLiteral("書き込み失敗 ") + QString::number(result));
  return true;
}

}  // namespace thumbnails
