// The clean-up of the cache backup on real pictures: each rule marks what it should
// and nothing else, mode 1 stops once the backup fits its budget (largest first),
// nothing is deleted before the user confirms, and the cache entry goes with its
// copy only when the copy is still the same size.
#include <filesystem>
#include <set>
#include <string>

#include "core/engine_state.h"
#include "core/file_list.h"
#include "core/text.h"
#include "maintenance_fixture.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

class CacheCleanUp : public MaintenanceTest {
 protected:
  void SetUp() override {
    MaintenanceTest::SetUp();
    mkdir("profile/Local Settings/Temporary Internet Files/Content.IE5/ABCD1234");
    copies_ = backup_ + "/Content.IE5/ABCD1234/";
    picture(below("big.jpg"), 400, 300);
    picture(below("small.gif"), 20, 20);
    picture(below("long.png"), 600, 50);
    picture(below("banner.gif"), 468, 60);
    const int settings[][2] = {{ZUNO_CacheLimit, 0},  {ZUNO_CacheSize, 0},        {ZUNO_CacheX, 32},
                               {ZUNO_CacheY, 32},     {ZUNO_CacheSRatio, 1000},   {ZUNO_CacheBanner, 0},
                               {ZUNO_CacheHRatio, 1}, {ZUNO_CacheCheckBroken, 0}, {ZUNO_BannerX, 468},
                               {ZUNO_BannerY, 60},    {ZUNO_BannerMargin, 0},     {ZUNO_MakeThumbnail, 0},
                               {ZUNO_YXRatio, 40},    {ZUNO_SubdirDepth, 5},      {ZUNO_DelCache, 0}};
    for (const auto &s : settings) ZunoPut(s[0], s[1]);
  }
  // A name of the backup's subfolder, relative to the test's folder.
  std::string below(const std::string &name) const {
    return "out/Temporary Internet Files/Images/Content.IE5/ABCD1234/" + name;
  }
  std::set<std::string> marked() const {
    std::set<std::string> names;
    for (FileNode *n = engine().files.next ? &engine().files : nullptr; is_listed(n); n = n->next)
      if (n->mark == 1) names.insert(last_component(n->path));
    return names;
  }
  bool kept(const std::string &name) const { return fs::exists(path(below(name))); }
  std::string copies_;
};

using Names = std::set<std::string>;

TEST_F(CacheCleanUp, PixelSizeMarksTheSmallPictureAndNothingGoesBeforeConfirmation) {
  EXPECT_EQ(ZunoCacheCheck(0), 1);
  EXPECT_EQ(marked(), Names{"small.gif"});
  EXPECT_EQ(engine().busy, 1);
  EXPECT_TRUE(kept("small.gif"));
  EXPECT_EQ(ZunoCacheDel(0), 0);  // cancelled
  EXPECT_EQ(engine().busy, 0);
  for (const char *name : {"big.jpg", "small.gif", "long.png", "banner.gif"}) EXPECT_TRUE(kept(name)) << name;
}

TEST_F(CacheCleanUp, ConfirmedDeletionRemovesOnlyTheMarkedCopies) {
  ASSERT_EQ(ZunoCacheCheck(0), 1);
  EXPECT_EQ(ZunoCacheDel(1), 0);
  EXPECT_FALSE(kept("small.gif"));
  EXPECT_TRUE(kept("big.jpg") && kept("long.png") && kept("banner.gif"));
  EXPECT_EQ(engine().busy, 0);
  EXPECT_FALSE(is_listed(&engine().files));
}

TEST_F(CacheCleanUp, TheFileSizeRuleMarksATinyGif) {
  ZunoPut(ZUNO_CacheX, 0);
  ZunoPut(ZUNO_CacheY, 0);
  ZunoPut(ZUNO_CacheSize, 1);
  picture(below("dot.gif"), 2, 2);
  ASSERT_LT(fs::file_size(path(below("dot.gif"))), 1024u);
  EXPECT_GE(ZunoCacheCheck(0), 1);
  EXPECT_EQ(marked().count("dot.gif"), 1u);
  EXPECT_EQ(marked().count("big.jpg"), 0u);
}

TEST_F(CacheCleanUp, ElongatedPicturesAreMarkedUnlessSlenderOnesAreKept) {
  ZunoPut(ZUNO_CacheHRatio, 0);
  EXPECT_EQ(ZunoCacheCheck(0), 3);
  EXPECT_EQ(marked(), (Names{"banner.gif", "long.png", "small.gif"}));
}

TEST_F(CacheCleanUp, BannersStayWhenAskedUnlessTheyAreDamagedAndDamageCounts) {
  ZunoPut(ZUNO_CacheHRatio, 0);
  ZunoPut(ZUNO_CacheBanner, 1);
  EXPECT_EQ(ZunoCacheCheck(0), 2);
  EXPECT_EQ(marked(), (Names{"long.png", "small.gif"}));
  ZunoCacheDel(0);
  // A banner cut short: its end marker is gone.
  std::string bytes = read(below("banner.gif"));
  fs::remove(path(below("banner.gif")));
  write(below("cut.gif"), bytes.substr(0, bytes.size() - 1));
  ZunoPut(ZUNO_CacheCheckBroken, 1);
  EXPECT_EQ(ZunoCacheCheck(0), 3);
  EXPECT_EQ(marked(), (Names{"cut.gif", "long.png", "small.gif"}));
}

TEST_F(CacheCleanUp, SimplePicturesAreMarkedByPixelsPerByte) {
  picture(below("plain.png"), 400, 400, "-fill white -draw 'rectangle 0,0 400,400'");
  ZunoPut(ZUNO_CacheSRatio, 50);
  EXPECT_EQ(ZunoCacheCheck(0), 2);
  EXPECT_EQ(marked(), (Names{"plain.png", "small.gif"}));
}

TEST_F(CacheCleanUp, ReadOnlyCopiesAreNeverCandidates) {
  ASSERT_EQ(ZunoChangeFileMode(1024, path(below("small.gif")).c_str()), 0);
  EXPECT_EQ(ZunoCacheCheck(0), 0);
  ZunoCacheDel(1);
  EXPECT_TRUE(kept("small.gif"));
}

TEST_F(CacheCleanUp, ModeOneBelowTheBudgetMarksNothing) {
  ZunoPut(ZUNO_CacheLimit, 1);  // the backup holds far less than a mebibyte
  EXPECT_EQ(ZunoCacheCheck(1), -1);
  EXPECT_TRUE(marked().empty());
  ZunoCacheDel(1);
  EXPECT_TRUE(kept("small.gif"));
}

TEST_F(CacheCleanUp, ModeOneTakesTheLargestFirstAndStopsOnceTheBackupFits) {
  picture(below("huge.png"), 900, 900, "+noise Random");
  picture(below("large.png"), 700, 700, "+noise Random");
  auto mib = [&](const char *name) { return fs::file_size(path(below(name))) / 1048576.0; };
  ASSERT_GT(mib("huge.png"), 1.5);
  ASSERT_GT(mib("large.png"), 1.0);
  ZunoPut(ZUNO_CacheSize, 100000);  // every picture is a candidate by size
  // The budget sits just above what is left once the largest picture is gone.
  double total = 0;
  for (const auto &entry : fs::directory_iterator(path(below(""))))
    total += fs::file_size(entry.path()) / 1048576.0;
  int limit = static_cast<int>(total - mib("huge.png")) + 1;
  ASSERT_LT(limit, total);
  ZunoPut(ZUNO_CacheLimit, limit);
  EXPECT_EQ(ZunoCacheCheck(1), 1);
  EXPECT_EQ(marked(), Names{"huge.png"});
  ZunoCacheDel(0);
  EXPECT_EQ(ZunoCacheCheck(0), 6);  // any other mode judges every picture
  ZunoCacheDel(0);
}

TEST_F(CacheCleanUp, TheCacheEntryGoesWithItsCopyOnlyWhileItIsTheSameSize) {
  std::string live = cache_ + "/Content.IE5/ABCD1234/";
  fs::copy_file(path(below("small.gif")), live + "small.gif");
  picture(below("tiny.gif"), 10, 10);
  write("profile/Local Settings/Temporary Internet Files/Content.IE5/ABCD1234/tiny.gif", "changed since");
  ZunoPut(ZUNO_DelCache, 1);
  ASSERT_EQ(ZunoCacheCheck(0), 2);
  ZunoCacheDel(1);
  EXPECT_FALSE(fs::exists(live + "small.gif"));
  EXPECT_TRUE(fs::exists(live + "tiny.gif"));
  EXPECT_FALSE(kept("tiny.gif"));
}

TEST_F(CacheCleanUp, WithoutABackupTheCheckFailsAndSaysSo) {
  fs::remove_all(backup_);
  EXPECT_EQ(ZunoCacheCheck(0), -1);
  EXPECT_NE(std::string(engine().last_error).find("キャッシュのバックアップがありません"), std::string::npos);
  EXPECT_EQ(ZunoCacheDel(0), 0);
}

TEST_F(CacheCleanUp, WithoutACacheLocationTheCheckFailsAndSaysSo) {
  use_desktop_folders();
  EXPECT_EQ(ZunoCacheCheck(0), -1);
  EXPECT_NE(std::string(engine().last_error).find("キャッシュファイルの位置を特定出来無い"),
            std::string::npos);
  ZunoCacheDel(0);
}

}  // namespace
