// The pages around the thumbnail pages: the file index, the frameset, the pages made
// from the templates, and the older folder-by-folder catalog.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "catalog_fixture.h"
#include "core/text.h"
#include "html/html_builder.h"
#include "html/template_pages.h"

namespace fs = std::filesystem;

namespace {

class CatalogFramesTest : public CatalogTest {
 protected:
  void make_pages(int count) {
    for (int i = 0; i < count; ++i) {
      char name[64];
      snprintf(name, sizeof name, "out/html_1/index000%03d.html", i);
      write(name, "<html></html>");
    }
  }
};

TEST_F(CatalogFramesTest, FileIndexLinksEveryTenthPage) {
  make_pages(25);
  write("out/html_1/index0001000.html", "");  // page 1000: its name is too long to be listed
  write("out/html_1/topindex.html", "");
  write("out/html_1/indexABCDEF.htm", "");
  mkdir("out/html_1/Thumbs/index000099.html");  // a folder is not a page
  ASSERT_EQ(creat_fileindex(&engine().rec), 0);
  std::string index = read("out/html_1/file.html");
  EXPECT_EQ(count_of(index, "<a "), 3);
  size_t a = index.find("<a href=\"index000000.html\" target=catalog>\n[000-009] \n</a>");
  size_t b = index.find("<a href=\"index000010.html\" target=catalog>\n[010-019] \n</a>");
  size_t c = index.find("<a href=\"index000020.html\" target=catalog>\n[020-029] \n</a>");
  EXPECT_NE(a, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_NE(c, std::string::npos);
}

TEST_F(CatalogFramesTest, FileIndexNotWrittenOnAbort) {
  make_pages(3);
  engine().rec.CpuPriority = 0;
  engine().abort_flag = 1;
  EXPECT_EQ(creat_fileindex(&engine().rec), -1);
  EXPECT_FALSE(fs::exists(path("out/html_1/file.html")));
}

TEST_F(CatalogFramesTest, FramesetSharesTheTopBandBetweenIndexAndViewer) {
  std::string page = frameset_page(engine().rec);
  EXPECT_EQ(page,
            "<html><HEAD><meta charset=\"utf-8\"><TITLE>Quillo-V0.60</TITLE></HEAD><frameset rows=\"20%,*\">"
            "<frameset rows=\"50%,*\"><frame src=\"file.html\" name=\"file\"><frame src=\"control.html\" "
            "name=\"view\"></frameset><frame src=\"index000000.html\" name=\"catalog\"></frameset><body "
            "bgcolor=\"#FFFFFF\" TEXT=\"#000000\" LINK=\"#0000FF\" ALINK=\"#FF0000\" VLINK=\"#800080\" "
            "></body></html>");
  engine().rec.FrameStyle = 1;
  engine().rec.IndexRatio = 10;
  engine().rec.CntlRatio = 50;
  EXPECT_NE(frameset_page(engine().rec).find("<frameset cols=\"60%,*\"><frameset cols=\"10%,*\">"),
            std::string::npos);
  engine().rec.IndexRatio = 0;
  engine().rec.CntlRatio = 0;
  EXPECT_NE(frameset_page(engine().rec).find("<frameset cols=\"0%,*\"><frameset cols=\"0%,*\">"),
            std::string::npos);
}

TEST_F(CatalogFramesTest, MarkersOpenAndCloseBlocksAndReplaceByFirstCharacters) {
  std::string source =
      "width = 1\n"  // outside a block: untouched
      "//quillo\n"
      "w = 0\n"
      "width = 2\n"  // only the first character is tested
      "h = 0\n"
      "x = 0\n"
      "//end quillo\n"
      "h = 9\n"
      "//quillo second\n"
      "<body bgcolor=\"#000\">\n";  // a block left open runs to the end
  std::vector<TemplateReplacement> reps = {
      {"w", "w = 800\n"}, {"h", "h = 600\n"}, {"<body bgcolor", "<body X>\n"}};
  EXPECT_EQ(apply_template_markers(source, reps),
            "width = 1\nw = 800\nw = 800\nh = 600\nx = 0\n//end quillo\nh = 9\n<body X>\n");
}

TEST_F(CatalogFramesTest, ReplacementsSeeTheResultOfTheOneBefore) {
  std::vector<TemplateReplacement> reps = {{"a", "b1\n"}, {"b", "c2\n"}};
  EXPECT_EQ(apply_template_markers("//quillo\na\n", reps), "c2\n");
}

TEST_F(CatalogFramesTest, LongLinesAreTestedInPiecesOf255Bytes) {
  std::string line = std::string(255, 'x') + "w rest\n";
  EXPECT_EQ(apply_template_markers("//quillo\n" + line, {{"w", "W\n"}}), std::string(255, 'x') + "W\n");
}

TEST_F(CatalogFramesTest, CommonPagesCarryTheSettings) {
  ZunoRecord &r = engine().rec;
  r.FrameStyle = 0;
  r.BgFix = 1;
  copy_field(r.BackGraund, "/pics/my bg.jpg", "");
  ASSERT_EQ(creat_common(&r), 0);
  std::string body =
      "<body background=\"/pics/my%20bg.jpg\" bgproperties=\"fixed\" bgcolor=\"#FFFFFF\" TEXT=\"#000000\" "
      "LINK=\"#0000FF\" ALINK=\"#FF0000\" VLINK=\"#800080\" >\n";
  std::string top = read("out/html_1/topindex.html");
  EXPECT_NE(top.find("\nw = 1000\nh = 700\n//end quillo\n"), std::string::npos);
  EXPECT_NE(top.find(body), std::string::npos);
  EXPECT_EQ(top.find("//quillo"), std::string::npos);
  std::string control = read("out/html_1/control.html");
  EXPECT_NE(control.find("\nframe_style = 0\nmywinwidth = 1000\nmywinheight = 700\n"), std::string::npos);
  EXPECT_NE(control.find(body), std::string::npos);
  EXPECT_EQ(read("out/html_1/showimg.html"), read(program_dir() + "/html/showimg.html"));
  EXPECT_EQ(read("out/html_1/quillo.js"), read(program_dir() + "/html/quillo.js"));
  EXPECT_EQ(read("out/html_1/index.html"), frameset_page(r));
  for (const char *page : {"topindex.html", "control.html", "showimg.html"})
    EXPECT_EQ(read(std::string("out/html_1/") + page)
                  .find("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">"),
              0u)
        << page;
}

TEST_F(CatalogFramesTest, WindowSizeFollowsTheFrameStyle) {
  ZunoRecord &r = engine().rec;
  r.FrameStyle = 1;
  EXPECT_EQ(catalog_window_size(r).width, 700);
  EXPECT_EQ(catalog_window_size(r).height, 1000);
  r.FrameStyle = 2;
  EXPECT_EQ(catalog_window_size(r).width, 700);
  EXPECT_EQ(catalog_window_size(r).height, 700);
}

TEST_F(CatalogFramesTest, MissingTemplateFailsAndTheOtherPagesAreWritten) {
  mkdir("settings/html");
  write("settings/html/control.html", "//quillo\nmywinwidth = 1\n//end quillo\n");
  copy_field(engine().rec.IniPath, path("settings"), "");
  EXPECT_EQ(creat_common(&engine().rec), -1);
  EXPECT_EQ(read("out/html_1/control.html"), "mywinwidth = 1000\n//end quillo\n");
  EXPECT_TRUE(fs::exists(path("out/html_1/index.html")));
  EXPECT_FALSE(fs::exists(path("out/html_1/topindex.html")));
  EXPECT_NE(std::string(engine().last_error).find("html/"), std::string::npos);
}

TEST_F(CatalogFramesTest, FolderByFolderCatalog) {
  ZunoRecord &r = engine().rec;
  picture("pics/a.jpg", 40, 30);
  picture("pics/b.png", 40, 30);
  picture("pics/sub/c.gif", 40, 30);
  write("pics/notes.txt", "not a picture");
  copy_field(r.TargetPath, path("pics"), "");
  mkdir("out");
  r.SearchSubdir = 1;
  r.SubdirDepth = 2;
  r.PageingStyle = 1;
  r.OnePageMax = 100;
  r.Priority = 0;
  r.CurrentWidth = 40;
  ASSERT_EQ(make_catalog(&r, nullptr), 0);
  std::string top = read("out/index000000.html");
  EXPECT_EQ(count_of(top, "showcg("), 2);
  EXPECT_NE(top.find("<a href=\"index001000.html\" target=catalog>\nsub\n</a>"), std::string::npos);
  EXPECT_NE(top.find("<script src=\"quillo.js\"></script>"), std::string::npos);
  std::string sub = read("out/index001000.html");
  EXPECT_EQ(count_of(sub, "showcg("), 1);
  // The way back up: a real link to the parent's page with the installed button picture.
  EXPECT_NE(sub.find("<a href=\"" + path("out/index000000.html") + "\" target=\"catalog\"><img src=\"" +
                     program_dir() + "/button/b01.gif\""),
            std::string::npos);
  std::string frames = read("out/index.html");
  EXPECT_NE(frames.find("<frame src=\"btnframe.html\" name=\"file\">"), std::string::npos);
  // 700 is the window height of the other pages, not a share: half for each side.
  EXPECT_NE(frames.find("<frameset cols=\"50%,*\"><frameset rows=\"10%,*\">"), std::string::npos);
  r.FrameSizeRatio = 70;
  make_frame(&r);
  EXPECT_NE(read("out/index.html").find("<frameset cols=\"70%,*\">"), std::string::npos);
  EXPECT_NE(read("out/btnframe.html").find("<base target=\"catalog\">"), std::string::npos);
  EXPECT_NE(read("out/frame.html").find("<script src=\"quillo.js\"></script>"), std::string::npos);
  EXPECT_TRUE(fs::exists(path("out/quillo.js")));
  EXPECT_EQ(html_open_pages(), 0);
}

}  // namespace
