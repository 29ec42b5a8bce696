// Feeds every input to the link-file reader: as bytes in memory, and as a file on
// disk read back into a small file list, stretched past the size limit when its
// first byte asks for it. Link files are untrusted: they sit beside cached pages.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "core/engine_state.h"
#include "links/link_file.h"
#include "platform/platform.h"

namespace {

void check_source(const std::string &source) {
  if (source.empty()) return;
  if (source.size() >= 1024) abort();
  if (source.compare(0, 7, "http://") != 0 && source.compare(0, 8, "https://") != 0) abort();
  for (char ch : source) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>') abort();
  }
}

// A private folder holding one cache subfolder, made once.
const std::string &cache_folder() {
  static std::string folder = [] {
    char tmpl[] = "/tmp/link-file-fuzz-XXXXXX";
    std::string base = mkdtemp(tmpl) ? tmpl : "/tmp";
    plat::make_dir(base + "/Content.IE5");
    plat::make_dir(base + "/Content.IE5/SUB1");
    static std::string made = base;
    atexit([] { plat::remove_tree(made); });  // each run leaves nothing behind in /tmp
    return base + "/Content.IE5/SUB1/";
  }();
  return folder;
}

void apply_file(std::string_view bytes) {
  std::string picture_path = cache_folder() + "a[1].gif", link_path = cache_folder() + "page[1].ahm";
  std::string content(bytes);
  if (!content.empty() && content[0] == 'H')
    while (content.size() <= kMaxLinkFileBytes) content += content;  // a huge file: never read
  if (plat::write_file_replace(link_path, content) != 0) return;
  FileNode terminal{}, link_node{}, picture{};
  picture.path = picture_path.data();
  picture.type = TYPE_GIF;
  picture.passed = 1;
  picture.banner = 1;
  picture.next = &link_node;
  link_node.path = link_path.data();
  link_node.type = TYPE_LINKFILE;
  link_node.next = &terminal;
  ZunoRecord &rec = engine().rec;
  rec.GetUrl = static_cast<int>(bytes.size() % 4);
  rec.CpuPriority = 100;
  if (apply_link_files(&rec, &picture) != 0) abort();
  check_source(picture.source ? picture.source : "");
  if (content.size() > static_cast<size_t>(kMaxLinkFileBytes) && picture.source) abort();
  free(picture.source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char *>(data), size);
  LinkFile file;
  if (parse_link_file(bytes, &file))
    for (const auto &[key, record] : file.by_key) {
      check_source(record_source(record));
      node_link_key(key);
    }
  node_link_key(bytes);
  apply_file(bytes);
  return 0;
}
