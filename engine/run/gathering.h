// The gathering (get_files in zuno.h) and its examination step, which the picture
// view uses on its own list too.
#pragma once

#include "core/engine_state.h"

// The status the gathering gives when a step failed (the failure is recorded).
inline constexpr const char *kGatherError = "エラー";

// Reads the header of every listed picture and applies the picture filter; -1 when
// the run was aborted or memory ran out (recorded).
int examine_list(ZunoRecord *rec, FileNode *head);
