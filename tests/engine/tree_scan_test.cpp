// The folder scan, counting and sorting of the file list.
#include "collect/tree_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <set>

#include "collect/file_types.h"
#include "collect/list_sort.h"
#include "core/file_list.h"
#include "core/text.h"
#include "engine_fixture.h"
#include "private_temp.h"
#include "zuno.h"

namespace {

class TreeScan : public EngineTest {
 protected:
  FileNode *scan(const std::string &folder, int limit, int mask = 0xFF, ZunoRecord *rec = nullptr,
                 long long oldest = 0) {
    return maketree(rec, mask, oldest, limit, folder.c_str(), &engine().files);
  }
  // "depth:name" for every listed node, names relative to the test folder.
  std::vector<std::string> listing() {
    std::vector<std::string> out;
    for (FileNode *n = &engine().files; is_listed(n); n = n->next)
      out.push_back(std::to_string(n->depth) + ":" + std::string(n->path).substr(dir_.size() + 1));
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
};

TEST_F(TreeScan, TypeTestIgnoresCaseAndNeverChangesThePath) {
  char path[] = "/a/Photo.Jpg";
  EXPECT_EQ(file_type(path), 0x20);
  EXPECT_STREQ(path, "/a/Photo.Jpg");
  EXPECT_EQ(file_type("x.tar.GIF"), 0x2);
  EXPECT_EQ(file_type("x.jpg.bak"), -1);
  EXPECT_EQ(file_type(".jpg"), -1);  // a leading dot is no extension
  EXPECT_EQ(file_type("page.HTML"), 0x100);
  EXPECT_EQ(file_type("noext"), -1);
}

TEST_F(TreeScan, DepthRuleAndSkips) {
  write("top.jpg", "x");
  write("empty.jpg", "");
  write("notes.txt", "x");
  write("a/one.png", "x");
  write("a/b/two.gif", "x");
  write("a/b/c/three.gif", "x");
  mkdir("x.JPG");  // a folder, whatever its name says
  ASSERT_NE(scan(dir_, 0), nullptr);
  EXPECT_EQ(listing(), sorted({"0:top.jpg", "1:a/b", "1:a/one.png", "101:a", "101:x.JPG"}));
}

TEST_F(TreeScan, StoredPathsNameTheFilesAsTheyAre) {
  write("Mixed.Jpeg", "x");
  ASSERT_NE(scan(dir_, 5), nullptr);
  EXPECT_EQ(std::string(engine().files.path), path("Mixed.Jpeg"));
  EXPECT_EQ(access(engine().files.path, F_OK), 0);
}

TEST_F(TreeScan, MaskAgeAndReadOnly) {
  write("old.jpg", "x");
  write("new.png", "x");
  write("movie.avi", "x");
  struct timespec old_times[2] = {{1000000, 0}, {1000000, 0}};
  utimensat(AT_FDCWD, path("old.jpg").c_str(), old_times, 0);
  chmod(path("new.png").c_str(), 0444);
  ASSERT_NE(scan(dir_, 5, 0x20 | 0x4, nullptr, 2000000), nullptr);
  ASSERT_EQ(listing(), (std::vector<std::string>{"0:new.png"}));
  EXPECT_TRUE(engine().files.flags & FLAG_READONLY);
}

TEST_F(TreeScan, SecondFormTakesEmptyFilesOfOneCode) {
  write("a.htm", "");
  write("b.jpg", "x");
  ASSERT_NE(maketree2(0, 5, dir_.c_str(), &engine().files, 0x100), nullptr);
  EXPECT_EQ(listing(), (std::vector<std::string>{"0:a.htm"}));
}

TEST_F(TreeScan, LinkedFoldersAreListedButNotEnteredLinkedFilesAreTaken) {
  write("a/p.jpg", "x");
  write("elsewhere/q.jpg", "x");
  ASSERT_EQ(symlink(dir_.c_str(), path("a/loop").c_str()), 0);
  ASSERT_EQ(symlink("/", path("a/root").c_str()), 0);
  ASSERT_EQ(symlink(path("elsewhere/q.jpg").c_str(), path("a/linked.jpg").c_str()), 0);
  ASSERT_EQ(symlink(path("gone.jpg").c_str(), path("a/dangling.jpg").c_str()), 0);
  ASSERT_NE(scan(path("a"), 27), nullptr);
  EXPECT_EQ(listing(), sorted({"0:a/linked.jpg", "0:a/loop", "0:a/p.jpg", "0:a/root"}));
}

TEST_F(TreeScan, HostileNamesAreListedAsTheyAre) {
  std::vector<std::string> names = {"sp ace.jpg",
                                    "quo'te\".jpg",
                                    "hash#1.jpg",
                                    "100%.jpg",
                                    "new\nline.jpg",
                                    "写真 1.jpg",
                                    std::string("bad\xff\xfe.jpg")};
  for (const std::string &n : names) write(n, "x");
  ASSERT_NE(scan(dir_, 0), nullptr);
  std::set<std::string> seen;
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) seen.insert(n->path);
  for (const std::string &n : names) EXPECT_TRUE(seen.count(path(n))) << n;
}

TEST_F(TreeScan, OverlongPathsAreRefusedAndRecorded) {
  std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e');
  write(deep + "/" + std::string(60, 'f') + ".jpg", "x");
  write("short.jpg", "x");
  ASSERT_NE(scan(dir_, 5), nullptr);
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) EXPECT_LE(strlen(n->path), 255u);
  EXPECT_EQ(std::string(engine().last_error).find("パスが長すぎるため除外しました: " + dir_), 0u);
}

TEST_F(TreeScan, MissingOrEmptyFolderEndsWithNothing) {
  EXPECT_EQ(scan(path("absent"), 5), nullptr);
  EXPECT_EQ(engine().files.next, nullptr);
  EXPECT_EQ(scan("", 5), nullptr);
  EXPECT_EQ(engine().files.next, nullptr);
}

TEST_F(TreeScan, KernelFileSystemsAreNotDescended) {
  ASSERT_NE(scan("/proc", 27, 0xFF), nullptr);
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) EXPECT_LT(n->depth, 100) << n->path;
}

int abort_now_calls = 0;
void abort_now() {
  ++abort_now_calls;
  ZunoAbortReq();
}

TEST_F(TreeScan, AbortLeavesAValidShorterList) {
  for (int i = 0; i < 5; ++i) write("p" + std::to_string(i) + ".jpg", "x");
  engine().rec.CpuPriority = 0;
  ZunoSetProgressProc(nullptr, nullptr, abort_now, nullptr);
  EXPECT_EQ(scan(dir_, 5), nullptr);
  int count = 0;
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) ++count;
  EXPECT_EQ(count, 0);
}

TEST_F(TreeScan, SearchWordsMustAllMatch) {
  // Scanned apart from TEMP, where the log of the failed start makes the private folder.
  write("pics/cat/dog.jpg", "x");
  write("pics/cat/bird.jpg", "x");
  write("pics/dog/fish.jpg", "x");
  ZunoRecord &rec = engine().rec;
  ASSERT_EQ(ZunoInit(dir_.c_str()), -1);  // no settings file, but the pattern module loads
  ASSERT_NE(rec.re_compv, nullptr);
  copy_field(rec.LastSearchString, "CAT  dog", "t");
  ASSERT_EQ(compile_search_words(&rec), 0);
  ASSERT_NE(scan(path("pics"), 5, 0xFF, &rec), nullptr);
  EXPECT_EQ(listing(), sorted({"1:pics/cat/dog.jpg", "101:pics/cat", "101:pics/dog"}));
}

TEST_F(TreeScan, SearchWithoutModuleIsAPlainSubstring) {
  ZunoRecord &rec = engine().rec;
  copy_field(rec.LastSearchString, "a b", "t");
  EXPECT_EQ(compile_search_words(&rec), 1);
  EXPECT_EQ(matches_search(&rec, "/x/a b.jpg"), 0);
  EXPECT_EQ(matches_search(&rec, "/x/a/b.jpg"), -1);
}

TEST_F(TreeScan, CountTreeCountsAndLeavesADiagnostic) {
  write("a.jpg", std::string(100, 'x'));
  write("s/b.htm", std::string(50, 'x'));
  ASSERT_NE(scan(dir_, 5, 0xFFF), nullptr);
  int folders = -1, files = -1, outputs = 0, bytes = -1;
  EXPECT_EQ(counttree(&engine().files, &folders, &files, &outputs, &bytes), 1);
  EXPECT_FALSE(plat::exists(private_temp("zunotemp0000.tmp"))) << "no listing unless asked for";
  setenv("QUILLO_LIST_DIAGNOSTIC", "1", 1);
  folders = -1, files = -1, outputs = 0, bytes = -1;
  EXPECT_EQ(counttree(&engine().files, &folders, &files, &outputs, &bytes), 1);
  unsetenv("QUILLO_LIST_DIAGNOSTIC");
  EXPECT_EQ(folders, 1);
  EXPECT_EQ(files, 2);
  EXPECT_EQ(bytes, 150);
  EXPECT_NE(read(private_temp("zunotemp0000.tmp")).find("101:" + path("s")), std::string::npos);
}

TEST_F(TreeScan, TotalsBeyondTwoGibibytesAreCappedInTheIntButKeptWhole) {
  for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) write(name, "x");
  ASSERT_NE(scan(dir_, 5), nullptr);
  for (FileNode *n = &engine().files; is_listed(n); n = n->next) n->size = int64_t{1} << 30;  // 1 GiB each
  int folders = 0, files = 0, outputs = 0, bytes = 0;
  EXPECT_EQ(counttree(&engine().files, &folders, &files, &outputs, &bytes), 3);
  EXPECT_EQ(bytes, INT_MAX);
  EXPECT_EQ(ZunoLastTotalBytes(), 3LL << 30);
}

TEST_F(TreeScan, CountOfAnEmptyList) {
  int folders = 9, files = 9, outputs = 0, bytes = 9;
  EXPECT_EQ(counttree(&engine().files, &folders, &files, &outputs, &bytes), 0);
  EXPECT_EQ(folders + files + bytes, 0);
}

// A list built by hand: names and keys, in chain order.
class ListSort : public EngineTest {
 protected:
  void build(const std::vector<std::pair<std::string, int>> &items) {
    FileNode *n = &engine().files;
    for (auto &[name, key] : items) {
      set_node_text(&n->path, "/d/" + name + ".jpg");
      n->accessed = key;
      n->width = static_cast<int16_t>(key);
      n->height = 1;
      n->next = new_node();
      n = n->next;
    }
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (FileNode *n = &engine().files; is_listed(n); n = n->next)
      out.push_back(std::string(n->path).substr(3, 1));
    return out;
  }
};

TEST_F(ListSort, ModeZeroIsDescendingAndTheHeadHoldsTheFirst) {
  build({{"a", 5}, {"b", 50}, {"c", 20}});
  FileNode *head = &engine().files;
  ASSERT_EQ(sort_list(3, 0, head), 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(head, &engine().files);
  ASSERT_EQ(sort_list(1, 1, head), 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"a", "c", "b"}));
}

TEST_F(ListSort, NamesCompareOnSevenBitsWithPrefixesFirst) {
  EXPECT_LT(compare_names("abc", "abd"), 0);
  EXPECT_LT(compare_names("abc", "abcd"), 0);
  EXPECT_EQ(compare_names("abc", "abc"), 0);
  EXPECT_EQ(compare_names("\xc1", "A"), 0);  // top bit cleared
  build({{"d", 0}, {"b", 0}, {"c", 0}, {"a", 0}});
  ASSERT_EQ(sort_list(4, 1, &engine().files), 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST_F(ListSort, TimesBeyondThirtyTwoBitsSortCorrectly) {
  build({{"a", 0}, {"b", 0}});
  engine().files.accessed = 5000000000LL;
  engine().files.next->accessed = -5000000000LL;
  ASSERT_EQ(sort_list(1, 1, &engine().files), 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"b", "a"}));
}

TEST_F(ListSort, ExchangeSortMatchesWithModeOneAscending) {
  build({{"c", 3}, {"a", 1}, {"b", 2}});
  EXPECT_EQ(exchange_sort(1, 1, &engine().files), 1);
  EXPECT_EQ(names(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(exchange_sort(1, 0, &engine().files), 1);
  EXPECT_EQ(names(), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(exchange_sort(0, 0, &engine().files), 0);
}

TEST_F(ListSort, TypeZeroAndEmptyListsAreLeftAlone) {
  EXPECT_EQ(sort_list(1, 0, &engine().files), 0);
  build({{"b", 2}, {"a", 1}});
  EXPECT_EQ(sort_list(0, 0, &engine().files), 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"b", "a"}));
}

}  // namespace
