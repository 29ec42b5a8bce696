// Reading the cache index with libmsiecf. The bytes are read through the platform
// layer and handed to the library as a memory range, so the library never opens
// files itself and the fuzz target can feed it the same way.
#include "cache/cache_index.h"

#include <libmsiecf.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "cache/url_canon.h"
#include "core/engine_state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

constexpr uint8_t kNoCacheFolder = 0xFE;
constexpr size_t kMaxFolderCount = 32;  // the format's table holds at most 32
constexpr size_t kMaxName = 255;        // a file name on every file system we mount

// The bytes handed to the library through a reader of our own: libbfio's memory
// range copies the whole requested size even where the range ends, so a damaged
// index (a record that runs past the end of the file) would be read beyond the
// buffer. This reader never copies more than the bytes present.
struct BoundedBytes {
  const uint8_t *data = nullptr;
  size_t size = 0;
  size_t offset = 0;
  bool open = false;
};

BoundedBytes *bytes_of(intptr_t *io) {
  return reinterpret_cast<BoundedBytes *>(io);
}

int bytes_free(intptr_t **io, libbfio_error_t **) {
  if (io && *io) delete bytes_of(*io);
  if (io) *io = nullptr;
  return 1;
}

int bytes_clone(intptr_t **dest, intptr_t *src, libbfio_error_t **) {
  if (!dest || *dest) return -1;
  auto *copy = src ? new (std::nothrow) BoundedBytes(*bytes_of(src)) : nullptr;
  if (src && !copy) return -1;
  if (copy) copy->offset = 0, copy->open = false;
  *dest = reinterpret_cast<intptr_t *>(copy);
  return 1;
}

int bytes_open(intptr_t *io, int, libbfio_error_t **) {
  bytes_of(io)->open = true;
  bytes_of(io)->offset = 0;
  return 1;
}

int bytes_close(intptr_t *io, libbfio_error_t **) {
  bytes_of(io)->open = false;
  return 0;
}

ssize_t bytes_read(intptr_t *io, uint8_t *buffer, size_t size, libbfio_error_t **) {
  BoundedBytes *b = bytes_of(io);
  if (!b->open || !buffer || size > SSIZE_MAX) return -1;
  if (b->offset >= b->size) return 0;
  size_t n = std::min(size, b->size - b->offset);
  memcpy(buffer, b->data + b->offset, n);
  b->offset += n;
  return static_cast<ssize_t>(n);
}

ssize_t bytes_write(intptr_t *, const uint8_t *, size_t, libbfio_error_t **) {
  return -1;
}

off64_t bytes_seek(intptr_t *io, off64_t offset, int whence, libbfio_error_t **) {
  BoundedBytes *b = bytes_of(io);
  off64_t base = whence == SEEK_SET   ? 0
                 : whence == SEEK_CUR ? static_cast<off64_t>(b->offset)
                 : whence == SEEK_END ? static_cast<off64_t>(b->size)
                                      : -1;
  if (base < 0 || offset > INT64_MAX - base || base + offset < 0) return -1;
  // A position past the end is allowed, as for a file; reads there give 0 bytes.
  b->offset = static_cast<size_t>(base + offset);
  return base + offset;
}

int bytes_exists(intptr_t *, libbfio_error_t **) {
  return 1;
}

int bytes_is_open(intptr_t *io, libbfio_error_t **) {
  return bytes_of(io)->open ? 1 : 0;
}

int bytes_size(intptr_t *io, size64_t *size, libbfio_error_t **) {
  *size = bytes_of(io)->size;
  return 1;
}

struct Library {
  libbfio_handle_t *range = nullptr;
  libmsiecf_file_t *file = nullptr;
  bool opened = false;
  ~Library() {
    if (opened) libmsiecf_file_close(file, nullptr);
    if (file) libmsiecf_file_free(&file, nullptr);
    if (range) libbfio_handle_free(&range, nullptr);
  }
};

struct Item {
  libmsiecf_item_t *item = nullptr;
  ~Item() {
    if (item) libmsiecf_item_free(&item, nullptr);
  }
};

// A folder or file name that stays inside its folder once joined to a path.
bool is_plain_name(const std::string &name) {
  return !name.empty() && name.size() <= kMaxName && name != "." && name != ".." &&
         name.find_first_of("/\\", 0) == std::string::npos && name.find('\0') == std::string::npos;
}

// The address of a record: its location from the first "http" on (history-style
// prefixes such as "Visited: ann@" are passed over), when every byte is printable
// ASCII. "" otherwise.
std::string record_address(libmsiecf_item_t *item) {
  size_t size = 0;
  if (libmsiecf_url_get_location_size(item, &size, nullptr) != 1 || size == 0 || size > 64 * 1024) return "";
  std::string text(size, '\0');
  if (libmsiecf_url_get_location(item, reinterpret_cast<char *>(text.data()), size, nullptr) != 1) return "";
  text.resize(strnlen(text.data(), size));
  size_t start = text.find("http");
  if (start == std::string::npos) return "";
  text.erase(0, start);
  for (unsigned char c : text)
    if (c < 0x21 || c >= 0x80) return "";
  if (text.size() > kMaxAddress || !is_web_address(text)) return "";
  return text;
}

std::string record_file_name(libmsiecf_item_t *item) {
  size_t size = 0;
  if (libmsiecf_url_get_utf8_filename_size(item, &size, nullptr) != 1 || size == 0 || size > 4 * kMaxName)
    return "";
  std::string text(size, '\0');
  if (libmsiecf_url_get_utf8_filename(item, reinterpret_cast<uint8_t *>(text.data()), size, nullptr) != 1)
    return "";
  text.resize(strnlen(text.data(), size));
  return is_plain_name(text) ? text : "";
}

std::vector<std::string> cache_folders(libmsiecf_file_t *file) {
  std::vector<std::string> folders;
  int count = 0;
  if (libmsiecf_file_get_number_of_cache_directories(file, &count, nullptr) != 1 || count < 0) return folders;
  for (int i = 0; i < count && folders.size() < kMaxFolderCount; ++i) {
    char name[16] = "";
    if (libmsiecf_file_get_cache_directory_name(file, i, name, sizeof name, nullptr) != 1) name[0] = '\0';
    name[sizeof name - 1] = '\0';
    folders.push_back(is_plain_name(name) ? name : "");
  }
  return folders;
}

// Adds one URL record; false when it names no usable file.
bool add_record(libmsiecf_item_t *item, const std::vector<std::string> &folders, CacheIndex *out) {
  uint8_t folder = kNoCacheFolder;
  if (libmsiecf_url_get_cache_directory_index(item, &folder, nullptr) != 1 || folder == kNoCacheFolder ||
      folder >= folders.size() || folders[folder].empty())
    return false;
  std::string stored = record_address(item);
  if (stored.empty()) return false;
  std::string file = record_file_name(item);
  if (file.empty()) return false;
  std::string address;
  if (!canonical_url(stored, &address)) address = stored;
  size_t at = out->entries.size();
  out->entries.push_back({address, folders[folder], file});
  out->by_address.emplace(address, at);
  out->by_address.emplace(stored, at);
  return true;
}

bool read_items(libmsiecf_file_t *file, CacheIndex *out) {
  std::vector<std::string> folders = cache_folders(file);
  int count = 0;
  if (libmsiecf_file_get_number_of_items(file, &count, nullptr) != 1) return false;
  for (int i = 0; i < count; ++i) {
    Item it;
    if (libmsiecf_file_get_item_by_index(file, i, &it.item, nullptr) != 1) continue;
    uint8_t type = 0;
    if (libmsiecf_item_get_type(it.item, &type, nullptr) != 1 || type != LIBMSIECF_ITEM_TYPE_URL) continue;
    add_record(it.item, folders, out);
  }
  return true;
}

uint32_t le32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// A URL record's strings and data block lie inside the record. The library adds the
// data block's offset and size in 32 bits before it checks them, so a size near
// 4 GiB wraps past its check and it allocates that size.
bool url_fields_are_inside(const uint8_t *r, uint64_t bytes) {
  constexpr size_t kHeader = 0x68, kLocation = 0x34, kFileName = 0x3C, kDataOffset = 0x44, kDataSize = 0x48;
  if (bytes < kHeader) return false;
  if (le32(r + kLocation) > bytes || le32(r + kFileName) > bytes) return false;
  uint64_t data_end = static_cast<uint64_t>(le32(r + kDataOffset)) + le32(r + kDataSize);
  return le32(r + kDataSize) == 0 || data_end <= bytes;
}

// Every record the library may read (it finds them through the hash tables and the
// allocation bitmap, both at block boundaries), checked the same way: it allocates
// a record's block count times the block size, so a count past the end of the file
// (or one that wraps) would have it ask for gigabytes.
bool records_are_sound(const uint8_t *data, size_t size) {
  constexpr size_t kFirstBlock = 0x4000, kBlock = 128;
  for (size_t record = kFirstBlock; record + 8 <= size; record += kBlock) {
    const uint8_t *r = data + record;
    bool url = memcmp(r, "URL ", 4) == 0;
    if (!url && memcmp(r, "LEAK", 4) != 0 && memcmp(r, "REDR", 4) != 0) continue;
    uint64_t bytes = static_cast<uint64_t>(le32(r + 4)) * kBlock;
    if (bytes == 0 || bytes > size - record) return false;
    if (url && !url_fields_are_inside(r, bytes)) return false;
  }
  return true;
}

// The header's sizes checked against the bytes present before the library sees
// them: it sizes its tables from these fields without such a check, so a damaged
// index could make it ask for gigabytes.
bool header_is_sound(const uint8_t *data, size_t size) {
  constexpr size_t kHeader = 0x250, kFirstBlock = 0x4000, kBlock = 128;
  static const char kSignature[] = "Client UrlCache MMF Ver ";
  if (size < kFirstBlock || memcmp(data, kSignature, sizeof kSignature - 1) != 0) return false;
  uint32_t file_size = le32(data + 28), hash_offset = le32(data + 32), blocks = le32(data + 36),
           allocated = le32(data + 40), folders = le32(data + 72);
  size_t blocks_present = (size - kFirstBlock) / kBlock;
  if (file_size > size || blocks > blocks_present || allocated > blocks || folders > kMaxFolderCount ||
      kHeader > size)
    return false;
  // The hash tables: each inside the file, the chain moving forward only.
  for (size_t at = hash_offset, previous = 0; at != 0; previous = at, at = le32(data + at + 8)) {
    if (at <= previous || at < kFirstBlock || at >= size || size - at < 16 ||
        memcmp(data + at, "HASH", 4) != 0)
      return false;
    uint64_t length = static_cast<uint64_t>(le32(data + at + 4)) * kBlock;
    if (length < 16 || length > size - at) return false;
  }
  return records_are_sound(data, size);
}

}  // namespace

bool read_cache_index(const uint8_t *data, size_t size, CacheIndex *out) {
  *out = CacheIndex();
  if (!data || !header_is_sound(data, size)) return false;
  Library lib;
  auto *reader = new (std::nothrow) BoundedBytes{data, size, 0, false};
  if (!reader) return false;
  if (libbfio_handle_initialize(&lib.range, reinterpret_cast<intptr_t *>(reader), bytes_free, bytes_clone,
                                bytes_open, bytes_close, bytes_read, bytes_write, bytes_seek, bytes_exists,
                                bytes_is_open, bytes_size, LIBBFIO_FLAG_IO_HANDLE_MANAGED, nullptr) != 1) {
    delete reader;
    return false;
  }
  if (libmsiecf_file_initialize(&lib.file, nullptr) != 1) return false;
  libmsiecf_file_set_ascii_codepage(lib.file, LIBMSIECF_CODEPAGE_WINDOWS_932, nullptr);
  if (libmsiecf_file_open_file_io_handle(lib.file, lib.range, LIBMSIECF_OPEN_READ, nullptr) != 1)
    return false;
  lib.opened = true;
  if (read_items(lib.file, out)) return true;
  *out = CacheIndex();
  return false;
}

bool load_cache_index(const std::string &path, CacheIndex *out) {
  std::string bytes;
  if (!plat::read_file(path, &bytes)) {
    *out = CacheIndex();
    return false;
  }
  return read_cache_index(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), out);
}

const CacheEntry *find_cache_entry(const CacheIndex &index, const std::string &address) {
  auto it = index.by_address.find(address);
  if (it == index.by_address.end()) {
    std::string normal;
    if (canonical_url(address, &normal)) it = index.by_address.find(normal);
  }
  return it == index.by_address.end() ? nullptr : &index.entries[it->second];
}

namespace {

struct KeptIndex {
  std::string path;
  int64_t size = -1, modified = -1;
  bool readable = false;
  CacheIndex index;
};

KeptIndex &kept() {
  static KeptIndex k;
  return k;
}

}  // namespace

const CacheIndex *kept_cache_index(const std::string &path, bool fresh) {
  plat::Stat st;
  if (!plat::stat_path(path, &st) || !st.is_file) return nullptr;
  KeptIndex &k = kept();
  if (fresh || k.path != path || k.size != st.size || k.modified != st.modified) {
    k.path = path;
    k.size = st.size;
    k.modified = st.modified;
    k.readable = load_cache_index(path, &k.index);
  }
  return k.readable ? &k.index : nullptr;
}

int cache_file_of_url(const char *address, std::string *out) {
  if (!address || !out) return -1;
  std::string folder = engine().rec.CacheFolder;
  std::string content = join_path(folder, "Content.IE5");
  const CacheIndex *index =
      folder.empty() ? nullptr : kept_cache_index(join_path(content, "index.dat"), false);
  const CacheEntry *entry = index ? find_cache_entry(*index, address) : nullptr;
  if (!entry) return -1;
  *out = join_path(join_path(content, entry->folder), entry->file);
  return 0;
}
