// Whole files: read, written completely and checked before they replace the old
// one, appended to, read at positions; and the single-name operations.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/platform.h"

namespace plat {

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

int append_file(const std::string &path, const std::string &data) {
  // Non-blocking, so a fifo at the name cannot hang the open; regular files ignore the flag.
  int fd = ops.open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return errno ? errno : EIO;
  struct stat st;
  int err = ops.fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EISDIR : 0;
  if (!err) err = write_all(fd, data.data(), data.size());
  if (ops.close(fd) != 0 && !err) err = errno ? errno : EIO;
  return err;
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
  if (ops.fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ops.close(fd);
    errno = EISDIR;
    return false;
  }
  fd_ = fd;
  size_ = st.st_size;
  return true;
}

FolderCursor::~FolderCursor() {
  if (fd_ >= 0) ops.close(fd_);
}

int FolderCursor::open_file(const char *path, int flags) {
  const char *slash = strrchr(path, '/');
  if (!slash || slash[1] == '\0') return ops.open(path, flags, 0);
  std::string_view folder(path, slash == path ? 1 : static_cast<size_t>(slash - path));
  if (fd_ < 0 || folder != folder_) {
    if (fd_ >= 0) ops.close(fd_);
    folder_.assign(folder);
    fd_ = ops.open(folder_.c_str(), O_PATH | O_DIRECTORY, 0);
  }
  // A folder that cannot be held is no reason to fail its files: they are opened by their paths.
  return fd_ < 0 ? ops.open(path, flags, 0) : ops.openat(fd_, slash + 1, flags, 0);
}

bool InFile::open_listed(const char *path, int64_t listed_size, FolderCursor *folders) {
  close();
  // Non-blocking for the same reason as open(): what was a file at the listing may be a fifo now, and
  // then the first read fails instead of hanging.
  const int flags = O_RDONLY | O_NONBLOCK;
  int fd = folders ? folders->open_file(path, flags) : ops.open(path, flags, 0);
  if (fd < 0) return false;
  fd_ = fd;
  size_ = listed_size;
  return true;
}

ssize_t InFile::read_at(int64_t offset, void *buf, size_t n) {
  if (fd_ < 0 || offset < 0) return -1;
  size_t got = 0;
  while (got < n) {
    ssize_t r = ops.pread(fd_, static_cast<char *>(buf) + got, n - got, offset + static_cast<int64_t>(got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
    // A short read that reaches the size the file had when opened is its end: asking
    // again would only hear so (a file that grew would have given more).
    if (got < n && offset + static_cast<int64_t>(got) >= size_) break;
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
  return result_of(ops.rmdir(path.c_str()));
}
int rename_path(const std::string &from, const std::string &to) {
  return result_of(ops.rename(from.c_str(), to.c_str()));
}

int set_times(const std::string &path, int64_t accessed, int64_t modified) {
  struct timespec ts[2] = {{static_cast<time_t>(accessed), 0}, {static_cast<time_t>(modified), 0}};
  return result_of(ops.utimensat(AT_FDCWD, path.c_str(), ts, 0));
}

int set_writable(const std::string &path, bool writable) {
  struct statx st;
  if (ops.statx(AT_FDCWD, path.c_str(), 0, STATX_MODE, &st) != 0) return errno ? errno : EIO;
  mode_t mode = st.stx_mode & 07777;
  mode = writable ? (mode | S_IWUSR) : (mode & ~static_cast<mode_t>(S_IWUSR));
  return result_of(ops.chmod(path.c_str(), mode));
}

}  // namespace plat
