// The crash marker of thumbnail creation: which picture was being decoded if the program died doing it.
//
// Its home between runs is the key "LastProcPicName" of the per-user store. Writing that store through on
// every picture costs four disk syncs (QSettings always saves through a synced temporary file), several
// times the work of the thumbnail itself, so while pictures are decoded the marker lives in a small journal
// beside the store instead: written and emptied in place without a sync, it survives a crash or kill of the
// program, which is all the marker is for. A journal left non-empty is read back like the key.
#pragma once

#include <QByteArray>
#include <QString>

class QSettings;

namespace thumbnails {

// Store key of the marker.
inline constexpr const char *kCrashMarkerKey = "Startup/LastProcPicName";

class CrashMarker {
 public:
  // store: the per-user store, with no group open.
  explicit CrashMarker(QSettings &store);
  ~CrashMarker();
  CrashMarker(const CrashMarker &) = delete;
  CrashMarker &operator=(const CrashMarker &) = delete;

  // The picture an earlier creation died on, empty when there is none (an empty key or "nodata"); the
  // marker is cleared once it has been taken.
  QString take_previous();
  void set(const QString &picture);
  void clear();

  // Where the journal of a store lives; empty for a store that is no file.
  static QString journal_path(const QSettings &store);

 private:
  void write_through(const QString &value);
  void drop_journal();

  QSettings &store_;
  QByteArray journal_;
  int fd_ = -1;
};

}  // namespace thumbnails
