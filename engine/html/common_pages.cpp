// The frameset page "index.html" and the pages made from the templates:
// "topindex.html", "control.html", "showimg.html", with the viewer script.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/text.h"
#include "html/catalog_common.h"
#include "html/html_escape.h"
#include "html/template_pages.h"
#include "platform/platform.h"

namespace {

constexpr size_t kPieceMax = 255;
constexpr std::string_view kOpenMarker = "//quillo";
constexpr std::string_view kCloseMarker = "//end quillo";

bool begins_with(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

std::string assignment(const char *name, int value) {
  return std::string(name) + " = " + std::to_string(value) + "\n";
}

bool write_catalog_file(const ZunoRecord &rec, const char *name, const std::string &text) {
  return write_catalog_page(join_path(catalog_folder(rec), name), text);
}

// Writes a page made from a template; false (recorded) when the template cannot be
// read or the page cannot be written.
bool write_from_template(const ZunoRecord &rec, const char *name,
                         const std::vector<TemplateReplacement> *reps) {
  std::string source;
  std::string from = template_path(rec, name);
  if (!plat::read_file(from, &source)) {
    record_error("テンプレートを読めません: " + from + ": " + plat::error_text(errno));
    return false;
  }
  return write_catalog_file(rec, name, reps ? apply_template_markers(source, *reps) : source);
}

int write_common_pages(const ZunoRecord &rec) {
  WindowSize win = catalog_window_size(rec);
  std::string body = template_body_line(rec);
  std::vector<TemplateReplacement> top = {
      {"w", assignment("w", win.width)}, {"h", assignment("h", win.height)}, {"<body bgcolor", body}};
  // Every page is tried, so the log names each one that failed.
  bool whole = write_from_template(rec, "topindex.html", &top);
  whole &= write_catalog_file(rec, "index.html", frameset_page(rec));
  whole &= write_from_template(rec, "showimg.html", nullptr);
  std::vector<TemplateReplacement> control = {{"frame_style", assignment("frame_style", rec.FrameStyle)},
                                              {"mywinwidth", assignment("mywinwidth", win.width)},
                                              {"mywinheight", assignment("mywinheight", win.height)},
                                              {"<body bgcolor", body}};
  whole &= write_from_template(rec, "control.html", &control);
  whole &= write_from_template(rec, kViewerScript, nullptr);
  return whole ? 0 : -1;
}

}  // namespace

std::string apply_template_markers(std::string_view source,
                                   const std::vector<TemplateReplacement> &replacements) {
  std::string out;
  out.reserve(source.size());
  bool in_block = false;
  size_t pos = 0;
  while (pos < source.size()) {
    size_t end = source.find('\n', pos);
    end = end == std::string_view::npos ? source.size() : end + 1;
    if (end - pos > kPieceMax) end = pos + kPieceMax;
    std::string piece(source.substr(pos, end - pos));
    pos = end;
    if (!in_block) {
      if (begins_with(piece, kOpenMarker))
        in_block = true;
      else
        out += piece;
      continue;
    }
    for (const TemplateReplacement &r : replacements)
      if (begins_with(piece, r.prefix)) piece = r.line;
    out += piece;
    if (begins_with(piece, kCloseMarker)) in_block = false;
  }
  return out;
}

WindowSize catalog_window_size(const ZunoRecord &rec) {
  switch (rec.FrameStyle) {
    case 0:
      return {rec.WindowSize, rec.FrameSizeRatio};
    case 1:
      return {rec.FrameSizeRatio, rec.WindowSize};
    default:
      return {rec.FrameSizeRatio, rec.FrameSizeRatio};
  }
}

std::string template_body_line(const ZunoRecord &rec) {
  std::string bg = "background=\"" + html_escape(url_path(rec.BackGraund)) + "\" ";
  if (rec.BgFix) bg += "bgproperties=\"fixed\" ";
  return "<body " + bg + "bgcolor=\"" + html_escape(rec.BgColor) + "\" TEXT=\"" + html_escape(rec.TextColor) +
         "\" LINK=\"" + html_escape(rec.LinkColor) + "\" ALINK=\"" + html_escape(rec.ALinkColor) +
         "\" VLINK=\"" + html_escape(rec.VLinkColor) + "\" >\n";
}

std::string frameset_page(const ZunoRecord &rec) {
  const char *keyword = rec.FrameStyle == 0 ? "rows" : "cols";
  // Wide enough that no pair of ints overflows; the settings keep each share within 0..100.
  long long outer = int64_t{rec.IndexRatio} + rec.CntlRatio;
  // Both shares zero would divide by zero: the index frame then gets none.
  long long inner = outer > 0 ? (100 / outer) * rec.IndexRatio : 0;
  char head[512];
  snprintf(head, sizeof head,
           "<html><HEAD><meta charset=\"utf-8\"><TITLE>%s</TITLE></HEAD><frameset %s=\"%lld%%,*\"><frameset "
           "%s=\"%lld%%,*\"><frame src=\"file.html\" name=\"file\"><frame src=\"control.html\" name=\"view\">"
           "</frameset><frame src=\"index000000.html\" name=\"catalog\"></frameset>",
           kCatalogTitle, keyword, outer, keyword, inner);
  return std::string(head) + "<body bgcolor=\"" + html_escape(rec.BgColor) + "\" TEXT=\"" +
         html_escape(rec.TextColor) + "\" LINK=\"" + html_escape(rec.LinkColor) + "\" ALINK=\"" +
         html_escape(rec.ALinkColor) + "\" VLINK=\"" + html_escape(rec.VLinkColor) + "\" ></body></html>";
}

extern "C" int creat_common(ZunoRecord *rec) {
  if (!rec) return -1;
  return guarded(-1, [&] { return write_common_pages(*rec); });
}
