// Run preparation: turns the front end's target and output choices into the
// folders a run works in, and chooses the catalog folder.
#include <cstring>
#include <string>

#include "collect/collect_steps.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/paths.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

constexpr const char *kCacheTarget = "$iecache";
constexpr const char *kBackupTarget = "$backup";
constexpr const char *kSiteOutput = "$site_lunch";
constexpr const char *kCacheViewOutput = "$cache_view";

// Makes a folder that may exist already; false when it exists as something else
// or cannot be made. `not_folder` tells which.
bool ensure_folder(const std::string &path, bool *not_folder) {
  plat::Stat st;
  *not_folder = false;
  if (plat::stat_path(path, &st)) {
    *not_folder = !st.is_dir;
    return st.is_dir;
  }
  return plat::make_dir(path) == 0;
}

// The name of the target inside the output folder: its last component, or
// "_root" for the file-system root.
std::string target_name(const std::string &target) {
  return target == "/" ? std::string("_root") : last_component(target);
}

void analyse_browser_cache(ZunoRecord &rec) {
  std::string index = join_path(join_path(rec.CacheFolder, "Content.IE5"), "index.dat");
  std::string exec(rec.ExecPath);
  index_dat_analyze(&rec, index.c_str(), exec.c_str());
  rec.LastBackUpTime = plat::now();
  put_erement(&rec, 55);
  empty_list(&engine().link_pages);  // the next link lookup rebuilds it from the new cache state
}

// Steps of preparation up to the catalog folder; false when a failure was recorded.
bool prepare_folders(ZunoRecord &rec, const std::string &target_in, const std::string &output_in) {
  std::string target = without_trailing_separator(target_in);
  std::string output = without_trailing_separator(output_in);
  bool cache_target = target == kCacheTarget, backup_target = target == kBackupTarget;
  rec.TargetKind = 0;
  if (cache_target || backup_target) {
    if (!browser_cache_folder(&target)) {
      record_error("キャッシュファイルの位置を特定出来無い");
      return false;
    }
    copy_field(rec.CacheFolder, target, "cache folder");
  }
  rec.OutputKind = 0;
  if (output == kSiteOutput) rec.OutputKind = 1;
  if (output == kSiteOutput || output == kCacheViewOutput) output = rec.OutputPath;

  copy_field(rec.TargetPath, target, "TargetPath");
  if (!cache_target && !backup_target && !plat::exists(target)) {
    record_error("Illigal target path");
    return false;
  }
  if (output.empty() || !plat::exists(output)) {
    record_error("output path is not exist");
    return false;
  }
  std::string run_output = join_path(output, target_name(target));
  if (run_output.size() >= kFieldSize) {
    record_error("output_path:can't make Directory (path too long)");
    return false;
  }
  copy_field(rec.OutputPath, run_output, "OutputPath");
  bool not_folder;
  if (!ensure_folder(run_output, &not_folder)) {
    record_error(not_folder ? "output_path:not a direstory" : "output_path:can't make Directory");
    return false;
  }
  if (cache_target) {
    rec.TargetKind = 1;
    copy_field(rec.TargetPath, rec.CacheFolder, "TargetPath");
    rec.OutputKind = 2;
  }
  if (backup_target) {
    rec.TargetKind = 2;
    copy_field(rec.TargetPath, join_path(run_output, "Images"), "TargetPath");
    if (output_in != kSiteOutput) rec.OutputKind = 3;
  }
  if (cache_target) analyse_browser_cache(rec);
  return true;
}

}  // namespace

extern "C" int ZunoPreProcess(const char *, const char *target, const char *output) {
  return guarded(0, [&] {
    ZunoRecord &rec = engine().rec;
    if (!prepare_folders(rec, target ? target : "", output ? output : "")) return 0;
    get_htmlout(0, &rec);
    deletefile(join_path(rec.OutputPath, rec.HtmlOut).c_str(), "*.html");
    return 0;
  });
}

extern "C" int get_htmlout(int, ZunoRecord *rec) {
  return guarded(-1, [&] {
    const char *base = rec->OutputKind <= 0   ? "html"
                       : rec->OutputKind == 1 ? "site_lunch"
                       : rec->OutputKind <= 3 ? "cache_view"
                                              : nullptr;
    if (!base) return record_error("get_htmlout:illigal parametar");
    bool numbered = rec->OutputKind <= 0 && rec->AutoIncrement != 0;
    for (int n = 1;; ++n) {
      std::string name = std::string(base) + "_" + std::to_string(n);
      std::string folder = join_path(rec->OutputPath, name);
      plat::Stat st;
      if (plat::stat_path(folder, &st)) {
        if (!st.is_dir) return record_error("get_htmlout:unknown error");
        if (numbered) continue;
      } else if (plat::make_dir(folder) != 0) {
        return record_error("get_htmlout:can't make Directory");
      }
      copy_field(rec->HtmlOut, name, "HtmlOut");
      return 0;
    }
  });
}
