// What a path is: its status, a folder's names, and whether a folder belongs to
// one of the kernel's own file systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace plat {

namespace {

bool query_status(int dir_fd, const std::string &path, Stat *st, int flags) {
  struct statx sx;
  if (ops.statx(dir_fd, path.c_str(), flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
  st->is_dir = S_ISDIR(sx.stx_mode);
  st->is_file = S_ISREG(sx.stx_mode);
  st->is_link = S_ISLNK(sx.stx_mode);
  st->writable = (sx.stx_mode & S_IWUSR) != 0;
  st->size = static_cast<int64_t>(sx.stx_size);
  st->accessed = sx.stx_atime.tv_sec;
  st->modified = sx.stx_mtime.tv_sec;
  st->created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
  st->dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  st->ino = sx.stx_ino;
  return true;
}

// The entry itself, then, for a link, what it leads to.
bool query_entry(int dir_fd, const std::string &path, Stat *st) {
  if (!query_status(dir_fd, path, st, AT_SYMLINK_NOFOLLOW)) return false;
  if (!st->is_link) return true;
  if (!query_status(dir_fd, path, st, 0)) return false;
  st->is_link = true;
  return true;
}

// Reads every name of an open listing; false (errno set) when it was cut short.
bool read_names(DIR *d, std::vector<std::string> *names) {
  // readdir ends a listing with nullptr both at its end and on an I/O error; only
  // errno tells them apart, and a listing cut short is no listing of the folder.
  for (;;) {
    errno = 0;
    struct dirent *e = ops.readdir(d);
    if (!e) return errno == 0;
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    names->emplace_back(e->d_name);
  }
}

// Opens a folder for listing; nullptr (errno set) when it cannot be.
DIR *open_listing(const std::string &folder) {
  if (folder.empty()) {  // no folder is not the root
    errno = ENOENT;
    return nullptr;
  }
  int fd = ops.open(folder.c_str(), O_RDONLY | O_DIRECTORY, 0);
  if (fd < 0) return nullptr;
  DIR *d = ops.fdopendir(fd);
  if (!d) {
    int err = errno;
    ops.close(fd);
    errno = err;
  }
  return d;
}

}  // namespace

bool stat_path(const std::string &path, Stat *st) {
  return query_status(AT_FDCWD, path, st, 0);
}

bool stat_entry(const std::string &path, Stat *st) {
  return query_entry(AT_FDCWD, path, st);
}

OpenFolder::~OpenFolder() {
  if (dir_) ops.closedir(dir_);
}

bool OpenFolder::list(const std::string &folder, std::vector<std::string> *names) {
  if (dir_) ops.closedir(dir_);
  dir_ = open_listing(folder);
  if (!dir_) return false;
  if (read_names(dir_, names)) return true;
  int err = errno;
  ops.closedir(dir_);
  dir_ = nullptr;
  errno = err;
  return false;
}

bool OpenFolder::stat_entry(const std::string &name, Stat *st) const {
  if (!dir_) {
    errno = EBADF;
    return false;
  }
  return query_entry(dirfd(dir_), name, st);
}

bool exists(const std::string &path) {
  Stat st;
  return stat_path(path, &st);
}

bool is_dir(const std::string &path) {
  Stat st;
  return stat_path(path, &st) && st.is_dir;
}

bool may_write(const std::string &path) {
  return ops.access(path.c_str(), W_OK) == 0;
}

bool list_dir(const std::string &folder, std::vector<std::string> *names) {
  DIR *d = open_listing(folder);
  if (!d) return false;
  bool whole = read_names(d, names);
  int err = errno;
  ops.closedir(d);
  errno = whole ? 0 : err;
  return whole;
}

bool is_virtual_fs(const std::string &folder) {
  struct statfs fs;
  if (ops.statfs(folder.c_str(), &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x9fa0:      // proc
    case 0x62656572:  // sysfs
    case 0x1cd1:      // devpts
    case 0x27e0eb:    // cgroup
    case 0x63677270:  // cgroup2
    case 0x64626720:  // debugfs
    case 0x74726163:  // tracefs
    case 0x73636673:  // securityfs
    case 0xcafe4a11:  // bpf
      return true;
    default:
      return false;
  }
}

}  // namespace plat
