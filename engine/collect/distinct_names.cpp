#include "collect/distinct_names.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "core/text.h"

namespace {

std::string key_of(const std::string &folder, const std::string &name) {
  return folder + '/' + name;
}

// The first name of the sequence "stem~tag.ext", "stem~tag~2.ext", ... that is not taken.
std::string first_free(const NameWish &w, std::unordered_set<std::string> *taken) {
  std::string stem = stem_of(w.plain), ext = extension_of(w.plain);
  std::string tag = extension_of(w.original);
  if (!tag.empty()) tag.replace(0, 1, "~");  // ".JPG" -> "~JPG"
  for (int n = tag.empty() ? 2 : 1;; ++n) {
    std::string name = stem + tag;
    if (n > 1) name.append("~").append(std::to_string(n));
    name += ext;
    if (taken->insert(key_of(w.folder, name)).second) return name;
  }
}

}  // namespace

std::vector<std::string> distinct_names(const std::vector<NameWish> &wishes) {
  std::vector<std::string> keys, names(wishes.size());
  std::unordered_map<std::string, int> wanted;
  keys.reserve(wishes.size());
  for (const NameWish &w : wishes) ++wanted[keys.emplace_back(key_of(w.folder, w.plain))];
  // Every name kept as it is is taken before any suffixed one is chosen, so a
  // suffix never takes the name of a file that had it to itself.
  std::unordered_set<std::string> taken;
  std::vector<size_t> suffixed;
  for (size_t i = 0; i < wishes.size(); ++i)
    if (wanted[keys[i]] == 1 && taken.insert(keys[i]).second) names[i] = wishes[i].plain;
  for (size_t i = 0; i < wishes.size(); ++i) {
    if (wanted[keys[i]] == 1) continue;
    if (wishes[i].original == wishes[i].plain && taken.insert(keys[i]).second)
      names[i] = wishes[i].plain;
    else
      suffixed.push_back(i);
  }
  // Counters go by name, not list order, so a re-sorted list keeps its names.
  std::stable_sort(suffixed.begin(), suffixed.end(), [&](size_t a, size_t b) {
    return std::tie(keys[a], wishes[a].original) < std::tie(keys[b], wishes[b].original);
  });
  for (size_t i : suffixed) names[i] = first_free(wishes[i], &taken);
  return names;
}
