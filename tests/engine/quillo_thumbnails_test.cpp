// quillo's thumbnail files: made by default for a folder's catalog at the sizes its pages show, none with
// --no-thumbnails, an undecodable picture passed over with a message, and a Thumbs folder that cannot be
// written reported with a non-zero exit while the catalog stays.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "collect/file_types.h"
#include "collect/picture_header.h"
#include "engine_fixture.h"
#include "private_temp.h"

namespace fs = std::filesystem;

namespace {

struct Image {
  std::string page;  // the page's folder
  std::string src;
  int width = -1, height = -1;  // -1: the tag gives none
};

// %XX escapes as the pages write them.
std::string url_decoded(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<Image> images_of(const std::string &catalog) {
  static const std::regex img(R"(<img\s[^>]*>)", std::regex::icase);
  static const std::regex src(R"re(src="([^"]*)")re"), width(R"re(width="(\d+)")re"),
      height(R"re(height="(\d+)")re");
  std::vector<Image> found;
  for (const auto &entry : fs::directory_iterator(catalog)) {
    if (entry.path().extension() != ".html") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string html{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (std::sregex_iterator m(html.begin(), html.end(), img), end; m != end; ++m) {
      const std::string tag = m->str();
      std::smatch s, w, h;
      if (!std::regex_search(tag, s, src)) continue;
      Image image{catalog, url_decoded(s[1]), -1, -1};
      if (std::regex_search(tag, w, width)) image.width = std::stoi(w[1]);
      if (std::regex_search(tag, h, height)) image.height = std::stoi(h[1]);
      found.push_back(image);
    }
  }
  return found;
}

std::string file_of(const Image &image) {
  return image.src.front() == '/' ? image.src : image.page + "/" + image.src;
}

// The pixel size of a picture file as the engine's header reader sees it.
std::pair<int, int> size_of(const std::string &file) {
  int16_t w = 0, h = 0;
  if (read_picture_header(nullptr, file.c_str(), file_type(file.c_str()), nullptr, nullptr, &w, &h, nullptr) <
      0)
    return {-1, -1};
  return {w, h};
}

class QuilloThumbnails : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    program_settings("settings");
    // With the buttons too, so that every picture of the pages has its file.
    fs::copy(program_dir() + "/button", path("settings/button"), fs::copy_options::recursive);
    picture("pics/a.jpg", 400, 300);
    picture("pics/sub/b.png", 300, 200);
    picture("pics/c.webp", 200, 300);
    picture("pics/sub/deeper/d.gif", 150, 150);
  }

  // Without a display, as from a terminal or a service.
  CommandOutcome quillo(const std::string &options = "") {
    return run_command("env -u DISPLAY -u WAYLAND_DISPLAY '" + program_dir() + "/quillo' -q --settings '" +
                       path("settings") + "' --output '" + path("out") + "' " + options + " '" +
                       path("pics") + "'");
  }

  std::string catalog() const { return path("out/pics/html_1"); }

  std::vector<Image> thumbnails() const {
    std::vector<Image> shown;
    for (const Image &image : images_of(catalog()))
      if (image.src.rfind("./Thumbs/", 0) == 0) shown.push_back(image);
    return shown;
  }
};

TEST_F(QuilloThumbnails, EveryThumbnailThePagesShowIsWrittenAtItsSize) {
  CommandOutcome o = quillo();
  ASSERT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, catalog() + "/index.html\n");
  const std::vector<Image> shown = thumbnails();
  ASSERT_EQ(shown.size(), 4u);
  for (const Image &image : shown) {
    const std::string file = file_of(image);
    ASSERT_TRUE(fs::is_regular_file(file)) << file;
    EXPECT_EQ(file_type(file.c_str()), TYPE_JPEG) << file;
    EXPECT_EQ(size_of(file), std::make_pair(image.width, image.height)) << file;
  }
  // Every picture any page shows, thumbnails or buttons, is a file of the catalog.
  for (const Image &image : images_of(catalog()))
    EXPECT_TRUE(fs::is_regular_file(file_of(image))) << image.src;
  // Only whole files: no temporary file is left among the thumbnails.
  int files = 0;
  for (const auto &entry : fs::recursive_directory_iterator(catalog() + "/Thumbs"))
    if (entry.is_regular_file()) {
      ++files;
      EXPECT_EQ(entry.path().extension(), ".jpg") << entry.path();
    }
  EXPECT_EQ(files, 4);
}

TEST_F(QuilloThumbnails, NoThumbnailsLeavesNoThumbsFolderAndPagesShowTheOriginals) {
  CommandOutcome o = quillo("--no-thumbnails");
  ASSERT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(o.out, catalog() + "/index.html\n");
  EXPECT_FALSE(fs::exists(catalog() + "/Thumbs"));
  EXPECT_TRUE(thumbnails().empty());
  std::vector<std::string> originals;
  for (const Image &image : images_of(catalog()))
    if (image.src.rfind(path("pics"), 0) == 0) originals.push_back(image.src);
  std::sort(originals.begin(), originals.end());
  EXPECT_EQ(originals, (std::vector<std::string>{path("pics/a.jpg"), path("pics/c.webp"),
                                                 path("pics/sub/b.png"), path("pics/sub/deeper/d.gif")}));
}

// A JPEG whole in form (its header reads, it ends where it should) whose component names a quantisation
// table the file does not hold: the decoder refuses it.
TEST_F(QuilloThumbnails, AnUndecodablePictureIsPassedOverWithAMessage) {
  std::string bytes = read("pics/a.jpg");
  const size_t sof = bytes.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  bytes[sof + 2 + 2 + 1 + 2 + 2 + 1 + 2] = 3;  // length, precision, height, width, count; id, sampling; table
  write("pics/broken.jpg", bytes);
  CommandOutcome o = quillo();
  EXPECT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(o.out, catalog() + "/index.html\n");
  EXPECT_EQ(o.err, "quillo: cannot decode " + path("pics/broken.jpg") + ": its thumbnail is left blank\n");
  const std::vector<Image> shown = thumbnails();
  ASSERT_EQ(shown.size(), 5u);
  // Its page has no hole: a blank thumbnail of its size stands in, and the others are made as ever.
  for (const Image &image : shown)
    EXPECT_EQ(size_of(file_of(image)), std::make_pair(image.width, image.height)) << image.src;
}

TEST_F(QuilloThumbnails, AThumbsFolderThatCannotBeMadeFailsTheRunButKeepsTheCatalog) {
  write("out/pics/html_1/Thumbs", "a file where the thumbnails go");
  CommandOutcome o = quillo();
  EXPECT_EQ(o.exit_code, 4);
  EXPECT_EQ(o.out, catalog() + "/index.html\n");
  EXPECT_NE(o.err.find("cannot make the thumbnail folder " + catalog() + "/Thumbs"), std::string::npos)
      << o.err;
  EXPECT_TRUE(fs::is_regular_file(catalog() + "/index.html"));
  EXPECT_FALSE(thumbnails().empty());
  EXPECT_EQ(read("out/pics/html_1/Thumbs"), "a file where the thumbnails go");
}

TEST_F(QuilloThumbnails, ThumbnailFilesThatCannotBeWrittenAreNamedAndFailTheRun) {
  write("out/pics/html_1/Thumbs/sub", "a file where a subfolder's thumbnails go");
  CommandOutcome o = quillo();
  EXPECT_EQ(o.exit_code, 4);
  EXPECT_EQ(o.out, catalog() + "/index.html\n");
  EXPECT_NE(o.err.find("cannot write the thumbnail " + catalog() + "/Thumbs/sub/b.jpg"), std::string::npos)
      << o.err;
  EXPECT_NE(o.err.find("2 thumbnail files could not be written"), std::string::npos) << o.err;
  // The pictures of other folders still get theirs.
  EXPECT_TRUE(fs::is_regular_file(catalog() + "/Thumbs/a.jpg"));
  EXPECT_TRUE(fs::is_regular_file(catalog() + "/Thumbs/c.jpg"));
}

TEST_F(QuilloThumbnails, PicturesARunDiedOnAreNamedByTheNextRunOnce) {
  mkdir(private_temp());
  // The list ends at its NUL; what follows is left from a longer one.
  static const char journal[] = "/lost/一.jpg\n/lost/two.png\0old";
  write(private_temp("thumbnails.ini.LastProcPicName"), std::string(journal, sizeof journal - 1));
  CommandOutcome o = quillo();
  EXPECT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(o.err, "quillo: 前回下記のファイル処理中に異常終了しました/lost/一.jpg\n/lost/two.png\n");
  o = quillo();
  EXPECT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_FALSE(fs::exists(path(private_temp("thumbnails.ini.LastProcPicName"))));
}

}  // namespace
