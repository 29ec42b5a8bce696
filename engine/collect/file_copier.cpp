// Copying listed files into the output folder: the mirror folders and the file copier.
#include <fcntl.h>

#include <cctype>
#include <cerrno>
#include <string>
#include <vector>

#include "collect/collect_steps.h"
#include "collect/file_list.h"
#include "collect/file_types.h"
#include "core/error_log.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

std::string lower_extension(const std::string &name) {
  std::string ext = extension_of(name);
  for (char &c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return stem_of(name) + ext;
}

// Copies the source's bytes into a fresh file `tmp`; 0 or an errno.
int copy_bytes(const std::string &source, const std::string &tmp) {
  plat::InFile in;
  if (!in.open(source)) return errno ? errno : EIO;
  int fd = plat::ops.open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) return errno ? errno : EIO;
  std::vector<char> block(1 << 16);
  int err = 0;
  for (int64_t offset = 0; !err;) {
    ssize_t n = in.read_at(offset, block.data(), block.size());
    if (n < 0) err = errno ? errno : EIO;
    if (n <= 0) break;
    err = plat::write_all(fd, block.data(), static_cast<size_t>(n));
    offset += n;
  }
  if (plat::ops.close(fd) != 0 && !err) err = errno ? errno : EIO;
  return err;
}

// Whether an existing destination is replaced, by copy mode: 2 when the source is
// newer, 3 always, anything else never. -1 when the destination cannot be examined.
int should_replace(int mode, const plat::Stat &source, const std::string &destination) {
  if (mode == 3) return 1;
  if (mode != 2) return 0;
  plat::Stat existing;
  if (!plat::stat_path(destination, &existing)) return -1;
  return source.modified > existing.modified ? 1 : 0;
}

}  // namespace

int bincopy(int mode, const char *source, const char *destination, std::string *copied_to) {
  plat::Stat src;
  if (!source || !destination || !plat::stat_path(source, &src) || src.is_dir)
    return record_error(std::string("bincopy: no such file: ") + (source ? source : ""));
  std::string dest = destination;
  if (plat::is_dir(dest)) dest = join_path(dest, lower_extension(last_component(source)));
  if (copied_to) *copied_to = dest;
  if (plat::exists(dest)) {
    int replace = should_replace(mode, src, dest);
    if (replace < 0) return record_error("bincopy");
    if (replace == 0) return 0;
  }
  // The copy is written beside the destination and renamed into place only when
  // every byte arrived, so a failed copy leaves no partial file behind.
  std::string tmp = dest + ".part";
  int err = copy_bytes(source, tmp);
  if (!err) err = plat::set_times(tmp, src.accessed, src.created);
  if (!err) err = plat::rename_path(tmp, dest);
  if (!err) return 0;
  plat::remove_file(tmp);
  record_errno(err);
  return err == ENOSPC ? -2 : -1;
}

int make_mirror_folder(const char *path, const char *root, const char *base, std::string *relative) {
  std::string_view p = path, r = root;
  std::string_view rest = p.substr(0, r.size()) == r ? p.substr(r.size()) : std::string_view();
  std::string rel = folder_of(rest);
  if (rel == "/") rel.clear();
  if (!rel.empty() && rel[0] != '/') rel = "/" + rel;
  std::string target = std::string(base) + rel;
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
      if (!st.is_dir) return record_error("cannot make folder, a file of that name is in the way: " + built);
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
  for (FileNode *n = head; is_listed(n); n = n->next) {
    // Folders left undescended at the depth limit are listed too, but are no files to copy.
    if (n->type == -1 || n->type == TYPE_FOLDER || is_folder_entry(n)) continue;
    std::string relative;
    if (make_mirror_folder(n->path, root, images.c_str(), &relative) != 0) return -1;
    std::string copy;
    if (bincopy(mode, n->path, (images + relative).c_str(), &copy) != 0) return -1;
    if (!set_node_text(&n->path, copy)) return record_error("out of memory");
    ZunoSleep();  // the copy does not stop on an abort: what it started it finishes
    ZunoCallProgress(0);
  }
  return 0;
}
