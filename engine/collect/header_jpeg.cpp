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

int find_jpeg_size(ByteCursor *cur, uint32_t *height, uint32_t *width) {
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
  return find_jpeg_size(&walk, &info->height, &info->width) == 0;
}
