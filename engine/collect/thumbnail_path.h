// Where each placed picture's thumbnail lives below the catalog's "Thumbs" folder.
// The catalog pages name the file and get_thumbinfo tells the front end to write
// it; both take the name from here, so a page always shows the file that was made.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "core/engine_state.h"

struct ThumbnailPlan {
  std::unordered_map<const FileNode *, std::string> below;  // "/sub/name.jpg" by node
  std::string base;                                         // the folder the thumbnails mirror
};

// The folder the run's pictures lie below: `output`/Images when the run copied
// them there, else the target folder.
std::string thumbnail_base(const ZunoRecord &rec, std::string_view output);

// Names the thumbnails of every file of the list that a catalog can place. A
// thumbnail mirrors its picture's folder below `base` and is named by the
// picture's name without extension + ".jpg"; pictures that would share a file
// (cat.png and cat.jpg) get distinct names as distinct_names chooses.
ThumbnailPlan plan_thumbnails(const FileNode *head, std::string base);

// The node's thumbnail below the "Thumbs" folder, e.g. "/sub/cat~png.jpg".
// A node the plan does not hold gets its plain name.
std::string thumbnail_below(const ThumbnailPlan &plan, const FileNode *node);
