// Copying one file into place, as cheaply as the kernel allows: the source is opened
// once and its status read from the open descriptor, exactly that many bytes are
// copied, and the copy is written under a temporary name beside its destination, given
// its times through its own descriptor and renamed over the destination only when whole.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace plat {

// Appends the first `size` bytes of in_fd (from its start) to out_fd at its offset, in the kernel
// where both file systems allow it, else through a buffer: 0, or an errno; EIO when in_fd ends first.
int copy_exact(int in_fd, int out_fd, int64_t size);

// A file opened to be copied, with what it was at the open.
class CopySource {
 public:
  CopySource() = default;
  ~CopySource();
  CopySource(const CopySource &) = delete;
  CopySource &operator=(const CopySource &) = delete;
  // Opens the file at `path` (links followed) without blocking on a fifo and reads its status from the
  // descriptor: 0; EISDIR when it is no regular file (status() says what it is then); or the errno of the
  // open (ENOENT when nothing is there).
  int open(const char *path);
  // Size and times as stat_path gives them, as of the open.
  const Stat &status() const { return st_; }
  void close();

 private:
  friend int copy_into_place(CopySource &source, const std::string &dest, int64_t accessed, int64_t modified);
  int fd_ = -1;
  Stat st_;
};

// Writes the status().size bytes of an open source to a fresh temporary beside `dest`, gives it the
// times `accessed` and `modified` (seconds), and renames it over `dest`. 0; or an errno with the
// temporary removed and `dest` as it was: EIO when the source ends before the size it had at the open
// (it was cut short meanwhile, or the disk failed it), EBADF when the source is not open.
int copy_into_place(CopySource &source, const std::string &dest, int64_t accessed, int64_t modified);

}  // namespace plat
