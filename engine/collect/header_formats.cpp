#include "collect/header_formats.h"

#include <initializer_list>

#include "collect/file_types.h"
#include "core/engine_state.h"

bool read_avi_header(const HeaderSource *src, PictureInfo *info) {
  ByteCursor c = make_cursor(src);
  if (!match_bytes(&c, "RIF", 3)) return false;
  cursor_seek(&c, 64);  // the main AVI header's frame width and height
  info->width = get32le(&c);
  info->height = get32le(&c);
  return !c.overrun;
}

// True when a NETSCAPE2.0 looping extension starts at `offset`. Only a block that
// directly follows the colour table counts; later blocks are not walked.
static bool is_looping_extension_at(const HeaderSource *src, int64_t offset) {
  ByteCursor c = make_cursor(src, offset);
  if (get8(&c) != 0x21) return false;
  cursor_skip(&c, 2);  // label and block size
  if (!match_bytes(&c, "NETSCAPE", 8) || !match_bytes(&c, "2.0", 3)) return false;
  return get8(&c) == 3 && !c.overrun;
}

bool read_gif_header(const HeaderSource *src, PictureInfo *info) {
  ByteCursor c = make_cursor(src);
  if (!match_bytes(&c, "GIF8", 4)) return false;
  uint8_t version = get8(&c);
  if ((version != '7' && version != '9') || get8(&c) != 'a') return false;
  info->width = get16le(&c);
  info->height = get16le(&c);
  uint8_t packed = get8(&c);
  cursor_skip(&c, 2);  // background colour and aspect: the screen descriptor is whole
  if (c.overrun || info->width == 0 || info->height == 0) return false;
  int64_t colour_table = (packed & 0x80) ? 3 * (int64_t{2} << (packed & 7)) : 0;
  if (is_looping_extension_at(src, 13 + colour_table)) info->flags |= FLAG_ANIMATED;
  return true;
}

namespace {

constexpr uint32_t kPngLargest = 0x7FFFFFFFu;      // sizes and chunk lengths are 31-bit
constexpr int64_t kPngFirstChunkAfterHeader = 33;  // signature 8 + IHDR chunk 25

// The bit depths each colour type allows.
bool png_depth_allowed(uint8_t colour, uint8_t depth) {
  switch (colour) {
    case 0:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

// Walks the chunks that lie within the bytes already read: false when the image
// ends (IEND) before any image data (IDAT) or a length is impossible.
bool png_has_data_before_end(const HeaderSource *src) {
  const int64_t at_hand = bytes_at_hand(src);
  ByteCursor c = make_cursor(src, kPngFirstChunkAfterHeader);
  while (c.pos + 8 <= at_hand) {
    uint32_t length = get32be(&c);
    if (length > kPngLargest) return false;
    if (match_bytes(&c, "IDAT", 4)) return true;
    c.pos -= 4;
    if (match_bytes(&c, "IEND", 4)) return false;
    cursor_skip(&c, int64_t{length} + 4);  // data and CRC
    if (c.overrun) return true;            // the rest lies beyond what was read: not judged
  }
  return true;
}

}  // namespace

uint32_t png_crc32(const uint8_t *data, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

bool read_png_header(const HeaderSource *src, PictureInfo *info) {
  ByteCursor c = make_cursor(src);
  if (!match_bytes(&c, "\x89PNG\r\n\x1a\n", 8) || get32be(&c) != 13) return false;
  uint8_t chunk[17];  // "IHDR" and its 13 bytes, as the CRC covers them
  for (uint8_t &b : chunk) b = get8(&c);
  uint32_t stored_crc = get32be(&c);
  if (c.overrun || chunk[0] != 'I' || chunk[1] != 'H' || chunk[2] != 'D' || chunk[3] != 'R') return false;
  if (png_crc32(chunk, sizeof chunk) != stored_crc) return false;
  ByteCursor fields = make_cursor(src, 16);
  info->width = get32be(&fields);
  info->height = get32be(&fields);
  const uint8_t depth = chunk[12], colour = chunk[13], compression = chunk[14], filter = chunk[15],
                interlace = chunk[16];
  if (info->width == 0 || info->height == 0 || info->width > kPngLargest || info->height > kPngLargest)
    return false;
  if (!png_depth_allowed(colour, depth) || compression != 0 || filter != 0 || interlace > 1) return false;
  return !fields.overrun && png_has_data_before_end(src);
}

namespace {

constexpr uint32_t kBmpCoreHeader = 12;  // the oldest header: 16-bit sizes

bool bmp_header_size_known(uint32_t size) {
  for (uint32_t known : {kBmpCoreHeader, 40u, 52u, 56u, 64u, 108u, 124u})
    if (size == known) return true;
  return false;
}

bool bmp_bit_count_known(uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

bool read_bmp_header(const HeaderSource *src, PictureInfo *info) {
  ByteCursor c = make_cursor(src);
  if (!match_bytes(&c, "BM", 2)) return false;
  cursor_seek(&c, 14);
  uint32_t header_size = get32le(&c);
  if (!bmp_header_size_known(header_size)) return false;
  uint16_t planes, bits;
  if (header_size == kBmpCoreHeader) {
    info->width = get16le(&c);
    info->height = get16le(&c);
    planes = get16le(&c);
    bits = get16le(&c);
  } else {
    info->width = get32le(&c);
    uint32_t height = get32le(&c);
    // A negative height marks a top-down bitmap; its size is the magnitude.
    info->height = (height & 0x80000000u) ? 0u - height : height;
    planes = get16le(&c);
    bits = get16le(&c);
    cursor_seek(&c, 34);
    info->bmp_data_size = get32le(&c);
  }
  return !c.overrun && planes == 1 && bmp_bit_count_known(bits);
}

static uint16_t get16_in_order(ByteCursor *c, bool little) {
  return little ? get16le(c) : get16be(c);
}
static uint32_t get32_in_order(ByteCursor *c, bool little) {
  return little ? get32le(c) : get32be(c);
}

constexpr uint16_t kTiffImageWidth = 256;
constexpr uint16_t kTiffImageLength = 257;
constexpr uint16_t kTiffShort = 3;
constexpr uint16_t kTiffLong = 4;

// Reads the value of a directory entry whose tag and type were read; the cursor
// ends at the next entry. False when the type is neither SHORT nor LONG.
static bool read_tiff_size_value(ByteCursor *c, uint16_t type, bool little, uint32_t *value) {
  cursor_skip(c, 4);  // value count; a size has one value, stored in the entry itself
  if (type == kTiffShort) {
    *value = get16_in_order(c, little);
    cursor_skip(c, 2);
    return true;
  }
  if (type == kTiffLong) {
    *value = get32_in_order(c, little);
    return true;
  }
  cursor_skip(c, 4);
  return false;
}

bool read_tiff_header(const HeaderSource *src, PictureInfo *info) {
  ByteCursor c = make_cursor(src);
  uint8_t first = get8(&c), second = get8(&c);
  bool little = first == 'I' && second == 'I';
  if (!little && !(first == 'M' && second == 'M')) return false;
  uint16_t magic = get16_in_order(&c, little);
  uint32_t directory = get32_in_order(&c, little);
  if (c.overrun || magic != 42) return false;
  // The first directory must lie inside the file, after the 8-byte header.
  if (directory < 8 || int64_t{directory} + 2 > src->length) return false;

  cursor_seek(&c, directory);
  uint16_t entries = get16_in_order(&c, little);
  bool have_width = false, have_height = false;
  for (uint16_t i = 0; i < entries && !c.overrun && !(have_width && have_height); ++i) {
    uint16_t tag = get16_in_order(&c, little);
    uint16_t type = get16_in_order(&c, little);
    uint32_t value = 0;
    bool is_size = read_tiff_size_value(&c, type, little, &value);
    if (c.overrun || !is_size) continue;
    if (tag == kTiffImageWidth) {
      info->width = value;
      have_width = true;
    } else if (tag == kTiffImageLength) {
      info->height = value;
      have_height = true;
    }
  }
  return have_width && have_height;
}

// True when the last bytes of the source equal `tail`.
static bool ends_with(const HeaderSource *src, const char *tail, size_t n) {
  ByteCursor c = make_cursor(src, src->length - static_cast<int64_t>(n));
  return match_bytes(&c, tail, n);
}

bool has_end_marker(const HeaderSource *src, int type) {
  switch (type) {
    case TYPE_GIF:
      return ends_with(src, "\x3B", 1);
    case TYPE_PNG:
      return ends_with(src, "IEND\xAE\x42\x60\x82", 8);
    case TYPE_JPEG:
      return ends_with(src, "\xFF\xD9", 2);
    case TYPE_WEBP:
      return webp_is_whole(src);
    case TYPE_AVIF:
      return avif_is_whole(src);
    default:
      return true;
  }
}
