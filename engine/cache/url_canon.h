// Web addresses as the cache stores and the pages show them.
#pragma once

#include <string>
#include <string_view>

// Longest address kept, terminator excluded: the address buffers of the engine's
// callers hold 1024 bytes, and an address that does not fit is dropped, never cut.
constexpr size_t kMaxAddress = 1023;

// True when `text` starts with "http://" or "https://" (scheme without case):
// the only addresses the cache analysis stores and the pages link to.
bool is_web_address(std::string_view text);
// The normalised form of an address (scheme lower-cased, dot segments removed,
// a bare host given its "/", unsafe characters percent-encoded). false when the
// address does not parse or its normal form exceeds kMaxAddress; *out is then untouched.
bool canonical_url(const std::string &address, std::string *out);
