// Thumbnail creation after a successful normal run, in the main window: the thumbnail loop of
// frontend/thumbnails driven through the engine binding, showing itself in the window's status bar,
// progress bar and result list.
#pragma once

class QListWidget;
class QProgressBar;
class QStatusBar;
class QWidget;

class ThumbnailMaker {
 public:
  ThumbnailMaker(QWidget *parent, QStatusBar *status, QProgressBar *progress, QListWidget *results);
  // Runs until the engine names no further picture or the user stops after a failed read.
  void run();

 private:
  QWidget *parent_;
  QStatusBar *status_;
  QProgressBar *progress_;
  QListWidget *results_;
};
