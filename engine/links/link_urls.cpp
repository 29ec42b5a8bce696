#include "links/link_urls.h"

#include <curl/curl.h>
#include <strings.h>

#include <cstring>

#include "cache/url_canon.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// Bytes a page may hold raw inside an address but the parser refuses or keeps as
// they are; written as a browser would send them, in the normal form's upper-case hex.
std::string escaped_for_parser(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c > 0x20 && c < 0x7F && !strchr("\"<>\\^`{|}", c)) {
      out += ch;
      continue;
    }
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

// One parsed address; the handle is released with the object.
struct ParsedUrl {
  CURLU *handle = curl_url();
  ~ParsedUrl() { curl_url_cleanup(handle); }
  ParsedUrl() = default;
  ParsedUrl(const ParsedUrl &) = delete;
  ParsedUrl &operator=(const ParsedUrl &) = delete;

  // Parses `text` (absolute, or relative to what is already set); false when refused.
  bool set(std::string_view text) {
    if (!handle || !whole_text(text)) return false;
    std::string copy = escaped_for_parser(text);
    return curl_url_set(handle, CURLUPART_URL, copy.c_str(), 0) == CURLUE_OK;
  }
  std::string get(CURLUPart part) const {
    char *value = nullptr;
    std::string out;
    if (curl_url_get(handle, part, &value, 0) == CURLUE_OK && value) out = value;
    curl_free(value);
    return out;
  }
  // A text with a zero byte inside would reach the parser shorter than it is.
  static bool whole_text(std::string_view text) {
    return !text.empty() && text.size() < kAddressBuffer && !memchr(text.data(), '\0', text.size());
  }
};

// The one normal form the cache analysis also stores, so both sides name an address alike.
bool web_form(std::string_view text, std::string *out) {
  std::string canonical;
  if (!ParsedUrl::whole_text(text) || !canonical_url(escaped_for_parser(text), &canonical)) return false;
  if (!is_web_address(canonical) || canonical.size() >= kAddressBuffer) return false;
  if (address_host(canonical).empty()) return false;
  *out = std::move(canonical);
  return true;
}

}  // namespace

bool canonical_address(std::string_view address, std::string *out) {
  return web_form(address, out);
}

bool combine_address(std::string_view base, std::string_view address, std::string *out) {
  ParsedUrl url;
  if (!url.set(base) || !url.set(address)) return false;
  return web_form(url.get(CURLUPART_URL), out);
}

std::string address_host(std::string_view address) {
  ParsedUrl url;
  return url.set(address) ? url.get(CURLUPART_HOST) : std::string();
}

std::string address_file_name(std::string_view address) {
  ParsedUrl url;
  if (!url.set(address)) return "";
  std::string path = url.get(CURLUPART_PATH);
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool same_host(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}
