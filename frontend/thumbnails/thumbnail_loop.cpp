#include "thumbnail_loop.h"

#include <unistd.h>

#include <QByteArray>
#include <QSettings>
#include <QSize>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <future>
#include <memory>

#include "crash_marker.h"
#include "picture_io.h"
#include "zuno.h"

namespace thumbnails {
namespace {

constexpr qsizetype kWholeBelow = 29;
constexpr qsizetype kHeadChars = 12;
constexpr qsizetype kTailChars = 16;
// One picture being made and one waiting per worker, so no worker idles while the loop shows a result.
constexpr size_t kInFlightPerWorker = 2;

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

// What a worker leaves for the loop.
struct ThumbnailLoop::Made {
  bool readable = true;
  int result = kNothingToSave;  // a SaveResult
  QByteArray temporary;         // the finished file, under a name of its own until its turn comes
};

ThumbnailLoop::ThumbnailLoop(EngineCalls engine, Screen screen, QSettings &store, int workers)
    : engine_(std::move(engine)),
      screen_(std::move(screen)),
      store_(store),
      workers_(workers > 0 ? workers : std::max(1, QThread::idealThreadCount())) {}

Outcome ThumbnailLoop::run() {
  screen_.show_status(QStringLiteral("サムネイルを作成しています"));
  CrashMarker marker(store_);
  report_crash(marker);
  int folders = 0, files = 0, outputs = 0, bytes = 0;
  screen_.set_progress_maximum(std::max(0, engine_.last_count(1, &folders, &files, &outputs, &bytes)));

  struct Pending {
    Picture picture;
    std::future<Made> made;
  };
  // Declared before the pool, whose end waits for the tasks that read it.
  std::atomic<bool> stopping{false};
  QThreadPool pool;
  pool.setMaxThreadCount(workers_);
  std::deque<Pending> window;
  bool more = true;
  // Only a few pictures at a time, whatever the count: memory stays that of a few decoded pictures.
  const size_t in_flight = static_cast<size_t>(workers_) * kInFlightPerWorker;
  auto fill = [&] {
    while (more && window.size() < in_flight) {
      Pending pending;
      if (!(more = next_picture(pending.picture))) return;
      auto task =
          std::make_shared<std::packaged_task<Made()>>([&marker, &stopping, picture = pending.picture] {
            return stopping ? Made{} : make_file(picture, marker);
          });
      pending.made = task->get_future();
      pool.start([task] { (*task)(); });
      window.push_back(std::move(pending));
    }
  };

  Outcome outcome;
  for (fill(); !window.empty(); fill()) {
    Pending pending = std::move(window.front());
    window.pop_front();
    Made made = pending.made.get();
    if (!finish_thumbnail(pending.picture, made, marker, outcome)) {
      outcome.cancelled = true;
      break;
    }
    screen_.set_progress_value(++outcome.handled);
    if (screen_.stop_requested && screen_.stop_requested()) {
      outcome.cancelled = true;
      break;
    }
  }
  // Pictures made past a stop were never reported: their files are taken back, so what is on disk is what
  // the loop counted. Those not yet begun are skipped.
  stopping = true;
  for (Pending &pending : window) {
    const Made made = pending.made.get();
    if (!made.temporary.isEmpty()) ::unlink(made.temporary.constData());
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

// On a worker. Every picture gets its thumbnail, GIFs (their first frame) included, at the size the engine
// asked for: the catalog pages point at each of these files with that size.
ThumbnailLoop::Made ThumbnailLoop::make_file(const Picture &picture, CrashMarker &marker) {
  Made made;
  const QString shown = QString::fromUtf8(picture.source);
  marker.add(shown);
  const QImage origin = read_picture(picture.source, picture.size);
  marker.remove(shown);
  made.readable = !origin.isNull();
  // An unreadable picture waits for the user's answer before anything is written for it.
  if (made.readable)
    made.result = write_jpeg_beside(fit_picture(origin, picture.size), picture.thumb, kThumbnailQuality,
                                    &made.temporary);
  return made;
}

// On the loop's thread, in the engine's order: what the user sees of one picture, and its file put in place.
bool ThumbnailLoop::finish_thumbnail(const Picture &picture, Made &made, CrashMarker &marker,
                                     Outcome &outcome) {
  const QString shown = QString::fromUtf8(picture.source);
  screen_.show_status(shortened_status(shown));
  if (!made.readable) {
    ++outcome.unreadable;
    screen_.add_result_line(shown + QStringLiteral("読込み失敗 "));
    // Marked while the question is open, as ever: a crash there names the picture it is about. Stopping by
    // choice is no crash, so the mark goes either way.
    marker.add(shown);
    const bool go_on = screen_.ask_retry(QStringLiteral("ファイルの読み込みに失敗しました"));
    marker.remove(shown);
    if (!go_on) return false;
    // Going on leaves a blank thumbnail, so its page has no hole.
    made.result = write_jpeg_beside(fit_picture(QImage(), picture.size), picture.thumb, kThumbnailQuality,
                                    &made.temporary);
  }
  const int result = made.result == kSaved ? put_in_place(made.temporary, picture.thumb) : made.result;
  if (result == kSaved) {
    ++outcome.written;
    return true;
  }
  ++outcome.unwritten;
  screen_.show_status(QStringLiteral("書き込み失敗 ") + QString::number(result));
  if (screen_.write_failed) screen_.write_failed(picture.thumb, result);
  return true;
}

}  // namespace thumbnails
