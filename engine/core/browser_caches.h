// The browser caches of this desktop: which kind a folder holds, where the
// Chromium-family and Firefox caches of the user's profiles are, and the name a
// cache's backup goes by. Only paths and folder listings: reading the entries
// belongs to the cache layer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class CacheKind {
  none,       // no cache this program knows
  old_index,  // "Content.IE5" with its "index.dat"
  chromium,   // the "simple" cache: "<16 hex>_0" entry files
  firefox,    // "cache2": "entries/<40 hex>" files
};

struct FoundCache {
  CacheKind kind = CacheKind::none;
  std::string browser;  // "Chromium", "Google Chrome", "Brave", "Firefox", ... ("" when unknown)
  std::string profile;  // the profile folder's name ("Default", "6d2i6hpo.default-esr")
  std::string folder;   // the folder the entries are read from (Cache_Data, cache2)
};

// What a folder holds. A Chromium profile folder or its "Cache" folder, and a
// Firefox profile folder, are taken as the cache inside them: *out (optional)
// names the folder the entries are read from, with browser and profile when the
// path shows them.
CacheKind cache_kind_of(const std::string &folder, FoundCache *out = nullptr);

// "<16 hex>_0", the first file of every Chromium simple-cache entry.
bool is_chromium_entry_name(std::string_view name);

// The caches of the user's browsers ($XDG_CACHE_HOME or ~/.cache, and the Firefox
// profile folders under ~/.mozilla/firefox and $XDG_CONFIG_HOME/mozilla/firefox):
// Chromium-family caches first, then Firefox's; each browser's profiles by name,
// "Default" first. Only folders that hold at least one entry are listed.
std::vector<FoundCache> find_browser_caches();

// The name a cache's run output folder goes by: the last component of an old
// cache folder ("Temporary Internet Files"), "<browser>-<profile>" for a modern
// cache whose path shows them ("chromium-Default", "firefox-6d2i.default-esr"),
// else "<kind>-<last component>". Stable for one cache, so backup, clean-up and
// backup view find the same folder.
std::string cache_presented_name(const std::string &folder);

// A line per cache for people: "Chromium (Default): /home/u/.cache/...".
std::string describe_cache(const FoundCache &cache);
