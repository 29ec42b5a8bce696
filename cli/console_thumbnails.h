// quillo's thumbnail step: after the catalog is written, the front end's thumbnail loop makes the file of
// every picture its pages show, with the terminal as its screen. Nothing here asks the user anything.
//
// The step is built into a module of its own (thumbnail_module.h) that quillo loads only when a run makes
// thumbnails, so that the runs that make none never map Qt and the AV1 codecs. The engine, and the run's list
// the step walks, stay in quillo: the step reaches them only through the calls it is handed.
#pragma once

#include <csignal>
#include <functional>
#include <string>

// The engine exports the step calls, with their own signatures (buffers: the address of a 256-byte area).
struct ThumbnailEngine {
  int (*last_count)(int keep, int *folders, int *files, int *outputs, int *bytes) = nullptr;
  int (*get_thumb_info)(char **source, char **thumb, int *disp_w, int *disp_h, int *w, int *h) = nullptr;
  const char *(*get_last_err)(char **buffer) = nullptr;
};

struct ConsoleThumbnails {
  ThumbnailEngine engine;
  std::string marker_folder;  // where the crash marker's store lives (quillo's private temporary folder)
  // Status and progress for the terminal's bar or status lines; each may be empty.
  std::function<void(const std::string &text)> status;
  std::function<void(int maximum)> total;
  std::function<void(int value)> value;
  // A message the user must see whatever the options (a line on standard error).
  std::function<void(const std::string &text)> message;
  const volatile std::sig_atomic_t *interrupted = nullptr;  // set by Ctrl-C: stop after the current picture
};

struct ConsoleThumbnailResult {
  int written = 0;
  int unreadable = 0;           // pictures that could not be decoded: each got a blank thumbnail
  int unwritten = 0;            // thumbnail files that could not be written
  bool folder_missing = false;  // the catalog's Thumbs folder could not be made
  bool interrupted = false;
  bool complete() const { return unwritten == 0 && !folder_missing && !interrupted; }
};

// Makes the thumbnails of the run the engine has just finished; thumbs is that catalog's Thumbs folder.
ConsoleThumbnailResult make_console_thumbnails(const ConsoleThumbnails &console, const std::string &thumbs);
