#include "platform/platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/time.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace plat {

namespace {
int sys_open(const char *path, int flags, mode_t mode) {
  return ::open(path, flags | O_CLOEXEC, mode);
}
int sys_mkdir(const char *path, mode_t mode) {
  return ::mkdir(path, mode);
}
}  // namespace

Ops default_ops() {
  return Ops{sys_open, ::read, ::write, ::close, ::fsync, ::rename, ::unlink, sys_mkdir};
}
Ops ops = default_ops();

namespace {
bool query_status(const std::string &path, Stat *st, int flags) {
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
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
}  // namespace

bool stat_path(const std::string &path, Stat *st) {
  return query_status(path, st, 0);
}

bool stat_entry(const std::string &path, Stat *st) {
  if (!query_status(path, st, AT_SYMLINK_NOFOLLOW)) return false;
  if (!st->is_link) return true;
  if (!query_status(path, st, 0)) return false;
  st->is_link = true;
  return true;
}

bool exists(const std::string &path) {
  Stat st;
  return stat_path(path, &st);
}

bool is_dir(const std::string &path) {
  Stat st;
  return stat_path(path, &st) && st.is_dir;
}

bool list_dir(const std::string &folder, std::vector<std::string> *names) {
  if (folder.empty()) {  // no folder is not the root
    errno = ENOENT;
    return false;
  }
  DIR *d = opendir(folder.c_str());
  if (!d) return false;
  while (struct dirent *e = readdir(d)) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    names->emplace_back(e->d_name);
  }
  closedir(d);
  return true;
}

bool is_virtual_fs(const std::string &folder) {
  struct statfs fs;
  if (statfs(folder.c_str(), &fs) != 0) return false;
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

bool read_file(const std::string &path, std::string *out) {
  int fd = ops.open(path.c_str(), O_RDONLY, 0);
  if (fd < 0) return false;
  out->clear();
  char buf[65536];
  for (;;) {
    ssize_t n = ops.read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ops.close(fd);
      errno = e;
      return false;
    }
    if (n == 0) break;
    out->append(buf, static_cast<size_t>(n));
  }
  ops.close(fd);
  return true;
}

int write_all(int fd, const void *data, size_t n) {
  const char *p = static_cast<const char *>(data);
  while (n > 0) {
    ssize_t w = ops.write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return errno ? errno : EIO;
    }
    if (w == 0) return ENOSPC;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return 0;
}

static int write_via_temporary(const std::string &path, const std::string &data, bool sync) {
  if (path.empty()) return ENOENT;  // a refused folder's "" names no file, not one in the working folder
  std::string tmp;
  int fd = open_temporary(path, &tmp);
  if (fd < 0) return errno ? errno : EIO;
  int err = write_all(fd, data.data(), data.size());
  if (sync && !err && ops.fsync(fd) != 0 && errno != EINVAL) err = errno;
  if (ops.close(fd) != 0 && !err) err = errno ? errno : EIO;
  if (!err && ops.rename(tmp.c_str(), path.c_str()) != 0) err = errno ? errno : EIO;
  if (err) ops.unlink(tmp.c_str());
  return err;
}

int write_file_atomic(const std::string &path, const std::string &data) {
  return write_via_temporary(path, data, true);
}

int write_file_replace(const std::string &path, const std::string &data) {
  return write_via_temporary(path, data, false);
}

InFile::~InFile() {
  close();
}

bool InFile::open(const std::string &path) {
  close();
  // Non-blocking, so a fifo named like a picture cannot hang the open; regular files ignore the flag.
  int fd = ops.open(path.c_str(), O_RDONLY | O_NONBLOCK, 0);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ops.close(fd);
    errno = EISDIR;
    return false;
  }
  fd_ = fd;
  size_ = st.st_size;
  return true;
}

ssize_t InFile::read_at(int64_t offset, void *buf, size_t n) {
  if (fd_ < 0 || offset < 0) return -1;
  size_t got = 0;
  while (got < n) {
    ssize_t r = pread(fd_, static_cast<char *>(buf) + got, n - got, offset + static_cast<int64_t>(got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<ssize_t>(got);
}

void InFile::close() {
  if (fd_ >= 0) ops.close(fd_);
  fd_ = -1;
  size_ = 0;
}

static int result_of(int rc) {
  return rc == 0 ? 0 : (errno ? errno : EIO);
}

int make_dir(const std::string &path) {
  return result_of(ops.mkdir(path.c_str(), 0755));
}
int remove_file(const std::string &path) {
  return result_of(ops.unlink(path.c_str()));
}
int remove_dir(const std::string &path) {
  return result_of(::rmdir(path.c_str()));
}
int rename_path(const std::string &from, const std::string &to) {
  return result_of(ops.rename(from.c_str(), to.c_str()));
}

int set_times(const std::string &path, int64_t accessed, int64_t modified) {
  struct timespec ts[2] = {{static_cast<time_t>(accessed), 0}, {static_cast<time_t>(modified), 0}};
  return result_of(utimensat(AT_FDCWD, path.c_str(), ts, 0));
}

int set_writable(const std::string &path, bool writable) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno;
  mode_t mode = st.st_mode & 07777;
  mode = writable ? (mode | S_IWUSR) : (mode & ~static_cast<mode_t>(S_IWUSR));
  return result_of(::chmod(path.c_str(), mode));
}

std::string current_dir() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

const char *env(const char *name) {
  return getenv(name);
}

namespace {

std::string shared_temp_dir() {
  for (const char *name : {"TEMP", "TMPDIR"}) {
    const char *v = getenv(name);
    if (v && *v) return v;
  }
  return "/tmp";
}

// Examines the folder through a descriptor opened without following a link, so the
// answer is about the very folder the name held, not one a link swapped in afterwards.
TempRefusal examine_private_dir(const std::string &path, int *err) {
  struct stat named;
  if (lstat(path.c_str(), &named) != 0) {
    *err = errno;
    return TempRefusal::cannot_make;
  }
  if (S_ISLNK(named.st_mode)) return TempRefusal::link;
  if (!S_ISDIR(named.st_mode)) return TempRefusal::not_folder;
  int fd = ops.open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0);
  if (fd < 0) {
    *err = errno;
    return errno == ELOOP     ? TempRefusal::link
           : errno == ENOTDIR ? TempRefusal::not_folder
                              : TempRefusal::cannot_make;
  }
  struct stat st;
  TempRefusal refusal = TempRefusal::none;
  if (fstat(fd, &st) != 0) {
    *err = errno;
    refusal = TempRefusal::cannot_make;
  } else if (!S_ISDIR(st.st_mode)) {
    refusal = TempRefusal::not_folder;
  } else if (st.st_uid != geteuid()) {
    refusal = TempRefusal::not_owned;
  } else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    refusal = TempRefusal::open_to_others;
  }
  ops.close(fd);
  return refusal;
}

}  // namespace

TempFolder check_temp_dir() {
  TempFolder t;
  std::string base = shared_temp_dir();
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  t.candidate = (base == "/" ? "" : base) + "/quillo-" + std::to_string(geteuid());
  if (ops.mkdir(t.candidate.c_str(), 0700) != 0 && errno != EEXIST) {
    t.err = errno ? errno : EIO;
    t.refusal = TempRefusal::cannot_make;
    return t;
  }
  t.refusal = examine_private_dir(t.candidate, &t.err);
  if (t.refusal == TempRefusal::none) t.path = t.candidate;
  return t;
}

std::string temp_dir() {
  return check_temp_dir().path;
}

int append_file(const std::string &path, const std::string &data) {
  // Non-blocking, so a fifo at the name cannot hang the open; regular files ignore the flag.
  int fd = ops.open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return errno ? errno : EIO;
  struct stat st;
  int err = fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EISDIR : 0;
  if (!err) err = write_all(fd, data.data(), data.size());
  if (ops.close(fd) != 0 && !err) err = errno ? errno : EIO;
  return err;
}

int64_t now() {
  return static_cast<int64_t>(time(nullptr));
}

void sleep_ms(int ms) {
  struct timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

std::string error_text(int err) {
  char buf[256];
  // The GNU strerror_r may return a static text instead of filling buf.
  const char *text = strerror_r(err, buf, sizeof buf);
  return text ? text : "";
}

void *load_module(const std::string &path) {
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void *module_symbol(void *module, const char *name) {
  return module ? dlsym(module, name) : nullptr;
}

std::string module_dir() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void *>(&module_dir), &info) && info.dli_fname) {
    std::string p = info.dli_fname;
    size_t slash = p.rfind('/');
    if (slash != std::string::npos) return p.substr(0, slash);
  }
  return current_dir();
}

void message_box(const char *text, const char *caption) {
  fprintf(stderr, "%s: %s\n", caption, text);
  // A desktop user never sees standard error; a notification reaches them when a
  // session bus and notify-send are there. Failure to notify is harmless.
  if (getenv("DISPLAY") || getenv("WAYLAND_DISPLAY")) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char *argv[] = {const_cast<char *>("notify-send"), const_cast<char *>(caption), const_cast<char *>(text),
                    nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "notify-send", &actions, nullptr, argv, environ) == 0) waitpid(pid, nullptr, 0);
    posix_spawn_file_actions_destroy(&actions);
  }
}

}  // namespace plat
