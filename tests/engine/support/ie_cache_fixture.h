// A writer of small old-style browser caches for tests: "Content.IE5/index.dat" in
// the MSIE cache file format (version 5.2) plus the cached files in their
// subfolders. Checked against msiecfinfo, msiecfexport and pasco by its own test.
#pragma once

#include <string>
#include <vector>

struct IeCacheItem {
  std::string address;      // the record's location
  int folder = -1;          // index into IeCache::folders; -1 for a record without a file
  std::string file;         // the stored name, "[N]" suffix included
  std::string bytes = "x";  // the cached file's content
  bool allocated = true;    // false: a deleted record (in no hash table, its blocks free)
  bool write_file = true;   // false: the index names a file that is not on disk
};

struct IeCache {
  std::vector<std::string> folders = {"ABCD1234"};  // eight letters and digits each, at most 32
  std::vector<IeCacheItem> items;
};

// The bytes of the cache's index.dat.
std::string ie_index_bytes(const IeCache &cache);
// Writes `<cache_folder>/Content.IE5/index.dat`, the subfolders and every item's
// file; returns the path of index.dat.
std::string write_ie_cache(const std::string &cache_folder, const IeCache &cache);
