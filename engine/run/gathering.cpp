// The gathering step machine: one step per call, each returning the status text
// of the step that comes next, so the front end can show progress between them.
// It sits on the top floor because its steps reach every layer of the collection:
// the scan and the copier, the analysed cache index and the link files.
#include "run/gathering.h"

#include <optional>
#include <string>
#include <vector>

#include "cache/analyzed_index.h"
#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "collect/list_sort.h"
#include "collect/picture_header.h"
#include "collect/tree_scan.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "core/text.h"
#include "links/link_file.h"
#include "platform/platform.h"
#include "run/run_preparation.h"

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
      if (int modern = backup_modern_cache(e); modern <= 0) {
        if (modern < 0) return fail(e);
        e.gather_step = kStepScan;
        return kReading;
      }
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
    end = maketree(rec, rec->EnableFileType, rec->AgeThreshold, run_depth_limit(*rec), rec->TargetPath, head);
  if (!end) return fail(e);
  int folders = 0, files = 0, outputs = 0, bytes = 0;
  counttree(head, &folders, &files, &outputs, &bytes);
  rec->TotalCount = files;
  if (rec->TotalProc) rec->TotalProc(files);
  e.gather_step = kStepExamine;
  return kExamining;
}

// Link files of copied cached pages, so a later link lookup finds their pictures;
// then the analysed index is rewritten to name each copy once, when files were copied.
void write_link_files(ZunoRecord *rec, FileNode *head, bool copied) {
  for (FileNode *n = head; is_listed(n); n = n->next) {
    if (n->type == -1 || is_folder_entry(n)) continue;
    int type = file_type(n->path);
    if (type != TYPE_HTML && type != TYPE_CGI) continue;
    make_link_file(rec, n);
    ZunoSleep();
    ZunoCallProgress(0);
  }
  if (copied) rewrite_analyzed_index();
}

const char *copy_step(EngineState &e, ZunoRecord *rec, FileNode *head) {
  e.gather_step = kStepStart;
  if (e.claim.presented_cache) {
    // The listed files are the backup's own: the preparation copied them there.
    // With nothing new, the link files already say what the pages link.
    if (e.claim.presented_copies > 0) write_link_files(rec, head, true);
  } else if (rec->FileCopy == 1 && rec->TargetKind != kTargetCacheBackup) {
    e.copy_result = zunocopy(rec->CopyMode, head, rec->OutputPath, rec->TargetPath);
    if (rec->TargetKind == kTargetBrowserCache) write_link_files(rec, head, true);
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

namespace {

// Header, banner and filter results of one listed file; false when memory ran out.
bool examine_node(ZunoRecord *rec, FileNode *n, plat::FolderCursor *folders) {
  if (n->type != TYPE_FOLDER) n->type = file_type(n->path);  // the scan marked the folders it did not descend
  if (n->type == TYPE_HTML || n->type == TYPE_LINKFILE || n->type == -1 ||
      (n->type & rec->EnableFileType) == 0)
    return true;
  n->size_kb = read_picture_node(rec, n, folders);
  if (n->size_kb == -1) {
    // Left out like any file that is not a picture; the log says which and why.
    record_error(std::string("画像として読めないため除外しました（壊れているか途中で切れています）: ") +
                 n->path);
    return true;
  }
  // The real size: a picture of 32768 pixels or more is stored as 32767.
  n->banner = static_cast<uint8_t>(is_banner_size(rec, node_width(*n), node_height(*n)));
  n->passed = static_cast<uint8_t>(accept_picture(rec, node_width(*n), node_height(*n), n));
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

namespace {

bool examined(const ZunoRecord &rec, const FileNode *n) {
  return n->depth < 100 && n->depth <= run_depth_limit(rec);
}

// Whether examine_node reads the file's header: the paths the read-ahead warms.
bool header_read(const ZunoRecord &rec, const FileNode *n) {
  if (!examined(rec, n) || n->type == TYPE_FOLDER || !n->path) return false;
  int type = file_type(n->path);
  return type != TYPE_HTML && type != TYPE_LINKFILE && type != -1 && (type & rec.EnableFileType) != 0;
}

// Reads in flight pay only where the disk is slow: from a warm cache a header comes
// faster than a thread could be woken for it, and the threads would only cost. So
// the reader times itself over windows of files and calls the threads in once a
// window shows the disk (a cold tree, a network share) holding it up.
class ReadAheadWhenSlow {
 public:
  explicit ReadAheadWhenSlow(const ZunoRecord &rec) : rec_(rec), window_start_(plat::monotonic_us()) {}

  // The reader is at `n`, about to examine it.
  void at(const FileNode *n) {
    if (warming_) {
      if (reached_ < paths_.size() && paths_[reached_] == n->path) warming_->reached(++reached_);
      return;
    }
    if (plat::read_ahead_readers <= 1 || ++seen_ < kWindow) return;
    int64_t now = plat::monotonic_us();
    slow_windows_ = now - window_start_ >= kWindow * kSlowReadUs ? slow_windows_ + 1 : 0;
    seen_ = 0;
    window_start_ = now;
    if (slow_windows_ >= kSlowWindows) start(n);
  }

 private:
  // A warm header takes ten microseconds or so, a disk read seventy or more. Two slow
  // windows in a row, so a moment of load on a busy machine does not look like a disk.
  static constexpr int kWindow = 64;
  static constexpr int64_t kSlowReadUs = 40;
  static constexpr int kSlowWindows = 2;

  void start(const FileNode *from) {
    for (const FileNode *n = from; is_listed(n); n = n->next)
      if (header_read(rec_, n)) paths_.push_back(n->path);
    // The threads only ask for pages and do not wait for them, so the reads in flight are as many as the
    // files the threads may run ahead: a couple of MiB of warmed pages at most.
    int threads = plat::read_ahead_readers - 1;
    warming_.emplace(paths_, threads, 32 * static_cast<size_t>(threads), kHeaderWindow);
    at(from);
  }
  static constexpr size_t kHeaderWindow = 4096;  // the header reader's first read

  const ZunoRecord &rec_;
  int seen_ = 0, slow_windows_ = 0;
  int64_t window_start_;
  std::vector<const char *> paths_;
  size_t reached_ = 0;
  std::optional<plat::ReadAhead> warming_;
};

}  // namespace

int examine_list(ZunoRecord *rec, FileNode *head) {
  // The headers are read here one by one, in list order, as always; on a slow disk a
  // few threads keep the next files' first bytes coming meanwhile.
  ReadAheadWhenSlow ahead(*rec);
  plat::FolderCursor folders;
  for (FileNode *n = head; is_listed(n); n = n->next) {
    ahead.at(n);
    if (examined(*rec, n) && !examine_node(rec, n, &folders)) return record_error("out of memory");
    ZunoCallProgress(1);
    if (ZunoSleep()) return -1;
  }
  return 0;
}
