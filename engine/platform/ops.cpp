// The real system calls behind `plat::ops`.
#include "platform/ops.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace plat {

namespace {

int sys_open(const char *path, int flags, mode_t mode) {
  return ::open(path, flags | O_CLOEXEC, mode);
}
int sys_openat(int dir_fd, const char *name, int flags, mode_t mode) {
  return ::openat(dir_fd, name, flags | O_CLOEXEC, mode);
}
int sys_statx(int dir_fd, const char *path, int flags, unsigned mask, struct statx *st) {
  return ::statx(dir_fd, path, flags, mask, st);
}
int sys_warm_file(const char *path, size_t n) {
  // Non-blocking, so a fifo named like a picture cannot hold a thread.
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  // Asks for the pages without waiting for them: a thread keeps many reads in flight, not one.
  int err = ::posix_fadvise(fd, 0, static_cast<off_t>(n), POSIX_FADV_WILLNEED);
  ::close(fd);
  if (err == 0) return 0;
  errno = err;
  return -1;
}
int sys_dladdr(const void *address, Dl_info *info) {
  return ::dladdr(address, info);
}

}  // namespace

Ops default_ops() {
  return Ops{
      .open = sys_open,
      .openat = sys_openat,
      .read = ::read,
      .pread = ::pread,
      .write = ::write,
      .copy_file_range = ::copy_file_range,
      .close = ::close,
      .fsync = ::fsync,
      .fstat = ::fstat,
      .futimens = ::futimens,
      .flock = ::flock,
      .warm_file = sys_warm_file,
      .statx = sys_statx,
      .statfs = ::statfs,
      .rename = ::rename,
      .unlink = ::unlink,
      .unlinkat = ::unlinkat,
      .mkdir = ::mkdir,
      .rmdir = ::rmdir,
      .chmod = ::chmod,
      .access = ::access,
      .utimensat = ::utimensat,
      .realpath = ::realpath,
      .getcwd = ::getcwd,
      .fdopendir = ::fdopendir,
      .readdir = ::readdir,
      .closedir = ::closedir,
      .getenv = ::getenv,
      .getpid = ::getpid,
      .geteuid = ::geteuid,
      .kill = ::kill,
      .posix_spawnp = ::posix_spawnp,
      .waitpid = ::waitpid,
      .clock_gettime = ::clock_gettime,
      .nanosleep = ::nanosleep,
      .localtime_r = ::localtime_r,
      .dlopen = ::dlopen,
      .dlsym = ::dlsym,
      .dladdr = sys_dladdr,
  };
}

Ops ops = default_ops();

}  // namespace plat
