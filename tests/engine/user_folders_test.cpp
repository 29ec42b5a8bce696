// An installed program folder is shared by every user: each user's settings, catalogs
// and cache analysis go to the user's own folders, and a build folder or a portable
// copy keeps them beside the programs as before.
#include "core/user_folders.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "core/engine_state.h"
#include "core/error_log.h"
#include "core/paths.h"
#include "core/text.h"
#include "engine_fixture.h"
#include "html/catalog_common.h"
#include "platform/platform.h"
#include "settings/settings_file.h"
#include "settings/user_settings.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

constexpr const char *kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};

constexpr const char *kProgramSettings =
    "; distributed settings\n"
    "[Path]\n"
    "OutputPath=$exe/OUTPUT\n"
    "ExecPath=$exe\n"
    "IniPath=$exe\n"
    "TempPath=/tmp\n"
    "[Size]\n"
    "CurrentWidth=160\n";

int refuse_writing(const char *, int) {
  errno = EROFS;
  return -1;
}

class UserFoldersTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    for (const char *name : kVariables) {
      const char *value = getenv(name);
      saved_.emplace_back(name, value ? value : "", value != nullptr);
      unsetenv(name);
    }
    home_ = mkdir("home");
    setenv("HOME", home_.c_str(), 1);
  }
  void TearDown() override {
    for (const auto &[name, value, set] : saved_) set ? setenv(name, value.c_str(), 1) : unsetenv(name);
    EngineTest::TearDown();
  }
  // A program folder holding the distributed settings; installed (the mark) or not.
  std::string program(bool installed) {
    write("prog/quillo.ini", kProgramSettings);
    if (installed) write(std::string("prog/") + kInstallMark, "installed\n");
    return path("prog");
  }
  std::string pictures_folder() {
    std::string out;
    EXPECT_TRUE(user_pictures_folder(&out));
    return out;
  }

  std::string home_;
  std::vector<std::tuple<const char *, std::string, bool>> saved_;
};

TEST_F(UserFoldersTest, BuildFolderIsItsOwnSettingsFolderAndNothingGoesToTheHome) {
  bool made = true;
  EXPECT_EQ(user_settings_for(program(false), &made), path("prog"));
  EXPECT_FALSE(made);
  EXPECT_FALSE(fs::exists(home_ + "/.config"));
  EXPECT_EQ(analysis_folder(path("prog")), path("prog/DB"));
  EXPECT_FALSE(fs::exists(home_ + "/.local"));
}

TEST_F(UserFoldersTest, InstalledFolderGivesEachUserACopyOfItsSettingsOnce) {
  bool made = false;
  const std::string folder = user_settings_for(program(true) + "/", &made);
  EXPECT_EQ(folder, home_ + "/.config/quillo");
  EXPECT_TRUE(made);
  const std::string copy = read("home/.config/quillo/quillo.ini");
  EXPECT_NE(copy.find("\nOutputPath=" + home_ + "/Pictures/Quillo\n"), std::string::npos) << copy;
  EXPECT_NE(copy.find("\nExecPath=" + path("prog") + "\n"), std::string::npos) << copy;
  // Everything else as distributed: comments, the other descriptors, the other sections.
  EXPECT_NE(copy.find("; distributed settings\n[Path]\n"), std::string::npos);
  EXPECT_NE(copy.find("\nIniPath=$exe\nTempPath=/tmp\n[Size]\nCurrentWidth=160\n"), std::string::npos);
  EXPECT_EQ(read("prog/quillo.ini"), kProgramSettings);

  // The user's own changes survive every later start.
  write("home/.config/quillo/quillo.ini", "[Size]\nCurrentWidth=99\n");
  EXPECT_EQ(user_settings_for(path("prog"), &made), folder);
  EXPECT_FALSE(made);
  EXPECT_EQ(read("home/.config/quillo/quillo.ini"), "[Size]\nCurrentWidth=99\n");
}

TEST_F(UserFoldersTest, ProgramFolderTheUserCannotWriteIsShared) {
  const std::string prog = program(false);
  EXPECT_FALSE(program_folder_shared(prog));
  plat::ScopedOps os;
  os->access = refuse_writing;
  EXPECT_TRUE(program_folder_shared(prog));
  bool made = false;
  EXPECT_EQ(user_settings_for(prog, &made), home_ + "/.config/quillo");
  EXPECT_TRUE(made);
}

TEST_F(UserFoldersTest, XdgHomesAreTakenWhenAbsolute) {
  setenv("XDG_CONFIG_HOME", path("conf").c_str(), 1);
  setenv("XDG_DATA_HOME", path("data/").c_str(), 1);
  bool made = false;
  EXPECT_EQ(user_settings_for(program(true), &made), path("conf/quillo"));
  EXPECT_TRUE(fs::exists(path("conf/quillo/quillo.ini")));
  EXPECT_EQ(analysis_folder(path("prog")), path("data/quillo/DB"));
  EXPECT_TRUE(fs::is_directory(path("data/quillo")));  // made, so the analysis only makes DB
  std::string favourites;
  ASSERT_TRUE(favourites_folder(&favourites));
  EXPECT_EQ(favourites, path("data/quillo/Favorites"));

  // A relative value is not a base directory: the defaults below the home count.
  setenv("XDG_CONFIG_HOME", "conf", 1);
  std::string folder;
  ASSERT_TRUE(user_settings_folder(&folder));
  EXPECT_EQ(folder, home_ + "/.config/quillo");
}

TEST_F(UserFoldersTest, PicturesFolderIsTheOneTheDesktopNames) {
  EXPECT_EQ(pictures_folder(), home_ + "/Pictures");  // no user-dirs.dirs
  write("home/.config/user-dirs.dirs",
        "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n  XDG_PICTURES_DIR=\"$HOME/Bilder \\\"neu\\\"\"\n");
  EXPECT_EQ(pictures_folder(), home_ + "/Bilder \"neu\"");
  write("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"/srv/photos/\"\n");
  EXPECT_EQ(pictures_folder(), "/srv/photos");
  // The home itself means "no pictures folder"; anything but $HOME/... or /... is not valid.
  write("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/\"\n");
  EXPECT_EQ(pictures_folder(), home_ + "/Pictures");
  write("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"photos\"\nXDG_PICTURES_DIRX=\"/x\"\n");
  EXPECT_EQ(pictures_folder(), home_ + "/Pictures");
  write("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOMEWORK/x\"\n");
  EXPECT_EQ(pictures_folder(), home_ + "/Pictures");

  write("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  bool made = false;
  user_settings_for(program(true), &made);
  EXPECT_NE(read("home/.config/quillo/quillo.ini").find("\nOutputPath=" + home_ + "/Bilder/Quillo\n"),
            std::string::npos);
}

TEST_F(UserFoldersTest, CopyThatCannotBeMadeFailsAndWritesNothing) {
  write("home/.config", "a file where the folder should be");
  bool made = true;
  EXPECT_EQ(user_settings_for(program(true), &made), "");
  EXPECT_FALSE(made);
  EXPECT_NE(std::string(engine().last_error).find(home_ + "/.config/quillo"), std::string::npos)
      << engine().last_error;
  EXPECT_EQ(read("home/.config"), "a file where the folder should be");

  // Without a home there is nowhere to put the user's things.
  unsetenv("HOME");
  EXPECT_EQ(user_settings_for(path("prog"), &made), "");
  EXPECT_EQ(analysis_folder(path("prog")), "");
}

TEST_F(UserFoldersTest, FirstTimeHandsTheUserFolderOverAndInitReadsIt) {
  const std::string prog = program(true);
  mkdir("prog/html");
  write("prog/html/index.html", "template");
  char area[ZUNO_BUFSIZE];
  char *buf = area;
  snprintf(area, sizeof area, "%s", prog.c_str());
  ASSERT_EQ(ZunoFirstTime(&buf), 0);
  EXPECT_EQ(std::string(area), home_ + "/.config/quillo");

  ZunoRecord &r = engine().rec;
  copy_field(r.IniPath, area, "IniPath");
  ASSERT_EQ(get_inifile(&r), 0);
  EXPECT_STREQ(r.ExecPath, prog.c_str());
  EXPECT_EQ(std::string(r.OutputPath), home_ + "/Pictures/Quillo");
  EXPECT_EQ(std::string(r.IniPath), home_ + "/.config/quillo");
  EXPECT_EQ(std::string(engine().db_folder), home_ + "/.local/share/quillo/DB");
  // The catalog templates are the program's until the user makes an html folder of their own.
  EXPECT_EQ(template_path(r, "index.html"), prog + "/html/index.html");
  mkdir("home/.config/quillo/html");
  EXPECT_EQ(template_path(r, "index.html"), home_ + "/.config/quillo/html/index.html");
}

}  // namespace
