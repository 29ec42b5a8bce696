// Feeds every input, as the bytes of a Chromium simple-cache file, to the "_0"
// entry reader and the "_s" sparse reader, then decodes the body the entry
// reader found with its own Content-Encoding and with every other coding, as a
// harvest would after a browser (or an attacker) wrote the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cache/cached_response.h"
#include "cache/url_canon.h"

namespace {

constexpr size_t kLimit = 1 << 16;

void decode_every_way(const CachedResponse &r, const uint8_t *body) {
  for (const char *coding : {r.content_encoding.c_str(), "gzip", "deflate", "br", "zstd", "gzip, br"}) {
    std::string out;
    if (decode_body(coding, body, r.body_size, &out, kLimit) && out.size() > kLimit) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  CachedResponse r;
  if (read_chromium_entry(data, size, &r)) {
    if (r.body_offset > size || r.body_size > size - r.body_offset) __builtin_trap();
    if (!is_web_address(r.url) || r.status < 100 || r.status > 999) __builtin_trap();
    decode_every_way(r, data + r.body_offset);
  }
  std::string body;
  if (read_chromium_sparse(data, size, &body) && body.size() > size) __builtin_trap();
  url_of_chromium_key(std::string_view(reinterpret_cast<const char *>(data), size));
  return 0;
}
