// Header values arrive from the web: every value is trimmed and compared without
// case, and a number that does not fit is treated as absent rather than wrapped.
#include "cache/response_head.h"

#include <cctype>
#include <string>

#include "core/text.h"

namespace {

bool fits(size_t size, size_t offset, size_t width) {
  return offset <= size && size - offset >= width;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ascii_lower(a) == ascii_lower(b);
}

// Decimal digits only, at most 19 of them so that the value cannot wrap.
bool parse_length(std::string_view text, uint64_t *v) {
  if (text.empty() || text.size() > 19) return false;
  uint64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  *v = n;
  return true;
}

}  // namespace

bool le32_at(const uint8_t *data, size_t size, size_t offset, uint32_t *v) {
  if (!fits(size, offset, 4)) return false;
  const uint8_t *p = data + offset;
  *v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return true;
}

bool le64_at(const uint8_t *data, size_t size, size_t offset, uint64_t *v) {
  uint32_t lo, hi;
  if (!fits(size, offset, 8) || !le32_at(data, size, offset, &lo) || !le32_at(data, size, offset + 4, &hi))
    return false;
  *v = uint64_t(hi) << 32 | lo;
  return true;
}

bool be32_at(const uint8_t *data, size_t size, size_t offset, uint32_t *v) {
  if (!fits(size, offset, 4)) return false;
  const uint8_t *p = data + offset;
  *v = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
  return true;
}

int status_of_line(std::string_view line) {
  if (line.size() < 5 || ascii_lower(line.substr(0, 5)) != "http/") return 0;
  size_t space = line.find(' ');
  if (space == std::string_view::npos || line.size() - space < 4) return 0;
  std::string_view code = line.substr(space + 1, 3);
  for (char c : code)
    if (c < '0' || c > '9') return 0;
  if (line.size() - space > 4 && line[space + 4] != ' ') return 0;
  int status = (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
  return status >= 100 ? status : 0;
}

void take_header_line(std::string_view line, HeadFields *out) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  std::string_view name = trimmed(line.substr(0, colon));
  std::string_view value = trimmed(line.substr(colon + 1));
  CachedResponse &r = out->response;
  if (same_name(name, "content-type")) {
    if (r.content_type.empty()) r.content_type = ascii_lower(trimmed(value.substr(0, value.find(';'))));
  } else if (same_name(name, "content-encoding")) {
    if (value.empty()) return;
    if (!r.content_encoding.empty()) r.content_encoding += ", ";
    r.content_encoding += ascii_lower(value);
  } else if (same_name(name, "content-range")) {
    if (r.content_range.empty()) r.content_range = std::string(value);
  } else if (same_name(name, "content-length")) {
    if (!out->has_length) out->has_length = parse_length(value, &out->content_length);
  }
}
