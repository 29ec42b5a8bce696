// Hostile settings, pictures and trees: every setting held to a range that makes sense
// when it is read, sums of sizes that cannot overflow, picture sizes that stop at what
// a node holds instead of wrapping, and folder links that the old single-call run lists
// without entering.
#include <climits>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "core/file_list.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

// The settings that come with the program, with `changes` ("Key=value" lines) put in
// place of the lines of the same keys.
std::string program_ini_with(const std::vector<std::string> &changes) {
  std::string ini;
  EXPECT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini));
  for (const std::string &change : changes) {
    const std::string key = change.substr(0, change.find('=') + 1);
    const size_t at = ini.find("\n" + key);
    EXPECT_NE(at, std::string::npos) << key;
    const size_t end = ini.find('\n', at + 1);
    ini.replace(at + 1, end - at - 1, change);
  }
  return ini;
}

std::string le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// A TIFF as far as the header reader looks: the header and one directory with the
// width and height as 32-bit values.
std::string tiff_of_size(uint32_t width, uint32_t height) {
  auto le16 = [](unsigned v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
  std::string t = "II" + le16(42) + le32(8) + le16(2);
  t += le16(256) + le16(4) + le32(1) + le32(width);
  t += le16(257) + le16(4) + le32(1) + le32(height);
  return t + le32(0);
}

// Every file below `folder` whose name ends with `suffix`.
std::vector<std::string> files_below(const std::string &folder, const std::string &suffix) {
  std::vector<std::string> found;
  for (const auto &entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().string().ends_with(suffix)) found.push_back(entry.path());
  return found;
}

// The percentages of a frameset page's rows= or cols= values.
std::vector<long long> frameset_shares(const std::string &page) {
  std::vector<long long> shares;
  static const std::regex share("(rows|cols)=\"(-?[0-9]+)%");
  for (std::sregex_iterator it(page.begin(), page.end(), share), end; it != end; ++it)
    shares.push_back(std::stoll((*it)[2]));
  return shares;
}

class HostileRun : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    settings_ = program_settings("prog");
    out_ = mkdir("out");
    target_ = mkdir("pics");
  }

  // Reads the settings with `changes`, then prepares and gathers; false when a step failed.
  bool gather_with(const std::vector<std::string> &changes) {
    write("prog/quillo.ini", program_ini_with(changes));
    if (ZunoInit(settings_.c_str()) != 0) return false;
    ZunoPutStr(ZUNO_OutputPath, out_.c_str());
    ZunoPut(ZUNO_CpuPriority, 100);
    if (ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()) != 0) return false;
    return gather() == "完了";
  }
  // Writes the catalog of what was gathered: its folder, or "" when that failed.
  std::string write_catalog() {
    if (ZunoNewMain(settings_.c_str(), target_.c_str(), out_.c_str()) < 0) return "";
    return out_ + "/pics/html_1";
  }
  std::string run_with(const std::vector<std::string> &changes) {
    return gather_with(changes) ? write_catalog() : "";
  }

  std::vector<const FileNode *> listed_pictures() {
    std::vector<const FileNode *> found;
    for (FileNode *n = &engine().files; is_listed(n); n = n->next)
      if (n->path && std::string(n->path).ends_with(".tif")) found.push_back(n);
    return found;
  }

  std::string settings_, out_, target_;
};

// --- settings held to their ranges -------------------------------------------------

TEST_F(HostileRun, SettingsFileValuesAreHeldToTheirRangesAndWrittenBackSo) {
  write("prog/quillo.ini",
        program_ini_with({"IndexRatio=2147483647", "CntlRatio=-29999999", "WindowSize=-2147483648",
                          "FrameSizeRatio=99999999999", "CurrentWidth=-5", "OnePageMax=2147483647", "MaxX=-3",
                          "Y/XRatio=1e30", "SubdirDepth=99999"}));
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  EXPECT_EQ(ZunoGet(ZUNO_IndexRatio), 100);
  EXPECT_EQ(ZunoGet(ZUNO_CntlRatio), 0);
  EXPECT_EQ(ZunoGet(ZUNO_WindowSize), 0);
  EXPECT_EQ(ZunoGet(ZUNO_FrameSizeRatio), 32767);
  EXPECT_EQ(ZunoGet(ZUNO_CurrentWidth), 0);
  EXPECT_EQ(ZunoGet(ZUNO_OnePageMax), INT_MAX / 1024);
  EXPECT_EQ(ZunoGet(ZUNO_MaxX), 0);
  EXPECT_EQ(ZunoGet(ZUNO_YXRatio), 2000000000);
  EXPECT_EQ(ZunoGet(ZUNO_SubdirDepth), 4096);
  // What the user finds in the file after a save is what the engine used.
  ASSERT_EQ(ZunoFlash(), 0);
  std::string saved = read("prog/quillo.ini");
  EXPECT_NE(saved.find("\nIndexRatio=100\n"), std::string::npos);
  EXPECT_NE(saved.find("\nCntlRatio=0\n"), std::string::npos);
  EXPECT_NE(saved.find("\nWindowSize=0\n"), std::string::npos);
}

TEST_F(HostileRun, ZunoPutHoldsSizesAndSharesButKeepsTheMeaningOfFlags) {
  write("prog/quillo.ini", program_ini_with({}));
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  EXPECT_EQ(ZunoPut(ZUNO_IndexRatio, INT_MAX), 0);
  EXPECT_EQ(ZunoGet(ZUNO_IndexRatio), 100);
  ZunoPut(ZUNO_CntlRatio, INT_MIN);
  EXPECT_EQ(ZunoGet(ZUNO_CntlRatio), 0);
  ZunoPut(ZUNO_WindowSize, INT_MIN);
  EXPECT_EQ(ZunoGet(ZUNO_WindowSize), 0);
  ZunoPut(ZUNO_CurrentScale, -7);
  EXPECT_EQ(ZunoGet(ZUNO_CurrentScale), 0);
  ZunoPut(ZUNO_MaxY, 40000);  // a real size may exceed what a node's field holds
  EXPECT_EQ(ZunoGet(ZUNO_MaxY), 40000);
  // "1 yes, anything else no": 5 still means no, so it is kept as given.
  ZunoPut(ZUNO_Banner, 5);
  EXPECT_EQ(ZunoGet(ZUNO_Banner), 5);
  ZunoPut(ZUNO_Priority, -1);  // anything but 0 and 1 scales
  EXPECT_EQ(ZunoGet(ZUNO_Priority), -1);
}

// A colour given twice: the line in effect, the last, decides both the text and whether
// the file gave the colour as "#" and hex digits, so a save (which writes the text in
// effect into both lines) reads back the same.
TEST_F(HostileRun, AColourGivenTwiceIsTakenFromItsLastLineAndSurvivesASave) {
  write("prog/quillo.ini", "[Color]\nTextColor=#202020\nTextColor=white\nBgColor=white\nBgColor=#FF8000\n");
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  EXPECT_EQ(ZunoGet(ZUNO_ColorMask), 1);  // BgColor's bit only
  EXPECT_STREQ(engine().rec.TextColor, "white");
  ASSERT_EQ(ZunoFlash(), 0);
  EXPECT_EQ(read("prog/quillo.ini"),
            "[Color]\nTextColor=white\nTextColor=white\nBgColor=#FF8000\nBgColor=#FF8000\n");
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  EXPECT_EQ(ZunoGet(ZUNO_ColorMask), 1);
}

// An overlong colour text is cut; its value is the cut text's, so a save keeps both.
TEST_F(HostileRun, AnOverlongColourTakesItsValueFromTheTextKept) {
  write("prog/quillo.ini", "[Color]\nVLinkColor=#6A3FA" + std::string(82, '\xAA') + "\n");
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  const std::string kept = engine().rec.VLinkColor;
  ASSERT_LT(kept.size(), 32u);
  EXPECT_EQ(engine().rec.ColorValue[4], static_cast<int>(std::stoul(kept.substr(1, 6), nullptr, 16)));
  const int value = engine().rec.ColorValue[4];
  ASSERT_EQ(ZunoFlash(), 0);
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  EXPECT_EQ(std::string(engine().rec.VLinkColor), kept);
  EXPECT_EQ(engine().rec.ColorValue[4], value);
}

// A NUL byte ends a value, as it ends the field: "$exe" before it is the descriptor,
// read the same way before and after a save.
TEST_F(HostileRun, AValueEndsAtANulByteAndItsDescriptorIsExpanded) {
  write("prog/quillo.ini", std::string("[Path]\nOutputPath=$exe\0junk\n", 28));
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  EXPECT_EQ(std::string(engine().rec.OutputPath), settings_);
  ASSERT_EQ(ZunoFlash(), 0);
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  EXPECT_EQ(std::string(engine().rec.OutputPath), settings_);
}

// The frame shares of the frameset: each a percentage, whatever the file said.
TEST_F(HostileRun, FrameSharesFromHostileRatiosStayPercentages) {
  picture("pics/a.png", 20, 10);
  const std::vector<std::vector<std::string>> ratios = {{"IndexRatio=2147483647", "CntlRatio=1"},
                                                        {"IndexRatio=30000000", "CntlRatio=-29999999"}};
  for (const auto &pair : ratios) {
    reset_engine();
    fs::remove_all(out_);
    mkdir("out");
    std::string catalog = run_with(pair);
    ASSERT_FALSE(catalog.empty()) << pair[0] << " " << engine().last_error;
    std::vector<long long> shares = frameset_shares(read(catalog + "/index.html"));
    ASSERT_EQ(shares.size(), 2u) << pair[0];
    for (long long s : shares) {
      EXPECT_GE(s, 0) << pair[0];
      EXPECT_LE(s, 200) << pair[0];
    }
  }
}

// Two 1x1 bitmaps each claiming 4 GiB of pixel data: the page's kilobytes are summed
// without overflow and both stay on the one page that counts files.
TEST_F(HostileRun, PageSumOfPicturesClaimingHugeSizesDoesNotOverflow) {
  for (const char *name : {"pics/a.bmp", "pics/b.bmp"}) {
    std::string bmp = read(picture(name, 1, 1));
    ASSERT_GE(bmp.size(), 38u);
    bmp.replace(34, 4, le32(0xFFFFFFFF));
    write(name, bmp);
  }
  std::string catalog = run_with({"PageingStyle=1", "OnePageNum=10", "Priority=0", "CurrentWidth=1000",
                                  "MakeThumbnail=0", "CacheCheckBroken=0"});
  ASSERT_FALSE(catalog.empty()) << engine().last_error;
  EXPECT_EQ(engine().rec.PageCounter[1], INT_MAX);  // saturated, never wrapped negative
  const std::string page = read(catalog + "/index000000.html");
  EXPECT_EQ(count_of(page, "a.bmp"), count_of(page, "b.bmp"));
  EXPECT_GT(count_of(page, "b.bmp"), 0);
  EXPECT_FALSE(plat::exists(catalog + "/index000001.html"));
}

// The old single-call run's folder catalog sums the same claims without overflow.
TEST_F(HostileRun, OldSingleCallRunSumsHugeClaimsWithoutOverflow) {
  for (const char *name : {"pics/a.bmp", "pics/b.bmp", "pics/c.bmp"}) {
    std::string bmp = read(picture(name, 1, 1));
    ASSERT_GE(bmp.size(), 38u);
    bmp.replace(34, 4, le32(0xFFFFFFFF));
    write(name, bmp);
  }
  write("prog/quillo.ini", program_ini_with({"PageingStyle=1", "OnePageMax=10", "Priority=0",
                                             "CurrentWidth=1000", "MakeThumbnail=0", "CacheCheckBroken=0"}));
  ASSERT_EQ(ZunoMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0) << engine().last_error;
  const std::string page = read(out_ + "/pics/index000000.html");
  for (const char *name : {"a.bmp", "b.bmp", "c.bmp"}) EXPECT_NE(page.find(name), std::string::npos) << name;
}

// --- picture sizes beyond 16 bits ---------------------------------------------------

TEST_F(HostileRun, PicturesOf32768PixelsOrMoreSaturateAndPassTheSizeFilterByTheirRealSize) {
  write("pics/huge.tif", tiff_of_size(32768, 40000));
  write("pics/wide.tif", tiff_of_size(40000, 100));
  // Both sides at least 32768 x 39000: only the real size can tell.
  ASSERT_TRUE(gather_with({"SearchSizeType=3", "MaxX=32768", "MaxY=39000", "MakeThumbnail=0",
                           "CacheCheckBroken=0", "Y/XRatio=0.000000"}))
      << engine().last_error;
  std::vector<const FileNode *> pictures = listed_pictures();
  ASSERT_EQ(pictures.size(), 2u);
  for (const FileNode *n : pictures) {
    const bool huge = std::string(n->path).ends_with("huge.tif");
    EXPECT_EQ(n->width, 32767) << n->path;
    EXPECT_EQ(n->height, huge ? 32767 : 100) << n->path;
    EXPECT_TRUE(n->flags & FLAG_SIZE_CAPPED) << n->path;
    EXPECT_EQ(n->passed, huge ? 1 : 0) << n->path;
    EXPECT_GE(n->disp_width, 0) << n->path;
    EXPECT_GE(n->disp_height, 0) << n->path;
  }
  // The catalog says that the sizes it shows stopped there.
  std::string catalog = write_catalog();
  ASSERT_FALSE(catalog.empty()) << engine().last_error;
  const std::string page = read(catalog + "/index000000.html");
  EXPECT_NE(page.find("(32767以上X32767以上)"), std::string::npos) << page;
  EXPECT_EQ(page.find("wide.tif"), std::string::npos);
}

TEST_F(HostileRun, AWidthFilterAboveWhatANodeHoldsRejectsByTheRealWidth) {
  write("pics/wide.tif", tiff_of_size(40000, 100));
  write("pics/wider.tif", tiff_of_size(50000, 100));
  std::string catalog = run_with(
      {"SearchSizeType=1", "MaxX=45000", "MakeThumbnail=0", "CacheCheckBroken=0", "Y/XRatio=0.000000"});
  ASSERT_FALSE(catalog.empty()) << engine().last_error;
  const std::string page = read(catalog + "/index000000.html");
  EXPECT_EQ(page.find("wide.tif"), std::string::npos);
  EXPECT_NE(page.find("wider.tif"), std::string::npos);
  EXPECT_NE(page.find("(32767以上X100)"), std::string::npos);
}

// --- folder links in the old single-call run ---------------------------------------

TEST_F(HostileRun, OldSingleCallRunListsFolderLinksWithoutEnteringThem) {
  picture("pics/a.png", 20, 10);
  for (const char *name : {"loop1", "loop2", "loop3", "loop4"})
    fs::create_directory_symlink(target_, target_ + "/" + name);
  write("prog/quillo.ini", program_ini_with({"SearchSubdir=1", "SubdirDepth=3"}));
  ASSERT_EQ(ZunoMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
  // One page for the folder itself; the links are named on it but not followed.
  std::vector<std::string> pages = files_below(out_, ".html");
  std::vector<std::string> folder_pages;
  for (const std::string &p : pages)
    if (fs::path(p).filename().string().starts_with("index0")) folder_pages.push_back(p);
  EXPECT_EQ(folder_pages.size(), 1u);
  const std::string page = read(out_ + "/pics/index000000.html");
  for (const char *name : {"loop1", "loop2", "loop3", "loop4"}) EXPECT_NE(page.find(name), std::string::npos);
  EXPECT_GT(count_of(page, "a.png"), 0);
}

// A real subfolder is still entered.
TEST_F(HostileRun, OldSingleCallRunStillEntersRealSubfolders) {
  picture("pics/sub/b.png", 20, 10);
  write("prog/quillo.ini", program_ini_with({"SearchSubdir=1", "SubdirDepth=3"}));
  ASSERT_EQ(ZunoMain(settings_.c_str(), target_.c_str(), out_.c_str()), 0);
  EXPECT_TRUE(plat::exists(out_ + "/pics/index001000.html"));
  EXPECT_NE(read(out_ + "/pics/index001000.html").find("b.png"), std::string::npos);
}

}  // namespace
