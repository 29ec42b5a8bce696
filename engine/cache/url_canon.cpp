// Address normalisation through libcurl's URL parser.
#include "cache/url_canon.h"

#include <curl/curl.h>
#include <strings.h>

#include <cstdio>
#include <memory>

namespace {

struct UrlDeleter {
  void operator()(CURLU *u) const { curl_url_cleanup(u); }
};
struct TextDeleter {
  void operator()(char *p) const { curl_free(p); }
};

// curl keeps these as given; a browser's canonical form escapes them, and a page
// must never receive a quote or an angle bracket inside an address.
bool needs_escape(unsigned char c) {
  return c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
         c == '{' || c == '|' || c == '}';
}

}  // namespace

bool is_web_address(std::string_view text) {
  return (text.size() >= 7 && strncasecmp(text.data(), "http://", 7) == 0) ||
         (text.size() >= 8 && strncasecmp(text.data(), "https://", 8) == 0);
}

bool canonical_url(const std::string &address, std::string *out) {
  std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) return false;
  char *raw = nullptr;
  if (curl_url_get(url.get(), CURLUPART_URL, &raw, 0) != CURLUE_OK || !raw) return false;
  std::unique_ptr<char, TextDeleter> text(raw);
  std::string result;
  for (const char *p = text.get(); *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (!needs_escape(c)) {
      result += *p;
      continue;
    }
    char hex[4];
    snprintf(hex, sizeof hex, "%%%02X", c);
    result += hex;
  }
  if (result.size() > kMaxAddress) return false;
  *out = std::move(result);
  return true;
}
