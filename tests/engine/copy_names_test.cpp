// Copies and thumbnails of pictures whose names collide once the copier or the
// thumbnail maker has renamed them (a.JPG / a.jpg, cat.png / cat.jpg), and the
// temporaries a killed run leaves behind.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "collect/collect_steps.h"
#include "collect/distinct_names.h"
#include "core/file_list.h"
#include "core/text.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

// Every value between `open` and the next `close` in `text`.
std::vector<std::string> values_between(const std::string &text, const std::string &open, char close) {
  std::vector<std::string> out;
  for (size_t p = text.find(open); p != std::string::npos; p = text.find(open, p + 1)) {
    size_t start = p + open.size();
    out.push_back(text.substr(start, text.find(close, start) - start));
  }
  return out;
}

std::vector<std::string> files_in(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The id of a process that has ended (and been reaped).
pid_t dead_pid() {
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

class WholeRun : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    settings_ = mkdir("prog");
    out_ = mkdir("out");
    target_ = mkdir("pics");
    std::string ini;
    ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini));
    write("prog/quillo.ini", ini);
    fs::copy(program_dir() + "/html", settings_ + "/html",
             fs::copy_options::recursive);  // the page templates
    ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
    ZunoPutStr(ZUNO_OutputPath, out_.c_str());
    ZunoPut(ZUNO_CpuPriority, 100);
  }
  // Prepares, gathers and writes the catalog as the front end does; the list is
  // kept for the thumbnail iteration. Returns the last gathering status.
  std::string run() {
    EXPECT_EQ(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
    char area[ZUNO_BUFSIZE] = "";
    char *buf = area;
    for (int i = 0; i < 20; ++i) {
      ZunoGetFiles(&buf);
      if (std::string(area) == "完了" || std::string(area) == "エラー") break;
    }
    if (std::string(area) == "完了") {
      EXPECT_GT(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0) << engine().last_error;
    }
    return area;
  }
  void end_run() { ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr); }
  std::string catalog() const { return out_ + "/pics/html_1"; }
  std::string page() const { return read(catalog() + "/index000000.html"); }
  std::string images() const { return out_ + "/pics/Images"; }
  // A page's link address or thumbnail source as a file path.
  std::string file_of(const std::string &address) const {
    if (!address.empty() && address[0] == '/') return address;
    return fs::path(catalog() + "/" + address).lexically_normal().string();
  }
  // Source path -> thumbnail path, as get_thumbinfo hands them to the front end.
  std::map<std::string, std::string> thumbnails() {
    std::map<std::string, std::string> out;
    char src_area[ZUNO_BUFSIZE], thumb_area[ZUNO_BUFSIZE];
    char *src = src_area, *thumb = thumb_area;
    int dw, dh, w, h;
    while (ZunoGetThumbInfo(&src, &thumb, &dw, &dh, &w, &h) == 1) out[src_area] = thumb_area;
    return out;
  }

  std::string settings_, out_, target_;
};

TEST_F(WholeRun, ExtensionsDifferingInCaseAreCopiedToTwoFilesThatThePageLinks) {
  std::string upper = picture("pics/a.JPG", 160, 120);
  std::string lower = picture("pics/a.jpg", 120, 90);
  ASSERT_NE(read(upper), read(lower));
  ZunoPut(ZUNO_FileCopy, 1);
  ZunoPut(ZUNO_CopyMode, 3);
  ASSERT_EQ(run(), "完了");
  EXPECT_EQ(files_in(images()), (std::vector<std::string>{"a.jpg", "a~JPG.jpg"}));
  EXPECT_EQ(read(images() + "/a.jpg"), read(lower));
  EXPECT_EQ(read(images() + "/a~JPG.jpg"), read(upper));
  // Each link opens a file that exists, and together they show both pictures.
  std::set<std::string> shown;
  for (const std::string &address : values_between(page(), "showcg('", '\'')) {
    std::string file = file_of(address);
    ASSERT_TRUE(fs::is_regular_file(file)) << address;
    shown.insert(read(file));
  }
  EXPECT_EQ(shown, (std::set<std::string>{read(upper), read(lower)}));
  end_run();
}

TEST_F(WholeRun, ReRunsFindTheirCopiesInsteadOfAddingSuffixedOnes) {
  std::string upper = picture("pics/a.JPG", 160, 120);
  std::string lower = picture("pics/a.jpg", 120, 90);
  ZunoPut(ZUNO_FileCopy, 1);
  ZunoPut(ZUNO_AutoIncrement, 0);  // one catalog folder, reused
  const std::vector<std::string> both = {"a.jpg", "a~JPG.jpg"};
  for (int mode : {3, 2, 0, 1}) {
    ZunoPut(ZUNO_CopyMode, mode);
    ASSERT_EQ(run(), "完了") << "mode " << mode;
    end_run();
    EXPECT_EQ(files_in(images()), both) << "mode " << mode;
  }
  // The opposite sort order lists them the other way round; the names stay.
  ZunoPut(ZUNO_SortMode, 1);
  ZunoPut(ZUNO_CopyMode, 3);
  ASSERT_EQ(run(), "完了");
  end_run();
  EXPECT_EQ(files_in(images()), both);
  EXPECT_EQ(read(images() + "/a.jpg"), read(lower));
  EXPECT_EQ(read(images() + "/a~JPG.jpg"), read(upper));
  // Keeping mode finds the suffixed copy of the last run and leaves it as it is.
  write("out/pics/Images/a~JPG.jpg", "kept");
  ZunoPut(ZUNO_CopyMode, 0);
  run();
  end_run();
  EXPECT_EQ(read(images() + "/a~JPG.jpg"), "kept");
  EXPECT_EQ(files_in(images()), both);
}

TEST_F(WholeRun, PicturesSharingANameGetTwoThumbnailsThatThePageShows) {
  std::string png = picture("pics/cat.png", 160, 120);
  std::string jpg = picture("pics/cat.jpg", 120, 160);
  picture("pics/dog.png", 100, 100);
  ZunoPut(ZUNO_MakeThumbnail, 1);
  ASSERT_EQ(run(), "完了");
  std::map<std::string, std::string> thumbs = thumbnails();
  ASSERT_EQ(thumbs.size(), 3u);
  EXPECT_EQ(thumbs[jpg], catalog() + "/Thumbs/cat.jpg");
  EXPECT_EQ(thumbs[png], catalog() + "/Thumbs/cat~png.jpg");
  EXPECT_EQ(thumbs[target_ + "/dog.png"], catalog() + "/Thumbs/dog.jpg");  // no clash, no suffix
  // The page pairs each picture with the thumbnail made for it.
  std::vector<std::string> links = values_between(page(), "showcg('", '\'');
  std::vector<std::string> sources = values_between(page(), "<img src=\"", '"');
  ASSERT_EQ(links.size(), 3u);
  ASSERT_EQ(sources.size(), 3u);
  for (size_t i = 0; i < links.size(); ++i)
    EXPECT_EQ(file_of(sources[i]), thumbs[file_of(links[i])]) << links[i];
  end_run();
}

TEST_F(WholeRun, CopiedPicturesGetTheThumbnailsThePageNames) {
  picture("pics/s/cat.png", 160, 120);
  picture("pics/s/cat.jpg", 120, 160);
  picture("pics/s/cat.JPG", 100, 160);
  ZunoPut(ZUNO_FileCopy, 1);
  ZunoPut(ZUNO_MakeThumbnail, 1);
  ASSERT_EQ(run(), "完了");
  std::map<std::string, std::string> thumbs = thumbnails();
  ASSERT_EQ(thumbs.size(), 3u);
  std::set<std::string> distinct;
  for (const auto &[source, thumb] : thumbs) {
    EXPECT_EQ(thumb.rfind(catalog() + "/Thumbs/s/", 0), 0u) << thumb;
    distinct.insert(thumb);
  }
  EXPECT_EQ(distinct.size(), 3u);
  EXPECT_TRUE(fs::is_directory(catalog() + "/Thumbs/s"));
  std::vector<std::string> links = values_between(page(), "showcg('", '\'');
  std::vector<std::string> sources = values_between(page(), "<img src=\"", '"');
  ASSERT_EQ(links.size(), 3u);
  for (size_t i = 0; i < links.size(); ++i)
    EXPECT_EQ(file_of(sources[i]), thumbs[file_of(links[i])]) << links[i];
  end_run();
}

TEST_F(WholeRun, LeftoversOfAKilledCopyNeitherFailTheNextNorStay) {
  std::string pic = picture("pics/x.jpg", 120, 90);
  std::string stale = "x.jpg.part" + std::to_string(dead_pid()) + "_1";
  write("out/pics/Images/" + stale, "half a copy");
  write("out/pics/Images/x.jpg.part", "older half copy");  // named before copies carried the process id
  ZunoPut(ZUNO_FileCopy, 1);
  ZunoPut(ZUNO_CopyMode, 3);
  ASSERT_EQ(run(), "完了");
  end_run();
  EXPECT_EQ(read(images() + "/x.jpg"), read(pic));
  EXPECT_FALSE(fs::exists(images() + "/" + stale));
  // Not recognisably ours, so not ours to delete.
  EXPECT_EQ(read(images() + "/x.jpg.part"), "older half copy");
}

class Temporaries : public EngineTest {};

TEST_F(Temporaries, OnlyPlainFilesOfEndedProcessesAreRemoved) {
  std::string folder = mkdir("f");
  std::string dead = std::to_string(dead_pid());
  write("f/a.jpg.part" + dead + "_3", "stale");
  write("f/b.html.part" + dead + "_12", "stale");
  write("f/mine.jpg.part" + std::to_string(getpid()) + "_1", "live");
  write("f/parent.jpg.part" + std::to_string(getppid()) + "_1", "live");
  write("f/c.jpg.part" + dead + "_x", "not ours");
  write("f/d.jpg.part_1", "not ours");
  write("f/e.jpg.part0_1", "not ours");
  write("f/g.part" + dead + "_1.jpg", "not ours");
  mkdir("f/h.part" + dead + "_1");
  write("elsewhere", "target of a link");
  fs::create_symlink(path("elsewhere"), folder + "/i.part" + dead + "_1");
  EXPECT_EQ(plat::remove_stale_temporaries(folder), 2);
  EXPECT_EQ(files_in(folder).size(), 8u);
  EXPECT_FALSE(fs::exists(folder + "/a.jpg.part" + dead + "_3"));
  EXPECT_EQ(read("f/mine.jpg.part" + std::to_string(getpid()) + "_1"), "live");
  EXPECT_EQ(read("elsewhere"), "target of a link");
  EXPECT_EQ(plat::remove_stale_temporaries(path("missing")), 0);
}

TEST_F(Temporaries, EveryTemporaryNameIsFreshAndCarriesTheProcessId) {
  std::string target = path("p.html");
  std::string first = plat::temporary_name(target);
  EXPECT_EQ(first.rfind(target + ".part" + std::to_string(getpid()) + "_", 0), 0u);
  EXPECT_NE(plat::temporary_name(target), first);
  // A leftover that holds the next name (an earlier process with our id) is stepped over.
  std::string probe = plat::temporary_name(target);
  std::string serial = probe.substr(probe.rfind('_') + 1);
  std::string next =
      target + ".part" + std::to_string(getpid()) + "_" + std::to_string(std::stoul(serial) + 1);
  write("p.html.part" + std::to_string(getpid()) + "_" + std::to_string(std::stoul(serial) + 1), "leftover");
  std::string tmp;
  int fd = plat::open_temporary(target, &tmp);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_NE(tmp, next);
  EXPECT_EQ(read(next), "leftover");
  plat::remove_file(tmp);
  ASSERT_EQ(plat::write_file_atomic(target, "page"), 0);
  EXPECT_EQ(read("p.html"), "page");
  EXPECT_EQ(files_in(dir_).size(), 2u);  // the page and the leftover, no temporary of its own
}

TEST_F(Temporaries, ACopyOverAnOldStyleLeftoverSucceeds) {
  std::string src = write("src/p.jpg", "picture");
  write("dst/p.jpg.part", "left by a killed copy");
  std::string copied;
  ASSERT_EQ(bincopy(3, src.c_str(), path("dst").c_str(), &copied), 0);
  EXPECT_EQ(read(copied), "picture");
  EXPECT_EQ(files_in(path("dst")), (std::vector<std::string>{"p.jpg", "p.jpg.part"}));
}

TEST(DistinctNames, KeepsUniqueNamesAndSuffixesTheOthersWhateverTheOrder) {
  std::vector<NameWish> wishes = {{"/i", "a.jpg", "a.JPG"}, {"/i", "a.jpg", "a.jpg"},
                                  {"/i", "b.jpg", "b.Jpg"}, {"/i", "b.jpg", "b.JPG"},
                                  {"/j", "a.jpg", "a.JPG"}, {"/i", "d.jpg", "d.jpg"}};
  std::vector<std::string> names = distinct_names(wishes);
  EXPECT_EQ(names,
            (std::vector<std::string>{"a~JPG.jpg", "a.jpg", "b~Jpg.jpg", "b~JPG.jpg", "a.jpg", "d.jpg"}));
  std::reverse(wishes.begin(), wishes.end());
  std::vector<std::string> reversed = distinct_names(wishes);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(reversed, names);
}

TEST(DistinctNames, ASuffixThatIsTakenGetsACounter) {
  // The copier's wishes for a.JPG, a.jpg and a~JPG.JPG in one folder, and two
  // thumbnails for "c" and "c.jpg".
  std::vector<NameWish> wishes = {{"/i", "a.jpg", "a.JPG"},
                                  {"/i", "a.jpg", "a.jpg"},
                                  {"/i", "a~JPG.jpg", "a~JPG.JPG"},
                                  {"/i", "c.jpg", "c"},
                                  {"/i", "c.jpg", "c.jpg"}};
  EXPECT_EQ(distinct_names(wishes),
            (std::vector<std::string>{"a~JPG~2.jpg", "a.jpg", "a~JPG.jpg", "c~2.jpg", "c.jpg"}));
}

}  // namespace
