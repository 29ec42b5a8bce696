// The old browser cache's own index ("Content.IE5/index.dat", the MSIE cache file
// format read by libmsiecf): which address each cached file came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// One cached file as its index records it.
struct CacheEntry {
  std::string address;  // the normalised source address (http or https)
  std::string folder;   // the cache subfolder, eight letters and digits
  std::string file;     // the file name inside it, with the browser's "[N]" suffix
};

struct CacheIndex {
  std::vector<CacheEntry> entries;                     // index order
  std::unordered_map<std::string, size_t> by_address;  // normalised and stored forms
};

// Reads an index held in memory: every allocated URL record that names a file in
// one of the index's cache subfolders and whose address is a web address of at
// most kMaxAddress bytes. Names are taken in the Japanese Windows code page and
// given as UTF-8 (a name that does not convert is left out). Returns false when the
// bytes are no cache index; *out then holds nothing.
bool read_cache_index(const uint8_t *data, size_t size, CacheIndex *out);
// The same for a file, read through the platform layer; false when it cannot be
// read or is no cache index.
bool load_cache_index(const std::string &path, CacheIndex *out);
// The entry of an address (normalised first), or nullptr.
const CacheEntry *find_cache_entry(const CacheIndex &index, const std::string &address);

// The index file at `path`, read once and kept until the file changes (size or
// modification time) or another file is asked for; `fresh` reads it again in any
// case. Returns nullptr when the file is missing or no readable index.
const CacheIndex *kept_cache_index(const std::string &path, bool fresh);

// The local file of an address in the engine's browser cache folder: 0 with *out
// set ("<cache>/Content.IE5/<subfolder>/<name>"), -1 when the cache has no entry
// for the address (or no readable index).
int cache_file_of_url(const char *address, std::string *out);
