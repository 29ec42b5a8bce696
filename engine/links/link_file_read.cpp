// Reading link files back: each picture a link file lists gets the address its
// anchor led to as its source, which the catalog then links its thumbnail to.
#include <cerrno>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "core/text.h"
#include "links/link_file.h"
#include "links/link_urls.h"
#include "platform/platform.h"
#include "zuno.h"

namespace {

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

bool is_link_file_name(const char *path) {
  std::string ext = extension_of(last_component(path));
  for (char &c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return ext.compare(0, 4, ".AHM") == 0;
}

using NodesByKey = std::unordered_multimap<std::string, FileNode *>;

// The pictures a link file may give an address to, by their key. With GetUrl 1 or 3
// only banner-sized pictures take part.
NodesByKey pictures_by_key(int mode, FileNode *head) {
  NodesByKey out;
  for (FileNode *n = head; is_listed(n); n = n->next) {
    if (n->passed == 0 || ((mode == 1 || mode == 3) && n->banner == 0) || n->type == -1 || is_folder_entry(n))
      continue;
    std::string key = node_link_key(n->path ? n->path : "");
    if (!key.empty()) out.emplace(std::move(key), n);
  }
  return out;
}

// Reads one link file and gives its pictures their addresses; false when memory ran out.
bool apply_one(const std::string &path, const NodesByKey &pictures) {
  plat::InFile in;
  if (!in.open(path)) {
    record_error("リンクファイルを開けません: " + path + ": " + plat::error_text(errno));
    return true;
  }
  if (in.size() > kMaxLinkFileBytes) return true;
  std::string bytes(static_cast<size_t>(in.size()), '\0');
  ssize_t got = in.read_at(0, bytes.data(), bytes.size());
  if (got < 0) {
    record_error("リンクファイルを読めません: " + path + ": " + plat::error_text(errno));
    return true;
  }
  bytes.resize(static_cast<size_t>(got));
  LinkFile file;
  if (!parse_link_file(bytes, &file)) return true;
  for (const auto &[key, record] : file.by_key) {
    auto [first, last] = pictures.equal_range(key);
    if (first == last) continue;
    std::string source = record_source(record);
    if (source.empty()) continue;
    for (auto it = first; it != last; ++it) {
      FileNode *n = it->second;
      if (!set_node_text(&n->source, source)) return false;
      if (n->mark < 127) ++n->mark;
    }
  }
  return true;
}

// The link file a listed node stands for: a link file itself, or the freshly made
// one of a cached page inside the run's own output; "" for any other node.
std::string link_file_of(const ZunoRecord &rec, const FileNode *n) {
  if (is_folder_entry(n) || !n->path) return "";
  if (is_link_file_name(n->path)) return n->path;
  int type = file_type(n->path);
  if (type != TYPE_HTML && type != TYPE_CGI) return "";
  if (make_link_file(const_cast<ZunoRecord *>(&rec), const_cast<FileNode *>(n)) != 0) return "";
  return link_file_path(n->path);
}

}  // namespace

bool parse_link_file(std::string_view bytes, LinkFile *out) {
  if (bytes.substr(0, 4) != "http" || bytes.find('\n') == std::string_view::npos) return false;
  std::vector<std::string_view> lines = split_lines(bytes);
  for (size_t i = 0; i + 2 < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') continue;
    out->by_key.emplace(std::string(line.substr(1, line.size() - 2)),
                        LinkRecord{std::string(lines[i + 1]), std::string(lines[i + 2])});
  }
  return true;
}

std::string record_source(const LinkRecord &record) {
  size_t at = record.link.find("http");
  std::string source;
  if (at == std::string::npos || !canonical_address(std::string_view(record.link).substr(at), &source))
    return "";
  return source;
}

std::string node_link_key(std::string_view path) {
  size_t at = path.find("Content.IE5");
  if (at == std::string_view::npos) return "";
  std::string key(path.substr(at));
  size_t name = key.rfind('/');
  size_t dot = key.rfind('.');
  if (dot != std::string::npos && (name == std::string::npos || dot > name))
    for (size_t i = dot; i < key.size(); ++i)
      if (key[i] >= 'A' && key[i] <= 'Z') key[i] = static_cast<char>(key[i] - 'A' + 'a');
  for (char &c : key)
    if (c == '/') c = '\\';
  return key;
}

int apply_link_files(ZunoRecord *rec, FileNode *head) {
  return guarded(-1, [&] {
    NodesByKey pictures = pictures_by_key(rec->GetUrl, head);
    std::unordered_set<std::string> applied;  // a page and its own link file are read once
    for (FileNode *n = head; is_listed(n); n = n->next) {
      std::string link_file = link_file_of(*rec, n);
      if (!link_file.empty() && applied.insert(link_file).second && !apply_one(link_file, pictures))
        return record_error("out of memory");
      ZunoCallProgress(1);
      if (ZunoSleep()) return -1;
    }
    return 0;
  });
}
