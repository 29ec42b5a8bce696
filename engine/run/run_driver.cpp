// The run driver: ZunoNewMain called twice per run (prepare, then write the
// catalog), the older single-call ZunoMain, and ZunoCacheDel.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "collect/file_types.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "core/paths.h"
#include "core/text.h"
#include "platform/platform.h"
#include "run/run_claim.h"

namespace {

// The run's output folder becomes the last output folder and the setting holds the
// user's folder again. Done on every end of a run, so a failed run never leaves the
// run's folder in the setting for the next flush to store.
void restore_output_folder(ZunoRecord &rec) {
  copy_field(rec.LastOutputPath, rec.OutputPath, "last output folder");
  copy_field(rec.OutputPath, rec.SavedOutputPath, "OutputPath");
}

int prepare_run(EngineState &e, const char *settings_folder, const char *target, const char *output) {
  e.run_start = plat::monotonic_ms();
  if (e.busy) return ZUNO_BUSY;
  e.busy = 1;
  // A stop asked for during an earlier run must not end this one before it starts.
  e.abort_flag = 0;
  copy_field(e.rec.IniPath, settings_folder ? settings_folder : "", "IniPath");
  e.run_phase = 1;
  // Settings that cannot be read are a failed preparation: the run then writes nothing.
  if (e.initialised != 1 && get_inifile(&e.rec) < 0) {
    claim_begin(e);
    return 0;
  }
  // The processor share the user chose: the lower CpuPriority, the nicer the run.
  if (e.rec.CpuPriority < 100) plat::lower_thread_priority(10 - e.rec.CpuPriority / 10);
  ZunoPreProcess(settings_folder, target, output);
  return 0;
}

// Ends a failed output call: what the run made is taken back, the recorded error stays.
int fail_output(EngineState &e, int result) {
  claim_abandon(e);
  e.abort_flag = 0;
  restore_output_folder(e.rec);
  return result;
}

// A catalog without a single picture leaves no catalog folder behind, nor the run
// output folder when this run made it and nothing else (a cache backup) is in it.
void remove_empty_catalog(EngineState &e) {
  const RunClaim &c = e.claim;
  if (c.catalog_made) {
    plat::remove_tree(c.catalog);
  } else {
    deletefile(c.catalog, "*");
    plat::remove_dir(c.catalog);
  }
  if (c.output[0]) plat::remove_dir(c.output);  // refused unless empty
}

// The cache backup this run made is the one the next backup starts from.
void store_backup_time(EngineState &e) {
  if (e.claim.backup_time == 0) return;
  e.rec.LastBackUpTime = e.claim.backup_time;
  put_erement(&e.rec, ZUNO_LastBackUpTime);
}

int write_output(EngineState &e) {
  ZunoRecord &rec = e.rec;
  e.run_phase = 0;
  if (e.abort_flag == 1) return fail_output(e, -1);
  // A failed preparation or gathering was recorded when it happened; nothing is written.
  if (!claim_usable(e)) return fail_output(e, -1);
  int placed = ZunoCreatHtml(&rec, &e.files);
  if (placed < 0) return fail_output(e, placed);
  if (placed > 0 && (creat_fileindex(&rec) != 0 || creat_common(&rec) != 0)) return fail_output(e, -1);
  store_backup_time(e);
  if (placed == 0) remove_empty_catalog(e);
  claim_release(e);
  restore_output_folder(rec);
  if (placed == 0) return 0;
  e.run_time = static_cast<long>(plat::monotonic_ms() - e.run_start);
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
    if (e.initialised != 1 && get_inifile(&rec) < 0) return 1;
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
    return make_catalog(&rec, &address) == 0 ? 0 : 1;
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
  c.EnableFileType = PICTURE_MASK;
  c.LastSearchString[0] = '\0';
  // Made level by level inside the private temporary folder; a level that is a link is refused.
  std::string catalog = private_temp_subfolder("zunotemp/temp_html");
  if (catalog.empty()) return -1;
  std::string temp_out = folder_of(catalog);
  if (!copy_field(c.OutputPath, temp_out, "OutputPath")) return -1;
  copy_field(c.HtmlOut, "temp_html", "HtmlOut");
  deletefile(catalog.c_str(), "*.HTML");
  c.CacheView = 1;
  if (ZunoCreatHtml(&c, &e.files) < 0) return -1;
  if (creat_fileindex(&c) != 0 || creat_common(&c) != 0) return -1;
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
