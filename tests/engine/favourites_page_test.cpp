// The favourites page grows as shortcuts arrive in the product's favourites folder:
// each entry is the catalog's thumbnail link of the page the shortcut was made
// from, escaped again on the way, and an unchanged folder leaves the page alone.
#include <filesystem>
#include <string>

#include "core/engine_state.h"
#include "maintenance_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

class FavouritesPage : public MaintenanceTest {
 protected:
  void SetUp() override {
    MaintenanceTest::SetUp();
    use_desktop_folders();
    shortcuts_ = "xdg/quillo/Favorites/クイロ～/";
    page_ = out_ + "/ZunoFavorites/クイロ～のお気に入り.html";
    thumb_ = picture("out/pics/Thumbs/cat.jpg", 80, 60);
    // A catalog whose thumbnail links lead to the pictures' web pages.
    catalog_ = write("out/pics/html_1/index000000.html",
                     "<html>\n<body>\n"
                     "<a href=\"http://shop.example.com/cat.html\" target=\"_blank\"><img "
                     "src=\"../Thumbs/cat.jpg\" width=\"80\" height=\"60\" alt=\"x\" border=\"0\">\n</a>\n"
                     "<a href=\"http://shop.example.com/dog.html\" target=\"_blank\"><img "
                     "src=\"../Thumbs/cat.jpg\" width=\"40\" height=\"30\" alt=\"y\" border=\"0\">\n</a>\n"
                     "</body>\n</html>\n");
  }
  std::string url_file(const std::string &name, const std::string &address, const std::string &page) {
    return write(shortcuts_ + name,
                 "[DEFAULT]\r\nBASEURL=file://" + page + "\r\n[InternetShortcut]\r\nURL=" + address + "\r\n");
  }
  std::string shortcuts_, page_, thumb_, catalog_;
};

TEST_F(FavouritesPage, AShortcutAddsItsCatalogEntryWithAWorkingThumbnail) {
  url_file("cat.url", "http://shop.example.com/cat.html/", catalog_);
  EXPECT_EQ(ZunoCreatFavorites(), 1);
  std::string page = read(page_);
  EXPECT_NE(page.find("<title>\nクイロ～のお気に入り\n</title>"), std::string::npos) << page;
  EXPECT_NE(page.find("<a href=\"http://shop.example.com/cat.html\" target=\"_blank\"><img src=\"" + thumb_ +
                      "\" width=\"80\" height=\"60\""),
            std::string::npos)
      << page;
  EXPECT_EQ(count_of(page, "</a>"), 1);
  EXPECT_NE(page.find("</a>\n</body>\n</html>\n"), std::string::npos);
}

TEST_F(FavouritesPage, ASecondCallWithoutChangeReturnsZeroAndLeavesTheFileUntouched) {
  url_file("cat.url", "http://shop.example.com/cat.html", catalog_);
  ASSERT_EQ(ZunoCreatFavorites(), 1);
  auto stamp = fs::last_write_time(page_);
  std::string before = read(page_);
  EXPECT_EQ(ZunoCreatFavorites(), 0);
  EXPECT_EQ(read(page_), before);
  EXPECT_EQ(fs::last_write_time(page_), stamp);
}

TEST_F(FavouritesPage, ThePageGrowsAndNeverRepeatsAnEntry) {
  url_file("cat.url", "http://shop.example.com/cat.html", catalog_);
  ASSERT_EQ(ZunoCreatFavorites(), 1);
  url_file("dog.url", "http://shop.example.com/dog.html", catalog_);
  url_file("cat again.url", "http://shop.example.com/cat.html", catalog_);
  EXPECT_EQ(ZunoCreatFavorites(), 1);
  std::string page = read(page_);
  EXPECT_EQ(count_of(page, "cat.html"), 2);  // href and alt of one entry
  EXPECT_EQ(count_of(page, "dog.html"), 2);
  EXPECT_EQ(count_of(page, "</body>"), 1);
}

TEST_F(FavouritesPage, TwoNewShortcutsToOneEntryInOneCallAreBothAdded) {
  url_file("a.url", "http://shop.example.com/cat.html", catalog_);
  url_file("b.url", "http://shop.example.com/cat.html", catalog_);
  EXPECT_EQ(ZunoCreatFavorites(), 2);
  EXPECT_EQ(count_of(read(page_), "</a>"), 2);
}

TEST_F(FavouritesPage, AShortcutWhosePageIsNoCatalogPageIsIgnored) {
  std::string other = write("out/pics/html_1/other.html", read(catalog_));
  url_file("cat.url", "http://shop.example.com/cat.html", other);
  write(shortcuts_ + "ftp.url",
        "[InternetShortcut]\nURL=ftp://shop.example.com/cat.html\nBASEURL=file://" + catalog_ + "\n");
  EXPECT_EQ(ZunoCreatFavorites(), 0);
  EXPECT_EQ(count_of(read(page_), "<a href"), 0);
}

TEST_F(FavouritesPage, APercentEncodedPageNameIsReadAsItsBlanks) {
  std::string spaced = write("out/my pics/html_1/index000000.html", read(catalog_));
  picture("out/my pics/Thumbs/cat.jpg", 80, 60);
  write(shortcuts_ + "cat.url", "[InternetShortcut]\nURL=http://shop.example.com/cat.html\nBASEURL=file://" +
                                    out_ + "/my%20pics/html_1/index000000.html\n");
  EXPECT_EQ(ZunoCreatFavorites(), 1);
  EXPECT_NE(read(page_).find("my%20pics/Thumbs/cat.jpg"), std::string::npos);
}

TEST_F(FavouritesPage, ADesktopLinkIsMatchedAgainstTheCatalogPagesOfTheOutputFolder) {
  write(shortcuts_ + "dog.desktop",
        "[Desktop Entry]\nType=Link\nName=dog\nURL=http://shop.example.com/dog.html\n");
  write(shortcuts_ + "app.desktop",
        "[Desktop Entry]\nType=Application\nURL=http://shop.example.com/cat.html\n");
  EXPECT_EQ(ZunoCreatFavorites(), 1);
  std::string page = read(page_);
  EXPECT_NE(page.find("dog.html"), std::string::npos);
  EXPECT_EQ(page.find("cat.html"), std::string::npos);
}

TEST_F(FavouritesPage, AHostileCatalogLineReachesThePageOnlyEscaped) {
  std::string hostile = write("elsewhere/index000000.html",
                              "<a href=\"http://evil.example.com/x\" onmouseover=\"steal()\"><img src=\"" +
                                  thumb_ + "\" width=\"1\"><script>steal()</script>\n");
  url_file("evil.url", "http://evil.example.com/x", hostile);
  EXPECT_EQ(ZunoCreatFavorites(), 1);
  std::string page = read(page_);
  EXPECT_EQ(page.find("onmouseover"), std::string::npos);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("http://evil.example.com/x"), std::string::npos);
}

TEST_F(FavouritesPage, TheFavouritesFolderBeingAFileFailsAndSaysSo) {
  write("out/ZunoFavorites", "a file");
  url_file("cat.url", "http://shop.example.com/cat.html", catalog_);
  EXPECT_EQ(ZunoCreatFavorites(), -1);
  EXPECT_NE(std::string(engine().last_error).find("ZunoFavorites"), std::string::npos);
  EXPECT_EQ(read("out/ZunoFavorites"), "a file");
}

TEST_F(FavouritesPage, AWindowsProfileKeepsItsFavouritesInTheProfile) {
  use_windows_profile();
  write("profile/Favorites/クイロ～/cat.url",
        "[InternetShortcut]\nURL=http://shop.example.com/cat.html\nBASEURL=file:///" + catalog_.substr(1) +
            "\n");
  EXPECT_EQ(ZunoCreatFavorites(), 1);
  EXPECT_TRUE(fs::is_directory(path("profile/Favorites/クイロ～")));
  EXPECT_FALSE(fs::exists(path("xdg/quillo/Favorites")));
}

TEST_F(FavouritesPage, TheFoldersAreMadeWhenMissingAndAnEmptyPageIsWritten) {
  EXPECT_EQ(ZunoCreatFavorites(), 0);
  EXPECT_TRUE(fs::is_directory(path(shortcuts_)));
  std::string page = read(page_);
  EXPECT_NE(page.find("<body"), std::string::npos);
  EXPECT_EQ(count_of(page, "<a href"), 0);
}

TEST_F(FavouritesPage, AFailedWriteLeavesThePageAsItWas) {
  url_file("cat.url", "http://shop.example.com/cat.html", catalog_);
  ASSERT_EQ(ZunoCreatFavorites(), 1);
  std::string before = read(page_);
  url_file("dog.url", "http://shop.example.com/dog.html", catalog_);
  {
    plat::ScopedOps os;
    os->write = [](int, const void *, size_t) -> ssize_t {
      errno = ENOSPC;
      return -1;
    };
    EXPECT_EQ(ZunoCreatFavorites(), -1);
  }
  EXPECT_EQ(read(page_), before);
}

}  // namespace
