// The picture header reader: pixel size, completeness, animation and the
// thumbnail display size of one picture or movie, without decoding pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "collect/file_types.h"
#include "collect/header_cursor.h"
#include "core/engine_state.h"

namespace plat {
class FolderCursor;
}

// Reads the header of the file at `path` with type code `type` (exactly one of
// 0x1 AVI, 0x2 GIF, 0x4 PNG, 0x8 BMP, 0x10 TIF, 0x20 JPEG, 0x40 MOV/MPG, 0x80 WebP,
// 0x1000 AVIF).
// Returns the file size in kilobytes (for BMP the estimated kilobytes at display
// size), or -1 when the file can't be opened as a regular file, the signature is
// wrong, the header is cut short, the type code is none of the above, or the
// completeness check rejects it. On success writes the four sizes and ORs
// FLAG_ANIMATED into `flags`; on -1 leaves every output alone except that a
// failed completeness check ORs FLAG_DAMAGED. `rec` null reads as all settings 0;
// any size output and `flags` may be null.
int read_picture_header(const ZunoRecord *rec, const char *path, int type, int16_t *disp_w, int16_t *disp_h,
                        int16_t *w, int16_t *h, uint32_t *flags);

// The same for a listed node (its path and type), filling its display and stored
// sizes and its flags, and its real size in pixel_width/pixel_height. The stored
// sizes stop at 32767; a picture larger than that has FLAG_SIZE_CAPPED.
// `folders`, when given, opens a file the scan has just listed inside its folder (see plat::FolderCursor).
int read_picture_node(const ZunoRecord *rec, FileNode *n, plat::FolderCursor *folders = nullptr);

// The same over bytes in memory (a whole file's content), through the same parsers.
int read_picture_header_bytes(const ZunoRecord *rec, const uint8_t *data, size_t size, int type,
                              int16_t *disp_w, int16_t *disp_h, int16_t *w, int16_t *h, uint32_t *flags);

// Walks JPEG marker segments from the cursor's position up to the first baseline
// (0xFFC0) or progressive (0xFFC2) frame header. Returns 0 with the frame's height
// and width stored; -1 when the bytes end first, a segment length is below 2, the
// frame header is shorter than its fixed part, or the walk takes more segments
// than any real file has. With `taken`, an Exif segment passed on the way that lies within the bytes at hand
// leaves its DateTimeOriginal there (seconds, the clock time read as UTC; 0 when none).
int find_jpeg_size(ByteCursor *cur, uint32_t *height, uint32_t *width, int64_t *taken = nullptr);
