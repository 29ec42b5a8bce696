// Feeds every input, as the bytes of a cached page without any terminator, to the
// anchor scanner, and each address it finds to the address helpers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "links/anchor_scan.h"
#include "links/link_urls.h"

namespace {

// A web address handed on never carries a byte that could leave an attribute or a line.
void check_web(const std::string &address) {
  if (address.size() >= kAddressBuffer) abort();
  if (address.compare(0, 7, "http://") != 0 && address.compare(0, 8, "https://") != 0) abort();
  for (char ch : address) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>') abort();
  }
}

void check_found(const std::string &address) {
  if (address.size() >= kMaxAnchorText || address.find('"') != std::string::npos) abort();
  std::string web;
  if (canonical_address(address, &web)) check_web(web);
  if (combine_address("http://base.example/dir/page.htm", address, &web)) check_web(web);
  address_host(address);
  address_file_name(address);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string_view page(reinterpret_cast<const char *>(data), size);
  AnchorScan scan(page);
  AnchorAddresses found;
  while (true) {
    size_t before = scan.pos;
    if (!next_anchor(&scan, &found)) {
      if (scan.pos != before) abort();  // the end of the scan moves nothing
      break;
    }
    if (scan.pos <= before || scan.pos > size) abort();        // every step moves forward, within the page
    if (found.link.empty() != found.picture.empty()) abort();  // both or neither
    check_found(found.link);
    check_found(found.picture);
  }
  return 0;
}
