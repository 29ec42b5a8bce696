#include "settings_mirror.h"

#include <algorithm>
#include <cmath>

#include "engine_binding.h"

SettingsMirror &settings_mirror() {
  static SettingsMirror mirror;
  return mirror;
}

namespace {

int thumb_fit_of(int priority) {
  if (priority == 0) return 0;
  return priority == 1 ? 1 : 2;
}

int priority_of(int thumb_fit) {
  if (thumb_fit == 1) return 1;
  return thumb_fit == 2 ? 2 : 0;
}

bool rule_uses_size(int paging_style) {
  return paging_style == 0 || paging_style == 2 || paging_style == 3;
}
bool rule_uses_count(int paging_style) {
  return paging_style >= 1 && paging_style <= 3;
}

void push_filter_group(const SettingsMirror &m, const QString &output_folder) {
  engine::put(23, m.size_check);
  engine::put(24, m.min_width);
  engine::put(25, m.min_height);
  engine::put(26, m.banner);
  engine::put(56, m.motion_gif);
  if (m.prepared_url_known) engine::put(58, m.prepared_url);
  engine::put_str(59, m.search_string);
  engine::put(29, m.slender_ratio);
  engine::put(52, m.use_yx_ratio);
  engine::put(30, m.get_url);
  engine::put(44, m.age);
  engine::put(31, m.sort_type);
  engine::put(32, m.sort_mode);
  engine::put(33, m.file_copy);
  engine::put(34, m.copy_mode);
  engine::put_str(8, output_folder);
  engine::put(53, m.type_mask);
  engine::put(57, m.auto_increment);
}

void push_page_group(const SettingsMirror &m) {
  engine::put(20, m.paging_style);
  if (rule_uses_size(m.paging_style)) engine::put(21, m.page_size_mb * 1024);
  if (rule_uses_count(m.paging_style)) engine::put(22, m.page_count);
  engine::put(6, m.subfolder_search);
  engine::put(7, m.depth);
  engine::put(2, priority_of(m.thumb_fit));
  engine::put(m.thumb_fit == 1 ? 4 : 3, m.thumb_size);
  const bool vertical = m.frame_style == 0;
  engine::put(11, vertical ? m.design_width : m.design_height);
  engine::put(18, m.frame_style);
  engine::put(19, vertical ? m.design_height : m.design_width);
  engine::put(36, m.bg_fix);
  engine::put_str(35, m.wallpaper);
  engine::put(51, m.make_thumb);
}

}  // namespace

void load_mirror(SettingsMirror &m) {
  m.thumb_fit = thumb_fit_of(engine::get(2));
  m.current_width = engine::get(3);
  m.current_hight = engine::get(4);
  m.current_scale = engine::get(5);
  m.thumb_size = m.thumb_fit == 1 ? m.current_hight : m.current_width;
  m.subfolder_search = engine::get(6);
  m.depth = engine::get(7);
  const int window_size = engine::get(11);
  for (int i = 0; i < 5; ++i) m.colors[i] = engine::get(13 + i);
  m.color_mask = engine::get(100);
  m.frame_style = engine::get(18);
  const int frame_size_ratio = engine::get(19);
  m.design_width = m.frame_style == 1 ? frame_size_ratio : window_size;
  m.design_height = m.frame_style == 1 ? window_size : frame_size_ratio;
  m.paging_style = engine::get(20);
  m.page_size_mb = m.loaded_page_size_mb = static_cast<int>(std::lround(engine::get(21) / 1024.0));
  m.page_count = m.loaded_page_count = engine::get(22);
  m.size_check = engine::get(23);
  m.min_width = engine::get(24);
  m.min_height = engine::get(25);
  m.banner = engine::get(26);
  m.motion_gif = engine::get(56);
  m.prepared_url = engine::get(58);
  m.prepared_url_known = m.prepared_url != -1;
  m.banner_x = engine::get(27);
  m.banner_y = engine::get(28);
  m.slender_ratio = engine::get(29);
  m.get_url = engine::get(30);
  m.sort_type = engine::get(31);
  m.sort_mode = engine::get(32);
  m.file_copy = engine::get(33);
  m.copy_mode = engine::get(34);
  for (int i = 0; i < 5; ++i) m.cache_rules[i] = engine::get(38 + i);
  m.cache_banner = engine::get(43);
  m.age = engine::get(44);
  m.cpu_priority = engine::get(45);
  m.index_ratio = engine::get(46);
  m.cntl_ratio = engine::get(47);
  m.bg_fix = engine::get(36);
  m.del_cache = engine::get(48);
  m.cache_h_ratio = engine::get(49);
  m.cache_check_broken = engine::get(60);
  m.make_thumb = engine::get(51);
  m.use_yx_ratio = engine::get(52);
  m.type_mask = engine::get(53);
  m.display_style = std::max(0, engine::get(54));
  m.auto_increment = engine::get(57);
  m.wallpaper.clear();
  engine::get_str(35, m.wallpaper);
  // The search words are pushed at every run, so they are loaded too, or the stored ones would be lost.
  m.search_string.clear();
  engine::get_str(59, m.search_string);
}

void push_mirror(const SettingsMirror &mirror, const QString &output_folder) {
  push_filter_group(mirror, output_folder);
  push_page_group(mirror);
}

int type_mask_of(const std::array<bool, 6> &boxes) {
  int mask = 0;
  for (bool box : boxes) mask = (mask + (box ? 1 : 0)) * 2;
  return mask / 2;
}

std::array<bool, 6> type_boxes_of(int mask) {
  std::array<bool, 6> boxes{};
  for (int element = 5; element >= 0; --element) {
    boxes[element] = (mask & 1) != 0;
    mask >>= 1;
  }
  return boxes;
}

QString age_text(int position) {
  static const char *const kTexts[] = {"全て",    "10分前",  "30分前",  "1時間前",
                                       "3時間前", "6時間前", "12時間前"};
  if (position >= 0 && position <= 6) return QString::fromUtf8(kTexts[position]);
  return QString::number(position - 6) + QStringLiteral("日前");
}

int cpu_slider_position(int cpu_priority) {
  return std::clamp(cpu_priority / 10, 0, kCpuSliderMax);
}
