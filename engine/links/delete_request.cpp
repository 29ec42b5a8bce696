// Deletion requests: the user files a thumbnail link of a catalog as a shortcut in
// the delete-candidate folder; the picture goes, its thumbnail leaves the page, and
// the shortcut is removed. Nothing is deleted unless the catalog page really links
// the picture: a shortcut can be written by anyone, the page is our own.
#include <string>
#include <vector>

#include "collect/file_types.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/paths.h"
#include "core/text.h"
#include "html/html_escape.h"
#include "links/cache_maintenance.h"
#include "links/shortcut_file.h"
#include "platform/platform.h"

namespace {

constexpr const char *kCandidateFolder = "クイロ～/削除候補";

// Entries (with "." and "..") of the delete-candidate folder after the last request,
// and that folder: another folder (another profile or home) is a change.
int g_remembered_entries = 0;
std::string g_remembered_folder;

struct Request {
  std::string page;       // the catalog page that links the picture
  std::string link_text;  // the picture argument as the page writes it
  std::string picture;    // the picture's full path
};

std::string output_folder(const ZunoRecord &rec) {
  return rec.SavedOutputPath[0] ? rec.SavedOutputPath : rec.OutputPath;
}

bool page_holds(const std::string &page, const std::string &text) {
  std::string body;
  return plat::read_file(page, &body) && body.find(text) != std::string::npos;
}

// The catalog page for a request: the shortcut's own page, else the first page
// below the output folder that holds the link. Either way it must hold it, and lie
// below the output folder, where our catalogs are written.
std::string linking_page(const Shortcut &s, const std::string &link_text, const std::string &output,
                         std::vector<std::string> *pages, bool *pages_read) {
  std::string real_output;
  if (!plat::resolve_path(output, &real_output)) return "";
  auto ours = [&](const std::string &page) {
    std::string real;
    return plat::resolve_path(page, &real) && path_below(real_output, real) && page_holds(page, link_text);
  };
  // A shortcut made from a page is judged by that page alone.
  if (s.has_base) return ours(s.page) ? s.page : "";
  if (!*pages_read) {
    *pages = catalog_pages_below(output);
    *pages_read = true;
  }
  for (const std::string &page : *pages)
    if (ours(page)) return page;
  return "";
}

// Reads a request; false, with the reason recorded, when it names no picture that
// a catalog page of ours links.
bool read_request(const std::string &shortcut, const std::string &output, std::vector<std::string> *pages,
                  bool *pages_read, Request *r) {
  Shortcut s;
  std::string quoted;
  if (!read_shortcut(shortcut, &s) || !quoted_argument(s.url, &quoted)) {
    record_error("削除依頼にサムネイルのリンクがありません: " + shortcut);
    return false;
  }
  std::string path = script_unescape(percent_decode(quoted));
  r->link_text = "showcg('" + html_escape(showcg_argument(path)) + "'";
  r->page = linking_page(s, r->link_text, output, pages, pages_read);
  if (r->page.empty()) {
    record_error("カタログにないファイルは削除しません: " + path);
    return false;
  }
  std::string full = path;
  if (!path.empty() && path[0] == '.') full = join_path(folder_of(r->page), path);
  plat::Stat st;
  int type = file_type(full.c_str());
  if (full.empty() || full[0] != '/' || !plat::stat_entry(full, &st) || !st.is_file || type == -1 ||
      (type & PICTURE_MASK) == 0) {
    record_error("画像ファイルではないので削除しません: " + path);
    return false;
  }
  if (!plat::resolve_path(full, &r->picture)) return false;
  if (st.is_link) r->picture = full;  // the link goes, never what it points to
  return true;
}

// Deletes the picture: a backup copy outright (with its cache entry in mode 1), the
// user's own picture into the desktop trash. True when it is gone.
bool delete_picture(int mode, const ZunoRecord &rec, const Request &r) {
  std::string cache, backup, relative;
  bool copy = backup_location(rec, &cache, &backup) && backup_relative(backup, r.picture, &relative);
  plat::Stat st;
  plat::stat_entry(r.picture, &st);
  int err = copy && !st.is_link ? plat::remove_file(r.picture) : plat::move_to_trash(r.picture);
  if (err) {
    record_error(r.picture + " を削除できません: " + plat::error_text(err));
    return false;
  }
  if (copy && mode == 1) delete_cache_entry(cache, relative, st.size);
  return true;
}

}  // namespace

int remove_page_link(const char *page, const char *link) {
  if (!link || !link[0]) return -1;
  std::string text;
  if (!page || !plat::read_file(page, &text))
    return record_error(std::string("カタログを読めません: ") + page);
  std::string kept;
  size_t pos = 0;
  bool dropped_link = false;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    end = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(pos, end - pos);
    pos = end;
    if (line.find(link) != std::string::npos) {
      dropped_link = true;
      continue;
    }
    // The end tag that closed a dropped link goes with it.
    if (dropped_link && line.find("</a>") != std::string::npos) {
      dropped_link = false;
      continue;
    }
    dropped_link = false;
    kept += line;
  }
  if (kept == text) return 0;
  if (int err = plat::write_file_replace(page, kept))
    return record_error(std::string("カタログを書き換えられません: ") + page + ": " + plat::error_text(err));
  return 0;
}

extern "C" int del_request(int mode, ZunoRecord *rec, FileNode *) {
  return guarded(-1, [&]() -> int {
    std::string favourites;
    if (!favourites_folder(&favourites)) return record_error("お気に入りフォルダの位置を特定出来無い");
    std::string folder = join_path(favourites, kCandidateFolder);
    std::vector<std::string> names;
    if (!plat::list_dir(folder, &names)) return 0;  // no request filed yet
    int entries = static_cast<int>(names.size()) + 2;
    if (entries == g_remembered_entries && folder == g_remembered_folder) return 0;
    g_remembered_entries = entries;
    g_remembered_folder = folder;
    std::string output = output_folder(*rec);
    std::vector<std::string> pages;
    bool pages_read = false;
    int count = 0;
    for (const std::string &name : names) {
      std::string shortcut = join_path(folder, name);
      plat::Stat st;
      if (!is_shortcut_name(name) || !plat::stat_entry(shortcut, &st) || !st.is_file || st.is_link) continue;
      // A refused or failed request stays in the folder, so the user sees it was not done.
      Request r;
      if (!read_request(shortcut, output, &pages, &pages_read, &r) || !delete_picture(mode, *rec, r))
        continue;
      ++count;
      remove_page_link(r.page.c_str(), r.link_text.c_str());
      if (plat::remove_file(shortcut) == 0) --g_remembered_entries;
    }
    return count;
  });
}
