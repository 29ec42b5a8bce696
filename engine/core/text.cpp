#include "core/text.h"

#include <cstring>

#include "core/error_log.h"
#include "zuno.h"

size_t utf8_boundary(std::string_view s, size_t n) {
  while (n > 0 && n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

bool copy_field(char *dst, size_t cap, std::string_view src, const char *what) {
  if (cap == 0) return false;
  if (src.size() < cap) {
    memcpy(dst, src.data(), src.size());
    dst[src.size()] = '\0';
    return true;
  }
  size_t n = utf8_boundary(src, cap - 1);
  memcpy(dst, src.data(), n);
  dst[n] = '\0';
  record_error(std::string("値が長すぎるため ") + std::to_string(cap - 1) +
               " バイトに切り詰めました: " + what);
  return false;
}

void write_buffer(char **buffer, std::string_view value, const char *what) {
  if (!buffer || !*buffer) return;
  copy_field(*buffer, ZUNO_BUFSIZE, value, what);
}

std::string join_path(std::string_view a, std::string_view b) {
  std::string out(a);
  if (out.empty() || out.back() != '/') out += '/';
  size_t skip = 0;
  while (skip < b.size() && b[skip] == '/') ++skip;
  out.append(b.substr(skip));
  return out;
}

std::string last_component(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string folder_of(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return "";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string stem_of(std::string_view name) {
  size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot));
}

std::string extension_of(std::string_view name) {
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? std::string() : std::string(name.substr(dot));
}

std::string ascii_lower(std::string_view text) {
  std::string out(text);
  for (char &c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string without_trailing_separator(std::string_view path) {
  if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}
