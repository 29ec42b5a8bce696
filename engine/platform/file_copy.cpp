// Copying one file into place: the kernel's copy where both file systems allow it,
// else a buffer; the copy written beside its destination and renamed over it when whole.
#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace plat {

namespace {

// A refusal of the kernel copy that says only that these two files cannot have one,
// not that the data is bad: the copy goes on through a buffer.
bool kernel_copy_refused(int err) {
  return err == EXDEV || err == ENOSYS || err == EINVAL || err == EOPNOTSUPP || err == ENOTSUP ||
         err == EBADF;
}

// Copies bytes `*offset` to `size` of in_fd in the kernel, stopping at the size it was
// given rather than asking once more for the end. 0 with *offset at `size`, or short of
// it where the source ended early; ENOTSUP when the kernel will not copy these files
// (nothing further was written then); or an errno.
int kernel_copy(int in_fd, int out_fd, int64_t size, int64_t *offset) {
  while (*offset < size) {
    off_t at = static_cast<off_t>(*offset);
    size_t want = static_cast<size_t>(std::min<int64_t>(size - *offset, 1 << 30));
    // The output offset is the descriptor's own, so a fallback write continues where this stopped.
    ssize_t n = ops.copy_file_range(in_fd, &at, out_fd, nullptr, want, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return kernel_copy_refused(errno) ? ENOTSUP : (errno ? errno : EIO);
    }
    // Some file systems answer 0 at the start of a file with bytes (they only copy
    // whole files or none): the buffer finds out whether the bytes are there.
    if (n == 0) return *offset == 0 ? ENOTSUP : 0;
    *offset += n;
  }
  return 0;
}

// The same through a buffer: 0 with *offset at `size` or where the source ended, or an errno.
int buffered_copy(int in_fd, int out_fd, int64_t size, int64_t *offset) {
  std::vector<char> block(1 << 16);
  while (*offset < size) {
    size_t want = static_cast<size_t>(std::min<int64_t>(size - *offset, static_cast<int64_t>(block.size())));
    ssize_t n = ops.pread(in_fd, block.data(), want, static_cast<off_t>(*offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno ? errno : EIO;
    }
    if (n == 0) return 0;
    if (int err = write_all(out_fd, block.data(), static_cast<size_t>(n))) return err;
    *offset += n;
  }
  return 0;
}

int result_of(int rc) {
  return rc == 0 ? 0 : (errno ? errno : EIO);
}

}  // namespace

int copy_exact(int in_fd, int out_fd, int64_t size) {
  int64_t offset = 0;
  int err = kernel_copy(in_fd, out_fd, size, &offset);
  if (err == ENOTSUP) err = buffered_copy(in_fd, out_fd, size, &offset);
  // A source that ends before the size it had when opened changed while it was read
  // (or the disk failed it): its copy would be torn.
  if (!err && offset < size) err = EIO;
  return err;
}

CopySource::~CopySource() {
  close();
}

int CopySource::open(const char *path) {
  close();
  st_ = Stat{};
  // Non-blocking, so a fifo named like a picture cannot hang the open; regular files ignore the flag.
  int fd = ops.open(path, O_RDONLY | O_NONBLOCK, 0);
  if (fd < 0) return errno ? errno : EIO;
  // Asked of the descriptor, so the size and times are those of the file that will be
  // read, and the birth time comes with them.
  struct statx sx;
  if (ops.statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    int err = errno ? errno : EIO;
    ops.close(fd);
    return err;
  }
  st_.is_dir = S_ISDIR(sx.stx_mode);
  st_.is_file = S_ISREG(sx.stx_mode);
  st_.writable = (sx.stx_mode & S_IWUSR) != 0;
  st_.size = static_cast<int64_t>(sx.stx_size);
  st_.accessed = sx.stx_atime.tv_sec;
  st_.modified = sx.stx_mtime.tv_sec;
  st_.created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
  st_.ino = sx.stx_ino;
  if (!st_.is_file) {
    ops.close(fd);
    return EISDIR;
  }
  fd_ = fd;
  return 0;
}

void CopySource::close() {
  if (fd_ >= 0) ops.close(fd_);
  fd_ = -1;
}

int copy_into_place(CopySource &source, const std::string &dest, int64_t accessed, int64_t modified) {
  if (source.fd_ < 0) return EBADF;
  std::string tmp;
  int fd = open_temporary(dest, &tmp);
  if (fd < 0) return errno ? errno : EIO;
  int err = copy_exact(source.fd_, fd, source.st_.size);
  // On the descriptor after the last write, as cp -p does: no path is walked again,
  // and no later write can move the time on.
  struct timespec ts[2] = {{static_cast<time_t>(accessed), 0}, {static_cast<time_t>(modified), 0}};
  if (!err) err = result_of(ops.futimens(fd, ts));
  if (ops.close(fd) != 0 && !err) err = errno ? errno : EIO;
  if (!err) err = result_of(ops.rename(tmp.c_str(), dest.c_str()));
  if (err) ops.unlink(tmp.c_str());
  return err;
}

}  // namespace plat
