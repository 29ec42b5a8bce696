#include "thumbnail_maker.h"

#include <QListWidget>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>
#include <algorithm>

#include "engine_binding.h"
#include "program_state.h"
#include "prompt.h"
#include "startup_store.h"
#include "thumbnail_loop.h"

ThumbnailMaker::ThumbnailMaker(QWidget *parent, QStatusBar *status, QProgressBar *progress,
                               QListWidget *results)
    : parent_(parent), status_(status), progress_(progress), results_(results) {}

void ThumbnailMaker::run() {
  thumbnails::EngineCalls calls;
  calls.last_count = &engine::last_count_raw;
  calls.get_thumb_info = &engine::get_thumb_info_raw;
  thumbnails::Screen screen;
  // Nothing else is processed while thumbnails are made, so the status bar repaints itself.
  screen.show_status = [this](const QString &text) {
    status_->showMessage(text);
    status_->repaint();
  };
  screen.set_progress_maximum = [this](int maximum) {
    progress_->setMaximum(std::max(1, maximum));
    progress_->setValue(0);
  };
  screen.set_progress_value = [this](int value) {
    progress_->setValue(std::min(value, progress_->maximum()));
  };
  screen.add_result_line = [this](const QString &line) { results_->addItem(line); };
  screen.show_message = [this](const QString &text) { prompt::show(parent_, text); };
  screen.ask_retry = [this](const QString &text) {
    return prompt::show(parent_, text, prompt::Buttons::RetryCancel) == prompt::Answer::Retry;
  };
  const std::unique_ptr<QSettings> store = store::open();
  thumbnails::ThumbnailLoop(calls, screen, *store).run();
  program_state().last_proc_pic_name = store->value(QStringLiteral("Startup/LastProcPicName")).toString();
}
