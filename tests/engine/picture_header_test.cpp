// The picture header reader against real encoder output and tiny hand-built files
// whose bytes pin one header quirk or one hostile value each.
#include "collect/picture_header.h"

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "collect/header_formats.h"
#include "engine_fixture.h"

namespace {

struct Header {
  int kb = -7;  // -7 in any field: the reader left it alone
  int16_t disp_w = -7, disp_h = -7, w = -7, h = -7;
  uint32_t flags = 0;
};

ZunoRecord display(int priority, int width, int hight, int window, int scale) {
  ZunoRecord rec{};
  rec.Priority = priority;
  rec.CurrentWidth = width;
  rec.CurrentHight = hight;
  rec.WindowSize = window;
  rec.CurrentScale = scale;
  return rec;
}

ZunoRecord fit_width(int width) {
  return display(0, width, 0, 0, 0);
}

Header read_path(const std::string &path, int type, const ZunoRecord &rec = fit_width(100),
                 uint32_t flags = 0) {
  Header r;
  r.flags = flags;
  r.kb = read_picture_header(&rec, path.c_str(), type, &r.disp_w, &r.disp_h, &r.w, &r.h, &r.flags);
  return r;
}

Header read_mem(const std::string &bytes, int type, const ZunoRecord &rec = fit_width(100)) {
  Header r;
  r.kb = read_picture_header_bytes(&rec, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), type,
                                   &r.disp_w, &r.disp_h, &r.w, &r.h, &r.flags);
  return r;
}

void expect_untouched(const Header &r) {
  EXPECT_EQ(r.kb, -1);
  EXPECT_EQ(r.w, -7);
  EXPECT_EQ(r.h, -7);
  EXPECT_EQ(r.disp_w, -7);
  EXPECT_EQ(r.disp_h, -7);
}

std::string be16(unsigned v) {
  return {char(v >> 8), char(v)};
}
std::string be32(uint32_t v) {
  return be16(v >> 16) + be16(v & 0xFFFF);
}
std::string le16(unsigned v) {
  return {char(v), char(v >> 8)};
}
std::string le32(uint32_t v) {
  return le16(v & 0xFFFF) + le16(v >> 16);
}

// Signature and a whole IHDR chunk (8-bit RGB) with its CRC.
std::string png_header(uint32_t w, uint32_t h) {
  std::string chunk = "IHDR" + be32(w) + be32(h) + std::string("\x08\x02\x00\x00\x00", 5);
  uint32_t crc = png_crc32(reinterpret_cast<const uint8_t *>(chunk.data()), chunk.size());
  return std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + chunk + be32(crc);
}

std::string jpeg_segment(unsigned marker, const std::string &payload) {
  return be16(marker) + be16(static_cast<unsigned>(payload.size()) + 2) + payload;
}
const std::string kJfif = jpeg_segment(0xFFE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
std::string frame_header(unsigned marker, unsigned h, unsigned w) {
  return jpeg_segment(marker,
                      std::string("\x08", 1) + be16(h) + be16(w) + std::string("\x01\x01\x11\x00", 4));
}
std::string jpeg(const std::string &segments) {
  return "\xFF\xD8" + kJfif + segments + "\xFF\xD9";
}

std::string bmp_header(uint32_t w, uint32_t h, uint32_t data_size) {
  return "BM" + le32(54 + data_size) + le32(0) + le32(54) + le32(40) + le32(w) + le32(h) + le16(1) +
         le16(24) + le32(0) + le32(data_size) + std::string(16, '\0');
}

// A little-endian TIFF whose one directory holds `entries` (tag, type, value).
std::string tiff_with(const std::vector<std::array<uint32_t, 3>> &entries, uint32_t directory = 8) {
  std::string t = "II" + le16(42) + le32(directory);
  t.resize(directory, '\0');
  t += le16(static_cast<unsigned>(entries.size()));
  for (auto &[tag, type, value] : entries)
    t += le16(tag) + le16(type) + le32(1) + (type == 3 ? le16(value) + le16(0) : le32(value));
  return t + le32(0);
}

std::string avi_header(uint32_t w, uint32_t h) {
  std::string a = "RIFF" + le32(1000) + "AVI LIST" + le32(200) + "hdrlavih" + le32(56);
  a.resize(64, '\0');
  return a + le32(w) + le32(h) + std::string(8, '\0');
}

}  // namespace

using PictureHeaderTest = EngineTest;

TEST_F(PictureHeaderTest, EncoderOutputReportsItsPixelSizeAndKilobytes) {
  struct Case {
    const char *name;
    int type;
    const char *extra;
  } cases[] = {{"base.jpg", TYPE_JPEG, ""}, {"prog.jpg", TYPE_JPEG, "-interlace JPEG"},
               {"a.png", TYPE_PNG, ""},     {"a.gif", TYPE_GIF, ""},
               {"le.tif", TYPE_TIF, ""},    {"be.tif", TYPE_TIF, "-define tiff:endian=msb"}};
  for (const Case &c : cases) {
    std::string p = picture(c.name, 1000, 500, c.extra);
    Header r = read_path(p, c.type);
    EXPECT_EQ(r.kb, static_cast<int>(std::filesystem::file_size(p) / 1024)) << c.name;
    EXPECT_EQ(r.w, 1000) << c.name;
    EXPECT_EQ(r.h, 500) << c.name;
    EXPECT_EQ(r.disp_w, 100) << c.name;
    EXPECT_EQ(r.disp_h, 50) << c.name;
    EXPECT_EQ(r.flags, 0u) << c.name;
  }
  // The progressive case really went through a 0xFFC2 frame header.
  EXPECT_NE(read(path("prog.jpg")).find("\xFF\xC2"), std::string::npos);
  EXPECT_EQ(read(path("be.tif")).substr(0, 2), "MM");
}

TEST_F(PictureHeaderTest, TiffSizeComesFromTheDirectoryTheHeaderPointsTo) {
  // The encoder puts the directory after the pixels, so bytes 30 and 42 are pixel data.
  std::string t = read(picture("a.tif", 321, 123));
  ASSERT_NE(t.substr(4, 4), le32(8));
  EXPECT_EQ(read_mem(t, TYPE_TIF).w, 321);

  // Width as LONG, height as SHORT, neither among the first entries.
  Header r = read_mem(tiff_with({{254, 4, 0}, {255, 3, 1}, {256, 4, 700}, {257, 3, 90}}), TYPE_TIF);
  EXPECT_EQ(r.w, 700);
  EXPECT_EQ(r.h, 90);
}

TEST_F(PictureHeaderTest, TiffWithoutReadableSizeTagsIsRejected) {
  expect_untouched(read_mem(tiff_with({{256, 4, 700}}), TYPE_TIF));                // no height
  expect_untouched(read_mem(tiff_with({{256, 5, 700}, {257, 5, 90}}), TYPE_TIF));  // RATIONAL sizes
  std::string past_end = "II" + le16(42) + le32(0xFFFFFFFF);
  expect_untouched(read_mem(past_end, TYPE_TIF));
  std::string many_entries = "II" + le16(42) + le32(8) + le16(0xFFFF) + std::string(24, '\0');
  expect_untouched(read_mem(many_entries, TYPE_TIF));
  std::string not_tiff = tiff_with({{256, 4, 7}, {257, 4, 9}});
  not_tiff[2] = 43;  // BigTIFF's layout differs past the byte order
  expect_untouched(read_mem(not_tiff, TYPE_TIF));
}

TEST_F(PictureHeaderTest, JpegIsSizedByItsFrameWhateverSegmentComesFirst) {
  std::string j = read(picture("a.jpg", 64, 48));
  ASSERT_EQ(j.substr(6, 4), "JFIF");
  std::string tiff = "II" + le16(42) + le32(8) + le16(0) + le32(0);
  std::string exif = j.substr(0, 2) + jpeg_segment(0xFFE1, std::string("Exif\0\0", 6) + tiff) + j.substr(20);
  ASSERT_EQ(exif.substr(6, 4), "Exif");
  Header r = read_mem(exif, TYPE_JPEG);
  EXPECT_EQ(r.w, 64);
  EXPECT_EQ(r.h, 48);

  // Web encoders: a comment before JFIF, and no application segment at all.
  std::string comment_first = j.substr(0, 2) + jpeg_segment(0xFFFE, "made by a web encoder") + j.substr(2);
  EXPECT_EQ(read_mem(comment_first, TYPE_JPEG).w, 64);
  std::string stripped = j.substr(0, 2) + j.substr(20);
  ASSERT_EQ(stripped.substr(2, 2), "\xFF\xDB");
  EXPECT_EQ(read_mem(stripped, TYPE_JPEG).h, 48);

  std::string not_jpeg = j;
  not_jpeg[2] = 'x';
  expect_untouched(read_mem(not_jpeg, TYPE_JPEG));
}

TEST_F(PictureHeaderTest, JpegFrameTypesOtherThanBaselineAndProgressiveAreNotSized) {
  expect_untouched(read_mem(jpeg(frame_header(0xFFC1, 10, 20)), TYPE_JPEG));
  // A 0xFFC1 segment is passed like any other, so a later 0xFFC0 still counts.
  Header r = read_mem(jpeg(frame_header(0xFFC1, 10, 20) + frame_header(0xFFC0, 30, 40)), TYPE_JPEG);
  EXPECT_EQ(r.w, 40);
  EXPECT_EQ(r.h, 30);
}

TEST_F(PictureHeaderTest, HostileJpegSegmentLengthsEndTheWalk) {
  const std::string start = std::string("\xFF\xD8") + kJfif;
  expect_untouched(read_mem(start + be16(0xFFDB) + be16(0) + frame_header(0xFFC0, 1, 1), TYPE_JPEG));
  expect_untouched(read_mem(start + be16(0xFFDB) + be16(1) + frame_header(0xFFC0, 1, 1), TYPE_JPEG));
  expect_untouched(read_mem(start + be16(0xFFDB) + be16(0xFFFF) + "short", TYPE_JPEG));
  // A frame header whose length cannot hold the size fields, and one cut inside them.
  expect_untouched(read_mem(start + be16(0xFFC0) + be16(5) + "\x08\x01\x00", TYPE_JPEG));
  expect_untouched(read_mem(start + be16(0xFFC0) + be16(17) + "\x08\x01", TYPE_JPEG));
  // Start-of-image markers alone move forward two bytes at a time and end with the bytes.
  std::string only_starts = start;
  for (int i = 0; i < 30000; ++i) only_starts += "\xFF\xD8";
  expect_untouched(read_mem(only_starts, TYPE_JPEG));
}

TEST_F(PictureHeaderTest, JpegWalkGivesUpAfterMoreSegmentsThanRealFilesHave) {
  std::string comments;
  for (int i = 0; i < 5000; ++i) comments += jpeg_segment(0xFFFE, "");
  expect_untouched(read_mem(jpeg(comments + frame_header(0xFFC0, 1, 1)), TYPE_JPEG));
  comments.resize(300 * 4);
  EXPECT_EQ(read_mem(jpeg(comments + frame_header(0xFFC0, 5, 6)), TYPE_JPEG).w, 6);
}

TEST_F(PictureHeaderTest, GifIsAnimatedOnlyWhenTheLoopBlockDirectlyFollowsTheColourTable) {
  EXPECT_EQ(read_path(picture("still.gif", 30, 20), TYPE_GIF).flags, 0u);

  // The encoder writes a graphic control block first, so its animations stay unflagged.
  std::string anim = read(picture("anim.gif", 30, 20, "plasma:green-red -loop 0"));
  EXPECT_EQ(read_mem(anim, TYPE_GIF).flags, 0u);

  // The same file with the loop block moved ahead of the graphic control block.
  const size_t table = (anim[10] & 0x80) ? 3u << ((anim[10] & 7) + 1) : 0;
  const size_t gce = 13 + table;
  ASSERT_EQ(anim.substr(gce, 2), "\x21\xF9");
  ASSERT_EQ(anim.substr(gce + 8, 2), "\x21\xFF");
  std::string looped =
      anim.substr(0, gce) + anim.substr(gce + 8, 19) + anim.substr(gce, 8) + anim.substr(gce + 27);
  Header r = read_mem(looped, TYPE_GIF);
  EXPECT_EQ(r.flags, FLAG_ANIMATED);
  EXPECT_EQ(r.w, 30);

  // No global colour table: the loop block starts right after the screen descriptor.
  std::string bare = "GIF89a" + le16(5) + le16(6) + std::string("\x00\x00\x00", 3) +
                     std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19) + ";";
  EXPECT_EQ(read_mem(bare, TYPE_GIF).flags, FLAG_ANIMATED);
  bare[13 + 14] = 4;  // wrong sub-block size
  EXPECT_EQ(read_mem(bare, TYPE_GIF).flags, 0u);
}

TEST_F(PictureHeaderTest, CompletenessCheckFlagsDamageAndRejectsOnlyForThumbnails) {
  std::string whole = read(picture("whole.jpg", 200, 100));
  std::string cut = write("cut.jpg", whole.substr(0, whole.size() * 2 / 3));
  ZunoRecord check = fit_width(100);
  check.CacheCheckBroken = 1;

  EXPECT_EQ(read_path(path("whole.jpg"), TYPE_JPEG, check).flags, 0u);
  Header kept = read_path(cut, TYPE_JPEG, check, FLAG_READONLY);
  EXPECT_EQ(kept.kb, static_cast<int>(std::filesystem::file_size(cut) / 1024));
  EXPECT_EQ(kept.w, 200);
  EXPECT_EQ(kept.flags, FLAG_DAMAGED | FLAG_READONLY);  // ORed in, nothing cleared

  ZunoRecord thumbs = fit_width(100);
  thumbs.MakeThumbnail = 1;
  Header rejected = read_path(cut, TYPE_JPEG, thumbs);
  expect_untouched(rejected);
  EXPECT_EQ(rejected.flags, FLAG_DAMAGED);

  // Without either setting nobody looks at the end.
  EXPECT_EQ(read_path(cut, TYPE_JPEG).flags, 0u);

  std::string png = read(picture("a.png", 20, 10));
  EXPECT_EQ(read_mem(png, TYPE_PNG, thumbs).w, 20);
  expect_untouched(read_mem(png.substr(0, png.size() - 1), TYPE_PNG, thumbs));
  std::string gif = read(picture("a.gif", 20, 10));
  EXPECT_EQ(read_mem(gif, TYPE_GIF, thumbs).w, 20);
  expect_untouched(read_mem(gif.substr(0, gif.size() - 1), TYPE_GIF, thumbs));
  // A header with nothing after it is too short to end properly.
  expect_untouched(read_mem(png_header(3, 3), TYPE_PNG, thumbs));
}

TEST_F(PictureHeaderTest, DisplaySizeFollowsPriority) {
  // 300 wide at height 100 would not fit in 200 - 40.
  Header r = read_path(picture("wide.png", 300, 100), TYPE_PNG, display(1, 0, 100, 200, 0));
  EXPECT_EQ(r.disp_w, 160);
  EXPECT_EQ(r.disp_h, 53);

  struct Case {
    ZunoRecord rec;
    uint32_t w, h;
    int16_t disp_w, disp_h;
  } cases[] = {
      {display(0, 100, 0, 0, 0), 1000, 500, 100, 50},
      {display(1, 0, 50, 1000, 0), 300, 100, 150, 50},
      {display(2, 0, 0, 0, 3), 1000, 500, 333, 166},
      // Zero divisors give zero sides, not infinities cast to garbage.
      {display(0, 0, 0, 0, 0), 1000, 500, 0, 0},
      {display(0, 100, 0, 0, 0), 0, 500, 100, 0},
      {display(1, 0, 0, 200, 0), 300, 100, 0, 0},
      {display(1, 0, 100, 40, 0), 300, 100, 0, 0},
      {display(2, 0, 0, 0, 0), 300, 100, 0, 0},
      // Display sizes come from the full picture size and stop at 32767 like the stored sizes.
      {display(0, 100, 0, 0, 0), 40000, 0xFFFFFFFF, 100, 32767},
      {display(1, 0, INT32_MIN, INT32_MIN, 0), 0xFFFFFFFF, 1, 0, 0},
  };
  // TIFF carries any 32-bit size, so every display case can be read.
  for (const Case &c : cases) {
    r = read_mem(tiff_with({{256, 4, c.w}, {257, 4, c.h}}), TYPE_TIF, c.rec);
    EXPECT_EQ(r.disp_w, c.disp_w) << c.w << "x" << c.h << " priority " << c.rec.Priority;
    EXPECT_EQ(r.disp_h, c.disp_h) << c.w << "x" << c.h << " priority " << c.rec.Priority;
  }
}

// The stored sizes are 16-bit: a larger side stops at 32767 and the picture says so,
// rather than wrapping into a negative size that every size filter would reject.
TEST_F(PictureHeaderTest, SizesBeyondSixteenBitsSaturateAndAreFlagged) {
  Header r = read_mem(tiff_with({{256, 4, 40000}, {257, 4, 0xFFFFFFFF}}), TYPE_TIF);
  EXPECT_EQ(r.w, 32767);
  EXPECT_EQ(r.h, 32767);
  EXPECT_TRUE(r.flags & FLAG_SIZE_CAPPED);
  r = read_mem(tiff_with({{256, 4, 32768}, {257, 4, 5}}), TYPE_TIF);
  EXPECT_EQ(r.w, 32767);
  EXPECT_EQ(r.h, 5);
  EXPECT_TRUE(r.flags & FLAG_SIZE_CAPPED);
  r = read_mem(tiff_with({{256, 4, 32767}, {257, 4, 5}}), TYPE_TIF);
  EXPECT_EQ(r.w, 32767);
  EXPECT_FALSE(r.flags & FLAG_SIZE_CAPPED);
}

TEST_F(PictureHeaderTest, BmpKilobytesAreEstimatedAtDisplaySize) {
  std::string bmp = read(picture("a.bmp", 200, 100));
  ASSERT_EQ(bmp.substr(34, 4), le32(60000));  // 3 bytes per pixel
  Header r = read_mem(bmp, TYPE_BMP, fit_width(100));
  EXPECT_EQ(r.w, 200);
  EXPECT_EQ(r.h, 100);
  EXPECT_EQ(r.kb, 100 * 50 * 3 >> 10);

  // A top-down bitmap stores its height negated.
  r = read_mem(bmp_header(200, static_cast<uint32_t>(-100), 60000), TYPE_BMP, fit_width(100));
  EXPECT_EQ(r.h, 100);
  EXPECT_EQ(r.disp_h, 50);
}

TEST_F(PictureHeaderTest, BmpEstimateSurvivesZeroAndHugeHeaderValues) {
  std::string zero_width = bmp_header(0, 100, 60000) + std::string(3000, 'x');
  EXPECT_EQ(read_mem(zero_width, TYPE_BMP).kb, static_cast<int>(zero_width.size() / 1024));
  EXPECT_EQ(read_mem(bmp_header(100, 0, 60000) + std::string(3000, 'x'), TYPE_BMP).kb, 2);

  // 4 GiB per pixel at a 30000 x 30000 display would wrap 32-bit arithmetic negative.
  Header r = read_mem(bmp_header(1, 1, 0xFFFFFFFF), TYPE_BMP, fit_width(30000));
  EXPECT_EQ(r.kb, INT32_MAX);
}

TEST_F(PictureHeaderTest, MoviesAreNotReadAndReportFixedSize) {
  Header r = read_path(write("clip.mpg", std::string(1023, 'x')), TYPE_MOVIE);
  EXPECT_EQ(r.kb, 0);
  EXPECT_EQ(r.w, 640);
  EXPECT_EQ(r.h, 480);
  EXPECT_EQ(read_path(write("clip.mov", std::string(5000, '\0')), TYPE_MOVIE).kb, 4);

  r = read_mem(avi_header(320, 240), TYPE_AVI);
  EXPECT_EQ(r.w, 320);
  EXPECT_EQ(r.h, 240);
  expect_untouched(read_mem(avi_header(320, 240).substr(0, 70), TYPE_AVI));
  std::string riff_wave = avi_header(320, 240);
  riff_wave[2] = 'X';
  expect_untouched(read_mem(riff_wave, TYPE_AVI));
}

TEST_F(PictureHeaderTest, WhatCannotBeOpenedAsAFileIsRejected) {
  expect_untouched(read_path(mkdir("folder.JPG"), TYPE_JPEG));
  expect_untouched(read_path(mkdir("folder.MOV"), TYPE_MOVIE));
  expect_untouched(read_path(path("missing.jpg"), TYPE_JPEG));
  // A fifo would block the open forever.
  ASSERT_EQ(mkfifo(path("pipe.GIF").c_str(), 0600), 0);
  expect_untouched(read_path(path("pipe.GIF"), TYPE_GIF));
  Header r;
  EXPECT_EQ(read_picture_header(nullptr, nullptr, TYPE_MOVIE, &r.disp_w, &r.disp_h, &r.w, &r.h, nullptr), -1);
}

TEST_F(PictureHeaderTest, OnlyPictureAndMovieCodesAreRead) {
  std::string p = picture("a.png", 10, 10);
  for (int type : {0, 0x3, 0x80, TYPE_HTML, TYPE_FOLDER, -1}) expect_untouched(read_path(p, type));
  // The signature decides, not the extension.
  for (int type : {TYPE_AVI, TYPE_GIF, TYPE_BMP, TYPE_TIF, TYPE_JPEG}) expect_untouched(read_path(p, type));
}

TEST_F(PictureHeaderTest, HeadersCutShortAreRejected) {
  const std::string whole[] = {png_header(5, 5), bmp_header(5, 5, 75), avi_header(5, 5),
                               "GIF89a" + le16(5) + le16(5) + std::string(3, '\0')};
  const int types[] = {TYPE_PNG, TYPE_BMP, TYPE_AVI, TYPE_GIF};
  const size_t needed[] = {33, 38, 72, 13};  // bytes up to the last header field each reader checks
  for (int i = 0; i < 4; ++i) {
    EXPECT_NE(read_mem(whole[i], types[i]).kb, -1) << i;
    expect_untouched(read_mem(whole[i].substr(0, needed[i] - 1), types[i]));
    expect_untouched(read_mem("", types[i]));
  }
  // A GIF whose colour table runs past the end is still sized; there is just no loop block.
  std::string gif = "GIF89a" + le16(5) + le16(5) + std::string("\x87\x00\x00", 3);
  EXPECT_EQ(read_mem(gif, TYPE_GIF).w, 5);
}
