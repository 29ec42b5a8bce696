// What both browser cache readers take from a stored HTTP response head, and the
// bounded little/big-endian reads their entry layouts need. Internal to the cache
// floor: the entry readers share it, nothing else calls it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cache/cached_response.h"

// Integers at `offset` of a buffer: false (and *v untouched) when the bytes are
// not all inside [0, size). The offset may be anything, a sum included.
bool le32_at(const uint8_t *data, size_t size, size_t offset, uint32_t *v);
bool le64_at(const uint8_t *data, size_t size, size_t offset, uint64_t *v);
bool be32_at(const uint8_t *data, size_t size, size_t offset, uint32_t *v);

// The status of a status line "HTTP/<version> <3 digits>[ <reason>]": 100-999,
// or 0 when the line is no status line.
int status_of_line(std::string_view line);

// Takes one header line "Name: value" into *out when it is one the readers keep
// (Content-Type without its parameters, Content-Encoding, Content-Range,
// Content-Length); other lines and lines without a colon are ignored. Repeated
// Content-Encoding lines are joined with ", " in order, as HTTP lists combine;
// for the others the first line counts.
struct HeadFields {
  CachedResponse response;
  bool has_length = false;
  uint64_t content_length = 0;  // valid when has_length
};
void take_header_line(std::string_view line, HeadFields *out);
