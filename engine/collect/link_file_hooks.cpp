// Link-file steps of the gathering. Link analysis of cached pages is not built yet,
// so these do nothing and report success: a run without link files loses nothing.
#include "collect/collect_steps.h"

int apply_link_files(ZunoRecord *, FileNode *) {
  return 0;
}
int make_link_file(ZunoRecord *, FileNode *) {
  return 0;
}
