#pragma once

#include "core/engine_state.h"

// The age threshold for an age-list choice, as the front end's list offers them.
ZunoTime age_threshold_for_choice(const ZunoRecord &rec, int choice, ZunoTime now);
// The age threshold for an UnderLimits value read from the settings file (its own, coarser table).
ZunoTime age_threshold_from_file(int value, ZunoTime now);
// Exchanges the lowest and third byte: 0xRRGGBB <-> 0xBBGGRR.
int swap_red_blue(int color);
