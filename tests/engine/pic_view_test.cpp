// The picture view: a throw-away catalog of the picked pictures in zunotemp of the
// private temporary folder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/text.h"
#include "engine_fixture.h"
#include "html/html_builder.h"
#include "platform/platform.h"
#include "private_temp.h"

namespace fs = std::filesystem;

namespace {

class PicViewTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    html_reset();
    ZunoRecord &r = engine().rec;
    copy_field(r.OutputPath, path("user-output"), "");
    copy_field(r.ExecPath, program_dir(), "");
    copy_field(r.IniPath, program_dir(), "");
    strcpy(r.BgColor, "#FFFFFF");
    r.WindowSize = 1000;
    r.Priority = 1;
    r.CurrentHight = 60;
    r.SubdirDepth = 8;
    r.PageingStyle = 1;
    r.OnePageNum = 40;
    r.CpuPriority = 100;
    r.Banner = 1;
    r.BannerX = 468;
    r.BannerY = 60;
    r.BannerMargin = 5;
    // Filters the view must switch off.
    r.SearchSizeType = 3;
    r.MaxX = 5000;
    r.MaxY = 5000;
    r.EnableFileType = 0x20;
    copy_field(r.LastSearchString, "nothing-matches-this", "");
  }
  void TearDown() override {
    html_reset();
    EngineTest::TearDown();
  }
  std::string view_page() { return read(private_temp("zunotemp/temp_html/index000000.html")); }
};

TEST_F(PicViewTest, PicturesAppearInReverseOrderOfTheText) {
  std::string a = picture("a.jpg", 40, 30), b = picture("b.png", 40, 30), c = picture("c.gif", 40, 30);
  ASSERT_EQ(pic_view(&engine().rec, (a + "\r\n" + b + "\r\n" + c + "\r\n").c_str()), 0);
  std::string page = view_page();
  size_t pc = page.find("showcg('" + c), pb = page.find("showcg('" + b), pa = page.find("showcg('" + a);
  ASSERT_NE(pa, std::string::npos);
  EXPECT_LT(pc, pb);
  EXPECT_LT(pb, pa);
  EXPECT_FALSE(fs::exists(path(private_temp("zunotemp/temp_html/index000001.html"))));
  for (const char *f :
       {"index.html", "file.html", "control.html", "topindex.html", "showimg.html", "quillo.js"})
    EXPECT_TRUE(fs::exists(path(private_temp(std::string("zunotemp/temp_html/") + f)))) << f;
  EXPECT_STREQ(engine().rec.LastOutputPath, path(private_temp("zunotemp")).c_str());
  EXPECT_STREQ(engine().rec.HtmlOut, "temp_html");
  EXPECT_STREQ(engine().rec.OutputPath, path("user-output").c_str());  // the user's settings stay
  EXPECT_EQ(engine().rec.EnableFileType, 0x20);
}

TEST_F(PicViewTest, TextAfterTheLastLineEndIsNotAPath) {
  std::string a = picture("a.jpg", 40, 30), b = picture("b.jpg", 40, 30);
  ASSERT_EQ(pic_view(&engine().rec, (a + "\r\n" + b).c_str()), 0);
  EXPECT_NE(view_page().find(a), std::string::npos);
  EXPECT_EQ(view_page().find(b), std::string::npos);
}

TEST_F(PicViewTest, MissingFilesAreLeftOut) {
  std::string a = picture("a.jpg", 40, 30);
  ASSERT_EQ(pic_view(&engine().rec, (a + "\r\n" + path("gone.jpg") + "\r\n").c_str()), 0);
  EXPECT_NE(view_page().find(a), std::string::npos);
  EXPECT_EQ(view_page().find("gone.jpg"), std::string::npos);
}

TEST_F(PicViewTest, BannerRuleStillFollowsTheUserSetting) {
  std::string banner = picture("banner.gif", 468, 60), other = picture("photo.jpg", 120, 90);
  engine().rec.Banner = 0;
  ASSERT_EQ(pic_view(&engine().rec, (banner + "\r\n" + other + "\r\n").c_str()), 0);
  EXPECT_EQ(view_page().find("banner.gif"), std::string::npos);
  EXPECT_NE(view_page().find("photo.jpg"), std::string::npos);
}

TEST_F(PicViewTest, OldPagesOfTheViewFolderAreDeleted) {
  ASSERT_FALSE(plat::temp_dir().empty());  // made by the engine, with its mode
  write(private_temp("zunotemp/temp_html/index000007.html"), "old");
  write(private_temp("zunotemp/temp_html/keep.txt"), "kept");
  std::string a = picture("a.jpg", 40, 30);
  ASSERT_EQ(pic_view(&engine().rec, (a + "\r\n").c_str()), 0);
  EXPECT_FALSE(fs::exists(path(private_temp("zunotemp/temp_html/index000007.html"))));
  EXPECT_TRUE(fs::exists(path(private_temp("zunotemp/temp_html/keep.txt"))));
}

TEST_F(PicViewTest, OverlongPathIsRecordedAndSkipped) {
  std::string a = picture("a.jpg", 40, 30);
  std::string text = "/" + std::string(300, 'x') + ".jpg\r\n" + a + "\r\n";
  ASSERT_EQ(pic_view(&engine().rec, text.c_str()), 0);
  EXPECT_NE(view_page().find(a), std::string::npos);
  EXPECT_NE(std::string(engine().last_error).find("バイトを超えるパスは除外しました"), std::string::npos);
}

TEST_F(PicViewTest, ExportHoldsTheBusyFlagOnlyWhileItRuns) {
  std::string a = picture("a.jpg", 40, 30);
  EXPECT_EQ(ZunoPicView((a + "\r\n").c_str()), 0);
  EXPECT_EQ(engine().busy, 0);
  engine().busy = 1;
  EXPECT_EQ(ZunoPicView((a + "\r\n").c_str()), ZUNO_BUSY);
}

TEST_F(PicViewTest, EmptyTextGivesAnEmptyCatalog) {
  EXPECT_EQ(pic_view(&engine().rec, ""), 0);
  EXPECT_EQ(pic_view(&engine().rec, nullptr), 0);
  EXPECT_EQ(html_open_pages(), 0);
}

}  // namespace
