// The private temporary folder: every fixed name the engine and quillo make in the
// shared temporary folder lives in TEMP/quillo-<uid>, which must be a real folder of
// this user that nobody else can write. The tests run as root, so another user's
// folder cannot be made; the refusals are driven through links and modes instead.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "core/engine_state.h"
#include "core/paths.h"
#include "core/text.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "private_temp.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

class TempFolder : public EngineTest {
 protected:
  std::string private_dir() const { return path(private_temp()); }

  // The names in a folder, to show that nothing was added or removed there.
  std::set<std::string> names_in(const std::string &folder) const {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(folder, ec))
      names.insert(entry.path().filename().string());
    return names;
  }

  // A folder of someone else's with one file in it, the target of planted links.
  std::string make_victim() {
    write("victim/precious.HTML", "precious");
    return path("victim");
  }

  void plant_link(const std::string &link, const std::string &target) {
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0) << link;
  }

  void make_private_with_mode(mode_t mode) {
    ASSERT_EQ(::mkdir(private_dir().c_str(), 0700), 0);
    ASSERT_EQ(chmod(private_dir().c_str(), mode), 0);  // past the umask
  }

  mode_t mode_of(const std::string &p) const {
    struct stat st;
    return lstat(p.c_str(), &st) == 0 ? st.st_mode : 0;
  }

  std::string last_error() const { return engine().last_error; }
};

// --- the folder itself ---

TEST_F(TempFolder, MissingFolderIsMadeForTheOwnerOnly) {
  EXPECT_EQ(plat::temp_dir(), private_dir());
  mode_t mode = mode_of(private_dir());
  EXPECT_TRUE(S_ISDIR(mode));
  EXPECT_EQ(mode & 0777, 0700u);
  struct stat st;
  ASSERT_EQ(stat(private_dir().c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, geteuid());
}

TEST_F(TempFolder, ExistingPrivateFolderIsUsedAsItIs) {
  make_private_with_mode(0700);
  write(private_temp("kept.txt"), "kept");
  EXPECT_EQ(plat::temp_dir(), private_dir());
  EXPECT_EQ(read(private_temp("kept.txt")), "kept");
}

TEST_F(TempFolder, FolderOthersMayOnlyReadIsAccepted) {
  make_private_with_mode(0755);
  EXPECT_EQ(plat::temp_dir(), private_dir());
}

TEST_F(TempFolder, TmpdirStandsInForAnEmptyTemp) {
  mkdir("other");
  setenv("TEMP", "", 1);
  setenv("TMPDIR", path("other").c_str(), 1);
  EXPECT_EQ(plat::temp_dir(), path("other/" + private_temp()));
  unsetenv("TMPDIR");
}

TEST_F(TempFolder, TrailingSlashOfTempGivesTheSameFolder) {
  setenv("TEMP", (dir_ + "/").c_str(), 1);
  EXPECT_EQ(plat::temp_dir(), private_dir());
}

TEST_F(TempFolder, PlantedLinkIsRefusedAndItsTargetUnchanged) {
  std::string victim = make_victim();
  ASSERT_EQ(chmod(victim.c_str(), 0777), 0);
  plant_link(private_dir(), victim);
  plat::TempFolder t = plat::check_temp_dir();
  EXPECT_EQ(t.path, "");
  EXPECT_EQ(t.refusal, plat::TempRefusal::link);
  EXPECT_EQ(plat::temp_dir(), "");
  EXPECT_TRUE(S_ISLNK(mode_of(private_dir())));
  EXPECT_EQ(names_in(victim), std::set<std::string>{"precious.HTML"});
  EXPECT_EQ(mode_of(victim) & 0777, 0777u);  // not "repaired" to 0700 through the link
}

TEST_F(TempFolder, DanglingLinkIsRefusedAndNothingIsMadeAtItsTarget) {
  plant_link(private_dir(), path("nowhere"));
  EXPECT_EQ(plat::check_temp_dir().refusal, plat::TempRefusal::link);
  EXPECT_FALSE(fs::exists(path("nowhere")));
}

// Refused, not repaired: while the folder was open to others they may have planted
// names inside it (a log that is theirs, a catalog folder linked elsewhere), and a
// chmod would not take those away.
TEST_F(TempFolder, FolderWritableByOthersIsRefusedAndLeftAsItIs) {
  for (mode_t mode : {0777, 0770, 0702, 0720}) {
    SCOPED_TRACE(mode);
    make_private_with_mode(mode);
    write(private_temp("zunoerr.log"), "theirs\n");
    EXPECT_EQ(plat::check_temp_dir().refusal, plat::TempRefusal::open_to_others);
    char text[] = "not for their eyes";
    ZunoErr(-1, text);
    EXPECT_EQ(read(private_temp("zunoerr.log")), "theirs\n");
    EXPECT_EQ(mode_of(private_dir()) & 0777, mode);
    fs::remove_all(private_dir());
  }
}

TEST_F(TempFolder, FileInTheWayIsRefusedAndKept) {
  write(private_temp(), "a file");
  EXPECT_EQ(plat::check_temp_dir().refusal, plat::TempRefusal::not_folder);
  EXPECT_EQ(read(private_temp()), "a file");
}

TEST_F(TempFolder, MissingTempFolderIsNotMade) {
  setenv("TEMP", path("missing/folder").c_str(), 1);
  plat::TempFolder t = plat::check_temp_dir();
  EXPECT_EQ(t.refusal, plat::TempRefusal::cannot_make);
  EXPECT_EQ(t.err, ENOENT);
  EXPECT_FALSE(fs::exists(path("missing")));
}

// --- the error log ---

TEST_F(TempFolder, LogIsMadeForTheOwnerOnly) {
  char text[] = "first";
  ZunoErr(-1, text);
  EXPECT_EQ(mode_of(path(private_temp("zunoerr.log"))) & 0777, 0600u);
  EXPECT_FALSE(fs::exists(path("zunoerr.log")));
}

TEST_F(TempFolder, LogLinkIsNotFollowed) {
  write("victim.txt", "precious");
  ASSERT_FALSE(plat::temp_dir().empty());
  plant_link(path(private_temp("zunoerr.log")), path("victim.txt"));
  char text[] = "lost entry";
  EXPECT_EQ(ZunoErr(-1, text), 0);
  EXPECT_EQ(last_error(), "lost entry");
  EXPECT_EQ(read("victim.txt"), "precious");
  EXPECT_TRUE(S_ISLNK(mode_of(path(private_temp("zunoerr.log")))));
}

TEST_F(TempFolder, DanglingLogLinkMakesNothingAtItsTarget) {
  ASSERT_FALSE(plat::temp_dir().empty());
  plant_link(path(private_temp("zunoerr.log")), path("made-by-link.txt"));
  char text[] = "lost entry";
  ZunoErr(-1, text);
  EXPECT_FALSE(fs::exists(path("made-by-link.txt")));
}

TEST_F(TempFolder, FifoAsLogDoesNotHangTheRecorder) {
  ASSERT_FALSE(plat::temp_dir().empty());
  ASSERT_EQ(mkfifo(path(private_temp("zunoerr.log")).c_str(), 0600), 0);
  char text[] = "lost entry";
  EXPECT_EQ(ZunoErr(-1, text), 0);
  EXPECT_EQ(last_error(), "lost entry");
}

TEST_F(TempFolder, LogEntryThroughARefusedFolderIsLostButTheErrorKept) {
  std::string victim = make_victim();
  plant_link(private_dir(), victim);
  char text[] = "kept in memory";
  EXPECT_EQ(ZunoErr(-1, text), 0);
  EXPECT_EQ(last_error(), "kept in memory");
  EXPECT_EQ(names_in(victim), std::set<std::string>{"precious.HTML"});
}

// --- the names made inside ---

TEST_F(TempFolder, PictureBlockThroughARefusedFolderFailsAndWritesNothing) {
  std::string victim = make_victim();
  plant_link(private_dir(), victim);
  std::string block(4098, 'z');
  EXPECT_EQ(ZunoGetPicture(block.data()), -1);
  EXPECT_NE(last_error().find("シンボリックリンク"), std::string::npos) << last_error();
  EXPECT_EQ(names_in(victim), std::set<std::string>{"precious.HTML"});
}

TEST_F(TempFolder, PictureBlockReplacesALinkInsteadOfWritingThroughIt) {
  write("victim.txt", "precious");
  ASSERT_FALSE(plat::temp_dir().empty());
  plant_link(path(private_temp("getpic.dat")), path("victim.txt"));
  std::string block(4098, 'z');
  ASSERT_EQ(ZunoGetPicture(block.data()), 0);
  EXPECT_EQ(read("victim.txt"), "precious");
  EXPECT_FALSE(S_ISLNK(mode_of(path(private_temp("getpic.dat")))));
  EXPECT_EQ(read(private_temp("getpic.dat")), block);
}

TEST_F(TempFolder, TemporaryNamesLieInThePrivateFolder) {
  std::string name = temp_file_name();
  EXPECT_EQ(name.rfind(private_dir() + "/zunotemp", 0), 0u) << name;
}

TEST_F(TempFolder, RefusedFolderGivesNoTemporaryNameAndRecordsWhy) {
  make_private_with_mode(0777);
  EXPECT_EQ(temp_file_name(), "");
  EXPECT_NE(last_error().find(private_dir()), std::string::npos) << last_error();
  EXPECT_NE(last_error().find("他のユーザーも書き込める"), std::string::npos) << last_error();
}

// A refused folder's empty name must not turn into a file in the working folder.
TEST_F(TempFolder, EmptyNameWritesNothingInTheWorkingFolder) {
  std::string before = plat::current_dir();
  mkdir("work");
  ASSERT_EQ(chdir(path("work").c_str()), 0);
  EXPECT_EQ(plat::write_file_replace("", "data"), ENOENT);
  EXPECT_EQ(plat::write_file_atomic("", "data"), ENOENT);
  EXPECT_TRUE(names_in(path("work")).empty());
  ASSERT_EQ(chdir(before.c_str()), 0);
}

TEST_F(TempFolder, SubfolderLinkIsRefusedAndItsTargetUnchanged) {
  std::string victim = make_victim();
  ASSERT_FALSE(plat::temp_dir().empty());
  mkdir(private_temp("zunotemp"));
  plant_link(path(private_temp("zunotemp/temp_html")), victim);
  EXPECT_EQ(private_temp_subfolder("zunotemp/temp_html"), "");
  EXPECT_NE(last_error().find("temp_html"), std::string::npos) << last_error();
  EXPECT_EQ(names_in(victim), std::set<std::string>{"precious.HTML"});
}

TEST_F(TempFolder, SubfoldersAreMadeLevelByLevel) {
  EXPECT_EQ(private_temp_subfolder("zunotemp/temp_html"), path(private_temp("zunotemp/temp_html")));
  EXPECT_TRUE(fs::is_directory(path(private_temp("zunotemp/temp_html"))));
}

// --- the picture view ---

class TempFolderView : public TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    ZunoRecord &r = engine().rec;
    copy_field(r.OutputPath, path("user-output"), "");
    copy_field(r.ExecPath, program_dir(), "");
    copy_field(r.IniPath, program_dir(), "");
    r.WindowSize = 1000;
    r.Priority = 1;
    r.CurrentHight = 60;
    r.PageingStyle = 1;
    r.OnePageNum = 40;
    r.CpuPriority = 100;
  }
  // The view of one real picture; the engine's result.
  int view_one() {
    std::string a = picture("pictures/a.jpg", 40, 30);
    return pic_view(&engine().rec, (a + "\r\n").c_str());
  }
};

TEST_F(TempFolderView, CatalogLinkIsRefusedAndItsTargetUnchanged) {
  std::string victim = make_victim();
  ASSERT_FALSE(plat::temp_dir().empty());
  mkdir(private_temp("zunotemp"));
  plant_link(path(private_temp("zunotemp/temp_html")), victim);
  EXPECT_EQ(view_one(), -1);
  EXPECT_EQ(names_in(victim), std::set<std::string>{"precious.HTML"});
  EXPECT_EQ(read("victim/precious.HTML"), "precious");
  EXPECT_STRNE(engine().rec.HtmlOut, "temp_html");
}

TEST_F(TempFolderView, ViewFolderLinkIsRefusedAndItsTargetUnchanged) {
  std::string victim = make_victim();
  ASSERT_FALSE(plat::temp_dir().empty());
  plant_link(path(private_temp("zunotemp")), victim);
  EXPECT_EQ(view_one(), -1);
  EXPECT_EQ(names_in(victim), std::set<std::string>{"precious.HTML"});
}

TEST_F(TempFolderView, RefusedPrivateFolderFailsTheViewAndWritesNothing) {
  std::string victim = make_victim();
  plant_link(private_dir(), victim);
  EXPECT_EQ(view_one(), -1);
  EXPECT_NE(last_error().find("シンボリックリンク"), std::string::npos) << last_error();
  EXPECT_EQ(names_in(victim), std::set<std::string>{"precious.HTML"});
  EXPECT_STREQ(engine().rec.LastOutputPath, "");
}

TEST_F(TempFolderView, ViewIsWrittenInsideThePrivateFolder) {
  ASSERT_EQ(view_one(), 0);
  EXPECT_TRUE(fs::exists(path(private_temp("zunotemp/temp_html/index.html"))));
  EXPECT_FALSE(fs::exists(path("zunotemp")));
  EXPECT_EQ(std::string(engine().rec.LastOutputPath), path(private_temp("zunotemp")));
}

// --- quillo's lock file ---

class QuilloLock : public TempFolder {
 protected:
  // Runs the built quillo on a folder of one picture; its exit status, standard error in err_.
  int run_quillo() {
    if (!fs::exists(path("pictures"))) picture("pictures/a.jpg", 120, 90);
    std::string cmd = "'" + program_dir() + "/quillo' -o '" + path("out") + "' '" + path("pictures") +
                      "' 2>'" + path("stderr.txt") + "' >/dev/null";
    int status = system(cmd.c_str());
    err_ = read("stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string err_;
};

TEST_F(QuilloLock, LockIsMadeInsideThePrivateFolder) {
  ASSERT_TRUE(fs::exists(program_dir() + "/quillo")) << "quillo is built with the engine tests";
  EXPECT_EQ(run_quillo(), 0) << err_;
  EXPECT_TRUE(fs::is_regular_file(path(private_temp("quillo.lok"))));
  EXPECT_FALSE(fs::exists(path("quillo.lok")));
  EXPECT_EQ(mode_of(private_dir()) & 0777, 0700u);
}

TEST_F(QuilloLock, LockThroughAPlantedLinkIsNotMadeAtItsTarget) {
  ASSERT_FALSE(plat::temp_dir().empty());
  mkdir("victim");
  plant_link(path(private_temp("quillo.lok")), path("victim/made.lok"));
  EXPECT_EQ(run_quillo(), 1);
  EXPECT_NE(err_.find("lock file"), std::string::npos) << err_;
  EXPECT_TRUE(names_in(path("victim")).empty());
  EXPECT_FALSE(fs::exists(path("out")));
}

TEST_F(QuilloLock, LinkedPrivateFolderIsRefusedBeforeAnythingIsWritten) {
  std::string victim = make_victim();
  plant_link(private_dir(), victim);
  EXPECT_EQ(run_quillo(), 1);
  EXPECT_NE(err_.find("symbolic link"), std::string::npos) << err_;
  EXPECT_EQ(names_in(victim), std::set<std::string>{"precious.HTML"});
  EXPECT_FALSE(fs::exists(path("out")));
}

TEST_F(QuilloLock, PrivateFolderOpenToOthersIsRefused) {
  make_private_with_mode(0777);
  EXPECT_EQ(run_quillo(), 1);
  EXPECT_NE(err_.find("other users can write"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(path(private_temp("quillo.lok"))));
}

}  // namespace
