// Bounded reads of picture headers. Every read goes through a ByteCursor: past the
// end of the bytes (or on a read error) a getter yields 0 and sets the sticky
// `overrun` flag, so a parser reads what it wants and checks once at the end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {
class InFile;
}

// Where header bytes come from: an open file or bytes already in memory.
struct HeaderSource {
  plat::InFile *file = nullptr;
  const uint8_t *data = nullptr;
  int64_t length = 0;
  // A window of file bytes shared by every cursor over the source, so a marker walk
  // costs one read per window, not per byte; 4 KiB holds the whole header of nearly
  // every picture, so most files cost one read.
  mutable uint8_t window[4096];
  mutable int64_t window_start = 0;
  mutable size_t window_len = 0;
};

struct ByteCursor {
  const HeaderSource *src = nullptr;
  int64_t pos = 0;
  bool overrun = false;
};

// A cursor at `pos` of `src`; `src` must outlive it.
ByteCursor make_cursor(const HeaderSource *src, int64_t pos = 0);

// Moves to an absolute offset or forward by n bytes. Positions beyond the end are
// allowed; the next read there sets `overrun`. A negative move sets `overrun` at once.
void cursor_seek(ByteCursor *c, int64_t pos);
void cursor_skip(ByteCursor *c, int64_t n);

uint8_t get8(ByteCursor *c);
uint16_t get16le(ByteCursor *c);
uint16_t get16be(ByteCursor *c);
uint32_t get32le(ByteCursor *c);
uint32_t get32be(ByteCursor *c);

// How many bytes from the start of the source can be read without another read of
// the file: walks that may go on "as far as is cheap" stop there.
int64_t bytes_at_hand(const HeaderSource *src);

// True when the next n bytes equal `text`; the cursor moves past them either way.
bool match_bytes(ByteCursor *c, const char *text, size_t n);
