// Every byte of the catalog pages, held against pages saved from a known-good build: a
// few hundred nodes whose names carry everything that needs escaping (spaces, '%',
// quotes, brackets, '&', backslashes, bytes outside UTF-8, control bytes, names near
// the 255-byte limit), movies, links to web addresses, several pages with their
// buttons, with and without thumbnail files, and each element writer on its own.
// A change to how pages are built must leave all of it as it was.
// QUILLO_WRITE_GOLDEN=1 rewrites the saved pages (only after checking the change is wanted).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalog_fixture.h"
#include "collect/file_types.h"
#include "core/file_list.h"
#include "core/text.h"
#include "html/html_builder.h"

namespace fs = std::filesystem;

namespace {

const char *const kPieces[] = {
    "plain",
    "with space",
    "100%",
    "50%25off",
    "it's",
    "say \"hi\"",
    "<b>bold</b>",
    "a&b&amp;c",
    "back\\slash",
    "\x82\xa0sjis",
    "\xff\xfe",
    "日本語の写真",
    "#hash",
    "q?x=1&y=2",
    "tab\there",
    "ctrl\x01\x1f",
    "semi;colon:",
    "plus+eq=",
    "tilde~dot.",
    "\xe0\x80\xaf",
    "\xed\xa0\x80",
    "caf\xc3\xa9",
    "emoji\xf0\x9f\x98\x80",
    "cut\xe6\x97",
};
const char *const kFolders[] = {"/golden/pics", "/golden/My Pictures/2024 旅行", "/golden/a&b/<x>",
                                "/golden/per%cent/it's", "/golden/\x83\x5c\x83\x8b"};
const char *const kPictureExt[] = {".jpg", ".JPG", ".gif", ".png", ".bmp", ".tif", ".webp", ".avif"};
const int kPictureType[] = {TYPE_JPEG, TYPE_JPEG, TYPE_GIF,  TYPE_PNG,
                            TYPE_BMP,  TYPE_TIF,  TYPE_WEBP, TYPE_AVIF};
const char *const kMovieExt[] = {".mp4", ".avi", ".webm", ".mpg", ".MOV"};

std::string golden_path() {
  return source_dir() + "/tests/engine/data/page_bytes.golden";
}

std::string read_all(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class PageBytesTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    // The dates the links carry are shown in local time: one zone for every machine.
    setenv("TZ", "UTC", 1);
    tzset();
    ZunoRecord &r = engine().rec;
    r.SubdirDepth = 8;
    r.PageingStyle = 1;
    r.OnePageNum = 37;
    r.OnePageMax = 4096;
    tail_ = &engine().files;
  }

  FileNode *add(const std::string &file, int type, int i) {
    FileNode *n = tail_;
    set_node_text(&n->path, file);
    n->type = type;
    n->size_kb = 1 + i * 7 % 300;
    n->size = int64_t{n->size_kb} * 1024 + i;
    n->width = static_cast<int16_t>(64 + i * 13 % 2000);
    n->height = static_cast<int16_t>(48 + i * 11 % 1500);
    n->disp_width = static_cast<int16_t>(40 + i % 120);
    n->disp_height = static_cast<int16_t>(30 + i % 90);
    n->passed = 1;
    if (i % 3 == 1) n->taken = 1700000000 + int64_t{i} * 86413;
    if (i % 3 == 2) n->modified = 1600000000 + int64_t{i} * 3607;
    n->next = new_node();
    tail_ = n->next;
    return n;
  }

  // The varied tree: pictures of every type, movies, web links and a page that gets no link.
  void add_tree() {
    int i = 0;
    for (int round = 0; round < 2; ++round)
      for (const char *folder : kFolders)
        for (const char *piece : kPieces) {
          int e = (i + round) % 8;
          add(std::string(folder) + "/" + piece + "_" + std::to_string(i) + kPictureExt[e], kPictureType[e],
              i);
          ++i;
        }
    for (int m = 0; m < 25; ++m, ++i) {
      std::string name = std::string(kPieces[m % 24]) + " movie" + kMovieExt[m % 5];
      add(std::string(kFolders[m % 5]) + "/" + name, m % 2 ? TYPE_MOVIE : TYPE_AVI, i);
    }
    for (int u = 0; u < 20; ++u, ++i) {
      FileNode *n = add("/golden/cache/banner" + std::to_string(u) + ".gif", TYPE_GIF, i);
      n->banner = 1;
      set_node_text(&n->source, "http://example.com/" + std::string(kPieces[u]) + "?a=1&b=\"2\"<3>");
    }
    // Names near the limit of one name, each with the characters that escape widest.
    for (const char *fill : {"a", "%", "\"", "&", "<", "\\", "'", " ", "\xe3\x81\x82", "\xff"}) {
      std::string name;
      while (name.size() + strlen(fill) <= 251) name += fill;
      add("/golden/long/" + name + ".jpg", TYPE_JPEG, i++);
    }
    FileNode *capped = add("/golden/huge/panorama.jpg", TYPE_JPEG, i++);
    capped->width = INT16_MAX;
    capped->height = INT16_MAX;
    capped->flags |= FLAG_SIZE_CAPPED;
    add("/golden/pics/page.html", TYPE_HTML, i++);
    add("/golden/pics/nosize.jpg", TYPE_JPEG, i++)->size = 0;
  }

  // Each page of the catalog folder as "#### name length" and its bytes, by name.
  std::string dump_catalog() {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(path("out/html_1")))
      if (e.path().extension() == ".html") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string &name : names) out += entry(name, read("out/html_1/" + name));
    return out;
  }
  static std::string entry(const std::string &name, const std::string &bytes) {
    return "#### " + name + " " + std::to_string(bytes.size()) + "\n" + bytes;
  }

  // Every element writer on one page, with hostile values.
  std::string direct_page() {
    const std::string page = path("direct.html");
    EXPECT_EQ(html_creat_hl(page, "title <&\"'>\xff"), 0);
    html_add_head_script("scripts/a b&c.js");
    html_set_body("bg \"x\".png", 1, "#F<F>", "#0&0", "\"", "'", "\xff");
    html_add_br();
    for (const char *piece : kPieces) {
      std::string p = std::string("/golden/d/") + piece;
      html_add_thumb_link(true, p + ".jpg", "./Thumbs" + p + ".jpg", 10, 20, 30, 40, 5000, false,
                          std::string("撮影 ") + piece);
      html_add_thumb_link(false, p, p, 1, 2, 3, 0, 0);
      html_add_nav_link(piece, true, p + ".html", p + ".gif", 5, 6, piece);
      html_add_url_link(piece, true, std::string("http://x/") + piece, p + ".png", 7, 8);
      html_add_page_link(nullptr, true, p, p, 9, 10, piece);
      html_add_embed_link("_top", true, p + ".swf", p, 11, 12);
      html_add_movie_link("view", true, p + ".avi", p, 13, 14);
      html_add_video(p + ".mp4", p + ".jpg", 15, 16, piece);
      html_add_movie_file_link(p + ".avi", "movie.svg", 17, 18, piece);
      html_add_text_link(true, p + ".html", piece);
      html_add_text_link(false, p, piece);
    }
    html_add_thumb_link(true, "/x.jpg", "/x.jpg", 1, 1, INT16_MAX, INT16_MAX, 1, true);
    EXPECT_EQ(html_close_page(page), 0);
    return entry("direct.html", read("direct.html"));
  }

  std::string all_pages() {
    std::string out;
    EXPECT_GT(ZunoCreatHtml(&engine().rec, &engine().files), 100);
    out += dump_catalog();
    // The same list again, with thumbnail files and another page size.
    fs::remove_all(path("out/html_1"));
    mkdir("out/html_1");
    for (FileNode *n = &engine().files; is_listed(n); n = n->next) n->output = 0;
    engine().rec.MakeThumbnail = 1;
    engine().rec.PageingStyle = 0;
    engine().rec.OnePageMax = 2000;
    EXPECT_GT(ZunoCreatHtml(&engine().rec, &engine().files), 100);
    out += dump_catalog();
    out += direct_page();
    return out;
  }

  FileNode *tail_ = nullptr;
};

// Where the two texts first differ, with a little of each around it.
std::string first_difference(const std::string &want, const std::string &got) {
  size_t at = 0;
  while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
  size_t from = at > 200 ? at - 200 : 0;
  return "first difference at byte " + std::to_string(at) + " (lengths " + std::to_string(want.size()) +
         " and " + std::to_string(got.size()) + ")\nwanted: " + want.substr(from, 400) +
         "\ngot:    " + got.substr(from, 400);
}

TEST_F(PageBytesTest, EveryPageByteIsAsSaved) {
  add_tree();
  std::string got = all_pages();
  ASSERT_EQ(got.find(dir_), std::string::npos)
      << "the pages name the test folder; the saved pages cannot match";
  if (const char *w = getenv("QUILLO_WRITE_GOLDEN"); w && *w == '1') {
    fs::create_directories(fs::path(golden_path()).parent_path());
    std::ofstream(golden_path(), std::ios::binary) << got;
    GTEST_SKIP() << "saved " << golden_path();
  }
  std::string want = read_all(golden_path());
  ASSERT_FALSE(want.empty()) << "no saved pages at " << golden_path();
  if (got != want) {
    std::ofstream(path("page_bytes.actual"), std::ios::binary) << got;
    FAIL() << first_difference(want, got);
  }
}

TEST_F(PageBytesTest, SavedPagesCoverEveryKindOfLink) {
  std::string want = read_all(golden_path());
  for (const char *kind :
       {"JavaScript:showcg(", "<video ", "class=\"movie-file\"", "href=\"http://example.com/", "<embed ",
        "dynsrc=", "target=catalog", "back.gif", "next.gif", "\\uDC", "%25", "&quot;", "&#39;", "&lt;",
        "&amp;", "\xEF\xBF\xBD", "./Thumbs/", "data-date=", "以上"})
    EXPECT_NE(want.find(kind), std::string::npos) << kind;
  EXPECT_GE(count_of(want, "#### index"), 10);
}

// A page that mixes every escape comes out the same however often it is built, so the
// reused buffers of one page leave nothing behind in the next.
TEST_F(PageBytesTest, RebuildingGivesTheSameBytes) {
  std::string first = direct_page();
  std::string second = direct_page();
  EXPECT_EQ(first, second);
  EXPECT_EQ(html_open_pages(), 0);
}

}  // namespace
