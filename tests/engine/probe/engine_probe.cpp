// Loads an engine library by path in a fresh process and reports what ZunoInit
// answered: "init=R priority=P".
#include <dlfcn.h>

#include <cstdio>

// Only the numbers: the probe loads the library itself, never links it.
#include "../../../engine/include/zuno.h"

int main(int argc, char **argv) {
  if (argc != 3) return 2;
  void *lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  auto init = reinterpret_cast<int (*)(const char *)>(dlsym(lib, "ZunoInit"));
  auto get = reinterpret_cast<int (*)(int)>(dlsym(lib, "ZunoGet"));
  int r = init(argv[2]);
  fflush(stderr);
  printf("init=%d priority=%d\n", r, get(ZUNO_Priority));
  return 0;
}
