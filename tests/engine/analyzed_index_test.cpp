// The analysed index as a user meets it: a cache run that writes the pairs into
// the program's DB folder, the address lookup the examination and the front end
// ask, and the rewrite after a backup run that copied the cache.
#include "cache/analyzed_index.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "collect/collect_steps.h"
#include "core/file_list.h"
#include "core/text.h"
#include "engine_fixture.h"
#include "ie_cache_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

class AnalyzedIndex : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    prog_ = mkdir("prog");
    out_ = mkdir("out");
    std::string ini;
    ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini));
    write("prog/quillo.ini", ini);
    ASSERT_EQ(ZunoInit(prog_.c_str()), 0);
    ZunoPutStr(ZUNO_OutputPath, out_.c_str());
    ZunoPut(ZUNO_CpuPriority, 100);
    setenv("OS", "Windows_NT", 1);
    setenv("USERPROFILE", path("ann").c_str(), 1);
    cache_ = mkdir("ann/Local Settings/Temporary Internet Files");
  }
  void TearDown() override {
    unsetenv("OS");
    unsetenv("USERPROFILE");
    EngineTest::TearDown();
  }
  std::string db(const std::string &sub) { return read(prog_ + "/DB/" + sub + "analyzed_index.txt"); }
  std::string copies() { return out_ + "/Temporary Internet Files/Images/Content.IE5"; }
  // A cache run to its end; the last status text.
  std::string cache_run(bool copy) {
    ZunoPut(ZUNO_FileCopy, copy ? 1 : 0);
    if (ZunoNewMain(prog_.c_str(), "$iecache", "$cache_view") != 0) return "preparation failed";
    char area[ZUNO_BUFSIZE];
    char *buf = area;
    for (int i = 0; i < 20; ++i) {
      ZunoGetFiles(&buf);
      if (std::string(area) == "完了" || std::string(area) == "エラー") break;
    }
    std::string status = area;
    ZunoNewMain(prog_.c_str(), "$iecache", "$cache_view");  // the pages, ending the run
    ZunoLastCount(0, nullptr, nullptr, nullptr, nullptr);
    return status;
  }
  std::string address_of(const std::string &p) {
    char out[1024] = "";
    return get_anarized_url(p.c_str(), out) == 0 ? out : "-1";
  }

  std::string prog_, out_, cache_;
};

IeCache mixed_cache() {
  IeCache c;
  c.folders = {"ABCD1234", "Q9W8E7R6"};
  c.items = {
      {"http://example.com/pics/../a.gif", 0, "a[1].gif", "GIF89a"},
      {"https://secure.example.com/b.JPG", 1, "b[1].JPG", "jpeg"},
      {"http://example.com/icon.ico", 0, "icon[1].ico", "ico"},
      {"http://example.com/page.html", 0, "page[1].html", "<html></html>"},
      {"http://example.com/lost.png", 1, "lost[1].png", "png"},
      {"http://example.com/" + std::string(1100, 'x') + ".gif", 0, "long[1].gif", "GIF89a"},
  };
  c.items[4].write_file = false;
  return c;
}

TEST_F(AnalyzedIndex, CacheRunWritesOnePairPerListedCachedFile) {
  write_ie_cache(cache_, mixed_cache());
  EXPECT_EQ(cache_run(false), "完了");
  EXPECT_EQ(db("ABCD1234"),
            "Content.IE5\\ABCD1234\\a[1].GIF\nhttp://example.com/a.gif\n"
            "Content.IE5\\ABCD1234\\page[1].HTML\nhttp://example.com/page.html\n");
  EXPECT_EQ(db("Q9W8E7R6"), "Content.IE5\\Q9W8E7R6\\b[1].JPG\nhttps://secure.example.com/b.JPG\n");
  EXPECT_FALSE(fs::exists(copies())) << "no copying without FileCopy";
}

TEST_F(AnalyzedIndex, LookupFindsHttpAndHttpsWhateverTheSeparators) {
  write_ie_cache(cache_, mixed_cache());
  cache_run(false);
  std::string a = cache_ + "/Content.IE5/ABCD1234/a[1].gif";
  EXPECT_EQ(address_of(a), "http://example.com/a.gif");
  EXPECT_EQ(address_of("C:\\Temporary Internet Files\\Content.IE5\\ABCD1234\\a[1].GIF"),
            "http://example.com/a.gif");
  EXPECT_EQ(address_of("C:\\\\x\\\\CONTENT.IE5\\\\ABCD1234\\\\a[1].gif"), "http://example.com/a.gif");
  EXPECT_EQ(address_of(cache_ + "/Content.IE5/Q9W8E7R6/b[1].JPG"), "https://secure.example.com/b.JPG");
  EXPECT_EQ(get_anarized_url(a.c_str(), nullptr), 0);
  EXPECT_EQ(address_of(cache_ + "/Content.IE5/ABCD1234/icon[1].ico"), "-1");
  EXPECT_EQ(address_of(cache_ + "/ABCD1234/a[1].gif"), "-1") << "no cache folder name";
  EXPECT_EQ(address_of(cache_ + "/Content.IE5/ZZZZ0000/a[1].gif"), "-1") << "no index for the subfolder";

  char area[ZUNO_BUFSIZE];
  char *buf = area;
  EXPECT_EQ(ZunoGetAnarizedURL(a.c_str(), &buf), 0);
  EXPECT_STREQ(area, "http://example.com/a.gif");
}

TEST_F(AnalyzedIndex, DamagedAddressLineIsNoAnswer) {
  mkdir("prog/DB");
  copy_field(engine().db_folder, prog_ + "/DB", "db");
  write("prog/DB/ABCD1234analyzed_index.txt",
        "Content.IE5\\ABCD1234\\s[1].GIF\nhttp://example.com/a b.gif\n"
        "Content.IE5\\ABCD1234\\j[1].GIF\njavascript:alert(1)\n"
        "Content.IE5\\ABCD1234\\c[1].GIF\r\nhttp://example.com/c.gif\r\n");
  EXPECT_EQ(address_of("Content.IE5/ABCD1234/s[1].gif"), "-1");
  EXPECT_EQ(address_of("Content.IE5/ABCD1234/j[1].gif"), "-1");
  EXPECT_EQ(address_of("Content.IE5/ABCD1234/c[1].gif"), "http://example.com/c.gif");
}

TEST_F(AnalyzedIndex, BackupRunCopiesTheCacheAndLeavesOnePairPerCopy) {
  write_ie_cache(cache_, mixed_cache());
  EXPECT_EQ(cache_run(false), "完了");
  EXPECT_EQ(cache_run(false), "完了");  // no copies yet: the pairs come again
  EXPECT_EQ(count_of(db("ABCD1234"), "a[1].GIF\n"), 2);
  EXPECT_EQ(cache_run(true), "完了");
  EXPECT_TRUE(fs::is_regular_file(copies() + "/ABCD1234/a[1].gif"));
  EXPECT_TRUE(fs::is_regular_file(copies() + "/Q9W8E7R6/b[1].jpg"));
  EXPECT_EQ(db("ABCD1234"),
            "Content.IE5\\ABCD1234\\a[1].GIF\nhttp://example.com/a.gif\n"
            "Content.IE5\\ABCD1234\\page[1].HTML\nhttp://example.com/page.html\n");
  EXPECT_EQ(db("Q9W8E7R6"), "Content.IE5\\Q9W8E7R6\\b[1].JPG\nhttps://secure.example.com/b.JPG\n");

  // With copies in place, a further run appends nothing.
  std::string before = db("ABCD1234") + db("Q9W8E7R6");
  EXPECT_EQ(cache_run(false), "完了");
  EXPECT_EQ(db("ABCD1234") + db("Q9W8E7R6"), before);
  // The backup view finds the addresses of the copies.
  EXPECT_EQ(address_of(copies() + "/ABCD1234/a[1].gif"), "http://example.com/a.gif");
}

TEST_F(AnalyzedIndex, LostDatabaseIsRebuiltDespiteExistingCopies) {
  write_ie_cache(cache_, mixed_cache());
  cache_run(true);
  fs::remove_all(prog_ + "/DB");
  cache_run(false);
  EXPECT_EQ(count_of(db("ABCD1234"), "a[1].GIF\n"), 1);
}

TEST_F(AnalyzedIndex, RewriteKeepsFirstPairOfCopiedFilesOnly) {
  mkdir("prog/DB");
  copy_field(engine().db_folder, prog_ + "/DB", "db");
  copy_field(engine().rec.OutputPath, out_, "out");
  write("out/Images/Content.IE5/ABCD1234/a[1].gif", "x");
  std::string old =
      "Content.IE5\\ABCD1234\\a[1].GIF\nhttp://one/a.gif\n"
      "Content.IE5\\ABCD1234\\n[1].GIF\nhttp://one/n.gif\n"
      "Content.IE5\\ABCD1234\\a[1].GIF\nhttp://two/a.gif\n"
      "Content.IE5\\..\\..\\a[1].GIF\nhttp://x/\n";
  write("prog/DB/ABCD1234analyzed_index.txt", old);
  write("prog/DB/.hiddenanalyzed_index.txt", old);
  EXPECT_EQ(rewrite_analyzed_index(), 0);
  EXPECT_EQ(db("ABCD1234"), "Content.IE5\\ABCD1234\\a[1].GIF\nhttp://one/a.gif\n");
  EXPECT_EQ(read(prog_ + "/DB/.hiddenanalyzed_index.txt"), old);
  std::vector<std::string> names;
  plat::list_dir(prog_ + "/DB", &names);
  EXPECT_EQ(names.size(), 2u) << "no temporaries left beside the index";
}

ssize_t failing_write(int, const void *, size_t) {
  errno = ENOSPC;
  return -1;
}

TEST_F(AnalyzedIndex, FailedRewriteLeavesThePreviousIndexWhole) {
  mkdir("prog/DB");
  copy_field(engine().db_folder, prog_ + "/DB", "db");
  copy_field(engine().rec.OutputPath, out_, "out");
  write("out/Images/Content.IE5/ABCD1234/a[1].gif", "x");
  std::string old =
      "Content.IE5\\ABCD1234\\a[1].GIF\nhttp://one/a.gif\nContent.IE5\\ABCD1234\\a[1].GIF\nhttp://two/\n";
  write("prog/DB/ABCD1234analyzed_index.txt", old);
  {
    plat::ScopedOps os;
    os->write = failing_write;
    EXPECT_EQ(rewrite_analyzed_index(), -1);
  }
  EXPECT_EQ(db("ABCD1234"), old);
  EXPECT_NE(std::string(engine().last_error).find("ABCD1234analyzed_index.txt"), std::string::npos);
  std::vector<std::string> names;
  plat::list_dir(prog_ + "/DB", &names);
  EXPECT_EQ(names.size(), 1u);
}

TEST_F(AnalyzedIndex, RewriteWithoutAnyIndexFails) {
  copy_field(engine().db_folder, prog_ + "/DB", "db");
  EXPECT_EQ(rewrite_analyzed_index(), -1);
  mkdir("prog/DB");
  EXPECT_EQ(rewrite_analyzed_index(), -1);
}

TEST_F(AnalyzedIndex, MissingIndexFileWritesNothing) {
  mkdir("ann/Local Settings/Temporary Internet Files/Content.IE5");
  EXPECT_EQ(cache_run(false), "完了");
  EXPECT_TRUE(fs::is_directory(prog_ + "/DB"));
  std::vector<std::string> names;
  plat::list_dir(prog_ + "/DB", &names);
  EXPECT_TRUE(names.empty());
}

TEST_F(AnalyzedIndex, AbortKeepsThePairsWrittenSoFar) {
  std::string index = write_ie_cache(cache_, mixed_cache());
  copy_field(engine().db_folder, prog_ + "/DB", "db");
  engine().rec.CpuPriority = 0;  // ask the poll at every pair
  engine().abort_flag = 1;
  EXPECT_EQ(index_dat_analyze(&engine().rec, index.c_str(), prog_.c_str()), 0);
  EXPECT_EQ(db("ABCD1234"), "Content.IE5\\ABCD1234\\a[1].GIF\nhttp://example.com/a.gif\n");
  EXPECT_FALSE(fs::exists(prog_ + "/DB/Q9W8E7R6analyzed_index.txt"));
}

TEST_F(AnalyzedIndex, UnwritableDatabaseIsReportedAndTheRunGoesOn) {
  std::string index = write_ie_cache(cache_, mixed_cache());
  write("prog/DB", "a file where the database folder goes");
  copy_field(engine().db_folder, prog_ + "/DB", "db");
  EXPECT_EQ(index_dat_analyze(&engine().rec, index.c_str(), prog_.c_str()), 0);
  EXPECT_EQ(std::string(engine().last_error).find("データベースフォルダを作れません: " + prog_ + "/DB"), 0u)
      << engine().last_error;
  EXPECT_EQ(read("prog/DB"), "a file where the database folder goes");
}

TEST_F(AnalyzedIndex, KeysFollowTheCopiesNames) {
  std::string key, sub;
  ASSERT_EQ(analyzed_key_of_path("/x/Content.IE5/AB/c[1].jpeg", &key, &sub), 0);
  EXPECT_EQ(key, "Content.IE5\\AB\\c[1].JPEG");
  EXPECT_EQ(sub, "AB");
  EXPECT_EQ(copy_path_of_key("/o", key), "/o/Images/Content.IE5/AB/c[1].jpeg");
  EXPECT_EQ(analyzed_key_of_path("/x/Content.IE5/c.jpg", &key, &sub), -1);
  EXPECT_EQ(analyzed_key_of_path("/x/Content.IE5/../c.jpg", &key, &sub), -1);
}

}  // namespace
