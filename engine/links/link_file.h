// Link files (".ahm"): beside a cached page, which pictures its anchors wrap and
// where each one leads. Written from the page, read back by later runs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/engine_state.h"

// Link files larger than this are not read; pages larger than this are not scanned.
constexpr int64_t kMaxLinkFileBytes = 245760;
constexpr int64_t kMaxPageBytes = 16LL << 20;

// The link file of a page: same folder, the page's name without its extension, ".ahm".
std::string link_file_path(const std::string &page);

// Writes the link file of a cached page. Returns 0 when it holds at least one record,
// and also 0 (with the reason recorded) when the page cannot be read; -1 when the
// file is no page (its first non-blank byte is not '<') or yields no record, in
// which case no link file is left beside it.
int write_link_file(const std::string &page);

struct LinkRecord {
  std::string picture;  // the picture's address
  std::string link;     // where the anchor around it leads
};
struct LinkFile {
  std::unordered_map<std::string, LinkRecord> by_key;  // the text between "[" and "]"; the first record wins
};

// Reads the bytes of a link file. False when they are no link file: they must begin
// with "http" and hold a line end.
bool parse_link_file(std::string_view bytes, LinkFile *out);

// The address a record gives its picture: the link from its "http" on, canonical,
// when that is an http: or https: address; "" otherwise.
std::string record_source(const LinkRecord &record);

// How a link file names a listed file: its path from "Content.IE5" on, '\' between
// the parts, the extension in lower case; "" for a path outside a cache folder.
std::string node_link_key(std::string_view path);

// The gathering's link-file steps: the link file of one copied cached page (0, or
// -1 when it yields none), and the source addresses of every listed picture that a
// link file names (-1 when aborted or out of memory).
int make_link_file(ZunoRecord *rec, FileNode *node);
int apply_link_files(ZunoRecord *rec, FileNode *head);
