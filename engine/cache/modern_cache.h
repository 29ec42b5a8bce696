// Chromium and Firefox caches as a run's source: their pictures and pages copied
// into the backup in the old cache's shape, incrementally, without ever writing
// inside the browser's folder.
#pragma once

#include <string>
#include <vector>

#include "cache/cache_index.h"
#include "core/browser_caches.h"

struct ModernCopy {
  int copied = 0;                   // entries read and written into the backup
  int unchanged = 0;                // entries the record knew with the same size and time
  int skipped = 0;                  // not a picture or page, no body, or not a complete entry
  int changing = 0;                 // changed while read (the browser was writing): left for the next run
  std::vector<CacheEntry> written;  // the entries copied by this call, for the analysed index
  std::vector<CacheEntry> known;    // every entry the backup holds for the cache now
};

// The record of what a backup holds from a modern cache, beside its "Images" folder.
constexpr const char *kModernRecordName = "browser_cache_record.txt";

// Copies the pictures (every listed picture and movie type) and HTML pages of a
// Chromium or Firefox cache into `images` ("<images>/Content.IE5/<subfolder>/
// <name>[N].<ext>", bodies decoded, each file's time the entry's), skipping what
// the record `record_file` says was copied with the same size and time. Entries
// that change while they are read are skipped, never copied torn. 0, or -1
// (recorded) when the cache cannot be listed, a copy cannot be written, or the
// run was aborted; the record then still names everything that was copied.
int copy_modern_cache(const FoundCache &cache, const std::string &images, const std::string &record_file,
                      ModernCopy *result);
