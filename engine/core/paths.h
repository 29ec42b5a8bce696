// Path services: temporary names, the browser cache, local settings and favourites
// folders, and the folder file deleter.
#pragma once

#include <string>

// A fresh "zunotempNNNN.tmp" name in the temporary folder; the counter only grows.
std::string temp_file_name();
// The browser cache folder derived from OS / WINDIR / USERPROFILE; false when none can be derived.
bool browser_cache_folder(std::string *out);
bool local_settings_folder(std::string *out);
bool favourites_folder(std::string *out);
// True when a file name matches a "*.ext"-style pattern ("*" any run, "?" one byte;
// letters compared without case, as the folder enumeration this stands in for did).
bool wildcard_match(const char *pattern, const char *name);
