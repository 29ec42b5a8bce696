// The cache index reader against the format's own tools: the real index of a
// browser, and the test writer of small caches checked by msiecfinfo,
// msiecfexport and pasco so that it cannot drift from the real format.
#include "cache/cache_index.h"

#include <cstdio>
#include <map>
#include <memory>
#include <sstream>

#include "core/text.h"
#include "engine_fixture.h"
#include "ie_cache_fixture.h"
#include "platform/platform.h"

namespace {

std::string fixture(const std::string &name) {
  return source_dir() + "/tests/fixtures/msiecf/" + name;
}

std::string run(const std::string &command) {
  std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buf[4096];
  size_t n;
  while (pipe && (n = fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  return out;
}

std::string value_of(const std::string &line) {
  size_t colon = line.find(": ");
  return colon == std::string::npos ? "" : line.substr(colon + 2);
}

// msiecfexport's URL records that name a cached file: address → "Content.IE5/<dir>/<file>".
std::map<std::string, std::string> exported_files(const std::string &index) {
  std::map<std::string, std::string> files;
  std::istringstream in(run("msiecfexport '" + index + "'"));
  std::string line, type, location, file, name;
  auto finish = [&] {
    if (type == "URL" && !file.empty()) files[location] = file;
    type = location = file = name = "";
  };
  while (std::getline(in, line)) {
    if (line.rfind("Record type", 0) == 0) {
      finish();
      type = value_of(line);
    } else if (line.rfind("Location", 0) == 0) {
      location = value_of(line);
    } else if (line.rfind("Filename", 0) == 0) {
      name = value_of(line);
    } else if (line.rfind("Cache directory index", 0) == 0) {
      // "0 (0x00)(ENG3X4ZR)"
      std::string v = value_of(line);
      size_t open = v.rfind('('), close = v.rfind(')');
      if (!name.empty() && open != std::string::npos && close > open)
        file = "Content.IE5/" + v.substr(open + 1, close - open - 1) + "/" + name;
    }
  }
  finish();
  return files;
}

class CacheIndexTest : public EngineTest {};

TEST_F(CacheIndexTest, RealIndexResolvesEveryCachedFileAsMsiecfexportDoes) {
  std::string cache = mkdir("profile/Temporary Internet Files");
  mkdir("profile/Temporary Internet Files/Content.IE5");
  std::string bytes;
  ASSERT_TRUE(plat::read_file(fixture("plaso-Content.IE5-index.dat"), &bytes));
  write("profile/Temporary Internet Files/Content.IE5/index.dat", bytes);
  std::map<std::string, std::string> expected = exported_files(fixture("plaso-Content.IE5-index.dat"));
  ASSERT_EQ(expected.size(), 21u) << "msiecfexport lists the fixture's URL records with files";
  copy_field(engine().rec.CacheFolder, cache, "cache");
  for (const auto &[address, file] : expected) {
    std::string local;
    ASSERT_EQ(cache_file_of_url(address.c_str(), &local), 0) << address;
    EXPECT_EQ(local, cache + "/" + file) << address;
  }
  std::string local;
  EXPECT_EQ(cache_file_of_url("http://go.microsoft.com/fwlink/?LinkId=299196", &local), -1)
      << "a redirect record has no file";
  EXPECT_EQ(cache_file_of_url("http://example.com/not-cached.gif", &local), -1);
}

TEST_F(CacheIndexTest, AddressIsFoundInItsNormalForm) {
  CacheIndex index;
  ASSERT_TRUE(load_cache_index(fixture("plaso-Content.IE5-index.dat"), &index));
  const CacheEntry *e = find_cache_entry(index, "HTTP://www.bing.com/x/../favicon.ico");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->folder, "5F9C7HL9");
  EXPECT_EQ(e->file, "favicon[1].ico");
  ASSERT_NE(find_cache_entry(index, "https://ieonline.microsoft.com/favicon.ico"), nullptr);
}

TEST_F(CacheIndexTest, HistoryIndexAndGarbageMapNothing) {
  CacheIndex index;
  EXPECT_TRUE(load_cache_index(fixture("grr-index.dat"), &index));
  EXPECT_TRUE(index.entries.empty());
  std::string junk = "Client UrlCache MMF Ver 5.2" + std::string(100, '\xff');
  EXPECT_FALSE(read_cache_index(reinterpret_cast<const uint8_t *>(junk.data()), junk.size(), &index));
  EXPECT_FALSE(load_cache_index(path("missing/index.dat"), &index));
  EXPECT_TRUE(index.entries.empty());
}

IeCache sample_cache() {
  IeCache c;
  c.folders = {"ABCD1234", "Q9W8E7R6"};
  c.items = {
      {"http://example.com/a.gif", 0, "a[1].gif", "GIF89a"},
      {"https://example.com/b.jpg", 1, "b[1].jpg", "jpeg"},
      {"http://example.com/page", -1, "", ""},
      {"http://example.com/gone.png", 1, "gone[1].png", "png", false},
  };
  return c;
}

TEST_F(CacheIndexTest, WrittenCacheIsReadByTheFormatsOwnTools) {
  std::string index = write_ie_cache(path("cache"), sample_cache());
  std::string info = run("msiecfinfo '" + index + "'");
  EXPECT_NE(info.find("Version\t\t\t\t: 5.2"), std::string::npos) << info;
  EXPECT_NE(info.find("Number of items\t\t\t: 3"), std::string::npos) << info;
  EXPECT_NE(info.find("Number of recovered items\t: 1"), std::string::npos) << info;
  std::map<std::string, std::string> expected = {
      {"http://example.com/a.gif", "Content.IE5/ABCD1234/a[1].gif"},
      {"https://example.com/b.jpg", "Content.IE5/Q9W8E7R6/b[1].jpg"},
  };
  EXPECT_EQ(exported_files(index), expected);
  std::string pasco = run("pasco '" + index + "'");
  for (const char *address :
       {"http://example.com/a.gif", "https://example.com/b.jpg", "http://example.com/page"})
    EXPECT_NE(pasco.find(std::string("URL\t") + address), std::string::npos) << pasco;
  EXPECT_NE(pasco.find("a[1].gif\tABCD1234"), std::string::npos) << pasco;
}

TEST_F(CacheIndexTest, ReaderTakesAllocatedRecordsWithFilesOnly) {
  CacheIndex index;
  ASSERT_TRUE(load_cache_index(write_ie_cache(path("cache"), sample_cache()), &index));
  ASSERT_EQ(index.entries.size(), 2u);
  EXPECT_EQ(index.entries[0].address, "http://example.com/a.gif");
  EXPECT_EQ(index.entries[0].folder, "ABCD1234");
  EXPECT_EQ(index.entries[1].file, "b[1].jpg");
}

TEST_F(CacheIndexTest, HostileRecordsAreDroppedNeverCut) {
  IeCache c;
  std::string huge = "http://example.com/" + std::string(1100, 'a') + ".gif";
  c.items = {
      {huge, 0, "huge[1].gif"},
      {"http://example.com/a b.gif", 0, "space[1].gif"},
      {"ftp://example.com/f.gif", 0, "ftp[1].gif"},
      {"http://example.com/up.gif", 0, "..", "x"},
      {"http://example.com/ok.gif", 0, "ok[1].gif"},
  };
  c.items[3].write_file = false;
  CacheIndex index;
  ASSERT_TRUE(load_cache_index(write_ie_cache(path("cache"), c), &index));
  ASSERT_EQ(index.entries.size(), 1u);
  EXPECT_EQ(index.entries[0].file, "ok[1].gif");
}

// Damaged headers the fuzzer found: sizes the library would trust and allocate by.
TEST_F(CacheIndexTest, IndexWhoseSizesExceedTheFileIsRefused) {
  std::string good = ie_index_bytes(sample_cache());
  auto refused = [](std::string bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    CacheIndex index;
    return !read_cache_index(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), &index) &&
           index.entries.empty();
  };
  EXPECT_TRUE(refused(good, 36, 0x7FFFFFFF)) << "more blocks than the file holds";
  EXPECT_TRUE(refused(good, 28, static_cast<uint32_t>(good.size() + 1))) << "a file cut short";
  EXPECT_TRUE(refused(good, 32, static_cast<uint32_t>(good.size() + 4096))) << "hash table past the end";
  EXPECT_TRUE(refused(good, 0x4000 + 4, 0x7FFFFFFF)) << "hash table longer than the file";
  EXPECT_TRUE(refused(good, 0x4000 + 8, 0x4000)) << "hash chain looping back";
  size_t record = good.find("URL ", 0x4000);
  ASSERT_NE(record, std::string::npos);
  EXPECT_TRUE(refused(good, record + 4, 0xFFFFFFFD)) << "a record whose block count wraps";
  EXPECT_TRUE(refused(good, record + 4, 0)) << "a record of no blocks";
  EXPECT_TRUE(refused(good, record + 0x48, 0xFFFFFFFE)) << "a data block whose size wraps";
  EXPECT_TRUE(refused(good, record + 0x44, 0x10000)) << "a data block past the record";
  EXPECT_TRUE(refused(good, record + 0x34, 0x10000)) << "an address past the record";
  EXPECT_TRUE(refused(good, record + 0x3C, 0x10000)) << "a file name past the record";
  CacheIndex index;
  EXPECT_TRUE(read_cache_index(reinterpret_cast<const uint8_t *>(good.data()), good.size(), &index));
  EXPECT_EQ(index.entries.size(), 2u);
}

}  // namespace
