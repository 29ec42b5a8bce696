// The OS seam: every service of the platform layer reaches the system through the
// table, so a swapped call is what the engine meets; and a swap ends with its scope.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

using PlatformOps = EngineTest;

ssize_t failing_pread(int, void *, size_t, off_t) {
  errno = EIO;
  return -1;
}
int busy_flock(int, int) {
  errno = EWOULDBLOCK;
  return -1;
}
int refused_statx(int, const char *, int, unsigned, struct statx *) {
  errno = EACCES;
  return -1;
}
int refused_unlinkat(int, const char *, int) {
  errno = EACCES;
  return -1;
}
int refused_rmdir(const char *) {
  errno = EBUSY;
  return -1;
}
struct dirent *empty_folder(DIR *) {
  return nullptr;
}
char *no_environment(const char *) {
  return nullptr;
}
char *unresolvable(const char *, char *) {
  errno = ENOENT;
  return nullptr;
}
int refused_chmod(const char *, mode_t) {
  errno = EPERM;
  return -1;
}
int stopped_clock(clockid_t, struct timespec *now) {
  now->tv_sec = 1234;
  now->tv_nsec = 567000000;
  return 0;
}

TEST_F(PlatformOps, ScopeRestoresEveryCallItChanged) {
  plat::Ops before = plat::ops;
  {
    plat::ScopedOps os;
    os->pread = failing_pread;
    os->flock = busy_flock;
    os->getenv = no_environment;
    EXPECT_EQ(plat::ops.pread, &failing_pread);
  }
  EXPECT_EQ(plat::ops.pread, before.pread);
  EXPECT_EQ(plat::ops.flock, before.flock);
  EXPECT_EQ(plat::ops.getenv, before.getenv);
}

TEST_F(PlatformOps, NestedScopesRestoreInTurn) {
  plat::ScopedOps outer;
  outer->rmdir = refused_rmdir;
  {
    plat::ScopedOps inner;
    inner->chmod = refused_chmod;
  }
  EXPECT_EQ(plat::ops.rmdir, &refused_rmdir);  // the outer swap still holds
  EXPECT_NE(plat::ops.chmod, &refused_chmod);
}

TEST_F(PlatformOps, ReadErrorOfAPictureReachesTheReader) {
  std::string file = write("a.jpg", "0123456789");
  plat::InFile in;
  ASSERT_TRUE(in.open(file));
  char buf[4];
  plat::ScopedOps os;
  os->pread = failing_pread;
  EXPECT_EQ(in.read_at(0, buf, sizeof buf), -1);
}

TEST_F(PlatformOps, FolderLockHeldElsewhereIsBusy) {
  mkdir("out");
  int fd = -1;
  plat::ScopedOps os;
  os->flock = busy_flock;
  EXPECT_EQ(plat::lock_folder(path("out"), &fd), EBUSY);
  EXPECT_EQ(fd, -1);
}

TEST_F(PlatformOps, UnreadableStatusIsNoFile) {
  std::string file = write("a.jpg", "x");
  plat::Stat st;
  plat::ScopedOps os;
  os->statx = refused_statx;
  EXPECT_FALSE(plat::stat_path(file, &st));
  EXPECT_FALSE(plat::exists(file));
  EXPECT_EQ(plat::set_writable(file, false), EACCES);
}

TEST_F(PlatformOps, ListingComesThroughTheTable) {
  write("d/a.jpg", "x");
  std::vector<std::string> names;
  {
    plat::ScopedOps os;
    os->readdir = empty_folder;
    ASSERT_TRUE(plat::list_dir(path("d"), &names));
    EXPECT_TRUE(names.empty());
  }
  ASSERT_TRUE(plat::list_dir(path("d"), &names));
  EXPECT_EQ(names, std::vector<std::string>{"a.jpg"});
}

TEST_F(PlatformOps, TreeThatCannotBeRemovedIsReportedAndKept) {
  write("run/html_1/index.html", "<html>");
  write("run/a.jpg", "x");
  {
    plat::ScopedOps os;
    os->unlinkat = refused_unlinkat;
    EXPECT_EQ(plat::remove_tree(path("run")), EACCES);
  }
  EXPECT_TRUE(fs::exists(path("run/html_1/index.html")));
  EXPECT_TRUE(fs::exists(path("run/a.jpg")));
  {
    plat::ScopedOps os;
    os->rmdir = refused_rmdir;
    EXPECT_EQ(plat::remove_tree(path("run")), EBUSY);
  }
  EXPECT_TRUE(fs::exists(path("run")));
  EXPECT_FALSE(fs::exists(path("run/a.jpg")));
  EXPECT_EQ(plat::remove_tree(path("run")), 0);
  EXPECT_FALSE(fs::exists(path("run")));
}

TEST_F(PlatformOps, EnvironmentComesThroughTheTable) {
  plat::ScopedOps os;
  os->getenv = no_environment;
  EXPECT_EQ(plat::env("TEMP"), nullptr);
  // Without TEMP and TMPDIR the private folder goes below /tmp.
  EXPECT_EQ(plat::check_temp_dir().candidate, "/tmp/quillo-" + std::to_string(geteuid()));
}

TEST_F(PlatformOps, UnresolvablePathIsRefused) {
  mkdir("out");
  std::string resolved = "unchanged";
  plat::ScopedOps os;
  os->realpath = unresolvable;
  EXPECT_FALSE(plat::resolve_path(path("out"), &resolved));
  EXPECT_EQ(resolved, "unchanged");
}

TEST_F(PlatformOps, ClocksComeThroughTheTable) {
  plat::ScopedOps os;
  os->clock_gettime = stopped_clock;
  EXPECT_EQ(plat::now(), 1234);
  EXPECT_EQ(plat::monotonic_ms(), 1234567);
}

TEST_F(PlatformOps, LocalTimeHasTheFormOfAsctime) {
  // 2023-11-14 22:13:20 UTC; the test pins the zone so the text is known.
  std::string zone = getenv("TZ") ? getenv("TZ") : "";
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(plat::local_time_text(1700000000), "Tue Nov 14 22:13:20 2023\n");
  EXPECT_EQ(plat::local_time_text(1699000000), "Fri Nov  3 08:26:40 2023\n");
  if (zone.empty()) {
    unsetenv("TZ");
  } else {
    setenv("TZ", zone.c_str(), 1);
  }
  tzset();
}

}  // namespace
