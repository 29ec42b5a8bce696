// Times one collection run (scan + header examination, no copy) over a folder the
// way the front end drives it, and prints "files seconds files/s".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "zuno.h"

int main(int argc, char **argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: collect_bench SETTINGS_FOLDER TARGET OUTPUT\n");
    return 2;
  }
  if (ZunoInit(argv[1]) != 0) {
    fprintf(stderr, "cannot read the settings in %s\n", argv[1]);
    return 1;
  }
  // QUILLO_READERS=1 reads the headers alone, for a comparison with the reads in flight.
  if (const char *readers = getenv("QUILLO_READERS")) plat::read_ahead_readers = atoi(readers);
  ZunoPut(ZUNO_CpuPriority, 100);  // never yield: the fastest run
  ZunoPut(ZUNO_FileCopy, 0);       // no copy
  ZunoPutStr(ZUNO_OutputPath, argv[3]);
  auto start = std::chrono::steady_clock::now();
  ZunoNewMain(argv[1], argv[2], argv[3]);
  char area[ZUNO_BUFSIZE];
  char *buf = area;
  do {
    ZunoGetFiles(&buf);
  } while (strcmp(area, "完了") != 0 && strcmp(area, "エラー") != 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int folders = 0, files = 0, outputs = 0, bytes = 0;
  ZunoLastCount(1, &folders, &files, &outputs, &bytes);
  printf("%d %.3f %.0f\n", files, seconds, files / seconds);
  return strcmp(area, "完了") == 0 ? 0 : 1;
}
