// Firefox's cache2 entry files: the data first, then the metadata, found through
// the offset word at the very end. The browser writes that word last, so a file
// without a sane one was torn (or is encrypted, which needs the profile's key).
#include <optional>
#include <string>

#include "cache/cached_response.h"
#include "cache/response_head.h"
#include "cache/url_canon.h"

namespace {

constexpr uint32_t kEncryptedBit = 1u << 31;
constexpr uint32_t kTrailerVersion = 4;
constexpr uint32_t kOldestHeaderVersion = 2;  // version 1 had a shorter header
constexpr size_t kChunkSize = 262144;
constexpr size_t kMetadataHashSize = 4;
constexpr size_t kHeaderSize = 32;

// The metadata header fields the reader needs.
struct MetaHeader {
  uint32_t version = 0;
  uint32_t last_modified = 0;  // seconds since 1970, when the entry was last written
  uint32_t key_size = 0;
};

// Where the data ends and the metadata spans, from the file's trailer.
struct Trailer {
  size_t data_size = 0;
  size_t meta_end = 0;   // end of the elements
  uint32_t version = 0;  // 4 when the trailer names it, 0 for older files
};

bool read_trailer(const uint8_t *data, size_t size, Trailer *out) {
  uint32_t offset, version = 0;
  if (size < 4 || !be32_at(data, size, size - 4, &offset)) return false;
  if (offset & kEncryptedBit) return false;  // also the torn file's 0xFFFFFFFF
  out->meta_end = size - 4;
  // The elements end with a NUL, so an older file's last four metadata bytes
  // can never read as the version word.
  if (size >= 8 && be32_at(data, size, size - 8, &version) && version == kTrailerVersion) {
    out->meta_end = size - 8;
    out->version = version;
  }
  if (offset >= out->meta_end) return false;
  out->data_size = offset;
  return true;
}

bool read_meta_header(const uint8_t *data, size_t size, size_t pos, MetaHeader *out) {
  uint32_t fields[8];
  for (size_t i = 0; i < 8; ++i)
    if (!be32_at(data, size, pos + 4 * i, &fields[i])) return false;
  out->version = fields[0];
  out->last_modified = fields[3];
  out->key_size = fields[6];
  return true;
}

// The start of the metadata header: after the data, its hash and one u16 hash
// per chunk of data; false when that runs past the metadata's end.
bool header_start(const Trailer &t, size_t *pos) {
  size_t chunks = t.data_size / kChunkSize + (t.data_size % kChunkSize != 0);
  size_t room = t.meta_end - t.data_size;
  if (room < kMetadataHashSize || (room - kMetadataHashSize) / 2 < chunks) return false;
  *pos = t.data_size + kMetadataHashSize + 2 * chunks;
  return t.meta_end - *pos >= kHeaderSize;
}

bool header_version_matches(const Trailer &t, uint32_t version) {
  if (t.version != 0) return version == t.version;
  return version >= kOldestHeaderVersion && version < kTrailerVersion;
}

// The elements: NUL-terminated name and value pairs filling [begin, end)
// exactly. Calls take(name, value) for each; false when they do not pair up.
template <typename Take>
bool walk_elements(std::string_view elements, Take take) {
  while (!elements.empty()) {
    size_t name_end = elements.find('\0');
    if (name_end == std::string_view::npos) return false;
    size_t value_end = elements.find('\0', name_end + 1);
    if (value_end == std::string_view::npos) return false;
    take(elements.substr(0, name_end), elements.substr(name_end + 1, value_end - name_end - 1));
    elements.remove_prefix(value_end + 1);
  }
  return true;
}

// "1;<offset>,<type>": where the alternative data starts; false when the value
// has another form or the offset does not fit in the data.
bool alt_data_offset(std::string_view value, size_t data_size, size_t *offset) {
  if (value.substr(0, 2) != "1;") return false;
  value.remove_prefix(2);
  uint64_t n = 0;
  size_t digits = 0;
  for (; digits < value.size() && value[digits] >= '0' && value[digits] <= '9'; ++digits) {
    if (n > data_size) return false;  // stop before the value can wrap
    n = n * 10 + static_cast<size_t>(value[digits] - '0');
  }
  if (digits == 0 || digits >= value.size() || value[digits] != ',' || n > data_size) return false;
  *offset = static_cast<size_t>(n);
  return true;
}

// The response head: status line, then header lines, CRLF-separated.
bool take_response_head(std::string_view head, HeadFields *out) {
  size_t end = head.find('\n');
  out->response.status = status_of_line(head.substr(0, end));
  if (out->response.status == 0) return false;
  while (end != std::string_view::npos) {
    head.remove_prefix(end + 1);
    end = head.find('\n');
    take_header_line(head.substr(0, end), out);
  }
  return true;
}

// The elements the reader uses: the response head and the alt-data mark.
bool read_elements(std::string_view elements, size_t data_size, HeadFields *head, size_t *body_size) {
  std::optional<std::string_view> response_head, alt_data;
  bool paired = walk_elements(elements, [&](std::string_view name, std::string_view value) {
    if (name == "response-head" && !response_head) response_head = value;
    if (name == "alt-data" && !alt_data) alt_data = value;
  });
  if (!paired || !response_head || !take_response_head(*response_head, head)) return false;
  *body_size = data_size;
  return !alt_data || alt_data_offset(*alt_data, data_size, body_size);
}

}  // namespace

std::string url_of_firefox_key(std::string_view key) {
  // Each tag is one letter and a value ending at a comma (a doubled comma is
  // part of the value); the tag ':' holds the address, the rest of the key.
  size_t pos = 0;
  while (pos < key.size() && key[pos] != ':') {
    ++pos;
    while (pos < key.size()) {
      if (key[pos] != ',') {
        ++pos;
      } else if (pos + 1 < key.size() && key[pos + 1] == ',') {
        pos += 2;
      } else {
        break;
      }
    }
    if (pos >= key.size()) return "";
    ++pos;  // the comma ending the tag
  }
  if (pos >= key.size()) return "";
  std::string_view url = key.substr(pos + 1);
  return is_web_address(url) ? std::string(url) : "";
}

bool read_firefox_entry(const uint8_t *data, size_t size, CachedResponse *out) {
  Trailer trailer;
  size_t pos;
  MetaHeader meta;
  if (data == nullptr || !read_trailer(data, size, &trailer) || !header_start(trailer, &pos)) return false;
  if (!read_meta_header(data, size, pos, &meta) || !header_version_matches(trailer, meta.version))
    return false;
  size_t key_begin = pos + kHeaderSize;
  // The key and its NUL inside the metadata.
  if (meta.key_size >= trailer.meta_end - key_begin || data[key_begin + meta.key_size] != 0) return false;
  std::string_view key(reinterpret_cast<const char *>(data + key_begin), meta.key_size);
  size_t elements_begin = key_begin + meta.key_size + 1;
  std::string_view elements(reinterpret_cast<const char *>(data + elements_begin),
                            trailer.meta_end - elements_begin);
  HeadFields head;
  head.response.url = url_of_firefox_key(key);
  size_t body_size;
  if (head.response.url.empty() || !read_elements(elements, trailer.data_size, &head, &body_size))
    return false;
  // Firefox keeps a broken-off download to resume it; its stored length
  // falls short of the one announced.
  if (head.has_length && head.content_length != body_size) return false;
  head.response.body_offset = 0;
  head.response.body_size = body_size;
  head.response.response_time = meta.last_modified;
  *out = std::move(head.response);
  return true;
}
