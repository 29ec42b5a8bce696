// The clean-up of the cache backup: which copies are not worth keeping, and their deletion.
#include <string>

#include "collect/file_types.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "links/cache_maintenance.h"
#include "platform/platform.h"

namespace {

constexpr int64_t kMebibyte = 1048576;

bool never_candidate(const FileNode *n) {
  return is_folder_entry(n) || n->type == TYPE_HTML || n->type == TYPE_LINKFILE || n->type == TYPE_CGI ||
         n->type == TYPE_SHORTCUT || (n->flags & FLAG_READONLY) != 0;
}

// The size, pixel, simplicity and shape rules; banners kept when asked, damaged
// pictures marked when asked.
bool judged_candidate(const ZunoRecord &rec, const FileNode *n, bool already) {
  bool mark = already;
  if (n->size < int64_t{rec.CacheSize} * 1024) mark = true;
  const int64_t w = node_width(*n), h = node_height(*n);
  if (w < rec.CacheX && h < rec.CacheY) mark = true;
  if (n->size > 0 && w * h / n->size > rec.CacheSRatio) mark = true;
  // Elongated: wider than the shape limit allows, unless slender pictures are kept.
  if (!mark && rec.CacheHRatio == 0 && h > 0 && rec.YXRatio < w / h) mark = true;
  if (rec.CacheBanner == 1 && n->banner == 1) mark = false;
  if (rec.CacheCheckBroken == 1 && (n->flags & FLAG_DAMAGED) != 0) mark = true;
  return mark;
}

}  // namespace

int mark_delete_candidates(int mode, const ZunoRecord *rec, FileNode *head) {
  int64_t total = 0;
  for (FileNode *n = head; is_listed(n); n = n->next) total += n->size;
  const int64_t limit = int64_t{rec->CacheLimit} * kMebibyte;
  if (mode == 1 && total < limit) return -1;
  int count = 0;
  for (FileNode *n = head; is_listed(n); n = n->next) {
    if (never_candidate(n)) continue;
    if (n->size == 0) {
      n->mark = 1;  // empty files go whatever the budget, and free nothing
      continue;
    }
    bool unreadable = n->width == 0 || n->height == 0 || n->type == -1;
    // In mode 1 the largest pictures are judged first until the backup fits the budget.
    if (mode == 1 && total < limit) {
      if (unreadable) n->mark = 1;
      break;
    }
    n->mark = judged_candidate(*rec, n, unreadable) ? 1 : 0;
    if (n->mark == 1) {
      total -= n->size;
      ++count;
    }
    ZunoCallProgress(1);
    ZunoSleep();  // keeps the window alive; the walk finishes whatever it answers
  }
  return count;
}

extern "C" int del_cache(ZunoRecord *rec, FileNode *head) {
  return guarded(-1, [&] {
    std::string cache, backup;
    bool known = backup_location(*rec, &cache, &backup);
    int deleted = 0;
    for (FileNode *n = head; is_listed(n); n = n->next) {
      if (n->mark != 1 || !n->path) continue;
      // The list is the backup's; a node from anywhere else is never deleted here.
      if (known && path_below(backup, n->path) && plat::exists(n->path) && plat::remove_file(n->path) == 0)
        ++deleted;
      std::string relative;
      if (known && rec->DelCache == 1 && backup_relative(backup, n->path, &relative))
        delete_cache_entry(cache, relative, n->size);
      ZunoCallProgress(1);
      ZunoSleep();
    }
    return deleted;
  });
}
