#include "html/catalog_common.h"

#include <cstdio>

#include "collect/collect_steps.h"
#include "core/error_log.h"
#include "core/text.h"
#include "platform/platform.h"

std::string catalog_page_name(int group, int page) {
  char name[48];
  snprintf(name, sizeof name, "index%03d%03d.html", group, page);
  return name;
}

std::string catalog_folder(const ZunoRecord &rec) {
  return join_path(rec.OutputPath, rec.HtmlOut);
}

std::string button_path(const ZunoRecord &rec, const char *name) {
  return join_path(join_path(rec.ExecPath, "button"), name);
}

std::string template_path(const ZunoRecord &rec, const char *name) {
  const std::string own = join_path(rec.IniPath, "html");
  // A user's own settings folder (an installed program's) has templates only when
  // the user made an html folder there; the program's are read otherwise.
  if (!rec.ExecPath[0] || plat::is_dir(own)) return join_path(own, name);
  return join_path(join_path(rec.ExecPath, "html"), name);
}

std::optional<std::string> path_below(std::string_view path, std::string_view folder) {
  std::string base = without_trailing_separator(folder);
  if (base.empty() || base == "/") {
    if (!path.empty() && path[0] == '/') return std::string(path);
    return std::nullopt;
  }
  if (path.size() <= base.size() || path.substr(0, base.size()) != base || path[base.size()] != '/')
    return std::nullopt;
  return std::string(path.substr(base.size()));
}

void copy_catalog_file(const std::string &source, const std::string &destination) {
  bincopy(3, source.c_str(), destination.c_str());
}

bool write_catalog_page(const std::string &path, const std::string &text) {
  int err = plat::write_file_replace(path, text);
  if (err) record_error("カタログのページを書けません: " + path + ": " + plat::error_text(err));
  return err == 0;
}
