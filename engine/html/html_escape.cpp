#include "html/html_escape.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

constexpr bool is_unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

void append_percent(std::string &out, unsigned char c) {
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 15];
}

// The length of the well-formed UTF-8 sequence at text[at], 0 when the byte there
// starts none (a stray continuation byte, an overlong form, a surrogate, a cut end).
size_t utf8_length_at(std::string_view text, size_t at) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char c = byte(at);
  if (c < 0x80) return 1;
  size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i)
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  unsigned char second = byte(at + 1);
  if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90) ||
      (c == 0xF4 && second > 0x8F))
    return 0;
  return length;
}

// What a byte below 0x80 becomes in a page: nothing (kept), or its entity.
struct EntityTable {
  const char *text[128] = {};
  constexpr EntityTable() {
    text[static_cast<unsigned char>('&')] = "&amp;";
    text[static_cast<unsigned char>('"')] = "&quot;";
    text[static_cast<unsigned char>('<')] = "&lt;";
    text[static_cast<unsigned char>('>')] = "&gt;";
    text[static_cast<unsigned char>('\'')] = "&#39;";
  }
};
constexpr EntityTable kEntities;

// Bytes a URL path keeps as they are.
struct KeptTable {
  bool kept[256] = {};
  constexpr KeptTable() {
    for (int c = 0; c < 256; ++c) kept[c] = is_unreserved(static_cast<unsigned char>(c)) || c == '/';
  }
};
constexpr KeptTable kUrlKept;

// Bytes a script string must escape: 1 for a backslash before it, 2 for \xNN.
struct ScriptTable {
  unsigned char how[256] = {};
  constexpr ScriptTable() {
    for (int c = 0; c < 0x20; ++c) how[c] = 2;
    for (unsigned char c : {'<', '>'}) how[c] = 2;
    for (unsigned char c : {'\\', '\'', '"'}) how[c] = 1;
  }
};
constexpr ScriptTable kScript;

void append_script_escape(std::string &out, unsigned char c) {
  if (kScript.how[c] == 1) {
    out += '\\';
    out += static_cast<char>(c);
  } else {
    // \xNN keeps control bytes and tag brackets out of the surrounding markup.
    const char seq[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
    out.append(seq, 4);
  }
}

}  // namespace

// Runs of bytes that stay as they are go in with one append each; pages are mostly such runs.
void append_html_escaped(std::string &out, std::string_view text) {
  const char *p = text.data();
  size_t n = text.size(), start = 0, at = 0;
  while (at < n) {
    unsigned char c = static_cast<unsigned char>(p[at]);
    if (c < 0x80) {
      if (const char *entity = kEntities.text[c]) {
        out.append(p + start, at - start);
        out += entity;
        start = ++at;
      } else {
        ++at;
      }
      continue;
    }
    if (size_t length = utf8_length_at(text, at)) {
      at += length;
      continue;
    }
    // Pages are UTF-8: a name from an old disk (Shift-JIS, Latin-1) shows its stray bytes
    // as U+FFFD rather than making the page invalid.
    out.append(p + start, at - start);
    out += "\xEF\xBF\xBD";
    start = ++at;
  }
  out.append(p + start, n - start);
}

void append_url_path(std::string &out, std::string_view path) {
  const char *p = path.data();
  size_t n = path.size(), start = 0;
  for (size_t at = 0; at < n; ++at) {
    unsigned char c = static_cast<unsigned char>(p[at]);
    if (kUrlKept.kept[c]) continue;
    out.append(p + start, at - start);
    append_percent(out, c);
    start = at + 1;
  }
  out.append(p + start, n - start);
}

void append_attr_url(std::string &out, std::string_view path) {
  // A URL path holds only unreserved bytes, '/' and '%': nothing that HTML escapes.
  append_url_path(out, path);
}

void append_showcg_argument(std::string &out, std::string_view path) {
  const char *p = path.data();
  size_t n = path.size(), start = 0, at = 0;
  auto flush = [&](size_t upto) { out.append(p + start, upto - start); };
  while (at < n) {
    unsigned char c = static_cast<unsigned char>(p[at]);
    if (c >= 0x80) {
      if (size_t length = utf8_length_at(path, at)) {
        at += length;
        continue;
      }
      // A byte outside UTF-8 goes as the lone surrogate U+DC00 + byte: a javascript: URL
      // is read as UTF-8, so the byte itself would arrive as U+FFFD and name another file.
      flush(at);
      const char seq[6] = {'\\', 'u', 'D', 'C', kHex[c >> 4], kHex[c & 15]};
      out.append(seq, 6);
    } else if (c == '%') {
      flush(at + 1);
      out += "25";
    } else if (kScript.how[c]) {
      flush(at);
      append_script_escape(out, c);
    } else {
      ++at;
      continue;
    }
    start = ++at;
  }
  flush(n);
}

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_html_escaped(out, text);
  return out;
}

std::string url_path(std::string_view path) {
  std::string out;
  out.reserve(path.size() + path.size() / 4);
  append_url_path(out, path);
  return out;
}

std::string js_string(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const char *p = text.data();
  size_t n = text.size(), start = 0;
  for (size_t at = 0; at < n; ++at) {
    unsigned char c = static_cast<unsigned char>(p[at]);
    if (!kScript.how[c]) continue;
    out.append(p + start, at - start);
    append_script_escape(out, c);
    start = at + 1;
  }
  out.append(p + start, n - start);
  return out;
}

std::string showcg_argument(std::string_view path) {
  std::string out;
  out.reserve(path.size() + 8);
  append_showcg_argument(out, path);
  return out;
}
