// The run driver: ZunoNewMain called twice per run (prepare, then write the
// catalog), the older single-call ZunoMain, and ZunoCacheDel.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "collect/file_list.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

long elapsed_ms(clock_t start) {
  return static_cast<long>((clock() - start) * 1000 / CLOCKS_PER_SEC);
}

// The run's output folder becomes the last output folder and the setting holds the
// user's folder again. Done on every end of a run, so a failed run never leaves the
// run's folder in the setting for the next flush to store.
void restore_output_folder(ZunoRecord &rec) {
  copy_field(rec.LastOutputPath, rec.OutputPath, "last output folder");
  copy_field(rec.OutputPath, rec.SavedOutputPath, "OutputPath");
}

int prepare_run(EngineState &e, const char *settings_folder, const char *target, const char *output) {
  e.run_start = clock();
  if (e.busy) return ZUNO_BUSY;
  e.busy = 1;
  copy_field(e.rec.IniPath, settings_folder ? settings_folder : "", "IniPath");
  if (e.initialised != 1) get_inifile(&e.rec);
  ZunoPreProcess(settings_folder, target, output);
  e.run_phase = 1;
  return 0;
}

int write_output(EngineState &e) {
  ZunoRecord &rec = e.rec;
  e.run_phase = 0;
  if (e.abort_flag == 1) {
    e.abort_flag = 0;
    restore_output_folder(rec);
    return -1;
  }
  int placed = ZunoCreatHtml(&rec, &e.files);
  if (placed < 0) {
    restore_output_folder(rec);
    return placed;
  }
  if (placed == 0) {
    std::string catalog = join_path(rec.OutputPath, rec.HtmlOut);
    deletefile(catalog.c_str(), "*");
    plat::remove_dir(catalog);
    restore_output_folder(rec);
    return 0;
  }
  if (creat_fileindex(&rec) == -1) {
    restore_output_folder(rec);
    return -1;
  }
  creat_common(&rec);
  restore_output_folder(rec);
  e.run_time = elapsed_ms(e.run_start);
  // A run that took under a millisecond still succeeded.
  return e.run_time > 0 ? static_cast<int>(e.run_time) : 1;
}

}  // namespace

extern "C" int ZunoNewMain(const char *settings_folder, const char *target, const char *output) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    if (e.run_phase == 0) return prepare_run(e, settings_folder, target, output);
    if (e.run_phase == 1) return write_output(e);
    return 0;
  });
}

extern "C" int ZunoMain(const char *settings_folder, const char *target, const char *output) {
  return guarded(1, [&] {
    EngineState &e = engine();
    ZunoRecord &rec = e.rec;
    copy_field(rec.IniPath, settings_folder ? settings_folder : "", "IniPath");
    if (e.initialised != 1) get_inifile(&rec);
    copy_field(rec.TargetPath, target ? target : "", "TargetPath");
    copy_field(rec.OutputPath, output ? output : "", "OutputPath");
    if (!plat::exists(rec.TargetPath) || !plat::exists(rec.OutputPath)) return 1;
    std::string run_output =
        join_path(rec.OutputPath, stem_of(last_component(without_trailing_separator(rec.TargetPath))));
    if (!copy_field(rec.OutputPath, run_output, "OutputPath")) return 1;
    plat::Stat st;
    if (!plat::stat_path(run_output, &st)) {
      if (plat::make_dir(run_output) != 0) return 1;
    } else if (!st.is_dir) {
      return 1;
    }
    std::unique_ptr<char[]> block(new char[6144]());
    char *address = block.get();
    make_catalog(&rec, &address);
    return 0;
  });
}

namespace {

// The catalog of the deletion candidates, written with a private copy of the
// settings into the temporary folder.
int write_candidates_catalog(EngineState &e) {
  std::unique_ptr<ZunoRecord> copy(new ZunoRecord(e.rec));
  ZunoRecord &c = *copy;
  c.MaxX = c.MaxY = 0;
  c.YXRatio = 1000.0f;
  c.GetUrl = c.FileCopy = c.UnderLimits = c.MotionGIF = c.PreparedURL = c.AutoIncrement = 0;
  c.EnableFileType = 127;
  c.LastSearchString[0] = '\0';
  std::string temp_out = join_path(plat::temp_dir(), "zunotemp");
  if (!copy_field(c.OutputPath, temp_out, "OutputPath")) return -1;
  plat::make_dir(temp_out);
  copy_field(c.HtmlOut, "temp_html", "HtmlOut");
  std::string catalog = join_path(temp_out, "temp_html");
  plat::make_dir(catalog);
  deletefile(catalog.c_str(), "*.HTML");
  c.CacheView = 1;
  if (ZunoCreatHtml(&c, &e.files) == -1) return -1;
  if (creat_fileindex(&c) == -1) return -1;
  creat_common(&c);
  copy_field(e.rec.LastOutputPath, temp_out, "last output folder");
  copy_field(e.rec.HtmlOut, "temp_html", "HtmlOut");
  return 0;
}

}  // namespace

extern "C" int ZunoCacheDel(int mode) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    switch (mode) {
      case 0:
        empty_list(&e.files);
        e.busy = 0;
        return 0;
      case 1:
        del_cache(&e.rec, &e.files);
        empty_list(&e.files);
        e.busy = 0;
        return 0;
      case 2:
        return write_candidates_catalog(e);
      default:
        return -1;
    }
  });
}
