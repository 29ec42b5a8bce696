// Link analysis of cached pages: the anchor scanner, link files written beside the
// pages and read back into the file list, the page that showed a picture, and the
// catalogs whose thumbnails lead where the cached pages' anchors led.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "core/file_list.h"
#include "core/text.h"
#include "engine_fixture.h"
#include "links/anchor_scan.h"
#include "links/link_file.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- anchor scanner

std::vector<AnchorAddresses> scan(const std::string &page) {
  std::vector<AnchorAddresses> out;
  AnchorScan scan(page);
  AnchorAddresses a;
  while (next_anchor(&scan, &a))
    if (!a.link.empty() || !a.picture.empty()) out.push_back(a);
  return out;
}

TEST(AnchorScanner, AnAnchorAroundOnePictureGivesBothAddressesInCanonicalForm) {
  auto found =
      scan("<a href=\"HTTP://Shop.example.com/a/../offer\"><img src=\"http://shop.example.com/b.gif\"></a>");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].link, "http://Shop.example.com/offer");
  EXPECT_EQ(found[0].picture, "http://shop.example.com/b.gif");
}

TEST(AnchorScanner, RelativeAddressesStayAsWrittenForTheWriterToCombine) {
  auto found = scan("<A HREF=\"item/cat.html\"><IMG SRC=\"img/cat.jpg\"></A>");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].link, "item/cat.html");
  EXPECT_EQ(found[0].picture, "img/cat.jpg");
}

TEST(AnchorScanner, AnchorsThatAreNoSinglePictureGiveNothingAndTheScanGoesOn) {
  std::string good = "<a href=\"http://x.example/ok\"><img src=\"http://x.example/ok.gif\"></a>";
  std::string page =
      "<a href=\"http://x.example/1\"><img src=\"a.gif\"><img src=\"b.gif\"></a>"  // two pictures
      "<a href=\"http://x.example/2\"><img src=\"c.gif\"></td><td>x</a>"           // spans two cells
      "<a href=\"http://x.example/3\"><img src=\"d.gif\"><td></a>"                 // picture in a cell
      "<a href=\"mailto:me@x.example\"><img src=\"e.gif\"></a>"                    // mail link
      "<a href=\"http://x.example/4\">just words</a>"                              // no picture
      "<a href='http://x.example/5'><img src='f.gif'></a>"                         // single quotes
      "<a href=\"http://x.example/6\"><Img src=\"g.gif\"></a>"                     // mixed-case tag
      "<a href=\"\"><img src=\"h.gif\"></a>"                                       // empty link
      "<a href=\"http://x.example/7\"><img src=\"\"></a>" +                        // empty picture
      good;
  auto found = scan(page);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].link, "http://x.example/ok");
}

TEST(AnchorScanner, LinksOfThePageHeadDoNotTakeTheFirstAnchorsPlace) {
  // Today's pages name a style sheet and an icon before their first anchor.
  auto found = scan(
      "<head><link rel=\"stylesheet\" href=\"style.css\"><link rel=\"icon\" HREF=\"data:,\"></head><body>"
      "<p><a href=\"target1.html\"><img src=\"photo.webp\"></a></p>"
      "<p><a href=\"target2.html\"><img src=\"photo.avif\"></a></p>");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].link, "target1.html");
  EXPECT_EQ(found[0].picture, "photo.webp");
  EXPECT_EQ(found[1].link, "target2.html");
}

TEST(AnchorScanner, AnAnchorOf1024CharactersIsIgnoredNotCut) {
  std::string prefix = "<a href=\"http://x.example/";
  std::string suffix = "\"><img src=\"http://x.example/p.gif\">";
  // The anchor text runs from "href" to "</a": 1024 characters in all.
  std::string fill(1024 - (prefix.size() - 3) - suffix.size(), 'q');
  EXPECT_TRUE(scan(prefix + fill + suffix + "</a>").empty());
  fill.pop_back();  // 1023 characters: still taken
  auto found = scan(prefix + fill + suffix + "</a>");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].link, "http://x.example/" + fill);
}

TEST(AnchorScanner, APageOfUpperCaseTagsIsScannedInOnePass) {
  // Searching such a page to its end for "href" and "</a" once per anchor would take minutes.
  std::string page;
  for (int i = 0; i < 40000; ++i)
    page += "<A HREF=\"http://x.example/" + std::to_string(i) + "\"><IMG SRC=\"p" + std::to_string(i) +
            ".gif\"></A>\n";
  auto started = std::chrono::steady_clock::now();
  auto found = scan(page);
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(found.size(), 40000u);
  EXPECT_LT(took, std::chrono::seconds(10));
}

TEST(AnchorScanner, AnAnchorWithoutItsEndEndsTheScan) {
  EXPECT_TRUE(scan("<a href=\"http://x.example/\"><img src=\"http://x.example/a.gif\">").empty());
  EXPECT_TRUE(scan("").empty());
  EXPECT_TRUE(scan("href").empty());
}

TEST(AnchorScanner, AddressesThatCouldLeaveTheirAttributeAreEncoded) {
  auto found = scan(
      "<a href=\"http://x.example/<script>alert(1)</script>\"><img src=\"http://x.example/a b.gif\"></a>");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].link, "http://x.example/%3Cscript%3Ealert(1)%3C/script%3E");
  EXPECT_EQ(found[0].picture, "http://x.example/a%20b.gif");
  found = scan("<a href=\"http://x.example/>{x}|y\"><img src=\"http://x.example/\xE7\x8C\xAB.gif\"></a>");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].link, "http://x.example/%3E%7Bx%7D%7Cy");
  EXPECT_EQ(found[0].picture, "http://x.example/%E7%8C%AB.gif");
}

// ---------------------------------------------------------------- link files

constexpr const char *kSub = "SUB1";

// A cache backup as a cache run leaves it: copies below "<out>/<cache name>/Images",
// the analysed index in the program folder's DB.
class LinkFiles : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    copy_field(engine().db_folder, path("prog/DB"), "");
    copy_field(engine().rec.OutputPath, path("out/Temporary Internet Files"), "");
    images_ = "out/Temporary Internet Files/Images/";
    cache_ = images_ + "Content.IE5/" + kSub + "/";
    index("SUB1", {{"page[1].HTM", "http://shop.example.com/index.html"},
                   {"ban[1].GIF", "http://shop.example.com/img/ban.gif"},
                   {"cat[1].JPG", "http://shop.example.com/img/cat.jpg"}});
    // Link files name the files; what they hold does not matter here.
    write(cache_ + "ban[1].gif", "GIF89a");
    write(cache_ + "cat[1].jpg", "\xFF\xD8\xFF");
  }
  // Writes a subfolder's analysed index by hand: (file name, address) pairs.
  void index(const std::string &sub, const std::vector<std::pair<std::string, std::string>> &pairs) {
    std::string text;
    for (auto &[name, address] : pairs) text += "Content.IE5\\" + sub + "\\" + name + "\n" + address + "\n";
    write("prog/DB/" + sub + "analyzed_index.txt", text);
  }
  std::string page(const std::string &body, const std::string &name = "page[1].htm") {
    return write(cache_ + name, "<html><body>\n" + body + "\n</body></html>\n");
  }
  std::string ahm(const std::string &name = "page[1].ahm") { return path(cache_ + name); }

  std::string images_, cache_;
};

const char *kShopPage =
    "<a href=\"http://sale.example.org/offer\"><img src=\"http://shop.example.com/img/ban.gif\"></a>\n"
    "<a href=\"item/cat.html\"><img src=\"img/cat.jpg\" width=\"120\"></a>";

TEST_F(LinkFiles, APageBecomesALinkFileOfItsPicturesAndWhereTheyLead) {
  std::string p = page(kShopPage);
  EXPECT_EQ(write_link_file(p), 0);
  EXPECT_EQ(read(ahm()),
            "http://shop.example.com/index.html\n\n"
            "[Content.IE5\\SUB1\\ban[1].gif]\nhttp://shop.example.com/img/ban.gif\nhttp://sale.example.org/"
            "offer\n\n"
            "[Content.IE5\\SUB1\\cat[1].jpg]\nhttp://shop.example.com/img/cat.jpg\n"
            "http://shop.example.com/item/cat.html\n\n");
}

TEST_F(LinkFiles, APageWhoseAddressIsUnknownKeepsOnlyAbsoluteAddresses) {
  std::string p = page(kShopPage, "other[1].htm");
  EXPECT_EQ(write_link_file(p), 0);
  EXPECT_EQ(read(ahm("other[1].ahm")),
            "http://\n\n"
            "[Content.IE5\\SUB1\\ban[1].gif]\nhttp://shop.example.com/img/ban.gif\nhttp://sale.example.org/"
            "offer\n\n");
}

TEST_F(LinkFiles, PagesWithoutARecordLeaveNoLinkFile) {
  // Not a page: the first thing after blanks is not '<'.
  std::string text =
      write(cache_ + "page[1].htm", "  \r\n GIF89a <a href=\"http://a.example/\"><img src=\"x\"></a>");
  EXPECT_EQ(write_link_file(text), -1);
  EXPECT_FALSE(fs::exists(ahm()));
  // Only rejected anchors, and a picture the cache does not hold; a link file of an
  // earlier state of the page goes too.
  write(cache_ + "page[1].ahm", "http://old\n\n[Content.IE5\\SUB1\\ban[1].gif]\nx\nhttp://old/\n\n");
  std::string p = page(
      "<a href=\"mailto:a@b.example\"><img src=\"http://shop.example.com/img/ban.gif\"></a>"
      "<a href=\"http://x.example/\"><img src=\"http://shop.example.com/img/ban.gif\"><img src=\"b.gif\"></a>"
      "<a href=\"http://x.example/\"><img src=\"http://shop.example.com/img/cat.jpg\"></td><td></a>"
      "<a href=\"http://x.example/\"><img src=\"http://elsewhere.example/not-cached.gif\"></a>");
  EXPECT_EQ(write_link_file(p), -1);
  EXPECT_FALSE(fs::exists(ahm())) << read(ahm());
}

TEST_F(LinkFiles, AnUnreadablePageIsReportedByNameAndLeavesNoLinkFile) {
  EXPECT_EQ(write_link_file(path(cache_ + "gone[1].htm")), 0);
  EXPECT_NE(std::string(engine().last_error).find("gone[1].htm"), std::string::npos) << engine().last_error;
  EXPECT_FALSE(fs::exists(ahm("gone[1].ahm")));
}

TEST_F(LinkFiles, LinksThatAreNoWebAddressesAreDropped) {
  std::string p = page(
      "<a href=\"javascript:alert(1)\"><img src=\"http://shop.example.com/img/ban.gif\"></a>"
      "<a href=\"file:///etc/passwd\"><img src=\"http://shop.example.com/img/ban.gif\"></a>"
      "<a href=\"ftp://files.example/x\"><img src=\"http://shop.example.com/img/ban.gif\"></a>"
      "<a href=\"http://[bad\"><img src=\"http://shop.example.com/img/ban.gif\"></a>"
      "<a href=\"https://good.example/\"><img src=\"img/cat.jpg\"></a>");
  EXPECT_EQ(write_link_file(p), 0);
  std::string text = read(ahm());
  EXPECT_EQ(count_of(text, "\n["), 1) << text;
  EXPECT_NE(text.find("https://good.example/"), std::string::npos) << text;
}

TEST_F(LinkFiles, MakeLinkFileWritesOnlyInsideTheRunsOwnOutput) {
  std::string mine = write("pics/page.htm", std::string("<html>") + kShopPage);
  FileNode node{};
  node.path = mine.data();
  EXPECT_EQ(make_link_file(&engine().rec, &node), -1);
  EXPECT_FALSE(fs::exists(path("pics/page.ahm")));
  std::string copy = page(kShopPage);
  node.path = copy.data();
  EXPECT_EQ(make_link_file(&engine().rec, &node), 0);
  EXPECT_TRUE(fs::exists(ahm()));
}

// ---------------------------------------------------------------- reading link files back

class ApplyLinks : public LinkFiles {
 protected:
  void SetUp() override {
    LinkFiles::SetUp();
    write(cache_ + "dog[1].png", "\x89PNG");
    tail_ = &engine().files;
  }
  FileNode *add(const std::string &relative, int banner, int passed = 1) {
    FileNode *n = tail_;
    set_node_text(&n->path, path(relative));
    n->type = file_type(n->path);
    n->banner = static_cast<uint8_t>(banner);
    n->passed = static_cast<uint8_t>(passed);
    n->next = new_node();
    tail_ = n->next;
    return n;
  }
  std::string link_file(const std::string &records) {
    return write(cache_ + "page[1].ahm", "http://shop.example.com/index.html\n\n" + records);
  }
  int apply(int mode) {
    engine().rec.GetUrl = mode;
    engine().rec.CpuPriority = 100;
    return apply_link_files(&engine().rec, &engine().files);
  }
  static std::string source(const FileNode *n) { return n->source ? n->source : ""; }

  FileNode *tail_ = nullptr;
};

const char *kRecords =
    "[Content.IE5\\SUB1\\ban[1].gif]\nhttp://shop.example.com/img/ban.gif\nhttp://sale.example.org/offer\n\n"
    "[Content.IE5\\SUB1\\cat[1].jpg]\nhttp://shop.example.com/img/cat.jpg\nhttp://shop.example.com/item/"
    "cat.html\n\n";

TEST_F(ApplyLinks, WithGetUrl1OnlyBannersTakeTheirLinkWith2EveryPictureDoes) {
  link_file(kRecords);
  FileNode *ban = add(cache_ + "ban[1].gif", 1);
  FileNode *cat = add(cache_ + "cat[1].jpg", 0);
  add(cache_ + "page[1].ahm", 0, 0);
  ASSERT_EQ(apply(1), 0);
  EXPECT_EQ(source(ban), "http://sale.example.org/offer");
  EXPECT_EQ(source(cat), "");
  EXPECT_EQ(ban->mark, 1);
  ASSERT_EQ(apply(2), 0);
  EXPECT_EQ(source(cat), "http://shop.example.com/item/cat.html");
  EXPECT_EQ(cat->mark, 1);
  EXPECT_EQ(ban->mark, 2) << "each link file read counts";
}

TEST_F(ApplyLinks, PicturesThatFailedTheFilterOrHaveAnUpperCaseKeyTakeNothing) {
  link_file(std::string(kRecords) +
            "[Content.IE5\\SUB1\\dog[1].PNG]\nhttp://shop.example.com/dog.png\nhttp://dogs.example/\n\n");
  FileNode *cat = add(cache_ + "cat[1].jpg", 0, 0);
  FileNode *dog = add(cache_ + "dog[1].png", 0);
  add(cache_ + "page[1].ahm", 0, 0);
  ASSERT_EQ(apply(2), 0);
  EXPECT_EQ(source(cat), "");
  EXPECT_EQ(source(dog), "") << "the key is matched with its extension lower-cased";
}

TEST_F(ApplyLinks, HostileLinkFilesGiveNoAddressAndStayAsTheyWere) {
  FileNode *ban = add(cache_ + "ban[1].gif", 1);
  FileNode *cat = add(cache_ + "cat[1].jpg", 1);
  add(cache_ + "page[1].ahm", 0, 0);
  // Links that are no web addresses, and a record that ends early.
  std::string hostile =
      "[Content.IE5\\SUB1\\ban[1].gif]\nx\njavascript:alert('http')\n\n"
      "[Content.IE5\\SUB1\\cat[1].jpg]\nhttp://shop.example.com/img/cat.jpg\n";
  link_file(hostile);
  ASSERT_EQ(apply(2), 0);
  EXPECT_EQ(source(ban), "");
  EXPECT_EQ(source(cat), "");
  // Not beginning with "http": ignored, and left on disk (it is not ours to delete).
  write(cache_ + "page[1].ahm", std::string("ftp://x\n\n") + kRecords);
  ASSERT_EQ(apply(2), 0);
  EXPECT_EQ(source(ban), "");
  EXPECT_TRUE(fs::exists(ahm()));
  // Larger than a link file can be: not read.
  std::string big = "http://shop.example.com/\n\n" + std::string(kRecords);
  big += std::string(245760 - big.size() + 1, '\n');
  write(cache_ + "page[1].ahm", big);
  ASSERT_EQ(apply(2), 0);
  EXPECT_EQ(source(ban), "");
  big.resize(245760);
  write(cache_ + "page[1].ahm", big);
  ASSERT_EQ(apply(2), 0);
  EXPECT_EQ(source(ban), "http://sale.example.org/offer") << "exactly the limit is still read";
}

TEST_F(ApplyLinks, AnAddressIsTakenInItsWebFormOrNotAtAll) {
  FileNode *ban = add(cache_ + "ban[1].gif", 1);
  add(cache_ + "page[1].ahm", 0, 0);
  link_file("[Content.IE5\\SUB1\\ban[1].gif]\nx\nsee http://sale.example.org/a\"b<c>\n\n");
  ASSERT_EQ(apply(2), 0);
  EXPECT_EQ(source(ban), "http://sale.example.org/a%22b%3Cc%3E");
  link_file("[Content.IE5\\SUB1\\ban[1].gif]\nx\nhttp://sale.example.org/" + std::string(1100, 'a') + "\n\n");
  free(ban->source);
  ban->source = nullptr;
  ASSERT_EQ(apply(2), 0);
  EXPECT_EQ(source(ban), "") << "an overlong address is dropped, never cut";
}

TEST_F(ApplyLinks, APageInTheRunsBackupIsAnalysedFirst) {
  page(kShopPage);
  FileNode *ban = add(cache_ + "ban[1].gif", 1);
  FileNode *cat = add(cache_ + "cat[1].jpg", 0);
  add(cache_ + "page[1].htm", 0, 0);
  ASSERT_EQ(apply(2), 0);
  EXPECT_TRUE(fs::exists(ahm()));
  EXPECT_EQ(source(ban), "http://sale.example.org/offer");
  EXPECT_EQ(source(cat), "http://shop.example.com/item/cat.html");
}

TEST_F(ApplyLinks, AnUnreadableLinkFileIsReportedAndTheOthersStillApply) {
  FileNode *ban = add(cache_ + "ban[1].gif", 1);
  add(cache_ + "gone[1].ahm", 0, 0);
  add(cache_ + "page[1].ahm", 0, 0);
  link_file(kRecords);
  ASSERT_EQ(apply(2), 0);
  EXPECT_NE(std::string(engine().last_error).find("gone[1].ahm"), std::string::npos) << engine().last_error;
  EXPECT_EQ(source(ban), "http://sale.example.org/offer");
}

TEST_F(ApplyLinks, AnAbortStopsTheStepWithMinusOne) {
  add(cache_ + "ban[1].gif", 1);
  add(cache_ + "page[1].ahm", 0, 0);
  link_file(kRecords);
  engine().rec.GetUrl = 2;
  engine().rec.CpuPriority = 0;  // the poll answers at once
  ZunoAbortReq();
  EXPECT_EQ(apply_link_files(&engine().rec, &engine().files), -1);
  EXPECT_STREQ(engine().last_error, "ユーザーによる中断要求");
}

// ---------------------------------------------------------------- the page that showed a picture

class LinkPages : public LinkFiles {
 protected:
  void SetUp() override {
    LinkFiles::SetUp();
    setenv("OS", "Windows_NT", 1);
    setenv("USERPROFILE", path("profile").c_str(), 1);
    copy_field(engine().rec.SavedOutputPath, path("out"), "");
    page(kShopPage);
  }
  void TearDown() override {
    unsetenv("OS");
    unsetenv("USERPROFILE");
    LinkFiles::TearDown();
  }
  // ZunoGetLinkPage's result and the text it gave.
  std::pair<int, std::string> link_page(const std::string &address) {
    char area[ZUNO_BUFSIZE] = "untouched";
    char *buf = area;
    int r = ZunoGetLinkPage(address.c_str(), &buf);
    return {r, area};
  }
};

TEST_F(LinkPages, ThePageInThePicturesOwnCacheFolderIsFound) {
  auto [r, text] = link_page("http://shop.example.com/img/cat.jpg");
  EXPECT_EQ(r, 0) << engine().last_error;
  EXPECT_EQ(text, "http://shop.example.com/index.html");
}

TEST_F(LinkPages, APageOfTheSameSiteInAnotherCacheFolderIsFoundNext) {
  index("SUB2", {{"dog[1].PNG", "http://shop.example.com/img/dog.png"}});
  write(images_ + "Content.IE5/SUB2/dog[1].png", "\x89PNG");
  page("<img src=\"img/dog.png\">", "shelter[1].htm");
  index("SUB1", {{"page[1].HTM", "http://shop.example.com/index.html"},
                 {"shelter[1].HTM", "http://shop.example.com/shelter.html"}});
  auto [r, text] = link_page("http://shop.example.com/img/dog.png");
  EXPECT_EQ(r, 0) << engine().last_error;
  EXPECT_EQ(text, "http://shop.example.com/shelter.html");
}

TEST_F(LinkPages, PagesOfAnotherSiteOrWithoutThePictureAreNotTheLinkPage) {
  EXPECT_EQ(link_page("http://other.example.net/img/cat.jpg").first, -1);
  EXPECT_EQ(link_page("http://shop.example.com/img/bird.jpg").first, -1);
  EXPECT_EQ(link_page("not an address").first, -1);
  EXPECT_EQ(link_page("http://shop.example.com/img/").first, -1) << "no file name to look for";
}

TEST_F(LinkPages, TheListIsKeptUntilACacheRunPreparesAndThenBuiltAnew) {
  ASSERT_EQ(link_page("http://shop.example.com/img/cat.jpg").first, 0);
  index("SUB3", {{"news[1].HTM", "http://news.example.com/"}});
  write(images_ + "Content.IE5/SUB3/news[1].htm", "<html><img src=\"/pics/moon.jpg\"></html>");
  EXPECT_EQ(link_page("http://news.example.com/pics/moon.jpg").first, -1) << "the list was built before";

  // A browser-cache run's preparation empties the list.
  std::string prog = mkdir("prog");
  std::string ini;
  ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini));
  write("prog/quillo.ini", ini);
  ASSERT_EQ(ZunoInit(prog.c_str()), 0);
  ZunoPutStr(ZUNO_OutputPath, path("out").c_str());
  mkdir("profile/Local Settings/Temporary Internet Files/Content.IE5");
  ZunoNewMain(prog.c_str(), "$iecache", path("out").c_str());
  ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
  auto [r, text] = link_page("http://news.example.com/pics/moon.jpg");
  EXPECT_EQ(r, 0) << engine().last_error;
  EXPECT_EQ(text, "http://news.example.com/");
}

TEST_F(LinkPages, WithoutABackupOrOnAbortThereIsNoLinkPage) {
  copy_field(engine().rec.SavedOutputPath, path("elsewhere"), "");
  EXPECT_EQ(link_page("http://shop.example.com/img/cat.jpg"), std::make_pair(-1, std::string()));
  EXPECT_NE(std::string(engine().last_error).find("キャッシュのバックアップがありません"), std::string::npos)
      << engine().last_error;
  copy_field(engine().rec.SavedOutputPath, path("out"), "");
  ZunoAbortReq();
  EXPECT_EQ(link_page("http://shop.example.com/img/cat.jpg").first, -1);
}

TEST_F(LinkPages, TheAddressOfACachedFileComesFromTheAnalysedIndex) {
  char area[ZUNO_BUFSIZE] = "";
  char *buf = area;
  EXPECT_EQ(ZunoGetAnarizedURL(path(cache_ + "cat[1].jpg").c_str(), &buf), 0);
  EXPECT_STREQ(area, "http://shop.example.com/img/cat.jpg");
  EXPECT_EQ(ZunoGetAnarizedURL(path("pics/cat.jpg").c_str(), &buf), -1);
  // An address longer than the caller's area is no answer at all.
  index("SUB1", {{"cat[1].JPG", "http://shop.example.com/" + std::string(300, 'c') + ".jpg"}});
  strcpy(area, "before");
  EXPECT_EQ(ZunoGetAnarizedURL(path(cache_ + "cat[1].jpg").c_str(), &buf), -1);
  EXPECT_STREQ(area, "before");
}

}  // namespace
