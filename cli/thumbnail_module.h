// The module that holds quillo's thumbnail step (console_thumbnails.h) and how quillo finds it. Only a run
// that makes thumbnails loads it, and only after the catalog is written, so that scanning and writing pages
// never carry Qt, the image plug-ins and the AV1 codecs in memory.
#pragma once

#include <string>

#include "console_thumbnails.h"

// The one symbol the module exports. Its number goes up whenever ConsoleThumbnails or ConsoleThumbnailResult
// change shape, so that a module left from another build is refused by name instead of being called with the
// wrong layout.
#define QUILLO_THUMBNAIL_ENTRY quillo_thumbnails_v1
#define QUILLO_THUMBNAIL_ENTRY_NAME "quillo_thumbnails_v1"

using ThumbnailEntry = void(const ConsoleThumbnails *console, const char *thumbs,
                            ConsoleThumbnailResult *result);

struct ThumbnailModule {
  ThumbnailEntry *make = nullptr;  // null when the module could not be loaded
  std::string error;               // then: the file and why, as the user should read it
};

// The module beside quillo in `folder`, never one found on the loader's search path: that could be another
// build's. It stays loaded until the program ends, since Qt's worker threads and statics outlive the step.
ThumbnailModule load_thumbnail_module(const std::string &folder, const std::string &file_name);
