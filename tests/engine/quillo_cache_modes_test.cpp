// quillo's browser-cache runs as a user starts them: --mode backup copies a
// mounted Windows profile's cache into the backup and catalogs it, view and site
// catalog the backup, --cache-folder names the cache without any variables.
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine_fixture.h"
#include "ie_cache_fixture.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

class QuilloCacheModes : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    program_settings("settings");
    mkdir("out");
    std::string jpeg, gif;
    ASSERT_TRUE(plat::read_file(picture("src/a.jpg", 200, 150), &jpeg));
    ASSERT_TRUE(plat::read_file(picture("src/b.gif", 160, 120), &gif));
    IeCache c;
    c.folders = {"ABCD1234", "Q9W8E7R6"};
    c.items = {{"http://example.com/a.jpg", 0, "a[1].jpg", jpeg},
               {"https://example.com/b.gif", 1, "b[1].gif", gif}};
    cache_ = path("win/Documents and Settings/ann/Local Settings/Temporary Internet Files");
    write_ie_cache(cache_, c);
  }

  // quillo with `args`; `env` is put before the command (VAR=value ...).
  CommandOutcome quillo(const std::string &args,
                        const std::string &env = "env -u OS -u WINDIR -u USERPROFILE") {
    return run_command(env + " '" + program_dir() + "/quillo' -q --settings '" + path("settings") +
                       "' --output '" + path("out") + "' " + args);
  }
  std::string profile_env() {
    return "env -u WINDIR OS=Windows_NT USERPROFILE='" + path("win/Documents and Settings/ann") + "'";
  }
  std::string backup() { return path("out/Temporary Internet Files"); }

  std::string cache_;
};

TEST_F(QuilloCacheModes, BackupOfAMountedProfileThenItsViewAndSite) {
  CommandOutcome b = quillo("--mode backup", profile_env());
  ASSERT_EQ(b.exit_code, 0) << b.err;
  EXPECT_EQ(b.out, backup() + "/cache_view_1/index.html\n");
  EXPECT_TRUE(fs::is_regular_file(backup() + "/Images/Content.IE5/ABCD1234/a[1].jpg"));
  EXPECT_TRUE(fs::is_regular_file(backup() + "/Images/Content.IE5/Q9W8E7R6/b[1].gif"));
  EXPECT_EQ(read("settings/DB/ABCD1234analyzed_index.txt"),
            "Content.IE5\\ABCD1234\\a[1].JPG\nhttp://example.com/a.jpg\n");
  EXPECT_EQ(read("settings/DB/Q9W8E7R6analyzed_index.txt"),
            "Content.IE5\\Q9W8E7R6\\b[1].GIF\nhttps://example.com/b.gif\n");

  CommandOutcome v = quillo("--mode view", profile_env());
  ASSERT_EQ(v.exit_code, 0) << v.err;
  EXPECT_EQ(v.out, backup() + "/cache_view_1/index.html\n");
  CommandOutcome s = quillo("--mode site", profile_env());
  ASSERT_EQ(s.exit_code, 0) << s.err;
  EXPECT_EQ(s.out, backup() + "/site_lunch_1/index.html\n");
  EXPECT_TRUE(fs::is_regular_file(cache_ + "/Content.IE5/index.dat")) << "the cache itself is left alone";
}

TEST_F(QuilloCacheModes, CacheFolderOptionNeedsNoVariables) {
  CommandOutcome none = quillo("--mode backup");
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_NE(none.err.find("キャッシュファイルの位置を特定出来無い"), std::string::npos) << none.err;
  CommandOutcome b = quillo("--cache-folder '" + cache_ + "' --mode backup");
  ASSERT_EQ(b.exit_code, 0) << b.err;
  EXPECT_TRUE(fs::is_regular_file(backup() + "/Images/Content.IE5/ABCD1234/a[1].jpg"));
  EXPECT_EQ(read("settings/quillo.ini").find("CacheFolder=" + cache_), std::string::npos)
      << "options change this run only";
}

TEST_F(QuilloCacheModes, MissingCacheFolderIsRefusedAndNothingIsMade) {
  CommandOutcome o = quillo("--cache-folder '" + path("nowhere") + "' --mode backup");
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find(path("nowhere")), std::string::npos) << o.err;
  EXPECT_FALSE(fs::exists(backup()));
  EXPECT_FALSE(fs::exists(path("settings/DB")));
}

TEST_F(QuilloCacheModes, ModeTakesNoFolderAndKnowsItsNames) {
  EXPECT_EQ(quillo("--mode view '" + path("src") + "'").exit_code, 2);
  CommandOutcome bad = quillo("--mode mirror");
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_NE(bad.err.find("backup, view or site"), std::string::npos) << bad.err;
  CommandOutcome help = quillo("--help");
  EXPECT_NE(help.out.find("--mode MODE"), std::string::npos);
  EXPECT_NE(help.out.find("--cache-folder DIR"), std::string::npos);
}

}  // namespace
