// Favourites and cache deletion are not built yet:
// each export answers with its failure value and records why.
#include "core/engine_state.h"
#include "core/error_log.h"

extern "C" int creat_favorites(ZunoRecord *, FileNode *) {
  return not_implemented("creat_favorites");
}
extern "C" int chk_cache(int, ZunoRecord *, FileNode *) {
  return not_implemented("chk_cache");
}
extern "C" int del_cache(ZunoRecord *, FileNode *) {
  return not_implemented("del_cache");
}
extern "C" int del_request(int, ZunoRecord *, FileNode *) {
  return not_implemented("del_request");
}
