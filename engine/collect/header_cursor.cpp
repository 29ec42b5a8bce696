#include "collect/header_cursor.h"

#include <cstring>

#include "platform/platform.h"

ByteCursor make_cursor(const HeaderSource *src, int64_t pos) {
  ByteCursor c;
  c.src = src;
  cursor_seek(&c, pos);
  return c;
}

void cursor_seek(ByteCursor *c, int64_t pos) {
  if (pos < 0) {
    c->overrun = true;
    return;
  }
  c->pos = pos;
}

void cursor_skip(ByteCursor *c, int64_t n) {
  // The end of the source caps the position, so repeated skips cannot overflow it.
  if (n < 0 || n > c->src->length - c->pos) {
    c->overrun = true;
    c->pos = c->src->length;
    return;
  }
  c->pos += n;
}

// Reads up to n bytes at offset from either kind of source; the count read, or -1.
static ssize_t read_source(const HeaderSource *src, int64_t offset, uint8_t *out, size_t n) {
  if (!src->data) return src->file->read_at(offset, out, n);
  const size_t left = static_cast<size_t>(src->length - offset);
  const size_t count = left < n ? left : n;
  memcpy(out, src->data + offset, count);
  return static_cast<ssize_t>(count);
}

static bool window_holds(const HeaderSource *s, int64_t pos) {
  return pos >= s->window_start && pos < s->window_start + static_cast<int64_t>(s->window_len);
}

// Makes the window hold the byte at the position, which lies before the end of the
// source; false when the read fails or ends before the position (the file got
// shorter than its status said): the window's older bytes are never taken for it.
static bool fill_window(ByteCursor *c) {
  const HeaderSource *s = c->src;
  if (window_holds(s, c->pos)) return true;
  s->window_len = 0;
  // Headers are read from the front in any order: the first window always starts at 0.
  s->window_start = c->pos < static_cast<int64_t>(sizeof s->window) ? 0 : c->pos;
  ssize_t got = read_source(s, s->window_start, s->window, sizeof s->window);
  if (got <= 0) return false;
  s->window_len = static_cast<size_t>(got);
  return window_holds(s, c->pos);
}

int64_t bytes_at_hand(const HeaderSource *src) {
  if (src->data) return src->length;
  return src->window_start == 0 ? static_cast<int64_t>(src->window_len) : 0;
}

uint8_t get8(ByteCursor *c) {
  if (c->overrun || c->pos >= c->src->length || !fill_window(c)) {
    c->overrun = true;
    return 0;
  }
  return c->src->window[c->pos++ - c->src->window_start];
}

uint16_t get16le(ByteCursor *c) {
  uint16_t lo = get8(c);
  return static_cast<uint16_t>(lo | (get8(c) << 8));
}

uint16_t get16be(ByteCursor *c) {
  uint16_t hi = get8(c);
  return static_cast<uint16_t>((hi << 8) | get8(c));
}

uint32_t get32le(ByteCursor *c) {
  uint32_t lo = get16le(c);
  return lo | (static_cast<uint32_t>(get16le(c)) << 16);
}

uint32_t get32be(ByteCursor *c) {
  uint32_t hi = get16be(c);
  return (hi << 16) | get16be(c);
}

bool match_bytes(ByteCursor *c, const char *text, size_t n) {
  bool same = true;
  for (size_t i = 0; i < n; ++i)
    if (get8(c) != static_cast<uint8_t>(text[i])) same = false;
  return same && !c->overrun;
}
