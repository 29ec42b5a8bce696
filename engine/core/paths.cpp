#include "core/paths.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/browser_caches.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/text.h"
#include "core/user_folders.h"
#include "platform/platform.h"

namespace {

std::string refusal_text(const plat::TempFolder &t) {
  const std::string folder = "一時フォルダ " + t.candidate;
  switch (t.refusal) {
    case plat::TempRefusal::link:
      return folder + " はシンボリックリンクなので使いません";
    case plat::TempRefusal::not_folder:
      return folder + " はフォルダではありません";
    case plat::TempRefusal::not_owned:
      return folder + " は他のユーザーのものなので使いません";
    case plat::TempRefusal::open_to_others:
      return folder + " は他のユーザーも書き込めるので使いません (消すか chmod 700 で直してください)";
    default:
      return folder + " を作れません: " + plat::error_text(t.err);
  }
}

}  // namespace

std::string private_temp_folder() {
  plat::TempFolder t = plat::check_temp_dir();
  if (t.path.empty()) record_error(refusal_text(t));
  return t.path;
}

std::string private_temp_subfolder(const std::string &relative) {
  std::string folder = private_temp_folder();
  if (folder.empty()) return folder;
  size_t pos = 0;
  while (pos < relative.size()) {
    size_t end = relative.find('/', pos);
    if (end == std::string::npos) end = relative.size();
    folder = join_path(folder, relative.substr(pos, end - pos));
    pos = end + 1;
    plat::make_dir(folder);
    plat::Stat st;
    if (!plat::stat_entry(folder, &st)) {
      record_error("一時フォルダ " + folder + " を作れません: " + plat::error_text(errno));
      return "";
    }
    if (st.is_link || !st.is_dir) {
      record_error("一時フォルダ " + folder + " はシンボリックリンクかフォルダ以外なので使いません");
      return "";
    }
  }
  return folder;
}

std::string temp_file_name() {
  static int counter = 0;
  std::string folder = private_temp_folder();
  if (folder.empty()) return folder;
  char name[32];
  snprintf(name, sizeof name, "zunotemp%04d.tmp", counter++);
  return join_path(folder, name);
}

namespace {

// The suffix that a profile folder needs before "Temporary Internet Files":
// NT-family systems keep it under "Local Settings". An unknown WINDIR name is
// taken as NT-family, the common case for any profile that has the folder at all.
bool profile_suffix(bool *local_settings) {
  if (const char *os = plat::env("OS")) {
    *local_settings = strcmp(os, "Windows_NT") == 0;
    return true;
  }
  const char *windir = plat::env("WINDIR");
  if (!windir) return false;
  *local_settings = last_component(without_trailing_separator(windir)) != "WINDOWS";
  return true;
}

bool profile_base(std::string *out) {
  const char *base = plat::env("USERPROFILE");
  if (!base) base = plat::env("WINDIR");
  if (!base) return false;
  *out = without_trailing_separator(base);
  return true;
}

}  // namespace

bool browser_cache_folder(std::string *out) {
  bool local = false;
  std::string base;
  if (!profile_suffix(&local) || !profile_base(&base)) return false;
  *out = base + (local ? "/Local Settings/" : "/") + "Temporary Internet Files";
  return true;
}

bool local_settings_folder(std::string *out) {
  bool local = false;
  std::string base;
  if (!profile_suffix(&local) || !profile_base(&base)) return false;
  *out = local ? base + "/Local Settings" : base;
  return true;
}

bool favourites_folder(std::string *out) {
  std::string base;
  if (profile_base(&base)) {
    *out = base + "/Favorites";
    return true;
  }
  // No Windows profile: the browser favourites live with the desktop's other data.
  if (!user_data_folder(&base)) return false;
  *out = join_path(base, "Favorites");
  return true;
}

bool default_cache_folder(std::string *out) {
  std::string derived;
  bool have_derived = browser_cache_folder(&derived);
  if (have_derived && plat::is_dir(derived)) {
    *out = derived;
    return true;
  }
  std::vector<FoundCache> caches = find_browser_caches();
  if (!caches.empty()) {
    *out = caches.front().folder;
    return true;
  }
  // Named even when missing, so the run can say which folder it looked for.
  if (have_derived) *out = derived;
  return have_derived;
}

bool run_cache_folder(const ZunoRecord &rec, std::string *out) {
  if (rec.ChosenCacheFolder[0]) {
    *out = without_trailing_separator(rec.ChosenCacheFolder);
    return true;
  }
  return default_cache_folder(out);
}

std::string cache_backup_folder(std::string_view output, std::string_view cache) {
  std::string folder = without_trailing_separator(cache);
  std::string name = folder == "/" ? std::string("_root") : cache_presented_name(folder);
  return join_path(join_path(without_trailing_separator(output), name), "Images");
}

bool wildcard_match(const char *p, const char *s) {
  const char *star = nullptr, *resume = nullptr;
  while (*s) {
    if (*p == '?' || (*p && *p != '*' &&
                      tolower(static_cast<unsigned char>(*p)) == tolower(static_cast<unsigned char>(*s)))) {
      ++p;
      ++s;
    } else if (*p == '*') {
      star = p++;
      resume = s;
    } else if (star) {
      p = star + 1;
      s = ++resume;
    } else {
      return false;
    }
  }
  while (*p == '*') ++p;
  return *p == '\0';
}

extern "C" int get_iecache(char *area) {
  std::string folder;
  if (!default_cache_folder(&folder)) return -1;
  if (area) copy_field(area, kFieldSize, folder, "cache folder");
  return 0;
}

extern "C" char *get_outpath(int which, char *area) {
  ZunoRecord &r = engine().rec;
  char *field = which == 0 ? r.OutputPath : which == 1 ? r.SavedOutputPath : nullptr;
  if (field && area) copy_field(area, kFieldSize, field, "output folder");
  return field;
}

extern "C" int deletefile(const char *folder, const char *pattern) {
  if (!folder || !pattern) return 0;
  std::vector<std::string> names;
  if (!plat::list_dir(folder, &names)) return 0;
  for (const std::string &name : names) {
    if (name[0] == '.' || !wildcard_match(pattern, name.c_str())) continue;
    std::string full = join_path(folder, name);
    if (!plat::is_dir(full)) plat::remove_file(full);
  }
  return 0;
}
