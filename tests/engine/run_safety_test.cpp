// Every way a run can fail, driven through the exports as the front end drives
// them, against an output folder that already holds the user's own files: the
// failure reaches the caller, and nothing outside the run's own folder changes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "core/engine_state.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "private_temp.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

// Every entry below a folder: kind, bytes and permission bits, by relative path.
using Listing = std::map<std::string, std::string>;

Listing listing_of(const std::string &folder) {
  Listing out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator();
       ++it) {
    const fs::path &p = it->path();
    std::string rel = fs::relative(p, folder).string();
    struct stat st;
    lstat(p.c_str(), &st);
    std::string entry = std::to_string(st.st_mode) + ":";
    if (S_ISREG(st.st_mode)) {
      std::ifstream in(p, std::ios::binary);
      entry += std::string(std::istreambuf_iterator<char>(in), {});
    }
    out[rel] = entry;
  }
  return out;
}

// Disk-full injection: writes succeed until `g_writes_left` reaches 0.
int g_writes_left = -1;
ssize_t write_until_full(int fd, const void *buf, size_t n) {
  if (g_writes_left == 0) {
    errno = ENOSPC;
    return -1;
  }
  if (g_writes_left > 0) --g_writes_left;
  return write(fd, buf, n);
}

// The same full disk for copies the kernel makes.
ssize_t copy_until_full(int in, off_t *in_off, int out, off_t *out_off, size_t n, unsigned flags) {
  if (g_writes_left == 0) {
    errno = ENOSPC;
    return -1;
  }
  if (g_writes_left > 0) --g_writes_left;
  return copy_file_range(in, in_off, out, out_off, n, flags);
}

int g_polls_before_abort = -1;
void abort_after_polls() {
  if (g_polls_before_abort > 0 && --g_polls_before_abort == 0) ZunoAbortReq();
}

class RunSafety : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_writes_left = -1;
    g_polls_before_abort = -1;
    settings_ = mkdir("prog");
    std::string ini;
    ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini));
    write("prog/quillo.ini", ini);
    fs::copy(program_dir() + "/html", settings_ + "/html", fs::copy_options::recursive);
    ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
    target_ = mkdir("pics");
    picture("pics/a.jpg", 120, 90);
    picture("pics/b.png", 80, 60);
    picture("pics/sub/c.gif", 64, 64);
    // The user's own output folder, full of the user's own files.
    out_ = mkdir("out");
    write("out/notes.txt", "my notes");
    write("out/index.html", "<html>my own page</html>");
    picture("out/holiday.jpg", 50, 40);
    write("out/html_1/keep.txt", "mine");
    ZunoPutStr(ZUNO_OutputPath, out_.c_str());
    set(ZUNO_CpuPriority, 100);
    before_ = listing_of(out_);
  }
  void TearDown() override {
    for (const char *name : {"OS", "WINDIR", "USERPROFILE"}) unsetenv(name);
    EngineTest::TearDown();
  }

  static void set(ZunoSettingNumber number, int value) { ASSERT_EQ(ZunoPut(number, value), 0); }
  struct Outcome {
    int prepared, written;
    std::string status, error;
  };
  // One whole run as the front end makes it, ending the collection afterwards.
  Outcome run(const std::string &target, const std::string &output) {
    Outcome o;
    o.prepared = ZunoNewMain(settings_.c_str(), target.c_str(), output.c_str());
    o.status = gather();
    o.written = ZunoNewMain(settings_.c_str(), target.c_str(), output.c_str());
    ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
    o.error = engine().last_error;
    return o;
  }
  Outcome run() { return run(target_, out_); }
  void expect_failed(const Outcome &o, const std::string &message) {
    EXPECT_EQ(o.prepared, 0);
    EXPECT_LT(o.written, 0);
    EXPECT_NE(o.error.find(message), std::string::npos) << o.error;
  }
  static void expect_written(const Outcome &o) { EXPECT_GT(o.written, 0) << o.error; }
  void expect_output_untouched() {
    EXPECT_EQ(listing_of(out_), before_);
    EXPECT_EQ(std::string(engine().rec.OutputPath), out_) << "the setting holds the user's folder again";
  }

  std::string settings_, target_, out_;
  Listing before_;
};

TEST_F(RunSafety, FailedPreparationsReportTheFailureAndTouchNothing) {
  Outcome missing = run(path("no-such-folder"), out_);
  expect_failed(missing, "Illigal target path");
  EXPECT_EQ(missing.status, "エラー");
  expect_output_untouched();

  // An output folder typed wrong: nothing is written into the saved one instead.
  expect_failed(run(target_, path("out/typo")), "output path is not exist");
  expect_output_untouched();
  EXPECT_FALSE(fs::exists(path("out/typo")));

  write("out/pics", "a file where the run folder would go");
  before_ = listing_of(out_);
  expect_failed(run(), "output_path:not a direstory");
  expect_output_untouched();
}

TEST_F(RunSafety, RunsLeaveNoEmptyFoldersAndOneDiagnosticListing) {
  std::string empty = mkdir("empty");
  write("empty/notes.txt", "no pictures here");
  Outcome none = run(empty, out_);
  EXPECT_EQ(none.written, 0);
  expect_output_untouched();  // no "out/empty" left behind

  mkdir("out/empty");  // the user's own folder of that name stays
  before_ = listing_of(out_);
  EXPECT_EQ(run(empty, out_).written, 0);
  expect_output_untouched();

  auto listings = [&] {
    int count = 0;
    for (const auto &entry : fs::directory_iterator(path(private_temp())))
      count += entry.path().filename().string().rfind("zunotemp", 0) == 0 && entry.is_regular_file();
    return count;
  };
  expect_written(run());
  EXPECT_EQ(listings(), 0) << "the diagnostic listing is written only when asked for";
  setenv("QUILLO_LIST_DIAGNOSTIC", "1", 1);
  expect_written(run());
  expect_written(run());
  unsetenv("QUILLO_LIST_DIAGNOSTIC");
  EXPECT_EQ(listings(), 1) << "only the latest run's diagnostic listing is kept";
}

TEST_F(RunSafety, ARunWhoseSettingsCannotBeReadWritesNothing) {
  ASSERT_EQ(ZunoFlash(), 0);
  write("prog/quillo.ini", "garbage\n");
  expect_failed(run(), "quillo.ini");
  EXPECT_EQ(listing_of(out_), before_);
  EXPECT_EQ(read("prog/quillo.ini"), "garbage\n");
}

TEST_F(RunSafety, CacheRunsWithoutACacheTouchNothingAndStoreNothing) {
  std::string ini_before = read("prog/quillo.ini");
  for (const char *target : {"$iecache", "$backup"}) {
    expect_failed(run(target, "$cache_view"), "キャッシュファイルの位置を特定出来無い");
    expect_output_untouched();
  }
  // A profile without a cache folder: the run stops before it makes or stores anything.
  setenv("OS", "Windows_NT", 1);
  setenv("USERPROFILE", path("profile").c_str(), 1);
  ZunoTime backup_before = engine().rec.LastBackUpTime;
  expect_failed(run("$iecache", "$cache_view"), "キャッシュフォルダが見つかりません");
  expect_output_untouched();
  EXPECT_EQ(engine().rec.LastBackUpTime, backup_before);
  EXPECT_EQ(read("prog/quillo.ini"), ini_before);
}

TEST_F(RunSafety, FullDiskWhileWritingPagesFailsAndDiscardsTheHalfCatalog) {
  set(ZUNO_PageingStyle, 1);
  set(ZUNO_OnePageNum, 0);  // a page per picture, so the disk fills between pages
  for (int writes : {0, 2, 5}) {
    ASSERT_EQ(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
    ASSERT_EQ(gather(), "完了");
    g_writes_left = writes;
    int written;
    {
      plat::ScopedOps os;
      os->write = write_until_full;
      written = ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str());
    }
    ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_LT(written, 0) << "after " << writes << " writes";
    EXPECT_NE(std::string(engine().last_error).find("No space left on device"), std::string::npos);
    expect_output_untouched();
  }
}

TEST_F(RunSafety, FullDiskWhileCopyingFailsAndTakesBackTheRunFolder) {
  set(ZUNO_FileCopy, 1);
  g_writes_left = 1;
  Outcome o;
  {
    plat::ScopedOps os;
    os->write = write_until_full;
    os->copy_file_range = copy_until_full;
    o = run();
  }
  expect_failed(o, "No space left on device");
  EXPECT_EQ(o.status, "エラー");
  expect_output_untouched();
}

TEST_F(RunSafety, FailureInAReusedRunFolderKeepsWhatEarlierRunsMade) {
  expect_written(run());
  write("out/pics/Images/mine.txt", "the user's");
  set(ZUNO_FileCopy, 1);
  expect_written(run());
  before_ = listing_of(out_);
  // A folder where the first page goes: the page cannot be put in place.
  fs::remove(path("out/pics/html_1/index000000.html"));
  fs::create_directories(path("out/pics/html_1/index000000.html"));
  Outcome o = run();
  expect_failed(o, "index000000.html");
  Listing after = listing_of(out_);
  for (const auto &[name, entry] : before_) {
    if (name.rfind("pics/html_1/", 0) == 0) continue;
    EXPECT_EQ(after[name], entry) << name;
  }
  EXPECT_FALSE(fs::exists(path("out/pics/html_1/file.html"))) << "no half catalog is left to open";
}

TEST_F(RunSafety, AbortInEachPhaseFailsTouchesNothingAndDoesNotStopTheNextRun) {
  set(ZUNO_CpuPriority, 0);
  ZunoSetProgressProc(nullptr, nullptr, abort_after_polls, nullptr);
  for (int polls : {1, 3, 12}) {  // while scanning, while examining, while writing pages
    g_polls_before_abort = polls;
    expect_failed(run(), "ユーザーによる中断要求");
    expect_output_untouched();
  }
  g_polls_before_abort = -1;
  // A stop that came too late for the run to see must not end the next count or run.
  ZunoAbortReq();
  int folders, files, outputs, bytes;
  EXPECT_EQ(ZunoCountFile(target_.c_str(), &folders, &files, &outputs, &bytes), 3);
  ZunoAbortReq();
  expect_written(run());
}

TEST_F(RunSafety, PagesAKilledRunLeftHalfWrittenAreClearedByTheNextRun) {
  write("out/pics/html_1/index000416.html.part99999999_418", "<html>half");
  write("out/pics/html_1/notes.html.txt", "not ours");
  expect_written(run());
  EXPECT_FALSE(fs::exists(path("out/pics/html_1/index000416.html.part99999999_418")));
  EXPECT_EQ(read("out/pics/html_1/notes.html.txt"), "not ours");
}

TEST_F(RunSafety, ASecondRunIntoAFolderInUseIsRefused) {
  mkdir("out/pics");
  before_ = listing_of(out_);
  int held = -1;
  ASSERT_EQ(plat::lock_folder(path("out/pics"), &held), 0);
  expect_failed(run(), "別の処理が使用中");
  expect_output_untouched();
  plat::unlock_folder(&held);
  expect_written(run());
}

TEST_F(RunSafety, TargetsEndingInDotsNameTheFolderTheyResolveTo) {
  expect_written(run(target_ + "/sub/..", out_));
  EXPECT_TRUE(fs::exists(path("out/pics/html_1/index.html")));
  EXPECT_EQ(read("out/index.html"), "<html>my own page</html>");
  EXPECT_EQ(read("out/html_1/keep.txt"), "mine");
  expect_written(run(target_ + "/.", out_));
  EXPECT_EQ(std::string(engine().rec.LastOutputPath), out_ + "/pics");
  EXPECT_FALSE(fs::exists(path("out/html_2"))) << "never a catalog in the output folder itself";
}

void sleep_once() {
  static bool slept = false;
  if (!slept) plat::sleep_ms(60);
  slept = true;
}

TEST_F(RunSafety, RunTimeIsWallClockTime) {
  set(ZUNO_CpuPriority, 0);
  ZunoSetProgressProc(nullptr, nullptr, sleep_once, nullptr);
  Outcome o = run();
  EXPECT_GE(o.written, 60) << "a run that waited 60 ms took at least that long: " << o.error;
}

}  // namespace
