// Thumbnail creation after a successful normal run: the thumbnail loop of frontend/thumbnails driven through
// the engine binding. What it shows goes to the screen callbacks the run controller hands over.
#pragma once

#include "thumbnail_loop.h"

// Runs until the engine names no further picture or the user stops; remembers in the program state the
// pictures a crash would have died on (one per line: several are decoded at once).
void make_thumbnails(const thumbnails::Screen &screen);
