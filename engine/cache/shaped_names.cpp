#include "cache/shaped_names.h"

#include <cctype>
#include <cstring>

#include "collect/file_types.h"
#include "core/text.h"

namespace {

struct TypeExtension {
  const char *content_type;
  const char *extension;
};

constexpr TypeExtension kTypes[] = {
    {"image/jpeg", ".jpg"},      {"image/pjpeg", ".jpg"}, {"image/jpg", ".jpg"},
    {"image/gif", ".gif"},       {"image/png", ".png"},   {"image/x-png", ".png"},
    {"image/apng", ".png"},      {"image/bmp", ".bmp"},   {"image/x-ms-bmp", ".bmp"},
    {"image/tiff", ".tif"},      {"image/webp", ".webp"}, {"image/avif", ".avif"},
    {"video/x-msvideo", ".avi"}, {"video/avi", ".avi"},   {"video/mpeg", ".mpg"},
    {"video/quicktime", ".mov"}, {"text/html", ".htm"},   {"application/xhtml+xml", ".htm"},
};

bool starts(std::string_view s, std::string_view head) {
  return s.size() >= head.size() && s.substr(0, head.size()) == head;
}

bool at(std::string_view s, size_t pos, std::string_view what) {
  return s.size() >= pos + what.size() && s.substr(pos, what.size()) == what;
}

// The format the first bytes show, for responses sent without a useful type.
std::string sniffed_extension(std::string_view b) {
  if (starts(b, "\xFF\xD8\xFF")) return ".jpg";
  if (starts(b, "GIF87a") || starts(b, "GIF89a")) return ".gif";
  if (starts(b, "\x89PNG\r\n\x1A\n")) return ".png";
  if (starts(b, "BM") && b.size() >= 26) return ".bmp";
  if (starts(b, std::string_view("II*\0", 4)) || starts(b, std::string_view("MM\0*", 4))) return ".tif";
  if (starts(b, "RIFF") && at(b, 8, "WEBP")) return ".webp";
  if (starts(b, "RIFF") && at(b, 8, "AVI ")) return ".avi";
  if (at(b, 4, "ftypavif") || at(b, 4, "ftypavis")) return ".avif";
  std::string head = ascii_lower(b.substr(0, 256));
  size_t skip = head.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  if (skip != std::string::npos && (at(head, skip, "<!doctype html") || at(head, skip, "<html")))
    return ".htm";
  return "";
}

std::string_view path_of_url(std::string_view url) {
  size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) {
    url.remove_prefix(scheme + 3);
    size_t slash = url.find('/');
    url = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
  }
  size_t cut = url.find_first_of("?#");
  return cut == std::string_view::npos ? url : url.substr(0, cut);
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string percent_decoded(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    int hi = s[i] == '%' && i + 2 < s.size() ? hex_value(s[i + 1]) : -1;
    int lo = hi >= 0 ? hex_value(s[i + 2]) : -1;
    if (lo >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Length of the UTF-8 sequence at s[i], or 0 when it is not a sound one.
size_t utf8_length(std::string_view s, size_t i) {
  auto c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0x80                          ? 1
             : (c & 0xE0) == 0xC0 && c >= 0xC2 ? 2
             : (c & 0xF0) == 0xE0              ? 3
             : (c & 0xF8) == 0xF0 && c <= 0xF4 ? 4
                                               : 0;
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

bool is_sound_utf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t n = utf8_length(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// Characters that no file name here may hold, or that would read as part of the
// "[N]" suffix or as a hidden file.
bool is_refused(unsigned char c) {
  return c < 0x20 || c == 0x7F || strchr("\\/:*?\"<>|[]%", c) != nullptr;
}

constexpr size_t kMaxStem = 64;

bool is_extension(std::string_view s) {
  if (s.empty() || s.size() > 5) return false;
  for (char c : s)
    if (!isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

std::string shaped_extension(std::string_view content_type, std::string_view body_head,
                             std::string_view url) {
  std::string type = ascii_lower(content_type);
  for (const TypeExtension &t : kTypes)
    if (type == t.content_type) return t.extension;
  std::string sniffed = sniffed_extension(body_head);
  if (!sniffed.empty()) return sniffed;
  std::string own = ascii_lower(extension_of(last_component(path_of_url(url))));
  int code = own.empty() ? -1 : file_type(("x" + own).c_str());
  bool listed = code != -1 && code != TYPE_SHORTCUT && code != TYPE_LINKFILE && code != TYPE_CGI;
  return listed ? own : "";
}

std::string shaped_stem(std::string_view url) {
  std::string_view path = path_of_url(url);
  std::string raw(path.substr(path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1));
  std::string decoded = percent_decoded(raw);
  std::string name = is_sound_utf8(decoded) ? decoded : raw;
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0 && is_extension(std::string_view(name).substr(dot + 1)))
    name.resize(dot);
  std::string out;
  for (size_t i = 0; i < name.size();) {
    size_t n = utf8_length(name, i);
    if (n == 0) n = 1;
    if (out.size() + n > kMaxStem) break;
    bool bad = n == 1 && is_refused(static_cast<unsigned char>(name[i]));
    bool invalid = utf8_length(name, i) == 0;
    out += bad || invalid ? std::string("_") : name.substr(i, n);
    i += n;
  }
  for (size_t i = 0; i < out.size() && (out[i] == '.' || out[i] == ' '); ++i) out[i] = '_';
  while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
  return out.empty() ? std::string("index") : out;
}

std::string shaped_subfolder(std::string_view prefix, std::string_view entry_name) {
  char c = entry_name.empty() ? '0' : static_cast<char>(toupper(static_cast<unsigned char>(entry_name[0])));
  if (!isalnum(static_cast<unsigned char>(c))) c = '0';
  return std::string(prefix) + c;
}

std::string shaped_file_name(std::string_view stem, int n, std::string_view extension) {
  return std::string(stem) + "[" + std::to_string(n) + "]" + std::string(extension);
}
