// The favourites page: the catalog entries of the pages the user added to the
// browser's favourites in the product's folder, gathered into one page that only grows.
#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/paths.h"
#include "core/text.h"
#include "html/html_builder.h"
#include "html/html_escape.h"
#include "links/shortcut_file.h"
#include "platform/platform.h"

namespace {

constexpr const char *kShortcutFolder = "クイロ～";
constexpr const char *kPageFolder = "ZunoFavorites";
constexpr const char *kPageName = "クイロ～のお気に入り.html";
constexpr const char *kPageTitle = "クイロ～のお気に入り";

// Entries in the shortcut folder at the previous call (with "." and ".."), and that
// folder: process-wide. Another folder (another profile or home) is a change.
int g_change_counter = 0;
std::string g_counted_folder;

std::vector<std::string> split_lines(const std::string &text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

// Makes a folder and its missing parents; false when a level exists as something else.
bool ensure_folder(const std::string &folder) {
  if (plat::is_dir(folder)) return true;
  if (plat::exists(folder)) return false;
  std::string parent = folder_of(folder);
  if (!parent.empty() && parent != folder && !ensure_folder(parent)) return false;
  return plat::make_dir(folder) == 0 || plat::is_dir(folder);
}

// The quoted value after `key` in a line ("" when none), from position `from`.
std::string quoted_after(const std::string &line, const std::string &key, size_t from = 0) {
  size_t at = line.find(key, from);
  if (at == std::string::npos) return "";
  at += key.size();
  size_t end = line.find('"', at);
  return end == std::string::npos ? "" : line.substr(at, end - at);
}

int number_after(const std::string &line, const std::string &key, size_t from) {
  std::string value = quoted_after(line, key, from);
  return value.empty() ? 0 : std::clamp(atoi(value.c_str()), 0, 32767);
}

// The favourites entry for a web address from a catalog page: the page's first line
// that links the address and shows an existing thumbnail, rebuilt from its parts
// with every value escaped (the page may have come from anywhere). "" when none.
std::string catalog_entry(const std::string &page, const std::string &address) {
  std::string text;
  if (!plat::read_file(page, &text)) return "";
  const std::string escaped = html_escape(address);
  for (const std::string &line : split_lines(text)) {
    if (line.find(escaped) == std::string::npos && line.find(address) == std::string::npos) continue;
    size_t img = line.find("<img src=\"");
    if (img == std::string::npos) continue;
    std::string src = percent_decode(html_unescape(quoted_after(line, "<img src=\"", img)));
    if (src.empty()) continue;
    // The thumbnail is named relative to its catalog page; the favourites page lives elsewhere.
    std::string thumb;
    if (!plat::resolve_path(src[0] == '/' ? src : join_path(folder_of(page), src), &thumb)) continue;
    plat::Stat st;
    if (!plat::stat_path(thumb, &st) || !st.is_file) continue;
    char size[64];
    snprintf(size, sizeof size, "width=\"%d\" height=\"%d\"", number_after(line, "width=\"", img),
             number_after(line, "height=\"", img));
    return "<a href=\"" + escaped + "\" target=\"_blank\"><img src=\"" + html_escape(url_path(thumb)) +
           "\" " + size + " alt=\"" + escaped + "\" border=\"0\">";
  }
  return "";
}

// The page a shortcut leads back to: its BASEURL page, or else the first catalog page
// below the output folder that links the address.
std::string entry_for(const Shortcut &s, const std::string &address, const std::string &output,
                      std::vector<std::string> *pages, bool *pages_read) {
  // A shortcut made from a page is judged by that page alone.
  if (s.has_base) return catalog_entry(s.page, address);
  if (!*pages_read) {
    *pages = catalog_pages_below(output);
    *pages_read = true;
  }
  for (const std::string &page : *pages) {
    std::string entry = catalog_entry(page, address);
    if (!entry.empty()) return entry;
  }
  return "";
}

// Creates the empty favourites page with the builder; false when it cannot be written.
bool create_page(const ZunoRecord &rec, const std::string &page) {
  if (html_creat_hl(page, kPageTitle) != 0) return false;
  html_set_body(rec.BackGraund, rec.BgFix, rec.BgColor, rec.TextColor, rec.LinkColor, rec.ALinkColor,
                rec.VLinkColor);
  return html_close_page(page) == 0;
}

int build_page(const ZunoRecord &rec, const std::string &shortcuts, std::vector<std::string> names) {
  std::string output = rec.SavedOutputPath[0] ? rec.SavedOutputPath : rec.OutputPath;
  if (output.empty()) return record_error("お気に入りページの出力先フォルダが決まっていません");
  std::string folder = join_path(output, kPageFolder);
  if (plat::exists(folder) && !plat::is_dir(folder))
    return record_error("お気に入りページのフォルダがファイルです: " + folder);
  if (!plat::is_dir(folder) && plat::make_dir(folder) != 0)
    return record_error("お気に入りページのフォルダを作れません: " + folder);
  std::string page = join_path(folder, kPageName), old;
  bool created = false;
  if (!plat::read_file(page, &old)) {
    if (!create_page(rec, page) || !plat::read_file(page, &old))
      return record_error("お気に入りページを作れません: " + page);
    created = true;
  }
  std::string text;
  std::set<std::string> held;
  for (const std::string &line : split_lines(old)) {
    if (line.rfind("</body>", 0) == 0) break;
    if (line.find("<a href") != std::string::npos) held.insert(line);
    text += line + "\n";
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> pages;
  bool pages_read = false;
  int added = 0;
  for (const std::string &name : names) {
    Shortcut s;
    if (!is_shortcut_name(name) || !read_shortcut(join_path(shortcuts, name), &s)) continue;
    std::string address = web_address(s.url);
    if (address.empty()) continue;
    std::string entry = entry_for(s, address, output, &pages, &pages_read);
    // Only the page as it was before this call counts as holding an entry.
    if (entry.empty() || held.count(entry)) continue;
    text += entry + "\n</a>\n";
    ++added;
  }
  if (added == 0 && !created) return 0;
  text += "</body>\n</html>\n";
  if (int err = plat::write_file_atomic(page, text))
    return record_error("お気に入りページを書けません: " + page + ": " + plat::error_text(err));
  return added;
}

}  // namespace

extern "C" int creat_favorites(ZunoRecord *rec, FileNode *) {
  return guarded(-1, [&]() -> int {
    std::string favourites;
    if (!favourites_folder(&favourites)) {
      // Asked every 15 seconds: the log says it once, not every time.
      static bool said = false;
      if (said) return -1;
      said = true;
      return record_error("お気に入りフォルダの位置を特定出来無い");
    }
    std::string shortcuts = join_path(favourites, kShortcutFolder);
    if (!ensure_folder(shortcuts)) return record_error("お気に入りフォルダを作れません: " + shortcuts);
    std::vector<std::string> names;
    if (!plat::list_dir(shortcuts, &names))
      return record_error("お気に入りフォルダを読めません: " + shortcuts + ": " + plat::error_text(errno));
    int count = static_cast<int>(names.size()) + 2;
    if (count == g_change_counter && shortcuts == g_counted_folder) return 0;
    g_change_counter = count;
    g_counted_folder = shortcuts;
    return build_page(*rec, shortcuts, std::move(names));
  });
}
