// Folder services a run needs to keep its hands off what it did not make: the
// resolved target, the lock that keeps two runs out of one output folder, the
// removal of a tree this run made.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>

#include "platform/platform.h"

namespace plat {

bool resolve_path(const std::string &path, std::string *out) {
  char buf[PATH_MAX];
  if (!ops.realpath(path.c_str(), buf)) return false;
  *out = buf;
  return true;
}

int lock_folder(const std::string &folder, int *fd_out) {
  int fd = ops.open(folder.c_str(), O_RDONLY | O_DIRECTORY, 0);
  if (fd < 0) return errno ? errno : EIO;
  // The lock sits on the folder itself, so every run that writes there meets it,
  // whatever temporary folder or settings it was started with.
  if (ops.flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno == EWOULDBLOCK ? EBUSY : errno;
    ops.close(fd);
    return err;
  }
  *fd_out = fd;
  return 0;
}

void unlock_folder(int *fd) {
  if (*fd < 0) return;
  ops.close(*fd);
  *fd = -1;
}

namespace {

// Removes the entries of an open folder, depth first, never following a link.
int remove_children(int dir_fd) {
  DIR *dir = ops.fdopendir(dir_fd);
  if (!dir) {
    ops.close(dir_fd);
    return errno ? errno : EIO;
  }
  int err = 0;
  while (struct dirent *entry = ops.readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct statx st;
    if (ops.statx(dir_fd, name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &st) != 0) continue;
    if (S_ISDIR(st.stx_mode)) {
      int sub = ops.openat(dir_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0);
      int sub_err = sub < 0 ? errno : remove_children(sub);
      if (!sub_err && ops.unlinkat(dir_fd, name.c_str(), AT_REMOVEDIR) != 0) sub_err = errno;
      if (sub_err && !err) err = sub_err;
    } else if (ops.unlinkat(dir_fd, name.c_str(), 0) != 0 && !err) {
      err = errno;
    }
  }
  ops.closedir(dir);
  return err;
}

}  // namespace

int remove_tree(const std::string &folder) {
  int fd = ops.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0);
  if (fd < 0) return errno ? errno : EIO;
  int err = remove_children(fd);
  if (!err && ops.rmdir(folder.c_str()) != 0) err = errno;
  return err;
}

}  // namespace plat
