// "file.html": one link for every started group of ten catalog pages.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/text.h"
#include "html/catalog_common.h"
#include "html/catalog_outline.h"
#include "html/html_builder.h"
#include "platform/platform.h"

namespace {

constexpr size_t kPageStemLength = 11;  // "index000000"

bool is_catalog_page(const std::string &name) {
  std::string ext = extension_of(name);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".html" && stem_of(name).size() == kPageStemLength;
}

// The catalog pages of the folder in name order; false when an abort was asked for.
// Pages only ever lie in the catalog folder itself, so its subfolders (the
// thumbnails) are not walked.
bool list_catalog_pages(const std::string &folder, std::vector<std::string> *pages) {
  std::vector<std::string> names;
  plat::list_dir(folder, &names);
  for (std::string &name : names) {
    if (ZunoSleep() != 0) return false;
    if (is_catalog_page(name)) pages->push_back(std::move(name));
  }
  std::sort(pages->begin(), pages->end());
  return true;
}

int write_file_index(ZunoRecord &rec) {
  std::string folder = catalog_folder(rec);
  std::vector<std::string> pages;
  if (!list_catalog_pages(folder, &pages)) return -1;
  std::string path = join_path(folder, "file.html");
  int depth = html_open_pages();
  if (html_creat_hl(path, kCatalogTitle) < 0) return -1;
  html_set_body(rec.BackGraund, rec.BgFix, rec.BgColor, rec.TextColor, rec.LinkColor, rec.ALinkColor,
                rec.VLinkColor);
  for (size_t ordinal = 0; ordinal < pages.size(); ordinal += 10) {
    char text[48];
    snprintf(text, sizeof text, "[%03zu-%03zu] ", ordinal, ordinal + 9);
    html_add_text_link(true, pages[ordinal], text);
  }
  int doc = html_top_doc();
  for (const std::string &line : outline_markup(outline_folders()))
    if (html_insert_text(doc, kBeforeEnd, "<body>", line) != 0) return -1;
  int written = html_close_page(path);
  html_discard_pages(depth);
  return written;
}

}  // namespace

extern "C" int creat_fileindex(ZunoRecord *rec) {
  if (!rec) return -1;
  int depth = html_open_pages();
  int result = guarded(-1, [&] { return write_file_index(*rec); });
  html_discard_pages(depth);
  return result;
}
