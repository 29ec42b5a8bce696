#pragma once

#include <string>

#include "core/engine_state.h"
#include "platform/platform.h"

// Depth values live in 8 bits with folders at 100 + depth: deeper scans cannot be stored.
constexpr int kMaxScanDepth = 27;
// Paths handed to callers must fit their 256-byte areas.
constexpr size_t kMaxPathBytes = 255;

// A folder entry (its status from plat::stat_entry) that a scan may go into: a
// linked folder is listed but not entered, since a link may lead anywhere, back up
// the tree or across the whole disk; nor is a virtual file system entered.
bool is_enterable_folder(const std::string &path, const plat::Stat &st);

// Search words: 1 when no pattern module is loaded, 0 compiled, -1 failed.
int compile_search_words(ZunoRecord *rec);
// 0 when the text matches every search word, -1 otherwise.
int matches_search(const ZunoRecord *rec, const char *text);
