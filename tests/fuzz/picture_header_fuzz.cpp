// Feeds every input, as a whole file's bytes, to the picture header reader under
// each picture and movie type code, with settings that reach every display-size
// rule and the completeness check, plus settings taken from the input's tail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "collect/picture_header.h"

namespace {

ZunoRecord settings(int priority, int width, int height, int window, int scale, int thumbs, int check) {
  ZunoRecord rec{};
  rec.Priority = priority;
  rec.CurrentWidth = width;
  rec.CurrentHight = height;
  rec.WindowSize = window;
  rec.CurrentScale = scale;
  rec.MakeThumbnail = thumbs;
  rec.CacheCheckBroken = check;
  return rec;
}

// Odd values the settings file could hold: zero, negative, extreme.
ZunoRecord settings_from_tail(const uint8_t *data, size_t size) {
  int32_t v[5] = {};
  if (size >= sizeof v) memcpy(v, data + size - sizeof v, sizeof v);
  return settings(v[0] & 3, v[1], v[2], v[3], v[4], v[0] >> 8 & 1, v[0] >> 9 & 1);
}

void check(int kb, uint32_t flags, const int16_t (&sizes)[4]) {
  // -1 is the only negative result; only the header flags are ever added.
  if (kb < -1 || (flags & ~(FLAG_ANIMATED | FLAG_DAMAGED | FLAG_SIZE_CAPPED)) != 0) abort();
  // A size too large for its 16-bit field stops at 32767; none wraps negative.
  if (kb >= 0)
    for (int16_t s : sizes)
      if (s < 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const int types[] = {TYPE_AVI,  TYPE_GIF,   TYPE_PNG,  TYPE_BMP,  TYPE_TIF,
                              TYPE_JPEG, TYPE_MOVIE, TYPE_WEBP, TYPE_AVIF, 0x2000};
  const ZunoRecord records[] = {settings(0, 120, 0, 0, 0, 0, 1), settings(1, 0, 100, 200, 0, 1, 0),
                                settings(2, 0, 0, 0, 3, 0, 0), settings_from_tail(data, size)};
  for (const ZunoRecord &rec : records) {
    for (int type : types) {
      int16_t sizes[4] = {};
      uint32_t flags = 0;
      int kb = read_picture_header_bytes(&rec, data, size, type, &sizes[0], &sizes[1], &sizes[2], &sizes[3],
                                         &flags);
      check(kb, flags, sizes);
    }
  }
  // The marker walk on its own, whatever the signature bytes say.
  HeaderSource src;
  src.data = data;
  src.length = static_cast<int64_t>(size);
  ByteCursor cur = make_cursor(&src);
  uint32_t height = 0, width = 0;
  if (find_jpeg_size(&cur, &height, &width) == 0 && (height > 0xFFFF || width > 0xFFFF)) abort();
  return 0;
}
