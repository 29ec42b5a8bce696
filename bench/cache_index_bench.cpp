// Cache index analysis over a generated cache: `cache_index_bench make DIR N`
// writes DIR/Temporary Internet Files with N cached files and their index.dat;
// `cache_index_bench run DIR` analyses it into DIR/prog/DB (fresh each time) and
// prints "<pairs written> <seconds>".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cache/analyzed_index.h"
#include "core/engine_state.h"
#include "core/text.h"
#include "ie_cache_fixture.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

const char *const kExtensions[] = {".jpg", ".gif", ".png", ".htm", ".js", ".css"};

int make(const std::string &dir, int n) {
  IeCache cache;
  cache.folders = {"0QW8E7R6", "1ASD2FGH", "2ZXC3VBN", "3POI4UYT"};
  for (int i = 0; i < n; ++i) {
    std::string stem = "item" + std::to_string(i);
    std::string ext = kExtensions[i % 6];
    cache.items.push_back({"http://www" + std::to_string(i % 50) + ".example.com/pictures/" +
                               std::to_string(i / 50) + "/" + stem + ext + (i % 7 == 0 ? "?size=large" : ""),
                           i % 4, stem + "[1]" + ext, "cached bytes"});
  }
  write_ie_cache(dir + "/Temporary Internet Files", cache);
  return 0;
}

int run(const std::string &dir) {
  std::string db = dir + "/prog/DB";
  fs::remove_all(db);
  fs::create_directories(dir + "/prog");
  fs::create_directories(dir + "/out");
  EngineState &e = engine();
  e.rec.CpuPriority = 100;
  copy_field(e.db_folder, db, "db");
  copy_field(e.rec.OutputPath, dir + "/out", "out");
  std::string index = dir + "/Temporary Internet Files/Content.IE5/index.dat";
  auto t0 = std::chrono::steady_clock::now();
  index_dat_analyze(&e.rec, index.c_str(), (dir + "/prog").c_str());
  auto t1 = std::chrono::steady_clock::now();
  long pairs = 0;
  for (const auto &entry : fs::directory_iterator(db)) {
    FILE *f = fopen(entry.path().c_str(), "r");
    for (int c; f && (c = fgetc(f)) != EOF;) pairs += c == '\n';
    if (f) fclose(f);
  }
  printf("%ld %.6f\n", pairs / 2, std::chrono::duration<double>(t1 - t0).count());
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "make" && argc == 4) return make(argv[2], atoi(argv[3]));
  if (mode == "run" && argc == 3) return run(argv[2]);
  fprintf(stderr, "usage: cache_index_bench make DIR N | run DIR\n");
  return 2;
}
