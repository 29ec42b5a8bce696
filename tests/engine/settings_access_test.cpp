// Settings by number: the conversions the front end relies on and the -1 answers.
#include <cstring>

#include "core/text.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace {

class Accessors : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    write("quillo.ini", "[Size]\nPriority=3\n[System]\nLastBackUpTime=1234\n[SearchType]\nBannerMargin=7\n");
    ASSERT_EQ(ZunoInit(dir_.c_str()), 0);
  }
};

TEST_F(Accessors, AnswerMinusOneWhileNotInitialised) {
  ASSERT_EQ(ZunoFlash(), 0);
  char area[ZUNO_BUFSIZE] = "untouched";
  char *buf = area;
  EXPECT_EQ(ZunoGet(2), -1);
  EXPECT_EQ(ZunoPut(2, 1), -1);
  EXPECT_EQ(ZunoGetStr(8, &buf), -1);
  EXPECT_EQ(ZunoPutStr(8, "/x"), -1);
  EXPECT_EQ(ZunoFlash(), -1);
  EXPECT_STREQ(area, "untouched");
}

TEST_F(Accessors, ColoursCrossInTheFrontEndsByteOrder) {
  ASSERT_EQ(ZunoPut(13, 0x0000FF), 0);
  EXPECT_EQ(engine().rec.ColorValue[0], 0xFF0000);
  EXPECT_STREQ(engine().rec.BgColor, "#FF0000");
  EXPECT_EQ(ZunoGet(13), 0x0000FF);
  ASSERT_EQ(ZunoPut(17, 0x123456), 0);
  EXPECT_STREQ(engine().rec.VLinkColor, "#563412");
  EXPECT_EQ(ZunoGet(100), 0);  // putting a colour leaves the mask alone
}

TEST_F(Accessors, RatioIsTenfold) {
  ASSERT_EQ(ZunoPut(29, 15), 0);
  EXPECT_FLOAT_EQ(engine().rec.YXRatio, 1.5f);
  EXPECT_EQ(ZunoGet(29), 15);
}

TEST_F(Accessors, AgeChoiceSetsThreshold) {
  ZunoTime now = plat::now();
  ASSERT_EQ(ZunoPut(44, 9), 0);
  EXPECT_EQ(ZunoGet(44), 9);
  EXPECT_NEAR(static_cast<double>(engine().rec.AgeThreshold), static_cast<double>(now - 3 * 86400), 5);
  ZunoPut(44, 2);
  EXPECT_NEAR(static_cast<double>(engine().rec.AgeThreshold), static_cast<double>(now - 1800), 5);
  ZunoPut(44, 0);
  EXPECT_EQ(engine().rec.AgeThreshold, 0);
  ZunoPut(44, -1);
  EXPECT_EQ(engine().rec.AgeThreshold, 1234);
}

TEST_F(Accessors, NumbersOutsideTheTableAndFileOnlyKeysAreRefused) {
  for (int n : {0, 1, 8, 37, 50, 55, 59, 61, 99, 101, -3}) EXPECT_EQ(ZunoGet(n), -1) << n;
  for (int n : {37, 50, 55, 59, 61, 101}) EXPECT_EQ(ZunoPut(n, 1), -1) << n;
  EXPECT_EQ(engine().rec.BannerMargin, 7);
}

TEST_F(Accessors, TextSettingsGoThroughTheStringCalls) {
  EXPECT_EQ(ZunoPut(8, 5), 0);  // accepted and ignored
  ASSERT_EQ(ZunoPutStr(8, "/data/out"), 0);
  EXPECT_STREQ(engine().rec.OutputPath, "/data/out");
  EXPECT_STREQ(engine().rec.SavedOutputPath, "/data/out");
  char area[ZUNO_BUFSIZE];
  char *buf = area;
  ASSERT_EQ(ZunoGetStr(8, &buf), 0);
  EXPECT_STREQ(area, "/data/out");
  EXPECT_EQ(ZunoPutStr(9, "/x"), -1);
  ASSERT_EQ(ZunoPutStr(59, nullptr), 0);
  EXPECT_STREQ(engine().rec.LastSearchString, "");
  EXPECT_EQ(ZunoGetStr(2, &buf), -1);
}

TEST_F(Accessors, OverlongTextIsCutAtTheFieldAndCallerBuffersAreNeverOverrun) {
  std::string big(1000, 'x');
  ASSERT_EQ(ZunoPutStr(1, big.c_str()), 0);
  EXPECT_EQ(strlen(engine().rec.TargetPath), 255u);
  char area[ZUNO_BUFSIZE + 8];
  memset(area, '#', sizeof area);
  char *buf = area;
  ASSERT_EQ(ZunoGetStr(1, &buf), 0);
  EXPECT_EQ(strlen(area), 255u);
  EXPECT_EQ(area[ZUNO_BUFSIZE], '#');
}

TEST_F(Accessors, CutKeepsUtf8Whole) {
  std::string name;
  while (name.size() < 300) name += "写";
  ASSERT_EQ(ZunoPutStr(59, name.c_str()), 0);
  size_t n = strlen(engine().rec.LastSearchString);
  EXPECT_LE(n, 255u);
  EXPECT_EQ(n % 3, 0u);
}

}  // namespace
