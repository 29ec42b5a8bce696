// The one process-wide engine state: the settings record with its run state,
// the file lists and the flags that every export shares.
#pragma once

#include <cstdint>
#include <ctime>

#include "zuno.h"

constexpr int kFieldSize = 256;  // every path and text field
constexpr int kColorSize = 32;   // colour texts

using ZunoTime = int64_t;  // seconds since 1970; 64-bit inside, whatever the stored formats say

typedef int (*ReCompFn)(const char *pattern);
typedef int (*ReCompvFn)(const char **patterns);
typedef unsigned (*ReExecFn)(const char *text);

// What a run harvests (ZunoRecord::TargetKind).
constexpr int kTargetFolder = 0;
constexpr int kTargetBrowserCache = 1;
constexpr int kTargetCacheBackup = 2;
// What a run writes (ZunoRecord::OutputKind).
constexpr int kOutputPlain = 0;
constexpr int kOutputSiteLauncher = 1;
constexpr int kOutputCacheView = 2;   // the browser cache's pictures
constexpr int kOutputBackupView = 3;  // the cache backup's pictures

struct ZunoRecord {
  // Paths and texts, in the order the settings numbers describe them.
  char TargetPath[kFieldSize];
  char OutputPath[kFieldSize];
  char SavedOutputPath[kFieldSize];
  char LastOutputPath[kFieldSize];
  char ExecPath[kFieldSize];
  char IniPath[kFieldSize];
  char TempPath[kFieldSize];
  char HtmlOut[kFieldSize];
  char CacheFolder[kFieldSize];
  char ChosenCacheFolder[kFieldSize];  // setting CacheFolder: the user's cache folder, "" to derive it
  char BgColor[kColorSize];
  char TextColor[kColorSize];
  char LinkColor[kColorSize];
  char ALinkColor[kColorSize];
  char VLinkColor[kColorSize];
  char BackGraund[kFieldSize];

  int CpuPriority, DelCache, ShowZunoP;
  ZunoTime LastBackUpTime;
  int WindowSize, FrameStyle, FrameSizeRatio, IndexRatio, CntlRatio;
  int Priority, CurrentWidth, CurrentHight, CurrentScale;
  int SearchSubdir, SubdirDepth, SearchSizeType, MaxX, MaxY;
  int Banner, BannerX, BannerY, BannerMargin;
  float YXRatio;
  int UseYXRatio, EnableFileType, GetUrl, MotionGIF, PreparedURL;

  char LastSearchString[kFieldSize];

  int PageingStyle, OnePageMax, OnePageNum, SortType, SortMode, FileCopy, CopyMode, UnderLimits;
  ZunoTime AgeThreshold;
  int AutoIncrement, CacheLimit, CacheSize, CacheX, CacheY, CacheSRatio, CacheBanner, CacheHRatio,
      CacheCheckBroken;
  int ColorValue[5];  // 0xRRGGBB, in the order of the colour texts
  int BgFix, MakeThumbnail;
  int ColorMask;

  // Run state shared by the worker routines.
  int PageCounter[5];
  int TargetKind;  // kTarget…
  int OutputKind;  // kOutput…
  int CacheView;   // 1 only in the catalog of deletion candidates
  ZunoVoidProc StepProc;
  ZunoTotalProc TotalProc;
  ZunoVoidProc PollProc;
  ZunoVoidProc TickProc;
  int TotalCount;
  ReCompFn re_comp;
  ReCompvFn re_compv;
  ReExecFn re_exec;
  int SearchWordCount;
  char *PageBuffer;  // SubdirDepth KiB, made at the first read of the settings file
  int PageBufferSize;
};

constexpr unsigned FLAG_ANIMATED = 0x102;
constexpr unsigned FLAG_READONLY = 0x10000;
constexpr unsigned FLAG_PREPARED_URL = 0x20000;
constexpr unsigned FLAG_DAMAGED = 0x40000;
constexpr unsigned FLAG_SIZE_CAPPED = 0x80000;   // width or height is 32768 or more: stored as 32767
constexpr unsigned FLAG_LISTED_FILE = 0x100000;  // the scan saw a regular file of `size` bytes just now

// Ordered by size, largest first, so a record has no padding holes: a run holds one per listed file.
struct FileNode {
  char *path;
  char *source;
  FileNode *next;
  ZunoTime accessed;
  ZunoTime created;
  ZunoTime modified;  // kept so copies can carry the source's times
  ZunoTime taken;     // when a photo was taken (its Exif date, local time as UTC), 0 when unknown
  int64_t size;
  int32_t type;
  uint32_t flags;
  int32_t size_kb;
  uint32_t pixel_width, pixel_height;  // the picture's real size, which the filters compare
  uint32_t listed_at;                  // the scan's order (1, 2, ...; 0 unknown), which follows the disk's
  int16_t disp_width, disp_height;
  int16_t width, height;  // at most 32767 (FLAG_SIZE_CAPPED when the picture is larger)
  int8_t depth;           // >= 100: a folder that was descended into
  uint8_t banner;
  int8_t mark;
  int8_t output;
  uint8_t passed;
};
static_assert(sizeof(FileNode) <= 104, "a listed file costs its record's size a hundred thousand times");

// A node's real size: its stored sizes stop at 32767.
inline int64_t node_width(const FileNode &n) {
  return (n.flags & FLAG_SIZE_CAPPED) ? int64_t{n.pixel_width} : n.width;
}
inline int64_t node_height(const FileNode &n) {
  return (n.flags & FLAG_SIZE_CAPPED) ? int64_t{n.pixel_height} : n.height;
}

// What the current run made and holds, so a failed run can take back exactly that
// and nothing else.
struct RunClaim {
  bool prepared;   // preparation chose and made every folder the run needs
  bool abandoned;  // a step failed; the output call must not write
  bool locked;     // lock_fd holds the run output folder's lock
  int lock_fd;
  char output[kFieldSize];   // the run output folder when this run made it, else ""
  char catalog[kFieldSize];  // the catalog folder preparation chose
  bool catalog_made;         // … and made, rather than reused
  ZunoTime backup_time;      // stored as LastBackUpTime only when the run succeeds
  bool presented_cache;      // the target is the backup, filled from a Chromium or Firefox cache
  int presented_copies;      // … and how many files that filling wrote
};

struct EngineState {
  ZunoRecord rec;
  int initialised;
  int busy;
  int run_phase;
  int64_t run_start;  // wall-clock milliseconds
  long run_time;
  RunClaim claim;
  int abort_flag;
  int yield_countdown;
  int last_code;
  char last_error[1024];
  FileNode files;       // head of the file list
  FileNode link_pages;  // head of the link-page list
  void *pattern_module;
  char db_folder[kFieldSize];
  int gather_step;
  int copy_result;
  FileNode *thumb_pos;
  bool thumb_active;
  int64_t last_total_bytes;  // the byte total of the last count, which the int of the counts caps
};

// The one instance; zero at load.
EngineState &engine();

// Empties a list: releases every node after the head and makes the head the terminal node again.
void empty_list(FileNode *head);
