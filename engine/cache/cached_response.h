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
// Also false: a response Chromium marked truncated (kept only to resume the
// download), a response-info pickle other than version 3 or whose lengths do not
// match stream 0, a head without an "HTTP/x nnn" status line. CRCs are not
// checked. response_time is the pickle's response time. A ranged entry keeps its
// 206 head here with an empty body; the body is in "<hash>_s" (read below).
bool read_chromium_entry(const uint8_t *data, size_t size, CachedResponse *out);
// A Firefox cache2 "entries/<SHA1>" file: the same. Encrypted entries, internal
// keys (":about:home") and entries without an HTTP head give false; the body
// ends where alt-data begins.
// Accepted: format 4 files (version word before the offset) and the older ones
// ending with the offset alone (header versions 2 and 3). Also false: elements
// that do not pair into NUL-ended names and values, an alt-data mark other than
// "1;<offset>,..." inside the data, a Content-Length other than the stored body's
// length (an interrupted download Firefox keeps to resume). The metadata hashes
// are not checked. response_time is the metadata header's last-modified time
// (when Firefox last wrote the entry, e.g. on receiving or revalidating it), the
// counterpart of Chromium's response time.
bool read_firefox_entry(const uint8_t *data, size_t size, CachedResponse *out);

// A Chromium "<hash>_s" file (the sparse ranges of a media entry whose "_0"
// keeps a 206 head and no body): true with *body the resource rebuilt from its
// ranges when they cover [0, end of the last range) without a hole; overlapping
// ranges are merged. False when the file is torn or damaged, holds no range, or
// part of the resource was never fetched; *body is then untouched.
bool read_chromium_sparse(const uint8_t *data, size_t size, std::string *body);

// The address inside a stored key, or "" when the key holds none.
std::string url_of_chromium_key(std::string_view key);
std::string url_of_firefox_key(std::string_view key);

// Decodes a body stored with a Content-Encoding ("gzip", "x-gzip", "deflate",
// "br", "zstd"; "" or "identity" copies it). False when the encoding is unknown,
// the data is damaged or truncated, or the result would pass `limit` bytes.
// A list ("gzip, br") is undone from its last coding; an empty body decodes to
// an empty result under any known coding; bytes after the end of a gzip, deflate
// or br stream are ignored, as the browsers do; zstd frames may follow each other
// and windows above 8 MiB are refused. *out is written only on success.
bool decode_body(std::string_view encoding, const uint8_t *data, size_t size, std::string *out, size_t limit);
