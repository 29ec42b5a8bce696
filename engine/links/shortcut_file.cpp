#include "links/shortcut_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/text.h"
#include "platform/platform.h"

namespace {

constexpr int64_t kShortcutMaxBytes = 65536;
constexpr int kCatalogSearchDepth = 6;  // output / target / catalog folder, with room to spare

std::string lower(std::string text) {
  for (char &c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A BASEURL value's local page: "file://" [host "localhost"] then an absolute path,
// percent-decoded. "" for anything else.
std::string local_page(const std::string &value) {
  const std::string scheme = "file://";
  if (lower(value.substr(0, scheme.size())) != scheme) return "";
  std::string rest = value.substr(scheme.size());
  if (lower(rest.substr(0, 10)) == "localhost/") rest = rest.substr(9);
  if (rest.empty() || rest[0] != '/') return "";
  std::string path = percent_decode(rest);
  if (path.find('\0') != std::string::npos) return "";
  return path;
}

// Splits "key=value"; false when the line holds no '='.
bool key_value(const std::string &line, std::string *key, std::string *value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *key = line.substr(0, eq);
  while (!key->empty() && (key->back() == ' ' || key->back() == '\t')) key->pop_back();
  *value = line.substr(eq + 1);
  while (!value->empty() && (value->front() == ' ' || value->front() == '\t')) value->erase(0, 1);
  return true;
}

void collect_pages(const std::string &folder, int depth, std::vector<std::string> *pages) {
  std::vector<std::string> names;
  if (depth > kCatalogSearchDepth || !plat::list_dir(folder, &names)) return;
  for (const std::string &name : names) {
    std::string path = join_path(folder, name);
    plat::Stat st;
    if (!plat::stat_entry(path, &st) || st.is_link) continue;
    if (st.is_dir)
      collect_pages(path, depth + 1, pages);
    else if (st.is_file && is_catalog_page_name(path) && lower(extension_of(name)) == ".html")
      pages->push_back(path);
  }
}

}  // namespace

bool is_shortcut_name(const std::string &name) {
  std::string ext = lower(extension_of(name));
  return ext == ".url" || ext == ".desktop";
}

bool is_catalog_page_name(const std::string &path) {
  return last_component(path).rfind("index000", 0) == 0;
}

bool read_shortcut(const std::string &path, Shortcut *out) {
  plat::Stat st;
  if (!plat::stat_path(path, &st) || !st.is_file || st.size > kShortcutMaxBytes) return false;
  std::string data;
  if (!plat::read_file(path, &data)) return false;
  const bool desktop = lower(extension_of(path)) == ".desktop";
  *out = Shortcut{};
  std::string section;
  bool link_type = false;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t end = data.find('\n', pos);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      section = line;
      continue;
    }
    std::string key, value;
    if (!key_value(line, &key, &value)) continue;
    if (desktop) {
      if (section != "[Desktop Entry]") continue;
      if (key == "Type") link_type = value == "Link";
      if ((key == "URL" || key == "URL[$e]") && out->url.empty()) out->url = value;
      continue;
    }
    // BASEURL is read in any section; the address only in the shortcut's own.
    if (key == "BASEURL" && !out->has_base) {
      out->has_base = true;
      std::string page = local_page(value);
      if (!page.empty() && is_catalog_page_name(page) && plat::stat_path(page, &st) && st.is_file)
        out->page = page;
    } else if (key == "URL" && section == "[InternetShortcut]" && out->url.empty()) {
      out->url = value;
    }
  }
  return !desktop || link_type;
}

std::string web_address(const std::string &url) {
  size_t at = url.find("http");
  if (at == std::string::npos) return "";
  std::string address = url.substr(at);
  if (!address.empty() && address.back() == '/') address.pop_back();
  std::string scheme = lower(address.substr(0, 8));
  if (scheme.rfind("http://", 0) != 0 && scheme.rfind("https://", 0) != 0) return "";
  for (unsigned char c : address)
    if (c <= ' ' || c == '"' || c == '\'' || c == '<' || c == '>' || c == 0x7F) return "";
  return address;
}

bool quoted_argument(const std::string &url, std::string *text) {
  size_t open = url.find('\'');
  if (open == std::string::npos) return false;
  // A quote escaped inside the script string does not end it.
  size_t close = open + 1;
  while (close < url.size() && url[close] != '\'') close += url[close] == '\\' ? 2 : 1;
  if (close >= url.size()) return false;
  *text = url.substr(open + 1, close - open - 1);
  return true;
}

std::string percent_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 && hex_value(text[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string script_unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    char next = text[++i];
    if (next == 'x' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 && hex_value(text[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
      i += 2;
    } else {
      out += next;
    }
  }
  return out;
}

std::string html_unescape(std::string_view text) {
  static const struct {
    const char *entity;
    char c;
  } kEntities[] = {{"&amp;", '&'}, {"&quot;", '"'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&#39;", '\''}};
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    bool replaced = false;
    for (const auto &e : kEntities) {
      size_t n = strlen(e.entity);
      if (text.compare(i, n, e.entity) == 0) {
        out += e.c;
        i += n - 1;
        replaced = true;
        break;
      }
    }
    if (!replaced) out += text[i];
  }
  return out;
}

std::vector<std::string> catalog_pages_below(const std::string &folder) {
  std::vector<std::string> pages;
  if (!folder.empty()) collect_pages(without_trailing_separator(folder), 0, &pages);
  std::sort(pages.begin(), pages.end());
  return pages;
}
