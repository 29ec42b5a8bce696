#include "settings/settings_table.h"

#include <cstring>

namespace {

using K = SettingKind;

// In file order: lookups walk a section's keys in this order.
constexpr SettingInfo kSettings[] = {
    {1, "TargetPath", "[Path]", K::Text},
    {8, "OutputPath", "[Path]", K::OutputPath},
    {9, "ExecPath", "[Path]", K::Text},
    {10, "IniPath", "[Path]", K::Text},
    {12, "TempPath", "[Path]", K::Text},
    {37, "HtmlOut", "[Path]", K::CatalogName},
    {2, "Priority", "[Size]", K::Int},
    {3, "CurrentWidth", "[Size]", K::Int},
    {4, "CurrentHight", "[Size]", K::Int},
    {5, "CurrentScale", "[Size]", K::Int},
    {6, "SearchSubdir", "[Search]", K::Int},
    {7, "SubdirDepth", "[Search]", K::Int},
    {13, "BgColor", "[Color]", K::Color},
    {14, "TextColor", "[Color]", K::Color},
    {15, "LinkColor", "[Color]", K::Color},
    {16, "ALinkColor", "[Color]", K::Color},
    {17, "VLinkColor", "[Color]", K::Color},
    {35, "BackGraund", "[Color]", K::Text},
    {36, "BgFix", "[Color]", K::Int},
    {11, "WindowSize", "[Frame]", K::Int},
    {18, "FrameStyle", "[Frame]", K::Int},
    {19, "FrameSizeRatio", "[Frame]", K::Int},
    {46, "IndexRatio", "[Frame]", K::Int},
    {47, "CntlRatio", "[Frame]", K::Int},
    {20, "PageingStyle", "[Page]", K::Int},
    {21, "OnePageMax", "[Page]", K::Int},
    {22, "OnePageNum", "[Page]", K::Int},
    {23, "SearchSizeType", "[SearchType]", K::Int},
    {24, "MaxX", "[SearchType]", K::Int},
    {25, "MaxY", "[SearchType]", K::Int},
    {26, "Banner", "[SearchType]", K::Int},
    {27, "BannerX", "[SearchType]", K::Int},
    {28, "BannerY", "[SearchType]", K::Int},
    {29, "Y/XRatio", "[SearchType]", K::Ratio},
    {52, "UseY/XRatio", "[SearchType]", K::Int},
    {30, "GetUrl", "[SearchType]", K::Int},
    {44, "UnderLimits", "[SearchType]", K::AgeChoice},
    {50, "BannerMargin", "[SearchType]", K::Int},
    {53, "EnableFileType", "[SearchType]", K::Int},
    {56, "MotionGIF", "[SearchType]", K::Int},
    {58, "PreparedURL", "[SearchType]", K::Int},
    {59, "LastSearchString", "[SearchType]", K::Text},
    {31, "SortType", "[Sort]", K::Int},
    {32, "SortMode", "[Sort]", K::Int},
    {33, "FileCopy", "[File]", K::Int},
    {34, "CopyMode", "[File]", K::Int},
    {51, "MakeThumbnail", "[File]", K::Int},
    {38, "CacheLimit", "[Cache]", K::Int},
    {39, "CacheSize", "[Cache]", K::Int},
    {40, "CacheX", "[Cache]", K::Int},
    {41, "CacheY", "[Cache]", K::Int},
    {42, "CacheSRatio", "[Cache]", K::Int},
    {43, "CacheBanner", "[Cache]", K::Int},
    {49, "CacheHRatio", "[Cache]", K::Int},
    {60, "CacheCheckBroken", "[Cache]", K::Int},
    {45, "CpuPriority", "[System]", K::Int},
    {48, "DelCache", "[System]", K::Int},
    {54, "ShowZunoP", "[System]", K::Int},
    {55, "LastBackUpTime", "[System]", K::Time},
    {57, "AutoIncrement", "[System]", K::Int},
};

}  // namespace

const SettingInfo *setting_by_number(int number) {
  for (const SettingInfo &s : kSettings)
    if (s.number == number) return &s;
  return nullptr;
}

const SettingInfo *setting_by_key(const char *section, const char *key) {
  for (const SettingInfo &s : kSettings)
    if (strcmp(s.section, section) == 0 && strcmp(s.key, key) == 0) return &s;
  return nullptr;
}

bool is_known_section(const char *section) {
  for (const SettingInfo &s : kSettings)
    if (strcmp(s.section, section) == 0) return true;
  return false;
}

int settings_key_number(const char *key) {
  if (!key) return -1;
  for (const SettingInfo &s : kSettings)
    if (strcmp(s.key, key) == 0) return s.number;
  return -1;
}

int color_index(int number) {
  return number >= 13 && number <= 17 ? number - 13 : -1;
}

int *int_field(ZunoRecord &r, int number) {
  switch (number) {
    case 2:
      return &r.Priority;
    case 3:
      return &r.CurrentWidth;
    case 4:
      return &r.CurrentHight;
    case 5:
      return &r.CurrentScale;
    case 6:
      return &r.SearchSubdir;
    case 7:
      return &r.SubdirDepth;
    case 11:
      return &r.WindowSize;
    case 18:
      return &r.FrameStyle;
    case 19:
      return &r.FrameSizeRatio;
    case 20:
      return &r.PageingStyle;
    case 21:
      return &r.OnePageMax;
    case 22:
      return &r.OnePageNum;
    case 23:
      return &r.SearchSizeType;
    case 24:
      return &r.MaxX;
    case 25:
      return &r.MaxY;
    case 26:
      return &r.Banner;
    case 27:
      return &r.BannerX;
    case 28:
      return &r.BannerY;
    case 30:
      return &r.GetUrl;
    case 31:
      return &r.SortType;
    case 32:
      return &r.SortMode;
    case 33:
      return &r.FileCopy;
    case 34:
      return &r.CopyMode;
    case 36:
      return &r.BgFix;
    case 38:
      return &r.CacheLimit;
    case 39:
      return &r.CacheSize;
    case 40:
      return &r.CacheX;
    case 41:
      return &r.CacheY;
    case 42:
      return &r.CacheSRatio;
    case 43:
      return &r.CacheBanner;
    case 44:
      return &r.UnderLimits;
    case 45:
      return &r.CpuPriority;
    case 46:
      return &r.IndexRatio;
    case 47:
      return &r.CntlRatio;
    case 48:
      return &r.DelCache;
    case 49:
      return &r.CacheHRatio;
    case 50:
      return &r.BannerMargin;
    case 51:
      return &r.MakeThumbnail;
    case 52:
      return &r.UseYXRatio;
    case 53:
      return &r.EnableFileType;
    case 54:
      return &r.ShowZunoP;
    case 56:
      return &r.MotionGIF;
    case 57:
      return &r.AutoIncrement;
    case 58:
      return &r.PreparedURL;
    case 60:
      return &r.CacheCheckBroken;
    case 100:
      return &r.ColorMask;
    default:
      return nullptr;
  }
}

char *text_field(ZunoRecord &r, int number, size_t *cap) {
  char *field = nullptr;
  size_t size = kFieldSize;
  switch (number) {
    case 1:
      field = r.TargetPath;
      break;
    case 8:
      field = r.OutputPath;
      break;
    case 9:
      field = r.ExecPath;
      break;
    case 10:
      field = r.IniPath;
      break;
    case 12:
      field = r.TempPath;
      break;
    case 35:
      field = r.BackGraund;
      break;
    case 37:
      field = r.HtmlOut;
      break;
    case 59:
      field = r.LastSearchString;
      break;
    case 13:
      field = r.BgColor;
      size = kColorSize;
      break;
    case 14:
      field = r.TextColor;
      size = kColorSize;
      break;
    case 15:
      field = r.LinkColor;
      size = kColorSize;
      break;
    case 16:
      field = r.ALinkColor;
      size = kColorSize;
      break;
    case 17:
      field = r.VLinkColor;
      size = kColorSize;
      break;
    default:
      return nullptr;
  }
  if (cap) *cap = size;
  return field;
}
