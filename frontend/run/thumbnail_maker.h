// Thumbnail creation after a successful normal run: the thumbnail loop of frontend/thumbnails driven through
// the engine binding. What it shows goes to the screen callbacks the run controller hands over.
#pragma once

#include "thumbnail_loop.h"

// Runs until the engine names no further picture or the user stops after a failed read; remembers in the
// program state the picture a crash would have died on.
void make_thumbnails(const thumbnails::Screen &screen);
