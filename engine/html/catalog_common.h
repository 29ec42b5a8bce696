// Names and small services shared by the catalog writers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/engine_state.h"

constexpr const char *kCatalogTitle = "Quillo-V0.60";
// The script beside every catalog page that defines showcg (copied from the templates).
constexpr const char *kViewerScript = "quillo.js";

// "index" + group (3 digits) + page (3 digits, more when needed) + ".html".
std::string catalog_page_name(int group, int page);
// OutputPath + "/" + HtmlOut.
std::string catalog_folder(const ZunoRecord &rec);
// The program's button picture `name` (ExecPath/button/name).
std::string button_path(const ZunoRecord &rec, const char *name);
// The template `name`: IniPath/html/name, or ExecPath/html/name when the settings
// folder has no html folder (a user's own copy of an installed program's settings).
std::string template_path(const ZunoRecord &rec, const char *name);

// What follows `folder` in `path` when `path` lies inside `folder` (begins with
// "/"), else nothing.
std::optional<std::string> path_below(std::string_view path, std::string_view folder);

// Copies a file the catalog needs, replacing an older copy. A failure is recorded
// by the copier and does not stop the catalog.
void copy_catalog_file(const std::string &source, const std::string &destination);

// Writes a page whole; false (recorded, the old file left as it was) when it cannot.
bool write_catalog_page(const std::string &path, const std::string &text);
