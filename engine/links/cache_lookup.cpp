#include "links/cache_lookup.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "cache/analyzed_index.h"
#include "cache/cache_index.h"
#include "core/engine_state.h"
#include "core/text.h"
#include "links/link_urls.h"
#include "platform/platform.h"

namespace {

constexpr std::string_view kIndexSuffix = "analyzed_index.txt";
// An index this large is not one the analysis wrote: it is not read.
constexpr int64_t kMaxIndexBytes = 256LL << 20;

struct IndexFile {
  std::string path;
  int64_t size, modified;
  uint64_t ino;
  bool operator==(const IndexFile &o) const = default;
};

// The folder is listed again when this process wrote into it, and otherwise at
// most once a second: a run looks up every anchor of every page, and another
// process's analysis is seen soon enough.
constexpr int64_t kRecheckMs = 1000;

struct Lookup {
  std::string folder;
  uint64_t generation = 0;
  int64_t checked_ms = -1;
  std::vector<IndexFile> files;
  std::unordered_map<std::string, std::string> key_of;  // canonical address -> key
};

Lookup &lookup() {
  static Lookup table;
  return table;
}

bool ends_with(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::vector<IndexFile> index_files(const std::string &folder) {
  std::vector<IndexFile> out;
  std::vector<std::string> names;
  if (folder.empty() || !plat::list_dir(folder, &names)) return out;
  for (const std::string &name : names) {
    if (name[0] == '.' || !ends_with(name, kIndexSuffix)) continue;
    std::string path = join_path(folder, name);
    plat::Stat st;
    if (plat::stat_path(path, &st) && st.is_file) out.push_back({path, st.size, st.modified, st.ino});
  }
  return out;
}

// A key as the analysis writes it: from the cache folder on, plain text, no way up.
bool plausible_key(std::string_view key) {
  if (key.substr(0, 12) != "Content.IE5\\" && key.substr(0, 12) != "CONTENT.IE5\\") return false;
  for (char c : key)
    if (static_cast<unsigned char>(c) < 0x20 || c == '/') return false;
  return key.find("\\..\\") == std::string_view::npos && !ends_with(key, "\\..");
}

void read_pairs(const std::string &content, std::unordered_map<std::string, std::string> *key_of) {
  std::vector<std::string_view> lines;
  std::string_view rest(content);
  while (!rest.empty()) {
    size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    rest.remove_prefix(nl + 1);
  }
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    if (!plausible_key(lines[i])) continue;
    std::string address;
    if (!canonical_address(lines[i + 1], &address)) continue;
    key_of->emplace(address, std::string(lines[i]));  // the first pair of an address wins
  }
}

void refresh(Lookup &table) {
  std::string folder = engine().db_folder;
  int64_t now = plat::monotonic_ms();
  if (folder == table.folder && table.generation == analysed_generation() && table.checked_ms >= 0 &&
      now - table.checked_ms < kRecheckMs)
    return;
  table.generation = analysed_generation();
  table.checked_ms = now;
  std::vector<IndexFile> files = index_files(folder);
  if (folder == table.folder && files == table.files) return;
  table.folder = folder;
  table.files = files;
  table.key_of.clear();
  for (const IndexFile &f : files) {
    std::string content;
    if (f.size <= kMaxIndexBytes && plat::read_file(f.path, &content)) read_pairs(content, &table.key_of);
  }
}

// The live cache's own index first; it names the file from the cache folder on.
bool live_cache_key(const std::string &address, std::string *key) {
  std::string file;
  if (cache_file_of_url(address.c_str(), &file) != 0) return false;
  size_t at = file.find("/Content.IE5/");
  if (at == std::string::npos) return false;
  std::string found = file.substr(at + 1);
  for (char &c : found)
    if (c == '/') c = '\\';
  if (!plausible_key(found)) return false;
  *key = std::move(found);
  return true;
}

}  // namespace

bool cached_file_of_address(std::string_view address, std::string *key) {
  std::string canonical;
  if (!canonical_address(address, &canonical)) return false;
  if (live_cache_key(canonical, key)) return true;
  Lookup &table = lookup();
  refresh(table);
  auto it = table.key_of.find(canonical);
  if (it == table.key_of.end()) return false;
  *key = it->second;
  return true;
}

std::string cache_subfolder_of(std::string_view key) {
  size_t first = key.find('\\');
  if (first == std::string_view::npos) return "";
  size_t second = key.find('\\', first + 1);
  if (second == std::string_view::npos) return "";
  return std::string(key.substr(first + 1, second - first - 1));
}
