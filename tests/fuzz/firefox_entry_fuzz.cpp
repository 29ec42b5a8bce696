// Feeds every input, as the bytes of a Firefox cache2 entry file, to the entry
// reader, then decodes the body it found with its own Content-Encoding and with
// every other coding, as a harvest would after a browser (or an attacker) wrote
// the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cache/cached_response.h"
#include "response_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  CachedResponse r;
  if (read_firefox_entry(data, size, &r)) {
    // The body comes first in the file: it can only start at 0.
    if (r.body_offset != 0) __builtin_trap();
    check_response(r, data, size);
  }
  url_of_firefox_key(std::string_view(reinterpret_cast<const char *>(data), size));
  return 0;
}
