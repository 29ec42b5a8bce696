#include "cache/modern_cache.h"

#include <cctype>
#include <cerrno>
#include <unordered_map>
#include <unordered_set>

#include "cache/analyzed_index.h"
#include "cache/cached_response.h"
#include "cache/shaped_names.h"
#include "cache/url_canon.h"
#include "collect/file_types.h"
#include "core/error_log.h"
#include "core/text.h"
#include "platform/platform.h"

extern "C" int ZunoSleep(void);
extern "C" void ZunoCallProgress(int value);

namespace {

constexpr const char *kRecordHeader = "quillo browser cache record 1";
constexpr const char *kCacheRoot = "Content.IE5";
constexpr const char *kNoCopy = "-";  // the key of an entry read and left out
// Larger entries are no picture or page worth a catalog, and would cost memory.
constexpr int64_t kMaxEntryBytes = 512LL << 20;
constexpr size_t kMaxBodyBytes = 512u << 20;
constexpr int64_t kMaxRecordBytes = 64LL << 20;

// ---- the three readers: one per kind of modern cache ----

struct EntryBytes {
  std::string folder;  // the cache folder
  std::string name;    // the entry's file, relative to it
  std::string bytes;   // the whole file
};

bool is_hex_name(std::string_view s, size_t n) {
  if (s.size() != n) return false;
  for (char c : s)
    if (!isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

std::vector<std::string> chromium_entries(const std::string &folder, bool *readable) {
  std::vector<std::string> names, out;
  *readable = plat::list_dir(folder, &names);
  for (const std::string &n : names)
    if (is_chromium_entry_name(n)) out.push_back(n);
  return out;
}

std::vector<std::string> firefox_entries(const std::string &folder, bool *readable) {
  std::vector<std::string> names, out;
  *readable = plat::list_dir(join_path(folder, "entries"), &names);
  for (const std::string &n : names)
    if (is_hex_name(n, 40)) out.push_back("entries/" + n);
  return out;
}

bool read_bounded(const std::string &path, int64_t size, std::string *out) {
  plat::InFile in;
  if (size < 0 || size > kMaxEntryBytes || !in.open(path)) return false;
  out->assign(static_cast<size_t>(size), '\0');
  int64_t done = 0;
  while (done < size) {
    ssize_t n = in.read_at(done, out->data() + done, static_cast<size_t>(size - done));
    if (n <= 0) return false;  // shorter than it was: the browser is rewriting it
    done += n;
  }
  return true;
}

// A body kept only in the ranges of "<hash>_s" (media fetched by range requests).
bool chromium_sparse_body(const EntryBytes &e, std::string *body) {
  std::string sparse = join_path(e.folder, e.name.substr(0, 16) + "_s");
  plat::Stat st;
  std::string bytes;
  if (!plat::stat_path(sparse, &st) || !st.is_file || !read_bounded(sparse, st.size, &bytes)) return false;
  return read_chromium_sparse(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), body);
}

bool read_chromium(const EntryBytes &e, CachedResponse *r, std::string *body) {
  const auto *data = reinterpret_cast<const uint8_t *>(e.bytes.data());
  if (!read_chromium_entry(data, e.bytes.size(), r)) return false;
  body->assign(e.bytes, r->body_offset, r->body_size);
  if (body->empty() && r->status == 206) return chromium_sparse_body(e, body);
  return true;
}

bool read_firefox(const EntryBytes &e, CachedResponse *r, std::string *body) {
  const auto *data = reinterpret_cast<const uint8_t *>(e.bytes.data());
  if (!read_firefox_entry(data, e.bytes.size(), r)) return false;
  body->assign(e.bytes, r->body_offset, r->body_size);
  return true;
}

struct Reader {
  const char *prefix;  // seven characters: the subfolders are the prefix and one hex digit
  std::vector<std::string> (*entries)(const std::string &folder, bool *readable);
  bool (*read)(const EntryBytes &e, CachedResponse *r, std::string *body);
};

const Reader *reader_of(CacheKind kind) {
  static const Reader chromium{"CRCACHE", chromium_entries, read_chromium};
  static const Reader firefox{"FFCACHE", firefox_entries, read_firefox};
  return kind == CacheKind::chromium ? &chromium : kind == CacheKind::firefox ? &firefox : nullptr;
}

// ---- the record ----

struct RecordLine {
  std::string entry;  // kNoCopy for an address whose entry left the cache
  int64_t size = 0, modified = 0;
  std::string key;  // "Content.IE5\<subfolder>\<name>", or kNoCopy
  std::string url;
};

std::vector<std::string> split_tabs(std::string_view line) {
  std::vector<std::string> parts;
  size_t pos = 0;
  for (;;) {
    size_t tab = line.find('\t', pos);
    parts.emplace_back(line.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos));
    if (tab == std::string_view::npos) return parts;
    pos = tab + 1;
  }
}

bool parse_number(const std::string &s, int64_t *out) {
  if (s.empty() || s.size() > 18) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *out = v;
  return true;
}

// A key this record may hold: the cache root, one subfolder and a name, no way up.
bool sound_record_key(const std::string &key) {
  if (key == kNoCopy) return true;
  std::vector<std::string> parts;
  size_t pos = 0;
  for (;;) {
    size_t end = key.find('\\', pos);
    parts.push_back(key.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  if (parts.size() != 3 || parts[0] != kCacheRoot || key.size() > kMaxKey) return false;
  for (const std::string &p : parts)
    if (p.empty() || p == "." || p == ".." || p.find('/') != std::string::npos) return false;
  return true;
}

std::vector<RecordLine> load_record(const std::string &file) {
  std::vector<RecordLine> lines;
  plat::Stat st;
  std::string text;
  if (!plat::stat_path(file, &st) || !st.is_file || st.size > kMaxRecordBytes ||
      !plat::read_file(file, &text))
    return lines;
  size_t pos = 0;
  bool first = true;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) break;  // an unfinished last line is not trusted
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    if (first) {
      if (line != kRecordHeader) return lines;
      first = false;
      continue;
    }
    std::vector<std::string> f = split_tabs(line);
    RecordLine r;
    if (f.size() != 5 || !parse_number(f[1], &r.size) || !parse_number(f[2], &r.modified) ||
        !sound_record_key(f[3]))
      continue;
    r.entry = f[0];
    r.key = f[3];
    r.url = f[4];
    lines.push_back(std::move(r));
  }
  return lines;
}

int save_record(const std::string &file, const std::vector<RecordLine> &lines) {
  std::string text = std::string(kRecordHeader) + "\n";
  for (const RecordLine &r : lines)
    text += r.entry + "\t" + std::to_string(r.size) + "\t" + std::to_string(r.modified) + "\t" + r.key +
            "\t" + r.url + "\n";
  int err = plat::write_file_atomic(file, text);
  if (err) record_error("バックアップの記録を書けません: " + file + ": " + plat::error_text(err));
  return err ? -1 : 0;
}

// ---- one copy ----

struct Copy {
  const Reader *reader;
  std::string cache;                                     // the browser's cache folder, read only
  std::string images;                                    // the backup
  std::unordered_map<std::string, RecordLine> by_entry;  // the record as loaded
  std::unordered_map<std::string, std::string> key_of_url;
  std::unordered_set<std::string> taken;                  // keys in use, lower case
  std::unordered_map<std::string, int64_t> written_time;  // key -> time of the entry written this run
  std::unordered_map<std::string, std::unordered_set<std::string>> on_disk;  // subfolder -> names, lower case
  std::vector<RecordLine> lines;                                             // the record to save
  ModernCopy *result;
};

std::string key_path(const Copy &c, const std::string &key) {
  std::string path = c.images;
  size_t pos = 0;
  for (;;) {
    size_t end = key.find('\\', pos);
    std::string part = key.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    if (end == std::string::npos) return join_path(path, with_extension_case(part, false));
    path = join_path(path, part);
    pos = end + 1;
  }
}

CacheEntry entry_of_key(const std::string &key, const std::string &url) {
  size_t first = key.find('\\'), second = key.rfind('\\');
  return CacheEntry{url, key.substr(first + 1, second - first - 1), key.substr(second + 1)};
}

bool name_on_disk(Copy &c, const std::string &subfolder, const std::string &name) {
  auto it = c.on_disk.find(subfolder);
  if (it == c.on_disk.end()) {
    std::vector<std::string> names;
    plat::list_dir(join_path(join_path(c.images, kCacheRoot), subfolder), &names);
    std::unordered_set<std::string> lowered;
    for (const std::string &n : names) lowered.insert(ascii_lower(n));
    it = c.on_disk.emplace(subfolder, std::move(lowered)).first;
  }
  return it->second.count(ascii_lower(name)) != 0;
}

// A key for an address met for the first time: the first "[N]" that neither the
// record nor the backup folder uses, so no copy ever replaces another address's.
std::string new_key(Copy &c, const std::string &entry, const std::string &url, const std::string &extension) {
  std::string base = last_component(entry);
  std::string subfolder = shaped_subfolder(c.reader->prefix, base);
  std::string stem = shaped_stem(url);
  for (int n = 1;; ++n) {
    std::string name = shaped_file_name(stem, n, extension);
    std::string key = analysed_key(subfolder, name);
    if (c.taken.count(ascii_lower(key)) || name_on_disk(c, subfolder, name)) continue;
    c.taken.insert(ascii_lower(key));
    return key;
  }
}

int make_folders(const std::string &file) {
  std::string folder = folder_of(file);
  if (plat::is_dir(folder)) return 0;
  int err = make_folders(without_trailing_separator(folder));
  if (err) return err;
  err = plat::make_dir(folder);
  return err == EEXIST && plat::is_dir(folder) ? 0 : err;
}

// Writes the body whole beside its place and renames it there, with the entry's time.
int write_copy(const std::string &path, const std::string &body, int64_t modified) {
  int err = make_folders(path);
  if (err) return err;
  std::string tmp;
  int fd = plat::open_temporary(path, &tmp);
  if (fd < 0) return errno ? errno : EIO;
  err = plat::write_all(fd, body.data(), body.size());
  if (plat::ops.close(fd) != 0 && !err) err = errno ? errno : EIO;
  if (!err) err = plat::set_times(tmp, modified, modified);
  if (!err) err = plat::rename_path(tmp, path);
  if (err) plat::remove_file(tmp);
  return err;
}

bool is_complete_response(const CachedResponse &r, size_t body_size) {
  if (r.status == 200 || r.status == 203) return true;
  if (r.status != 206) return false;
  // A range answer holds the whole resource only when it ran from 0 to the end.
  std::string expected = "bytes 0-" + std::to_string(body_size - 1) + "/" + std::to_string(body_size);
  return body_size > 0 && ascii_lower(r.content_range) == expected;
}

bool is_wanted(const std::string &extension) {
  int type = extension.empty() ? -1 : file_type(("x" + extension).c_str());
  return type != -1 && ((type & PICTURE_MASK) != 0 || type == TYPE_HTML);
}

enum class Outcome { copied, skipped, changing, failed };

Outcome copy_entry(Copy &c, const std::string &entry, const plat::Stat &st, RecordLine *line) {
  EntryBytes e{c.cache, entry, {}};
  std::string path = join_path(c.cache, entry);
  plat::Stat after;
  if (!read_bounded(path, st.size, &e.bytes) || !plat::stat_path(path, &after)) return Outcome::changing;
  if (after.size != st.size || after.modified != st.modified) return Outcome::changing;
  *line = RecordLine{entry, st.size, st.modified, kNoCopy, ""};
  CachedResponse r;
  std::string stored, body;
  if (!c.reader->read(e, &r, &stored)) return Outcome::skipped;
  e.bytes.clear();
  if (!decode_body(r.content_encoding, reinterpret_cast<const uint8_t *>(stored.data()), stored.size(), &body,
                   kMaxBodyBytes) ||
      body.empty() || !is_complete_response(r, body.size()))
    return Outcome::skipped;
  std::string url;
  std::string extension = shaped_extension(r.content_type, std::string_view(body).substr(0, 512), r.url);
  if (!is_wanted(extension) || !canonical_url(r.url, &url)) return Outcome::skipped;
  auto known = c.key_of_url.find(url);
  std::string key = known != c.key_of_url.end() ? known->second : new_key(c, entry, url, extension);
  c.key_of_url[url] = key;
  line->key = key;
  line->url = url;
  // The same address kept for two sites (partitions): the newer copy stays.
  auto written = c.written_time.find(key);
  if (written != c.written_time.end() && written->second >= st.modified) return Outcome::copied;
  if (int err = write_copy(key_path(c, key), body, st.modified)) {
    record_error("バックアップに書き込めません: " + key_path(c, key) + ": " + plat::error_text(err));
    return Outcome::failed;
  }
  c.written_time[key] = st.modified;
  c.result->written.push_back(entry_of_key(key, url));
  return Outcome::copied;
}

void load(Copy &c, const std::string &record_file) {
  for (RecordLine &r : load_record(record_file)) {
    if (r.key != kNoCopy) {
      c.key_of_url.emplace(r.url, r.key);
      c.taken.insert(ascii_lower(r.key));
    }
    if (r.entry != kNoCopy) c.by_entry[r.entry] = std::move(r);
  }
}

// Addresses whose entries left the cache keep their names, so the address
// fetched again replaces its own copy instead of making a second one.
void keep_departed(Copy &c) {
  std::unordered_set<std::string> live;
  for (const RecordLine &r : c.lines)
    if (r.key != kNoCopy) live.insert(r.url);
  for (const auto &[url, key] : c.key_of_url)
    if (!live.count(url)) c.lines.push_back(RecordLine{kNoCopy, 0, 0, key, url});
}

// One entry: unchanged, copied, or left out. false when the copy must stop.
bool visit(Copy &c, const std::string &entry) {
  plat::Stat st;
  if (!plat::stat_path(join_path(c.cache, entry), &st) || !st.is_file) return true;
  auto seen = c.by_entry.find(entry);
  if (seen != c.by_entry.end() && seen->second.size == st.size && seen->second.modified == st.modified) {
    c.lines.push_back(seen->second);
    if (seen->second.key != kNoCopy)
      c.result->known.push_back(entry_of_key(seen->second.key, seen->second.url));
    ++c.result->unchanged;
    return true;
  }
  RecordLine line;
  switch (copy_entry(c, entry, st, &line)) {
    case Outcome::failed:
      return false;
    case Outcome::changing:
      ++c.result->changing;
      return true;
    case Outcome::skipped:
      ++c.result->skipped;
      break;
    case Outcome::copied:
      ++c.result->copied;
      c.result->known.push_back(entry_of_key(line.key, line.url));
      break;
  }
  c.lines.push_back(std::move(line));
  return true;
}

}  // namespace

int copy_modern_cache(const FoundCache &cache, const std::string &images, const std::string &record_file,
                      ModernCopy *result) {
  Copy c{reader_of(cache.kind), cache.folder, images, {}, {}, {}, {}, {}, {}, result};
  if (!c.reader) return record_error("ブラウザのキャッシュではありません: " + cache.folder);
  bool readable = false;
  std::vector<std::string> entries = c.reader->entries(cache.folder, &readable);
  if (!readable)
    return record_error("キャッシュフォルダを読めません: " + cache.folder + ": " + plat::error_text(errno));
  load(c, record_file);
  bool ok = true, aborted = false;
  for (const std::string &entry : entries) {
    if (!(ok = visit(c, entry))) break;
    ZunoCallProgress(0);
    if ((aborted = ZunoSleep() != 0)) break;
  }
  // Entries not visited keep their lines, so a stopped copy forgets nothing.
  if (!ok || aborted) {
    std::unordered_set<std::string> visited;
    for (const RecordLine &r : c.lines) visited.insert(r.entry);
    for (auto &[entry, line] : c.by_entry)
      if (!visited.count(entry)) c.lines.push_back(line);
  }
  keep_departed(c);
  if (save_record(record_file, c.lines) != 0) return -1;
  if (aborted) return record_error("中止しました");
  return ok ? 0 : -1;
}
