#include "setting_keys.h"

namespace {

using C = CliSettingKind;

constexpr CliSettingKey kKeys[] = {
    {"TargetPath", ZUNO_TargetPath, C::Text},
    {"Priority", ZUNO_Priority, C::Int},
    {"CurrentWidth", ZUNO_CurrentWidth, C::Int},
    {"CurrentHight", ZUNO_CurrentHight, C::Int},
    {"CurrentScale", ZUNO_CurrentScale, C::Int},
    {"SearchSubdir", ZUNO_SearchSubdir, C::Int},
    {"SubdirDepth", ZUNO_SubdirDepth, C::Int},
    {"OutputPath", ZUNO_OutputPath, C::Text},
    {"ExecPath", ZUNO_ExecPath, C::ProgramChosen},
    {"IniPath", ZUNO_IniPath, C::ProgramChosen},
    {"WindowSize", ZUNO_WindowSize, C::Int},
    {"TempPath", ZUNO_TempPath, C::ProgramChosen},
    {"BgColor", ZUNO_BgColor, C::Color},
    {"TextColor", ZUNO_TextColor, C::Color},
    {"LinkColor", ZUNO_LinkColor, C::Color},
    {"ALinkColor", ZUNO_ALinkColor, C::Color},
    {"VLinkColor", ZUNO_VLinkColor, C::Color},
    {"FrameStyle", ZUNO_FrameStyle, C::Int},
    {"FrameSizeRatio", ZUNO_FrameSizeRatio, C::Int},
    {"PageingStyle", ZUNO_PageingStyle, C::Int},
    {"OnePageMax", ZUNO_OnePageMax, C::Int},
    {"OnePageNum", ZUNO_OnePageNum, C::Int},
    {"SearchSizeType", ZUNO_SearchSizeType, C::Int},
    {"MaxX", ZUNO_MaxX, C::Int},
    {"MaxY", ZUNO_MaxY, C::Int},
    {"Banner", ZUNO_Banner, C::Int},
    {"BannerX", ZUNO_BannerX, C::Int},
    {"BannerY", ZUNO_BannerY, C::Int},
    {"Y/XRatio", ZUNO_YXRatio, C::Ratio},
    {"GetUrl", ZUNO_GetUrl, C::Int},
    {"SortType", ZUNO_SortType, C::Int},
    {"SortMode", ZUNO_SortMode, C::Int},
    {"FileCopy", ZUNO_FileCopy, C::Int},
    {"CopyMode", ZUNO_CopyMode, C::Int},
    {"BackGraund", ZUNO_BackGraund, C::Text},
    {"BgFix", ZUNO_BgFix, C::Int},
    {"HtmlOut", ZUNO_HtmlOut, C::EngineKept},
    {"CacheLimit", ZUNO_CacheLimit, C::Int},
    {"CacheSize", ZUNO_CacheSize, C::Int},
    {"CacheX", ZUNO_CacheX, C::Int},
    {"CacheY", ZUNO_CacheY, C::Int},
    {"CacheSRatio", ZUNO_CacheSRatio, C::Int},
    {"CacheBanner", ZUNO_CacheBanner, C::Int},
    {"UnderLimits", ZUNO_UnderLimits, C::Int},
    {"CpuPriority", ZUNO_CpuPriority, C::Int},
    {"IndexRatio", ZUNO_IndexRatio, C::Int},
    {"CntlRatio", ZUNO_CntlRatio, C::Int},
    {"DelCache", ZUNO_DelCache, C::Int},
    {"CacheHRatio", ZUNO_CacheHRatio, C::Int},
    {"BannerMargin", ZUNO_BannerMargin, C::FileOnly},
    {"MakeThumbnail", ZUNO_MakeThumbnail, C::Int},
    {"UseY/XRatio", ZUNO_UseYXRatio, C::Int},
    {"EnableFileType", ZUNO_EnableFileType, C::Int},
    {"ShowZunoP", ZUNO_ShowZunoP, C::Int},
    {"LastBackUpTime", ZUNO_LastBackUpTime, C::EngineKept},
    {"MotionGIF", ZUNO_MotionGIF, C::Int},
    {"AutoIncrement", ZUNO_AutoIncrement, C::Int},
    {"PreparedURL", ZUNO_PreparedURL, C::Int},
    {"LastSearchString", ZUNO_LastSearchString, C::Text},
    {"CacheCheckBroken", ZUNO_CacheCheckBroken, C::Int},
    {"CacheFolder", ZUNO_CacheFolder, C::Text},
};

}  // namespace

std::span<const CliSettingKey> cli_setting_keys() {
  return kKeys;
}

const CliSettingKey *cli_setting_key(const std::string &key) {
  for (const CliSettingKey &k : kKeys)
    if (key == k.key) return &k;
  return nullptr;
}
