// Which cached page showed a picture: first the pages kept in the picture's own
// cache subfolder, then any page of the same site.
#include "links/link_pages.h"

#include <cstring>
#include <string>

#include "collect/file_types.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "core/paths.h"
#include "core/text.h"
#include "links/cache_lookup.h"
#include "links/link_file.h"
#include "links/link_urls.h"
#include "platform/platform.h"
#include "zuno.h"

namespace {

constexpr int kPageDepthLimit = 100;

// The page's own address, when the analysed index knows it and it fits the caller's area.
bool own_address(const FileNode *page, std::string *address) {
  std::string path = page->path;  // the lookup may rewrite the text it is given
  char found[kAddressBuffer] = "";
  if (get_anarized_url(path.data(), found) != 0) return false;
  std::string canonical;
  if (!canonical_address(found, &canonical) || canonical.size() >= ZUNO_BUFSIZE) return false;
  *address = canonical;
  return true;
}

// True when the page's text names the picture's file.
bool names_picture(const FileNode *page, const std::string &file_name) {
  plat::InFile in;
  if (!in.open(page->path) || in.size() > kMaxPageBytes) return false;
  std::string text(static_cast<size_t>(in.size()), '\0');
  ssize_t got = in.read_at(0, text.data(), text.size());
  if (got < 0) return false;
  text.resize(static_cast<size_t>(got));
  return text.find(file_name) != std::string::npos;
}

struct Picture {
  std::string host, file_name, subfolder;
};

// A page shows the picture when its own address is on the picture's host and its text names the picture.
bool shows(const FileNode *page, const Picture &pic, std::string *address) {
  return own_address(page, address) && same_host(address_host(*address), pic.host) &&
         names_picture(page, pic.file_name);
}

bool is_page(const FileNode *n) {
  return n->path && !is_folder_entry(n);
}

}  // namespace

int build_link_pages(const ZunoRecord &rec, FileNode *pages) {
  // The cache the runs read (the chosen folder first) names the backup they made.
  std::string cache;
  if (!run_cache_folder(rec, &cache)) return record_error("キャッシュファイルの位置を特定出来無い");
  std::string root = join_path(cache_backup_folder(rec.SavedOutputPath, cache), "Content.IE5");
  // Kept while the backup stays the same; another cache or output folder has its own pages.
  static std::string listed_root;
  if (is_listed(pages) && root == listed_root) return 0;
  listed_root = root;
  empty_list(pages);
  if (rec.SavedOutputPath[0] == '\0' || !plat::is_dir(root))
    return record_error("キャッシュのバックアップがありません: " + root);
  if (!maketree2(0, kPageDepthLimit, root.c_str(), pages, TYPE_HTML)) {
    empty_list(pages);
    return -1;
  }
  return is_listed(pages) ? 0 : -1;
}

// The address written into `out` always fits the caller's area of ZUNO_BUFSIZE
// bytes: a page address that would not fit is passed over, never cut.
extern "C" int get_urllink(FileNode *pages, const char *address, char *out) {
  return guarded(-1, [&] {
    if (!pages || !address || !out) return -1;
    Picture pic;
    std::string canonical, key;
    if (!canonical_address(address, &canonical)) return -1;
    pic.host = address_host(canonical);
    pic.file_name = address_file_name(canonical);
    if (pic.host.empty() || pic.file_name.empty()) return -1;
    if (cached_file_of_address(canonical, &key)) pic.subfolder = cache_subfolder_of(key);
    std::string found;
    if (!pic.subfolder.empty()) {
      for (FileNode *n = pages; is_listed(n); n = n->next) {
        if (is_page(n) && strstr(n->path, pic.subfolder.c_str()) && shows(n, pic, &found)) {
          copy_field(out, ZUNO_BUFSIZE, found, "link page");
          return 0;
        }
        ZunoCallProgress(1);
        if (ZunoSleep()) return -1;
      }
    }
    for (FileNode *n = pages; is_listed(n); n = n->next) {
      if (is_page(n) && (pic.subfolder.empty() || !strstr(n->path, pic.subfolder.c_str())) &&
          shows(n, pic, &found)) {
        copy_field(out, ZUNO_BUFSIZE, found, "link page");
        return 0;
      }
      ZunoCallProgress(1);
      if (ZunoSleep()) break;
    }
    return -1;
  });
}
