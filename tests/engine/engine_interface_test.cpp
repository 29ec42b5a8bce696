// The engine's interface: exactly the 60 exports, the small exports' answers, and
// honest failures for work that is not there.
#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "core/text.h"
#include "engine_fixture.h"
#include "private_temp.h"
#include "zuno.h"

namespace {

const std::set<std::string> kExports = {
    "ZunoFirstTime",     "ZunoInit",           "ZunoFlash",          "ZunoGet",         "ZunoPut",
    "ZunoGetStr",        "ZunoPutStr",         "ZunoDirChk",         "ZunoPathCut",     "ZunoSetProgressProc",
    "ZunoAbortReq",      "ZunoGetLastErr",     "ZunoNewMain",        "ZunoGetFiles",    "ZunoLastCount",
    "ZunoLastOutPut",    "ZunoCountFile",      "ZunoGetThumbInfo",   "ZunoCacheCheck",  "ZunoCacheDel",
    "ZunoDelCache",      "ZunoCreatFavorites", "ZunoGetAnarizedURL", "ZunoGetLinkPage", "ZunoListCaches",
    "ZunoPicView",       "ZunoChangeFileMode", "ZunoMain",           "ZunoPreProcess",  "ZunoDelReq",
    "ZunoGetPicture",    "get_inifile",        "put_inifile",        "put_erement",     "ZunoErr",
    "ZunoSleep",         "ZunoCallProgress",   "get_iecache",        "get_htmlout",     "get_outpath",
    "maketree",          "maketree2",          "counttree",          "freetree",        "index_dat_analyze",
    "get_anarized_url",  "get_files",          "get_thumbinfo",      "ZunoCreatHtml",   "creat_fileindex",
    "creat_common",      "make_catalog",       "make_frame",         "get_urllink",     "creat_favorites",
    "chk_cache",         "del_cache",          "del_request",        "deletefile",      "pic_view",
    "ZunoLastTotalBytes"};

std::set<std::string> defined_dynamic_symbols(const std::string &library) {
  std::set<std::string> names;
  FILE *p = popen(("nm -D --defined-only '" + library + "'").c_str(), "r");
  if (!p) return names;
  char line[512];
  while (fgets(line, sizeof line, p)) {
    std::string s = line;
    s.erase(s.find_last_not_of("\n") + 1);
    names.insert(s.substr(s.rfind(' ') + 1));
  }
  pclose(p);
  return names;
}

TEST(EngineLibrary, ExportsExactlyTheSixtyOneNames) {
  ASSERT_EQ(kExports.size(), 61u);
  EXPECT_EQ(defined_dynamic_symbols(program_dir() + "/libzuno.so"), kExports);
}

class SmallExports : public EngineTest {};

TEST_F(SmallExports, DirChkTellsFoldersFilesAndMissingPaths) {
  write("f.txt", "x");
  EXPECT_EQ(ZunoDirChk(nullptr), -2);
  EXPECT_EQ(ZunoDirChk(path("nope").c_str()), -1);
  EXPECT_EQ(ZunoDirChk("/"), 1);
  EXPECT_EQ(ZunoDirChk(dir_.c_str()), 1);
  EXPECT_EQ(ZunoDirChk(path("f.txt").c_str()), 0);
}

TEST_F(SmallExports, PathCutGivesLengthAndLastComponent) {
  auto cut = [](const char *text, int *result) {
    char area[ZUNO_BUFSIZE];
    snprintf(area, sizeof area, "%s", text);
    char *buf = area;
    *result = ZunoPathCut(0, &buf);
    return std::string(area);
  };
  int r;
  EXPECT_EQ(cut("/photo/cats   ", &r), "0004cats");
  EXPECT_EQ(r, 4);
  EXPECT_EQ(cut("abc", &r), "0003abc");
  EXPECT_EQ(r, 3);
  EXPECT_EQ(cut("   ", &r), "0000");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(cut("/写真/猫", &r), "0003猫");  // bytes, not characters
  EXPECT_EQ(r, 3);
}

TEST_F(SmallExports, FirstTimeFindsTheSettingsFolder) {
  mkdir("my.app");
  char area[ZUNO_BUFSIZE];
  char *buf = area;
  snprintf(area, sizeof area, "%s/", path("my.app").c_str());
  EXPECT_EQ(ZunoFirstTime(&buf), -1);
  EXPECT_EQ(std::string(area), path("my.app") + "/");  // left alone
  write("my.app/quillo.ini", "");
  EXPECT_EQ(ZunoFirstTime(&buf), 0);
  EXPECT_EQ(std::string(area), path("my.app"));  // a dotted folder name is kept whole
}

TEST_F(SmallExports, ChangeFileModeSetsAndClearsTheWriteBit) {
  std::string f = write("p.jpg", "x");
  ASSERT_EQ(ZunoChangeFileMode(0, f.c_str()), 0);
  struct stat st;
  stat(f.c_str(), &st);
  EXPECT_EQ(st.st_mode & S_IWUSR, 0u);
  ASSERT_EQ(ZunoChangeFileMode(0x80, f.c_str()), 0);
  stat(f.c_str(), &st);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
  EXPECT_EQ(ZunoChangeFileMode(0x80, path("gone").c_str()), -1);
}

TEST_F(SmallExports, GetPictureWritesExactly4098Bytes) {
  std::string block(5000, 'z');
  ASSERT_EQ(ZunoGetPicture(block.data()), 0);
  EXPECT_EQ(read(private_temp("getpic.dat")), std::string(4098, 'z'));
}

TEST_F(SmallExports, LastOutPutReportsTheLastRunsFolder) {
  copy_field(engine().rec.LastOutputPath, "/out/pics", "t");
  char area[ZUNO_BUFSIZE];
  char *buf = area;
  EXPECT_EQ(ZunoLastOutPut(&buf), 0);
  EXPECT_STREQ(area, "/out/pics");
}

TEST_F(SmallExports, CacheEntryDeletionWithoutCacheFolderFailsHonestly) {
  unsetenv("USERPROFILE");
  unsetenv("WINDIR");
  unsetenv("OS");
  EXPECT_EQ(ZunoDelCache("/c/Content.IE5/x.jpg"), -1);
  EXPECT_NE(std::string(engine().last_error).find("キャッシュファイルの位置を特定出来無い"),
            std::string::npos);
  EXPECT_EQ(ZunoDelCache("/no/cache/here.jpg"), -1);
}

TEST_F(SmallExports, BusyEngineRefusesSecondCollection) {
  engine().busy = 1;
  EXPECT_EQ(ZunoCountFile(dir_.c_str(), nullptr, nullptr, nullptr, nullptr), ZUNO_BUSY);
  EXPECT_EQ(ZunoCacheCheck(0), ZUNO_BUSY);
  EXPECT_EQ(ZunoDelReq(0), ZUNO_BUSY);
  EXPECT_EQ(ZunoCreatFavorites(), ZUNO_BUSY);
  EXPECT_EQ(ZunoPicView("x"), ZUNO_BUSY);
  EXPECT_EQ(engine().busy, 1);
}

// A copy of the library in a folder without the pattern module, loaded by a fresh
// process: in this one the module is loaded already and would be found by name.
TEST_F(SmallExports, MissingPatternModuleFailsInitAfterReadingSettings) {
  std::string lonely = mkdir("lonely");
  std::filesystem::copy_file(program_dir() + "/libzuno.so", lonely + "/libzuno.so");
  write("quillo.ini", "[Size]\nPriority=4\n");
  std::string cmd = "env -u LD_LIBRARY_PATH '" + std::string(ENGINE_PROBE) + "' '" + lonely +
                    "/libzuno.so' '" + dir_ + "' 2>&1";
  FILE *p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string said;
  char line[512];
  while (fgets(line, sizeof line, p)) said += line;
  pclose(p);
  EXPECT_NE(said.find("librexp32.soが見つかりません"), std::string::npos) << said;
  EXPECT_NE(said.find("init=-1 priority=4"), std::string::npos) << said;  // settings were read all the same
}

}  // namespace
