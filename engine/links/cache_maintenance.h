// The cache backup's clean-up and the deletions that reach into the browser cache.
// Every deletion here is checked first: a cache entry must lie strictly inside the
// browser cache folder, a backup copy inside the backup folder.
#pragma once

#include <cstdint>
#include <string>

#include "core/engine_state.h"

// The browser cache folder and the backup folder the cache runs copy it into
// (cache_backup_folder of the saved output folder). false, with
// "キャッシュファイルの位置を特定出来無い" recorded, when no cache folder is known.
bool backup_location(const ZunoRecord &rec, std::string *cache, std::string *backup);

// True when `path` lies strictly below `folder` by its text (no ".." component).
bool path_below(const std::string &folder, const std::string &path);

// The cache entry a backup copy was made from: `relative` receives its part from
// "Content.IE5" on. false when the path is not a copy inside the backup folder.
bool backup_relative(const std::string &backup, const std::string &path, std::string *relative);

// Deletes the browser cache entry `relative` ("Content.IE5/<folder>/<name>", "\"
// taken as a separator). Returns 0 deleted; 1 left alone (missing, or its size is
// not `expected_size` when that is >= 0); -1 refused or failed, recorded: a ".."
// or empty component, anything but a regular file, a symbolic link, or a name whose
// real path leaves the cache folder.
int delete_cache_entry(const std::string &cache, const std::string &relative, int64_t expected_size);

// ZunoDelCache's work: `text` starts at "Content.IE5". 0 deleted, -1 otherwise (recorded).
int del_cache_text(const ZunoRecord &rec, const char *text);

// Marks the clean-up's delete candidates of a list sorted largest first. Returns
// the number of nodes marked and counted, or -1 in mode 1 when the total size is
// below CacheLimit mebibytes (nothing marked).
int mark_delete_candidates(int mode, const ZunoRecord *rec, FileNode *head);

// Drops from a catalog page every line holding `link` and the "</a>" line after
// it; the page is replaced whole or not at all. 0 (also when nothing matched), or
// -1 for an empty link or a page that cannot be read or written (recorded).
int remove_page_link(const char *page, const char *link);
