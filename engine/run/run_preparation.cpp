// Run preparation: turns the front end's target and output choices into the
// folders a run works in, and chooses the catalog folder.
#include "run/run_preparation.h"

#include <cstring>
#include <string>

#include "cache/analyzed_index.h"
#include "cache/modern_cache.h"
#include "collect/collect_steps.h"
#include "core/browser_caches.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/paths.h"
#include "core/text.h"
#include "platform/platform.h"
#include "run/run_claim.h"

namespace {

constexpr const char *kCacheTarget = "$iecache";
constexpr const char *kBackupTarget = "$backup";
constexpr const char *kSiteOutput = "$site_lunch";
constexpr const char *kCacheViewOutput = "$cache_view";

// Makes a folder that may exist already; false when it exists as something else
// or cannot be made. `not_folder` tells which, `made` whether this call made it.
bool ensure_folder(const std::string &path, bool *not_folder, bool *made) {
  plat::Stat st;
  *not_folder = *made = false;
  if (plat::stat_path(path, &st)) {
    *not_folder = !st.is_dir;
    return st.is_dir;
  }
  *made = plat::make_dir(path) == 0;
  return *made;
}

// The name of the target inside the output folder: its last component, or
// "_root" for the file-system root.
std::string target_name(const std::string &target) {
  return target == "/" ? std::string("_root") : last_component(target);
}

bool analyse_browser_cache(EngineState &e) {
  ZunoRecord &rec = e.rec;
  int modern = backup_modern_cache(e);
  if (modern < 0) return false;
  if (modern == 0) {
    // The listed files are the backup's own from here on.
    copy_field(rec.TargetPath, join_path(rec.OutputPath, "Images"), "TargetPath");
  } else {
    std::string index = join_path(join_path(rec.CacheFolder, "Content.IE5"), "index.dat");
    std::string exec(rec.ExecPath);
    index_dat_analyze(&rec, index.c_str(), exec.c_str());
  }
  // Stored only when the run succeeds: a failed backup must not make the next one skip older files.
  e.claim.backup_time = plat::now();
  empty_list(&e.link_pages);  // the next link lookup rebuilds it from the new cache state
  return true;
}

bool fail(const std::string &message) {
  record_error(message);
  return false;
}

// The browser cache folder for the special targets; false (recorded) when there is none.
bool resolve_cache_target(ZunoRecord &rec, std::string *target) {
  if (!run_cache_folder(rec, target)) return fail("キャッシュファイルの位置を特定出来無い");
  if (!plat::is_dir(*target)) return fail("キャッシュフォルダが見つかりません: " + *target);
  copy_field(rec.CacheFolder, *target, "cache folder");
  return true;
}

// The folder target as the file system names it, so "x/.." or "." never become a
// folder name; false (recorded) when it does not exist.
bool resolve_folder_target(std::string *target) {
  std::string resolved;
  if (target->empty() || !plat::resolve_path(*target, &resolved)) return fail("Illigal target path");
  *target = resolved;
  return true;
}

// Makes (or takes) the run output folder and locks it for this run.
bool claim_run_output(EngineState &e, const std::string &run_output) {
  if (run_output.size() >= kFieldSize) return fail("output_path:can't make Directory (path too long)");
  bool not_folder, made;
  if (!ensure_folder(run_output, &not_folder, &made))
    return fail(not_folder ? "output_path:not a direstory" : "output_path:can't make Directory");
  copy_field(e.rec.OutputPath, run_output, "OutputPath");
  return claim_output_folder(e, run_output, made);
}

// Steps of preparation up to the catalog folder; false when a failure was recorded.
bool prepare_folders(EngineState &e, const std::string &target_in, const std::string &output_in) {
  ZunoRecord &rec = e.rec;
  std::string target = without_trailing_separator(target_in);
  std::string output = without_trailing_separator(output_in);
  bool cache_target = target == kCacheTarget, backup_target = target == kBackupTarget;
  rec.TargetKind = kTargetFolder;
  if (cache_target || backup_target) {
    if (!resolve_cache_target(rec, &target)) return false;
  } else if (!resolve_folder_target(&target)) {
    return false;
  }
  rec.OutputKind = kOutputPlain;
  if (output == kSiteOutput) rec.OutputKind = kOutputSiteLauncher;
  if (output == kSiteOutput || output == kCacheViewOutput) output = rec.SavedOutputPath;
  if (output.empty() || !plat::is_dir(output)) return fail("output path is not exist");
  copy_field(rec.TargetPath, target, "TargetPath");
  std::string run_output =
      join_path(output, cache_target || backup_target ? cache_presented_name(target) : target_name(target));
  if (!claim_run_output(e, run_output)) return false;
  if (cache_target) {
    rec.TargetKind = kTargetBrowserCache;
    copy_field(rec.TargetPath, rec.CacheFolder, "TargetPath");
    rec.OutputKind = kOutputCacheView;
  }
  if (backup_target) {
    rec.TargetKind = kTargetCacheBackup;
    // The same folder the clean-up scans and the deletions map back to the cache.
    copy_field(rec.TargetPath, cache_backup_folder(output, target), "TargetPath");
    if (output_in != kSiteOutput) rec.OutputKind = kOutputBackupView;
  }
  if (cache_target && !analyse_browser_cache(e)) return false;
  bool made = false;
  if (choose_catalog_folder(&rec, &made) != 0) return false;
  std::string catalog = join_path(rec.OutputPath, rec.HtmlOut);
  claim_catalog_folder(e, catalog, made);
  deletefile(catalog.c_str(), "*.html");
  // Pages a killed run left half-written; the lock says no live run owns them.
  plat::remove_stale_temporaries(catalog);
  return true;
}

}  // namespace

extern "C" int ZunoPreProcess(const char *, const char *target, const char *output) {
  return guarded(0, [&] {
    EngineState &e = engine();
    claim_begin(e);
    e.claim.prepared = prepare_folders(e, target ? target : "", output ? output : "");
    // Whatever this preparation made before it failed is taken back at once.
    if (!e.claim.prepared) claim_abandon(e);
    return 0;
  });
}

int backup_modern_cache(EngineState &e) {
  ZunoRecord &rec = e.rec;
  FoundCache cache;
  CacheKind kind = cache_kind_of(rec.CacheFolder, &cache);
  if (kind != CacheKind::chromium && kind != CacheKind::firefox) return 1;
  // A Chromium or Firefox cache holds no files a catalog can show: its pictures
  // and pages are copied into the backup, and the run lists the backup.
  ModernCopy copy;
  std::string images = join_path(rec.OutputPath, "Images");
  if (copy_modern_cache(cache, images, join_path(rec.OutputPath, kModernRecordName), &copy) != 0) return -1;
  add_analysed_entries(copy.written, copy.known, rec.ExecPath);
  e.claim.presented_cache = true;
  e.claim.presented_copies += static_cast<int>(copy.written.size());
  return 0;
}

int choose_catalog_folder(ZunoRecord *rec, bool *made) {
  const char *base = rec->OutputKind <= kOutputPlain          ? "html"
                     : rec->OutputKind == kOutputSiteLauncher ? "site_lunch"
                     : rec->OutputKind <= kOutputBackupView   ? "cache_view"
                                                              : nullptr;
  *made = false;
  if (!base) return record_error("get_htmlout:illigal parametar");
  bool numbered = rec->OutputKind <= kOutputPlain && rec->AutoIncrement != 0;
  for (int n = 1;; ++n) {
    std::string name = std::string(base) + "_" + std::to_string(n);
    std::string folder = join_path(rec->OutputPath, name);
    plat::Stat st;
    if (plat::stat_path(folder, &st)) {
      if (!st.is_dir) return record_error("get_htmlout:unknown error");
      if (numbered) continue;
    } else if (plat::make_dir(folder) != 0) {
      return record_error("get_htmlout:can't make Directory");
    } else {
      *made = true;
    }
    copy_field(rec->HtmlOut, name, "HtmlOut");
    return 0;
  }
}

extern "C" int get_htmlout(int, ZunoRecord *rec) {
  return guarded(-1, [&] {
    bool made;
    return choose_catalog_folder(rec, &made);
  });
}
