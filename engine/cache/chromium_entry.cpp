// Chromium's simple disk cache. A "_0" file is written front to back while the
// response arrives and closed by its end records, so it is read from the end:
// a file whose end records are missing was torn, whatever its front says.
#include <algorithm>
#include <vector>

#include "cache/cached_response.h"
#include "cache/response_head.h"
#include "cache/url_canon.h"

namespace {

constexpr uint64_t kInitialMagic = 0xfcfb6d1ba7725c30ull;
constexpr uint64_t kFinalMagic = 0xf4fa6f45970d41d8ull;
constexpr uint64_t kRangeMagic = 0xeb97bf016553676bull;
constexpr uint32_t kEntryVersion = 5;
// The sparse file carries the index's version number, not the entry's.
constexpr uint32_t kSparseVersion = 9;
constexpr size_t kHeaderSize = 24;
constexpr size_t kEofSize = 24;
constexpr size_t kKeyDigestSize = 32;
constexpr size_t kRangeHeaderSize = 32;
constexpr uint32_t kEofHasKeyDigest = 1u << 1;

constexpr uint32_t kPickleVersionMask = 0xff;
constexpr uint32_t kPickleVersion = 3;
constexpr uint32_t kPickleTruncated = 1u << 12;
constexpr uint32_t kPickleExtraFlags = 1u << 31;
constexpr uint32_t kExtraOriginalResponseTime = 1u << 2;
// Microseconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochSeconds1601 = 11644473600;

// The file header: true with the key's place when the magic and version match
// and the key lies inside the file.
bool read_file_header(const uint8_t *data, size_t size, uint32_t version, size_t *key_size) {
  uint64_t magic;
  uint32_t v, k;
  if (!le64_at(data, size, 0, &magic) || magic != kInitialMagic) return false;
  if (!le32_at(data, size, 8, &v) || !le32_at(data, size, 12, &k) || v != version) return false;
  if (size < kHeaderSize || k > size - kHeaderSize) return false;
  *key_size = k;
  return true;
}

// The EOF record starting at `offset`: its flags and stream size, false when no
// record with the final magic lies there.
bool read_eof(const uint8_t *data, size_t size, size_t offset, uint32_t *flags, uint32_t *stream_size) {
  uint64_t magic;
  if (!le64_at(data, size, offset, &magic) || magic != kFinalMagic) return false;
  uint32_t crc;
  return le32_at(data, size, offset + 8, flags) && le32_at(data, size, offset + 12, &crc) &&
         le32_at(data, size, offset + 16, stream_size);
}

// Where stream 0 and the body lie in a "_0" file, every bound checked.
struct Layout {
  size_t key_size = 0;
  size_t stream0 = 0, stream0_size = 0;
  size_t body = 0, body_size = 0;
};

bool locate_streams(const uint8_t *data, size_t size, Layout *out) {
  size_t key_size;
  if (!read_file_header(data, size, kEntryVersion, &key_size)) return false;
  // Room for the header, the key and both EOF records is the least a file holds.
  size_t front = kHeaderSize + key_size;
  if (size - front < 2 * kEofSize) return false;
  uint32_t flags, s0;
  if (!read_eof(data, size, size - kEofSize, &flags, &s0)) return false;
  size_t end0 = size - kEofSize;  // end of stream 0 (or of the key digest)
  if (flags & kEofHasKeyDigest) {
    if (end0 - front - kEofSize < kKeyDigestSize) return false;
    end0 -= kKeyDigestSize;
  }
  if (s0 > end0 - front - kEofSize) return false;
  size_t start0 = end0 - s0;
  uint32_t flags1, s1_unused;
  if (!read_eof(data, size, start0 - kEofSize, &flags1, &s1_unused)) return false;
  out->key_size = key_size;
  out->stream0 = start0;
  out->stream0_size = s0;
  out->body = front;
  out->body_size = start0 - kEofSize - front;
  return true;
}

// A cursor over a pickle payload: every read is aligned to 4 bytes as Chromium
// writes them, and a read past the end fails once and for all.
struct PickleReader {
  const uint8_t *data;
  size_t size;
  size_t pos = 0;
  bool ok = true;

  uint32_t u32() {
    uint32_t v = 0;
    ok = ok && le32_at(data, size, pos, &v);
    pos += ok ? 4 : 0;
    return ok ? v : 0;
  }
  int64_t i64() {
    uint64_t v = 0;
    ok = ok && le64_at(data, size, pos, &v);
    pos += ok ? 8 : 0;
    return ok ? static_cast<int64_t>(v) : 0;
  }
  std::string_view bytes() {
    uint32_t n = u32();
    if (!ok || n > size - pos) {
      ok = false;
      return {};
    }
    std::string_view out(reinterpret_cast<const char *>(data + pos), n);
    size_t padded = (size_t(n) + 3) & ~size_t(3);
    pos = padded <= size - pos ? pos + padded : size;
    return out;
  }
};

int64_t unix_seconds_of_1601_micros(int64_t micros) {
  if (micros <= 0) return 0;
  int64_t seconds = micros / 1000000 - kUnixEpochSeconds1601;
  return seconds > 0 ? seconds : 0;
}

// The status line and headers, NUL-separated as the pickle keeps them.
bool take_header_block(std::string_view block, HeadFields *out) {
  size_t end = block.find('\0');
  out->response.status = status_of_line(block.substr(0, end));
  if (out->response.status == 0) return false;
  while (end != std::string_view::npos) {
    block.remove_prefix(end + 1);
    end = block.find('\0');
    take_header_line(block.substr(0, end), out);
  }
  return true;
}

// Stream 0: the pickled response info. Only the fields before the header block
// are walked; what follows (certificates, peer address, ...) is left unread.
bool read_response_info(const uint8_t *data, size_t size, HeadFields *out) {
  uint32_t payload;
  if (!le32_at(data, size, 0, &payload) || payload != size - 4) return false;
  PickleReader r{data + 4, size - 4};
  uint32_t flags = r.u32();
  uint32_t extra = (flags & kPickleExtraFlags) ? r.u32() : 0;
  r.i64();  // request time
  int64_t response_time = r.i64();
  if (extra & kExtraOriginalResponseTime) r.i64();
  std::string_view block = r.bytes();
  if (!r.ok || (flags & kPickleVersionMask) != kPickleVersion) return false;
  // A download broken off is kept for resuming; its body is only a prefix.
  if (flags & kPickleTruncated) return false;
  if (!take_header_block(block, out)) return false;
  out->response.response_time = unix_seconds_of_1601_micros(response_time);
  return true;
}

// Numeric "<digits>/" segments (credential flag, upload id) lead the key.
std::string_view without_number_prefixes(std::string_view key) {
  for (int i = 0; i < 2; ++i) {
    size_t n = 0;
    while (n < key.size() && key[n] >= '0' && key[n] <= '9') ++n;
    if (n == 0 || n >= key.size() || key[n] != '/') break;
    key.remove_prefix(n + 1);
  }
  return key;
}

struct Range {
  uint64_t offset, length;
  const uint8_t *bytes;
};

// The ranges after the key of a "_s" file, in file order; false when one is
// damaged or cut short.
bool read_ranges(const uint8_t *data, size_t size, size_t pos, std::vector<Range> *out) {
  while (pos < size) {
    uint64_t magic, offset, length;
    if (!le64_at(data, size, pos, &magic) || magic != kRangeMagic) return false;
    if (!le64_at(data, size, pos + 8, &offset) || !le64_at(data, size, pos + 16, &length)) return false;
    if (size - pos < kRangeHeaderSize) return false;
    pos += kRangeHeaderSize;
    if (length > size - pos || offset > UINT64_MAX - length) return false;
    out->push_back({offset, length, data + pos});
    pos += length;
  }
  return true;
}

}  // namespace

std::string url_of_chromium_key(std::string_view key) {
  if (key.substr(0, 4) == "_key") return "";  // code cache: compiled script, not a response
  key = without_number_prefixes(key);
  if (key.substr(0, 4) == "_dk_") {
    size_t space = key.rfind(' ');
    if (space == std::string_view::npos) return "";
    key.remove_prefix(space + 1);
  }
  return is_web_address(key) ? std::string(key) : "";
}

bool read_chromium_entry(const uint8_t *data, size_t size, CachedResponse *out) {
  Layout layout;
  if (data == nullptr || !locate_streams(data, size, &layout)) return false;
  std::string_view key(reinterpret_cast<const char *>(data + kHeaderSize), layout.key_size);
  HeadFields head;
  head.response.url = url_of_chromium_key(key);
  if (head.response.url.empty()) return false;
  if (!read_response_info(data + layout.stream0, layout.stream0_size, &head)) return false;
  head.response.body_offset = layout.body;
  head.response.body_size = layout.body_size;
  *out = std::move(head.response);
  return true;
}

bool read_chromium_sparse(const uint8_t *data, size_t size, std::string *body) {
  size_t key_size;
  if (data == nullptr || !read_file_header(data, size, kSparseVersion, &key_size)) return false;
  std::vector<Range> ranges;
  if (!read_ranges(data, size, kHeaderSize + key_size, &ranges) || ranges.empty()) return false;
  std::stable_sort(ranges.begin(), ranges.end(),
                   [](const Range &a, const Range &b) { return a.offset < b.offset; });
  // Every range lies inside the file, so the rebuilt body never outgrows it.
  std::string rebuilt;
  for (const Range &r : ranges) {
    uint64_t covered = rebuilt.size();
    if (r.offset > covered) return false;  // a hole: part of the resource was never fetched
    uint64_t end = r.offset + r.length;
    if (end > covered)
      rebuilt.append(reinterpret_cast<const char *>(r.bytes + (covered - r.offset)), end - covered);
  }
  *body = std::move(rebuilt);
  return true;
}
