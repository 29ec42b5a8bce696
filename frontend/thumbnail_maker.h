// Thumbnail creation after a successful run.
#pragma once

class QListWidget;
class QProgressBar;
class QStatusBar;
class QWidget;

class ThumbnailMaker {
 public:
  ThumbnailMaker(QWidget *parent, QStatusBar *status, QProgressBar *progress, QListWidget *results);
  void run();

 private:
  QWidget *parent_;
  QStatusBar *status_;
  QProgressBar *progress_;
  QListWidget *results_;
};
