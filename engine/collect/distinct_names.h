// Distinct names for files a run writes into mirrored folders (copies, thumbnails),
// where two sources can want one name: "a.JPG" and "a.jpg" both copy to "a.jpg",
// "cat.png" and "cat.jpg" both want the thumbnail "cat.jpg".
#pragma once

#include <string>
#include <vector>

struct NameWish {
  std::string folder;    // the destination folder
  std::string plain;     // the name wanted when nothing else wants it
  std::string original;  // the source's own name; a suffix comes from its extension
};

// The name each wish gets, in the order given, all distinct within a folder:
// - a name only one wish wants is kept as it is;
// - of the wishes for one name, the one whose source already bears that name keeps
//   it ("a.jpg" stays "a.jpg");
// - every other one gets "~" and its source's extension before its extension
//   ("a~JPG.jpg", "cat~png.jpg"), and a counter when that is taken too ("a~JPG~2.jpg").
// The result depends only on the names in the list, not on their order or on what
// is on disk, so a later run over the same files arrives at the same names and
// finds its earlier copies instead of making suffixed duplicates beside them.
std::vector<std::string> distinct_names(const std::vector<NameWish> &wishes);
