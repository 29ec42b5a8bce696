// The gathering step machine: one step per call, each returning the status text
// of the step that comes next, so the front end can show progress between them.
#include <string>

#include "collect/collect_steps.h"
#include "collect/file_list.h"
#include "collect/file_types.h"
#include "collect/list_sort.h"
#include "collect/thumbnail_path.h"
#include "collect/tree_scan.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

constexpr const char *kReading = "ファイル読み込み中";
constexpr const char *kCopying = "ファイルコピー中";
constexpr const char *kExamining = "情報取り出し中";
constexpr const char *kSorting = "ソート中";
constexpr const char *kAddresses = "URL検出中";
constexpr const char *kDone = "完了";
constexpr const char *kError = kGatherError;

// The steps of the gathering in order; EngineState::gather_step names the one the next call takes.
// A copy into the cache backup takes the first steps; every other run starts at the scan.
enum GatherStep : int {
  kStepStart = 0,       // compile the search words
  kStepBackupList = 1,  // list the live browser cache
  kStepBackupCopy = 2,  // copy it into the backup
  kStepBackupDone = 3,  // check the copy, empty the list
  kStepScan = 4,        // list the target
  kStepExamine = 5,     // headers and the picture filter
  kStepSort = 6,
  kStepAddresses = 7,  // source addresses from link files
  kStepCopy = 8,       // copy into the output folder
};

const char *fail(EngineState &e) {
  e.gather_step = kStepStart;
  return kError;
}

const char *backup_copy_step(EngineState &e, ZunoRecord *rec, FileNode *head) {
  switch (e.gather_step) {
    case kStepBackupList:
      empty_list(head);
      maketree(nullptr, rec->EnableFileType, rec->AgeThreshold, rec->SubdirDepth, rec->CacheFolder, head);
      e.gather_step = kStepBackupCopy;
      return kCopying;
    case kStepBackupCopy:
      // The live browser cache goes into the backup before the backup is read.
      e.copy_result = zunocopy(rec->CopyMode, head, rec->OutputPath, rec->CacheFolder);
      e.gather_step = kStepBackupDone;
      return kExamining;
    default:
      empty_list(head);
      if (e.copy_result != 0) return fail(e);
      e.gather_step = kStepScan;
      return kReading;
  }
}

const char *scan_step(EngineState &e, ZunoRecord *rec, FileNode *head) {
  empty_list(head);
  FileNode *end = nullptr;
  if (rec->OutputKind == kOutputCacheView)
    end = maketree(nullptr, CACHE_SCAN_MASK, rec->AgeThreshold, rec->SubdirDepth, rec->TargetPath, head);
  else if (rec->OutputKind == kOutputSiteLauncher)
    end = maketree(nullptr, rec->EnableFileType | TYPE_LINKFILE, rec->AgeThreshold, rec->SubdirDepth,
                   rec->TargetPath, head);
  else
    end = maketree(rec, rec->EnableFileType, rec->AgeThreshold, rec->SubdirDepth, rec->TargetPath, head);
  if (!end) return fail(e);
  int folders = 0, files = 0, outputs = 0, bytes = 0;
  counttree(head, &folders, &files, &outputs, &bytes);
  rec->TotalCount = files;
  if (rec->TotalProc) rec->TotalProc(files);
  e.gather_step = kStepExamine;
  return kExamining;
}

// Link files of copied cached pages, so a later link lookup finds their pictures.
void write_link_files(ZunoRecord *rec, FileNode *head) {
  for (FileNode *n = head; is_listed(n); n = n->next) {
    if (n->type == -1 || is_folder_entry(n)) continue;
    int type = file_type(n->path);
    if (type != TYPE_HTML && type != TYPE_CGI) continue;
    make_link_file(rec, n);
    ZunoSleep();
    ZunoCallProgress(0);
  }
  rewrite_analyzed_index();
}

const char *copy_step(EngineState &e, ZunoRecord *rec, FileNode *head) {
  e.gather_step = kStepStart;
  if (rec->FileCopy == 1 && rec->TargetKind != kTargetCacheBackup) {
    e.copy_result = zunocopy(rec->CopyMode, head, rec->OutputPath, rec->TargetPath);
    if (rec->TargetKind == kTargetBrowserCache) write_link_files(rec, head);
    if (e.copy_result != 0) return kError;
  }
  return kDone;
}

const char *next_step(ZunoRecord *rec, FileNode *head) {
  EngineState &e = engine();
  if (e.gather_step == kStepStart) {
    compile_search_words(rec);
    e.gather_step = kStepBackupList;
    return kReading;
  }
  if (rec->CacheView != 0) {
    e.gather_step = kStepStart;
    return kDone;
  }
  if (e.gather_step < kStepScan && rec->FileCopy == 1 && rec->TargetKind == kTargetCacheBackup)
    return backup_copy_step(e, rec, head);
  if (e.gather_step < kStepScan) e.gather_step = kStepScan;
  switch (e.gather_step) {
    case kStepScan:
      return scan_step(e, rec, head);
    case kStepExamine:
      if (examine_list(rec, head) == -1) return fail(e);
      e.gather_step = kStepSort;
      return kSorting;
    case kStepSort:
      if (sort_list(rec->SortType, rec->SortMode, head) == -1) return fail(e);
      e.gather_step = kStepAddresses;
      return kAddresses;
    case kStepAddresses:
      if (rec->GetUrl != 0 && apply_link_files(rec, head) == -1) return fail(e);
      e.gather_step = kStepCopy;
      return kCopying;
    case kStepCopy:
      return copy_step(e, rec, head);
    default:
      e.gather_step = kStepStart;
      return kDone;
  }
}

}  // namespace

extern "C" const char *get_files(ZunoRecord *rec, FileNode *head) {
  return guarded<const char *>(kError, [&] { return next_step(rec, head); });
}

int is_banner_size(const ZunoRecord *rec, int w, int h) {
  auto within = [&](double v, double target) {
    double margin = target * rec->BannerMargin / 100.0;
    return target - margin <= v && v <= target + margin;
  };
  return within(w, rec->BannerX) && within(h, rec->BannerY) ? 1 : 0;
}

int accept_picture(const ZunoRecord *rec, int w, int h, const FileNode *node) {
  if (h == 0) return 0;
  if (is_banner_size(rec, w, h)) return rec->Banner == 1 ? 1 : 0;
  double r = rec->YXRatio, q = static_cast<double>(w) / h;
  if (r != 0 && ((r >= 1 && q > r) || (r < 1 && q < r))) return 0;
  if (rec->MotionGIF == 1 && node && (node->flags & FLAG_ANIMATED)) return 1;
  switch (rec->SearchSizeType) {
    case 1:
      return w >= rec->MaxX;
    case 2:
      return h >= rec->MaxY;
    case 3:
      return w >= rec->MaxX && h >= rec->MaxY;
    case 4:
      return w >= rec->MaxX || h >= rec->MaxY;
    default:
      return 1;
  }
}

namespace {

// Header, banner and filter results of one listed file; false when memory ran out.
bool examine_node(ZunoRecord *rec, FileNode *n) {
  if (n->type != TYPE_FOLDER) n->type = file_type(n->path);  // the scan marked the folders it did not descend
  if (n->type == TYPE_HTML || n->type == TYPE_LINKFILE || n->type == -1 ||
      (n->type & rec->EnableFileType) == 0)
    return true;
  n->size_kb = read_picture_header(rec, n->path, n->type, &n->disp_width, &n->disp_height, &n->width,
                                   &n->height, &n->flags);
  if (n->size_kb == -1) return true;
  n->banner = static_cast<uint8_t>(is_banner_size(rec, n->width, n->height));
  n->passed = static_cast<uint8_t>(accept_picture(rec, n->width, n->height, n));
  if (n->passed == 1 && rec->PreparedURL == 1) {
    char address[1024] = "";
    if (get_anarized_url(n->path, address) == 0) {
      if (!set_node_text(&n->source, address)) return false;
      n->flags |= FLAG_PREPARED_URL;
    }
  }
  return true;
}

}  // namespace

int examine_list(ZunoRecord *rec, FileNode *head) {
  for (FileNode *n = head; is_listed(n); n = n->next) {
    if (n->depth < 100 && n->depth <= rec->SubdirDepth && !examine_node(rec, n))
      return record_error("out of memory");
    ZunoCallProgress(1);
    if (ZunoSleep()) return -1;
  }
  return 0;
}

namespace {

// The names of the current thumbnail iteration, made when it starts.
ThumbnailPlan &thumbnail_plan() {
  static ThumbnailPlan plan;
  return plan;
}

}  // namespace

extern "C" int get_thumbinfo(ZunoRecord *rec, FileNode *head, char *source, char *thumb, int *disp_w,
                             int *disp_h, int *w, int *h) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    std::string thumbs = join_path(join_path(rec->LastOutputPath, rec->HtmlOut), "Thumbs");
    if (!e.thumb_active) {
      if (plat::make_dir(thumbs) != 0 && !plat::is_dir(thumbs)) return record_error("cannot make " + thumbs);
      thumbnail_plan() = plan_thumbnails(head, thumbnail_base(*rec, rec->LastOutputPath));
      e.thumb_pos = head;
      e.thumb_active = true;
    }
    // Movies are placed too, but no page shows a thumbnail of one and none can be decoded.
    auto wants_thumbnail = [](const FileNode *n) {
      return n->output == 1 && n->type != TYPE_AVI && n->type != TYPE_MOVIE;
    };
    FileNode *n = e.thumb_pos;
    while (is_listed(n) && !wants_thumbnail(n)) n = n->next;
    if (!is_listed(n)) {
      e.thumb_pos = nullptr;
      e.thumb_active = false;
      thumbnail_plan() = ThumbnailPlan();
      return -1;
    }
    e.thumb_pos = n->next;
    std::string thumb_path = thumbs + thumbnail_below(thumbnail_plan(), n);
    std::string relative;
    make_mirror_folder(thumb_path.c_str(), thumbs.c_str(), thumbs.c_str(), &relative);
    if (source) copy_field(source, kFieldSize, n->path, "thumbnail source");
    if (thumb) copy_field(thumb, kFieldSize, thumb_path, "thumbnail path");
    if (disp_w) *disp_w = n->disp_width;
    if (disp_h) *disp_h = n->disp_height;
    if (w) *w = n->width;
    if (h) *h = n->height;
    return 1;
  });
}
