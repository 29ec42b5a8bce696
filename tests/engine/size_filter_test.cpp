// The size test (SearchSizeType): which pictures a run keeps for each mode. Every
// mode is told apart from the others by the same four shapes, so a mode that
// tests the wrong side, or two modes swapped, shows.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "collect/collect_steps.h"
#include "core/file_list.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLimit = 100;  // MaxX and MaxY alike

struct Shape {
  const char *name;
  int w, h;
};
// Wide passes only on width, tall only on height, big on both, small on neither.
const Shape kShapes[] = {{"wide", 300, 40}, {"tall", 40, 300}, {"big", 300, 300}, {"small", 40, 40}};

// The shapes each mode keeps: 0 none tested, 1 width, 2 height, 3 both, 4 either.
const std::set<std::string> kKept[] = {
    {"wide", "tall", "big", "small"}, {"wide", "big"}, {"tall", "big"}, {"big"}, {"wide", "tall", "big"},
};

class SizeFilter : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ZunoRecord &r = engine().rec;
    r.MaxX = kLimit;
    r.MaxY = kLimit;
    r.BannerX = 468;  // no shape here is banner-sized
    r.BannerY = 60;
  }
};

TEST_F(SizeFilter, EachModeKeepsExactlyItsShapes) {
  ZunoRecord &r = engine().rec;
  for (int mode = 0; mode <= 4; ++mode) {
    r.SearchSizeType = mode;
    std::set<std::string> kept;
    for (const Shape &s : kShapes)
      if (accept_picture(&r, s.w, s.h, nullptr) == 1) kept.insert(s.name);
    EXPECT_EQ(kept, kKept[mode]) << "mode " << mode;
  }
}

TEST_F(SizeFilter, HeightAndEitherModesTakeTheLimitItself) {
  ZunoRecord &r = engine().rec;
  r.SearchSizeType = 2;
  EXPECT_EQ(accept_picture(&r, 1, kLimit, nullptr), 1);
  EXPECT_EQ(accept_picture(&r, 1000, kLimit - 1, nullptr), 0);  // width never helps
  r.SearchSizeType = 4;
  EXPECT_EQ(accept_picture(&r, kLimit, 1, nullptr), 1);
  EXPECT_EQ(accept_picture(&r, 1, kLimit, nullptr), 1);
  EXPECT_EQ(accept_picture(&r, kLimit - 1, kLimit - 1, nullptr), 0);
}

// Whole runs over real pictures, set through the accessors as the front end does.
class SizeFilterRun : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::string settings = mkdir("prog");
    out_ = mkdir("out");
    target_ = mkdir("pics");
    std::string ini;
    ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini));
    write("prog/quillo.ini", ini);
    ASSERT_EQ(ZunoInit(settings.c_str()), 0);
    ZunoPutStr(ZUNO_OutputPath, out_.c_str());
    ZunoPut(ZUNO_CpuPriority, 100);
    ZunoPut(ZUNO_FileCopy, 0);
    ZunoPut(ZUNO_MaxX, kLimit);
    ZunoPut(ZUNO_MaxY, kLimit);
    ZunoPut(ZUNO_YXRatio, 0);
    ZunoPut(ZUNO_Banner, 0);
    for (const Shape &s : kShapes) picture(std::string("pics/") + s.name + ".png", s.w, s.h);
    settings_ = settings;
  }
  // The names (without ".png") of the pictures a run with this mode keeps.
  std::set<std::string> run_with_mode(int mode) {
    ZunoPut(ZUNO_SearchSizeType, mode);
    EXPECT_EQ(ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
    char area[ZUNO_BUFSIZE] = "";
    char *buf = area;
    for (int i = 0; i < 20 && std::string(area) != "完了"; ++i) {
      ZunoGetFiles(&buf);
      EXPECT_NE(std::string(area), "エラー") << engine().last_error;
    }
    std::set<std::string> kept;
    for (FileNode *n = &engine().files; is_listed(n); n = n->next)
      if (n->passed) kept.insert(fs::path(n->path).stem().string());
    return kept;
  }
  std::string settings_, out_, target_;
};

TEST_F(SizeFilterRun, HeightModeKeepsTallAndBigPictures) {
  EXPECT_EQ(run_with_mode(2), kKept[2]);
}

TEST_F(SizeFilterRun, EitherModeKeepsAllButTheSmallPicture) {
  EXPECT_EQ(run_with_mode(4), kKept[4]);
}

}  // namespace
