// The HTML builder: where lines land for each anchor and side, the pool and page
// limits, and the exact lines the element writers produce.
#include "html/html_builder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "html/html_escape.h"

namespace {

std::vector<std::string> lines_of(int doc) {
  std::vector<std::string> out;
  std::istringstream in(html_doc_text(doc));
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class HtmlBuilderTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    html_reset();
  }
  void TearDown() override {
    html_reset();
    EngineTest::TearDown();
  }
  // A page with its body, as every writer of the engine opens one.
  int open_page(const std::string &name = "p.html") {
    EXPECT_EQ(html_creat_hl(path(name), "T"), 0);
    html_set_body("", 0, "#FFFFFF", "#000000", "#0000FF", "#FF0000", "#800080");
    return html_top_doc();
  }
};

TEST_F(HtmlBuilderTest, TagIdsAndMatching) {
  EXPECT_EQ(html_tag_id("<html>"), 1);
  EXPECT_EQ(html_tag_id("</html>"), 1);
  EXPECT_EQ(html_tag_id("<a>"), 5);
  EXPECT_EQ(html_tag_id("<a href=\"x\">"), -1);
  EXPECT_EQ(html_tag_id("<th>"), 14);
  EXPECT_EQ(html_tag_id("<p>"), -1);
  EXPECT_TRUE(html_tag_match("<a href=\"x\">", "<a>"));
  EXPECT_TRUE(html_tag_match("</a>", "<a>"));
  EXPECT_FALSE(html_tag_match("<frameset rows=\"1\">", "<frame>"));
  EXPECT_FALSE(html_tag_match("<br>", "<body>"));
  EXPECT_FALSE(html_tag_match("text", "<a>"));
}

TEST_F(HtmlBuilderTest, NewDocumentIsHtmlPair) {
  int doc = html_doc_new();
  ASSERT_GE(doc, 0);
  EXPECT_EQ(lines_of(doc), (std::vector<std::string>{"<html>", "</html>"}));
}

TEST_F(HtmlBuilderTest, PoolOfTwentyRefusesTheTwentyFirstAndReusesFreedSlots) {
  std::vector<int> docs;
  for (int i = 0; i < kHtmlDocMax; ++i) docs.push_back(html_doc_new());
  EXPECT_EQ(docs.front(), 0);
  EXPECT_EQ(docs.back(), kHtmlDocMax - 1);
  EXPECT_EQ(html_doc_new(), -1);
  html_doc_free(7);
  EXPECT_EQ(html_doc_new(), 7);
}

TEST_F(HtmlBuilderTest, SideZeroEnclosesEarlierContentSideOneAppends) {
  int doc = html_doc_new();
  ASSERT_EQ(html_insert_tag(doc, kBeforeEnd, "<html>", "<body>"), 0);
  html_insert_text(doc, kBeforeEnd, "<body>", "one");
  html_insert_text(doc, kBeforeEnd, "<body>", "two");
  ASSERT_EQ(html_insert_tag(doc, kAfterStart, "<body>", "<a>"), 0);
  EXPECT_EQ(lines_of(doc), (std::vector<std::string>{"<html>", "<body>", "<a>", "one", "two", "</a>",
                                                     "</body>", "</html>"}));
}

TEST_F(HtmlBuilderTest, AnchorsThatAreNotThereChangeNothing) {
  int doc = html_doc_new();
  EXPECT_EQ(html_insert_tag(doc, kBeforeEnd, "<body>", "<br>"), -1);
  EXPECT_EQ(html_insert_text(doc, kAfterStart, "<table>", "x"), -1);
  EXPECT_EQ(html_add_attr(doc, kAfterStart, "<a>", "href=x"), -1);
  EXPECT_EQ(html_insert_tag(19, kAfterStart, "<html>", "<br>"), -1);  // a free slot
  EXPECT_EQ(lines_of(doc), (std::vector<std::string>{"<html>", "</html>"}));
}

TEST_F(HtmlBuilderTest, AttributesFindStartTagsAndPassOverLookalikes) {
  int doc = html_doc_new();
  html_insert_tag(doc, kBeforeEnd, "<html>", "<frameset>");
  html_add_attr(doc, kAfterStart, "<frameset>", "rows=\"20%,*\"");
  html_insert_tag(doc, kBeforeEnd, "<frameset>", "<frame>");
  html_insert_tag(doc, kBeforeEnd, "<frameset>", "<frame>");
  ASSERT_EQ(html_add_attr(doc, kAfterStart, "<frame>", "src=\"a.html\""), 0);
  ASSERT_EQ(html_add_attr_text(doc, kBeforeEnd, "<frame>", "src=\"b.html\"", "tail"), 0);
  EXPECT_EQ(lines_of(doc),
            (std::vector<std::string>{"<html>", "<frameset rows=\"20%,*\">", "<frame src=\"a.html\">",
                                      "<frame src=\"b.html\">tail", "</frameset>", "</html>"}));
}

TEST_F(HtmlBuilderTest, OverlongLineIsRefusedNotOverflowed) {
  int doc = html_doc_new();
  html_insert_tag(doc, kBeforeEnd, "<html>", "<br>");
  std::string big(kHtmlLineMax, 'x');
  EXPECT_EQ(html_add_attr(doc, kAfterStart, "<br>", big), -1);
  EXPECT_EQ(html_insert_text(doc, kAfterStart, "<html>", big + "y"), -1);
  EXPECT_EQ(lines_of(doc), (std::vector<std::string>{"<html>", "<br>", "</html>"}));
}

TEST_F(HtmlBuilderTest, FreshPageHasCharsetFirstThenTitleBaseAndBody) {
  int doc = open_page();
  EXPECT_EQ(
      lines_of(doc),
      (std::vector<std::string>{
          "<html>", "<head>", "<meta charset=\"utf-8\">", "<title>", "T", "</title>", "<base target=view>",
          "</head>",
          "<body background=\"\" bgcolor=\"#FFFFFF\" TEXT=\"#000000\" LINK=\"#0000FF\" ALINK=\"#FF0000\" "
          "VLINK=\"#800080\">",
          "</body>", "</html>"}));
}

TEST_F(HtmlBuilderTest, FixedBackgroundAndEscapedColours) {
  ASSERT_EQ(html_creat_hl(path("p.html"), "a<b"), 0);
  html_set_body("/pics/bg 1.jpg", 1, "#FFF\"", "", "", "", "");
  std::vector<std::string> l = lines_of(html_top_doc());
  EXPECT_EQ(l[4], "a&lt;b");
  EXPECT_EQ(
      l[8].rfind("<body background=\"/pics/bg%201.jpg\" bgproperties=\"fixed\" bgcolor=\"#FFF&quot;\" TEXT",
                 0),
      0u);
}

TEST_F(HtmlBuilderTest, ClosePageWritesOnlyTheTopPage) {
  ASSERT_EQ(html_creat_hl(path("outer.html"), "outer"), 0);
  ASSERT_EQ(html_creat_hl(path("inner.html"), "inner"), 0);
  EXPECT_EQ(html_close_page(path("outer.html")), -1);
  EXPECT_EQ(html_open_pages(), 2);
  EXPECT_EQ(read("outer.html"), "");
  EXPECT_EQ(html_close_page(path("inner.html")), 0);
  EXPECT_EQ(html_close_page(path("outer.html")), 0);
  EXPECT_EQ(html_open_pages(), 0);
  EXPECT_NE(read("inner.html").find("<title>\ninner\n</title>"), std::string::npos);
  EXPECT_NE(read("outer.html").find("outer"), std::string::npos);
}

TEST_F(HtmlBuilderTest, UnwritablePageIsAFailureAndIsClosed) {
  std::string bad = path("no/such/folder/p.html");
  ASSERT_EQ(html_creat_hl(bad, "x"), 0);
  EXPECT_EQ(html_close_page(bad), -1);
  EXPECT_EQ(html_open_pages(), 0);
  EXPECT_NE(std::string(engine().last_error).find("no/such/folder"), std::string::npos);
}

TEST_F(HtmlBuilderTest, PageStackHoldsTenPages) {
  for (int i = 0; i < kHtmlPageMax; ++i) ASSERT_EQ(html_creat_hl(path(std::to_string(i)), "x"), 0);
  EXPECT_EQ(html_creat_hl(path("eleventh"), "x"), -1);
  EXPECT_EQ(html_open_pages(), kHtmlPageMax);
}

TEST_F(HtmlBuilderTest, ThumbLinkCallsTheViewerInItsOwnFrame) {
  int doc = open_page();
  ASSERT_EQ(html_add_thumb_link(true, "../Images/a.jpg", "./Thumbs/a.jpg", 80, 60, 640, 480, 30000), 0);
  std::vector<std::string> l = lines_of(doc);
  ASSERT_EQ(l.size(), 13u);
  EXPECT_EQ(
      l[9],
      "<a href=\"JavaScript:showcg('../Images/a.jpg',640,480)\" target=\"_self\"><img src=\"./Thumbs/a.jpg\" "
      "width=\"80\" height=\"60\" alt=\"./Thumbs/a.jpg (640X480)(30000Bytes)Ratio(10:1)\" border=\"0\" "
      "loading=\"lazy\">");
  EXPECT_EQ(l[10], "</a>");
  EXPECT_EQ(l[11], "</body>");
}

TEST_F(HtmlBuilderTest, ThumbLinkSurvivesZeroHeightAndSize) {
  int doc = open_page();
  ASSERT_EQ(html_add_thumb_link(true, "a.jpg", "a.jpg", 1, 1, 5, 0, 0), 0);
  EXPECT_NE(html_doc_text(doc).find("(0Bytes)Ratio(0:0)"), std::string::npos);
}

TEST_F(HtmlBuilderTest, NavLinksGoFirstUrlAndTextLinksLast) {
  int doc = open_page();
  html_add_br();
  html_add_thumb_link(true, "p.jpg", "p.jpg", 1, 1, 1, 1, 1);
  html_add_url_link("_blank", true, "http://example.com/?a=1&b=2", "t.jpg", 10, 20);
  html_add_text_link(true, "index000010.html", "[010-019] ");
  html_add_text_link(false, "x.html", "never");
  // The buttons go in when a page is finished, at the start of the body.
  html_add_nav_link("catalog", true, "index000000.html", "back.gif", 60, 24, "[000]←");
  html_add_nav_link("catalog", true, "index000002.html", "next.gif", 60, 24, "→[002]");
  std::vector<std::string> l = lines_of(doc);
  std::vector<std::string> body(l.begin() + 9, l.end() - 2);
  ASSERT_EQ(body.size(), 12u);
  EXPECT_EQ(
      body[0],
      "<a href=\"index000002.html\" target=\"catalog\"><img src=\"next.gif\" width=\"60\" height=\"24\" "
      "alt=\"→[002]\" border=\"0\">");
  EXPECT_EQ(body[1].substr(0, 34), "<a href=\"index000000.html\" target=");
  EXPECT_EQ(body[2], "<br>");
  EXPECT_EQ(body[3].substr(0, 30), "<a href=\"JavaScript:showcg('p.");
  EXPECT_EQ(body[4], "</a>");
  EXPECT_EQ(body[5],
            "<a href=\"http://example.com/?a=1&amp;b=2\" target=\"_blank\"><img src=\"t.jpg\" width=\"10\" "
            "height=\"20\" alt=\"http://example.com/?a=1&amp;b=2\" border=\"0\" loading=\"lazy\">");
  EXPECT_EQ(body[6], "</a>");
  EXPECT_EQ(body[7], "<a href=\"index000010.html\" target=catalog>");
  EXPECT_EQ(body[8], "[010-019] ");
  EXPECT_EQ(body[9], "</a>");
  EXPECT_EQ(body[10], "</a>");  // the two buttons close last
  EXPECT_EQ(body[11], "</a>");
}

TEST_F(HtmlBuilderTest, MovieAndEmbedLinks) {
  int doc = open_page();
  html_add_movie_link("view", true, "/m/a b.avi", "/m/a b.avi", 640, 480);
  html_add_embed_link("view", true, "/m/c.mpg", "/m/c.mpg", 320, 240);
  html_add_movie_link("view", false, "/m/x.avi", "/m/x.avi", 1, 1);
  std::vector<std::string> l = lines_of(doc);
  EXPECT_EQ(
      l[9],
      "<a href=\"/m/a%20b.avi\" target=\"view\"><img dynsrc=\"/m/a%20b.avi\" width=\"640\" height=\"480\" "
      "border=\"0\">");
  EXPECT_EQ(l[11],
            "<a href=\"/m/c.mpg\" target=\"view\"><embed src=\"/m/c.mpg\" width=\"320\" height=\"240\" "
            "border=\"0\">");
  EXPECT_EQ(l[13], "<a>");  // no attach flag: the bare element
}

TEST_F(HtmlBuilderTest, HostileNameKeepsEveryContextIntact) {
  int doc = open_page();
  std::string name = "/p/Bob's #1 <draft> 100%\\x\".jpg";
  html_add_thumb_link(true, name, name, 10, 10, 10, 10, 100);
  std::string line = lines_of(doc)[9];
  // In the link: the path as it is, each % doubled for the javascript: URL, quotes,
  // backslash and brackets escaped for the script string and then for the attribute.
  EXPECT_EQ(
      line.rfind(
          "<a href=\"JavaScript:showcg('/p/Bob\\&#39;s #1 \\x3Cdraft\\x3E 100%25\\\\x\\&quot;.jpg',10,10)\" "
          "target=\"_self\">",
          0),
      0u)
      << line;
  EXPECT_NE(line.find("src=\"/p/Bob%27s%20%231%20%3Cdraft%3E%20100%25%5Cx%22.jpg\""), std::string::npos);
  EXPECT_NE(line.find("alt=\"/p/Bob&#39;s #1 &lt;draft&gt; 100%\\x&quot;.jpg (10X10)"), std::string::npos);
}

TEST(HtmlEscape, EachContext) {
  EXPECT_EQ(html_escape("a&b\"c<d>e'f"), "a&amp;b&quot;c&lt;d&gt;e&#39;f");
  EXPECT_EQ(url_path("/写真 1/a?b#c%d:e.jpg"), "/%E5%86%99%E7%9C%9F%201/a%3Fb%23c%25d%3Ae.jpg");
  EXPECT_EQ(url_path("../Images/a-b_c.~d"), "../Images/a-b_c.~d");
  EXPECT_EQ(js_string("a\\b'c\"d<e\n"), "a\\\\b\\'c\\\"d\\x3Ce\\x0A");
  EXPECT_EQ(showcg_argument("/a b%.jpg"), "/a b%25.jpg");
  EXPECT_EQ(showcg_argument("C:\\x\\it's.jpg"), "C:\\\\x\\\\it\\'s.jpg");
  // Bytes outside UTF-8 (a Latin-1 or a cut Shift-JIS name) go as lone surrogates the viewer
  // turns back into the bytes; well-formed characters, four-byte ones too, stay as they are.
  EXPECT_EQ(showcg_argument("/caf\xE9 %.jpg"), "/caf\\uDCE9 %25.jpg");
  EXPECT_EQ(showcg_argument("/\x82\xA0\xF0\x9F\x92\x80\xE2\x82.jpg"),
            "/\\uDC82\\uDCA0\xF0\x9F\x92\x80\\uDCE2\\uDC82.jpg");
  EXPECT_EQ(showcg_argument("/\xED\xA0\x80.jpg"), "/\\uDCED\\uDCA0\\uDC80.jpg")
      << "an encoded surrogate is no character";
  // Text on the page stays UTF-8: each stray byte shows as U+FFFD.
  EXPECT_EQ(html_escape("caf\xE9 <\xC3\xA9>"), "caf\xEF\xBF\xBD &lt;\xC3\xA9&gt;");
  EXPECT_EQ(html_escape("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD") << "an overlong form is no character";
}

}  // namespace
