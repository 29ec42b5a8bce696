// The older folder-by-folder catalog behind ZunoMain: one run of pages per folder,
// written straight into OutputPath, with text links down into subfolders and
// picture links back up.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "collect/file_types.h"
#include "collect/picture_header.h"
#include "collect/tree_scan.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/text.h"
#include "html/catalog_common.h"
#include "html/html_builder.h"
#include "html/movie_markup.h"
#include "html/template_pages.h"
#include "platform/platform.h"

namespace {

constexpr int kPageButtonW = 64, kPageButtonH = 32;

// Where a folder's pages stand; saved and restored around each subfolder, as the
// whole settings record once was.
struct FolderPlace {
  std::string target;  // the folder being listed
  int number = 0;      // folder number in the page names
  int page = 0;
  int64_t page_kb = 0;  // a damaged picture may claim up to 2 TiB
  int page_files = 0;
  int depth = 0;
  int parent_ref = 0;  // parent folder number × 1000 + the parent's page number
};

struct FolderCatalog {
  explicit FolderCatalog(ZunoRecord &r) : rec(r) {}

  ZunoRecord &rec;
  int folder_counter = 0;
  bool failed = false;  // a page could not be opened or written

  std::string page_path(int folder, int page) const {
    char name[48];
    snprintf(name, sizeof name, "index%03d%03d.html", folder, page);
    return join_path(rec.OutputPath, name);
  }

  // The previous page of the folder, or for its first page the parent's page that lists it.
  std::string back_reference(const FolderPlace &p) const {
    if (p.page != 0) return page_path(p.number, p.page - 1);
    char name[48];
    snprintf(name, sizeof name, "index%06d.html", p.parent_ref);
    return join_path(rec.OutputPath, name);
  }

  // The buttons live in the program's button folder, where they are installed.
  void add_page_button(const std::string &address, const char *image) {
    html_add_page_link("catalog", true, address, button_path(rec, image), kPageButtonW, kPageButtonH,
                       last_component(address));
  }

  void open_page(const FolderPlace &p) {
    if (html_creat_hl(page_path(p.number, p.page), kCatalogTitle) < 0) failed = true;
    html_add_head_script(kViewerScript);
    html_set_body(rec.BackGraund, rec.BgFix, rec.BgColor, rec.TextColor, rec.LinkColor, rec.ALinkColor,
                  rec.VLinkColor);
  }

  static std::vector<std::string> known_entries(const std::string &folder) {
    std::vector<std::string> names, known;
    plat::list_dir(folder, &names);
    for (std::string &name : names)
      if (file_type_or_folder(join_path(folder, name).c_str()) != -1) known.push_back(std::move(name));
    return known;
  }

  bool descends(const FolderPlace &p) const { return rec.SearchSubdir && p.depth < rec.SubdirDepth; }

  // The scan's rule: a linked folder, which may lead back up the tree, is not entered.
  static bool entered(const std::string &path) {
    plat::Stat st;
    return plat::stat_entry(path, &st) && is_enterable_folder(path, st);
  }

  // A file's link; false when its header cannot be read (it would show as nothing).
  bool write_file_entry(FolderPlace &p, const std::string &path, int type) {
    int16_t dw = 0, dh = 0, w = 0, h = 0;
    int kb = read_picture_header(&rec, path.c_str(), type, &dw, &dh, &w, &h, nullptr);
    if (kb < 0) return false;
    p.page_kb += std::max(kb, 1);  // small files weigh on a page too
    ++p.page_files;
    if (type == TYPE_AVI || type == TYPE_MOVIE)
      add_movie("", path, path, dw, dh, false, button_path(rec, kMovieIcon));
    else
      html_add_thumb_link(true, path, path, dw, dh, dw, dh, 1);
    return true;
  }

  bool page_full(const FolderPlace &p) const {
    if (rec.PageingStyle == 0) return p.page_kb > int64_t{rec.OnePageMax} * 1024;
    if (rec.PageingStyle == 1) return p.page_files > rec.OnePageMax;
    return false;
  }

  void break_page(FolderPlace &p) {
    std::string finished = page_path(p.number, p.page);
    ++p.page;
    add_page_button(back_reference(p), "b01.gif");
    add_page_button(page_path(p.number, p.page), "b03.gif");
    if (html_close_page(finished) != 0) failed = true;
    p.page_kb = 0;
    p.page_files = 0;
    open_page(p);
  }

  void write_subfolder(const FolderPlace &p, const std::string &path) {
    FolderPlace sub;
    sub.number = ++folder_counter;
    sub.parent_ref = p.number * 1000 + p.page;
    sub.target = path;
    sub.page = p.page;
    sub.depth = p.depth + 1;
    write_folder(sub);
  }

  void write_folder(FolderPlace p) {
    if (ZunoSleep() != 0) return;
    std::vector<std::string> names = known_entries(p.target);
    open_page(p);
    for (const std::string &name : names) {
      std::string path = join_path(p.target, name);
      int type = file_type_or_folder(path.c_str());
      if (type == TYPE_FOLDER) {
        if (!descends(p)) continue;
        if (!entered(path)) {
          html_add_text_link(true, path, name);  // listed, as the scan lists it, but not entered
          continue;
        }
        char first[48];
        snprintf(first, sizeof first, "index%03d%03d.html", folder_counter + 1, p.page);
        html_add_text_link(true, first, name);
        write_subfolder(p, path);
      } else if (is_picture_type(type)) {
        if (!write_file_entry(p, path, type)) continue;
      } else {
        continue;
      }
      if (page_full(p)) break_page(p);
    }
    add_page_button(back_reference(p), "b01.gif");
    if (html_close_page(page_path(p.number, p.page)) != 0) failed = true;
  }

  void write_button_frame() {
    int doc = html_doc_new();
    if (doc < 0) return;
    html_insert_tag(doc, kAfterStart, "<html>", "<head>");
    html_insert_tag(doc, kBeforeEnd, "<head>", "<base>");
    html_add_attr(doc, kAfterStart, "<base>", "target=\"catalog\"");
    html_insert_text(doc, kAfterStart, "<head>", "<meta charset=\"utf-8\">");
    html_insert_tag(doc, kBeforeEnd, "<html>", "<body>");
    if (!write_catalog_page(join_path(rec.OutputPath, "btnframe.html"), html_doc_text(doc))) failed = true;
    html_doc_free(doc);
  }

  int run() {
    folder_counter = 0;
    FolderPlace top;
    top.target = without_trailing_separator(rec.TargetPath);
    write_folder(top);
    write_button_frame();
    copy_catalog_file(template_path(rec, kViewerScript), join_path(rec.OutputPath, kViewerScript));
    if (make_frame(&rec) != 0) failed = true;
    return failed ? -1 : 0;
  }
};

// The thumbnails' share of the window in percent. FrameSizeRatio is the catalog
// window's height in pixels for every other page; only a value that can be a share
// is taken as one, else the thumbnails and the viewer get half each.
int thumbnail_share(const ZunoRecord &rec) {
  return rec.FrameSizeRatio > 0 && rec.FrameSizeRatio < 100 ? rec.FrameSizeRatio : 50;
}

int write_frames(const ZunoRecord &rec) {
  const char *keyword = rec.FrameStyle == 0 ? "cols" : "rows";
  char frameset[256];
  snprintf(frameset, sizeof frameset, "<frameset %s=\"%d%%,*\">", keyword, thumbnail_share(rec));
  // The upper frame shows the button frame that make_catalog writes beside the pages.
  std::string index = std::string("<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n") + frameset +
                      "<frameset rows=\"10%,*\"><frame src=\"btnframe.html\" name=\"file\">\n"
                      "<frame src=\"index000000.html\" name=\"catalog\"></frameset>\n"
                      "<frame src=\"frame.html\" name=\"view\">\n</frameset>\n</html>\n";
  bool whole = write_catalog_page(join_path(rec.OutputPath, "index.html"), index);
  // The view frame loads the viewer script, which shows what the thumbnail links hand it.
  std::string frame = "<html>\n<head>\n<meta charset=\"utf-8\">\n<script src=\"" +
                      std::string(kViewerScript) + "\"></script>\n</head>\n" + template_body_line(rec) +
                      "</body>\n</html>\n";
  whole &= write_catalog_page(join_path(rec.OutputPath, "frame.html"), frame);
  return whole ? 0 : -1;
}

}  // namespace

extern "C" int make_catalog(ZunoRecord *rec, char ** /*folder records: kept in memory instead*/) {
  if (!rec) return -1;
  int depth = html_open_pages();
  int result = guarded(-1, [&] {
    FolderCatalog catalog(*rec);
    return catalog.run();
  });
  html_discard_pages(depth);
  return result;
}

extern "C" int make_frame(ZunoRecord *rec) {
  if (!rec) return -1;
  return guarded(-1, [&] { return write_frames(*rec); });
}
