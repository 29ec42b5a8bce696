#include <algorithm>

#include "collect/header_formats.h"
#include "collect/picture_header.h"

// Real files carry a few dozen segments before the frame header (a split ICC
// profile some hundreds); a walk longer than this is reading garbage.
constexpr int kMaxJpegSegments = 4096;
constexpr uint16_t kStartOfImage = 0xFFD8;
constexpr uint16_t kBaselineFrame = 0xFFC0;
constexpr uint16_t kProgressiveFrame = 0xFFC2;
// Length, sample precision, height, width and component count.
constexpr uint16_t kFrameHeaderFixedPart = 8;
constexpr uint16_t kApp1 = 0xFFE1;
constexpr uint16_t kExifPointerTag = 0x8769;
constexpr uint16_t kDateTimeOriginalTag = 0x9003;
constexpr uint16_t kAsciiType = 2;
// An IFD with more entries than this is not a camera's.
constexpr int kMaxIfdEntries = 512;

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// "YYYY:MM:DD HH:MM:SS" as seconds, the clock time taken as UTC (Exif names no zone); 0 when it is not a
// date a camera writes (cameras without a set clock write zeros or blanks).
int64_t exif_seconds(const char *t) {
  int v[6] = {};
  const int starts[6] = {0, 5, 8, 11, 14, 17}, widths[6] = {4, 2, 2, 2, 2, 2};
  for (int f = 0; f < 6; ++f) {
    for (int i = 0; i < widths[f]; ++i) {
      char c = t[starts[f] + i];
      if (c < '0' || c > '9') return 0;
      v[f] = v[f] * 10 + (c - '0');
    }
  }
  if (v[0] < 1900 || v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31 || v[3] > 23 || v[4] > 59 || v[5] > 60)
    return 0;
  return days_from_civil(v[0], v[1], v[2]) * 86400 + v[3] * 3600 + v[4] * 60 + v[5];
}

struct TiffReader {
  ByteCursor cur;
  int64_t base;
  bool little;
  int64_t limit;  // the bytes at hand: the date is read only where the header read already reached

  uint16_t u16() { return little ? get16le(&cur) : get16be(&cur); }
  uint32_t u32() { return little ? get32le(&cur) : get32be(&cur); }
  bool seek(uint32_t offset) {
    if (base + int64_t{offset} >= limit) return false;
    cursor_seek(&cur, base + offset);
    return true;
  }

  // The value field of the first entry of the IFD at offset with the tag (its type and count when asked).
  bool find(uint32_t ifd, uint16_t tag, uint32_t *value, uint16_t *type = nullptr,
            uint32_t *count = nullptr) {
    if (!seek(ifd)) return false;
    int entries = u16();
    if (cur.overrun || entries > kMaxIfdEntries) return false;
    for (int i = 0; i < entries && cur.pos + 12 <= limit; ++i) {
      uint16_t t = u16(), kind = u16();
      uint32_t n = u32(), v = u32();
      if (cur.overrun) return false;
      if (t != tag) continue;
      if (type) *type = kind;
      if (count) *count = n;
      *value = v;
      return true;
    }
    return false;
  }
};

// The DateTimeOriginal of an Exif APP1 segment starting at the cursor (after its length), in seconds; 0
// when the segment has none within the bytes at hand.
int64_t exif_date(ByteCursor at, uint16_t segment_length) {
  if (segment_length < 2 + 6 + 8 || !match_bytes(&at, "Exif\0\0", 6)) return 0;
  TiffReader r{at, at.pos, false, std::min<int64_t>(bytes_at_hand(at.src), at.pos - 8 + segment_length)};
  uint16_t order = get16be(&r.cur);
  if (order != 0x4949 && order != 0x4D4D) return 0;
  r.little = order == 0x4949;
  if (r.u16() != 42) return 0;
  uint32_t ifd0 = r.u32(), exif_ifd = 0, text_at = 0, count = 0;
  uint16_t type = 0;
  if (r.cur.overrun || !r.find(ifd0, kExifPointerTag, &exif_ifd)) return 0;
  if (!r.find(exif_ifd, kDateTimeOriginalTag, &text_at, &type, &count)) return 0;
  if (type != kAsciiType || count < 19 || count > 64 || !r.seek(text_at) || r.base + text_at + 19 > r.limit)
    return 0;
  char text[20] = {};
  for (int i = 0; i < 19; ++i) text[i] = static_cast<char>(get8(&r.cur));
  return r.cur.overrun ? 0 : exif_seconds(text);
}

}  // namespace

int find_jpeg_size(ByteCursor *cur, uint32_t *height, uint32_t *width, int64_t *taken) {
  for (int segment = 0; segment < kMaxJpegSegments; ++segment) {
    uint16_t marker = get16be(cur);
    if (cur->overrun) return -1;
    if (marker == kStartOfImage) continue;
    uint16_t length = get16be(cur);
    if (cur->overrun || length < 2) return -1;
    if (marker == kBaselineFrame || marker == kProgressiveFrame) {
      if (length < kFrameHeaderFixedPart) return -1;
      uint8_t precision = get8(cur);
      uint32_t frame_height = get16be(cur);
      uint32_t frame_width = get16be(cur);
      uint8_t components = get8(cur);
      if (cur->overrun) return -1;
      // What a decoder accepts: 8- or 12-bit samples, one to four components.
      if ((precision != 8 && precision != 12) || components < 1 || components > 4) return -1;
      *height = frame_height;
      *width = frame_width;
      return 0;
    }
    if (marker == kApp1 && taken && *taken == 0) *taken = exif_date(*cur, length);
    // Every other marker, frame types 0xFFC1 and 0xFFC3 included, is a segment to pass.
    cursor_skip(cur, length - 2);
  }
  return -1;
}

bool read_jpeg_header(const HeaderSource *src, PictureInfo *info) {
  // Any segment may follow the start of image: JFIF or Exif mostly, but web
  // encoders also write a comment, an Adobe segment or the tables first, and
  // strip every application segment. The frame header decides.
  ByteCursor sig = make_cursor(src, 0);
  uint8_t start[3];
  for (uint8_t &b : start) b = get8(&sig);
  if (sig.overrun || start[0] != 0xFF || start[1] != 0xD8 || start[2] != 0xFF) return false;
  ByteCursor walk = make_cursor(src, 0);
  return find_jpeg_size(&walk, &info->height, &info->width, &info->taken) == 0;
}
