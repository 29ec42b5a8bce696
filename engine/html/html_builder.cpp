#include "html/html_builder.h"

#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <list>
#include <optional>

#include "core/error_log.h"
#include "html/html_escape.h"
#include "platform/platform.h"

namespace {

struct TagRow {
  int id;
  bool paired;
  const char *tag;
};

constexpr TagRow kTags[] = {
    {1, true, "<html>"},  {2, true, "<head>"}, {3, true, "<title>"},    {4, true, "<body>"},
    {5, true, "<a>"},     {6, true, "<img>"},  {7, true, "<frameset>"}, {8, false, "<frame>"},
    {9, false, "<base>"}, {10, false, "<br>"}, {11, true, "<table>"},   {12, true, "<td>"},
    {13, true, "<tr>"},   {14, true, "<th>"},
};
constexpr int kIdHtml = 1, kIdHead = 2, kIdBody = 4;

using Lines = std::list<std::string>;
using Line = Lines::iterator;

// Landmarks make the inserts that every writer does (under html, head and body)
// constant time, however long the page grows.
struct Landmark {
  std::optional<Line> start, end;
};

struct HtmlDoc {
  bool in_use = false;
  Lines lines;
  Landmark html, head, body;
};

struct PageEntry {
  int doc = -1;
  std::string path;
};

HtmlDoc g_docs[kHtmlDocMax];
// Lines of freed documents with their room, taken by the next pages' lines: pages of a catalog
// are alike, so most lines then need no allocation at all.
Lines g_spare;
constexpr size_t kSpareMax = 16384;
PageEntry g_pages[kHtmlPageMax];
int g_depth = 0;

HtmlDoc *doc_at(int doc) {
  if (doc < 0 || doc >= kHtmlDocMax || !g_docs[doc].in_use) return nullptr;
  return &g_docs[doc];
}

const TagRow *row_of(const char *text) {
  int id = html_tag_id(text);
  for (const TagRow &r : kTags)
    if (r.id == id) return &r;
  return nullptr;
}

Landmark *landmark_of(HtmlDoc &d, int id) {
  switch (id) {
    case kIdHtml:
      return &d.html;
    case kIdHead:
      return &d.head;
    case kIdBody:
      return &d.body;
    default:
      return nullptr;
  }
}

// Side 0 walks down from the first line, side 1 up from the last.
std::optional<Line> find_line(HtmlDoc &d, const char *tag, int side, bool skip_end_tags) {
  auto fits = [&](const std::string &s) {
    if (skip_end_tags && s.size() > 1 && s[1] == '/') return false;
    return html_tag_match(s.c_str(), tag);
  };
  if (side == kAfterStart) {
    for (Line it = d.lines.begin(); it != d.lines.end(); ++it)
      if (fits(*it)) return it;
  } else {
    for (auto it = d.lines.rbegin(); it != d.lines.rend(); ++it)
      if (fits(*it)) return std::prev(it.base());
  }
  return std::nullopt;
}

std::optional<Line> anchor_line(HtmlDoc &d, int side, const char *anchor) {
  if (Landmark *m = landmark_of(d, html_tag_id(anchor))) return side == kAfterStart ? m->start : m->end;
  return find_line(d, anchor, side, false);
}

void note_landmark(HtmlDoc &d, Line it) {
  Landmark *m = landmark_of(d, html_tag_id(it->c_str()));
  if (!m) return;
  if (it->size() > 1 && (*it)[1] == '/')
    m->end = it;
  else
    m->start = it;
}

Line insert_at(HtmlDoc &d, Line anchor, int side, std::string_view line) {
  Line pos = side == kAfterStart ? std::next(anchor) : anchor;
  Line it;
  if (g_spare.empty()) {
    it = d.lines.insert(pos, std::string(line));
  } else {
    it = g_spare.begin();
    d.lines.splice(pos, g_spare, it);
    it->assign(line);
  }
  note_landmark(d, it);
  return it;
}

bool line_too_long(size_t n) {
  if (n <= kHtmlLineMax) return false;
  record_error("HTML の行が " + std::to_string(kHtmlLineMax) + " バイトを超えるため省きました");
  return true;
}

// One line at a time is built in a buffer that keeps its room from line to line, so a
// page of thousands of links allocates for its lines and little else.
std::string &line_buffer() {
  thread_local std::string buffer;
  buffer.clear();
  return buffer;
}

// The printf-formatted line, valid until the next call: one vsnprintf unless the line
// outgrows the buffer.
std::string_view format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string_view format(const char *fmt, ...) {
  thread_local std::string buffer(512, '\0');
  va_list ap;
  va_start(ap, fmt);
  va_list again;
  va_copy(again, ap);
  int n = vsnprintf(buffer.data(), buffer.size(), fmt, ap);
  va_end(ap);
  if (n >= 0 && static_cast<size_t>(n) >= buffer.size()) {
    buffer.resize(static_cast<size_t>(n) + 1);
    vsnprintf(buffer.data(), buffer.size(), fmt, again);
  }
  va_end(again);
  return std::string_view(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

std::string attr_url(std::string_view path) {
  return html_escape(url_path(path));
}

// A "%s" argument ends at its first NUL byte; the lines built by appending keep that cut.
std::string_view c_string(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

void append_number(std::string &out, long long v) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v);
  out.append(digits, static_cast<size_t>(end - digits));
}

// Inserts "<a>" at the start (side 0) or end (side 1) of the top page's body and
// attaches the attribute text that closes it around the inner element.
int add_anchor_element(int side, bool attach, std::string_view attrs) {
  if (g_depth <= 0) return -1;
  int doc = g_pages[g_depth - 1].doc;
  if (html_insert_tag(doc, side, "<body>", "<a>") < 0) return -1;
  if (!attach) return 0;
  return html_add_attr(doc, side, "<a>", attrs);
}

}  // namespace

int html_tag_id(const char *text) {
  if (!text || !*text) return -1;
  const char *slash = strchr(text, '/');
  const char *rest = slash ? slash + 1 : text + 1;
  // Every line passes through here on its way in: the first letter rules out most rows.
  for (const TagRow &r : kTags)
    if (rest[0] == r.tag[1] && strcmp(rest, r.tag + 1) == 0) return r.id;
  return -1;
}

bool html_tag_match(const char *line, const char *tag) {
  if (strcmp(line, tag) == 0) return true;
  const char *a = line, *b = tag;
  while (*a && *b) {
    if (*a == '/') ++a;
    if (*b == '/') ++b;
    if (!*a || !*b) break;
    bool same = *a == *b || (*a == ' ' && *b == '>') || (*a == '>' && *b == ' ');
    if (!same) return false;
    ++a;
    ++b;
  }
  return true;
}

int html_doc_new() {
  for (int i = 0; i < kHtmlDocMax; ++i) {
    HtmlDoc &d = g_docs[i];
    if (d.in_use) continue;
    d = HtmlDoc{};
    d.in_use = true;
    d.html.start = d.lines.insert(d.lines.end(), "<html>");
    d.html.end = d.lines.insert(d.lines.end(), "</html>");
    return i;
  }
  return -1;
}

int html_insert_tag(int doc, int side, const char *anchor, const char *tag) {
  HtmlDoc *d = doc_at(doc);
  if (!d || !tag) return -1;
  std::optional<Line> at = anchor_line(*d, side, anchor);
  if (!at) return -1;
  insert_at(*d, *at, side, tag);
  const TagRow *row = row_of(tag);
  if (row && row->paired && tag[0] && tag[1] != '/') {
    std::string end_tag = std::string(1, tag[0]) + "/" + (tag + 1);
    std::optional<Line> end_at = anchor_line(*d, kBeforeEnd, anchor);
    if (end_at) insert_at(*d, *end_at, kBeforeEnd, std::move(end_tag));
  }
  return 0;
}

int html_insert_text(int doc, int side, const char *anchor, std::string_view text) {
  HtmlDoc *d = doc_at(doc);
  if (!d || line_too_long(text.size())) return -1;
  // An empty line would match every tag in the later searches: it is never stored.
  if (text.empty()) return 0;
  std::optional<Line> at = anchor_line(*d, side, anchor);
  if (!at) return -1;
  insert_at(*d, *at, side, std::string(text));
  return 0;
}

int html_add_attr_text(int doc, int side, const char *tag, std::string_view attrs, std::string_view text) {
  HtmlDoc *d = doc_at(doc);
  if (!d) return -1;
  std::optional<Line> at = find_line(*d, tag, side, true);
  if (!at) return -1;
  std::string &line = **at;
  if (line.empty() || line_too_long(line.size() + 1 + attrs.size() + text.size())) return -1;
  line.reserve(line.size() + 1 + attrs.size() + text.size());
  line.pop_back();
  line += ' ';
  line += attrs;
  line += '>';
  line += text;
  return 0;
}

int html_add_attr(int doc, int side, const char *tag, std::string_view attrs) {
  return html_add_attr_text(doc, side, tag, attrs, "");
}

std::string html_doc_text(int doc) {
  HtmlDoc *d = doc_at(doc);
  std::string out;
  if (!d) return out;
  size_t n = 0;
  for (const std::string &s : d->lines) n += s.size() + 1;
  out.reserve(n);
  for (const std::string &s : d->lines) {
    out += s;
    out += '\n';
  }
  return out;
}

int html_doc_lines(int doc) {
  HtmlDoc *d = doc_at(doc);
  return d ? static_cast<int>(d->lines.size()) : -1;
}

int html_doc_free(int doc) {
  if (doc < 0 || doc >= kHtmlDocMax) return 0;
  g_spare.splice(g_spare.end(), g_docs[doc].lines);
  while (g_spare.size() > kSpareMax) g_spare.pop_back();
  g_docs[doc] = HtmlDoc{};
  return 0;
}

int html_creat_hl(const std::string &path, std::string_view title) {
  if (g_depth >= kHtmlPageMax) {
    plat::print_error("html_creat_hl error");
    return record_error("同時に開けるページの数（" + std::to_string(kHtmlPageMax) + "）を超えました");
  }
  int doc = html_doc_new();
  if (doc < 0) {
    plat::print_error("html_creat_hl error");
    return -1;
  }
  html_insert_tag(doc, kAfterStart, "<html>", "<head>");
  html_insert_tag(doc, kAfterStart, "<head>", "<title>");
  html_insert_text(doc, kAfterStart, "<title>", html_escape(title));
  // The charset goes first in the head, before anything the browser must decode.
  html_insert_text(doc, kAfterStart, "<head>", "<meta charset=\"utf-8\">");
  html_insert_tag(doc, kBeforeEnd, "<head>", "<base>");
  html_add_attr(doc, kAfterStart, "<base>", "target=view");
  g_pages[g_depth].doc = doc;
  g_pages[g_depth].path = path;
  ++g_depth;
  return 0;
}

int html_close_page(const std::string &path) {
  if (g_depth <= 0 || g_pages[g_depth - 1].path != path) return -1;
  PageEntry &top = g_pages[g_depth - 1];
  int err = plat::write_file_replace(path, html_doc_text(top.doc));
  if (err != 0) record_error("ページを書けません: " + path + ": " + plat::error_text(err));
  html_doc_free(top.doc);
  top = PageEntry{};
  --g_depth;
  return err != 0 ? -1 : 0;
}

int html_open_pages() {
  return g_depth;
}

int html_top_doc() {
  return g_depth > 0 ? g_pages[g_depth - 1].doc : -1;
}

void html_discard_pages(int depth) {
  while (g_depth > depth && g_depth > 0) {
    html_doc_free(g_pages[g_depth - 1].doc);
    g_pages[g_depth - 1] = PageEntry{};
    --g_depth;
  }
}

void html_reset() {
  for (int i = 0; i < kHtmlDocMax; ++i) html_doc_free(i);
  g_spare.clear();
  for (PageEntry &p : g_pages) p = PageEntry{};
  g_depth = 0;
}

int html_add_head_script(std::string_view src_path) {
  int doc = html_top_doc();
  if (doc < 0) return -1;
  // At the end of the head: the charset and title stay first.
  return html_insert_text(doc, kBeforeEnd, "<head>", "<script src=\"" + attr_url(src_path) + "\"></script>");
}

int html_set_body(const char *background, int fixed, const char *bgcolor, const char *text, const char *link,
                  const char *alink, const char *vlink) {
  int doc = html_top_doc();
  if (doc < 0) return -1;
  std::string bg;
  if (background) {
    bg = "background=\"" + attr_url(background) + "\" ";
    if (fixed) bg += "bgproperties=\"fixed\" ";
  }
  if (html_insert_tag(doc, kBeforeEnd, "<html>", "<body>") < 0) return -1;
  auto c = [](const char *s) { return html_escape(s ? s : ""); };
  return html_add_attr(doc, kAfterStart, "<body>",
                       bg + "bgcolor=\"" + c(bgcolor) + "\" TEXT=\"" + c(text) + "\" LINK=\"" + c(link) +
                           "\" ALINK=\"" + c(alink) + "\" VLINK=\"" + c(vlink) + "\"");
}

int html_add_thumb_link(bool attach, std::string_view link_path, std::string_view thumb_path, int thumb_w,
                        int thumb_h, int pic_w, int pic_h, int64_t size_bytes, bool size_capped,
                        std::string_view date) {
  // The two ratios of the alt text; a zero divisor gives 0 rather than a crash.
  long long density = size_bytes > 0 ? static_cast<long long>(pic_w) * pic_h / size_bytes : 0;
  int shape = pic_h != 0 ? pic_w / pic_h : 0;
  thread_local std::string argument;
  argument.clear();
  append_showcg_argument(argument, link_path);
  std::string &attrs = line_buffer();
  auto side = [&](int v) {
    append_number(attrs, v);
    if (size_capped && v == INT16_MAX) attrs += "以上";
  };
  attrs += "href=\"JavaScript:showcg('";
  append_html_escaped(attrs, argument);
  attrs += "',";
  append_number(attrs, pic_w);
  attrs += ',';
  append_number(attrs, pic_h);
  attrs += ")\" target=\"_self\"><img src=\"";
  append_attr_url(attrs, thumb_path);
  attrs += "\" width=\"";
  append_number(attrs, thumb_w);
  attrs += "\" height=\"";
  append_number(attrs, thumb_h);
  attrs += "\" alt=\"";
  append_html_escaped(attrs, c_string(thumb_path));
  attrs += " (";
  side(pic_w);
  attrs += 'X';
  side(pic_h);
  attrs += ")(";
  append_number(attrs, size_bytes);
  attrs += "Bytes)Ratio(";
  append_number(attrs, density);
  attrs += ':';
  append_number(attrs, shape);
  attrs += ")\" border=\"0\" loading=\"lazy\"";
  if (!date.empty()) {
    attrs += " data-date=\"";
    append_html_escaped(attrs, date);
    attrs += '"';
  }
  return add_anchor_element(kBeforeEnd, attach, attrs);
}

int html_add_nav_link(const char *target, bool attach, std::string_view address, std::string_view image,
                      int w, int h, std::string_view alt) {
  std::string_view attrs =
      format("href=\"%s\" target=\"%s\"><img src=\"%s\" width=\"%d\" height=\"%d\" alt=\"%s\" border=\"0\"",
             attr_url(address).c_str(), html_escape(target ? target : "").c_str(), attr_url(image).c_str(), w,
             h, html_escape(alt).c_str());
  return add_anchor_element(kAfterStart, attach, attrs);
}

int html_add_url_link(const char *target, bool attach, std::string_view url, std::string_view image, int w,
                      int h) {
  std::string_view attrs = format(
      "href=\"%s\" target=\"%s\"><img src=\"%s\" width=\"%d\" height=\"%d\" alt=\"%s\" border=\"0\" "
      "loading=\"lazy\"",
      html_escape(url).c_str(), html_escape(target ? target : "").c_str(), attr_url(image).c_str(), w, h,
      html_escape(url).c_str());
  return add_anchor_element(kBeforeEnd, attach, attrs);
}

int html_add_page_link(const char *target, bool attach, std::string_view address, std::string_view image,
                       int w, int h, std::string_view alt) {
  std::string_view attrs =
      format("href=\"%s\" target=\"%s\"><img src=\"%s\" width=\"%d\" height=\"%d\" alt=\"%s\" border=\"0\"",
             attr_url(address).c_str(), html_escape(target ? target : "").c_str(), attr_url(image).c_str(), w,
             h, html_escape(alt).c_str());
  return add_anchor_element(kBeforeEnd, attach, attrs);
}

int html_add_embed_link(const char *target, bool attach, std::string_view address, std::string_view source,
                        int w, int h) {
  std::string_view attrs = format(
      "href=\"%s\" target=\"%s\"><embed src=\"%s\" width=\"%d\" height=\"%d\" border=\"0\"",
      attr_url(address).c_str(), html_escape(target ? target : "").c_str(), attr_url(source).c_str(), w, h);
  return add_anchor_element(kBeforeEnd, attach, attrs);
}

int html_add_movie_link(const char *target, bool attach, std::string_view address, std::string_view source,
                        int w, int h) {
  std::string_view attrs = format(
      "href=\"%s\" target=\"%s\"><img dynsrc=\"%s\" width=\"%d\" height=\"%d\" border=\"0\"",
      attr_url(address).c_str(), html_escape(target ? target : "").c_str(), attr_url(source).c_str(), w, h);
  return add_anchor_element(kBeforeEnd, attach, attrs);
}

int html_add_video(std::string_view source, std::string_view poster, int w, int h, std::string_view title) {
  int doc = html_top_doc();
  if (doc < 0) return -1;
  std::string_view line = format(
      "<video src=\"%s\" poster=\"%s\" width=\"%d\" height=\"%d\" title=\"%s\" controls "
      "preload=\"none\"></video>",
      attr_url(source).c_str(), attr_url(poster).c_str(), w, h, html_escape(title).c_str());
  return html_insert_text(doc, kBeforeEnd, "<body>", line);
}

int html_add_movie_file_link(std::string_view address, std::string_view icon, int w, int h,
                             std::string_view title) {
  std::string_view attrs = format(
      "href=\"%s\" target=\"_blank\" class=\"movie-file\" title=\"%s\"><img src=\"%s\" width=\"%d\" "
      "height=\"%d\" alt=\"%s\" border=\"0\" loading=\"lazy\"",
      attr_url(address).c_str(), html_escape(title).c_str(), attr_url(icon).c_str(), w, h,
      html_escape(title).c_str());
  return add_anchor_element(kBeforeEnd, true, attrs);
}

int html_add_text_link(bool attach, std::string_view address, std::string_view text) {
  if (!attach) return 0;
  int doc = html_top_doc();
  if (doc < 0) return -1;
  if (add_anchor_element(kBeforeEnd, true, "href=\"" + attr_url(address) + "\" target=catalog") < 0)
    return -1;
  return html_insert_text(doc, kBeforeEnd, "<a>", html_escape(text));
}

int html_add_br() {
  int doc = html_top_doc();
  if (doc < 0) return -1;
  return html_insert_tag(doc, kBeforeEnd, "<body>", "<br>");
}
