#pragma once

#include "core/engine_state.h"

// Name order: bytes compared on their low 7 bits; a name that is a prefix of the
// other comes first. Negative, 0 or positive.
int compare_names(const char *a, const char *b);
// Sorts the list in place (contents move, the head stays the embedded head).
// Type 0 leaves it alone; mode 0 sorts descending, any other mode ascending. 0, or -1 without memory.
int sort_list(int type, int mode, FileNode *head);
// The older in-place exchange sort: mode 1 ascending, other modes descending.
// 1 sorted, 0 for type 0, -1 on abort.
int exchange_sort(int type, int mode, FileNode *head);
