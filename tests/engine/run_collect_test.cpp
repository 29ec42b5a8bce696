// Runs driven through the exports as the front end drives them: preparation,
// gathering step by step, copying, and the run driver's results.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <thread>

#include "collect/collect_steps.h"
#include "core/file_list.h"
#include "core/text.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

class Run : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    settings_ = mkdir("prog");
    out_ = mkdir("out");
    target_ = mkdir("pics");
    std::string ini;
    ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini));
    write("prog/quillo.ini", ini);
    ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
    ZunoPutStr(ZUNO_OutputPath, out_.c_str());
    ZunoPut(ZUNO_CpuPriority, 100);
  }
  // The gathering's status texts until it ends.
  std::vector<std::string> gather() {
    std::vector<std::string> texts;
    char area[ZUNO_BUFSIZE];
    char *buf = area;
    for (int i = 0; i < 20; ++i) {
      ZunoGetFiles(&buf);
      texts.push_back(area);
      if (texts.back() == "完了" || texts.back() == "エラー") break;
    }
    return texts;
  }
  int prepare(const std::string &target) {
    return ZunoNewMain(settings_.c_str(), target.c_str(), out_.c_str());
  }
  std::string last_error() { return engine().last_error; }
  std::vector<const FileNode *> passed() {
    std::vector<const FileNode *> out;
    for (FileNode *n = &engine().files; is_listed(n); n = n->next)
      if (n->passed) out.push_back(n);
    return out;
  }

  std::string settings_, out_, target_;
};

const std::vector<std::string> kPlainRun = {"ファイル読み込み中", "情報取り出し中",   "ソート中",
                                            "URL検出中",          "ファイルコピー中", "完了"};

TEST_F(Run, PlainRunGathersFiltersAndSortsRealPictures) {
  picture("pics/big.jpg", 400, 300);
  picture("pics/small.png", 40, 30);
  picture("pics/sub/wide.gif", 300, 40);
  write("pics/notes.txt", "x");
  ZunoPut(ZUNO_SearchSizeType, 1);  // width test
  ZunoPut(ZUNO_MaxX, 100);
  ZunoPut(ZUNO_SortType, 3);  // by area, descending
  ZunoPut(ZUNO_SortMode, 0);
  ASSERT_EQ(prepare(target_), 0);
  EXPECT_EQ(engine().rec.OutputPath, out_ + "/pics");
  EXPECT_TRUE(fs::is_directory(out_ + "/pics/html_1"));
  EXPECT_EQ(gather(), kPlainRun);
  auto ok = passed();
  ASSERT_EQ(ok.size(), 2u);
  EXPECT_EQ(std::string(ok[0]->path), target_ + "/big.jpg");
  EXPECT_EQ(ok[0]->width, 400);
  EXPECT_EQ(ok[0]->height, 300);
  EXPECT_EQ(std::string(ok[1]->path), target_ + "/sub/wide.gif");
  int folders, files, outputs = 0, bytes;
  EXPECT_EQ(ZunoLastCount(1, &folders, &files, &outputs, &bytes), 3);
  EXPECT_EQ(ZunoLastCount(1, &folders, &files, &outputs, &bytes), 3);
  EXPECT_EQ(folders, 1);
  EXPECT_EQ(files, 3);
  EXPECT_EQ(ZunoLastCount(0, &folders, &files, &outputs, &bytes), 3);
  EXPECT_EQ(engine().files.next, nullptr);
  EXPECT_EQ(engine().busy, 0);
}

int g_steps = 0;
void count_step() {
  ++g_steps;
}

TEST_F(Run, CopyMirrorsTheTreeUnderImagesAndNodesNameTheCopies) {
  picture("pics/a/b.JPG", 120, 90);
  picture("pics/top.png", 50, 50);
  ZunoSetProgressProc(nullptr, count_step, nullptr, nullptr);
  ASSERT_EQ(prepare(target_), 0);
  g_steps = 0;
  EXPECT_EQ(gather(), kPlainRun);
  const int steps_without_copies = g_steps;
  prepare(target_);  // the second call ends the run
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);

  ZunoPut(ZUNO_FileCopy, 1);
  ASSERT_EQ(prepare(target_), 0);
  g_steps = 0;
  EXPECT_EQ(gather(), kPlainRun);
  EXPECT_EQ(g_steps, steps_without_copies + 2) << "a progress step for each of the two copies";
  EXPECT_TRUE(fs::exists(out_ + "/pics/Images/a/b.jpg"));
  EXPECT_TRUE(fs::exists(out_ + "/pics/Images/top.png"));
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) {
    if (n->depth >= 100) continue;
    EXPECT_EQ(access(n->path, F_OK), 0) << n->path;
    EXPECT_EQ(std::string(n->path).rfind(out_ + "/pics/Images/", 0), 0u) << n->path;
  }
}

TEST_F(Run, SecondCopyRunWithModeZeroKeepsCopies) {
  picture("pics/p.jpg", 60, 60);
  ZunoPut(ZUNO_FileCopy, 1);
  ZunoPut(ZUNO_CopyMode, 0);
  ASSERT_EQ(prepare(target_), 0);
  ASSERT_EQ(gather().back(), "完了");
  ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str());
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
  write("out/pics/Images/p.jpg", "mine");
  ASSERT_EQ(prepare(target_), 0);
  EXPECT_EQ(gather().back(), "完了");
  EXPECT_EQ(read("out/pics/Images/p.jpg"), "mine");
}

TEST_F(Run, PlainFileNamedImagesFailsTheCopy) {
  picture("pics/p.jpg", 60, 60);
  mkdir("out/pics");
  write("out/pics/Images", "not a folder");
  ZunoPut(ZUNO_FileCopy, 1);
  ASSERT_EQ(prepare(target_), 0);
  EXPECT_EQ(gather().back(), "エラー");
  EXPECT_EQ(last_error(), "zunocopy:ディレクトリ以外を指定");
  EXPECT_EQ(read("out/pics/Images"), "not a folder");
}

TEST_F(Run, DeeperFilesAreListedButNotExaminedAndUndescendedFoldersAreNotCopied) {
  picture("pics/a/b/deep.jpg", 60, 60);
  ZunoPut(ZUNO_SubdirDepth, 0);
  ZunoPut(ZUNO_FileCopy, 1);
  ASSERT_EQ(prepare(target_), 0);
  EXPECT_EQ(gather().back(), "完了");
  EXPECT_TRUE(passed().empty());
}

TEST_F(Run, SubfolderSearchSwitchedOffShowsThisFolderOnly) {
  std::filesystem::copy(program_dir() + "/html", settings_ + "/html",
                        std::filesystem::copy_options::recursive);
  picture("pics/top.jpg", 60, 60);
  picture("pics/sub/below.jpg", 60, 60);
  ZunoPut(ZUNO_SubdirDepth, 8);
  ZunoPut(ZUNO_SearchSubdir, 0);
  ASSERT_EQ(prepare(target_), 0);
  EXPECT_EQ(gather().back(), "完了");
  ASSERT_EQ(passed().size(), 1u);
  EXPECT_NE(std::string(passed()[0]->path).find("top.jpg"), std::string::npos);
  EXPECT_GT(prepare(target_), 0) << last_error();  // the catalog
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
  std::string page = read("out/pics/html_1/index000000.html");
  EXPECT_NE(page.find("top.jpg"), std::string::npos);
  EXPECT_EQ(page.find("below.jpg"), std::string::npos);

  ZunoPut(ZUNO_SearchSubdir, 1);
  ASSERT_EQ(prepare(target_), 0);
  EXPECT_EQ(gather().back(), "完了");
  EXPECT_EQ(passed().size(), 2u);
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(Run, CpuPriorityLowersTheRunningThreadsPriorityOnly) {
  picture("pics/a.jpg", 60, 60);
  // Each run on a thread of its own: a nice value once raised cannot be lowered again.
  auto niceness_of_run = [&](int priority) {
    int seen = -1;
    std::thread([&] {
      ZunoPut(ZUNO_CpuPriority, priority);
      if (prepare(target_) == 0) seen = plat::thread_niceness();
      gather();
      prepare(target_);  // the second call writes the catalog and ends the run
      ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
    }).join();
    return seen;
  };
  int own = plat::thread_niceness();
  EXPECT_EQ(niceness_of_run(100), own) << "the fastest setting leaves the priority alone";
  if (own == 0) {
    EXPECT_EQ(niceness_of_run(10), 9);
    EXPECT_EQ(niceness_of_run(0), 10);
  }
  EXPECT_EQ(plat::thread_niceness(), own) << "the caller's own thread is not touched";
}

TEST_F(Run, PreparationFailuresAreRecordedAndTheRunGoesOn) {
  EXPECT_EQ(prepare(path("missing")), 0);
  EXPECT_EQ(last_error(), "Illigal target path");
  EXPECT_EQ(engine().run_phase, 1);
  ZunoNewMain(settings_.c_str(), "", "");
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);

  EXPECT_EQ(ZunoNewMain(settings_.c_str(), target_.c_str(), path("nowhere").c_str()), 0);
  EXPECT_EQ(last_error(), "output path is not exist");
  ZunoNewMain(settings_.c_str(), "", "");
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);

  write("out/pics", "a file");
  copy_field(engine().rec.HtmlOut, "kept", "t");
  EXPECT_EQ(prepare(target_), 0);
  EXPECT_EQ(last_error(), "output_path:not a direstory");
  EXPECT_STREQ(engine().rec.HtmlOut, "kept");
  ZunoNewMain(settings_.c_str(), "", "");
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::string(engine().rec.OutputPath), out_);  // restored after the failed run
}

int refuse_mkdir(const char *, mode_t) {
  errno = EACCES;
  return -1;
}

TEST_F(Run, FoldersThatCannotBeMadeAreRecorded) {
  {
    plat::ScopedOps os;
    os->mkdir = refuse_mkdir;
    EXPECT_EQ(prepare(target_), 0);
  }
  EXPECT_EQ(last_error(), "output_path:can't make Directory");
  ZunoNewMain(settings_.c_str(), "", "");
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);

  mkdir("out/pics");
  {
    plat::ScopedOps os;
    os->mkdir = refuse_mkdir;
    EXPECT_EQ(prepare(target_), 0);
  }
  EXPECT_EQ(last_error(), "get_htmlout:can't make Directory");
}

TEST_F(Run, CacheDelRefusesUnknownModes) {
  engine().busy = 1;
  EXPECT_EQ(ZunoCacheDel(3), -1);
  EXPECT_EQ(engine().busy, 1);
  EXPECT_EQ(ZunoCacheDel(0), 0);
  EXPECT_EQ(engine().busy, 0);
}

TEST_F(Run, CatalogFolderNumbering) {
  mkdir("out/pics/html_1");
  mkdir("out/pics/html_2");
  ZunoPut(ZUNO_AutoIncrement, 1);
  ASSERT_EQ(prepare(target_), 0);
  EXPECT_STREQ(engine().rec.HtmlOut, "html_3");
  ZunoNewMain(settings_.c_str(), "", "");
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
  fs::remove(path("out/pics/html_3"));
  write("out/pics/html_3", "file");
  prepare(target_);
  EXPECT_EQ(last_error(), "get_htmlout:unknown error");
}

TEST_F(Run, ReusedCatalogFolderLosesOnlyItsOldPages) {
  write("out/pics/html_1/page1.html", "old");
  write("out/pics/html_1/keep.css", "x");
  mkdir("out/pics/html_1/Thumbs");
  ASSERT_EQ(prepare(target_), 0);
  EXPECT_FALSE(fs::exists(path("out/pics/html_1/page1.html")));
  EXPECT_TRUE(fs::exists(path("out/pics/html_1/keep.css")));
  EXPECT_TRUE(fs::exists(path("out/pics/html_1/Thumbs")));
}

TEST_F(Run, RootTargetIsNamedRoot) {
  ZunoPut(ZUNO_SubdirDepth, 0);
  ZunoPut(ZUNO_EnableFileType, 0);  // nothing to collect: only the folders matter here
  ASSERT_EQ(ZunoNewMain(settings_.c_str(), "/", out_.c_str()), 0);
  EXPECT_EQ(std::string(engine().rec.OutputPath), out_ + "/_root");
}

TEST_F(Run, BrowserCacheTargetsFromTheEnvironment) {
  setenv("OS", "Windows_NT", 1);
  setenv("USERPROFILE", path("profile").c_str(), 1);
  mkdir("profile/Local Settings/Temporary Internet Files/Content.IE5/AB12CD34");
  ASSERT_EQ(ZunoNewMain(settings_.c_str(), "$iecache", "$cache_view"), 0);
  EXPECT_EQ(std::string(engine().rec.TargetPath), path("profile/Local Settings/Temporary Internet Files"));
  EXPECT_EQ(std::string(engine().rec.OutputPath), out_ + "/Temporary Internet Files");
  EXPECT_EQ(engine().rec.OutputKind, kOutputCacheView);
  EXPECT_STREQ(engine().rec.HtmlOut, "cache_view_1");
  EXPECT_EQ(engine().rec.LastBackUpTime, 0) << "stored only when the run ends well";
  gather();
  ZunoNewMain(settings_.c_str(), "", "");
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
  EXPECT_GT(engine().rec.LastBackUpTime, 0);
  EXPECT_NE(read("prog/quillo.ini").find("LastBackUpTime=" + std::to_string(engine().rec.LastBackUpTime)),
            std::string::npos);

  ASSERT_EQ(ZunoNewMain(settings_.c_str(), "$backup", "$site_lunch"), 0);
  EXPECT_EQ(std::string(engine().rec.TargetPath), out_ + "/Temporary Internet Files/Images");
  EXPECT_EQ(engine().rec.OutputKind, kOutputSiteLauncher);
  EXPECT_STREQ(engine().rec.HtmlOut, "site_lunch_1");
  unsetenv("OS");
  unsetenv("USERPROFILE");
}

TEST_F(Run, NoCacheFolderWithoutProfileVariables) {
  unsetenv("OS");
  unsetenv("WINDIR");
  unsetenv("USERPROFILE");
  ASSERT_EQ(ZunoNewMain(settings_.c_str(), "$iecache", out_.c_str()), 0);
  EXPECT_EQ(last_error(), "キャッシュファイルの位置を特定出来無い");
}

TEST_F(Run, FailedPreparationNeverScansTheWholeDisk) {
  unsetenv("OS");
  unsetenv("WINDIR");
  unsetenv("USERPROFILE");
  engine().rec.TargetPath[0] = '\0';
  ASSERT_EQ(ZunoNewMain(settings_.c_str(), "$backup", "$cache_view"), 0);
  EXPECT_EQ(gather().back(), "エラー");
  EXPECT_EQ(engine().files.next, nullptr);
}

TEST_F(Run, MoviesGetNoThumbnails) {
  picture("pics/a.jpg", 40, 40);
  write("pics/clip.avi", "RIFF....AVI LIST");
  ASSERT_EQ(prepare(target_), 0);
  gather();
  copy_field(engine().rec.LastOutputPath, out_ + "/pics", "t");
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) n->output = 1;
  char src_area[ZUNO_BUFSIZE], thumb_area[ZUNO_BUFSIZE];
  char *src = src_area, *thumb = thumb_area;
  int dw, dh, w, h;
  ASSERT_EQ(ZunoGetThumbInfo(&src, &thumb, &dw, &dh, &w, &h), 1);
  EXPECT_EQ(std::string(src_area), target_ + "/a.jpg");
  EXPECT_EQ(ZunoGetThumbInfo(&src, &thumb, &dw, &dh, &w, &h), -1);
}

TEST_F(Run, BusyAndAbortRules) {
  picture("pics/p.jpg", 60, 60);
  engine().busy = 1;
  EXPECT_EQ(prepare(target_), ZUNO_BUSY);
  EXPECT_EQ(engine().run_phase, 0);
  engine().busy = 0;
  ASSERT_EQ(prepare(target_), 0);
  gather();
  ZunoAbortReq();
  EXPECT_EQ(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), -1);
  EXPECT_EQ(engine().abort_flag, 0);
  EXPECT_EQ(std::string(engine().rec.OutputPath), out_);
  EXPECT_EQ(prepare(target_), ZUNO_BUSY);  // until the collection is closed
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(prepare(target_), 0);
}

TEST_F(Run, CountFileCountsATreeWithoutKeepingIt) {
  picture("pics/a.jpg", 20, 20);
  picture("pics/s/b.png", 20, 20);
  int folders, files, outputs = 0, bytes;
  EXPECT_EQ(ZunoCountFile(target_.c_str(), &folders, &files, &outputs, &bytes), 2);
  EXPECT_EQ(folders, 1);
  EXPECT_EQ(files, 2);
  EXPECT_GT(bytes, 0);
  EXPECT_EQ(engine().busy, 0);
  EXPECT_EQ(engine().files.next, nullptr);
}

TEST_F(Run, ThumbnailIterationMirrorsFoldersAndEnds) {
  picture("pics/s/b.jpg", 200, 100);
  ASSERT_EQ(prepare(target_), 0);
  gather();
  char src_area[ZUNO_BUFSIZE], thumb_area[ZUNO_BUFSIZE];
  char *src = src_area, *thumb = thumb_area;
  int dw, dh, w, h;
  copy_field(engine().rec.LastOutputPath, out_ + "/pics", "t");
  EXPECT_EQ(ZunoGetThumbInfo(&src, &thumb, &dw, &dh, &w, &h), -1);  // nothing placed yet
  for (FileNode *n = &engine().files; is_listed(n); n = n->next)
    if (n->passed) n->output = 1;
  ASSERT_EQ(ZunoGetThumbInfo(&src, &thumb, &dw, &dh, &w, &h), 1);
  EXPECT_EQ(std::string(src_area), target_ + "/s/b.jpg");
  EXPECT_EQ(std::string(thumb_area), out_ + "/pics/html_1/Thumbs/s/b.jpg");
  EXPECT_TRUE(fs::is_directory(out_ + "/pics/html_1/Thumbs/s"));
  EXPECT_EQ(w, 200);
  EXPECT_EQ(ZunoGetThumbInfo(&src, &thumb, &dw, &dh, &w, &h), -1);
}

class Filters : public EngineTest {};

TEST_F(Filters, BannerShapeAndSizeRules) {
  ZunoRecord &r = engine().rec;
  r.BannerX = 468;
  r.BannerY = 60;
  r.BannerMargin = 0;
  EXPECT_EQ(accept_picture(&r, 468, 60, nullptr), 0);  // Banner 0 rejects banners
  r.Banner = 1;
  r.SearchSizeType = 1;
  r.MaxX = 1000;
  EXPECT_EQ(accept_picture(&r, 468, 60, nullptr), 1);  // and 1 takes them whatever their size
  r.BannerMargin = 10;
  EXPECT_EQ(is_banner_size(&r, 514, 66), 1);  // 468 ± 46.8, 60 ± 6, bounds included
  EXPECT_EQ(is_banner_size(&r, 516, 60), 0);
  r.SearchSizeType = 0;
  r.YXRatio = 2;
  EXPECT_EQ(accept_picture(&r, 300, 100, nullptr), 0);
  EXPECT_EQ(accept_picture(&r, 200, 100, nullptr), 1);
  r.YXRatio = 0.5f;
  EXPECT_EQ(accept_picture(&r, 100, 300, nullptr), 0);
  EXPECT_EQ(accept_picture(&r, 100, 200, nullptr), 1);
  r.YXRatio = 0;
  r.SearchSizeType = 1;
  r.MaxX = 100;
  EXPECT_EQ(accept_picture(&r, 150, 20, nullptr), 1);
  EXPECT_EQ(accept_picture(&r, 150, 0, nullptr), 0);
  r.SearchSizeType = 3;
  r.MaxY = 50;
  EXPECT_EQ(accept_picture(&r, 150, 20, nullptr), 0);
  FileNode animated{};
  animated.flags = FLAG_ANIMATED;
  r.MotionGIF = 1;
  EXPECT_EQ(accept_picture(&r, 10, 10, &animated), 1);
}

using Copier = EngineTest;

ssize_t disk_full_after_first_block(int fd, const void *buf, size_t n) {
  static int calls = 0;
  if (++calls % 2 == 0) {
    errno = ENOSPC;
    return -1;
  }
  return ::write(fd, buf, n);
}
// The same disk for copies the kernel makes: room for one block, then full.
ssize_t kernel_copy_full_after_first_block(int in, off_t *in_off, int out, off_t *out_off, size_t n,
                                           unsigned) {
  if (in_off && *in_off > 0) {
    errno = ENOSPC;
    return -1;
  }
  return copy_file_range(in, in_off, out, out_off, std::min<size_t>(n, 65536), 0);
}
ssize_t kernel_copy_refused(int, off_t *, int, off_t *, size_t, unsigned) {
  errno = EXDEV;
  return -1;
}

TEST_F(Copier, FullDiskFailsWithMinusTwoAndLeavesNoPartialCopy) {
  write("src/big.JPG", std::string(300000, 'x'));
  mkdir("dst");
  for (bool kernel : {true, false}) {
    SCOPED_TRACE(kernel ? "kernel copy" : "buffered copy");
    plat::ScopedOps os;
    os->write = disk_full_after_first_block;
    os->copy_file_range = kernel ? kernel_copy_full_after_first_block : kernel_copy_refused;
    EXPECT_EQ(bincopy(3, path("src/big.JPG").c_str(), path("dst").c_str()), -2);
    EXPECT_TRUE(fs::is_empty(path("dst")));
    EXPECT_EQ(std::string(engine().last_error), strerror(ENOSPC));
  }
}

TEST_F(Copier, CopyKeepsTimesAndLowerCasesTheExtension) {
  std::string src = write("src/Pic.JPG", "data");
  struct timespec times[2] = {{1500000000, 0}, {1600000000, 0}};
  utimensat(AT_FDCWD, src.c_str(), times, 0);
  mkdir("dst");
  std::string copied;
  ASSERT_EQ(bincopy(0, src.c_str(), path("dst").c_str(), &copied), 0);
  EXPECT_EQ(copied, path("dst/Pic.jpg"));
  plat::Stat a, b;
  plat::stat_path(src, &a);
  plat::stat_path(copied, &b);
  EXPECT_EQ(b.accessed, 1500000000);  // the source's access time before the copy read it
  EXPECT_EQ(b.modified, a.created);
  EXPECT_EQ(read("dst/Pic.jpg"), "data");
}

TEST_F(Copier, ModesDecideOverExistingCopies) {
  std::string src = write("src/p.jpg", "new");
  std::string dst = write("dst/p.jpg", "old");
  EXPECT_EQ(bincopy(0, src.c_str(), dst.c_str()), 0);
  EXPECT_EQ(read("dst/p.jpg"), "old");
  struct timespec past[2] = {{1000, 0}, {1000, 0}};
  utimensat(AT_FDCWD, dst.c_str(), past, 0);
  EXPECT_EQ(bincopy(2, src.c_str(), dst.c_str()), 0);
  EXPECT_EQ(read("dst/p.jpg"), "new");
  write("dst/p.jpg", "newer");
  EXPECT_EQ(bincopy(2, src.c_str(), dst.c_str()), 0);
  EXPECT_EQ(read("dst/p.jpg"), "newer");
  EXPECT_EQ(bincopy(3, src.c_str(), dst.c_str()), 0);
  EXPECT_EQ(read("dst/p.jpg"), "new");
  EXPECT_EQ(bincopy(3, path("src").c_str(), dst.c_str()), -1);  // a folder is no source
}

TEST_F(Copier, MirrorFolderDoesNotDeleteAFileInTheWay) {
  write("base/a", "precious");
  std::string rel;
  EXPECT_EQ(make_mirror_folder("/root/a/b/x.jpg", "/root", path("base").c_str(), &rel), -1);
  EXPECT_EQ(read("base/a"), "precious");
  EXPECT_EQ(make_mirror_folder("/root/c/d/x.jpg", "/root", path("base").c_str(), &rel), 0);
  EXPECT_EQ(rel, "/c/d");
  EXPECT_TRUE(fs::is_directory(path("base/c/d")));
  EXPECT_EQ(make_mirror_folder("/root/x.jpg", "/root", path("base").c_str(), &rel), 0);
  EXPECT_EQ(rel, "");
}

}  // namespace
