// One response as a modern browser cache keeps it (Chromium's simple cache,
// Firefox's cache2), read from the bytes of its entry file without trusting any
// length or offset in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct CachedResponse {
  std::string url;               // the address, the browser's key prefixes removed
  int status = 0;                // HTTP status; 0 when the entry holds no HTTP head
  std::string content_type;      // lower case, parameters removed ("image/png")
  std::string content_encoding;  // lower case, "" when none ("gzip", "br", ...)
  std::string content_range;     // as stored, "" when none
  int64_t response_time = 0;     // seconds since 1970 UTC; 0 when unknown
  size_t body_offset = 0;        // the stored body: bytes [offset, offset + size)
  size_t body_size = 0;          //   of the entry file, still content-encoded
};

// A Chromium simple-cache "<hash>_0" file: true with *out filled, false when the
// bytes are no complete entry (torn while the browser wrote it, damaged, or
// another format). Keys that are no web address (code cache) give false.
bool read_chromium_entry(const uint8_t *data, size_t size, CachedResponse *out);
// A Firefox cache2 "entries/<SHA1>" file: the same. Encrypted entries, internal
// keys (":about:home") and entries without an HTTP head give false; the body
// ends where alt-data begins.
bool read_firefox_entry(const uint8_t *data, size_t size, CachedResponse *out);

// The address inside a stored key, or "" when the key holds none.
std::string url_of_chromium_key(std::string_view key);
std::string url_of_firefox_key(std::string_view key);

// Decodes a body stored with a Content-Encoding ("gzip", "x-gzip", "deflate",
// "br", "zstd"; "" or "identity" copies it). False when the encoding is unknown,
// the data is damaged or truncated, or the result would pass `limit` bytes.
bool decode_body(std::string_view encoding, const uint8_t *data, size_t size, std::string *out,
                 size_t limit);
