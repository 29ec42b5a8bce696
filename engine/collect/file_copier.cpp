// Copying listed files into the output folder: the mirror folders and the file copier.
#include <fcntl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "collect/collect_steps.h"
#include "collect/distinct_names.h"
#include "collect/file_types.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/text.h"
#include "platform/file_copy.h"
#include "platform/platform.h"

namespace {

std::string lower_extension(const std::string &name) {
  std::string ext = extension_of(name);
  for (char &c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return stem_of(name) + ext;
}

// What is known of a destination name before its copy is made: nothing, or that no
// file has it (its folder was made by this run, or was listed without the name).
enum class Dest { unknown, absent };

const char kNoSource[] = "コピー元のファイルがありません: ";

// Opens the source of a copy: 0 with *st its status; -1 when there is nothing to copy
// (the error recorded); or the errno a copy from it would fail with, *st set, since an
// existing copy that is kept needs no reading.
int open_source(plat::CopySource *src, const char *source, plat::Stat *st) {
  int err = src->open(source);
  *st = src->status();
  if (err == 0 || (err == EISDIR && !st->is_dir)) return err;
  if (err == EISDIR) return record_error(kNoSource + std::string(source));
  // Refused for reading only, maybe: whether that matters depends on the destination.
  if (!plat::stat_path(source, st) || st->is_dir) return record_error(kNoSource + std::string(source));
  return err;
}

// Whether an existing destination is replaced, by copy mode: 2 when the source is
// newer, 3 always, anything else never.
bool should_replace(int mode, const plat::Stat &source, const plat::Stat &existing) {
  if (mode == 3) return true;
  return mode == 2 && source.modified > existing.modified;
}

// Looks at an existing destination: 1 when the copy is to be made, 0 when the file
// there is kept, -1 error.
int check_destination(int mode, const plat::Stat &source, const std::string &dest) {
  plat::Stat existing;
  if (!plat::stat_path(dest, &existing)) return errno == ENOENT ? 1 : record_error("bincopy");
  // The node will name the destination, so it must be a file.
  if (existing.is_dir) return record_error("同じ名前のフォルダがあるためコピーできません: " + dest);
  return should_replace(mode, source, existing) ? 1 : 0;
}

// Copies `source` to the file `dest` as the copy mode says: 0 copied or left
// alone, -1 error, -2 disk full.
int copy_file(int mode, const char *source, const std::string &dest, Dest known) {
  plat::CopySource src;
  plat::Stat st;
  int err = open_source(&src, source, &st);
  if (err < 0) return -1;
  if (known == Dest::unknown) {
    int wanted = check_destination(mode, st, dest);
    if (wanted <= 0) return wanted;
  }
  // The copy is written beside the destination and renamed into place only when
  // every byte arrived, so a failed copy leaves no partial file behind.
  if (!err) err = plat::copy_into_place(src, dest, st.accessed, st.created);
  if (!err) return 0;
  if (err == ENOSPC) {
    record_errno(err);  // the system's own text, as the front end knows it
    return -2;
  }
  // The system's text alone ("Permission denied") would not say which copy failed.
  return record_error(std::string("コピーできません: ") + source + " → " + dest + ": " +
                      plat::error_text(err));
}

// The folder of `path` below `root` as the mirror recreates it: "" for a file
// directly in the root (or outside it), else "/a/b".
std::string mirrored_folder(std::string_view path, std::string_view root) {
  std::string_view rest = path.substr(0, root.size()) == root ? path.substr(root.size()) : std::string_view();
  std::string rel = folder_of(rest);
  if (rel == "/") rel.clear();
  if (!rel.empty() && rel[0] != '/') rel = "/" + rel;
  return rel;
}

// Folders left undescended at the depth limit are listed too, but are no files to copy.
bool is_copied(const FileNode *n) {
  return n->type != -1 && n->type != TYPE_FOLDER && !is_folder_entry(n);
}

// The name of each copied node's copy, in list order. The whole list is looked at
// before anything is copied, so two sources that would land on one name (a.JPG and
// a.jpg) get two files, and the names come out the same on every run over the same
// files (see distinct_names), which the keep and replace modes rely on.
std::vector<std::string> plan_copy_names(const FileNode *head, const std::string &images, const char *root) {
  std::vector<NameWish> wishes;
  for (const FileNode *n = head; is_listed(n); n = n->next) {
    if (!is_copied(n)) continue;
    std::string name = last_component(n->path);
    wishes.push_back({images + mirrored_folder(n->path, root), lower_extension(name), name});
  }
  return distinct_names(wishes);
}

// The folders below a base that this run made, by their path below it ("" the base
// itself): in them stood nothing before the run.
using MadeFolders = std::unordered_set<std::string>;

// Makes the folder `rel` ("" or "/a/b") below `base`, walking down and making each missing
// folder; a folder this run made is not looked at again, nor is a folder below one it just
// made. 0, or -1.
int make_mirror_path(const std::string &rel, const std::string &base, MadeFolders *made) {
  bool parent_made = made->count("") != 0;
  size_t pos = 0;
  while (pos < rel.size()) {
    size_t next = rel.find('/', pos + 1);
    if (next == std::string::npos) next = rel.size();
    pos = next;
    std::string sub = rel.substr(0, next);
    if (made->count(sub) != 0) {
      parent_made = true;
      continue;
    }
    std::string built = base + sub;
    plat::Stat st;
    if (!parent_made && plat::stat_path(built, &st)) {
      // A plain file in the way is a file the user may want, so the copy fails instead of deleting it.
      if (!st.is_dir) return record_error("同じ名前のファイルがあるため、フォルダを作れません: " + built);
      continue;
    }
    int err = plat::make_dir(built);
    if (err && err != EEXIST) return record_errno(err);
    parent_made = err == 0;
    if (parent_made) made->insert(sub);
  }
  return 0;
}

// A mirror folder as the copies find it: made by this run, so it holds only what the
// run copies into it, whose names are all distinct; or the names it held when first
// visited; or, when it could not be listed, nothing known.
struct MirrorFolder {
  bool made = false;
  bool listed = false;
  std::unordered_set<std::string> names;

  Dest dest_of(const std::string &name) const {
    return made || (listed && names.count(name) == 0) ? Dest::absent : Dest::unknown;
  }
};

// Makes or finds the mirror folder `rel` below `images` the first time a copy goes there:
// 0 with *f filled, or -1.
int visit_mirror_folder(const std::string &images, const std::string &rel, MadeFolders *made,
                        MirrorFolder *f) {
  if (make_mirror_path(rel, images, made) != 0) return -1;
  f->made = made->count(rel) != 0;
  if (f->made) return 0;
  std::string folder = images + rel;
  // A run killed midway left its temporaries here; they are nobody's now.
  plat::remove_stale_temporaries(folder);
  // One listing instead of a look at every destination name, most of which are new.
  std::vector<std::string> names;
  f->listed = plat::list_dir(folder, &names);
  if (f->listed) f->names.insert(names.begin(), names.end());
  return 0;
}

// A node to copy and the index of its copy's name in plan_copy_names.
struct Planned {
  FileNode *node;
  size_t name;
};

// The copies in the order the scan listed their sources: folder by folder, in the order the disk
// gives, which reads and writes a fifth faster than the catalog's order, whose sort hops between
// folders. The order shows only when a copy fails: the run stops there, as before.
std::vector<Planned> in_listing_order(FileNode *head) {
  std::vector<Planned> planned;
  for (FileNode *n = head; is_listed(n); n = n->next)
    if (is_copied(n)) planned.push_back({n, planned.size()});
  std::stable_sort(planned.begin(), planned.end(),
                   [](const Planned &a, const Planned &b) { return a.node->listed_at < b.node->listed_at; });
  return planned;
}

}  // namespace

int bincopy(int mode, const char *source, const char *destination, std::string *copied_to) {
  if (!source || !destination) return record_error(kNoSource);
  std::string dest = destination;
  if (plat::is_dir(dest)) dest = join_path(dest, lower_extension(last_component(source)));
  if (copied_to) *copied_to = dest;
  return copy_file(mode, source, dest, Dest::unknown);
}

int make_mirror_folder(const char *path, const char *root, const char *base, std::string *relative) {
  std::string rel = mirrored_folder(path, root);
  MadeFolders made;
  if (make_mirror_path(rel, base, &made) != 0) return -1;
  *relative = rel;
  return 0;
}

int zunocopy(int mode, FileNode *head, const char *output, const char *root) {
  std::string images = join_path(output, "Images");
  MadeFolders made;
  plat::Stat st;
  if (plat::stat_path(images, &st)) {
    if (!st.is_dir) return record_error("zunocopy:ディレクトリ以外を指定");
  } else if (int err = plat::make_dir(images)) {
    return record_errno(err);
  } else {
    made.insert("");
  }
  std::vector<std::string> names = plan_copy_names(head, images, root);
  // By the folder below Images. A sorted list comes back to a folder many times; each
  // is made and looked at once.
  std::unordered_map<std::string, MirrorFolder> folders;
  for (const Planned &p : in_listing_order(head)) {
    FileNode *n = p.node;
    std::string rel = mirrored_folder(n->path, root);
    auto folder = folders.find(rel);
    if (folder == folders.end()) {
      MirrorFolder visited;
      if (visit_mirror_folder(images, rel, &made, &visited) != 0) return -1;
      folder = folders.emplace(rel, std::move(visited)).first;
    }
    const std::string &name = names[p.name];
    std::string copy = images + rel + "/" + name;
    if (copy_file(mode, n->path, copy, folder->second.dest_of(name)) != 0) return -1;
    if (!set_node_text(&n->path, copy)) return record_error("out of memory");
    ZunoSleep();          // the copy does not stop on an abort: what it started it finishes
    ZunoCallProgress(1);  // one step per copy, so the bar moves while the copies are made
  }
  return 0;
}
