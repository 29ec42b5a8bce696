#include "core/engine_state.h"

#include <cstdlib>
#include <cstring>

EngineState &engine() {
  static EngineState state{};
  return state;
}

void empty_list(FileNode *head) {
  EngineState &e = engine();
  if (head == &e.files) {  // a thumbnail iteration over the old list must not outlive it
    e.thumb_pos = nullptr;
    e.thumb_active = false;
  }
  freetree(head);
  free(head->path);
  free(head->source);
  memset(head, 0, sizeof *head);
}
