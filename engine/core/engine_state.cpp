#include "core/engine_state.h"

#include <cstdlib>
#include <cstring>

EngineState &engine() {
  static EngineState state{};
  return state;
}

void empty_list(FileNode *head) {
  freetree(head);
  free(head->path);
  free(head->source);
  memset(head, 0, sizeof *head);
}
