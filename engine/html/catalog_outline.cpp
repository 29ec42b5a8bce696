#include "html/catalog_outline.h"

#include <algorithm>
#include <map>

#include "core/text.h"
#include "html/catalog_common.h"
#include "html/html_escape.h"

namespace {

struct Outline {
  std::map<std::string, OutlineFolder> folders;
  // A listing keeps a folder's files together: most pictures land in the folder before them.
  OutlineFolder *last = nullptr;
};

Outline &state() {
  static Outline outline;
  return outline;
}

std::map<std::string, OutlineFolder> &outline() {
  return state().folders;
}

// The folder part of a path as folder_of gives it, without a copy.
std::string_view folder_view(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// The longest folder path that holds every folder of the outline.
std::string common_parent(const std::vector<OutlineFolder> &folders) {
  std::string common = folders.front().folder;
  for (const OutlineFolder &f : folders) {
    while (!common.empty() && f.folder != common && f.folder.rfind(common + "/", 0) != 0) {
      std::string up = folder_of(common);
      common = up == common ? "" : up;
    }
  }
  return common;
}

int depth_below(const std::string &folder, const std::string &parent) {
  if (folder.size() <= parent.size()) return 0;
  return static_cast<int>(std::count(folder.begin() + static_cast<long>(parent.size()), folder.end(), '/'));
}

}  // namespace

void outline_reset() {
  outline().clear();
  state().last = nullptr;
}

void outline_add(std::string_view picture_path, int page) {
  Outline &o = state();
  if (o.last && o.last->folder == folder_view(picture_path)) {
    ++o.last->pictures;
    return;
  }
  std::string folder = folder_of(picture_path);
  auto [it, added] = o.folders.try_emplace(folder);
  if (added) {
    it->second.folder = folder;
    it->second.first_page = page;
  }
  ++it->second.pictures;
  o.last = &it->second;
}

std::vector<OutlineFolder> outline_folders() {
  std::vector<OutlineFolder> folders;
  for (const auto &[path, folder] : outline()) folders.push_back(folder);
  return folders;
}

std::vector<std::string> outline_markup(const std::vector<OutlineFolder> &folders) {
  std::vector<std::string> lines;
  if (folders.size() < 2) return lines;
  std::string parent = common_parent(folders);
  for (const OutlineFolder &f : folders) {
    int depth = depth_below(f.folder, parent);
    std::string name = f.folder.empty() ? "/" : last_component(f.folder);
    lines.push_back("<div class=\"folder\" style=\"padding-left:" + std::to_string(depth) +
                    "em\"><a href=\"" + catalog_page_name(0, f.first_page) +
                    "\" target=\"catalog\" title=\"" + html_escape(f.folder) + "\">" + html_escape(name) +
                    "</a> (" + std::to_string(f.pictures) + ")</div>");
  }
  return lines;
}
