// The front end's copy of the engine settings that its windows show. It is loaded from the engine at start-up
// and pushed back, in two groups, before every run and at exit; the windows edit it through their controls.
#pragma once

#include <QString>
#include <array>

#include "zuno.h"

// How thumbnails fit their size box (the settings dialog's three choices).
enum ThumbFit { kFitWidth = 0, kFitHeight = 1, kFitRatio = 2 };
// Which minimum sizes a picture must reach (ZUNO_SearchSizeType).
enum SizeCheck { kSizeCheckNone = 0, kSizeCheckWidth = 1, kSizeCheckHeight = 2, kSizeCheckBoth = 3 };
// When a new catalog page begins (ZUNO_PageingStyle).
// How the catalog window is split (ZUNO_FrameStyle).
enum FrameStyle { kFrameVertical = 0, kFrameHorizontal = 1 };
enum PagingStyle { kPageBySize = 0, kPageByCount = 1, kPageBySizeAndCount = 2, kPageByWindow = 3 };

struct SettingsMirror {
  // Thumbnail size: how it fits (ZUNO_Priority); the box shows the size of that fit, which the push writes
  // to the fit's own setting. The sizes of the other fits are kept for when the user picks them again.
  int thumb_fit = kFitWidth;
  int thumb_size = 80;
  int current_width = 0, current_hight = 0,
      current_scale = 0;        // ZUNO_CurrentWidth, ZUNO_CurrentHight, ZUNO_CurrentScale (a divisor)
  int subfolder_search = 0;     // ZUNO_SearchSubdir
  int depth = 0;                // ZUNO_SubdirDepth
  std::array<int, 5> colors{};  // ZUNO_BgColor..ZUNO_VLinkColor, in the front end's 0xBBGGRR order
  int color_mask = 0;           // ZUNO_ColorMask
  int frame_style = 0;          // ZUNO_FrameStyle: 0 vertical split, 1 horizontal split
  // Window design boxes: with a vertical split the width box is ZUNO_WindowSize and the height box
  // ZUNO_FrameSizeRatio; a
  // horizontal split swaps them.
  int design_width = 0, design_height = 0;
  int paging_style = 0;  // ZUNO_PageingStyle
  // ZUNO_OnePageMax as loaded, in kilobytes; written back while the megabytes below are untouched.
  int loaded_page_kb = 0;
  int page_size_mb = 0, loaded_page_size_mb = 0;  // ZUNO_OnePageMax in megabytes
  int page_count = 0, loaded_page_count = 0;      // ZUNO_OnePageNum
  int size_check = 0;                             // ZUNO_SearchSizeType
  int min_width = 0, min_height = 0;              // ZUNO_MaxX, ZUNO_MaxY
  int banner = 0;                                 // ZUNO_Banner
  int banner_x = 0, banner_y = 0;                 // ZUNO_BannerX, ZUNO_BannerY
  int slender_ratio = 0;                          // ZUNO_YXRatio, ratio times ten
  int get_url = 0;                                // ZUNO_GetUrl
  int sort_type = 0, sort_mode = 0;               // ZUNO_SortType, ZUNO_SortMode
  int file_copy = 0, copy_mode = 0;               // ZUNO_FileCopy, ZUNO_CopyMode
  QString wallpaper;                              // ZUNO_BackGraund
  int bg_fix = 0;                                 // ZUNO_BgFix
  std::array<int, 5> cache_rules{};               // ZUNO_CacheLimit..ZUNO_CacheSRatio
  int cache_banner = 0;                           // ZUNO_CacheBanner
  int age = 0;                                    // ZUNO_UnderLimits, position on the age scale
  int cpu_priority = 0;                           // ZUNO_CpuPriority
  int index_ratio = 0, cntl_ratio = 0;            // ZUNO_IndexRatio, ZUNO_CntlRatio
  int del_cache = 0;                              // ZUNO_DelCache
  int cache_h_ratio = 0;                          // ZUNO_CacheHRatio
  int make_thumb = 0;                             // ZUNO_MakeThumbnail
  int use_yx_ratio = 0;                           // ZUNO_UseYXRatio
  int type_mask = 0;                              // ZUNO_EnableFileType
  int display_style = 0;                          // ZUNO_ShowZunoP
  int motion_gif = 0;                             // ZUNO_MotionGIF
  int auto_increment = 0;                         // ZUNO_AutoIncrement
  int prepared_url = 0;                           // ZUNO_PreparedURL
  bool prepared_url_known = false;                // ZUNO_PreparedURL loaded as something other than -1
  QString search_string;                          // ZUNO_LastSearchString
  int cache_check_broken = 0;                     // ZUNO_CacheCheckBroken

  // Choices of the windows that no setting stores.
  bool auto_browser = true;  // start the browser after a run
  bool end_after_browser = false;
  bool open_top_index = false;  // topindex.html instead of index.html
  bool run_external = false;    // run mode "exe"
  bool new_main = true;         // "New Main" rather than "Old Main"
  bool debug = false;
  bool flush_at_exit = true;
  bool always_open = true;  // "常時開く": the address-search frame of Detail is usable
};

// The one instance.
SettingsMirror &settings_mirror();

// Reads every mirrored setting from the engine.
void load_mirror(SettingsMirror &mirror);
// Pushes both groups to the engine; output_folder goes to ZUNO_OutputPath.
void push_mirror(const SettingsMirror &mirror, const QString &output_folder);

// Where a fit keeps its size: the width and height in pixels, the fixed ratio as the divisor of the picture's
// own size.
int SettingsMirror::*thumb_size_of_fit(int thumb_fit);

// Type mask (ZUNO_EnableFileType) <-> the type boxes: element 0 "Jpeg" (32) down to element 5 "AVI" (1), then
// element 6 "WebP" (128) and element 7 "AVIF" (4096). Movies (64) have no box.
constexpr int kTypeBoxes = 8;
using TypeBoxes = std::array<bool, kTypeBoxes>;
constexpr std::array<int, kTypeBoxes> kTypeBoxBits = {ZUNO_TYPE_JPEG, ZUNO_TYPE_TIF, ZUNO_TYPE_BMP,
                                                      ZUNO_TYPE_PNG,  ZUNO_TYPE_GIF, ZUNO_TYPE_AVI,
                                                      ZUNO_TYPE_WEBP, ZUNO_TYPE_AVIF};
// The bits the boxes stand for; the others in a mask are kept as they were.
constexpr int kTypeBoxMask = ZUNO_TYPE_JPEG | ZUNO_TYPE_TIF | ZUNO_TYPE_BMP | ZUNO_TYPE_PNG | ZUNO_TYPE_GIF |
                             ZUNO_TYPE_AVI | ZUNO_TYPE_WEBP | ZUNO_TYPE_AVIF;
int type_mask_of(const TypeBoxes &boxes);
TypeBoxes type_boxes_of(int mask);
// Text of the age scale for a position.
QString age_text(int position);
// Highest position of the CPU-priority slider: at 100 and more the engine makes no callbacks.
constexpr int kCpuSliderMax = 10;
int cpu_slider_position(int cpu_priority);
