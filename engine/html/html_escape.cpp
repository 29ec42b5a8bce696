#include "html/html_escape.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool is_unreserved(unsigned char c) {
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

// Calls take(run) for each stretch of well-formed UTF-8 and stray(byte) for each byte
// outside one, in order.
template <typename Run, typename Stray>
void split_utf8(std::string_view text, Run take, Stray stray) {
  size_t start = 0, at = 0;
  while (at < text.size()) {
    size_t length = utf8_length_at(text, at);
    if (length != 0) {
      at += length;
      continue;
    }
    take(text.substr(start, at - start));
    stray(static_cast<unsigned char>(text[at]));
    start = ++at;
  }
  take(text.substr(start));
}

// & " < > ' of a run of text as entities, appended to out.
void append_escaped(std::string &out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
}

}  // namespace

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  // Pages are UTF-8: a name from an old disk (Shift-JIS, Latin-1) shows its stray bytes
  // as U+FFFD rather than making the page invalid.
  split_utf8(
      text, [&](std::string_view run) { append_escaped(out, run); },
      [&](unsigned char) { out += "\xEF\xBF\xBD"; });
  return out;
}

std::string url_path(std::string_view path) {
  std::string out;
  out.reserve(path.size() + path.size() / 4);
  for (char ch : path) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (is_unreserved(c) || c == '/')
      out += ch;
    else
      append_percent(out, c);
  }
  return out;
}

std::string js_string(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\\' || c == '\'' || c == '"') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == '<' || c == '>') {
      // \xNN keeps control bytes and tag brackets out of the surrounding markup.
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string showcg_argument(std::string_view path) {
  std::string out;
  out.reserve(path.size() + 8);
  auto take = [&](std::string_view run) {
    std::string marked;
    for (char c : run) {
      marked += c;
      if (c == '%') marked += "25";
    }
    out += js_string(marked);
  };
  // A byte outside UTF-8 goes as the lone surrogate U+DC00 + byte: a javascript: URL
  // is read as UTF-8, so the byte itself would arrive as U+FFFD and name another file.
  auto stray = [&](unsigned char c) {
    out += "\\uDC";
    out += kHex[c >> 4];
    out += kHex[c & 15];
  };
  split_utf8(path, take, stray);
  return out;
}
