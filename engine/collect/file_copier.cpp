// Copying listed files into the output folder: the mirror folders and the file copier.
#include <fcntl.h>

#include <cctype>
#include <cerrno>
#include <string>
#include <unordered_set>
#include <vector>

#include "collect/collect_steps.h"
#include "collect/distinct_names.h"
#include "collect/file_types.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

std::string lower_extension(const std::string &name) {
  std::string ext = extension_of(name);
  for (char &c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return stem_of(name) + ext;
}

// Copies the source's bytes into a fresh temporary beside `dest`; 0 with *tmp
// naming it, or an errno (the temporary, if made, is left for the caller to remove).
int copy_bytes(const std::string &source, const std::string &dest, std::string *tmp) {
  plat::InFile in;
  if (!in.open(source)) return errno ? errno : EIO;
  int fd = plat::open_temporary(dest, tmp);
  if (fd < 0) return errno ? errno : EIO;
  int err = in.copy_into(fd);
  if (plat::ops.close(fd) != 0 && !err) err = errno ? errno : EIO;
  return err;
}

// Whether an existing destination is replaced, by copy mode: 2 when the source is
// newer, 3 always, anything else never.
bool should_replace(int mode, const plat::Stat &source, const plat::Stat &existing) {
  if (mode == 3) return true;
  return mode == 2 && source.modified > existing.modified;
}

// Copies `source` to the file `dest` as the copy mode says: 0 copied or left
// alone, -1 error, -2 disk full.
int copy_file(int mode, const char *source, const std::string &dest) {
  plat::Stat src;
  if (!plat::stat_path(source, &src) || src.is_dir)
    return record_error(std::string("コピー元のファイルがありません: ") + source);
  plat::Stat existing;
  if (plat::stat_path(dest, &existing)) {
    // The node will name the destination, so it must be a file.
    if (existing.is_dir) return record_error("同じ名前のフォルダがあるためコピーできません: " + dest);
    if (!should_replace(mode, src, existing)) return 0;
  } else if (errno != ENOENT) {
    return record_error("bincopy");
  }
  // The copy is written beside the destination and renamed into place only when
  // every byte arrived, so a failed copy leaves no partial file behind.
  std::string tmp;
  int err = copy_bytes(source, dest, &tmp);
  if (!err) err = plat::set_times(tmp, src.accessed, src.created);
  if (!err) err = plat::rename_path(tmp, dest);
  if (!err) return 0;
  if (!tmp.empty()) plat::remove_file(tmp);
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

}  // namespace

int bincopy(int mode, const char *source, const char *destination, std::string *copied_to) {
  if (!source || !destination) return record_error("コピー元のファイルがありません: ");
  std::string dest = destination;
  if (plat::is_dir(dest)) dest = join_path(dest, lower_extension(last_component(source)));
  if (copied_to) *copied_to = dest;
  return copy_file(mode, source, dest);
}

int make_mirror_folder(const char *path, const char *root, const char *base, std::string *relative) {
  std::string rel = mirrored_folder(path, root);
  // Walk down from the base, making each missing folder; a plain file in the way is
  // a file the user may want, so the copy fails instead of deleting it.
  std::string built = base;
  size_t pos = 0;
  while (pos < rel.size()) {
    size_t next = rel.find('/', pos + 1);
    if (next == std::string::npos) next = rel.size();
    built += rel.substr(pos, next - pos);
    pos = next;
    plat::Stat st;
    if (plat::stat_path(built, &st)) {
      if (!st.is_dir) return record_error("同じ名前のファイルがあるため、フォルダを作れません: " + built);
      continue;
    }
    if (int err = plat::make_dir(built); err && err != EEXIST) return record_errno(err);
  }
  *relative = rel;
  return 0;
}

int zunocopy(int mode, FileNode *head, const char *output, const char *root) {
  std::string images = join_path(output, "Images");
  plat::Stat st;
  if (plat::stat_path(images, &st)) {
    if (!st.is_dir) return record_error("zunocopy:ディレクトリ以外を指定");
  } else if (int err = plat::make_dir(images)) {
    return record_errno(err);
  }
  std::vector<std::string> names = plan_copy_names(head, images, root);
  std::unordered_set<std::string> visited;
  // The list runs folder by folder: the mirror folder of the previous copy is known
  // to stand, so only a change of folder walks (and stats) the path again.
  std::string folder;
  bool have_folder = false;
  size_t i = 0;
  for (FileNode *n = head; is_listed(n); n = n->next) {
    if (!is_copied(n)) continue;
    if (!have_folder || mirrored_folder(n->path, root) != std::string_view(folder).substr(images.size())) {
      std::string relative;
      if (make_mirror_folder(n->path, root, images.c_str(), &relative) != 0) return -1;
      folder = images + relative;
      have_folder = true;
      // A run killed midway left its temporaries here; they are nobody's now.
      if (visited.insert(folder).second) plat::remove_stale_temporaries(folder);
    }
    std::string copy = folder + "/" + names[i++];
    if (copy_file(mode, n->path, copy) != 0) return -1;
    if (!set_node_text(&n->path, copy)) return record_error("out of memory");
    ZunoSleep();          // the copy does not stop on an abort: what it started it finishes
    ZunoCallProgress(1);  // one step per copy, so the bar moves while the copies are made
  }
  return 0;
}
