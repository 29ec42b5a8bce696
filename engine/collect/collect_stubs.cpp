// Collection routines not built yet.
#include "core/engine_state.h"
#include "core/error_log.h"

extern "C" int index_dat_analyze(ZunoRecord *, const char *, const char *) {
  return not_implemented("index_dat_analyze");
}
extern "C" int get_anarized_url(const char *, char *) {
  return not_implemented("get_anarized_url");
}
