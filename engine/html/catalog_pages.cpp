// The paged thumbnail pages of a catalog ("index000000.html" onward) with their
// forward and back buttons.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

#include "collect/file_types.h"
#include "collect/picture_header.h"
#include "collect/thumbnail_path.h"
#include "collect/tree_scan.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "core/text.h"
#include "html/catalog_common.h"
#include "html/catalog_outline.h"
#include "html/html_builder.h"
#include "html/movie_markup.h"
#include "platform/date_text.h"

namespace {

constexpr const char *kCatalogButtons[] = {"back.gif", "next.gif", "zunobanner.jpg", "X2.jpg",  "X15.jpg",
                                           "X12.jpg",  "X115.jpg", "SizeFix.jpg",    kMovieIcon};
// With thumbnail files a page weighs what its thumbnails weigh, whatever the originals' kilobytes: pages
// then hold a number of pictures instead.
constexpr int kThumbnailsPerPage = 40;
// Used when back.gif cannot be measured, so the buttons stay clickable.
constexpr int kFallbackButtonW = 60, kFallbackButtonH = 24;

struct CatalogWriter {
  explicit CatalogWriter(ZunoRecord &r) : rec(r), folder(catalog_folder(r)) {}

  ZunoRecord &rec;
  std::string folder;      // the catalog folder
  std::string background;  // the page background as the pages name it ("" for none)
  int button_w = 0, button_h = 0;
  int64_t available_h = 0;
  int page = 0;
  std::string cur_path, cur_name, prev_path, prev_name;
  int64_t layout_h = 0, row_w = 0, row_h = 0;
  // Kilobytes on the page: a picture may claim up to 2 TiB, and a page holds many.
  int64_t kb_on_page = 0;
  int placed = 0;
  ThumbnailPlan thumbnails;    // the names get_thumbinfo hands out for the same list
  bool failed = false;         // a page could not be opened or written: the catalog is not whole
  std::string address, thumb;  // the current link's, see link_and_thumbnail

  // The record's counter keeps the page's kilobytes as far as an int holds them.
  void set_page_kb(int64_t kb) {
    kb_on_page = kb;
    rec.PageCounter[1] = static_cast<int>(std::min<int64_t>(kb, INT_MAX));
  }
  int &page_files() { return rec.PageCounter[2]; }

  void name_page(int number) {
    cur_name = catalog_page_name(0, number);
    cur_path = join_path(folder, cur_name);
  }

  void open_page() {
    if (html_creat_hl(cur_path, kCatalogTitle) < 0) {
      failed = true;
      return;
    }
    html_add_head_script(kViewerScript);
    html_set_body(background.c_str(), rec.BgFix, rec.BgColor, rec.TextColor, rec.LinkColor, rec.ALinkColor,
                  rec.VLinkColor);
    html_add_br();
  }

  void add_back_button() {
    char alt[32];
    snprintf(alt, sizeof alt, "[%03d]←", page - 1);
    html_add_nav_link("catalog", true, prev_name, "back.gif", button_w, button_h, alt);
  }

  void prepare() {
    int16_t dw = 0, dh = 0, w = 0, h = 0;
    std::string back = button_path(rec, "back.gif");
    if (read_picture_header(&rec, back.c_str(), TYPE_GIF, &dw, &dh, &w, &h, nullptr) >= 0 && w > 0 && h > 0) {
      button_w = w;
      button_h = h;
    } else {
      button_w = kFallbackButtonW;
      button_h = kFallbackButtonH;
    }
    for (const char *name : kCatalogButtons)
      copy_catalog_file(button_path(rec, name), join_path(folder, name));
    available_h =
        int64_t{rec.FrameSizeRatio / 100} * (int64_t{100} - rec.IndexRatio - rec.CntlRatio) - button_h - 48;
    if (rec.BackGraund[0]) {
      // The copy keeps the name as written, so the page names exactly the file made.
      background = last_component(rec.BackGraund);
      copy_catalog_file(rec.BackGraund, join_path(folder, background));
    }
    page = 0;
    page_files() = 0;
    set_page_kb(0);
    name_page(0);
    prev_path = cur_path;
    prev_name = cur_name;
    open_page();
    if (rec.TotalProc && rec.TotalCount != 0) rec.TotalProc(rec.TotalCount);
  }

  bool skipped(const FileNode *n) const {
    bool searching = rec.LastSearchString[0] != '\0';
    bool has_source = n->source && n->source[0];
    if (!n->path) return true;  // a node without a path names nothing to show
    if (rec.CacheView == 1 && n->mark == 0) return true;
    if (is_folder_entry(n)) return true;
    if (n->depth > run_depth_limit(rec)) return true;
    if (n->type == -1) return true;
    if (n->size_kb == -1) return true;
    if (n->size == 0) return true;
    if (rec.CacheView == 0 && n->passed == 0) return true;
    if (rec.PreparedURL == 0 && rec.GetUrl == 0 && searching && matches_search(&rec, n->path) != 0)
      return true;
    if ((rec.PreparedURL == 1 || rec.GetUrl >= 1) && has_source && searching &&
        matches_search(&rec, n->source) != 0)
      return true;
    if (rec.GetUrl >= 3 && !has_source) return true;
    if (rec.PreparedURL == 1 && !(n->flags & FLAG_PREPARED_URL)) return true;
    return false;
  }

  bool page_full() {
    if (rec.MakeThumbnail == 1 && rec.PageingStyle == 0) return page_files() >= kThumbnailsPerPage;
    switch (rec.PageingStyle) {
      case 0:
        return kb_on_page > rec.OnePageMax;
      case 1:
        return page_files() > rec.OnePageNum;
      case 2:
        return kb_on_page > rec.OnePageMax || page_files() > rec.OnePageNum;
      case 3:
        return layout_h != 0 && available_h <= layout_h;
      default:
        return false;
    }
  }

  void next_page() {
    layout_h = 0;
    row_w = 0;
    if (cur_path != prev_path) add_back_button();
    ++page;
    prev_path = cur_path;
    prev_name = cur_name;
    name_page(page);
    char alt[32];
    snprintf(alt, sizeof alt, "→[%03d]", page);
    html_add_nav_link("catalog", true, cur_name, "next.gif", button_w, button_h, alt);
    if (html_close_page(prev_path) != 0) failed = true;
    set_page_kb(0);
    page_files() = 0;
    open_page();
  }

  void estimate_layout(const FileNode *n) {
    if (row_w + n->disp_width + 2 < int64_t{rec.WindowSize} - 38) {
      row_w += n->disp_width + 2;
      row_h = std::max<int64_t>(row_h, n->disp_height);
      if (layout_h == 0) layout_h = row_h;
    } else {
      row_w = n->disp_width;
      layout_h += row_h + 4;
      row_h = n->disp_height;
    }
  }

  // The address a link opens and the picture its thumbnail shows. The two buffers live as long as the
  // writer, so each link reuses their room.
  void link_and_thumbnail(const FileNode *n, std::string *address, std::string *thumb) const {
    std::string_view path = n->path;
    std::optional<std::string> below;
    if (rec.FileCopy == 1) below = path_below(path, rec.OutputPath);
    if (below) {
      address->assign("..");
      *address += *below;
    } else {
      address->assign(path);
    }
    if (rec.MakeThumbnail != 1) {
      thumb->assign(*address);
      return;
    }
    thumb->assign("./Thumbs");
    *thumb += thumbnail_below(thumbnails, n);
  }

  // When the picture was taken as the viewer shows it: the Exif date, else the file's time.
  static std::string date_shown(const FileNode *n) {
    if (n->taken) return "撮影 " + plat::date_time_text(n->taken, false);
    return n->modified ? "更新 " + plat::date_time_text(n->modified, true) : "";
  }

  // Writes the node's link; false when the node is left out without counting.
  bool write_link(const FileNode *n) {
    link_and_thumbnail(n, &address, &thumb);
    bool has_source = n->source && n->source[0];
    switch (n->type) {
      case TYPE_AVI:
      case TYPE_MOVIE:
        add_movie(folder, n->path, address, n->disp_width, n->disp_height, rec.MakeThumbnail == 1);
        return true;
      case TYPE_GIF:
      case TYPE_PNG:
      case TYPE_BMP:
      case TYPE_TIF:
      case TYPE_JPEG:
      case TYPE_WEBP:
      case TYPE_AVIF:
        if ((rec.GetUrl >= 2 || n->banner == 1) && has_source) {
          html_add_url_link("_blank", true, n->source, thumb, n->disp_width, n->disp_height);
          return true;
        }
        if (rec.GetUrl >= 3) return false;
        html_add_thumb_link(true, address, thumb, n->disp_width, n->disp_height, n->width, n->height, n->size,
                            (n->flags & FLAG_SIZE_CAPPED) != 0, date_shown(n));
        return true;
      default:
        return true;
    }
  }

  int finish() {
    if (cur_path != prev_path) add_back_button();
    if (html_close_page(cur_path) != 0) failed = true;
    rec.PageCounter[0] = page;
    return failed ? -1 : placed;
  }

  int run(FileNode *head) {
    outline_reset();
    if (rec.MakeThumbnail == 1) thumbnails = plan_thumbnails(head, thumbnail_base(rec, rec.OutputPath));
    prepare();
    if (failed) return -1;
    for (FileNode *n = head; is_listed(n); n = n->next) {
      // The nodes and their paths lie all over the heap: fetching the next ones while this one is
      // written hides most of the wait for memory.
      if (FileNode *after = n->next) {
        if (after->path) __builtin_prefetch(after->path);
        if (after->next) __builtin_prefetch(after->next);
      }
      ZunoCallProgress(1);
      if (skipped(n)) continue;
      if (page_full()) next_page();
      if (failed) return -1;
      estimate_layout(n);
      if (!write_link(n)) continue;
      n->output = 1;
      outline_add(n->path, page);
      ++placed;
      ++page_files();
      set_page_kb(kb_on_page + std::max<int64_t>(n->size_kb, 1));  // small files weigh on a page too
      if (ZunoSleep() != 0) {
        html_close_page(cur_path);
        rec.PageCounter[0] = page;
        return -1;
      }
    }
    return finish();
  }
};

}  // namespace

extern "C" int ZunoCreatHtml(ZunoRecord *rec, FileNode *head) {
  if (!rec || !head) return -1;
  int depth = html_open_pages();
  int result = guarded(-1, [&] {
    CatalogWriter writer(*rec);
    return writer.run(head);
  });
  // A writer interrupted by an exception leaves no half-built page behind.
  html_discard_pages(depth);
  return result;
}
