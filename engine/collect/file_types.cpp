#include "collect/file_types.h"

#include <strings.h>

#include <cstring>

#include "platform/platform.h"

namespace {

struct TypeRow {
  const char *extension;
  int code;
};

constexpr TypeRow kTypes[] = {
    {".BMP", TYPE_BMP},   {".JPG", TYPE_JPEG},  {".JPEG", TYPE_JPEG},    {".JPE", TYPE_JPEG},
    {".GIF", TYPE_GIF},   {".MOV", TYPE_MOVIE}, {".AVI", TYPE_AVI},      {".MPG", TYPE_MOVIE},
    {".HTM", TYPE_HTML},  {".HTML", TYPE_HTML}, {".URL", TYPE_SHORTCUT}, {".PNG", TYPE_PNG},
    {".TIF", TYPE_TIF},   {".CGI", TYPE_CGI},   {".AHM", TYPE_LINKFILE}, {".WEBP", TYPE_WEBP},
    {".AVIF", TYPE_AVIF}, {".MP4", TYPE_MOVIE}, {".M4V", TYPE_MOVIE},    {".WEBM", TYPE_MOVIE},
};

}  // namespace

int file_type(const char *path) {
  if (!path) return -1;
  size_t n = strlen(path);
  // Every dot from the back is tried, so "a.tar.JPG" is a JPEG and "x.jpg.bak" nothing.
  for (size_t i = n; i-- > 1;) {
    if (path[i] != '.') continue;
    for (const TypeRow &row : kTypes)
      if (strcasecmp(path + i, row.extension) == 0) return row.code;
  }
  return -1;
}

int file_type_or_folder(const char *path) {
  if (path && plat::is_dir(path)) return TYPE_FOLDER;
  return file_type(path);
}
