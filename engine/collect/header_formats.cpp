#include "collect/header_formats.h"

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
  if (!match_bytes(&c, "GIF", 3)) return false;
  cursor_seek(&c, 6);
  info->width = get16le(&c);
  info->height = get16le(&c);
  uint8_t packed = get8(&c);
  if (c.overrun) return false;
  int64_t colour_table = (packed & 0x80) ? 3 * (int64_t{2} << (packed & 7)) : 0;
  if (is_looping_extension_at(src, 13 + colour_table)) info->flags |= FLAG_ANIMATED;
  return true;
}

bool read_png_header(const HeaderSource *src, PictureInfo *info) {
  ByteCursor c = make_cursor(src, 12);
  if (!match_bytes(&c, "IHDR", 4)) return false;
  info->width = get32be(&c);
  info->height = get32be(&c);
  return !c.overrun;
}

bool read_bmp_header(const HeaderSource *src, PictureInfo *info) {
  ByteCursor c = make_cursor(src);
  if (!match_bytes(&c, "BM", 2)) return false;
  cursor_seek(&c, 18);
  info->width = get32le(&c);
  uint32_t height = get32le(&c);
  // A negative height marks a top-down bitmap; its size is the magnitude.
  info->height = (height & 0x80000000u) ? 0u - height : height;
  cursor_seek(&c, 34);
  info->bmp_data_size = get32le(&c);
  return !c.overrun;
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
    default:
      return true;
  }
}
