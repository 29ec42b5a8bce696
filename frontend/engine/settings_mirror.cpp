#include "settings_mirror.h"

#include <algorithm>
#include <cmath>

#include "engine_binding.h"

SettingsMirror &settings_mirror() {
  static SettingsMirror mirror;
  return mirror;
}

namespace {

// ZUNO_Priority keeps the fit as 0 width, 1 height and anything else the fixed ratio.
int thumb_fit_of(int priority) {
  if (priority == kFitWidth) return kFitWidth;
  return priority == kFitHeight ? kFitHeight : kFitRatio;
}

int priority_of(int thumb_fit) {
  if (thumb_fit == kFitHeight) return kFitHeight;
  return thumb_fit == kFitRatio ? kFitRatio : kFitWidth;
}

ZunoSettingNumber thumb_setting_of(int thumb_fit) {
  if (thumb_fit == kFitHeight) return ZUNO_CurrentHight;
  return thumb_fit == kFitRatio ? ZUNO_CurrentScale : ZUNO_CurrentWidth;
}

bool rule_uses_size(int paging_style) {
  return paging_style == kPageBySize || paging_style == kPageBySizeAndCount || paging_style == kPageByWindow;
}
bool rule_uses_count(int paging_style) {
  return paging_style >= kPageByCount && paging_style <= kPageByWindow;
}

void push_filter_group(const SettingsMirror &m, const QString &output_folder) {
  engine::put(ZUNO_SearchSizeType, m.size_check);
  engine::put(ZUNO_MaxX, m.min_width);
  engine::put(ZUNO_MaxY, m.min_height);
  engine::put(ZUNO_Banner, m.banner);
  engine::put(ZUNO_MotionGIF, m.motion_gif);
  if (m.prepared_url_known) engine::put(ZUNO_PreparedURL, m.prepared_url);
  engine::put_str(ZUNO_LastSearchString, m.search_string);
  engine::put(ZUNO_YXRatio, m.slender_ratio);
  engine::put(ZUNO_UseYXRatio, m.use_yx_ratio);
  engine::put(ZUNO_GetUrl, m.get_url);
  engine::put(ZUNO_UnderLimits, m.age);
  engine::put(ZUNO_SortType, m.sort_type);
  engine::put(ZUNO_SortMode, m.sort_mode);
  engine::put(ZUNO_FileCopy, m.file_copy);
  engine::put(ZUNO_CopyMode, m.copy_mode);
  engine::put_str(ZUNO_OutputPath, output_folder);
  engine::put(ZUNO_EnableFileType, m.type_mask);
  engine::put(ZUNO_AutoIncrement, m.auto_increment);
}

void push_page_group(const SettingsMirror &m) {
  engine::put(ZUNO_PageingStyle, m.paging_style);
  // Megabytes are coarser than the setting's kilobytes: a size the user left alone goes back as it came.
  if (rule_uses_size(m.paging_style))
    engine::put(ZUNO_OnePageMax,
                m.page_size_mb == m.loaded_page_size_mb ? m.loaded_page_kb : m.page_size_mb * 1024);
  if (rule_uses_count(m.paging_style)) engine::put(ZUNO_OnePageNum, m.page_count);
  engine::put(ZUNO_SearchSubdir, m.subfolder_search);
  engine::put(ZUNO_SubdirDepth, m.depth);
  engine::put(ZUNO_Priority, priority_of(m.thumb_fit));
  // The sizes of the fits not chosen go back too: one the user set before switching fits is not lost.
  for (int fit : {kFitWidth, kFitHeight, kFitRatio})
    engine::put(thumb_setting_of(fit), fit == m.thumb_fit ? m.thumb_size : m.*thumb_size_of_fit(fit));
  const bool vertical = m.frame_style == kFrameVertical;
  engine::put(ZUNO_WindowSize, vertical ? m.design_width : m.design_height);
  engine::put(ZUNO_FrameStyle, m.frame_style);
  engine::put(ZUNO_FrameSizeRatio, vertical ? m.design_height : m.design_width);
  engine::put(ZUNO_BgFix, m.bg_fix);
  engine::put_str(ZUNO_BackGraund, m.wallpaper);
  engine::put(ZUNO_MakeThumbnail, m.make_thumb);
}

}  // namespace

int SettingsMirror::*thumb_size_of_fit(int thumb_fit) {
  if (thumb_fit == kFitHeight) return &SettingsMirror::current_hight;
  return thumb_fit == kFitRatio ? &SettingsMirror::current_scale : &SettingsMirror::current_width;
}

void load_mirror(SettingsMirror &m) {
  m.thumb_fit = thumb_fit_of(engine::get(ZUNO_Priority));
  m.current_width = engine::get(ZUNO_CurrentWidth);
  m.current_hight = engine::get(ZUNO_CurrentHight);
  m.current_scale = engine::get(ZUNO_CurrentScale);
  m.thumb_size = m.*thumb_size_of_fit(m.thumb_fit);
  m.subfolder_search = engine::get(ZUNO_SearchSubdir);
  m.depth = engine::get(ZUNO_SubdirDepth);
  const int window_size = engine::get(ZUNO_WindowSize);
  for (int i = 0; i < 5; ++i) m.colors[i] = engine::get(engine::setting_after(ZUNO_BgColor, i));
  m.color_mask = engine::get(ZUNO_ColorMask);
  m.frame_style = engine::get(ZUNO_FrameStyle);
  const int frame_size_ratio = engine::get(ZUNO_FrameSizeRatio);
  m.design_width = m.frame_style == kFrameHorizontal ? frame_size_ratio : window_size;
  m.design_height = m.frame_style == kFrameHorizontal ? window_size : frame_size_ratio;
  m.paging_style = engine::get(ZUNO_PageingStyle);
  m.loaded_page_kb = engine::get(ZUNO_OnePageMax);
  m.page_size_mb = m.loaded_page_size_mb = static_cast<int>(std::lround(m.loaded_page_kb / 1024.0));
  m.page_count = m.loaded_page_count = engine::get(ZUNO_OnePageNum);
  m.size_check = engine::get(ZUNO_SearchSizeType);
  m.min_width = engine::get(ZUNO_MaxX);
  m.min_height = engine::get(ZUNO_MaxY);
  m.banner = engine::get(ZUNO_Banner);
  m.motion_gif = engine::get(ZUNO_MotionGIF);
  m.prepared_url = engine::get(ZUNO_PreparedURL);
  m.prepared_url_known = m.prepared_url != -1;
  m.banner_x = engine::get(ZUNO_BannerX);
  m.banner_y = engine::get(ZUNO_BannerY);
  m.slender_ratio = engine::get(ZUNO_YXRatio);
  m.get_url = engine::get(ZUNO_GetUrl);
  m.sort_type = engine::get(ZUNO_SortType);
  m.sort_mode = engine::get(ZUNO_SortMode);
  m.file_copy = engine::get(ZUNO_FileCopy);
  m.copy_mode = engine::get(ZUNO_CopyMode);
  for (int i = 0; i < 5; ++i) m.cache_rules[i] = engine::get(engine::setting_after(ZUNO_CacheLimit, i));
  m.cache_banner = engine::get(ZUNO_CacheBanner);
  m.age = engine::get(ZUNO_UnderLimits);
  m.cpu_priority = engine::get(ZUNO_CpuPriority);
  m.index_ratio = engine::get(ZUNO_IndexRatio);
  m.cntl_ratio = engine::get(ZUNO_CntlRatio);
  m.bg_fix = engine::get(ZUNO_BgFix);
  m.del_cache = engine::get(ZUNO_DelCache);
  m.cache_h_ratio = engine::get(ZUNO_CacheHRatio);
  m.cache_check_broken = engine::get(ZUNO_CacheCheckBroken);
  m.make_thumb = engine::get(ZUNO_MakeThumbnail);
  m.use_yx_ratio = engine::get(ZUNO_UseYXRatio);
  m.type_mask = engine::get(ZUNO_EnableFileType);
  m.display_style = std::max(0, engine::get(ZUNO_ShowZunoP));
  m.auto_increment = engine::get(ZUNO_AutoIncrement);
  m.wallpaper.clear();
  engine::get_str(ZUNO_BackGraund, m.wallpaper);
  // The search words are pushed at every run, so they are loaded too, or the stored ones would be lost.
  m.search_string.clear();
  engine::get_str(ZUNO_LastSearchString, m.search_string);
}

void push_mirror(const SettingsMirror &mirror, const QString &output_folder) {
  push_filter_group(mirror, output_folder);
  push_page_group(mirror);
}

int type_mask_of(const TypeBoxes &boxes) {
  int mask = 0;
  for (int element = 0; element < kTypeBoxes; ++element)
    if (boxes[element]) mask |= kTypeBoxBits[element];
  return mask;
}

TypeBoxes type_boxes_of(int mask) {
  TypeBoxes boxes{};
  for (int element = 0; element < kTypeBoxes; ++element) boxes[element] = (mask & kTypeBoxBits[element]) != 0;
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
