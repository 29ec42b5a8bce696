// The crash marker of thumbnail creation: which pictures were being decoded if the program died doing it.
// Pictures are decoded on several threads at once, so the marker holds every picture being decoded at that
// moment, one per line in the order they started; any of them may be the one that killed the program.
//
// Its home between runs is the key "LastProcPicName" of the per-user store. Writing that store through on
// every picture costs four disk syncs (QSettings always saves through a synced temporary file), several
// times the work of the thumbnail itself, so while pictures are decoded the marker lives in a small journal
// beside the store instead: rewritten in place by one write without a sync (the list ends at the first NUL,
// so a shorter list needs no truncation), it survives a crash or kill of the program, which is all the
// marker is for. A journal left non-empty is read back like the key.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <mutex>

class QSettings;

namespace thumbnails {

// Store key of the marker.
inline constexpr const char *kCrashMarkerKey = "Startup/LastProcPicName";

// add, remove and clear may be called from any thread; the rest belongs to the thread that owns the store.
class CrashMarker {
 public:
  // store: the per-user store, with no group open.
  explicit CrashMarker(QSettings &store);
  ~CrashMarker();
  CrashMarker(const CrashMarker &) = delete;
  CrashMarker &operator=(const CrashMarker &) = delete;

  // The pictures an earlier creation died on, one per line; empty when there is none (an empty key or
  // "nodata"). The marker is cleared once it has been taken.
  QString take_previous();
  // Marks one more picture; the same picture added twice needs two removals.
  void add(const QString &picture);
  void remove(const QString &picture);
  void clear();

  // Where the journal of a store lives; empty for a store that is no file.
  static QString journal_path(const QSettings &store);

 private:
  void publish();
  void write_through(const QString &value);
  void drop_journal();

  QSettings &store_;
  QByteArray journal_;
  int fd_ = -1;
  std::mutex mutex_;
  QStringList marked_;
};

}  // namespace thumbnails
