// Feeds every input to the template copier with the replacements the common pages use,
// made from settings taken from the input's first bytes (any int, as a record handed
// in whole may hold), and to the frameset page of those settings. Templates are files
// beside the program that a user may edit.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine_state.h"
#include "html/template_pages.h"

namespace {

constexpr std::string_view kOpen = "//quillo";

// Takes an int from the front of the input; 0 when it has run out.
int take_int(std::string_view *in) {
  uint32_t v = 0;
  for (int i = 0; i < 4 && !in->empty(); ++i) {
    v = v << 8 | static_cast<uint8_t>(in->front());
    in->remove_prefix(1);
  }
  return static_cast<int>(v);
}

std::string take_text(std::string_view *in, size_t most) {
  size_t n = in->empty() ? 0 : static_cast<uint8_t>(in->front()) % (most + 1);
  if (!in->empty()) in->remove_prefix(1);
  n = std::min(n, in->size());
  std::string text(in->substr(0, n));
  in->remove_prefix(n);
  return text;
}

void set_text(char *field, size_t cap, const std::string &text) {
  snprintf(field, cap, "%s", text.c_str());
}

// The settings the pages are made from.
ZunoRecord settings_from(std::string_view *in) {
  ZunoRecord rec{};
  rec.FrameStyle = take_int(in);
  rec.WindowSize = take_int(in);
  rec.FrameSizeRatio = take_int(in);
  rec.IndexRatio = take_int(in);
  rec.CntlRatio = take_int(in);
  rec.BgFix = take_int(in);
  set_text(rec.BackGraund, sizeof rec.BackGraund, take_text(in, 40));
  set_text(rec.BgColor, sizeof rec.BgColor, take_text(in, 40));
  set_text(rec.TextColor, sizeof rec.TextColor, take_text(in, 40));
  return rec;
}

std::string assignment(const char *name, int value) {
  return std::string(name) + " = " + std::to_string(value) + ";\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string_view in(reinterpret_cast<const char *>(data), size);
  const ZunoRecord rec = settings_from(&in);
  const WindowSize win = catalog_window_size(rec);
  const std::vector<TemplateReplacement> replacements = {
      {"frame_style", assignment("frame_style", rec.FrameStyle)},
      {"mywinwidth", assignment("mywinwidth", win.width)},
      {"mywinheight", assignment("mywinheight", win.height)},
      {"w", assignment("w", win.width)},
      {"h", assignment("h", win.height)},
      {"<body bgcolor", template_body_line(rec)}};
  size_t longest = 0;
  for (const TemplateReplacement &r : replacements) longest = std::max(longest, r.line.size());

  const std::string out = apply_template_markers(in, replacements);
  // Without a block the template is copied byte for byte.
  if (in.find(kOpen) == std::string_view::npos && out != in) abort();
  // Each piece (at least one byte) is kept, dropped or becomes one replacement line.
  if (out.size() > in.size() + in.size() * longest) abort();
  // Every piece that starts before the first marker is copied unchanged, ahead of the rest.
  const size_t first = in.find(kOpen);
  if (first != std::string_view::npos) {
    const std::string_view before = in.substr(0, first);
    const size_t whole_lines = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
    if (out.compare(0, whole_lines, before.substr(0, whole_lines)) != 0) abort();
  }

  const std::string frameset = frameset_page(rec);
  if (frameset.find("<frameset") == std::string::npos || frameset.find("</html>") == std::string::npos)
    abort();
  return 0;
}
