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

}  // namespace

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
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
  for (char c : path) {
    out += c;
    if (c == '%') out += "25";
  }
  return js_string(out);
}
