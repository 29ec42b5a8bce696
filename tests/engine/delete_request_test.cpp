// Deletion requests: a thumbnail filed as a shortcut in the delete-candidate folder
// takes its picture to the trash (a backup copy is deleted outright) and its lines
// out of the catalog page, but only when that catalog page really links a picture;
// a shortcut naming anything else deletes nothing and is reported.
#include <filesystem>
#include <string>

#include "core/engine_state.h"
#include "html/html_escape.h"
#include "maintenance_fixture.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

class DeleteRequest : public MaintenanceTest {
 protected:
  void SetUp() override {
    MaintenanceTest::SetUp();
    use_desktop_folders();
    requests_ = "xdg/quillo/Favorites/クイロ～/削除候補/";
    mkdir(requests_);
    own_ = picture("pics/my cat.jpg", 160, 120);
    page_ = catalog_page("out/pics/html_1/index000000.html", {own_, "../Images/copy.jpg"});
    copy_ = picture("out/pics/Images/copy.jpg", 50, 40);
  }
  // A shortcut to a thumbnail link as a browser files it: the viewer call as the
  // address, the catalog page as its base.
  std::string request(const std::string &name, const std::string &link_path, const std::string &page) {
    return write(requests_ + name, "[DEFAULT]\r\nBASEURL=file://" + page +
                                       "\r\n[InternetShortcut]\r\nURL=JavaScript:showcg('" +
                                       showcg_argument(link_path) + "',160,120)\r\n");
  }
  std::string error() const { return engine().last_error; }
  std::string requests_, own_, page_, copy_;
};

TEST_F(DeleteRequest, TheUsersPictureGoesToTheTrashAndItsThumbnailLeavesThePage) {
  std::string shortcut = request("cat.url", own_, page_);
  EXPECT_EQ(ZunoDelReq(0), 1);
  EXPECT_FALSE(fs::exists(own_));
  EXPECT_EQ(trashed(), std::vector<std::string>{"my cat.jpg"});
  std::string page = read(page_);
  EXPECT_EQ(page.find("my cat.jpg"), std::string::npos);
  EXPECT_NE(page.find("copy.jpg"), std::string::npos);
  EXPECT_EQ(count_of(page, "</a>"), 1);
  EXPECT_FALSE(fs::exists(shortcut));
}

TEST_F(DeleteRequest, ARelativeLinkIsTakenFromTheCatalogPagesFolderAndTheCopyIsDeletedOutright) {
  request("copy.url", "../Images/copy.jpg", page_);
  EXPECT_EQ(ZunoDelReq(0), 1);
  EXPECT_FALSE(fs::exists(copy_));
  EXPECT_TRUE(fs::exists(own_));
  EXPECT_EQ(read(page_).find("copy.jpg"), std::string::npos);
}

TEST_F(DeleteRequest, AnUnchangedFolderReturnsZeroWithoutReadingAnything) {
  EXPECT_EQ(ZunoDelReq(0), 0);
  std::string shortcut = write(requests_ + "notes.txt", "not a request");
  EXPECT_EQ(ZunoDelReq(0), 0);
  EXPECT_TRUE(fs::exists(shortcut));
  EXPECT_EQ(ZunoDelReq(0), 0);
}

TEST_F(DeleteRequest, APathThePageDoesNotLinkDeletesNothingAndIsReported) {
  std::string secret = write("home/.ssh/id_rsa", "KEY");
  std::string shortcut = request("key.url", secret, page_);
  std::string before = read(page_);
  EXPECT_EQ(ZunoDelReq(0), 0);
  EXPECT_EQ(read(secret), "KEY");
  EXPECT_EQ(read(page_), before);
  EXPECT_TRUE(trashed().empty());
  EXPECT_NE(error().find("カタログにないファイルは削除しません"), std::string::npos) << error();
  EXPECT_TRUE(fs::exists(shortcut));  // kept, so the user sees it was not done
}

TEST_F(DeleteRequest, ALinkedFileThatIsNoPictureOrAFolderIsNotDeleted) {
  std::string notes = write("pics/notes.txt", "mine");
  std::string folder = mkdir("pics/album.jpg");
  std::string page = catalog_page("out/pics/html_1/index000001.html", {notes, folder});
  request("notes.url", notes, page);
  request("album.url", folder, page);
  EXPECT_EQ(ZunoDelReq(0), 0);
  EXPECT_EQ(read(notes), "mine");
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_NE(error().find("画像ファイルではないので削除しません"), std::string::npos);
}

TEST_F(DeleteRequest, ACatalogPageOutsideTheOutputFolderIsNotBelieved) {
  std::string forged = catalog_page("Downloads/index000000.html", {own_});
  request("cat.url", own_, forged);
  EXPECT_EQ(ZunoDelReq(0), 0);
  EXPECT_TRUE(fs::exists(own_));
}

TEST_F(DeleteRequest, AShortcutWithoutABasePageIsMatchedAgainstTheOutputFoldersCatalogs) {
  write(requests_ + "cat.desktop",
        "[Desktop Entry]\nType=Link\nURL=JavaScript:showcg('" + showcg_argument(own_) + "',160,120)\n");
  EXPECT_EQ(ZunoDelReq(0), 1) << error();
  EXPECT_FALSE(fs::exists(own_));
  EXPECT_EQ(read(page_).find("my cat.jpg"), std::string::npos);
}

TEST_F(DeleteRequest, ModeOneAlsoDeletesTheCacheEntryOfABackupCopy) {
  use_windows_profile();
  std::string requests = "profile/Favorites/クイロ～/削除候補/";
  std::string copy = picture("out/Temporary Internet Files/Images/Content.IE5/ABCD1234/a[1].jpg", 30, 20);
  std::string live = cache_ + "/Content.IE5/ABCD1234/a[1].jpg";
  fs::create_directories(fs::path(live).parent_path());
  fs::copy_file(copy, live);
  std::string page = catalog_page("out/Temporary Internet Files/cache_view_1/index000000.html", {copy});
  write(requests + "a.url", "[InternetShortcut]\nURL=JavaScript:showcg('" + showcg_argument(copy) +
                                "',30,20)\nBASEURL=file://" + page + "\n");
  EXPECT_EQ(ZunoDelReq(1), 1) << error();
  EXPECT_FALSE(fs::exists(copy));
  EXPECT_FALSE(fs::exists(live));
  EXPECT_TRUE(trashed().empty());
}

TEST_F(DeleteRequest, ABusyEngineRefusesAndDeletesNothing) {
  request("cat.url", own_, page_);
  engine().busy = 1;
  EXPECT_EQ(ZunoDelReq(0), ZUNO_BUSY);
  engine().busy = 0;
  EXPECT_TRUE(fs::exists(own_));
}

}  // namespace
