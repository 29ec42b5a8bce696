#include "thumbnail_maker.h"

#include <QSettings>
#include <memory>

#include "engine_binding.h"
#include "program_state.h"
#include "startup_store.h"

void make_thumbnails(const thumbnails::Screen &screen) {
  thumbnails::EngineCalls calls;
  calls.last_count = &engine::last_count_raw;
  calls.get_thumb_info = &engine::get_thumb_info_raw;
  const std::unique_ptr<QSettings> store = store::open();
  thumbnails::ThumbnailLoop(calls, screen, *store).run();
  program_state().last_proc_pic_name = store->value(QStringLiteral("Startup/LastProcPicName")).toString();
}
