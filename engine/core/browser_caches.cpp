#include "core/browser_caches.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/guard.h"
#include "core/text.h"
#include "platform/platform.h"
#include "zuno.h"

namespace {

struct ChromiumFamily {
  const char *folder;  // below the cache base
  const char *name;
};

// The browsers built on Chromium that keep their cache the same way.
constexpr ChromiumFamily kChromiumFamily[] = {
    {"chromium", "Chromium"},
    {"google-chrome", "Google Chrome"},
    {"google-chrome-beta", "Google Chrome Beta"},
    {"google-chrome-unstable", "Google Chrome Dev"},
    {"BraveSoftware/Brave-Browser", "Brave"},
    {"microsoft-edge", "Microsoft Edge"},
    {"vivaldi", "Vivaldi"},
};

bool is_hex(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return isxdigit(static_cast<unsigned char>(c)); });
}

bool holds_chromium_entry(const std::string &folder, bool *readable) {
  std::vector<std::string> names;
  *readable = plat::list_dir(folder, &names);
  return std::any_of(names.begin(), names.end(),
                     [](const std::string &n) { return is_chromium_entry_name(n); });
}

bool holds_files(const std::string &folder) {
  std::vector<std::string> names;
  return plat::list_dir(folder, &names) && !names.empty();
}

std::string parent_of(const std::string &path) {
  return without_trailing_separator(folder_of(without_trailing_separator(path)));
}

std::string name_of(const std::string &path) {
  return last_component(without_trailing_separator(path));
}

std::string family_name(const std::string &browser_folder) {
  for (const ChromiumFamily &f : kChromiumFamily)
    if (name_of(f.folder) == name_of(browser_folder)) return f.name;
  return "";
}

// Browser and profile from ".../<browser>/<profile>/Cache/Cache_Data".
void name_chromium(const std::string &cache_data, FoundCache *out) {
  std::string cache = parent_of(cache_data);
  if (name_of(cache_data) != "Cache_Data" || name_of(cache) != "Cache") return;
  std::string profile = parent_of(cache);
  out->profile = name_of(profile);
  out->browser = family_name(parent_of(profile));
}

CacheKind found(CacheKind kind, const std::string &folder, FoundCache *out) {
  if (out) {
    *out = FoundCache{};
    out->kind = kind;
    out->folder = without_trailing_separator(folder);
    if (kind == CacheKind::chromium) name_chromium(out->folder, out);
    if (kind == CacheKind::firefox) {
      out->browser = "Firefox";
      out->profile = name_of(parent_of(out->folder));
    }
  }
  return kind;
}

std::string cache_base() {
  const char *xdg = plat::env("XDG_CACHE_HOME");
  if (xdg && xdg[0] == '/') return without_trailing_separator(xdg);
  const char *home = plat::env("HOME");
  if (!home || home[0] != '/') return "";
  return join_path(without_trailing_separator(home), ".cache");
}

std::string config_base() {
  const char *xdg = plat::env("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return without_trailing_separator(xdg);
  const char *home = plat::env("HOME");
  if (!home || home[0] != '/') return "";
  return join_path(without_trailing_separator(home), ".config");
}

// Sub-folder names, "Default" first, then by name.
std::vector<std::string> profiles_in(const std::string &folder) {
  std::vector<std::string> names, out;
  if (!plat::list_dir(folder, &names)) return out;
  for (const std::string &n : names)
    if (n[0] != '.' && plat::is_dir(join_path(folder, n))) out.push_back(n);
  std::sort(out.begin(), out.end(), [](const std::string &a, const std::string &b) {
    if ((a == "Default") != (b == "Default")) return a == "Default";
    return a < b;
  });
  return out;
}

void add_if_cache(const std::string &folder, std::vector<FoundCache> *out) {
  FoundCache c;
  if (cache_kind_of(folder, &c) == CacheKind::none) return;
  bool readable = false;
  bool has_entries = c.kind == CacheKind::chromium ? holds_chromium_entry(c.folder, &readable)
                                                   : holds_files(join_path(c.folder, "entries"));
  if (!has_entries) return;
  for (const FoundCache &known : *out)
    if (known.folder == c.folder) return;
  out->push_back(c);
}

// Profile folders named by a Firefox "profiles.ini" ("Path=" lines; relative to
// the file's folder unless "IsRelative=0" came first in the section).
std::vector<std::string> ini_profiles(const std::string &firefox_folder) {
  std::vector<std::string> out;
  std::string text;
  if (!plat::read_file(join_path(firefox_folder, "profiles.ini"), &text) || text.size() > (1 << 20))
    return out;
  bool relative = true;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') relative = true;
    if (line == "IsRelative=0") relative = false;
    if (line.rfind("Path=", 0) == 0 && line.size() > 5) {
      std::string path = line.substr(5);
      out.push_back(relative || path[0] != '/' ? join_path(firefox_folder, path) : path);
    }
  }
  return out;
}

void add_firefox_caches(const std::string &cache_home, std::vector<FoundCache> *out) {
  if (!cache_home.empty()) {
    std::string folder = join_path(cache_home, "mozilla/firefox");
    for (const std::string &p : profiles_in(folder))
      add_if_cache(join_path(join_path(folder, p), "cache2"), out);
  }
  // Profiles kept elsewhere hold their cache inside the profile folder.
  std::vector<std::string> roots;
  if (const char *home = plat::env("HOME"); home && home[0] == '/')
    roots.push_back(join_path(without_trailing_separator(home), ".mozilla/firefox"));
  if (std::string config = config_base(); !config.empty())
    roots.push_back(join_path(config, "mozilla/firefox"));
  for (const std::string &root : roots) {
    std::vector<std::string> profiles = ini_profiles(root);
    for (const std::string &p : profiles_in(root)) profiles.push_back(join_path(root, p));
    for (const std::string &p : profiles) {
      add_if_cache(join_path(p, "cache2"), out);
      if (!cache_home.empty())
        add_if_cache(join_path(join_path(cache_home, "mozilla/firefox"), name_of(p)) + "/cache2", out);
    }
  }
}

std::string slug(const std::string &name) {
  std::string out;
  for (char c : name) out += c == ' ' ? '-' : static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return out;
}

const char *kind_label(CacheKind kind) {
  return kind == CacheKind::chromium ? "chromium" : kind == CacheKind::firefox ? "firefox" : "cache";
}

}  // namespace

bool is_chromium_entry_name(std::string_view name) {
  return name.size() == 18 && name.substr(16) == "_0" && is_hex(name.substr(0, 16));
}

CacheKind cache_kind_of(const std::string &folder_in, FoundCache *out) {
  std::string folder = without_trailing_separator(folder_in);
  if (folder.empty() || !plat::is_dir(folder)) return found(CacheKind::none, folder, out);
  if (plat::is_dir(join_path(folder, "Content.IE5"))) return found(CacheKind::old_index, folder, out);
  if (plat::is_dir(join_path(folder, "entries"))) return found(CacheKind::firefox, folder, out);
  if (plat::is_dir(join_path(folder, "cache2/entries")))
    return found(CacheKind::firefox, join_path(folder, "cache2"), out);
  for (const char *inner : {"Cache/Cache_Data", "Cache_Data"})
    if (plat::is_dir(join_path(folder, inner)))
      return found(CacheKind::chromium, join_path(folder, inner), out);
  bool readable = false;
  if (plat::is_dir(join_path(folder, "index-dir")) || holds_chromium_entry(folder, &readable))
    return found(CacheKind::chromium, folder, out);
  return found(CacheKind::none, folder, out);
}

std::vector<FoundCache> find_browser_caches() {
  std::vector<FoundCache> out;
  std::string base = cache_base();
  if (!base.empty()) {
    for (const ChromiumFamily &f : kChromiumFamily) {
      std::string browser = join_path(base, f.folder);
      for (const std::string &p : profiles_in(browser))
        add_if_cache(join_path(browser, p) + "/Cache/Cache_Data", &out);
    }
  }
  add_firefox_caches(base, &out);
  return out;
}

std::string cache_presented_name(const std::string &folder) {
  FoundCache c;
  CacheKind kind = cache_kind_of(folder, &c);
  if (kind == CacheKind::none || kind == CacheKind::old_index) return name_of(folder);
  std::string who = c.browser.empty() ? kind_label(kind) : slug(c.browser);
  std::string profile = c.profile.empty() ? name_of(c.folder) : c.profile;
  return who + "-" + profile;
}

std::string describe_cache(const FoundCache &cache) {
  std::string who = cache.browser.empty() ? kind_label(cache.kind) : cache.browser;
  if (!cache.profile.empty()) who += " (" + cache.profile + ")";
  return who + ": " + cache.folder;
}

namespace {

std::string cache_lines() {
  std::string text;
  for (const FoundCache &c : find_browser_caches())
    text += std::string(kind_label(c.kind)) + "\t" + c.browser + "\t" + c.profile + "\t" + c.folder + "\n";
  return text;
}

}  // namespace

extern "C" int ZunoListCaches(char *area, int size) {
  return guarded(-1, [&] {
    std::string text = cache_lines();
    if (area && size > 0) {
      // Whole lines only: a cut folder name would be a wrong folder.
      size_t room = static_cast<size_t>(size) - 1, fits = text.size();
      if (fits > room) {
        size_t end = room == 0 ? std::string::npos : text.rfind('\n', room - 1);
        fits = end == std::string::npos ? 0 : end + 1;
      }
      memcpy(area, text.data(), fits);
      area[fits] = '\0';
    }
    return static_cast<int>(text.size());
  });
}
