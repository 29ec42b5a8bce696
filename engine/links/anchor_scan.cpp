// Pages are matched the way the old pages were written: lower-case attribute names
// first, then upper-case ones, and only double-quoted addresses.
#include "links/anchor_scan.h"

#include <initializer_list>

#include "links/link_urls.h"

namespace {

constexpr size_t npos = std::string_view::npos;

// The first of two spellings of a word at or after `from`.
size_t find_either(std::string_view text, std::string_view lower, std::string_view upper, size_t from) {
  size_t at = text.find(lower, from);
  return at != npos ? at : text.find(upper, from);
}

// The next occurrence of word `which` at or after `from`; `from` never decreases
// from one call to the next for the same word.
size_t find_kept(AnchorScan *scan, int which, std::string_view word, size_t from) {
  size_t &kept = scan->next[which];
  if (kept == AnchorScan::kUnsearched || (kept != npos && kept < from)) kept = scan->page.find(word, from);
  return kept;
}

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char &c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// True when the anchor wraps exactly one picture and no table, cell, font, body or frame.
bool wraps_one_picture(std::string_view anchor) {
  std::string lower = lowered(anchor);
  size_t img = lower.find("<img");
  if (img == npos) return false;
  for (const char *tag : {"<img", "<td", "<th", "<font", "<body", "<frame", "<table"})
    if (lower.find(tag, img + 1) != npos) return false;
  return true;
}

// The text between the first two double quotes at or after `from`; false when a quote is missing.
bool quoted(std::string_view text, size_t from, std::string *out) {
  size_t open = text.find('"', from);
  if (open == npos) return false;
  size_t close = text.find('"', open + 1);
  if (close == npos) return false;
  *out = std::string(text.substr(open + 1, close - open - 1));
  return true;
}

void canonicalise(std::string *address) {
  std::string canonical;
  if (canonical_address(*address, &canonical)) *address = std::move(canonical);
}

// The two addresses of one anchor's text; false when it is rejected.
bool addresses_of(std::string_view anchor, AnchorAddresses *out) {
  if (anchor.size() >= kMaxAnchorText || !wraps_one_picture(anchor)) return false;
  size_t img = find_either(anchor, "<img", "<IMG", 0);
  if (img == npos) return false;  // a mixed-case tag such as "<Img"
  size_t cut = anchor.find("src", img);
  if (cut == npos) cut = anchor.find("SRC");
  if (cut == npos) return false;
  std::string_view before = anchor.substr(0, cut);
  // The span starts at the first "href" after the last anchor, which may be a
  // <link> of the page's head (every page of today has a style sheet or icon):
  // the picture's anchor is the last "href" before it.
  size_t own = before.rfind("href");
  size_t own_upper = before.rfind("HREF");
  if (own == npos || (own_upper != npos && own_upper > own)) own = own_upper;
  before = before.substr(own == npos ? 0 : own);
  if (before.find("mailto") != npos) return false;
  if (!quoted(before, 0, &out->link) || !quoted(anchor, cut, &out->picture)) return false;
  // An empty address names nothing: the anchor is no link to a picture.
  if (out->link.empty() || out->picture.empty()) return false;
  canonicalise(&out->link);
  canonicalise(&out->picture);
  return true;
}

}  // namespace

bool next_anchor(AnchorScan *scan, AnchorAddresses *out) {
  std::string_view page = scan->page;
  if (scan->pos >= page.size()) return false;
  size_t start = find_kept(scan, 0, "href", scan->pos);
  if (start == npos) start = find_kept(scan, 1, "HREF", scan->pos);
  if (start == npos) return false;
  size_t end = find_kept(scan, 2, "</a", start);
  if (end == npos) end = find_kept(scan, 3, "</A", start);
  if (end == npos) return false;
  *out = AnchorAddresses();
  if (!addresses_of(page.substr(start, end - start), out)) *out = AnchorAddresses();
  scan->pos = end;
  return true;
}
