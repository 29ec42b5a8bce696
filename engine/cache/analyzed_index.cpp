// The analysis of a cache index into the analysed index, the address lookup, and
// the rewrite after a copying run.
#include "cache/analyzed_index.h"

#include <cctype>
#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cache/cache_index.h"
#include "cache/url_canon.h"
#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/guard.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

constexpr const char *kCacheFolderName = "Content.IE5";

bool ends_with(const std::string &s, const char *tail) {
  size_t n = strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::vector<std::string> split_key(const std::string &key) {
  std::vector<std::string> parts;
  size_t pos = 0;
  for (;;) {
    size_t end = key.find('\\', pos);
    parts.push_back(key.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    if (end == std::string::npos) return parts;
    pos = end + 1;
  }
}

// A key made of "Content.IE5", folders and a name, none empty, "." or "..", and no "/".
bool is_sound_key(const std::string &key, std::string *subfolder) {
  if (key.empty() || key.size() > kMaxKey || key.find('/') != std::string::npos) return false;
  std::vector<std::string> parts = split_key(key);
  if (parts.size() < 3) return false;
  for (const std::string &p : parts)
    if (p.empty() || p == "." || p == "..") return false;
  if (subfolder) *subfolder = parts[parts.size() - 2];
  return true;
}

std::string db_folder_or(const char *exec_path) {
  std::string db = engine().db_folder;
  if (db.empty() && exec_path && *exec_path) db = join_path(exec_path, "DB");
  return db;
}

// Names in a folder, listed once per folder per analysis instead of one status
// query per entry.
class FolderNames {
 public:
  bool has(const std::string &folder, const std::string &name) {
    auto it = names_.find(folder);
    if (it == names_.end()) {
      std::vector<std::string> list;
      plat::list_dir(folder, &list);
      it = names_.emplace(folder, std::unordered_set<std::string>(list.begin(), list.end())).first;
    }
    return it->second.count(name) != 0;
  }

 private:
  std::unordered_map<std::string, std::unordered_set<std::string>> names_;
};

struct Analysis {
  std::string db;
  bool db_new = false;
  std::string content;  // the cache's "Content.IE5" folder
  std::string copies;   // "<run output>/Images/Content.IE5"
  FolderNames names;
  std::map<std::string, std::string> pending;  // subfolder → pairs to append
};

// Whether an entry belongs in the analysed index; sets *key.
bool wanted(Analysis &a, const CacheEntry &entry, std::string *key) {
  *key = analysed_key(entry.folder, entry.file);
  if (key->size() > kMaxKey || file_type(key->c_str()) == -1) return false;
  if (!a.names.has(join_path(a.content, entry.folder), entry.file)) return false;
  // A copy in the output means an earlier run analysed this file, unless the
  // database was lost since: then its pairs must be written again.
  if (!a.db_new && a.names.has(join_path(a.copies, entry.folder), with_extension_case(entry.file, false)))
    return false;
  return true;
}

void flush(Analysis &a) {
  for (const auto &[subfolder, pairs] : a.pending) {
    std::string file = analyzed_index_file(a.db, subfolder);
    if (int err = plat::append_file(file, pairs))
      record_error("解析済みインデックスに書き込めません: " + file + ": " + plat::error_text(err));
  }
  a.pending.clear();
  forget_analyzed_lookups();
}

// Makes the database folder when missing; false (recorded) when it cannot be made.
bool ensure_db(Analysis &a) {
  if (plat::is_dir(a.db)) return true;
  int err = plat::make_dir(a.db);
  if (err && !plat::is_dir(a.db)) {
    record_error("データベースフォルダを作れません: " + a.db + ": " + plat::error_text(err));
    return false;
  }
  a.db_new = err == 0;  // another process may have made it meanwhile
  return true;
}

void analyse(ZunoRecord *rec, const std::string &index_file, const char *exec_path) {
  Analysis a;
  a.db = db_folder_or(exec_path);
  if (a.db.empty()) return;
  if (!ensure_db(a)) return;
  const CacheIndex *index = kept_cache_index(index_file, true);
  if (!index) return;
  a.content = folder_of(index_file);
  a.copies =
      join_path(join_path(rec && rec->OutputPath[0] ? rec->OutputPath : engine().rec.OutputPath, "Images"),
                kCacheFolderName);
  std::string key;
  for (const CacheEntry &entry : index->entries) {
    if (!wanted(a, entry, &key)) continue;
    std::string &pairs = a.pending[entry.folder];
    pairs += key;
    pairs += '\n';
    pairs += entry.address;
    pairs += '\n';
    if (ZunoSleep()) break;
    ZunoCallProgress(0);
  }
  flush(a);
}

// Pairs for files a run put in the backup itself: the file is its own copy, so
// there is nothing to look for in the output first.
void add_pairs(const std::vector<CacheEntry> &entries, const char *exec_path) {
  Analysis a;
  a.db = db_folder_or(exec_path);
  if (a.db.empty() || !ensure_db(a)) return;
  std::string key;
  for (const CacheEntry &entry : entries) {
    key = analysed_key(entry.folder, entry.file);
    std::string &pairs = a.pending[entry.folder];
    pairs += key + "\n" + entry.address + "\n";
  }
  flush(a);
}

// ---- lookup ----

// Parsed analysed index files, kept while the file is unchanged: the examination
// asks once per picture, and a backup of thousands of pictures must not read the
// file thousands of times.
struct ParsedFile {
  int64_t size = -1, modified = -1;
  std::unordered_map<std::string, std::string> address_of;  // key → its first address line
};

std::unordered_map<std::string, ParsedFile> &parsed_files() {
  static std::unordered_map<std::string, ParsedFile> files;
  return files;
}

// Pairs of lines of an analysed index; a last line without its partner is ignored.
template <typename F>
void for_each_pair(const std::string &text, F &&f) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t key_end = text.find('\n', pos);
    if (key_end == std::string::npos) return;
    size_t addr_end = text.find('\n', key_end + 1);
    if (addr_end == std::string::npos) return;
    std::string key = text.substr(pos, key_end - pos);
    if (!key.empty() && key.back() == '\r') key.pop_back();
    f(key, text.substr(key_end + 1, addr_end - key_end - 1));
    pos = addr_end + 1;
  }
}

const ParsedFile *parsed_file(const std::string &path) {
  plat::Stat st;
  auto &files = parsed_files();
  if (!plat::stat_path(path, &st) || !st.is_file) {
    files.erase(path);
    return nullptr;
  }
  ParsedFile &p = files[path];
  if (p.size == st.size && p.modified == st.modified) return &p;
  std::string text;
  if (!plat::read_file(path, &text)) {
    files.erase(path);
    return nullptr;
  }
  p = ParsedFile();
  p.size = st.size;
  p.modified = st.modified;
  for_each_pair(
      text, [&](const std::string &key, const std::string &address) { p.address_of.emplace(key, address); });
  return &p;
}

// The address of an address line: zero bytes before it skipped, carriage returns
// dropped; false for a byte below 0x21 or of 0x80 and above, an address that is
// no web address, or one longer than kMaxAddress.
bool address_of_line(const std::string &line, std::string *out) {
  std::string address;
  size_t i = 0;
  while (i < line.size() && line[i] == '\0') ++i;
  for (; i < line.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == '\r') continue;
    if (c < 0x21 || c >= 0x80) return false;
    address += line[i];
  }
  if (address.size() > kMaxAddress || !is_web_address(address)) return false;
  *out = std::move(address);
  return true;
}

int lookup(const char *path, char *out) {
  if (!path) return -1;
  std::string key, subfolder;
  if (analyzed_key_of_path(path, &key, &subfolder) != 0) return -1;
  std::string db = engine().db_folder;
  if (db.empty()) return -1;
  const ParsedFile *file = parsed_file(analyzed_index_file(db, subfolder));
  if (!file) return -1;
  auto it = file->address_of.find(key);
  std::string address;
  if (it == file->address_of.end() || !address_of_line(it->second, &address)) return -1;
  if (out) memcpy(out, address.c_str(), address.size() + 1);
  return 0;
}

// ---- rewrite ----

struct Rewrite {
  std::string output;
  std::unordered_set<std::string> seen;  // copies that already have their pair
  int result = 0;
};

// The pairs of one file that name a copied file not met before.
std::string surviving_pairs(Rewrite &r, const std::string &text) {
  std::string kept;
  for_each_pair(text, [&](const std::string &key, const std::string &address) {
    if (!is_sound_key(key, nullptr)) return;
    std::string copy = copy_path_of_key(r.output, key);
    if (r.seen.count(copy) || !plat::exists(copy)) return;
    r.seen.insert(copy);
    kept += key + "\n" + address + "\n";
  });
  return kept;
}

void rewrite_file(Rewrite &r, const std::string &path) {
  std::string text;
  if (!plat::read_file(path, &text)) {
    r.result = record_error("解析済みインデックスを読めません: " + path + ": " + plat::error_text(errno));
    return;
  }
  // Written beside the old file and renamed over it: a failure leaves the old one whole.
  if (int err = plat::write_file_atomic(path, surviving_pairs(r, text)))
    r.result = record_error("解析済みインデックスを書き直せません: " + path + ": " + plat::error_text(err));
}

int rewrite_all() {
  std::string db = engine().db_folder;
  std::vector<std::string> names;
  if (db.empty() || !plat::list_dir(db, &names)) return -1;
  Rewrite r;
  r.output = engine().rec.OutputPath;
  bool found = false;
  for (const std::string &name : names) {
    if (name[0] == '.' || !ends_with(name, kAnalyzedIndexName)) continue;
    std::string path = join_path(db, name);
    plat::Stat st;
    if (!plat::stat_entry(path, &st) || st.is_link || !st.is_file) continue;
    found = true;
    rewrite_file(r, path);
  }
  forget_analyzed_lookups();
  return found ? r.result : -1;
}

}  // namespace

std::string analysed_key(const std::string &subfolder, const std::string &file) {
  return std::string(kCacheFolderName) + "\\" + subfolder + "\\" + with_extension_case(file, true);
}

std::string with_extension_case(const std::string &name, bool upper) {
  std::string result = name;
  size_t dot = result.rfind('.');
  size_t sep = result.find_last_of("/\\");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return result;
  for (size_t i = dot + 1; i < result.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(result[i]);
    result[i] = static_cast<char>(upper ? toupper(c) : tolower(c));
  }
  return result;
}

int analyzed_key_of_path(const std::string &path, std::string *key, std::string *subfolder) {
  bool escaped = path.find("\\\\") != std::string::npos;
  std::string text = path;
  if (!escaped)
    for (char &c : text)
      if (c == '/') c = '\\';
  size_t at = text.find(kCacheFolderName);
  if (at == std::string::npos) at = text.find("CONTENT.IE5");
  if (at == std::string::npos) return -1;
  std::string k;
  if (escaped) {
    for (size_t i = at; i < text.size(); ++i) {
      if (text[i] == '\\' && ++i == text.size()) break;
      k += text[i];
    }
  } else {
    k = text.substr(at);
  }
  // The browser wrote the folder name either way; the keys always carry one spelling.
  k.replace(0, strlen(kCacheFolderName), kCacheFolderName);
  k = with_extension_case(k, true);
  if (!is_sound_key(k, subfolder)) return -1;
  *key = std::move(k);
  return 0;
}

std::string analyzed_index_file(const std::string &db_folder, const std::string &subfolder) {
  return join_path(db_folder, subfolder + kAnalyzedIndexName);
}

std::string copy_path_of_key(const std::string &output, const std::string &key) {
  std::string relative = with_extension_case(key, false);
  for (char &c : relative)
    if (c == '\\') c = '/';
  return join_path(join_path(output, "Images"), relative);
}

namespace {

uint64_t &generation() {
  static uint64_t count = 0;
  return count;
}

}  // namespace

void forget_analyzed_lookups() {
  parsed_files().clear();
  ++generation();
}

uint64_t analysed_generation() {
  return generation();
}

extern "C" int index_dat_analyze(ZunoRecord *rec, const char *index_file, const char *exec_path) {
  return guarded(0, [&] {
    if (index_file) analyse(rec, index_file, exec_path);
    return 0;
  });
}

void add_analysed_entries(const std::vector<CacheEntry> &written, const std::vector<CacheEntry> &known,
                          const char *exec_path) {
  std::string db = db_folder_or(exec_path);
  // A lost database is written again whole, from everything the backup holds.
  add_pairs(!db.empty() && !plat::is_dir(db) ? known : written, exec_path);
}

extern "C" int get_anarized_url(const char *path, char *address) {
  return guarded(-1, [&] { return lookup(path, address); });
}

int rewrite_analyzed_index() {
  return guarded(-1, [&] { return rewrite_all(); });
}
