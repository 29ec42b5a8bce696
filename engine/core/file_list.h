// The file list: FileNode records in a flattened pre-order tree ending with an
// empty terminal node (path and next null).
#pragma once

#include <string_view>

#include "core/engine_state.h"

// A zero-filled node, or nullptr when memory ran out.
FileNode *new_node();
// Replaces an owned text of a node (path or source) with a copy; false when memory ran out.
bool set_node_text(char **field, std::string_view value);
// True for every node before the terminal node.
inline bool is_listed(const FileNode *n) {
  return n && n->next;
}
inline bool is_folder_entry(const FileNode *n) {
  return n->depth >= 100;
}
// How deep a run lists and shows subfolders: a folder run with the subfolder search
// switched off shows its own folder only; cache runs always read their whole cache.
inline int run_depth_limit(const ZunoRecord &rec) {
  return rec.OutputKind == kOutputPlain && !rec.SearchSubdir ? 0 : rec.SubdirDepth;
}
