// The anchor scanner: finds, in the text of a cached page, the anchors that wrap a
// single picture, and the two addresses each one names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Anchors of this many characters or more are ignored.
constexpr size_t kMaxAnchorText = 1024;

struct AnchorAddresses {
  std::string link;     // where the anchor leads, canonical when it could be made so
  std::string picture;  // the picture it wraps, likewise
};

// A scan through one page. Each word the scan looks for is remembered where it was
// found next, so a page that never uses one spelling ("href" or "HREF", "</a" or
// "</A") is searched to its end once, not once per anchor.
struct AnchorScan {
  explicit AnchorScan(std::string_view text) : page(text) {}
  std::string_view page;
  size_t pos = 0;  // where the next search starts
  size_t next[4] = {kUnsearched, kUnsearched, kUnsearched, kUnsearched};
  static constexpr size_t kUnsearched = static_cast<size_t>(-2);
};

// Looks for the next anchor at or after the scan's position. Returns false when the
// page holds no further anchor (nothing changed). Returns true with the position
// moved past the anchor and `out` holding its two addresses, both empty when the
// anchor was rejected: too long, no picture, a second picture or a table cell, frame
// or font inside, a "mailto" link, or an address that is not in double quotes.
// Every step moves the position forward.
bool next_anchor(AnchorScan *scan, AnchorAddresses *out);
