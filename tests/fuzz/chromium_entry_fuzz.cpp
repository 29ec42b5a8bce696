// Feeds every input, as the bytes of a Chromium simple-cache file, to the "_0"
// entry reader and the "_s" sparse reader, then decodes the body the entry
// reader found with its own Content-Encoding and with every other coding, as a
// harvest would after a browser (or an attacker) wrote the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cache/cached_response.h"
#include "response_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  CachedResponse r;
  if (read_chromium_entry(data, size, &r)) {
    check_response(r, data, size);
  }
  std::string body;
  if (read_chromium_sparse(data, size, &body) && body.size() > size) __builtin_trap();
  url_of_chromium_key(std::string_view(reinterpret_cast<const char *>(data), size));
  return 0;
}
