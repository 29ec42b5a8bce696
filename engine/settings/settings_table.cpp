#include "settings/settings_table.h"

#include <climits>
#include <cstring>

namespace {

using K = SettingKind;
using R = ZunoRecord;

constexpr unsigned kIntAccess = kGet | kPut | kFile;

// A plain number: ZunoGet, ZunoPut and the file, stored unchanged.
constexpr SettingInfo int_row(ZunoSettingNumber n, const char *key, const char *section, int R::*member,
                              int lo, int hi) {
  return {n, key, section, K::Int, kIntAccess, {.int_member = member}, {lo, hi, false}};
}

// A text: the file always, ZunoGetStr and ZunoPutStr as `access` says.
constexpr SettingInfo text_row(ZunoSettingNumber n, const char *key, char (R::*member)[kFieldSize],
                               unsigned access, const char *section = "[Path]", K kind = K::Text) {
  return {n, key, section, kind, access, {.text_member = member}, {}};
}

// A colour: its text in the file, 0xBBGGRR through the accessors.
constexpr SettingInfo color_row(ZunoSettingNumber n, const char *key, char (R::*member)[kColorSize],
                                int slot) {
  return {
      n, key, "[Color]", K::Color, kIntAccess, {.color_member = member, .color_slot = slot}, {0, 0xFFFFFF}};
}

// The same row held to its range by the readers.
constexpr SettingInfo clamped(SettingInfo row) {
  row.range.clamped = true;
  return row;
}

// The same row reached by the file alone.
constexpr SettingInfo file_only(SettingInfo row) {
  row.access = kFile;
  return row;
}

// The same row converted its own way.
constexpr SettingInfo of_kind(SettingInfo row, K kind) {
  row.kind = kind;
  return row;
}

// Texts the front end may read but only the engine sets: ZunoPut takes their number and ignores it.
constexpr unsigned kEngineText = kGetText | kPutIgnored | kFile;
// Texts the front end sets as well.
constexpr unsigned kUserText = kGetText | kPutText | kPutIgnored | kFile;

constexpr int kPixels = 32767;  // a node keeps picture sizes in 16 bits
constexpr int kAny = INT_MAX;

// The file's settings in file order, then the colour mask the file does not hold.
constexpr SettingInfo kSettings[] = {
    text_row(ZUNO_TargetPath, "TargetPath", &R::TargetPath, kUserText),
    text_row(ZUNO_OutputPath, "OutputPath", &R::OutputPath, kUserText, "[Path]", K::OutputPath),
    text_row(ZUNO_ExecPath, "ExecPath", &R::ExecPath, kEngineText),
    text_row(ZUNO_IniPath, "IniPath", &R::IniPath, kEngineText),
    text_row(ZUNO_TempPath, "TempPath", &R::TempPath, kEngineText),
    // Chosen by each run's preparation: the file's line is known, never read or written.
    text_row(ZUNO_HtmlOut, "HtmlOut", &R::HtmlOut, kGetText, "[Path]", K::CatalogName),
    int_row(ZUNO_Priority, "Priority", "[Size]", &R::Priority, 0, 2),
    // A zero gives zero sides; a negative one would give negative display sizes.
    clamped(int_row(ZUNO_CurrentWidth, "CurrentWidth", "[Size]", &R::CurrentWidth, 0, kPixels)),
    clamped(int_row(ZUNO_CurrentHight, "CurrentHight", "[Size]", &R::CurrentHight, 0, kPixels)),
    clamped(int_row(ZUNO_CurrentScale, "CurrentScale", "[Size]", &R::CurrentScale, 0, kPixels)),
    int_row(ZUNO_SearchSubdir, "SearchSubdir", "[Search]", &R::SearchSubdir, 0, 1),
    // Also the page buffer's size in KiB, which the first read holds to this range.
    clamped(int_row(ZUNO_SubdirDepth, "SubdirDepth", "[Search]", &R::SubdirDepth, 0, 4096)),
    color_row(ZUNO_BgColor, "BgColor", &R::BgColor, 0),
    color_row(ZUNO_TextColor, "TextColor", &R::TextColor, 1),
    color_row(ZUNO_LinkColor, "LinkColor", &R::LinkColor, 2),
    color_row(ZUNO_ALinkColor, "ALinkColor", &R::ALinkColor, 3),
    color_row(ZUNO_VLinkColor, "VLinkColor", &R::VLinkColor, 4),
    text_row(ZUNO_BackGraund, "BackGraund", &R::BackGraund, kUserText, "[Color]"),
    int_row(ZUNO_BgFix, "BgFix", "[Color]", &R::BgFix, 0, 1),
    clamped(int_row(ZUNO_WindowSize, "WindowSize", "[Frame]", &R::WindowSize, 0, kPixels)),
    int_row(ZUNO_FrameStyle, "FrameStyle", "[Frame]", &R::FrameStyle, 0, 1),
    // A share in percent for the frameset, the window's height in pixels elsewhere.
    clamped(int_row(ZUNO_FrameSizeRatio, "FrameSizeRatio", "[Frame]", &R::FrameSizeRatio, 0, kPixels)),
    clamped(int_row(ZUNO_IndexRatio, "IndexRatio", "[Frame]", &R::IndexRatio, 0, 100)),
    clamped(int_row(ZUNO_CntlRatio, "CntlRatio", "[Frame]", &R::CntlRatio, 0, 100)),
    int_row(ZUNO_PageingStyle, "PageingStyle", "[Page]", &R::PageingStyle, 0, 2),
    // Kilobytes; the folder catalog counts it in bytes, so the bytes must fit an int.
    clamped(int_row(ZUNO_OnePageMax, "OnePageMax", "[Page]", &R::OnePageMax, 0, kAny / 1024)),
    int_row(ZUNO_OnePageNum, "OnePageNum", "[Page]", &R::OnePageNum, 1, kAny),
    int_row(ZUNO_SearchSizeType, "SearchSizeType", "[SearchType]", &R::SearchSizeType, 0, 4),
    // Compared with the picture's real size, which may exceed what a node's field holds.
    clamped(int_row(ZUNO_MaxX, "MaxX", "[SearchType]", &R::MaxX, 0, kAny)),
    clamped(int_row(ZUNO_MaxY, "MaxY", "[SearchType]", &R::MaxY, 0, kAny)),
    int_row(ZUNO_Banner, "Banner", "[SearchType]", &R::Banner, 0, 1),
    int_row(ZUNO_BannerX, "BannerX", "[SearchType]", &R::BannerX, 0, kPixels),
    int_row(ZUNO_BannerY, "BannerY", "[SearchType]", &R::BannerY, 0, kPixels),
    // Through the accessors in tenths.
    {ZUNO_YXRatio, "Y/XRatio", "[SearchType]", K::Ratio, kIntAccess, {.real_member = &R::YXRatio}, {0, kAny}},
    int_row(ZUNO_UseYXRatio, "UseY/XRatio", "[SearchType]", &R::UseYXRatio, 0, 1),
    int_row(ZUNO_GetUrl, "GetUrl", "[SearchType]", &R::GetUrl, 0, 3),
    // -1 takes the time of the last cache analysis; 7 and up count days.
    of_kind(int_row(ZUNO_UnderLimits, "UnderLimits", "[SearchType]", &R::UnderLimits, -1, kAny),
            K::AgeChoice),
    file_only(int_row(ZUNO_BannerMargin, "BannerMargin", "[SearchType]", &R::BannerMargin, 0, 100)),
    of_kind(int_row(ZUNO_EnableFileType, "EnableFileType", "[SearchType]", &R::EnableFileType, 0, kAny),
            K::TypeMask),
    int_row(ZUNO_MotionGIF, "MotionGIF", "[SearchType]", &R::MotionGIF, 0, 1),
    int_row(ZUNO_PreparedURL, "PreparedURL", "[SearchType]", &R::PreparedURL, 0, 1),
    text_row(ZUNO_LastSearchString, "LastSearchString", &R::LastSearchString, kGetText | kPutText | kFile,
             "[SearchType]"),
    int_row(ZUNO_SortType, "SortType", "[Sort]", &R::SortType, 0, 5),
    int_row(ZUNO_SortMode, "SortMode", "[Sort]", &R::SortMode, 0, 1),
    int_row(ZUNO_FileCopy, "FileCopy", "[File]", &R::FileCopy, 0, 1),
    int_row(ZUNO_CopyMode, "CopyMode", "[File]", &R::CopyMode, 0, 3),
    int_row(ZUNO_MakeThumbnail, "MakeThumbnail", "[File]", &R::MakeThumbnail, 0, 1),
    int_row(ZUNO_CacheLimit, "CacheLimit", "[Cache]", &R::CacheLimit, 0, kAny),
    int_row(ZUNO_CacheSize, "CacheSize", "[Cache]", &R::CacheSize, 0, kAny),
    clamped(int_row(ZUNO_CacheX, "CacheX", "[Cache]", &R::CacheX, 0, kAny)),
    clamped(int_row(ZUNO_CacheY, "CacheY", "[Cache]", &R::CacheY, 0, kAny)),
    int_row(ZUNO_CacheSRatio, "CacheSRatio", "[Cache]", &R::CacheSRatio, 0, kAny),
    int_row(ZUNO_CacheBanner, "CacheBanner", "[Cache]", &R::CacheBanner, 0, 1),
    int_row(ZUNO_CacheHRatio, "CacheHRatio", "[Cache]", &R::CacheHRatio, 0, kAny),
    int_row(ZUNO_CacheCheckBroken, "CacheCheckBroken", "[Cache]", &R::CacheCheckBroken, 0, 1),
    text_row(ZUNO_CacheFolder, "CacheFolder", &R::ChosenCacheFolder, kUserText, "[Cache]"),
    // 100 and more: the abort poll never yields.
    clamped(int_row(ZUNO_CpuPriority, "CpuPriority", "[System]", &R::CpuPriority, 0, 100)),
    int_row(ZUNO_DelCache, "DelCache", "[System]", &R::DelCache, 0, kAny),
    int_row(ZUNO_ShowZunoP, "ShowZunoP", "[System]", &R::ShowZunoP, 0, kAny),
    {ZUNO_LastBackUpTime,
     "LastBackUpTime",
     "[System]",
     K::Time,
     kFile,
     {.time_member = &R::LastBackUpTime},
     {}},
    int_row(ZUNO_AutoIncrement, "AutoIncrement", "[System]", &R::AutoIncrement, 0, 1),
    // Bits of the colours the file gave as "#" and hex digits, in colour slot order.
    {ZUNO_ColorMask, nullptr, nullptr, K::Int, kGet | kPut, {.int_member = &R::ColorMask}, {0, 31}},
};

bool in_file(const SettingInfo &s) {
  return s.key && s.section;
}

}  // namespace

std::span<const SettingInfo> all_settings() {
  return kSettings;
}

const SettingInfo *setting_by_number(int number) {
  for (const SettingInfo &s : kSettings)
    if (s.number == number) return &s;
  return nullptr;
}

const SettingInfo *setting_by_key(const char *section, const char *key) {
  for (const SettingInfo &s : kSettings)
    if (in_file(s) && strcmp(s.section, section) == 0 && strcmp(s.key, key) == 0) return &s;
  return nullptr;
}

bool is_known_section(const char *section) {
  for (const SettingInfo &s : kSettings)
    if (in_file(s) && strcmp(s.section, section) == 0) return true;
  return false;
}

int settings_key_number(const char *key) {
  if (!key) return -1;
  for (const SettingInfo &s : kSettings)
    if (in_file(s) && strcmp(s.key, key) == 0) return s.number;
  return -1;
}

namespace {

constexpr int kNewerTypes = ZUNO_TYPES_PICTURES & ~ZUNO_TYPES_BEFORE_WEBP;

// A mask an older version would also have written for "every picture type".
bool reads_as_older_all(int mask) {
  return (mask & ZUNO_TYPES_BEFORE_WEBP) == ZUNO_TYPES_BEFORE_WEBP && (mask & kNewerTypes) == 0;
}

}  // namespace

int type_mask_from_file(int stored) {
  if (stored & ZUNO_TYPES_CHOSEN) return stored & ~ZUNO_TYPES_CHOSEN;
  return reads_as_older_all(stored) ? stored | kNewerTypes : stored;
}

int type_mask_for_file(int mask) {
  return reads_as_older_all(mask) ? mask | ZUNO_TYPES_CHOSEN : mask & ~ZUNO_TYPES_CHOSEN;
}

int setting_clamped(const SettingInfo &info, int value) {
  if (!info.range.clamped) return value;
  return value < info.range.lo ? info.range.lo : value > info.range.hi ? info.range.hi : value;
}

int color_index(int number) {
  const SettingInfo *s = setting_by_number(number);
  return s ? s->field.color_slot : -1;
}

int *int_field(ZunoRecord &r, int number) {
  const SettingInfo *s = setting_by_number(number);
  return s && s->field.int_member ? &(r.*(s->field.int_member)) : nullptr;
}

char *text_field(ZunoRecord &r, int number, size_t *cap) {
  const SettingInfo *s = setting_by_number(number);
  if (!s) return nullptr;
  if (s->field.text_member) {
    if (cap) *cap = kFieldSize;
    return r.*(s->field.text_member);
  }
  if (s->field.color_member) {
    if (cap) *cap = kColorSize;
    return r.*(s->field.color_member);
  }
  return nullptr;
}
