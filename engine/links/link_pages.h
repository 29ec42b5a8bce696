// The link-page list: the saved pages of the cache backup, searched for the page
// that showed a picture.
#pragma once

#include "core/engine_state.h"

// Builds the list when it is empty: every page (".htm", ".html") below the saved
// output folder's copy of the browser cache, "<saved output>/<cache folder name>/
// Images/Content.IE5". Returns 0 when the list holds pages, -1 when there are none
// (no cache folder known, or no backup: the reason is recorded).
int build_link_pages(const ZunoRecord &rec, FileNode *pages);
