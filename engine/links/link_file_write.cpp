// Writing a page's link file: every anchor that wraps one cached picture becomes a
// record naming the picture's cached file, its address and where it leads.
#include <strings.h>

#include <cerrno>
#include <string>
#include <vector>

#include "cache/analyzed_index.h"
#include "collect/collect_steps.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/text.h"
#include "links/anchor_scan.h"
#include "links/cache_lookup.h"
#include "links/link_file.h"
#include "links/link_urls.h"
#include "platform/platform.h"
#include "zuno.h"

namespace {

constexpr std::string_view kCacheFolderName = "Content.IE5";

enum class PageRead { ok, unreadable, not_a_page };

// The page's text; pages too large to be a page are not read.
PageRead read_page(const std::string &page, std::string *text) {
  plat::InFile in;
  if (!in.open(page)) {
    record_error("ページを開けません: " + page + ": " + plat::error_text(errno));
    return PageRead::unreadable;
  }
  if (in.size() > kMaxPageBytes) return PageRead::not_a_page;
  text->resize(static_cast<size_t>(in.size()));
  ssize_t got = in.read_at(0, text->data(), text->size());
  if (got < 0) {
    record_error("ページを読めません: " + page + ": " + plat::error_text(errno));
    return PageRead::unreadable;
  }
  text->resize(static_cast<size_t>(got));
  return PageRead::ok;
}

// A page starts, after blanks and line ends (and a byte-order mark), with '<'.
bool looks_like_page(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '<';
}

// The page's own address, when the analysed index knows it as a web address.
bool page_address(const std::string &page, std::string *base) {
  std::string path = page;  // the lookup may rewrite the text it is given
  char found[kAddressBuffer] = "";
  return get_anarized_url(path.data(), found) == 0 && canonical_address(found, base);
}

bool in_cache(const std::string &address, std::string *key) {
  return cached_file_of_address(address, key);
}

// The record's name for a cached picture: the file as the page's own cache folder
// holds it, so a copy whose extension was lower-cased is named as written.
std::string record_key(const std::string &page, const std::string &key) {
  size_t at = page.find("/" + std::string(kCacheFolderName) + "/");
  if (at == std::string::npos) return key;
  std::string file = page.substr(0, at + 1) + key;
  for (char &c : file)
    if (c == '\\') c = '/';
  if (plat::exists(file)) return key;
  std::string folder = folder_of(file), name = last_component(file);
  // The copier's own spelling first: a listing of the folder per anchor costs more
  // than the whole page on a backup of thousands of files.
  std::string lowered = with_extension_case(name, false);
  if (lowered != name && plat::exists(join_path(folder, lowered)))
    return key.substr(0, key.size() - name.size()) + lowered;
  std::vector<std::string> names;
  if (!plat::list_dir(folder, &names)) return key;
  for (const std::string &candidate : names) {
    if (stem_of(candidate) != stem_of(name)) continue;
    std::string a = extension_of(candidate), b = extension_of(name);
    if (a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0)
      return key.substr(0, key.size() - name.size()) + candidate;
  }
  return key;
}

struct PageContext {
  std::string page;
  std::string base;  // the page's own address, "" when unknown
};

// The record of one anchor, "" when the anchor is dropped.
std::string record_of(const PageContext &ctx, const AnchorAddresses &anchor) {
  bool combine = !ctx.base.empty();
  std::string picture = anchor.picture, key;
  if (!in_cache(picture, &key)) {
    if (!combine || !combine_address(ctx.base, anchor.picture, &picture) || !in_cache(picture, &key))
      return "";
  }
  std::string link = anchor.link, unused;
  if (link.compare(0, 4, "http") != 0 && !in_cache(link, &unused)) {
    if (!combine || !combine_address(ctx.base, anchor.link, &link)) return "";
  }
  // Only web addresses are worth a record: anything else would never become a link.
  std::string web_link;
  if (!canonical_address(link, &web_link)) return "";
  if (key.find(kCacheFolderName) == std::string::npos) return "";
  return "[" + record_key(ctx.page, key) + "]\n" + picture + "\n" + web_link + "\n\n";
}

}  // namespace

std::string link_file_path(const std::string &page) {
  std::string name = last_component(page);
  return join_path(folder_of(page), stem_of(name) + ".ahm");
}

int write_link_file(const std::string &page) {
  std::string text;
  PageRead read = read_page(page, &text);
  if (read == PageRead::unreadable) return 0;
  if (read == PageRead::not_a_page || !looks_like_page(text)) return -1;
  PageContext ctx{page, ""};
  page_address(page, &ctx.base);
  std::string records;
  AnchorScan scan(text);
  AnchorAddresses anchor;
  while (next_anchor(&scan, &anchor)) {
    if (anchor.link.empty() || anchor.picture.empty()) continue;
    records += record_of(ctx, anchor);
  }
  std::string target = link_file_path(page);
  if (records.empty()) {
    plat::remove_file(target);  // a link file of an earlier state of the page says nothing now
    return -1;
  }
  std::string header = (ctx.base.empty() ? std::string("http://") : ctx.base) + "\n\n";
  if (int err = plat::write_file_replace(target, header + records); err != 0) {
    record_error("リンクファイルを書けません: " + target + ": " + plat::error_text(err));
    return -1;
  }
  return 0;
}

// Link files are written only inside the run's own output folder (the copies and
// the backup below its "Images" folder), never into a folder the user chose to read.
int make_link_file(ZunoRecord *rec, FileNode *node) {
  return guarded(-1, [&] {
    if (!node || !node->path) return -1;
    std::string images = join_path(rec->OutputPath, "Images") + "/";
    if (rec->OutputPath[0] == '\0' || std::string_view(node->path).substr(0, images.size()) != images)
      return -1;
    return write_link_file(node->path);
  });
}
