// The folder scan that fills the file list, counting, and the search-word filter.
#include "collect/tree_scan.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "collect/file_types.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "core/paths.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

struct ScanOptions {
  ZunoRecord *rec;              // with a record, the search filter applies (when the run wants it)
  int mask;                     // type codes to take (maketree) ...
  int exact_code;               // ... or the one code to take (maketree2), 0 when unused
  ZunoTime oldest;              // age threshold, 0 for none
  int limit;                    // depth limit
  bool second_form;             // maketree2: creation time, no size/search test, no abort poll
  mutable uint32_t listed = 0;  // entries listed so far: each node's FileNode::listed_at
};

// Folders on the current descent path, so a link back to an ancestor ends the walk.
struct Ancestor {
  uint64_t dev, ino;
};

bool search_applies(const ScanOptions &o) {
  return o.rec && o.rec->PreparedURL == 0 && o.rec->OutputKind != kOutputSiteLauncher;
}

bool file_wanted(const ScanOptions &o, const std::string &path, const plat::Stat &st) {
  if (o.second_form) {
    if (st.created < o.oldest) return false;
    return file_type(path.c_str()) == o.exact_code;
  }
  if (st.modified < o.oldest) return false;
  if (st.size == 0) return false;
  int type = file_type(path.c_str());
  if (type == -1 || (type & o.mask) == 0) return false;
  if (search_applies(o) && matches_search(o.rec, path.c_str()) != 0) return false;
  return true;
}

void fill_node(FileNode *node, const plat::Stat &st, bool second_form) {
  if (!second_form && !st.writable) node->flags |= FLAG_READONLY;
  if (st.is_file) node->flags |= FLAG_LISTED_FILE;
  node->created = st.created;
  node->accessed = st.accessed;
  node->modified = st.modified;
  node->size = st.size;
}

bool on_path(const std::vector<Ancestor> &path, const plat::Stat &st) {
  for (const Ancestor &a : path)
    if (a.dev == st.dev && a.ino == st.ino) return true;
  return false;
}

FileNode *scan_folder(const ScanOptions &o, const std::string &folder, FileNode *node, int depth,
                      std::vector<Ancestor> &ancestors) {
  std::vector<std::string> names;
  // Held open while its entries are looked at, by name relative to it.
  plat::OpenFolder listed;
  if (!listed.list(folder, &names)) {
    record_error("フォルダを読めません: " + folder);
    if (depth == 0) {
      node->next = nullptr;
      return nullptr;
    }
    return node;  // an unreadable subfolder yields no entries; the run goes on
  }
  for (const std::string &name : names) {
    if (!o.second_form && ZunoSleep()) {
      node->next = nullptr;
      return nullptr;
    }
    ZunoCallProgress(0);
    plat::Stat st;
    if (!listed.stat_entry(name, &st)) continue;  // vanished, unreadable or a dangling link
    std::string full = join_path(folder, name);
    if (!st.is_dir && !st.is_file) continue;  // devices and pipes are no pictures
    if (full.size() > kMaxPathBytes) {
      record_error("パスが長すぎるため除外しました: " + full.substr(0, utf8_boundary(full, 120)) + "…");
      continue;
    }
    if (!st.is_dir && !file_wanted(o, full, st)) continue;
    if (!set_node_text(&node->path, full)) {
      node->next = nullptr;
      return nullptr;
    }
    fill_node(node, st, o.second_form);
    node->listed_at = ++o.listed;
    if (!node->next && !(node->next = new_node())) {
      record_error("out of memory");
      return nullptr;
    }
    bool descend =
        o.limit >= depth && depth < kMaxScanDepth && !on_path(ancestors, st) && is_enterable_folder(full, st);
    if (descend) {
      node->depth = static_cast<int8_t>(100 + depth + 1);
      ancestors.push_back({st.dev, st.ino});
      FileNode *end = scan_folder(o, full, node->next, depth + 1, ancestors);
      ancestors.pop_back();
      if (!end) return nullptr;
      node = end;
    } else {
      node->depth = static_cast<int8_t>(depth);
      if (st.is_dir) node->type = TYPE_FOLDER;  // known now; spares the examination a status query
      node = node->next;
    }
  }
  return node;
}

}  // namespace

bool is_enterable_folder(const std::string &path, const plat::Stat &st) {
  return st.is_dir && !st.is_link && !plat::is_virtual_fs(path);
}

namespace {

FileNode *scan(const ScanOptions &o, const char *folder, FileNode *node) {
  if (!node) return nullptr;
  std::string top = without_trailing_separator(folder ? folder : "");
  if (top.empty()) {  // a failed preparation leaves no target: nothing is scanned, least of all "/"
    record_error("Illigal target path");
    node->next = nullptr;
    return nullptr;
  }
  std::vector<Ancestor> ancestors;
  plat::Stat st;
  if (plat::stat_path(top, &st)) ancestors.push_back({st.dev, st.ino});
  FileNode *end = scan_folder(o, top, node, 0, ancestors);
  if (end) end->next = nullptr;  // the terminal node
  return end;
}

int saturated(int64_t v) {
  return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

}  // namespace

extern "C" FileNode *maketree(ZunoRecord *rec, int mask, long long oldest, int limit, const char *folder,
                              FileNode *node) {
  return guarded<FileNode *>(nullptr, [&] {
    ScanOptions o{rec, mask, 0, oldest, limit, false};
    return scan(o, folder, node);
  });
}

extern "C" FileNode *maketree2(long long oldest, int limit, const char *folder, FileNode *node, int code) {
  return guarded<FileNode *>(nullptr, [&] {
    ScanOptions o{nullptr, 0, code, oldest, limit, true};
    return scan(o, folder, node);
  });
}

namespace {

// The list's diagnostic copy, kept for support: only the latest one, and none once
// the engine is unloaded, so a session of runs leaves nothing in the temporary folder.
struct LatestDiagnostic {
  std::string path;
  void replace(const std::string &fresh) {
    if (!path.empty() && path != fresh) plat::remove_file(path);
    path = fresh;
  }
  ~LatestDiagnostic() {
    if (!path.empty()) plat::remove_file(path);
  }
};

// The listing is support's tool, asked for by setting QUILLO_LIST_DIAGNOSTIC; a plain
// run does not pay for a second copy of every path and a file write per count.
bool diagnostic_wanted() {
  const char *wanted = plat::env("QUILLO_LIST_DIAGNOSTIC");
  return wanted && *wanted && strcmp(wanted, "0") != 0;
}

void write_diagnostic(const std::string &text) {
  static LatestDiagnostic latest;
  std::string name = temp_file_name();
  if (name.empty()) return;
  latest.replace(name);
  plat::write_file_replace(name, text);  // best effort; no sync needed
}

}  // namespace

extern "C" int counttree(FileNode *head, int *folders, int *files, int *outputs, int *bytes) {
  return guarded(-1, [&] {
    int folder_count = 0, file_count = 0, pictures = 0;
    int64_t byte_total = 0;
    bool listing = diagnostic_wanted();
    std::string diagnostic;
    for (FileNode *n = head; is_listed(n); n = n->next) {
      if (listing) diagnostic += std::to_string(n->depth) + ":" + (n->path ? n->path : "") + "\n";
      if (is_folder_entry(n)) {
        ++folder_count;
        continue;
      }
      ++file_count;
      byte_total += n->size;
      if (outputs) *outputs += n->output;
      int type = file_type(n->path);
      if (type != -1 && (type & PICTURE_MASK) != 0) ++pictures;
    }
    if (listing) write_diagnostic(diagnostic);
    if (folders) *folders = folder_count;
    if (files) *files = file_count;
    if (bytes) *bytes = saturated(byte_total);
    engine().last_total_bytes = byte_total;
    return pictures;
  });
}

int compile_search_words(ZunoRecord *rec) {
  if (!rec->re_compv) return 1;
  std::vector<std::string> words;
  std::string_view text = rec->LastSearchString;
  // Words run to the next space; runs of spaces between words are skipped, and a
  // leading space gives an empty first word.
  for (size_t pos = 0; !text.empty();) {
    size_t end = std::min(text.find(' ', pos), text.size());
    words.emplace_back(text.substr(pos, end - pos));
    pos = end;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos >= text.size()) break;
  }
  // The match result has one bit per word: words past 32 cannot be told apart.
  if (words.size() > 32) words.resize(32);
  std::vector<const char *> array;
  for (const std::string &w : words) array.push_back(w.c_str());
  array.push_back(nullptr);
  rec->SearchWordCount = static_cast<int>(words.size());
  return rec->re_compv(array.data()) == 0 ? 0 : -1;
}

int matches_search(const ZunoRecord *rec, const char *text) {
  if (rec->re_exec) {
    unsigned bits = rec->re_exec(text);
    return std::popcount(bits) == rec->SearchWordCount ? 0 : -1;
  }
  return strstr(text, rec->LastSearchString) ? 0 : -1;
}
