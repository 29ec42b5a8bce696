// Reads that fail or end early, injected through the system-call table while a whole
// run goes on: the file is left out (or the run fails naming it) and the fault is
// recorded; what could not be read is never taken as data.
#include <errno.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "core/engine_state.h"
#include "core/file_list.h"
#include "engine_fixture.h"
#include "platform/ops.h"
#include "platform/platform.h"
#include "zuno.h"

namespace {

// The fault: reads of files whose path holds `g_victim` fail with EIO, or, when
// `g_short` is set, end after the first 4 bytes as if the file had shrunk.
plat::Ops g_real;
std::string g_victim;
bool g_short = false;
std::set<int> g_victim_fds;

int tracking_open(const char *path, int flags, mode_t mode) {
  int fd = g_real.open(path, flags, mode);
  if (fd >= 0 && strstr(path, g_victim.c_str())) g_victim_fds.insert(fd);
  return fd;
}
// Files of a listed folder are opened by their names inside it.
int tracking_openat(int dir_fd, const char *name, int flags, mode_t mode) {
  int fd = g_real.openat(dir_fd, name, flags, mode);
  if (fd >= 0 && strstr(name, g_victim.c_str())) g_victim_fds.insert(fd);
  return fd;
}
int tracking_close(int fd) {
  g_victim_fds.erase(fd);
  return g_real.close(fd);
}
ssize_t faulty_pread(int fd, void *buf, size_t n, off_t offset) {
  if (!g_victim_fds.count(fd)) return g_real.pread(fd, buf, n, offset);
  if (!g_short) {
    errno = EIO;
    return -1;
  }
  if (offset >= 4) return 0;
  return g_real.pread(fd, buf, std::min<size_t>(n, 4 - static_cast<size_t>(offset)), offset);
}

// The kernel copy sees the same fault as the reads, or, with `g_refuse_kernel`,
// refuses every copy as a file system without one does, so the buffered copy runs.
bool g_refuse_kernel = false;
ssize_t faulty_copy_file_range(int in, off_t *in_off, int out, off_t *out_off, size_t n, unsigned flags) {
  if (g_refuse_kernel) {
    errno = EXDEV;
    return -1;
  }
  if (!g_victim_fds.count(in)) return g_real.copy_file_range(in, in_off, out, out_off, n, flags);
  if (!g_short) {
    errno = EIO;
    return -1;
  }
  off_t at = in_off ? *in_off : 0;
  if (at >= 4) return 0;
  return g_real.copy_file_range(in, in_off, out, out_off, std::min<size_t>(n, 4 - static_cast<size_t>(at)),
                                flags);
}

// Listings: a folder whose path holds `g_victim` fails part-way with EIO.
struct dirent *faulty_readdir(DIR *dir) {
  static int handed = 0;
  char path[64];
  snprintf(path, sizeof path, "/proc/self/fd/%d", dirfd(dir));
  char target[4096] = "";
  ssize_t n = readlink(path, target, sizeof target - 1);
  if (n > 0 && strstr(target, g_victim.c_str()) && ++handed > 2) {
    errno = EIO;
    return nullptr;
  }
  return g_real.readdir(dir);
}

// Reads of the victim's files go through the fault for the scope of `os`.
void fail_reads(plat::ScopedOps &os) {
  os->open = tracking_open;
  os->openat = tracking_openat;
  os->close = tracking_close;
  os->pread = faulty_pread;
  os->copy_file_range = faulty_copy_file_range;
}

class ReadFaults : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_real = plat::default_ops();
    g_short = false;
    g_refuse_kernel = false;
    g_victim_fds.clear();
    settings_ = program_settings("prog");
    ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
    out_ = mkdir("out");
    ZunoPutStr(ZUNO_OutputPath, out_.c_str());
    ZunoPut(ZUNO_CpuPriority, 100);
    target_ = mkdir("pics");
    picture("pics/a.jpg", 120, 90);
    picture("pics/b.png", 80, 60);
  }

  // One whole run as the front end makes it: the pictures placed on its pages (<0 a failure).
  int run() {
    ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str());
    gather();
    int written = ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str());
    int folders = 0, files = 0, placed = 0, bytes = 0;
    ZunoLastCount(0, &folders, &files, &placed, &bytes);
    return written < 0 ? written : placed;
  }
  std::string catalog() { return read("out/pics/html_1/index000000.html"); }
  std::string last_error() const { return engine().last_error; }

  std::string settings_, out_, target_;
};

TEST_F(ReadFaults, APictureThatCannotBeReadIsLeftOutAndNamed) {
  for (bool cut_short : {false, true}) {
    SCOPED_TRACE(cut_short ? "short read" : "I/O error");
    plat::ScopedOps os;
    fail_reads(os);
    g_victim = "b.png";
    g_short = cut_short;
    EXPECT_EQ(run(), 1) << last_error();
    EXPECT_NE(catalog().find("a.jpg"), std::string::npos);
    EXPECT_EQ(catalog().find("b.png"), std::string::npos) << "never listed with another file's size";
  }
}

TEST_F(ReadFaults, ACopyWhoseSourceFailsOrEndsEarlyFailsTheRunAndLeavesNoTornCopy) {
  ZunoPut(ZUNO_FileCopy, 1);
  for (bool refuse_kernel : {false, true})
    for (bool cut_short : {false, true}) {
      SCOPED_TRACE(cut_short ? "short read" : "I/O error");
      SCOPED_TRACE(refuse_kernel ? "buffered copy" : "kernel copy");
      plat::ScopedOps os;
      fail_reads(os);
      g_victim = "a.jpg";
      g_short = cut_short;
      g_refuse_kernel = refuse_kernel;
      // The header reader also sees the fault for the short case: let it read whole files.
      EXPECT_LT(run(), 0);
      EXPECT_NE(last_error().find("コピーできません: " + path("pics/a.jpg")), std::string::npos)
          << last_error();
      EXPECT_FALSE(plat::exists(path("out/pics"))) << "the failed run takes back its folder";
    }
}

TEST_F(ReadFaults, AFolderListingCutByAnErrorIsRecordedNotTakenAsWhole) {
  for (int i = 0; i < 6; ++i) picture("pics/sub/p" + std::to_string(i) + ".jpg", 40, 40);
  ZunoPut(ZUNO_SubdirDepth, 3);
  plat::ScopedOps os;
  os->readdir = faulty_readdir;
  g_victim = "/pics/sub";
  EXPECT_EQ(run(), 2) << last_error();
  EXPECT_EQ(catalog().find("/sub/"), std::string::npos) << "no part of the cut listing is shown";
  std::vector<std::string> names;
  EXPECT_FALSE(plat::list_dir(path("pics/sub"), &names));
  EXPECT_EQ(errno, EIO);
}

int refused_futimens(int, const struct timespec *) {
  errno = EPERM;
  return -1;
}
int refused_chmod(const char *, mode_t) {
  errno = EROFS;
  return -1;
}
int log_refusing_open(const char *path, int flags, mode_t mode) {
  if (strstr(path, "zunoerr.log")) {
    errno = EACCES;
    return -1;
  }
  return g_real.open(path, flags, mode);
}

TEST_F(ReadFaults, ACopyWhoseTimesCannotBeKeptFailsAndLeavesNoCopy) {
  ZunoPut(ZUNO_FileCopy, 1);
  plat::ScopedOps os;
  os->futimens = refused_futimens;
  EXPECT_LT(run(), 0);
  EXPECT_NE(last_error().find("コピーできません: "), std::string::npos) << last_error();
  EXPECT_FALSE(plat::exists(path("out/pics")));
}

TEST_F(ReadFaults, AFileModeThatCannotBeChangedIsReported) {
  std::string file = path("pics/a.jpg");
  plat::ScopedOps os;
  os->chmod = refused_chmod;
  EXPECT_EQ(ZunoChangeFileMode(0x80, file.c_str()), -1);
}

TEST_F(ReadFaults, AnErrorLogThatCannotBeOpenedLosesTheEntryButNotTheError) {
  plat::ScopedOps os;
  os->open = log_refusing_open;
  ZunoErr(-1, const_cast<char *>("テストの記録"));
  EXPECT_EQ(last_error(), "テストの記録");
  EXPECT_EQ(run(), 2) << "the run goes on without its log";
}

}  // namespace
