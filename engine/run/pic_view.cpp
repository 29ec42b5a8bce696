// The picture view: a throw-away catalog of a few picked pictures, written into
// zunotemp/temp_html of the private temporary folder with the user's settings but
// without the collection filters.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "collect/tree_scan.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "core/paths.h"
#include "core/text.h"
#include "platform/platform.h"
#include "run/gathering.h"

namespace {

constexpr const char *kViewFolder = "zunotemp";
constexpr const char *kViewCatalog = "temp_html";

// The paths of the text, each ended by CR LF; text after the last CR LF is not a path.
std::vector<std::string> split_paths(std::string_view text) {
  std::vector<std::string> paths;
  size_t pos = 0;
  for (size_t end; (end = text.find("\r\n", pos)) != std::string_view::npos; pos = end + 2) {
    std::string_view path = text.substr(pos, end - pos);
    if (path.empty()) continue;
    if (path.size() > kMaxPathBytes) {
      record_error("ピクチャービュー: " + std::to_string(kMaxPathBytes) +
                   " バイトを超えるパスは除外しました");
      continue;
    }
    paths.emplace_back(path);
  }
  return paths;
}

bool fill_node(FileNode *node, const std::string &path) {
  if (!set_node_text(&node->path, path)) return false;
  plat::Stat st;
  if (plat::stat_path(path, &st)) {
    node->created = st.created;
    node->accessed = st.accessed;
    node->modified = st.modified;
    node->size = st.size;
  }
  return true;
}

// One node per path, the last path first, then the terminal node. false when memory ran out.
bool build_list(FileNode *head, const std::vector<std::string> &paths) {
  FileNode *node = head;
  for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
    if (!fill_node(node, *it)) return false;
    node->next = new_node();
    if (!node->next) return false;
    node = node->next;
  }
  return true;
}

ZunoRecord view_settings(const ZunoRecord &rec, const std::string &output) {
  ZunoRecord work = rec;
  work.MaxX = 0;
  work.MaxY = 0;
  work.YXRatio = 1000.0f;
  work.EnableFileType = PICTURE_MASK;
  work.GetUrl = 0;
  work.MotionGIF = 0;
  work.PreparedURL = 0;
  work.FileCopy = 0;
  work.UnderLimits = 0;
  work.AutoIncrement = 0;
  work.CacheView = 0;
  work.LastSearchString[0] = '\0';
  copy_field(work.OutputPath, output, "OutputPath");
  copy_field(work.HtmlOut, kViewCatalog, "HtmlOut");
  return work;
}

int write_view(ZunoRecord &rec, FileNode *head, const char *text) {
  if (!build_list(head, split_paths(text ? text : ""))) return record_error("画像表示: メモリが足りません");
  // Old pages are deleted there, so neither level may be a link out of the private folder.
  std::string catalog = private_temp_subfolder(std::string(kViewFolder) + "/" + kViewCatalog);
  if (catalog.empty()) return -1;
  std::string output = catalog.substr(0, catalog.size() - strlen(kViewCatalog) - 1);
  ZunoRecord work = view_settings(rec, output);
  deletefile(catalog.c_str(), "*.HTML");
  if (examine_list(&work, head) == -1) return -1;
  if (ZunoCreatHtml(&work, head) == -1) return -1;
  if (creat_fileindex(&work) == -1) return -1;
  creat_common(&work);
  copy_field(rec.LastOutputPath, output, "last output folder");
  copy_field(rec.HtmlOut, kViewCatalog, "HtmlOut");
  return 0;
}

}  // namespace

extern "C" int pic_view(ZunoRecord *rec, const char *text) {
  if (!rec) return -1;
  FileNode head{};
  int result = guarded(-1, [&] { return write_view(*rec, &head, text); });
  empty_list(&head);
  return result;
}
