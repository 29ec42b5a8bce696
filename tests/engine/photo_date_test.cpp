// The date a photo was taken, read from the Exif segment the header reader passes on its way to the frame
// header, and the sort by it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "collect/list_sort.h"
#include "collect/picture_header.h"
#include "core/file_list.h"
#include "engine_fixture.h"
#include "gtest/gtest.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes &b, unsigned v, bool little) {
  if (little) {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
  } else {
    b.push_back(v >> 8);
    b.push_back(v & 0xFF);
  }
}
void put32(Bytes &b, uint32_t v, bool little) {
  put16(b, little ? v & 0xFFFF : v >> 16, little);
  put16(b, little ? v >> 16 : v & 0xFFFF, little);
}

// A TIFF block as cameras write it: IFD0 with the Exif pointer, the Exif IFD with DateTimeOriginal.
Bytes tiff_with_date(const std::string &date, bool little, uint16_t date_type = 2) {
  Bytes t;
  t.push_back(little ? 'I' : 'M');
  t.push_back(little ? 'I' : 'M');
  put16(t, 42, little);
  put32(t, 8, little);  // IFD0 right after the header
  put16(t, 1, little);
  put16(t, 0x8769, little);
  put16(t, 4, little);
  put32(t, 1, little);
  put32(t, 26, little);  // the Exif IFD follows IFD0 (8 + 2 + 12 + 4)
  put32(t, 0, little);
  put16(t, 2, little);
  put16(t, 0x9000, little);  // ExifVersion first, as cameras order them
  put16(t, 7, little);
  put32(t, 4, little);
  t.insert(t.end(), {'0', '2', '3', '2'});
  put16(t, 0x9003, little);
  put16(t, date_type, little);
  put32(t, 20, little);
  put32(t, 56, little);  // 26 + 2 + 24 + 4
  put32(t, 0, little);
  t.insert(t.end(), date.begin(), date.end());
  t.push_back(0);
  return t;
}

Bytes jpeg_with_app1(const Bytes &tiff, bool exif_name = true) {
  Bytes j = {0xFF, 0xD8, 0xFF, 0xE1};
  Bytes body;
  std::string name = exif_name ? std::string("Exif\0\0", 6) : std::string("XMP\0\0\0", 6);
  body.insert(body.end(), name.begin(), name.end());
  body.insert(body.end(), tiff.begin(), tiff.end());
  put16(j, static_cast<unsigned>(body.size() + 2), false);
  j.insert(j.end(), body.begin(), body.end());
  // A baseline frame of 640x480 with three components, then the end of image.
  j.insert(j.end(), {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01, 0xE0, 0x02, 0x80, 0x03, 1,
                     0x22, 0,    2,    0x11, 1,    3,    0x11, 1,    0xFF, 0xD9});
  return j;
}

class PhotoDate : public ::testing::Test {
 protected:
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("photo-date-" + std::to_string(::getpid()) + "-" +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  void SetUp() override { std::filesystem::create_directories(dir); }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // The date the reader finds in a file of these bytes, or -1 when the header was refused.
  int64_t taken(const Bytes &bytes) {
    std::string path = (dir / "p.jpg").string();
    FILE *f = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    FileNode n{};
    n.path = path.data();
    n.type = TYPE_JPEG;
    if (read_picture_node(nullptr, &n) < 0) return -1;
    EXPECT_EQ(n.width, 640);
    EXPECT_EQ(n.height, 480);
    return n.taken;
  }
};

TEST_F(PhotoDate, ReadsDateTimeOriginalInEitherByteOrder) {
  // 2021-03-04 05:06:07 as if UTC.
  EXPECT_EQ(taken(jpeg_with_app1(tiff_with_date("2021:03:04 05:06:07", true))), 1614834367);
  EXPECT_EQ(taken(jpeg_with_app1(tiff_with_date("2021:03:04 05:06:07", false))), 1614834367);
  EXPECT_EQ(taken(jpeg_with_app1(tiff_with_date("1999:12:31 23:59:59", true))), 946684799);
}

TEST_F(PhotoDate, UnsetOrDamagedDatesReadAsUnknownAndKeepTheSize) {
  // Cameras without a set clock, a date of the wrong type, another APP1, an offset past the segment.
  EXPECT_EQ(taken(jpeg_with_app1(tiff_with_date("0000:00:00 00:00:00", true))), 0);
  EXPECT_EQ(taken(jpeg_with_app1(tiff_with_date("    :  :     :  :  ", true))), 0);
  EXPECT_EQ(taken(jpeg_with_app1(tiff_with_date("2021:13:04 05:06:07", true))), 0);
  EXPECT_EQ(taken(jpeg_with_app1(tiff_with_date("2021:03:04 05:06:07", true, 7))), 0);
  EXPECT_EQ(taken(jpeg_with_app1(tiff_with_date("2021:03:04 05:06:07", true), false)), 0);
  Bytes far = tiff_with_date("2021:03:04 05:06:07", true);
  far[26 + 2 + 12 + 8] = 0xF0;  // DateTimeOriginal's offset points beyond the segment
  far[26 + 2 + 12 + 9] = 0xFF;
  EXPECT_EQ(taken(jpeg_with_app1(far)), 0);
  Bytes loop = tiff_with_date("2021:03:04 05:06:07", true);
  loop[8] = 0xFF;  // an IFD0 that claims 65535 entries
  loop[9] = 0xFF;
  EXPECT_EQ(taken(jpeg_with_app1(loop)), 0);
}

TEST_F(PhotoDate, DateBeyondTheBytesAtHandIsNotReadAgain) {
  // A maker note of 8 KiB before the Exif IFD puts the date past the first read: the header read stays one
  // read and the date reads as unknown rather than costing a second read.
  Bytes tiff = tiff_with_date("2021:03:04 05:06:07", true);
  Bytes big(tiff.begin(), tiff.begin() + 8);
  put16(big, 1, true);
  put16(big, 0x8769, true);
  put16(big, 4, true);
  put32(big, 1, true);
  put32(big, 26 + 8192, true);
  put32(big, 0, true);
  big.resize(26 + 8192, 0);
  Bytes exif_ifd(tiff.begin() + 26, tiff.end());
  // The date's offset moves with the IFD.
  exif_ifd[2 + 12 + 8] = static_cast<uint8_t>((56 + 8192) & 0xFF);
  exif_ifd[2 + 12 + 9] = static_cast<uint8_t>((56 + 8192) >> 8);
  big.insert(big.end(), exif_ifd.begin(), exif_ifd.end());
  EXPECT_EQ(taken(jpeg_with_app1(big)), 0);
}

TEST(PhotoDateSort, SortsByDateTakenWithFileTimeForPhotosWithout) {
  // Four records: two dated photos, one without a date whose file time falls between them, one tie.
  std::vector<std::string> names = {"c.jpg", "a.jpg", "b.jpg", "d.jpg"};
  std::vector<int64_t> taken = {300, 100, 0, 100};
  std::vector<int64_t> modified = {0, 0, 200, 50};
  FileNode nodes[5] = {};
  for (int i = 0; i < 4; ++i) {
    nodes[i].path = names[i].data();
    nodes[i].taken = taken[i];
    nodes[i].modified = modified[i];
    nodes[i].next = &nodes[i + 1];
  }
  ASSERT_EQ(sort_list(5, 1, &nodes[0]), 0);
  std::vector<std::string> order;
  for (FileNode *n = &nodes[0]; n->next; n = n->next) order.push_back(n->path);
  EXPECT_EQ(order, (std::vector<std::string>{"a.jpg", "d.jpg", "b.jpg", "c.jpg"}));
  ASSERT_EQ(sort_list(5, 0, &nodes[0]), 0);
  order.clear();
  for (FileNode *n = &nodes[0]; n->next; n = n->next) order.push_back(n->path);
  EXPECT_EQ(order, (std::vector<std::string>{"c.jpg", "b.jpg", "a.jpg", "d.jpg"}));
}

// quillo's catalog in the order the photos were taken, a photo without an Exif date placed by its file time.
class QuilloSortTaken : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    program_settings("settings");
    dated("pics/a.jpg", "2022:06:01 12:00:00");
    dated("pics/b.jpg", "2020:01:01 08:30:00");
    picture("pics/c.jpg", 64, 48);
    run_command("touch -d '2021-01-01 00:00:00' '" + path("pics/c.jpg") + "'");  // between the two dates
  }

  // A real JPEG with an Exif segment carrying the date right after its start.
  void dated(const std::string &name, const std::string &date) {
    picture(name, 64, 48);
    std::string bytes = read(name);
    Bytes app1 = jpeg_with_app1(tiff_with_date(date, false));
    size_t segment = 4 + ((app1[4] << 8) | app1[5]) - 2;  // the APP1 marker, its length and its body
    bytes.insert(2, std::string(app1.begin() + 2, app1.begin() + 2 + static_cast<long>(segment)));
    write(name, bytes);
  }

  std::vector<std::string> order(const std::string &options) {
    CommandOutcome o =
        run_command("'" + program_dir() + "/quillo' -q --no-thumbnails --settings '" + path("settings") +
                    "' --output '" + path("out") + "' " + options + " '" + path("pics") + "'");
    EXPECT_EQ(o.exit_code, 0) << o.err;
    std::string page = read("out/pics/html_1/index000000.html");
    std::vector<std::string> names;
    for (size_t at = page.find("showcg('"); at != std::string::npos; at = page.find("showcg('", at + 1))
      names.push_back(page.substr(page.find(".jpg'", at) - 1, 1));
    std::filesystem::remove_all(path("out"));
    return names;
  }
};

TEST_F(QuilloSortTaken, OrdersByTheDateTakenEitherWay) {
  EXPECT_EQ(order("--sort taken"), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(order("--sort taken,desc"), (std::vector<std::string>{"a", "c", "b"}));
  EXPECT_EQ(order("--sort name"), (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
