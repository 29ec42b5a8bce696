// Deleting browser cache entries (ZunoDelCache, and the clean-up's cache option)
// must never leave the browser cache folder, whatever text it is handed; pages lose
// a thumbnail's lines whole or not at all; the trash keeps what it takes.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/engine_state.h"
#include "links/cache_maintenance.h"
#include "maintenance_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

class CacheEntryDeletion : public MaintenanceTest {
 protected:
  void SetUp() override {
    MaintenanceTest::SetUp();
    entry_ = write("profile/Local Settings/Temporary Internet Files/Content.IE5/ABCD1234/pic[1].jpg", "jpeg");
    outside_ = write("x", "precious");
    write("profile/Local Settings/x", "precious too");
  }
  std::string last_error() const { return engine().last_error; }
  std::string entry_, outside_;
};

TEST_F(CacheEntryDeletion, AnOrdinaryEntryIsDeleted) {
  EXPECT_EQ(ZunoDelCache((backup_ + "/Content.IE5/ABCD1234/pic[1].jpg").c_str()), 0);
  EXPECT_FALSE(fs::exists(entry_));
  EXPECT_TRUE(fs::exists(outside_));
}

TEST_F(CacheEntryDeletion, DotDotComponentsAreRefusedAndNothingOutsideIsTouched) {
  EXPECT_EQ(ZunoDelCache("Content.IE5/../../x"), -1);
  EXPECT_NE(last_error().find("キャッシュの削除を中止しました"), std::string::npos);
  EXPECT_EQ(ZunoDelCache("Content.IE5/ABCD1234/../../../etc/passwd"), -1);
  EXPECT_EQ(ZunoDelCache("/a/Content.IE5/ABCD1234/../../../../../x"), -1);
  EXPECT_EQ(ZunoDelCache("Content.IE5\\..\\..\\x"), -1);
  EXPECT_TRUE(fs::exists(outside_));
  EXPECT_TRUE(fs::exists(path("profile/Local Settings/x")));
  EXPECT_TRUE(fs::exists(entry_));
}

TEST_F(CacheEntryDeletion, AnAbsolutePathAfterTheCacheRootIsRefused) {
  EXPECT_EQ(ZunoDelCache(("Content.IE5/" + outside_).c_str()), -1);
  EXPECT_EQ(ZunoDelCache(("Content.IE5" + outside_).c_str()), -1);
  EXPECT_TRUE(fs::exists(outside_));
}

TEST_F(CacheEntryDeletion, ALinkInTheCacheLeadingOutIsRefusedAndItsTargetKept) {
  fs::create_symlink(outside_,
                     path("profile/Local Settings/Temporary Internet Files/Content.IE5/ABCD1234/l.jpg"));
  EXPECT_EQ(ZunoDelCache("Content.IE5/ABCD1234/l.jpg"), -1);
  EXPECT_NE(last_error().find("シンボリックリンク"), std::string::npos);
  EXPECT_EQ(read("x"), "precious");
}

TEST_F(CacheEntryDeletion, ALinkedCacheSubfolderLeadingOutIsRefused) {
  fs::create_directory_symlink(dir_, cache_ + "/Content.IE5/OUTSIDE1");
  EXPECT_EQ(ZunoDelCache("Content.IE5/OUTSIDE1/x"), -1);
  EXPECT_EQ(read("x"), "precious");
}

TEST_F(CacheEntryDeletion, FoldersAndMissingEntriesAreRefused) {
  EXPECT_EQ(ZunoDelCache("Content.IE5/ABCD1234"), -1);
  EXPECT_NE(last_error().find("ファイルではありません"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(cache_ + "/Content.IE5/ABCD1234"));
  EXPECT_EQ(ZunoDelCache("Content.IE5/ABCD1234/gone.jpg"), -1);
  EXPECT_EQ(ZunoDelCache("Content.IE5"), -1);
  EXPECT_EQ(ZunoDelCache("Content.IE5/"), -1);
}

TEST_F(CacheEntryDeletion, TheUsersChosenCacheFolderIsTheOneDeletedIn) {
  std::string chosen_entry = write("chosen/Content.IE5/ABCD1234/pic[1].jpg", "other");
  ZunoPutStr(ZUNO_CacheFolder, path("chosen").c_str());
  EXPECT_EQ(ZunoDelCache("Content.IE5/ABCD1234/pic[1].jpg"), 0);
  EXPECT_FALSE(fs::exists(chosen_entry));
  EXPECT_TRUE(fs::exists(entry_));
}

TEST_F(CacheEntryDeletion, TheCleanUpsSizeTestKeepsAnEntryThatChanged) {
  EXPECT_EQ(delete_cache_entry(cache_, "Content.IE5\\ABCD1234\\pic[1].jpg", 3), 1);
  EXPECT_TRUE(fs::exists(entry_));
  EXPECT_EQ(delete_cache_entry(cache_, "Content.IE5\\ABCD1234\\pic[1].jpg", 4), 0);
  EXPECT_FALSE(fs::exists(entry_));
}

TEST_F(CacheEntryDeletion, OnlyCopiesInsideTheBackupMapBackToTheCache) {
  std::string relative;
  EXPECT_TRUE(backup_relative(backup_, backup_ + "/Content.IE5/A/b.jpg", &relative));
  EXPECT_EQ(relative, "Content.IE5/A/b.jpg");
  EXPECT_FALSE(backup_relative(backup_, backup_ + "/../Images/Content.IE5/A/b.jpg", &relative));
  EXPECT_FALSE(backup_relative(backup_, out_ + "/Content.IE5/A/b.jpg", &relative));
  EXPECT_FALSE(backup_relative(backup_, backup_ + "x/Content.IE5/A/b.jpg", &relative));
}

class PageLinkRemoval : public MaintenanceTest {};

TEST_F(PageLinkRemoval, TheThumbnailsLinkLineAndItsEndTagGoAndTheRestStays) {
  std::string page = catalog_page("cat/index000000.html", {"/p/a.jpg", "/p/b.jpg"});
  std::string before = read(page);
  ASSERT_EQ(count_of(before, "</a>"), 2);
  EXPECT_EQ(remove_page_link(page.c_str(), "showcg('/p/a.jpg'"), 0);
  std::string after = read(page);
  EXPECT_EQ(after.find("/p/a.jpg"), std::string::npos);
  EXPECT_NE(after.find("showcg('/p/b.jpg'"), std::string::npos);
  EXPECT_EQ(count_of(after, "</a>"), 1);
  EXPECT_NE(after.find("</body>"), std::string::npos);
}

TEST_F(PageLinkRemoval, AnEmptyLinkOrAnUnreadablePageChangesNothing) {
  std::string page = catalog_page("cat/index000000.html", {"/p/a.jpg"});
  std::string before = read(page);
  EXPECT_EQ(remove_page_link(page.c_str(), ""), -1);
  EXPECT_EQ(remove_page_link(path("cat/missing.html").c_str(), "a"), -1);
  EXPECT_EQ(read(page), before);
}

TEST_F(PageLinkRemoval, AFailedRewriteLeavesThePageAsItWas) {
  std::string page = catalog_page("cat/index000000.html", {"/p/a.jpg"});
  std::string before = read(page);
  plat::ScopedOps os;
  os->write = [](int, const void *, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  EXPECT_EQ(remove_page_link(page.c_str(), "showcg('/p/a.jpg'"), -1);
  EXPECT_EQ(read(page), before);
  int files = 0;
  for (auto &e : fs::directory_iterator(path("cat"))) files += e.is_regular_file();
  EXPECT_EQ(files, 1);  // no temporary left beside it
}

class DesktopTrash : public MaintenanceTest {};

TEST_F(DesktopTrash, AFileMovesIntoTheHomeTrashWithItsOrigin) {
  std::string file = write("pics/my pic.jpg", "mine");
  ASSERT_EQ(plat::move_to_trash(file), 0);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(read("xdg/Trash/files/my pic.jpg"), "mine");
  std::string info = read("xdg/Trash/info/my pic.jpg.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u);
  EXPECT_NE(info.find("pics/my%20pic.jpg\n"), std::string::npos);
  EXPECT_NE(info.find("\nDeletionDate=20"), std::string::npos);
}

TEST_F(DesktopTrash, ASecondFileOfTheSameNameKeepsTheFirst) {
  ASSERT_EQ(plat::move_to_trash(write("a/x.jpg", "1")), 0);
  ASSERT_EQ(plat::move_to_trash(write("b/x.jpg", "2")), 0);
  EXPECT_EQ(trashed(), (std::vector<std::string>{"x.2.jpg", "x.jpg"}));
  EXPECT_EQ(read("xdg/Trash/files/x.jpg"), "1");
  EXPECT_EQ(read("xdg/Trash/files/x.2.jpg"), "2");
}

TEST_F(DesktopTrash, AFailedMoveLeavesTheFileAndNoInfo) {
  std::string file = write("pics/a.jpg", "mine");
  plat::ScopedOps os;
  os->rename = [](const char *, const char *) -> int {
    errno = EACCES;
    return -1;
  };
  EXPECT_EQ(plat::move_to_trash(file), EACCES);
  EXPECT_EQ(read(file), "mine");
  EXPECT_FALSE(fs::exists(path("xdg/Trash/info/a.jpg.trashinfo")));
}

}  // namespace
