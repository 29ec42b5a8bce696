#pragma once

constexpr int TYPE_AVI = 0x1, TYPE_GIF = 0x2, TYPE_PNG = 0x4, TYPE_BMP = 0x8, TYPE_TIF = 0x10,
              TYPE_JPEG = 0x20, TYPE_MOVIE = 0x40, TYPE_HTML = 0x100, TYPE_SHORTCUT = 0x200,
              TYPE_LINKFILE = 0x400, TYPE_CGI = 0x800, TYPE_FOLDER = 100;
constexpr int PICTURE_MASK = 0xFF;      // picture and movie codes
constexpr int CACHE_SCAN_MASK = 0x97F;  // every code but shortcuts and link files

// Type code of a path's extension (compared without case; the path is not changed), or -1.
int file_type(const char *path);
// The same, or TYPE_FOLDER when the path names a folder.
int file_type_or_folder(const char *path);
