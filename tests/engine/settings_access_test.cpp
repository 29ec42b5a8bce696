// Settings by number: the conversions the front end relies on and the -1 answers.
#include <cstring>
#include <initializer_list>

#include "core/text.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "settings/settings_table.h"
#include "zuno.h"

namespace {

// Numbers no setting has: below the first, between the file's last and the colour mask, beyond the mask.
constexpr int kNoSetting = 0;
constexpr int kBeforeTheMask = ZUNO_ColorMask - 1;
constexpr int kPastTheMask = ZUNO_ColorMask + 1;
// The number after the file's last setting.
const int kPastTheFile = [] {
  int last = 0;
  for (const SettingInfo &s : all_settings())
    if (s.key && s.number > last) last = s.number;
  return last + 1;
}();

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
  EXPECT_EQ(ZunoGet(ZUNO_Priority), -1);
  EXPECT_EQ(ZunoPut(ZUNO_Priority, 1), -1);
  EXPECT_EQ(ZunoGetStr(ZUNO_OutputPath, &buf), -1);
  EXPECT_EQ(ZunoPutStr(ZUNO_OutputPath, "/x"), -1);
  EXPECT_EQ(ZunoFlash(), -1);
  EXPECT_STREQ(area, "untouched");
}

TEST_F(Accessors, ColoursCrossInTheFrontEndsByteOrder) {
  ASSERT_EQ(ZunoPut(ZUNO_BgColor, 0x0000FF), 0);
  EXPECT_EQ(engine().rec.ColorValue[0], 0xFF0000);
  EXPECT_STREQ(engine().rec.BgColor, "#FF0000");
  EXPECT_EQ(ZunoGet(ZUNO_BgColor), 0x0000FF);
  ASSERT_EQ(ZunoPut(ZUNO_VLinkColor, 0x123456), 0);
  EXPECT_STREQ(engine().rec.VLinkColor, "#563412");
  EXPECT_EQ(ZunoGet(ZUNO_ColorMask), 0);  // putting a colour leaves the mask alone
}

TEST_F(Accessors, RatioIsTenfold) {
  ASSERT_EQ(ZunoPut(ZUNO_YXRatio, 15), 0);
  EXPECT_FLOAT_EQ(engine().rec.YXRatio, 1.5f);
  EXPECT_EQ(ZunoGet(ZUNO_YXRatio), 15);
  // Every tenth survives a round trip, and so keeps its value over restarts.
  for (int tenths = 0; tenths <= 100; ++tenths) {
    ASSERT_EQ(ZunoPut(ZUNO_YXRatio, tenths), 0);
    EXPECT_EQ(ZunoGet(ZUNO_YXRatio), tenths);
  }
  // As text it is taken as the settings file takes it, finer than tenths.
  ASSERT_EQ(ZunoPutStr(ZUNO_YXRatio, "1.25"), 0);
  EXPECT_FLOAT_EQ(engine().rec.YXRatio, 1.25f);
  EXPECT_EQ(ZunoGet(ZUNO_YXRatio), 13);
}

TEST_F(Accessors, AgeChoiceSetsThreshold) {
  ZunoTime now = plat::now();
  ASSERT_EQ(ZunoPut(ZUNO_UnderLimits, 9), 0);
  EXPECT_EQ(ZunoGet(ZUNO_UnderLimits), 9);
  EXPECT_NEAR(static_cast<double>(engine().rec.AgeThreshold), static_cast<double>(now - 3 * 86400), 5);
  ZunoPut(ZUNO_UnderLimits, 2);
  EXPECT_NEAR(static_cast<double>(engine().rec.AgeThreshold), static_cast<double>(now - 1800), 5);
  ZunoPut(ZUNO_UnderLimits, 0);
  EXPECT_EQ(engine().rec.AgeThreshold, 0);
  ZunoPut(ZUNO_UnderLimits, -1);
  EXPECT_EQ(engine().rec.AgeThreshold, 1234);
}

TEST_F(Accessors, NumbersOutsideTheTableAndFileOnlyKeysAreRefused) {
  for (int n : std::initializer_list<int>{kNoSetting, ZUNO_TargetPath, ZUNO_OutputPath, ZUNO_HtmlOut,
                                          ZUNO_BannerMargin, ZUNO_LastBackUpTime, ZUNO_LastSearchString,
                                          kPastTheFile, kBeforeTheMask, kPastTheMask, -3})
    EXPECT_EQ(ZunoGet(n), -1) << n;
  for (int n : std::initializer_list<int>{ZUNO_HtmlOut, ZUNO_BannerMargin, ZUNO_LastBackUpTime,
                                          ZUNO_LastSearchString, kPastTheFile, kPastTheMask})
    EXPECT_EQ(ZunoPut(n, 1), -1) << n;
  EXPECT_EQ(engine().rec.BannerMargin, 7);
}

TEST_F(Accessors, TextSettingsGoThroughTheStringCalls) {
  EXPECT_EQ(ZunoPut(ZUNO_OutputPath, 5), 0);  // accepted and ignored
  ASSERT_EQ(ZunoPutStr(ZUNO_OutputPath, "/data/out"), 0);
  EXPECT_STREQ(engine().rec.OutputPath, "/data/out");
  EXPECT_STREQ(engine().rec.SavedOutputPath, "/data/out");
  char area[ZUNO_BUFSIZE];
  char *buf = area;
  ASSERT_EQ(ZunoGetStr(ZUNO_OutputPath, &buf), 0);
  EXPECT_STREQ(area, "/data/out");
  EXPECT_EQ(ZunoPutStr(ZUNO_ExecPath, "/x"), -1);
  ASSERT_EQ(ZunoPutStr(ZUNO_LastSearchString, nullptr), 0);
  EXPECT_STREQ(engine().rec.LastSearchString, "");
  EXPECT_EQ(ZunoGetStr(ZUNO_Priority, &buf), -1);
}

TEST_F(Accessors, OverlongTextIsCutAtTheFieldAndCallerBuffersAreNeverOverrun) {
  std::string big(1000, 'x');
  ASSERT_EQ(ZunoPutStr(ZUNO_TargetPath, big.c_str()), 0);
  EXPECT_EQ(strlen(engine().rec.TargetPath), 255u);
  char area[ZUNO_BUFSIZE + 8];
  memset(area, '#', sizeof area);
  char *buf = area;
  ASSERT_EQ(ZunoGetStr(ZUNO_TargetPath, &buf), 0);
  EXPECT_EQ(strlen(area), 255u);
  EXPECT_EQ(area[ZUNO_BUFSIZE], '#');
}

TEST_F(Accessors, CutKeepsUtf8Whole) {
  std::string name;
  while (name.size() < 300) name += "写";
  ASSERT_EQ(ZunoPutStr(ZUNO_LastSearchString, name.c_str()), 0);
  size_t n = strlen(engine().rec.LastSearchString);
  EXPECT_LE(n, 255u);
  EXPECT_EQ(n % 3, 0u);
}

}  // namespace
