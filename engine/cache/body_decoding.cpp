// Stored bodies keep their Content-Encoding; decoding them is the one place where
// a few bytes from the web can ask for unbounded memory, so every decoder writes
// in bounded steps and stops as soon as the output would pass the caller's limit.
#include <brotli/decode.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <memory>
#include <vector>

#include "cache/cached_response.h"

namespace {

constexpr size_t kStep = 64 * 1024;
// Web zstd senders keep to an 8 MiB window (RFC 9659); a frame asking for more
// would only make the decoder allocate for it.
constexpr int kZstdWindowLogMax = 23;

// Room for the next step of output: at most kStep, and one byte past the limit
// so that an overlong result shows itself.
size_t next_step(const std::string &out, size_t limit) {
  size_t left = out.size() <= limit ? limit - out.size() : 0;
  return left < kStep ? left + 1 : kStep;
}

// zlib with `window_bits` choosing the wrapper (gzip, zlib or raw).
bool inflate_with(int window_bits, std::string_view in, std::string *out, size_t limit) {
  z_stream z{};
  if (inflateInit2(&z, window_bits) != Z_OK) return false;
  std::unique_ptr<z_stream, int (*)(z_stream *)> guard(&z, inflateEnd);
  std::string result;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (z.avail_in == 0 && !in.empty()) {
      size_t n = std::min<size_t>(in.size(), UINT_MAX);
      z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
      z.avail_in = static_cast<uInt>(n);
      in.remove_prefix(n);
    }
    size_t have = result.size(), step = next_step(result, limit);
    result.resize(have + step);
    z.next_out = reinterpret_cast<Bytef *>(result.data() + have);
    z.avail_out = static_cast<uInt>(step);
    rc = inflate(&z, Z_NO_FLUSH);
    result.resize(have + step - z.avail_out);
    if (result.size() > limit) return false;
    // Z_BUF_ERROR with input left cannot happen here; without input it means truncated.
    if (rc != Z_OK && rc != Z_STREAM_END) return false;
  }
  // Bytes after the end of the stream are ignored, as the browsers do.
  *out = std::move(result);
  return true;
}

// Deflate as servers send it: mostly zlib-wrapped, sometimes raw.
bool inflate_deflate(std::string_view in, std::string *out, size_t limit) {
  bool wrapped = in.size() >= 2 && (static_cast<uint8_t>(in[0]) & 0x0f) == Z_DEFLATED &&
                 ((static_cast<uint8_t>(in[0]) << 8) | static_cast<uint8_t>(in[1])) % 31 == 0;
  if (wrapped && inflate_with(MAX_WBITS, in, out, limit)) return true;
  return inflate_with(-MAX_WBITS, in, out, limit);
}

bool decode_brotli(std::string_view in, std::string *out, size_t limit) {
  std::unique_ptr<BrotliDecoderState, void (*)(BrotliDecoderState *)> state(
      BrotliDecoderCreateInstance(nullptr, nullptr, nullptr), BrotliDecoderDestroyInstance);
  if (!state) return false;
  const uint8_t *next_in = reinterpret_cast<const uint8_t *>(in.data());
  size_t avail_in = in.size();
  std::string result;
  BrotliDecoderResult rc = BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT;
  while (rc == BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) {
    size_t have = result.size(), step = next_step(result, limit), avail_out = step;
    result.resize(have + step);
    uint8_t *next_out = reinterpret_cast<uint8_t *>(result.data() + have);
    rc = BrotliDecoderDecompressStream(state.get(), &avail_in, &next_in, &avail_out, &next_out, nullptr);
    result.resize(have + step - avail_out);
    if (result.size() > limit) return false;
  }
  // NEEDS_MORE_INPUT with all input given: the stream was cut short.
  if (rc != BROTLI_DECODER_RESULT_SUCCESS) return false;
  *out = std::move(result);
  return true;
}

bool decode_zstd(std::string_view in, std::string *out, size_t limit) {
  std::unique_ptr<ZSTD_DCtx, size_t (*)(ZSTD_DCtx *)> ctx(ZSTD_createDCtx(), ZSTD_freeDCtx);
  if (!ctx || ZSTD_isError(ZSTD_DCtx_setParameter(ctx.get(), ZSTD_d_windowLogMax, kZstdWindowLogMax)))
    return false;
  ZSTD_inBuffer input{in.data(), in.size(), 0};
  std::string result;
  size_t rc = 1;  // non-zero: a frame is still open
  // Frames may follow one another; the input has to end with a complete one.
  while (input.pos < input.size || rc != 0) {
    size_t have = result.size(), step = next_step(result, limit);
    result.resize(have + step);
    ZSTD_outBuffer output{result.data() + have, step, 0};
    size_t before = input.pos;
    rc = ZSTD_decompressStream(ctx.get(), &output, &input);
    result.resize(have + output.pos);
    if (ZSTD_isError(rc) || result.size() > limit) return false;
    // No input taken and no output made: the frame is cut short.
    if (input.pos == before && output.pos == 0) return false;
  }
  *out = std::move(result);
  return true;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool is(std::string_view coding, std::string_view name) {
  if (coding.size() != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(coding[i])) != name[i]) return false;
  return true;
}

bool is_known(std::string_view coding) {
  return coding.empty() || is(coding, "identity") || is(coding, "gzip") || is(coding, "x-gzip") ||
         is(coding, "deflate") || is(coding, "br") || is(coding, "zstd");
}

// One coding of the list applied to `in`. An empty body stays empty whatever
// its coding, as the browsers take it.
bool decode_one(std::string_view coding, std::string_view in, std::string *out, size_t limit) {
  if (!is_known(coding)) return false;
  if (coding.empty() || is(coding, "identity") || in.empty()) {
    if (in.size() > limit) return false;
    out->assign(in);
    return true;
  }
  if (is(coding, "gzip") || is(coding, "x-gzip")) return inflate_with(MAX_WBITS + 16, in, out, limit);
  if (is(coding, "deflate")) return inflate_deflate(in, out, limit);
  if (is(coding, "br")) return decode_brotli(in, out, limit);
  return decode_zstd(in, out, limit);
}

}  // namespace

bool decode_body(std::string_view encoding, const uint8_t *data, size_t size, std::string *out,
                 size_t limit) {
  if (data == nullptr && size != 0) return false;
  // "gzip, br" was gzipped first: the codings are undone from the last one.
  std::vector<std::string_view> codings;
  for (size_t comma; (comma = encoding.find(',')) != std::string_view::npos;
       encoding.remove_prefix(comma + 1))
    codings.push_back(trimmed(encoding.substr(0, comma)));
  codings.push_back(trimmed(encoding));
  std::string_view in(reinterpret_cast<const char *>(data), size);
  std::string stages[2];
  size_t last = 0;
  for (auto it = codings.rbegin(); it != codings.rend(); ++it, last ^= 1) {
    if (!decode_one(*it, in, &stages[last], limit)) return false;
    in = stages[last];
  }
  *out = std::move(stages[last ^ 1]);
  return true;
}
