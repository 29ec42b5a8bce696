// The table of operating-system calls. Every call the engine makes to the system
// goes through `plat::ops`, so a test can swap any of them to inject a full disk, a
// short write, EIO, a refused folder or a busy lock, and see what the user would.
#pragma once

#include <dirent.h>
#include <dlfcn.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/vfs.h>
#include <time.h>

namespace plat {

struct Ops {
  // Descriptors. open and openat add O_CLOEXEC: no descriptor leaks into a program the engine starts.
  int (*open)(const char *path, int flags, mode_t mode);
  int (*openat)(int dir_fd, const char *name, int flags, mode_t mode);
  ssize_t (*read)(int fd, void *buf, size_t n);
  ssize_t (*pread)(int fd, void *buf, size_t n, off_t offset);
  ssize_t (*write)(int fd, const void *buf, size_t n);
  // In-kernel copy between two descriptors; refused (EXDEV, ENOSYS, EINVAL, EOPNOTSUPP)
  // where the file systems cannot, and the copier falls back to read and write then.
  ssize_t (*copy_file_range)(int fd_in, off_t *off_in, int fd_out, off_t *off_out, size_t n, unsigned flags);
  int (*close)(int fd);
  int (*fsync)(int fd);
  int (*fstat)(int fd, struct stat *st);
  int (*futimens)(int fd, const struct timespec times[2]);
  int (*flock)(int fd, int operation);

  // Reads the first n bytes of the file at `path` and lets them go, so the page cache
  // holds them when the reader comes: 0, or -1 (errno set). Called from the read-ahead
  // threads only, never from the engine's own thread; a fault injected here cannot
  // reach what the engine reads.
  int (*warm_file)(const char *path, size_t n);

  // Names.
  int (*statx)(int dir_fd, const char *path, int flags, unsigned mask, struct statx *st);
  int (*statfs)(const char *path, struct statfs *st);
  int (*rename)(const char *from, const char *to);
  int (*unlink)(const char *path);
  int (*unlinkat)(int dir_fd, const char *name, int flags);
  int (*mkdir)(const char *path, mode_t mode);
  int (*rmdir)(const char *path);
  int (*chmod)(const char *path, mode_t mode);
  int (*access)(const char *path, int mode);
  int (*utimensat)(int dir_fd, const char *path, const struct timespec times[2], int flags);
  char *(*realpath)(const char *path, char *resolved);
  char *(*getcwd)(char *buf, size_t n);

  // Folder listings, read through an open descriptor (fdopendir takes it over).
  DIR *(*fdopendir)(int fd);
  struct dirent *(*readdir)(DIR *dir);
  int (*closedir)(DIR *dir);

  // The process and the ones it starts.
  char *(*getenv)(const char *name);
  pid_t (*getpid)();
  uid_t (*geteuid)();
  int (*kill)(pid_t pid, int signal);
  int (*posix_spawnp)(pid_t *pid, const char *file, const posix_spawn_file_actions_t *actions,
                      const posix_spawnattr_t *attributes, char *const argv[], char *const envp[]);
  pid_t (*waitpid)(pid_t pid, int *status, int options);

  // Clocks.
  int (*clock_gettime)(clockid_t clock, struct timespec *now);
  int (*nanosleep)(const struct timespec *wait, struct timespec *left);
  struct tm *(*localtime_r)(const time_t *t, struct tm *local);

  // Shared modules.
  void *(*dlopen)(const char *path, int flags);
  void *(*dlsym)(void *module, const char *name);
  int (*dladdr)(const void *address, Dl_info *info);
};

extern Ops ops;     // the live table
Ops default_ops();  // the real system calls

// Swaps calls of the table for one scope: the whole table as it was comes back when
// the scope ends, whatever the test changed. Change the live table through it:
//   plat::ScopedOps os;
//   os->write = full_disk_write;
class ScopedOps {
 public:
  ScopedOps() : saved_(ops) {}
  ~ScopedOps() { ops = saved_; }
  ScopedOps(const ScopedOps &) = delete;
  ScopedOps &operator=(const ScopedOps &) = delete;
  Ops *operator->() { return &ops; }
  Ops &operator*() { return ops; }

 private:
  Ops saved_;
};

}  // namespace plat
