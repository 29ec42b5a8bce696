// The cache clean-up over a generated backup: `make BACKUP N SEED...` writes N
// copies of the seed pictures into BACKUP/Content.IE5/<subfolder>/ (1000 to a
// folder, as a browser cache holds them); `time SETTINGS BACKUP` walks it as the
// clean-up does and prints "files walk_s exchange_sort_s sort_list_s mark_s": the
// walk is the scan with every picture header read, the two sorts order the same
// list by area (the clean-up uses sort_list), marking applies the rules.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "collect/file_types.h"
#include "collect/list_sort.h"
#include "core/engine_state.h"
#include "core/file_list.h"
#include "links/cache_maintenance.h"
#include "run/gathering.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int make_backup(const std::string &backup, int n, char **seeds, int seed_count) {
  std::vector<std::string> bytes;
  std::vector<std::string> extensions;
  for (int i = 0; i < seed_count; ++i) {
    std::ifstream in(seeds[i], std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    bytes.push_back(ss.str());
    extensions.push_back(fs::path(seeds[i]).extension().string());
  }
  for (int i = 0; i < n; ++i) {
    char folder[16];
    snprintf(folder, sizeof folder, "SUB%05d", i / 1000);
    fs::path dir = fs::path(backup) / "Content.IE5" / folder;
    if (i % 1000 == 0) fs::create_directories(dir);
    int s = i % seed_count;
    std::ofstream(dir / ("pic" + std::to_string(i) + "[1]" + extensions[s]), std::ios::binary) << bytes[s];
  }
  return 0;
}

FileNode *copy_list(FileNode *from) {
  FileNode *head = new_node(), *to = head;
  for (FileNode *n = from; is_listed(n); n = n->next) {
    *to = *n;
    to->path = nullptr;
    to->source = nullptr;
    to->next = new_node();
    to = to->next;
  }
  return head;
}

int time_cleanup(const std::string &settings, const std::string &backup) {
  if (ZunoInit(settings.c_str()) != 0) {
    fprintf(stderr, "cannot read the settings in %s\n", settings.c_str());
    return 1;
  }
  ZunoPut(ZUNO_CpuPriority, 100);
  ZunoRecord &rec = engine().rec;
  rec.SubdirDepth = 5;
  rec.CacheX = rec.CacheY = 32;
  rec.CacheSize = 1;
  FileNode *head = &engine().files;
  auto start = Clock::now();
  if (!maketree(nullptr, PICTURE_MASK, 0, rec.SubdirDepth, backup.c_str(), head) ||
      examine_list(&rec, head) != 0) {
    fprintf(stderr, "the walk failed: %s\n", engine().last_error);
    return 1;
  }
  double walk = since(start);
  FileNode *twin = copy_list(head);
  start = Clock::now();
  exchange_sort(3, 0, twin);
  double exchange = since(start);
  start = Clock::now();
  sort_list(3, 0, head);
  double sorted = since(start);
  start = Clock::now();
  mark_delete_candidates(0, &rec, head);
  double mark = since(start);
  int folders = 0, files = 0, outputs = 0, bytes = 0;
  counttree(head, &folders, &files, &outputs, &bytes);
  printf("%d %.3f %.3f %.3f %.3f\n", files, walk, exchange, sorted, mark);
  empty_list(twin);
  free(twin);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc >= 5 && std::string(argv[1]) == "make")
    return make_backup(argv[2], atoi(argv[3]), argv + 4, argc - 4);
  if (argc == 4 && std::string(argv[1]) == "time") return time_cleanup(argv[2], argv[3]);
  fprintf(stderr, "usage: cleanup_bench make BACKUP N SEED... | cleanup_bench time SETTINGS BACKUP\n");
  return 2;
}
