#include "collect/list_sort.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/file_list.h"
#include "core/guard.h"
#include "core/text.h"

namespace {

std::string name_key(const FileNode &n) {
  return stem_of(last_component(n.path ? n.path : ""));
}

// Three-way comparison of two nodes by the sort type's key, ascending.
int compare_key(int type, const FileNode &a, const FileNode &b) {
  auto three_way = [](int64_t x, int64_t y) { return x < y ? -1 : x > y ? 1 : 0; };
  switch (type) {
    case 1:
      return three_way(a.accessed, b.accessed);
    case 2:
      return three_way(a.created, b.created);
    case 3:
      return three_way(node_width(a) * node_height(a), node_width(b) * node_height(b));
    case 4:
      return compare_names(name_key(a).c_str(), name_key(b).c_str());
    case 5:  // a picture without an Exif date sorts by its file time
      return three_way(a.taken ? a.taken : a.modified, b.taken ? b.taken : b.modified);
    default:
      return 0;
  }
}

// Moves the contents of two nodes while each keeps its place in the chain.
void swap_contents(FileNode *a, FileNode *b) {
  FileNode *a_next = a->next, *b_next = b->next;
  std::swap(*a, *b);
  a->next = a_next;
  b->next = b_next;
}

}  // namespace

int compare_names(const char *a, const char *b) {
  for (; *a && *b; ++a, ++b) {
    int x = static_cast<unsigned char>(*a) & 0x7F, y = static_cast<unsigned char>(*b) & 0x7F;
    if (x != y) return x - y;
  }
  // Shorter first keeps the order strict and weak; the old rule called prefixes equal.
  return (*a != '\0') - (*b != '\0');
}

int sort_list(int type, int mode, FileNode *head) {
  if (type == 0) return 0;
  return guarded(-1, [&] {
    // Each entry carries its name key, made once rather than at every comparison.
    struct Entry {
      FileNode content;
      std::string name;
    };
    std::vector<Entry> entries;
    for (FileNode *n = head; n && n->next; n = n->next)
      entries.push_back({*n, type == 4 ? name_key(*n) : ""});
    if (entries.empty()) return 0;
    bool descending = mode == 0;
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
      int c =
          type == 4 ? compare_names(a.name.c_str(), b.name.c_str()) : compare_key(type, a.content, b.content);
      return descending ? c > 0 : c < 0;
    });
    // Contents go back into the records in chain order, so the head stays embedded.
    size_t i = 0;
    for (FileNode *n = head; n && n->next; n = n->next, ++i) {
      FileNode *next = n->next;
      *n = entries[i].content;
      n->next = next;
    }
    return 0;
  });
}

int exchange_sort(int type, int mode, FileNode *head) {
  if (type == 0) return 0;
  for (FileNode *i = head; i && i->next; i = i->next) {
    for (FileNode *j = i; j->next; j = j->next) {
      int c = compare_key(type, *i, *j);
      bool out_of_order = mode == 1 ? c > 0 : c < 0;
      if (out_of_order) swap_contents(i, j);
    }
    ZunoCallProgress(1);
    if (ZunoSleep()) return -1;
  }
  return 1;
}
