// What the file index shows beside its page ranges: the folders whose pictures a catalog holds, each with
// its count and the first page that shows one of them. The catalog writer fills it as it places pictures;
// the file index written after it reads it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct OutlineFolder {
  std::string folder;  // the folder's full path
  int pictures = 0;
  int first_page = 0;
};

void outline_reset();
void outline_add(std::string_view picture_path, int page);
// The folders in path order, so a folder stands right above what lies inside it.
std::vector<OutlineFolder> outline_folders();

// The outline as file-index markup: one line (a div) per folder, indented by its depth below the folders'
// common parent, "name (count)" linking to its first page. None when the pictures came from one folder alone.
std::vector<std::string> outline_markup(const std::vector<OutlineFolder> &folders);
