// Chromium and Firefox caches as a run's source, on entry files real browsers
// wrote: found without configuration, copied into the backup in the old cache's
// shape with their addresses, incrementally, and never written to.
#include "cache/modern_cache.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "cache/shaped_names.h"
#include "core/browser_caches.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

std::string sample(const std::string &name) {
  return source_dir() + "/tests/data/browser-caches/" + name;
}

std::string file_bytes(const std::string &p) {
  std::string s;
  plat::read_file(p, &s);
  return s;
}

// Every file below a folder with its bytes and time: what "left alone" means.
std::map<std::string, std::string> snapshot(const std::string &folder) {
  std::map<std::string, std::string> out;
  for (const auto &e : fs::recursive_directory_iterator(folder)) {
    struct stat st {};
    ::stat(e.path().c_str(), &st);
    out[e.path().string()] = file_bytes(e.path().string()) + "@" + std::to_string(st.st_mtime);
  }
  return out;
}

class ModernCache : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    program_settings("settings");
    mkdir("out");
  }

  std::string chromium_cache() { return path("home/.cache/chromium/Default/Cache/Cache_Data"); }
  std::string firefox_cache() { return path("home/.cache/mozilla/firefox/ab12cd34.default-esr/cache2"); }
  std::string chromium_backup() { return path("out/chromium-Default/Images/Content.IE5"); }

  void add_chromium(const std::string &entry) {
    fs::create_directories(chromium_cache());
    fs::copy_file(sample("chromium/" + entry), chromium_cache() + "/" + entry,
                  fs::copy_options::overwrite_existing);
  }
  void add_firefox(const std::string &sample_name, const std::string &entry) {
    fs::create_directories(firefox_cache() + "/entries");
    fs::copy_file(sample("firefox/" + sample_name), firefox_cache() + "/entries/" + entry,
                  fs::copy_options::overwrite_existing);
  }

  CommandOutcome quillo(const std::string &args) {
    return run_command("env -u OS -u WINDIR -u USERPROFILE '" + program_dir() + "/quillo' -q --settings '" +
                       path("settings") + "' --output '" + path("out") + "' " + args);
  }

  // The cache's copy into a backup of this test, called directly to see the counts.
  ModernCopy copy_chromium(const std::string &images) {
    FoundCache c;
    EXPECT_EQ(cache_kind_of(chromium_cache(), &c), CacheKind::chromium);
    ModernCopy copy;
    EXPECT_EQ(copy_modern_cache(c, images, path("record.txt"), &copy), 0) << engine().last_error;
    return copy;
  }
};

constexpr const char *kLogo = "04c41b4efa8f1ebb_0";      // 200 image/png
constexpr const char *kGzPage = "066df8f7644c5182_0";    // 200 text/html, gzip
constexpr const char *kNotFound = "25a6dcceafe3f606_0";  // 404
constexpr const char *kRedirect = "9d6e1a6fd7b3aa44_0";  // 302
constexpr const char *kJson = "6c530d733d5a5995_0";      // application/json

TEST_F(ModernCache, BackupFindsTheChromiumCacheAndCopiesPicturesAndPagesWithTheirAddresses) {
  for (const char *e : {kLogo, kGzPage, kNotFound, kRedirect, kJson}) add_chromium(e);
  auto before = snapshot(path("home/.cache"));

  CommandOutcome b = quillo("--mode backup");
  ASSERT_EQ(b.exit_code, 0) << b.err;
  EXPECT_EQ(b.out, path("out/chromium-Default/cache_view_1/index.html") + "\n");
  EXPECT_EQ(file_bytes(chromium_backup() + "/CRCACHE0/logo[1].png"), file_bytes(sample("site/logo.png")));
  EXPECT_EQ(file_bytes(chromium_backup() + "/CRCACHE0/gz[1].htm"), file_bytes(sample("site/gz.html")))
      << "a gzip body is stored decoded";
  int files = 0;
  for (const auto &e : fs::recursive_directory_iterator(chromium_backup())) files += e.is_regular_file();
  EXPECT_EQ(files, 2) << "the picture and the page; no 404, redirect or JSON";
  EXPECT_EQ(read("settings/DB/CRCACHE0analyzed_index.txt")
                .find("Content.IE5\\CRCACHE0\\logo[1].PNG\n"
                      "http://127.0.0.1:8731/logo.png\n"),
            0u);
  EXPECT_EQ(snapshot(path("home/.cache")), before) << "nothing is written inside the browser's cache";
  std::string page = read("out/chromium-Default/cache_view_1/index000000.html");
  EXPECT_NE(page.find("logo[1].png"), std::string::npos);

  CommandOutcome v = quillo("--mode view --set PreparedURL=1 --set GetUrl=2");
  ASSERT_EQ(v.exit_code, 0) << v.err;
  EXPECT_NE(read("out/chromium-Default/cache_view_1/index000000.html").find("http://127.0.0.1:8731/logo.png"),
            std::string::npos)
      << "backup view knows each picture's address";
}

TEST_F(ModernCache, TheLinkLookupFollowsTheBackupOfTheCacheAndOutputInUse) {
  add_chromium(kLogo);
  add_chromium("0ed5a233c8cc6e7d_0");  // index.html, which shows the logo inside an anchor
  ASSERT_EQ(quillo("--mode backup").exit_code, 0);
  ASSERT_EQ(ZunoInit(path("settings").c_str()), 0);
  ZunoPutStr(ZUNO_OutputPath, path("out").c_str());
  char area[ZUNO_BUFSIZE] = "";
  char *page = area;
  EXPECT_EQ(ZunoGetLinkPage("http://127.0.0.1:8731/logo.png", &page), 0) << engine().last_error;
  EXPECT_STREQ(area, "http://127.0.0.1:8731/index.html");

  // Another output folder holds no backup: the pages listed for the first are not used.
  ZunoPutStr(ZUNO_OutputPath, mkdir("elsewhere").c_str());
  area[0] = '\0';
  EXPECT_EQ(ZunoGetLinkPage("http://127.0.0.1:8731/logo.png", &page), -1);
  EXPECT_STREQ(area, "");
  EXPECT_NE(std::string(engine().last_error).find("キャッシュのバックアップがありません"), std::string::npos);
}

TEST_F(ModernCache, FirefoxProfileFolderIsACacheSourceAndEncryptedOrInternalEntriesAreLeftOut) {
  add_firefox("728393926F2E4BD02D78A4F6382E5480DCC140C8", "728393926F2E4BD02D78A4F6382E5480DCC140C8");
  add_firefox("7065830E720FAD7EE2854F8255ADF135D1B94E99", "7065830E720FAD7EE2854F8255ADF135D1B94E99");
  add_firefox("encrypted-2308EFC5E4B10F22EAADED2313614063983DF709",
              "2308EFC5E4B10F22EAADED2313614063983DF709");
  add_firefox("4CCFE75533A6896605D2306620D80A274FFE5383", "4CCFE75533A6896605D2306620D80A274FFE5383");
  std::string profile = fs::path(firefox_cache()).parent_path().string();

  CommandOutcome b = quillo("--cache-folder '" + profile + "' --mode backup");
  ASSERT_EQ(b.exit_code, 0) << b.err;
  std::string backup = path("out/firefox-ab12cd34.default-esr/Images/Content.IE5");
  EXPECT_EQ(file_bytes(backup + "/FFCACHE7/logo[1].png"), file_bytes(sample("site/logo.png")));
  EXPECT_EQ(file_bytes(backup + "/FFCACHE7/gz[1].htm"), file_bytes(sample("site/gz.html")));
  int files = 0;
  for (const auto &e : fs::recursive_directory_iterator(backup)) files += e.is_regular_file();
  EXPECT_EQ(files, 2) << "no encrypted entry, no script";
}

TEST_F(ModernCache, RepeatedCopiesReadOnlyWhatChangedAndKeepEachAddressOnItsName) {
  add_chromium(kLogo);
  add_chromium(kGzPage);
  std::string images = path("backup/Images");
  ModernCopy first = copy_chromium(images);
  EXPECT_EQ(first.copied, 2);
  EXPECT_EQ(first.written.size(), 2u);

  ModernCopy again = copy_chromium(images);
  EXPECT_EQ(again.copied, 0);
  EXPECT_EQ(again.unchanged, 2);
  EXPECT_TRUE(again.written.empty());
  EXPECT_EQ(again.known.size(), 2u) << "the record still names both";

  // The browser fetched the picture again: the same name is brought up to date.
  std::string entry = chromium_cache() + "/" + kLogo;
  plat::set_times(entry, 2000000000, 2000000000);
  std::string copy = images + "/Content.IE5/CRCACHE0/logo[1].png";
  fs::remove(copy);
  ModernCopy changed = copy_chromium(images);
  EXPECT_EQ(changed.copied, 1);
  EXPECT_EQ(file_bytes(copy), file_bytes(sample("site/logo.png")));
  plat::Stat st;
  ASSERT_TRUE(plat::stat_path(copy, &st));
  EXPECT_EQ(st.modified, 2000000000) << "the copy has the entry's time, for the age filter";
  EXPECT_FALSE(fs::exists(images + "/Content.IE5/CRCACHE0/logo[2].png"));
}

TEST_F(ModernCache, TornEntriesAreSkippedUntilTheBrowserCompletesThem) {
  std::string whole = file_bytes(sample(std::string("chromium/") + kLogo));
  fs::create_directories(chromium_cache());
  std::string entry = chromium_cache() + "/" + kLogo;
  // The browser wrote the header, the key and part of the body, no end records.
  write("home/.cache/chromium/Default/Cache/Cache_Data/" + std::string(kLogo), whole.substr(0, 400));
  std::string images = path("backup/Images");
  ModernCopy torn = copy_chromium(images);
  EXPECT_EQ(torn.copied, 0);
  EXPECT_EQ(torn.skipped, 1);
  EXPECT_FALSE(fs::exists(images + "/Content.IE5/CRCACHE0/logo[1].png"));

  write("home/.cache/chromium/Default/Cache/Cache_Data/" + std::string(kLogo), whole);
  plat::set_times(entry, 2000000000, 2000000000);
  ModernCopy done = copy_chromium(images);
  EXPECT_EQ(done.copied, 1);
  EXPECT_EQ(file_bytes(images + "/Content.IE5/CRCACHE0/logo[1].png"), file_bytes(sample("site/logo.png")));
}

TEST_F(ModernCache, ANewAddressNeverTakesTheNameOfAFileAlreadyInTheBackup) {
  add_chromium(kLogo);
  std::string images = path("backup/Images");
  write("backup/Images/Content.IE5/CRCACHE0/logo[1].png", "the user's own file");
  copy_chromium(images);
  EXPECT_EQ(read("backup/Images/Content.IE5/CRCACHE0/logo[1].png"), "the user's own file");
  EXPECT_EQ(file_bytes(images + "/Content.IE5/CRCACHE0/logo[2].png"), file_bytes(sample("site/logo.png")));
}

TEST_F(ModernCache, ADamagedRecordIsReadAsNoRecordAndWrittenWholeAgain) {
  add_chromium(kLogo);
  write("record.txt",
        "quillo browser cache record 1\n04c41b4efa8f1ebb_0\t1102\tx\t..\\..\\etc\t\n\x01\x02garbage");
  std::string images = path("backup/Images");
  ModernCopy copy = copy_chromium(images);
  EXPECT_EQ(copy.copied, 1);
  std::string record = read("record.txt");
  EXPECT_EQ(record.rfind("quillo browser cache record 1\n", 0), 0u);
  EXPECT_NE(record.find("\tContent.IE5\\CRCACHE0\\logo[1].PNG\thttp://127.0.0.1:8731/logo.png\n"),
            std::string::npos);
  EXPECT_EQ(record.find("garbage"), std::string::npos);
}

TEST_F(ModernCache, ABackupThatCannotBeWrittenFailsTheRunAndSaysWhy) {
  add_chromium(kLogo);
  write("out/chromium-Default/Images/Content.IE5", "a file where the backup's folder belongs");
  CommandOutcome b = quillo("--mode backup");
  EXPECT_EQ(b.exit_code, 1);
  EXPECT_NE(b.err.find("バックアップに書き込めません"), std::string::npos) << b.err;
  EXPECT_EQ(read("out/chromium-Default/Images/Content.IE5"), "a file where the backup's folder belongs");
  EXPECT_FALSE(fs::exists(path("out/chromium-Default/cache_view_1/index.html")));
}

TEST_F(ModernCache, CachesAreFoundByBrowserAndProfileAndListedWhole) {
  add_chromium(kLogo);
  fs::create_directories(path("home/.cache/chromium/Profile 1/Cache/Cache_Data"));  // empty: not listed
  add_firefox("728393926F2E4BD02D78A4F6382E5480DCC140C8", "728393926F2E4BD02D78A4F6382E5480DCC140C8");
  // A Firefox profile kept elsewhere holds its cache inside itself.
  write("home/.mozilla/firefox/profiles.ini",
        "[Profile0]\nName=x\nIsRelative=0\nPath=" + path("elsewhere/p1") + "\n");
  write("elsewhere/p1/cache2/entries/728393926F2E4BD02D78A4F6382E5480DCC140C8", "x");

  std::vector<FoundCache> found = find_browser_caches();
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(describe_cache(found[0]), "Chromium (Default): " + chromium_cache());
  EXPECT_EQ(describe_cache(found[1]), "Firefox (ab12cd34.default-esr): " + firefox_cache());
  EXPECT_EQ(describe_cache(found[2]), "Firefox (p1): " + path("elsewhere/p1/cache2"));

  std::string all(ZunoListCaches(nullptr, 0), '\0');
  char area[4096];
  ASSERT_EQ(ZunoListCaches(area, sizeof area), static_cast<int>(all.size()));
  EXPECT_EQ(std::string(area).rfind("chromium\tChromium\tDefault\t" + chromium_cache() + "\n", 0), 0u);
  char small[80];
  ZunoListCaches(small, sizeof small);
  EXPECT_EQ(small[0], '\0') << "a line that does not fit is left out, never cut";

  CommandOutcome l = run_command("'" + program_dir() + "/quillo' --list-caches");
  EXPECT_EQ(l.exit_code, 0);
  EXPECT_EQ(l.out, std::string(area));
}

TEST_F(ModernCache, ABackupIsNamedForItsBrowserAndProfile) {
  add_chromium(kLogo);
  EXPECT_EQ(cache_presented_name(chromium_cache()), "chromium-Default");
  EXPECT_EQ(cache_presented_name(path("home/.cache/chromium/Default")), "chromium-Default")
      << "the profile folder stands for its cache";
  add_firefox("728393926F2E4BD02D78A4F6382E5480DCC140C8", "728393926F2E4BD02D78A4F6382E5480DCC140C8");
  EXPECT_EQ(cache_presented_name(firefox_cache()), "firefox-ab12cd34.default-esr");
  EXPECT_EQ(cache_presented_name(path("win/Temporary Internet Files")), "Temporary Internet Files");
}

TEST(ShapedNames, NamesComeFromTheAddressAndExtensionsFromTheResponse) {
  EXPECT_EQ(shaped_stem("http://h/a/photo.jpg?size=2#x"), "photo");
  EXPECT_EQ(shaped_stem("http://h/%E6%97%85%E8%A1%8C.png"), "旅行");
  EXPECT_EQ(shaped_stem("http://h/%FF%FE.png"), "_FF_FE")
      << "bytes that are no UTF-8 stay escaped, made safe";
  EXPECT_EQ(shaped_stem("http://h/"), "index");
  EXPECT_EQ(shaped_stem("http://h/..%2F..%2Fetc"), "___.._etc") << "no way up, no hidden file";
  EXPECT_EQ(shaped_stem("http://h/a[1]:b*c.gif"), "a_1__b_c");
  EXPECT_EQ(shaped_stem("http://h/" + std::string(300, 'x') + ".png").size(), 64u);
  EXPECT_EQ(shaped_stem("http://h/" + std::string(63, 'x') + "\xE6\x97\x85.png"), std::string(63, 'x'))
      << "never cut inside a character";

  EXPECT_EQ(shaped_extension("image/jpeg", "", "http://h/x.png"), ".jpg");
  EXPECT_EQ(shaped_extension("image/webp", "", "http://h/x"), ".webp");
  EXPECT_EQ(shaped_extension("application/octet-stream", "GIF89a....", "http://h/x"), ".gif");
  EXPECT_EQ(shaped_extension("", std::string("RIFF\0\0\0\0WEBPVP8 ", 16), "http://h/x"), ".webp");
  EXPECT_EQ(shaped_extension("", "  <!DOCTYPE html><p>", "http://h/x"), ".htm");
  EXPECT_EQ(shaped_extension("text/plain", "hello", "http://h/pic.JPG"), ".jpg");
  EXPECT_EQ(shaped_extension("text/plain", "hello", "http://h/notes.txt"), "");
  EXPECT_EQ(shaped_subfolder("CRCACHE", "04c41b4efa8f1ebb_0"), "CRCACHE0");
  EXPECT_EQ(shaped_subfolder("FFCACHE", "d2d5e7"), "FFCACHED");
}

}  // namespace
