#include "core/file_list.h"

#include <cstdlib>
#include <cstring>

#include "core/engine_state.h"

extern "C" int freetree(FileNode *head) {
  if (!head) return 0;
  FileNode *n = head->next;
  while (n) {
    FileNode *next = n->next;
    free(n->source);
    free(n->path);
    free(n);
    n = next;
  }
  return 0;
}

FileNode *new_node() {
  return static_cast<FileNode *>(calloc(1, sizeof(FileNode)));
}

bool set_node_text(char **field, std::string_view value) {
  char *copy = static_cast<char *>(malloc(value.size() + 1));
  if (!copy) return false;
  memcpy(copy, value.data(), value.size());
  copy[value.size()] = '\0';
  free(*field);
  *field = copy;
  return true;
}
