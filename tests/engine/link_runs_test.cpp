// Link analysis in whole runs, driven through the exports as the front end drives
// them: a browser-cache run leaves link files beside the copied pages, and the site
// launcher and backup view of that backup link thumbnails where the pages led.
#include <filesystem>
#include <string>

#include "engine_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

const char *kShopPage =
    "<html><body>\n"
    "<a href=\"http://sale.example.org/offer?a=1&b=2\"><img "
    "src=\"http://shop.example.com/img/ban.gif\"></a>\n"
    "<a href=\"item/cat.html\"><img src=\"img/cat.jpg\" width=\"120\"></a>\n"
    "</body></html>\n";

class LinkRuns : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    settings_ = mkdir("prog");
    std::string ini;
    ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini));
    write("prog/quillo.ini", ini);
    fs::copy(program_dir() + "/html", settings_ + "/html", fs::copy_options::recursive);
    ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
    out_ = mkdir("out");
    ZunoPutStr(ZUNO_OutputPath, out_.c_str());
    ZunoPut(ZUNO_CpuPriority, 100);
    setenv("OS", "Windows_NT", 1);
    setenv("USERPROFILE", path("profile").c_str(), 1);
    live_ = "profile/Local Settings/Temporary Internet Files/Content.IE5/SUB1/";
    backup_ = "out/Temporary Internet Files/Images/Content.IE5/SUB1/";
    mkdir(live_);  // a backup run needs the browser's cache to be there, empty or not
    write("prog/DB/SUB1analyzed_index.txt",
          "Content.IE5\\SUB1\\page[1].HTM\nhttp://shop.example.com/index.html\n"
          "Content.IE5\\SUB1\\ban[1].GIF\nhttp://shop.example.com/img/ban.gif\n"
          "Content.IE5\\SUB1\\cat[1].JPG\nhttp://shop.example.com/img/cat.jpg\n");
  }
  void TearDown() override {
    unsetenv("OS");
    unsetenv("USERPROFILE");
    EngineTest::TearDown();
  }
  // The cached page and its two pictures, in the live cache or straight in the backup.
  void cache_files(const std::string &folder, const std::string &page = kShopPage) {
    write(folder + "page[1].htm", page);
    picture(folder + "ban[1].gif", 468, 60);
    picture(folder + "cat[1].jpg", 120, 90);
  }
  // One whole run; the catalog's first page, "" when the run failed.
  std::string run(const char *target, const std::string &output) {
    EXPECT_EQ(ZunoNewMain(settings_.c_str(), target, output.c_str()), 0);
    std::string page =
        std::string(engine().rec.OutputPath) + "/" + engine().rec.HtmlOut + "/index000000.html";
    EXPECT_EQ(gather(), "完了") << engine().last_error;
    int written = ZunoNewMain(settings_.c_str(), target, output.c_str());
    EXPECT_GE(written, 0) << engine().last_error;
    ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
    return written >= 0 ? read(page) : "";
  }
  std::string site_launcher(int get_url) {
    ZunoPut(ZUNO_GetUrl, get_url);
    return run("$backup", "$site_lunch");
  }

  std::string settings_, out_, live_, backup_;
};

TEST_F(LinkRuns, ACacheRunWithCopiesLeavesLinkFilesBesideTheCopiedPages) {
  cache_files(live_);
  ZunoPut(ZUNO_FileCopy, 1);
  run("$iecache", out_);
  EXPECT_EQ(read(backup_ + "page[1].ahm"),
            "http://shop.example.com/index.html\n\n"
            "[Content.IE5\\SUB1\\ban[1].gif]\nhttp://shop.example.com/img/ban.gif\n"
            "http://sale.example.org/offer?a=1&b=2\n\n"
            "[Content.IE5\\SUB1\\cat[1].jpg]\nhttp://shop.example.com/img/cat.jpg\n"
            "http://shop.example.com/item/cat.html\n\n");
  EXPECT_FALSE(fs::exists(path(live_ + "page[1].ahm"))) << "nothing is written into the browser's cache";
}

TEST_F(LinkRuns, TheSiteLauncherLinksThumbnailsWhereTheCachedPagesLed) {
  cache_files(live_);
  ZunoPut(ZUNO_FileCopy, 1);
  run("$iecache", out_);
  ZunoPut(ZUNO_FileCopy, 0);

  std::string every = site_launcher(2);
  EXPECT_EQ(count_of(every, "href=\"http://sale.example.org/offer?a=1&amp;b=2\" target=\"_blank\""), 1)
      << every;
  EXPECT_EQ(count_of(every, "href=\"http://shop.example.com/item/cat.html\" target=\"_blank\""), 1) << every;

  std::string banners = site_launcher(1);
  EXPECT_EQ(count_of(banners, "href=\"http://sale.example.org/offer?a=1&amp;b=2\""), 1) << banners;
  EXPECT_EQ(count_of(banners, "item/cat.html"), 0) << "only banners take their link with GetUrl 1";
  EXPECT_EQ(count_of(banners, "cat[1].jpg"), 2) << "the other picture opens in the viewer";

  std::string only_linked = site_launcher(3);
  EXPECT_EQ(count_of(only_linked, "sale.example.org"), 2) << only_linked;  // link and its alt text
  EXPECT_EQ(count_of(only_linked, "cat[1]"), 0) << "GetUrl 3 shows only pictures with an address";
}

TEST_F(LinkRuns, TheBackupViewAnalysesTheBackupsPagesWhenPagesAreCollected) {
  cache_files(backup_);
  ZunoPut(ZUNO_EnableFileType, 127 | 256);
  ZunoPut(ZUNO_GetUrl, 2);
  std::string page = run("$backup", out_);
  EXPECT_EQ(count_of(page, "href=\"http://shop.example.com/item/cat.html\" target=\"_blank\""), 1) << page;
  EXPECT_TRUE(fs::exists(path(backup_ + "page[1].ahm")));
  // Without pages or link files among the collected files there is nothing to read.
  ZunoPut(ZUNO_EnableFileType, 127);
  fs::remove(path(backup_ + "page[1].ahm"));
  page = run("$backup", out_);
  EXPECT_EQ(count_of(page, "target=\"_blank\""), 0) << page;
  EXPECT_EQ(count_of(page, "JavaScript:showcg"), 2) << page;
}

TEST_F(LinkRuns, HostileCachedPagesNeverPutAScriptOrAQuoteIntoTheCatalog) {
  cache_files(
      backup_,
      "<html>\n"
      "<a href=\"javascript:alert(document.cookie)\"><img src=\"http://shop.example.com/img/ban.gif\"></a>\n"
      "<a href=\"http://evil.example/\"onmouseover=alert(1) x=\"><img src=\"img/cat.jpg\"></a>\n"
      "</html>\n");
  ZunoPut(ZUNO_EnableFileType, 127 | 256);
  std::string page = site_launcher(2);
  EXPECT_EQ(count_of(page, "javascript:alert"), 0) << page;
  EXPECT_EQ(count_of(page, "onmouseover=alert"), 0) << page;
  EXPECT_EQ(count_of(page, "target=\"_blank\""), 1) << page;
  EXPECT_EQ(count_of(page, "href=\"http://evil.example/\" target=\"_blank\""), 1) << page;
  // A link file planted with such addresses is read, and gives nothing either.
  write(backup_ + "page[1].htm", "not a page");
  write(backup_ + "page[1].ahm",
        "http://shop.example.com/index.html\n\n"
        "[Content.IE5\\SUB1\\ban[1].gif]\nhttp://shop.example.com/img/ban.gif\njavascript:alert('http')\n\n"
        "[Content.IE5\\SUB1\\cat[1].jpg]\nhttp://shop.example.com/img/cat.jpg\nhttp://x.example/"
        "\"><script>\n\n");
  page = site_launcher(2);
  EXPECT_EQ(count_of(page, "javascript:alert"), 0) << page;
  EXPECT_EQ(count_of(page, "<script>"), 0) << page;
  EXPECT_EQ(count_of(page, "href=\"http://x.example/%22%3E%3Cscript%3E\""), 1) << page;
}

}  // namespace
