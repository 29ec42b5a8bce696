// What every cache entry reader must hold to for any input, checked by the entry
// fuzz targets: a body inside the bytes, a web address and a status, and a body
// that every decoder takes or refuses within its limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cache/cached_response.h"
#include "cache/url_canon.h"

inline void check_response(const CachedResponse &r, const uint8_t *data, size_t size) {
  constexpr size_t kLimit = 1 << 16;
  if (r.body_offset > size || r.body_size > size - r.body_offset) __builtin_trap();
  if (!is_web_address(r.url) || r.status < 100 || r.status > 999) __builtin_trap();
  for (const char *coding : {r.content_encoding.c_str(), "gzip", "deflate", "br", "zstd", "gzip, br"}) {
    std::string out;
    if (decode_body(coding, data + r.body_offset, r.body_size, &out, kLimit) && out.size() > kLimit)
      __builtin_trap();
  }
}
