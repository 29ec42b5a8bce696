#include "collect/thumbnail_path.h"

#include <vector>

#include "collect/distinct_names.h"
#include "collect/file_types.h"
#include "core/file_list.h"
#include "core/text.h"

namespace {

// The folder of `path` below `base`, "" or "/a/b"; "" for a picture outside it.
std::string folder_below(std::string_view path, std::string_view base) {
  std::string root = without_trailing_separator(base);
  if (root == "/") root.clear();
  if (path.size() <= root.size() || path.substr(0, root.size()) != root || path[root.size()] != '/')
    return "";
  std::string folder = folder_of(path.substr(root.size()));
  return folder == "/" ? std::string() : folder;
}

std::string plain_name(std::string_view path) {
  return stem_of(last_component(path)) + ".jpg";
}

// Every file a catalog may place and get_thumbinfo may hand out. A placed node
// passed the filter, or is a marked one of a deletion-candidate catalog.
bool may_get_thumbnail(const FileNode *n) {
  return n->path && !is_folder_entry(n) && n->type != -1 && n->type != TYPE_AVI && n->type != TYPE_MOVIE &&
         (n->passed == 1 || n->mark != 0);
}

}  // namespace

std::string thumbnail_base(const ZunoRecord &rec, std::string_view output) {
  return rec.FileCopy == 1 ? join_path(output, "Images") : std::string(rec.TargetPath);
}

ThumbnailPlan plan_thumbnails(const FileNode *head, std::string base) {
  ThumbnailPlan plan;
  plan.base = std::move(base);
  std::vector<const FileNode *> nodes;
  std::vector<NameWish> wishes;
  for (const FileNode *n = head; is_listed(n); n = n->next) {
    if (!may_get_thumbnail(n)) continue;
    nodes.push_back(n);
    wishes.push_back({folder_below(n->path, plan.base), plain_name(n->path), last_component(n->path)});
  }
  std::vector<std::string> names = distinct_names(wishes);
  for (size_t i = 0; i < nodes.size(); ++i) plan.below[nodes[i]] = wishes[i].folder + "/" + names[i];
  return plan;
}

std::string thumbnail_below(const ThumbnailPlan &plan, const FileNode *node) {
  auto it = plan.below.find(node);
  if (it != plan.below.end()) return it->second;
  std::string path = node->path ? node->path : "";
  return folder_below(path, plan.base) + "/" + plain_name(path);
}
