// WebP: a RIFF container whose first chunk says how the picture is stored. The
// size comes from that chunk alone: the lossy frame header ("VP8 "), the bit-packed
// lossless header ("VP8L") or the extended format's canvas ("VP8X"), which also
// carries the animation flag.
#include <cstdint>

#include "collect/header_formats.h"
#include "core/engine_state.h"

namespace {

constexpr int64_t kRiffHeader = 12;  // "RIFF", the RIFF size, "WEBP"
constexpr int64_t kUncounted = 8;    // the bytes before what the RIFF size counts
constexpr int64_t kChunkHeader = 8;  // four-character code and payload size
constexpr int64_t kFirstPayload = kRiffHeader + kChunkHeader;
constexpr uint32_t kLosslessSignature = 0x2F;
constexpr uint8_t kExtendedAnimation = 0x02;

// The fixed part of each first chunk that the size is read from.
constexpr uint32_t kLossyFixed = 10;    // frame tag 3, start code 3, two 16-bit sizes
constexpr uint32_t kLosslessFixed = 5;  // signature and 32 bits of sizes
constexpr uint32_t kExtendedFixed = 10;

struct Riff {
  uint32_t size = 0;        // what the RIFF header says follows it
  char chunk[4] = {};       // the first chunk's code
  uint32_t chunk_size = 0;  // its payload size
};

// The RIFF header and first chunk header; false when the signature is not WebP's
// or the bytes end first.
bool read_riff(const HeaderSource *src, Riff *riff) {
  ByteCursor c = make_cursor(src);
  if (!match_bytes(&c, "RIFF", 4)) return false;
  riff->size = get32le(&c);
  if (!match_bytes(&c, "WEBP", 4)) return false;
  for (char &ch : riff->chunk) ch = static_cast<char>(get8(&c));
  riff->chunk_size = get32le(&c);
  return !c.overrun;
}

bool is_chunk(const Riff &riff, const char *code) {
  return riff.chunk[0] == code[0] && riff.chunk[1] == code[1] && riff.chunk[2] == code[2] &&
         riff.chunk[3] == code[3];
}

// A key frame's header: the frame tag's low bit clear, the start code, then 14-bit
// sizes whose top two bits ask for upscaling, which changes nothing stored.
bool read_lossy(ByteCursor *c, PictureInfo *info) {
  const uint8_t tag = get8(c);
  cursor_skip(c, 2);  // the rest of the frame tag: version, show flag, partition size
  if ((tag & 1) != 0) return false;
  if (!match_bytes(c, "\x9D\x01\x2A", 3)) return false;
  info->width = get16le(c) & 0x3FFFu;
  info->height = get16le(c) & 0x3FFFu;
  return !c->overrun;
}

// 14 bits of width minus one, 14 of height minus one, an alpha hint and a 3-bit
// version that must be 0.
bool read_lossless(ByteCursor *c, PictureInfo *info) {
  if (get8(c) != kLosslessSignature) return false;
  const uint32_t bits = get32le(c);
  if (c->overrun || (bits >> 29) != 0) return false;
  info->width = (bits & 0x3FFFu) + 1;
  info->height = ((bits >> 14) & 0x3FFFu) + 1;
  return true;
}

uint32_t get24le(ByteCursor *c) {
  const uint32_t low = get16le(c);
  return low | (static_cast<uint32_t>(get8(c)) << 16);
}

// Flags, three reserved bytes, then the canvas size minus one in 24 bits each.
bool read_extended(ByteCursor *c, PictureInfo *info) {
  const uint8_t flags = get8(c);
  cursor_skip(c, 3);
  info->width = get24le(c) + 1;
  info->height = get24le(c) + 1;
  if (flags & kExtendedAnimation) info->flags |= FLAG_ANIMATED;
  return !c->overrun;
}

}  // namespace

bool read_webp_header(const HeaderSource *src, PictureInfo *info) {
  Riff riff;
  if (!read_riff(src, &riff)) return false;
  // The RIFF size counts "WEBP" and the first chunk; a smaller one belongs to no picture.
  if (int64_t{riff.size} < 4 + kChunkHeader + int64_t{riff.chunk_size}) return false;
  ByteCursor c = make_cursor(src, kFirstPayload);
  bool read = false;
  if (is_chunk(riff, "VP8 "))
    read = riff.chunk_size >= kLossyFixed && read_lossy(&c, info);
  else if (is_chunk(riff, "VP8L"))
    read = riff.chunk_size >= kLosslessFixed && read_lossless(&c, info);
  else if (is_chunk(riff, "VP8X"))
    read = riff.chunk_size >= kExtendedFixed && read_extended(&c, info);
  return read && info->width != 0 && info->height != 0;
}

bool webp_is_whole(const HeaderSource *src) {
  Riff riff;
  if (!read_riff(src, &riff)) return false;
  const int64_t first_chunk_end = kFirstPayload + int64_t{riff.chunk_size};
  return kUncounted + int64_t{riff.size} <= src->length && first_chunk_end <= src->length;
}
