#include "collect/list_sort.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
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

namespace {

// The name key of a node as a view into its own path: the last component without
// its extension, as name_key makes it, without a copy.
std::string_view name_view(const FileNode &n) {
  std::string_view name = n.path ? n.path : "";
  size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

// compare_names over views (the paths hold no null bytes, so the result is the same).
int compare_name_views(std::string_view a, std::string_view b) {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    int x = static_cast<unsigned char>(a[i]) & 0x7F, y = static_cast<unsigned char>(b[i]) & 0x7F;
    if (x != y) return x - y;
  }
  return (a.size() > common) - (b.size() > common);
}

// Moves the contents so that the i-th record of the chain holds what chain[order[i]]
// held, one cycle of the permutation at a time; every record keeps its `next`.
void permute_contents(const std::vector<FileNode *> &chain, std::vector<uint32_t> &order) {
  for (uint32_t start = 0; start < order.size(); ++start) {
    if (order[start] == start) continue;
    FileNode held = *chain[start];
    uint32_t at = start;
    while (order[at] != start) {
      uint32_t from = order[at];
      FileNode *next = chain[at]->next;
      *chain[at] = *chain[from];
      chain[at]->next = next;
      order[at] = at;
      at = from;
    }
    FileNode *next = chain[at]->next;
    *chain[at] = held;
    chain[at]->next = next;
    order[at] = at;
  }
}

}  // namespace

int sort_list(int type, int mode, FileNode *head) {
  if (type == 0) return 0;
  return guarded(-1, [&] {
    // The records stay where they are: the sort orders their chain positions and the
    // contents then move once, so no record is copied into a second list.
    size_t count = 0;
    for (FileNode *n = head; n && n->next; n = n->next) ++count;
    if (count == 0) return 0;
    std::vector<FileNode *> chain;
    chain.reserve(count);
    for (FileNode *n = head; n && n->next; n = n->next) chain.push_back(n);
    std::vector<uint32_t> order(count);
    for (uint32_t i = 0; i < count; ++i) order[i] = i;
    bool descending = mode == 0;
    auto before = [descending](int c) { return descending ? c > 0 : c < 0; };
    if (type == 4) {
      // Name keys are made once, not at every comparison.
      std::vector<std::string_view> names;
      names.reserve(count);
      for (FileNode *n : chain) names.push_back(name_view(*n));
      std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return before(compare_name_views(names[a], names[b]));
      });
    } else {
      std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return before(compare_key(type, *chain[a], *chain[b]));
      });
    }
    permute_contents(chain, order);
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
