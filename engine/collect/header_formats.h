// One reader per picture format: each checks the signature and takes the pixel
// size from the header, reading only the bytes it needs through a bounded cursor.
#pragma once

#include <cstdint>

#include "collect/header_cursor.h"

struct PictureInfo {
  uint32_t width = 0, height = 0;
  uint32_t flags = 0;          // FLAG_ANIMATED for a looping GIF, an animated WebP or an AVIF sequence
  uint32_t bmp_data_size = 0;  // BMP only: the bitmap's image data size
  int64_t taken = 0;           // JPEG only: the Exif date the photo was taken, 0 when unknown
};

// Each returns true and fills `info` when the signature matched and the size was
// read; false for a wrong signature or a header cut short. `info` may be partly
// written on failure.
bool read_avi_header(const HeaderSource *src, PictureInfo *info);
bool read_gif_header(const HeaderSource *src, PictureInfo *info);
bool read_png_header(const HeaderSource *src, PictureInfo *info);
bool read_bmp_header(const HeaderSource *src, PictureInfo *info);
bool read_tiff_header(const HeaderSource *src, PictureInfo *info);
bool read_jpeg_header(const HeaderSource *src, PictureInfo *info);
bool read_webp_header(const HeaderSource *src, PictureInfo *info);
bool read_avif_header(const HeaderSource *src, PictureInfo *info);

// True when the RIFF container's stated size, and its first chunk's, fit the file.
bool webp_is_whole(const HeaderSource *src);
// True when the top-level boxes of the ISO-BMFF file follow each other up to its end.
bool avif_is_whole(const HeaderSource *src);

// The CRC-32 that PNG chunks carry (over the chunk name and data).
uint32_t png_crc32(const uint8_t *data, size_t n);

// True when the file ends the way a complete GIF, PNG or JPEG ends, or its WebP or
// AVIF container's sizes reach no further than its end; true for every other type
// code, which has no end marker to check.
bool has_end_marker(const HeaderSource *src, int type);
