// The thumbnail pages: which nodes are placed, where pages break in each style, the
// buttons, and the addresses the links and thumbnails use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "catalog_fixture.h"
#include "collect/file_types.h"
#include "core/file_list.h"
#include "core/text.h"
#include "html/html_builder.h"

namespace fs = std::filesystem;

namespace {

class CatalogPagesTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    ZunoRecord &r = engine().rec;
    copy_field(r.TargetPath, path("pics"), "");
    for (char *c : {r.BgColor, r.TextColor, r.LinkColor, r.ALinkColor, r.VLinkColor}) strcpy(c, "#FFFFFF");
    r.CntlRatio = 50;
    r.SubdirDepth = 8;
    r.PageingStyle = 1;
    r.OnePageNum = 20;
    r.OnePageMax = 4096;
    tail_ = &engine().files;
  }

  // Appends a picture node that passed the filters, as the gathering leaves it.
  FileNode *add(const std::string &file, int type = TYPE_JPEG, int kb = 10, int disp_w = 80,
                int disp_h = 60) {
    FileNode *n = tail_;
    set_node_text(&n->path, file[0] == '/' ? file : path("pics/" + file));
    n->type = type;
    n->size_kb = kb;
    n->size = kb * 1024 + 1;
    n->width = 640;
    n->height = 480;
    n->disp_width = static_cast<int16_t>(disp_w);
    n->disp_height = static_cast<int16_t>(disp_h);
    n->passed = 1;
    n->next = new_node();
    tail_ = n->next;
    return n;
  }
  void add_many(int count, int kb = 10) {
    for (int i = 0; i < count; ++i) add("p" + std::to_string(1000 + i) + ".jpg", TYPE_JPEG, kb);
  }

  int create() { return ZunoCreatHtml(&engine().rec, &engine().files); }
  std::string page(int number) {
    char name[64];
    snprintf(name, sizeof name, "out/html_1/index000%03d.html", number);
    return read(name);
  }
  std::vector<int> links_per_page() {
    std::vector<int> out;
    for (int n = 0; fs::exists(
             path("out/html_1/index000" + std::string(n < 10 ? "00" : "0") + std::to_string(n) + ".html"));
         ++n)
      out.push_back(count_of(page(n), "showcg("));
    return out;
  }

  // The address a page gives a file of the test folder (its path has no character that needs escaping).
  std::string url_of(const std::string &file) { return path(file); }

  FileNode *tail_ = nullptr;
};

TEST_F(CatalogPagesTest, CountStyleHoldsOneMoreThanTheLimit) {
  add_many(45);
  EXPECT_EQ(create(), 45);
  EXPECT_EQ(links_per_page(), (std::vector<int>{21, 21, 3}));
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) EXPECT_EQ(n->output, 1);
  EXPECT_EQ(engine().rec.PageCounter[0], 2);
}

TEST_F(CatalogPagesTest, SizeStyleClosesAfterTheFileThatPassesTheLimit) {
  engine().rec.PageingStyle = 0;
  engine().rec.OnePageMax = 100;
  add_many(10, 30);  // 30, 60, 90, 120: the fourth passes 100 and is the last of its page
  EXPECT_EQ(create(), 10);
  EXPECT_EQ(links_per_page(), (std::vector<int>{4, 4, 2}));
}

TEST_F(CatalogPagesTest, FilesUnderOneKilobyteStillFillASizedPage) {
  engine().rec.PageingStyle = 0;
  engine().rec.OnePageMax = 3;
  add_many(10, 0);  // 431-byte pictures: each counts as 1 KB, so four to a page
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) n->size = 431;
  EXPECT_EQ(create(), 10);
  EXPECT_EQ(links_per_page(), (std::vector<int>{4, 4, 2}));
}

TEST_F(CatalogPagesTest, EitherStyleBreaksOnWhicheverComesFirst) {
  engine().rec.PageingStyle = 2;
  engine().rec.OnePageMax = 100;
  engine().rec.OnePageNum = 1;
  add_many(5, 1);
  EXPECT_EQ(create(), 5);
  EXPECT_EQ(links_per_page(), (std::vector<int>{2, 2, 1}));
}

TEST_F(CatalogPagesTest, LayoutStyleBreaksWhenTheRowsFillTheFrame) {
  ZunoRecord &r = engine().rec;
  r.PageingStyle = 3;
  r.WindowSize = 300;  // two 100-pixel thumbnails per row; 208 pixels of page height
  for (int i = 0; i < 12; ++i) add("q" + std::to_string(10 + i) + ".jpg", TYPE_JPEG, 1, 100, 100);
  EXPECT_EQ(create(), 12);
  EXPECT_EQ(links_per_page(), (std::vector<int>{5, 5, 2}));
}

TEST_F(CatalogPagesTest, OtherStylesNeverBreak) {
  engine().rec.PageingStyle = 7;
  engine().rec.OnePageNum = 0;
  add_many(30);
  EXPECT_EQ(create(), 30);
  EXPECT_EQ(links_per_page(), (std::vector<int>{30}));
}

TEST_F(CatalogPagesTest, SinglePageHasNoButtonsAndTheViewerScript) {
  add("one.jpg");
  EXPECT_EQ(create(), 1);
  std::string p = page(0);
  EXPECT_FALSE(fs::exists(path("out/html_1/index000001.html")));
  EXPECT_EQ(count_of(p, "back.gif"), 0);
  EXPECT_EQ(count_of(p, "next.gif"), 0);
  EXPECT_NE(p.find("<script src=\"quillo.js\"></script>"), std::string::npos);
  EXPECT_EQ(p.find("<html>\n<head>\n<meta charset=\"utf-8\">\n"), 0u);
}

TEST_F(CatalogPagesTest, MiddlePageHasForwardThenBackButtonAndTheirEnds) {
  engine().rec.OnePageNum = 0;  // one file per page
  add_many(3);
  ASSERT_EQ(create(), 3);
  std::string middle = page(1);
  std::regex shape(
      "<body [^\n]*>\n"
      "<a href=\"index000002.html\" target=\"catalog\"><img src=\"next.gif\" width=\"60\" height=\"24\" "
      "alt=\"→\\[002\\]\" border=\"0\">\n"
      "<a href=\"index000000.html\" target=\"catalog\"><img src=\"back.gif\" width=\"60\" height=\"24\" "
      "alt=\"\\[000\\]←\" border=\"0\">\n"
      "<br>\n<a href=\"JavaScript:showcg[^\n]*\n</a>\n</a>\n</a>\n</body>\n</html>\n$");
  EXPECT_TRUE(std::regex_search(middle, shape)) << middle;
  EXPECT_EQ(count_of(page(0), "back.gif"), 0);
  EXPECT_EQ(count_of(page(0), "next.gif"), 1);
  EXPECT_EQ(count_of(page(2), "back.gif"), 1);
  EXPECT_EQ(count_of(page(2), "next.gif"), 0);
}

TEST_F(CatalogPagesTest, ButtonsAreCopiedBesideThePages) {
  add("one.jpg");
  create();
  for (const char *b :
       {"back.gif", "next.gif", "zunobanner.jpg", "X2.jpg", "X15.jpg", "X12.jpg", "X115.jpg", "SizeFix.jpg"})
    EXPECT_TRUE(fs::exists(path(std::string("out/html_1/") + b))) << b;
}

TEST_F(CatalogPagesTest, BackgroundPictureIsCopiedAndNamedByItsOwnName) {
  std::string bg = picture("art/Paper.JPG", 8, 8);
  copy_field(engine().rec.BackGraund, bg, "");
  add("one.jpg");
  create();
  EXPECT_TRUE(fs::exists(path("out/html_1/Paper.JPG")));
  EXPECT_NE(page(0).find("<body background=\"Paper.JPG\" bgcolor"), std::string::npos);
}

TEST_F(CatalogPagesTest, SkipTestsLeaveNodesOut) {
  ZunoRecord &r = engine().rec;
  r.SubdirDepth = 1;
  add("ok.jpg");
  add("folder")->depth = 101;
  add("deep.jpg")->depth = 2;
  add("notype.jpg")->type = -1;
  add("unread.jpg")->size_kb = -1;
  add("empty.jpg")->size = 0;
  add("rejected.jpg")->passed = 0;
  add("page.html", TYPE_HTML);  // placed, but no link
  EXPECT_EQ(create(), 2);
  std::string p = page(0);
  EXPECT_EQ(count_of(p, "showcg("), 1);
  EXPECT_NE(p.find("ok.jpg"), std::string::npos);
  for (FileNode *n = &engine().files; is_listed(n); n = n->next)
    EXPECT_EQ(n->output, strstr(n->path, "ok.jpg") || strstr(n->path, "page.html") ? 1 : 0) << n->path;
}

TEST_F(CatalogPagesTest, SearchWordsFilterPathsWithoutThePatternModule) {
  copy_field(engine().rec.LastSearchString, "cat", "");
  add("cat1.jpg");
  add("dog1.jpg");
  EXPECT_EQ(create(), 1);
  EXPECT_NE(page(0).find("cat1.jpg"), std::string::npos);
}

TEST_F(CatalogPagesTest, CacheViewTakesOnlyMarkedNodesWhateverThePictureFilter) {
  engine().rec.CacheView = 1;
  add("marked.jpg")->mark = 1;
  FileNode *unpassed = add("marked-rejected.jpg");
  unpassed->mark = 1;
  unpassed->passed = 0;
  add("unmarked.jpg");
  EXPECT_EQ(create(), 2);
  EXPECT_EQ(page(0).find("unmarked"), std::string::npos);
}

TEST_F(CatalogPagesTest, SourceAddressesByGetUrl) {
  ZunoRecord &r = engine().rec;
  r.GetUrl = 2;
  set_node_text(&add("linked.jpg")->source, "http://example.com/a?b=1&c=2");
  add("plain.jpg");
  EXPECT_EQ(create(), 2);
  std::string p = page(0);
  EXPECT_NE(p.find("<a href=\"http://example.com/a?b=1&amp;c=2\" target=\"_blank\"><img src=\""),
            std::string::npos);
  EXPECT_NE(p.find("showcg('" + path("pics/plain.jpg")), std::string::npos);
}

TEST_F(CatalogPagesTest, BannerWithSourceLinksToItsSourceEvenWithoutGetUrl) {
  FileNode *banner = add("banner.gif", TYPE_GIF);
  banner->banner = 1;
  set_node_text(&banner->source, "http://ads.example/");
  EXPECT_EQ(create(), 1);
  EXPECT_NE(page(0).find("href=\"http://ads.example/\" target=\"_blank\""), std::string::npos);
}

TEST_F(CatalogPagesTest, GetUrlThreeLeavesOutPicturesWithoutSource) {
  engine().rec.GetUrl = 3;
  set_node_text(&add("linked.jpg")->source, "http://e/");
  add("plain.jpg");
  EXPECT_EQ(create(), 1);
  EXPECT_EQ(page(0).find("plain.jpg"), std::string::npos);
}

TEST_F(CatalogPagesTest, MoviesPlayInThePageOrOpenInThePlayerNeverAnEmptyBox) {
  add("clip.avi", TYPE_AVI);
  add("clip.mpg", TYPE_MOVIE);
  add("holiday.mp4", TYPE_MOVIE);
  add("loop.webm", TYPE_MOVIE);
  add("camera.MOV", TYPE_MOVIE);
  EXPECT_EQ(create(), 5);
  std::string p = page(0);
  EXPECT_EQ(count_of(p, "dynsrc"), 0);
  EXPECT_EQ(count_of(p, "<video src=\""), 3) << p;
  EXPECT_NE(p.find("<video src=\"" + url_of("pics/holiday.mp4") +
                   "\" poster=\"movie.svg\" width=\"80\" height=\"60\" title=\"holiday.mp4\" controls "
                   "preload=\"none\"></video>"),
            std::string::npos)
      << p;
  // What a browser cannot play is a link for the desktop's player, with the icon and a word saying so.
  EXPECT_NE(p.find("href=\"" + url_of("pics/clip.avi") + "\" target=\"_blank\" class=\"movie-file\""),
            std::string::npos);
  EXPECT_EQ(count_of(p, "（プレーヤーで開く）"), 4);  // title and alt of two links
  EXPECT_TRUE(fs::exists(path("out/html_1/movie.svg")));
}

TEST_F(CatalogPagesTest, ThumbnailCatalogsGiveMoviesAPosterFrame) {
  fs::create_directories(path("pics"));
  std::string made =
      "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=160x120:rate=10 -t 1 -c:v libvpx '" +
      path("pics/loop.webm") + "'";
  ASSERT_EQ(std::system(made.c_str()), 0)
      << "ffmpeg (scripts/install-deps installs it) could not make a movie";
  write("pics/broken.mp4", "not a movie at all");
  engine().rec.MakeThumbnail = 1;
  add("loop.webm", TYPE_MOVIE)->size = fs::file_size(path("pics/loop.webm"));
  add("broken.mp4", TYPE_MOVIE);
  EXPECT_EQ(create(), 2);
  std::string p = page(0);
  std::smatch poster;
  ASSERT_TRUE(std::regex_search(p, poster, std::regex("poster=\"\\./Posters/([0-9a-f]{16}\\.jpg)\""))) << p;
  std::string jpeg = read("out/html_1/Posters/" + poster[1].str());
  ASSERT_GE(jpeg.size(), 3u);
  EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
  // The movie ffmpeg cannot read shows the icon, and leaves nothing half-made behind.
  EXPECT_NE(p.find("poster=\"movie.svg\" width=\"80\" height=\"60\" title=\"broken.mp4\""),
            std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(path("out/html_1/Posters")), fs::directory_iterator()), 1);
}

TEST_F(CatalogPagesTest, ThumbnailCatalogsSplitByCountAndLoadLazily) {
  // Originals of 4 MB each would put one per page by kilobytes; their thumbnails weigh nothing like that.
  engine().rec.MakeThumbnail = 1;
  engine().rec.PageingStyle = 0;
  add_many(85, 4000);
  EXPECT_EQ(create(), 85);
  EXPECT_EQ(links_per_page(), (std::vector<int>{40, 40, 5}));
  std::string p = page(0);
  EXPECT_EQ(count_of(p, "loading=\"lazy\""), 40);
  EXPECT_EQ(count_of(p, "width=\"80\" height=\"60\" alt="), 40);
}

TEST_F(CatalogPagesTest, KilobyteRuleStillHoldsWithoutThumbnails) {
  engine().rec.PageingStyle = 0;
  engine().rec.OnePageMax = 100;
  add_many(25, 10);
  create();
  EXPECT_EQ(links_per_page(), (std::vector<int>{11, 11, 3}));
}

TEST_F(CatalogPagesTest, LinksCarryTheDateTakenOrElseTheFileTime) {
  FileNode *photo = add("photo.jpg");
  photo->taken = 1614834367;  // 2021-03-04 05:06:07 on the camera's clock
  photo->modified = 1700000000;
  FileNode *plain = add("plain.png", TYPE_PNG);
  plain->modified = 1700000000;
  create();
  std::string p = page(0);
  EXPECT_NE(p.find("loading=\"lazy\" data-date=\"撮影 2021-03-04 05:06:07\">"), std::string::npos) << p;
  EXPECT_EQ(count_of(p, "data-date=\"更新 2023-11-"), 1) << p;
}

TEST_F(CatalogPagesTest, FileIndexShowsTheFolderTreeWithCountsAndFirstPages) {
  engine().rec.OnePageNum = 1;  // two pictures a page
  add("beach/a.jpg");
  add("beach/b.jpg");
  add("beach/c.jpg");
  add("mountain/d.jpg");
  add("mountain/high/e.jpg");
  add("f.jpg");
  ASSERT_EQ(create(), 6);
  ASSERT_EQ(creat_fileindex(&engine().rec), 0);
  std::string index = read("out/html_1/file.html");
  EXPECT_NE(index.find("padding-left:0em\"><a href=\"index000002.html\" target=\"catalog\" title=\"" +
                       path("pics") + "\">pics</a> (1)</div>"),
            std::string::npos)
      << index;
  EXPECT_NE(index.find("padding-left:1em\"><a href=\"index000000.html\" target=\"catalog\" title=\"" +
                       path("pics/beach") + "\">beach</a> (3)</div>"),
            std::string::npos)
      << index;
  EXPECT_NE(index.find("padding-left:1em\"><a href=\"index000001.html\" target=\"catalog\" title=\"" +
                       path("pics/mountain") + "\">mountain</a> (1)</div>"),
            std::string::npos);
  EXPECT_NE(index.find("padding-left:2em\"><a href=\"index000002.html\" target=\"catalog\" title=\"" +
                       path("pics/mountain/high") + "\">high</a> (1)</div>"),
            std::string::npos);
}

TEST_F(CatalogPagesTest, FileIndexOfOneFolderHasNoTree) {
  add("only/a.jpg");
  add("only/b.jpg");
  ASSERT_EQ(create(), 2);
  ASSERT_EQ(creat_fileindex(&engine().rec), 0);
  EXPECT_EQ(count_of(read("out/html_1/file.html"), "class=\"folder\""), 0);
}

TEST_F(CatalogPagesTest, CopiedFilesLinkRelativeToTheCatalogWithMirroredThumbnails) {
  ZunoRecord &r = engine().rec;
  r.FileCopy = 1;
  r.MakeThumbnail = 1;
  add(path("out/Images/sub dir/a.JPG"));
  add(path("out/Images/top.png"), TYPE_PNG);
  create();
  std::string p = page(0);
  EXPECT_NE(p.find("showcg('../Images/sub dir/a.JPG',640,480)\" target=\"_self\"><img "
                   "src=\"./Thumbs/sub%20dir/a.jpg\""),
            std::string::npos)
      << p;
  EXPECT_NE(p.find("src=\"./Thumbs/top.jpg\""), std::string::npos);
}

TEST_F(CatalogPagesTest, InPlaceFilesLinkTheirOwnPath) {
  engine().rec.MakeThumbnail = 1;
  add("deep/er/x.gif", TYPE_GIF);
  engine().rec.MakeThumbnail = 1;
  create();
  std::string p = page(0);
  EXPECT_NE(p.find("showcg('" + path("pics/deep/er/x.gif") + "'"), std::string::npos);
  EXPECT_NE(p.find("src=\"./Thumbs/deep/er/x.jpg\""), std::string::npos);
  engine().rec.MakeThumbnail = 0;
  html_reset();
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) n->output = 0;
  create();
  EXPECT_NE(page(0).find("<img src=\"" + path("pics/deep/er/x.gif") + "\""), std::string::npos);
}

TEST_F(CatalogPagesTest, TotalCallbackHearsTheTotalOnce) {
  static int calls, last;
  calls = last = 0;
  engine().rec.TotalProc = [](int n) {
    ++calls;
    last = n;
  };
  engine().rec.TotalCount = 7;
  add("a.jpg");
  create();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(last, 7);
}

TEST_F(CatalogPagesTest, AbortWritesThePageSoFarAndFails) {
  engine().rec.CpuPriority = 0;
  add_many(5);
  engine().abort_flag = 1;
  EXPECT_EQ(create(), -1);
  EXPECT_EQ(count_of(page(0), "showcg("), 1);
  EXPECT_EQ(html_open_pages(), 0);
}

TEST_F(CatalogPagesTest, PageThousandGetsFourDigits) {
  engine().rec.OnePageNum = 0;
  add_many(1001, 1);
  EXPECT_EQ(create(), 1001);
  EXPECT_TRUE(fs::exists(path("out/html_1/index000999.html")));
  EXPECT_TRUE(fs::exists(path("out/html_1/index0001000.html")));
  EXPECT_NE(read("out/html_1/index000999.html").find("href=\"index0001000.html\""), std::string::npos);
}

}  // namespace
