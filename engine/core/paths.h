// Path services: temporary names, the browser cache, local settings and favourites
// folders, and the folder file deleter.
#pragma once

#include <string>
#include <string_view>

struct ZunoRecord;

// The private temporary folder (plat::check_temp_dir); "" with the refusal recorded.
std::string private_temp_folder();
// A folder below the private temporary folder ("zunotemp/temp_html"), each level made
// when missing. "" with the error recorded when the private folder is refused or a
// level is a symbolic link or not a folder: what a run deletes and writes there must
// be inside the private folder itself.
std::string private_temp_subfolder(const std::string &relative);
// A fresh "zunotempNNNN.tmp" name in the private temporary folder; the counter only
// grows. "" with the refusal recorded when that folder is refused.
std::string temp_file_name();
// The browser cache folder derived from OS / WINDIR / USERPROFILE; false when none can be derived.
bool browser_cache_folder(std::string *out);
bool local_settings_folder(std::string *out);
// The browser favourites folder: the Windows profile's "Favorites" when a profile is
// configured (USERPROFILE or WINDIR), else "$XDG_DATA_HOME/quillo/Favorites" (XDG
// default ~/.local/share). false when neither a profile nor a home is known.
bool favourites_folder(std::string *out);
// The cache a run reads when the user chose none: the derived old cache when it
// exists, else the first cache of the user's browsers (find_browser_caches), else
// the derived folder even though it is missing. false when none is known.
bool default_cache_folder(std::string *out);
// The browser cache folder a cache run reads: the user's chosen folder (setting
// CacheFolder), else default_cache_folder. false when neither is known.
bool run_cache_folder(const ZunoRecord &rec, std::string *out);
// The folder where cache runs put their copies of the browser cache:
// <output>/<cache_presented_name>/Images ("_root" standing for the root's name).
std::string cache_backup_folder(std::string_view output, std::string_view cache);
// True when a file name matches a "*.ext"-style pattern ("*" any run, "?" one byte;
// letters compared without case, as the folder enumeration this stands in for did).
bool wildcard_match(const char *pattern, const char *name);
