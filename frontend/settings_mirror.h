// The front end's copy of the engine settings that its windows show. It is loaded from the engine at start-up
// and pushed back, in two groups, before every run and at exit; the windows edit it through their controls.
#pragma once

#include <QString>
#include <array>

struct SettingsMirror {
  // Thumbnail size: 0 fit width, 1 fit height, 2 fixed ratio (setting 2); the box shows the matching size.
  int thumb_fit = 0;
  int thumb_size = 80;
  int current_width = 0, current_hight = 0, current_scale = 0;  // 3, 4, 5 as loaded
  int subfolder_search = 0;                                     // 6
  int depth = 0;                                                // 7
  std::array<int, 5> colors{};                                  // 13..17, in the front end's 0xBBGGRR order
  int color_mask = 0;                                           // 100
  int frame_style = 0;                                          // 18: 0 vertical split, 1 horizontal split
  // Window design boxes: with a vertical split the width box is setting 11 and the height box 19; a
  // horizontal split swaps them.
  int design_width = 0, design_height = 0;
  int paging_style = 0;                           // 20
  int page_size_mb = 0, loaded_page_size_mb = 0;  // 21 in megabytes
  int page_count = 0, loaded_page_count = 0;      // 22
  int size_check = 0;                             // 23
  int min_width = 0, min_height = 0;              // 24, 25
  int banner = 0;                                 // 26
  int banner_x = 0, banner_y = 0;                 // 27, 28
  int slender_ratio = 0;                          // 29, ratio times ten
  int get_url = 0;                                // 30
  int sort_type = 0, sort_mode = 0;               // 31, 32
  int file_copy = 0, copy_mode = 0;               // 33, 34
  QString wallpaper;                              // 35
  int bg_fix = 0;                                 // 36
  std::array<int, 5> cache_rules{};               // 38..42
  int cache_banner = 0;                           // 43
  int age = 0;                                    // 44, position on the age scale
  int cpu_priority = 0;                           // 45
  int index_ratio = 0, cntl_ratio = 0;            // 46, 47
  int del_cache = 0;                              // 48
  int cache_h_ratio = 0;                          // 49
  int make_thumb = 0;                             // 51
  int use_yx_ratio = 0;                           // 52
  int type_mask = 0;                              // 53
  int display_style = 0;                          // 54
  int motion_gif = 0;                             // 56
  int auto_increment = 0;                         // 57
  int prepared_url = 0;                           // 58
  bool prepared_url_known = false;                // 58 loaded as something other than -1
  QString search_string;                          // 59
  int cache_check_broken = 0;                     // 60

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
// Pushes both groups to the engine; output_folder goes to setting 8.
void push_mirror(const SettingsMirror &mirror, const QString &output_folder);

// Type mask (setting 53) <-> the six type boxes, element 0 "Jpeg" (32) down to element 5 "AVI" (1).
int type_mask_of(const std::array<bool, 6> &boxes);
std::array<bool, 6> type_boxes_of(int mask);
// Text of the age scale for a position.
QString age_text(int position);
// Highest position of the CPU-priority slider: at 100 and more the engine makes no callbacks.
constexpr int kCpuSliderMax = 10;
int cpu_slider_position(int cpu_priority);
