#include "collect/picture_header.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "collect/header_formats.h"
#include "platform/platform.h"

namespace {

struct DisplaySize {
  int16_t width = 0, height = 0;
};

constexpr int64_t kLargest16 = std::numeric_limits<int16_t>::max();

// A size as the signed 16-bit fields keep it: a larger one stops at their largest
// value instead of wrapping negative, and no size is below 0.
int16_t saturated16(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, 0, kLargest16));
}

// Truncates toward zero, then saturates; infinity or not-a-number gives 0.
int16_t truncate_to_16(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int16_t>(std::clamp(std::trunc(value), 0.0, static_cast<double>(kLargest16)));
}

// a / b, or 0 when b is 0: a side computed with a zero divisor is 0.
double quotient(double a, double b) {
  return b == 0 ? 0 : a / b;
}

// The thumbnail size by Priority: 0 fits the width, 1 fits the height within the
// window, anything else scales down by CurrentScale.
DisplaySize display_size(const ZunoRecord &s, uint32_t width, uint32_t height, int16_t stored_width) {
  const double w = width, h = height;
  DisplaySize d;
  if (s.Priority == 0) {
    d.width = saturated16(s.CurrentWidth);
    d.height = truncate_to_16(quotient(h, quotient(w, s.CurrentWidth)));
  } else if (s.Priority == 1) {
    const double fitted = quotient(w, quotient(h, s.CurrentHight));
    const double widest = static_cast<double>(s.WindowSize) - 40;
    double shown_width = fitted, shown_height = s.CurrentHight;
    if (fitted > widest) {
      shown_width = widest;
      shown_height = quotient(s.CurrentHight, quotient(fitted, widest));
    }
    d.width = truncate_to_16(shown_width);
    d.height = truncate_to_16(shown_height);
  } else {
    d.width = s.CurrentScale == 0 ? 0 : saturated16(stored_width / s.CurrentScale);
    d.height = truncate_to_16(quotient(h, s.CurrentScale));
  }
  return d;
}

int32_t kilobytes_of(int64_t length) {
  return static_cast<int32_t>(std::min<int64_t>(length / 1024, std::numeric_limits<int32_t>::max()));
}

// The kilobytes a bitmap would take at display size with the same bytes per pixel.
// Without a width or height there are no bytes per pixel: the file's own size
// stands. The estimate saturates rather than wrapping into a negative result.
int32_t bmp_display_kilobytes(const PictureInfo &info, DisplaySize d, int32_t file_kb) {
  if (info.width == 0 || info.height == 0) return file_kb;
  const uint64_t per_pixel = info.bmp_data_size / info.width / info.height;
  const uint64_t pixels = static_cast<uint64_t>(std::max<int>(d.width, 0)) * std::max<int>(d.height, 0);
  const uint64_t kilobytes = (per_pixel * pixels) >> 10;
  return static_cast<int32_t>(std::min<uint64_t>(kilobytes, std::numeric_limits<int32_t>::max()));
}

// Dispatches on the type code; false for a wrong signature, a short header or a
// code that is not exactly one picture or movie code.
bool read_sizes(const HeaderSource *src, int type, PictureInfo *info) {
  switch (type) {
    case TYPE_AVI:
      return read_avi_header(src, info);
    case TYPE_GIF:
      return read_gif_header(src, info);
    case TYPE_PNG:
      return read_png_header(src, info);
    case TYPE_BMP:
      return read_bmp_header(src, info);
    case TYPE_TIF:
      return read_tiff_header(src, info);
    case TYPE_JPEG:
      return read_jpeg_header(src, info);
    case TYPE_WEBP:
      return read_webp_header(src, info);
    case TYPE_AVIF:
      return read_avif_header(src, info);
    case TYPE_MOVIE:
      // MPEG and QuickTime headers are not read; every movie shows at one size.
      info->width = 640;
      info->height = 480;
      return true;
    default:
      return false;
  }
}

// The picture's own size, beyond what the 16-bit fields hold.
struct RealSize {
  uint32_t width = 0, height = 0;
  int64_t taken = 0;
};

int read_header(const ZunoRecord *rec, const HeaderSource &src, int type, int16_t *disp_w, int16_t *disp_h,
                int16_t *w, int16_t *h, uint32_t *flags, RealSize *real = nullptr) {
  static const ZunoRecord no_settings{};
  const ZunoRecord &s = rec ? *rec : no_settings;

  PictureInfo info;
  if (!read_sizes(&src, type, &info)) return -1;
  if ((s.MakeThumbnail == 1 || s.CacheCheckBroken == 1) && !has_end_marker(&src, type)) {
    if (flags) *flags |= FLAG_DAMAGED;
    // Only a thumbnail maker has to decode the picture; a plain listing keeps it.
    if (s.MakeThumbnail == 1) return -1;
  }

  const int16_t width = saturated16(info.width), height = saturated16(info.height);
  const DisplaySize shown = display_size(s, info.width, info.height, width);
  if (w) *w = width;
  if (h) *h = height;
  if (disp_w) *disp_w = shown.width;
  if (disp_h) *disp_h = shown.height;
  if (flags) *flags |= info.flags;
  if (flags && (info.width > kLargest16 || info.height > kLargest16)) *flags |= FLAG_SIZE_CAPPED;
  if (real) *real = {info.width, info.height, info.taken};

  const int32_t kilobytes = kilobytes_of(src.length);
  return type == TYPE_BMP ? bmp_display_kilobytes(info, shown, kilobytes) : kilobytes;
}

}  // namespace

int read_picture_header(const ZunoRecord *rec, const char *path, int type, int16_t *disp_w, int16_t *disp_h,
                        int16_t *w, int16_t *h, uint32_t *flags) {
  if (!path) return -1;
  // InFile takes regular files only: a fifo or device named like a picture is refused unopened-for-reading.
  plat::InFile file;
  if (!file.open(path)) return -1;
  HeaderSource src;
  src.file = &file;
  src.length = file.size();
  return read_header(rec, src, type, disp_w, disp_h, w, h, flags);
}

int read_picture_header_bytes(const ZunoRecord *rec, const uint8_t *data, size_t size, int type,
                              int16_t *disp_w, int16_t *disp_h, int16_t *w, int16_t *h, uint32_t *flags) {
  HeaderSource src;
  static const uint8_t nothing = 0;
  src.data = data ? data : &nothing;
  src.length = data ? static_cast<int64_t>(size) : 0;
  return read_header(rec, src, type, disp_w, disp_h, w, h, flags);
}

int read_picture_node(const ZunoRecord *rec, FileNode *n, plat::FolderCursor *folders) {
  if (!n || !n->path) return -1;
  plat::InFile file;
  // The listing's size is trusted once: a later look at the same node asks the file again.
  const bool listed = (n->flags & FLAG_LISTED_FILE) != 0;
  n->flags &= ~FLAG_LISTED_FILE;
  if (!(listed ? file.open_listed(n->path, n->size, folders) : file.open(n->path))) return -1;
  HeaderSource src;
  src.file = &file;
  src.length = file.size();
  RealSize real;
  int kb = read_header(rec, src, n->type, &n->disp_width, &n->disp_height, &n->width, &n->height, &n->flags,
                       &real);
  if (kb >= 0) {
    n->pixel_width = real.width;
    n->pixel_height = real.height;
    n->taken = real.taken;
  }
  return kb;
}
