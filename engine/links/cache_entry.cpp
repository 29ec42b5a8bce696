// Deleting browser cache entries: the only place the engine deletes inside the
// browser's cache folder, so every name is checked to stay strictly inside it.
#include <algorithm>
#include <string>

#include "core/error_log.h"
#include "core/paths.h"
#include "core/text.h"
#include "links/cache_maintenance.h"
#include "platform/platform.h"

namespace {

constexpr const char *kCacheRoot = "Content.IE5";

int refuse(const std::string &relative, const char *why) {
  return record_error("キャッシュの削除を中止しました (" + std::string(why) + "): " + relative);
}

// The entry's name with "/" between its parts; empty when a part is empty, "."
// or "..", or when it does not begin with the cache root followed by a name.
std::string checked_relative(const std::string &relative) {
  std::string path = relative;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.rfind(std::string(kCacheRoot) + "/", 0) != 0) return "";
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(pos, end - pos);
    if (part.empty() || part == "." || part == "..") return "";
    pos = end + 1;
  }
  return path;
}

}  // namespace

bool backup_location(const ZunoRecord &rec, std::string *cache, std::string *backup) {
  if (!run_cache_folder(rec, cache)) {
    record_error("キャッシュファイルの位置を特定出来無い");
    return false;
  }
  *backup = cache_backup_folder(rec.SavedOutputPath[0] ? rec.SavedOutputPath : rec.OutputPath, *cache);
  return true;
}

bool path_below(const std::string &folder, const std::string &path) {
  std::string base = without_trailing_separator(folder) + "/";
  if (folder.empty() || path.size() <= base.size() || path.compare(0, base.size(), base) != 0) return false;
  std::string rest = "/" + path.substr(base.size()) + "/";
  return rest.find("/../") == std::string::npos;
}

bool backup_relative(const std::string &backup, const std::string &path, std::string *relative) {
  if (!path_below(backup, path)) return false;
  std::string rest = path.substr(without_trailing_separator(backup).size() + 1);
  if (rest.rfind(std::string(kCacheRoot) + "/", 0) != 0) return false;
  *relative = rest;
  return true;
}

int delete_cache_entry(const std::string &cache, const std::string &relative, int64_t expected_size) {
  std::string checked = checked_relative(relative);
  if (checked.empty()) return refuse(relative, "キャッシュフォルダの外を指しています");
  std::string full = join_path(cache, checked);
  plat::Stat st;
  if (!plat::stat_entry(full, &st)) return 1;
  if (st.is_link) return refuse(relative, "シンボリックリンクです");
  if (!st.is_file) return refuse(relative, "ファイルではありません");
  std::string real, real_cache;
  if (!plat::resolve_path(full, &real) || !plat::resolve_path(cache, &real_cache) ||
      !path_below(real_cache, real))
    return refuse(relative, "キャッシュフォルダの外を指しています");
  if (expected_size >= 0 && st.size != expected_size) return 1;
  if (int err = plat::remove_file(full))
    return record_error(full + " を削除できません: " + plat::error_text(err));
  return 0;
}

int del_cache_text(const ZunoRecord &rec, const char *text) {
  std::string cache;
  if (!run_cache_folder(rec, &cache)) return record_error("キャッシュファイルの位置を特定出来無い");
  int r = delete_cache_entry(cache, text, -1);
  if (r == 1) return record_error(std::string("キャッシュファイルが見つかりません: ") + text);
  return r;
}
