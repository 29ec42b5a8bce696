// The cache check: the backup folder scanned, every picture's header read, and the
// delete candidates marked largest first. It lives with the gathering because it
// examines the list the same way a run does.
#include <string>

#include "collect/file_types.h"
#include "collect/list_sort.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "links/cache_maintenance.h"
#include "platform/platform.h"
#include "run/gathering.h"

namespace {

constexpr int kEveryPictureType = PICTURE_MASK;
constexpr int kSortByArea = 3;
constexpr int kDescending = 0;

int report_total(ZunoRecord *rec, FileNode *head) {
  int folders = 0, files = 0, outputs = 0, bytes = 0;
  counttree(head, &folders, &files, &outputs, &bytes);
  if (rec->TotalProc) rec->TotalProc(files);
  return files;
}

}  // namespace

extern "C" int chk_cache(int mode, ZunoRecord *rec, FileNode *head) {
  return guarded(-1, [&]() -> int {
    std::string cache, backup;
    if (!backup_location(*rec, &cache, &backup)) return -1;
    if (!plat::is_dir(backup)) return record_error("キャッシュのバックアップがありません: " + backup);
    empty_list(head);
    if (!maketree(nullptr, kEveryPictureType, 0, rec->SubdirDepth, backup.c_str(), head)) return -1;
    report_total(rec, head);
    if (examine_list(rec, head) == -1) return -1;
    report_total(rec, head);
    // A stable n log n sort gives the exchange sort's order on any backup size.
    if (sort_list(kSortByArea, kDescending, head) != 0) return -1;
    return mark_delete_candidates(mode, rec, head);
  });
}
