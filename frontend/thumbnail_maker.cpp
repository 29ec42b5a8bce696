#include "thumbnail_maker.h"

ThumbnailMaker::ThumbnailMaker(QWidget *parent, QStatusBar *status, QProgressBar *progress,
                               QListWidget *results)
    : parent_(parent), status_(status), progress_(progress), results_(results) {}

void ThumbnailMaker::run() {}
