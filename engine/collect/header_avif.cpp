// AVIF: an ISO base media file. The size is the "ispe" property of the primary item
// (meta/pitm names it, meta/iprp/ipma ties it to properties in meta/iprp/ipco); an
// "irot" of a quarter or three quarters turn swaps width and height. A sequence
// ("avis") without an item falls back to its first track's header. No box is
// trusted: each one must lie inside its parent and inside the bytes present.
#include <cstdint>

#include "collect/header_formats.h"
#include "core/engine_state.h"

namespace {

// Walks stop after this many boxes on one level or properties in one container;
// real files have a handful, a hostile one could name millions.
constexpr int kMostBoxes = 64;
constexpr int kMostProperties = 256;
constexpr int kMostBrands = 64;

constexpr uint32_t fourcc(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[3]));
}

struct Box {
  uint32_t type = 0;
  int64_t body = 0;  // first byte after the box header
  int64_t end = 0;   // first byte after the box
};

// The box whose header starts at `pos`, which must end by `limit` (its parent's end).
// A size of 0 runs to the limit; a size of 1 is followed by a 64-bit size.
bool read_box(const HeaderSource *src, int64_t pos, int64_t limit, Box *box) {
  ByteCursor c = make_cursor(src, pos);
  uint64_t size = get32be(&c);
  box->type = get32be(&c);
  if (size == 1) size = (static_cast<uint64_t>(get32be(&c)) << 32) | get32be(&c);
  if (c.overrun) return false;
  box->body = c.pos;
  if (size == 0) size = static_cast<uint64_t>(limit - pos);
  if (size < static_cast<uint64_t>(box->body - pos) || size > static_cast<uint64_t>(limit - pos))
    return false;
  box->end = pos + static_cast<int64_t>(size);
  return true;
}

// The first child of [from, limit) with the type; false when none is found in time.
bool find_box(const HeaderSource *src, int64_t from, int64_t limit, uint32_t type, Box *found) {
  Box box;
  for (int i = 0; i < kMostBoxes && from < limit; ++i, from = box.end) {
    if (!read_box(src, from, limit, &box)) return false;
    if (box.type == type) {
      *found = box;
      return true;
    }
  }
  return false;
}

// A box wholly inside the bytes present, so every field read from it is there.
bool find_whole_box(const HeaderSource *src, int64_t from, int64_t limit, uint32_t type, Box *found) {
  return find_box(src, from, limit, type, found) && found->end <= src->length;
}

// "ftyp" first, naming "avif" (a picture) or "avis" (a sequence) as its major or a
// compatible brand.
bool read_brands(const HeaderSource *src, bool *sequence, int64_t *after) {
  Box ftyp;
  if (!read_box(src, 0, src->length, &ftyp) || ftyp.type != fourcc("ftyp") || ftyp.end - ftyp.body < 8)
    return false;
  ByteCursor c = make_cursor(src, ftyp.body);
  bool picture = false;
  *sequence = false;
  auto note = [&](uint32_t brand) {
    picture |= brand == fourcc("avif");
    *sequence |= brand == fourcc("avis");
  };
  note(get32be(&c));
  cursor_skip(&c, 4);  // minor version
  for (int i = 0; i < kMostBrands && c.pos + 4 <= ftyp.end; ++i) note(get32be(&c));
  *after = ftyp.end;
  return !c.overrun && (picture || *sequence);
}

// The primary item's number: 16 bits in version 0 of "pitm", 32 bits after.
bool read_primary_item(const HeaderSource *src, const Box &meta, uint32_t *item) {
  Box pitm;
  if (!find_whole_box(src, meta.body + 4, meta.end, fourcc("pitm"), &pitm)) return false;
  ByteCursor c = make_cursor(src, pitm.body);
  const uint8_t version = get8(&c);
  cursor_skip(&c, 3);
  *item = version == 0 ? get16be(&c) : get32be(&c);
  return !c.overrun && c.pos <= pitm.end;
}

// The property boxes of "ipco" in order: ipma numbers them from 1.
struct Properties {
  Box list[kMostProperties];
  int count = 0;
};

bool read_properties(const HeaderSource *src, const Box &iprp, Properties *props) {
  Box ipco;
  if (!find_whole_box(src, iprp.body, iprp.end, fourcc("ipco"), &ipco)) return false;
  for (int64_t at = ipco.body; at < ipco.end && props->count < kMostProperties;) {
    Box &box = props->list[props->count];
    if (!read_box(src, at, ipco.end, &box)) return false;
    ++props->count;
    at = box.end;
  }
  return true;
}

struct Extent {
  uint32_t width = 0, height = 0;
  bool have_size = false;
  bool turned = false;  // a quarter or three-quarter turn
};

void apply_property(const HeaderSource *src, const Box &box, Extent *extent) {
  ByteCursor c = make_cursor(src, box.body);
  if (box.type == fourcc("ispe") && box.end - box.body >= 12) {
    cursor_skip(&c, 4);  // version and flags
    const uint32_t width = get32be(&c), height = get32be(&c);
    if (c.overrun || extent->have_size) return;
    extent->width = width;
    extent->height = height;
    extent->have_size = true;
  } else if (box.type == fourcc("irot") && box.end - box.body >= 1) {
    const uint8_t angle = get8(&c) & 3;
    if (!c.overrun) extent->turned = (angle & 1) != 0;
  }
}

// Walks "ipma" to the primary item's entry and applies its properties. Each entry is
// the item number (16 or 32 bits by version), a count, and that many property
// numbers of 7 bits (15 when flag 1 is set) below an "essential" bit.
bool read_associations(const HeaderSource *src, const Box &iprp, uint32_t item, const Properties &props,
                       Extent *extent) {
  Box ipma;
  if (!find_whole_box(src, iprp.body, iprp.end, fourcc("ipma"), &ipma)) return false;
  ByteCursor c = make_cursor(src, ipma.body);
  const uint8_t version = get8(&c);
  const uint32_t flags = static_cast<uint32_t>(get8(&c)) << 16 | get16be(&c);
  const uint32_t entries = get32be(&c);
  for (uint32_t e = 0; e < entries && !c.overrun && c.pos < ipma.end; ++e) {
    const uint32_t id = version < 1 ? get16be(&c) : get32be(&c);
    const uint8_t count = get8(&c);
    for (uint8_t a = 0; a < count && !c.overrun; ++a) {
      const uint32_t number = (flags & 1) ? get16be(&c) & 0x7FFFu : get8(&c) & 0x7Fu;
      if (c.overrun || c.pos > ipma.end) return false;
      if (id == item && number >= 1 && static_cast<int>(number) <= props.count)
        apply_property(src, props.list[number - 1], extent);
    }
    if (id == item) return extent->have_size;
  }
  return false;
}

bool read_item_size(const HeaderSource *src, const Box &meta, PictureInfo *info) {
  uint32_t item = 0;
  Box iprp;
  if (!read_primary_item(src, meta, &item) ||
      !find_whole_box(src, meta.body + 4, meta.end, fourcc("iprp"), &iprp))
    return false;
  Properties props;
  Extent extent;
  if (!read_properties(src, iprp, &props) || !read_associations(src, iprp, item, props, &extent))
    return false;
  info->width = extent.turned ? extent.height : extent.width;
  info->height = extent.turned ? extent.width : extent.height;
  return true;
}

// A sequence's first track: "tkhd" keeps width and height as 16.16 fixed point after
// times whose width depends on the version.
bool read_track_size(const HeaderSource *src, const Box &moov, PictureInfo *info) {
  Box trak, tkhd;
  if (!find_box(src, moov.body, moov.end, fourcc("trak"), &trak) ||
      !find_whole_box(src, trak.body, trak.end, fourcc("tkhd"), &tkhd))
    return false;
  ByteCursor c = make_cursor(src, tkhd.body);
  const uint8_t version = get8(&c);
  cursor_seek(&c, tkhd.body + (version == 1 ? 88 : 76));
  info->width = get32be(&c) >> 16;
  info->height = get32be(&c) >> 16;
  return !c.overrun && c.pos <= tkhd.end;
}

}  // namespace

bool read_avif_header(const HeaderSource *src, PictureInfo *info) {
  bool sequence = false;
  int64_t after_brands = 0;
  if (!read_brands(src, &sequence, &after_brands)) return false;
  Box meta, moov;
  bool sized = find_box(src, after_brands, src->length, fourcc("meta"), &meta) && meta.end <= src->length &&
               read_item_size(src, meta, info);
  if (!sized && sequence)
    sized =
        find_box(src, after_brands, src->length, fourcc("moov"), &moov) && read_track_size(src, moov, info);
  if (!sized || info->width == 0 || info->height == 0) return false;
  if (sequence) info->flags |= FLAG_ANIMATED;
  return true;
}

// Whole when the top-level boxes follow each other up to the end and the picture's
// data is among them ("mdat", or "idat" inside "meta"): a file cut right after its
// meta box chains up perfectly but holds no picture.
bool avif_is_whole(const HeaderSource *src) {
  int64_t at = 0;
  Box box, idat;
  bool data = false;
  for (int i = 0; i < kMostBoxes && at < src->length; ++i, at = box.end) {
    if (!read_box(src, at, src->length, &box)) return false;
    data |= box.type == fourcc("mdat") ||
            (box.type == fourcc("meta") && find_box(src, box.body + 4, box.end, fourcc("idat"), &idat));
  }
  return data || at < src->length;
}
