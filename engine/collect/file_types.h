#pragma once

#include "zuno.h"

// Type codes are bit flags (an EnableFileType mask is their sum), except TYPE_FOLDER,
// a plain number that no mask test may take for a picture.
constexpr int TYPE_AVI = ZUNO_TYPE_AVI, TYPE_GIF = ZUNO_TYPE_GIF, TYPE_PNG = ZUNO_TYPE_PNG,
              TYPE_BMP = ZUNO_TYPE_BMP, TYPE_TIF = ZUNO_TYPE_TIF, TYPE_JPEG = ZUNO_TYPE_JPEG,
              TYPE_MOVIE = ZUNO_TYPE_MOVIE, TYPE_WEBP = ZUNO_TYPE_WEBP, TYPE_HTML = 0x100,
              TYPE_SHORTCUT = 0x200, TYPE_LINKFILE = 0x400, TYPE_CGI = 0x800, TYPE_AVIF = ZUNO_TYPE_AVIF,
              TYPE_FOLDER = 100;
// Every picture and movie code: what "all pictures" means wherever a mask is chosen.
constexpr int PICTURE_MASK = ZUNO_TYPES_PICTURES;
// Every code but shortcuts and link files.
constexpr int CACHE_SCAN_MASK = PICTURE_MASK | TYPE_HTML | TYPE_CGI;
static_assert((PICTURE_MASK & (TYPE_HTML | TYPE_SHORTCUT | TYPE_LINKFILE | TYPE_CGI)) == 0,
              "a picture code overlaps a page code");
static_assert(PICTURE_MASK == 0x10FF && CACHE_SCAN_MASK == 0x19FF);

// True for a picture or movie code (TYPE_FOLDER and -1 are neither).
constexpr bool is_picture_type(int type) {
  return type != TYPE_FOLDER && type > 0 && (type & PICTURE_MASK) == type;
}

// Type code of a path's extension (compared without case; the path is not changed), or -1.
int file_type(const char *path);
// The same, or TYPE_FOLDER when the path names a folder.
int file_type_or_folder(const char *path);
