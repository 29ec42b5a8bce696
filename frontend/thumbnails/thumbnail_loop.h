// Thumbnail creation after a successful run: the engine names every placed picture, its thumbnail file and
// size; this loop decodes, scales and writes each one, keeping the user informed and a crash marker in the
// per-user store. The engine calls and the window effects are handed in, so the loop runs the same against
// the real library, a test's fake engine, a benchmark or the command line.
//
// The engine and the screen are only ever called on the thread that runs the loop, in the engine's order;
// the pictures are decoded, scaled, encoded and written on worker threads, a few ahead of the one whose
// result is shown. Each finished file waits under a temporary name until its turn, so that a stop leaves
// exactly the thumbnails of the pictures it reported, each whole.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QSettings;

namespace thumbnails {

class CrashMarker;

// The engine exports the loop needs, with their own signatures (buffers: the address of a 256-byte area).
struct EngineCalls {
  std::function<int(int keep, int *folders, int *files, int *outputs, int *bytes)> last_count;
  std::function<int(char **source, char **thumb, int *disp_width, int *disp_height, int *width, int *height)>
      get_thumb_info;
};

// What the loop shows. Nothing is processed between calls, so a status setter that wants to be seen at once
// repaints itself.
struct Screen {
  std::function<void(const QString &text)> show_status;
  std::function<void(int maximum)> set_progress_maximum;
  std::function<void(int value)> set_progress_value;
  std::function<void(const QString &line)> add_result_line;
  std::function<void(const QString &text)> show_message;  // a plain message box with OK
  std::function<bool(const QString &text)> ask_retry;     // Retry/Cancel: true for Retry
  // Asked after each picture (the window handles its events there): true ends the loop, as STOP does. The
  // pictures already being made are then finished and thrown away, so the loop returns promptly.
  std::function<bool()> stop_requested;
  // Optional: each thumbnail file that could not be written (the path the engine named, a SaveResult), after
  // the status that shows the code.
  std::function<void(const QByteArray &thumb, int result)> write_failed;
};

struct Outcome {
  int handled = 0;     // pictures taken from the engine and finished
  int written = 0;     // thumbnail files written
  int unreadable = 0;  // pictures that could not be decoded
  int unwritten = 0;   // thumbnail files that could not be written
  bool cancelled = false;
};

inline constexpr int kThumbnailQuality = 50;

// The status bar form of a path: whole below 29 characters, else its first 12, "～" and its last 16.
QString shortened_status(const QString &path);

class ThumbnailLoop {
 public:
  // store: the per-user store, with no group open; it keeps the crash marker (see crash_marker.h).
  // workers: threads making thumbnails; 0 takes one per processor core.
  ThumbnailLoop(EngineCalls engine, Screen screen, QSettings &store, int workers = 0);
  Outcome run();

 private:
  struct Picture;
  struct Made;
  void report_crash(CrashMarker &marker);
  bool next_picture(Picture &picture);
  static Made make_file(const Picture &picture, CrashMarker &marker);
  // False when the user chose to stop.
  bool finish_thumbnail(const Picture &picture, Made &made, CrashMarker &marker, Outcome &outcome);

  EngineCalls engine_;
  Screen screen_;
  QSettings &store_;
  int workers_;
};

}  // namespace thumbnails
