// Pictures a browser cannot show are not pictures: real encoder output, damaged by
// one byte or cut short, is refused by the header reader; the undamaged file still
// reads with its exact size.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "collect/file_types.h"
#include "collect/header_formats.h"
#include "collect/picture_header.h"
#include "engine_fixture.h"

namespace fs = std::filesystem;

namespace {

// Gives a changed PNG header its right CRC again, so only the change itself can fail it.
void fix_header_crc(std::string &b) {
  uint32_t crc = png_crc32(reinterpret_cast<const uint8_t *>(b.data() + 12), 17);
  for (int i = 0; i < 4; ++i) b[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
}

class DamagedHeader : public EngineTest {
 protected:
  // The file's bytes after `damage` changed them, written beside the original.
  template <typename F>
  std::string damaged(const std::string &original, const std::string &name, F damage) {
    std::string bytes = read(original);
    damage(bytes);
    return write(name, bytes);
  }
  struct Size {
    int kb = -1, w = 0, h = 0;
  };
  static Size size_of(const std::string &file, int type) {
    ZunoRecord rec{};
    rec.CurrentWidth = 100;
    int16_t dw, dh, w = 0, h = 0;
    Size s;
    s.kb = read_picture_header(&rec, file.c_str(), type, &dw, &dh, &w, &h, nullptr);
    s.w = w;
    s.h = h;
    return s;
  }
  void expect_picture(const std::string &file, int type, int w, int h) {
    Size s = size_of(file, type);
    EXPECT_GE(s.kb, 0) << file;
    EXPECT_EQ(s.w, w) << file;
    EXPECT_EQ(s.h, h) << file;
  }
  void expect_refused(const std::string &file, int type) { EXPECT_EQ(size_of(file, type).kb, -1) << file; }
};

TEST_F(DamagedHeader, PngSignatureHeaderCrcDepthAndDataAreChecked) {
  std::string png = picture("ok.png", 50, 40);
  expect_picture(png, TYPE_PNG, 50, 40);
  expect_picture(picture("grey16.png", 7, 3, "-depth 16 -colorspace gray"), TYPE_PNG, 7, 3);
  expect_picture(picture("interlaced.png", 9, 9, "-interlace PNG"), TYPE_PNG, 9, 9);
  expect_refused(damaged(png, "sig.png", [](std::string &b) { b[1] = 'Q'; }), TYPE_PNG);
  // A text-mode transfer turns CR LF into LF.
  expect_refused(damaged(png, "crlf.png", [](std::string &b) { b.erase(4, 1); }), TYPE_PNG);
  expect_refused(damaged(png, "crc.png", [](std::string &b) { b[29] ^= 0x40; }), TYPE_PNG);
  expect_refused(damaged(png, "length.png", [](std::string &b) { b[11] = 14; }), TYPE_PNG);
  // Colour type 1 does not exist; a palette picture of 16 bits neither; nor other
  // compression, filter or interlace methods. Each carries a right CRC.
  auto remade = [](int at, char value) {
    return [=](std::string &b) {
      b[at] = value;
      fix_header_crc(b);
    };
  };
  expect_picture(damaged(png, "same.png", remade(24, read(png)[24])), TYPE_PNG, 50, 40);
  expect_refused(damaged(png, "colour.png", remade(25, 1)), TYPE_PNG);
  expect_refused(damaged(png, "palette16.png",
                         [&](std::string &b) {
                           b[24] = 16;
                           remade(25, 3)(b);
                         }),
                 TYPE_PNG);
  expect_refused(damaged(png, "compression.png", remade(26, 1)), TYPE_PNG);
  expect_refused(damaged(png, "interlace.png", remade(28, 2)), TYPE_PNG);
  expect_refused(damaged(png, "width0.png", remade(19, 0)), TYPE_PNG);
  expect_refused(damaged(png, "truncated.png", [](std::string &b) { b.resize(20); }), TYPE_PNG);
  expect_refused(damaged(png, "four.png", [](std::string &b) { b.resize(4); }), TYPE_PNG);
}

TEST_F(DamagedHeader, PngThatEndsBeforeItsImageDataIsRefused) {
  std::string png = picture("ok.png", 20, 10);
  std::string bytes = read(png);
  // Signature and header, then straight to the end chunk.
  std::string no_data = bytes.substr(0, 33) + std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  expect_refused(write("nodata.png", no_data), TYPE_PNG);
}

TEST_F(DamagedHeader, GifJpegBmpAndTiffHeadersMustMakeSense) {
  std::string gif = picture("ok.gif", 30, 20);
  expect_picture(gif, TYPE_GIF, 30, 20);
  expect_refused(damaged(gif, "v.gif", [](std::string &b) { b[4] = '8'; }), TYPE_GIF);
  expect_refused(damaged(gif, "zero.gif", [](std::string &b) { b[6] = b[7] = 0; }), TYPE_GIF);

  std::string jpg = picture("ok.jpg", 64, 48);
  expect_picture(jpg, TYPE_JPEG, 64, 48);
  std::string bytes = read(jpg);
  size_t frame = bytes.find("\xff\xc0");
  ASSERT_NE(frame, std::string::npos);
  expect_refused(damaged(jpg, "precision.jpg", [&](std::string &b) { b[frame + 4] = 9; }), TYPE_JPEG);
  expect_refused(damaged(jpg, "components.jpg", [&](std::string &b) { b[frame + 9] = 0; }), TYPE_JPEG);

  std::string bmp = picture("ok.bmp", 33, 22, "-type TrueColor");
  expect_picture(bmp, TYPE_BMP, 33, 22);
  expect_refused(damaged(bmp, "hsize.bmp", [](std::string &b) { b[14] = 41; }), TYPE_BMP);
  expect_refused(damaged(bmp, "planes.bmp", [](std::string &b) { b[26] = 2; }), TYPE_BMP);
  expect_refused(damaged(bmp, "bits.bmp", [](std::string &b) { b[28] = 7; }), TYPE_BMP);

  std::string tif = picture("ok.tif", 15, 25);
  expect_picture(tif, TYPE_TIF, 15, 25);
  expect_refused(damaged(tif, "ifd.tif", [](std::string &b) { b[7] = 0x7f; }), TYPE_TIF);
}

TEST_F(DamagedHeader, AFileThatShrankAfterTheListingShowsNoOtherFilesBytes) {
  std::string first = picture("first.png", 50, 40);
  std::string second = picture("second.png", 60, 30);
  std::ofstream(second, std::ios::binary | std::ios::trunc) << read(second).substr(0, 4);
  expect_picture(first, TYPE_PNG, 50, 40);
  expect_refused(second, TYPE_PNG);
  // Shorter than each format's fixed header.
  for (const char *name : {"a.gif", "a.jpg", "a.bmp", "a.tif"}) {
    std::string cut = picture(std::string("full-") + name, 10, 10);
    std::string bytes = read(cut);
    for (size_t keep : {size_t{3}, size_t{12}})
      expect_refused(write(std::to_string(keep) + name, bytes.substr(0, keep)), file_type(cut.c_str()));
  }
}

}  // namespace
