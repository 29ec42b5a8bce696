// Pages made from the template files: marked blocks inside a template get some of
// their lines replaced by values from the settings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/engine_state.h"

struct TemplateReplacement {
  std::string prefix;  // a piece that begins with this ...
  std::string line;    // ... is replaced by this (with its line end)
};

// Copies a template. A piece (one line, or up to 255 bytes of a longer one) that
// begins with "//quillo" opens a block and is dropped; inside a block every piece is
// tested against the replacements in order (each test sees the previous result) and
// a piece that then begins with "//end quillo" is kept and closes the block.
std::string apply_template_markers(std::string_view source,
                                   const std::vector<TemplateReplacement> &replacements);

// The catalog window size the templates use: {width, height} by FrameStyle.
struct WindowSize {
  int width, height;
};
WindowSize catalog_window_size(const ZunoRecord &rec);

// "<body background=… bgcolor=… TEXT=… LINK=… ALINK=… VLINK=… >\n" of the template pages.
std::string template_body_line(const ZunoRecord &rec);

// The one-line frameset page "index.html".
std::string frameset_page(const ZunoRecord &rec);
