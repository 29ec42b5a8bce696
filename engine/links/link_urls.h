// Web addresses found in cached pages, read through libcurl's URL parser. Every
// address here is untrusted text from the web: it is taken only when the parser
// accepts it whole, never patched or cut into something else.
#pragma once

#include <string>
#include <string_view>

// Addresses are handled in buffers of this many bytes: a longer one is dropped.
constexpr size_t kAddressBuffer = 1024;

// The canonical form of an absolute http: or https: address (dot segments removed,
// unsafe bytes percent-encoded, including the quote and angle brackets that could
// leave an attribute). Returns true with *out set; false for a relative address,
// another scheme, an address the parser refuses, or one of kAddressBuffer bytes or more.
bool canonical_address(std::string_view address, std::string *out);

// `address` resolved against the absolute address `base`, in canonical form. Returns
// false under the same conditions as canonical_address for the result.
bool combine_address(std::string_view base, std::string_view address, std::string *out);

// The host name of an absolute address, "" when it has none or cannot be parsed.
std::string address_host(std::string_view address);

// The last component of an address's path (file name and extension), "" when the
// path ends in '/' or the address cannot be parsed.
std::string address_file_name(std::string_view address);

// Host names compare without case.
bool same_host(std::string_view a, std::string_view b);
