// Feeds every input, as the bytes of a cache's index.dat, to the cache index
// reader, then looks every address it took up again and forms its analysed-index
// key, as the analysis does with what the reader hands it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cache/analyzed_index.h"
#include "cache/cache_index.h"
#include "cache/url_canon.h"

// libmsiecf (Debian's 20181227) loses the values of a URL record it fails to read
// part-way; that is the library's, a few hundred bytes per damaged record, and no
// fault of the reader above it.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libmsiecf_url_values_read\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  CacheIndex index;
  if (!read_cache_index(data, size, &index)) return 0;
  for (const CacheEntry &entry : index.entries) {
    if (entry.address.size() > kMaxAddress || !is_web_address(entry.address)) __builtin_trap();
    if (find_cache_entry(index, entry.address) == nullptr) __builtin_trap();
    std::string key, subfolder;
    std::string path = "/c/Content.IE5/" + entry.folder + "/" + entry.file;
    if (analyzed_key_of_path(path, &key, &subfolder) == 0 && key.size() > kMaxKey) __builtin_trap();
  }
  return 0;
}
