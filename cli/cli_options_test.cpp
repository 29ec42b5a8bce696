// The command line of quillo: the desktop program's external-run options and the
// long options must turn into the settings the run needs.
#include "cli_options.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "setting_keys.h"
#include "zuno.h"

namespace {

CliOptions parse(std::vector<std::string> args, std::string *err = nullptr) {
  CliOptions o;
  std::string e = parse_cli_options(args, &o);
  if (err) *err = e;
  return o;
}

using Puts = std::vector<std::pair<std::string, std::string>>;

TEST(QuilloOptions, ExternalRunCommandLineOfTheDesktopProgram) {
  // As the front end builds it: S, then T with its trailing blank, P, O, the folder.
  std::string err;
  CliOptions o = parse({"/S:2", "/T:H120", "/P:M5", "/O:\"/out/my pics\"", "/data/photos"}, &err);
  ASSERT_EQ(err, "");
  EXPECT_EQ(o.folder, "/data/photos");
  EXPECT_EQ(o.output, "/out/my pics");
  EXPECT_EQ(o.settings_to_put, (Puts{{"SearchSubdir", "1"},
                                     {"SubdirDepth", "2"},
                                     {"Priority", "1"},
                                     {"CurrentHight", "120"},
                                     {"PageingStyle", "0"},
                                     {"OnePageMax", "5120"}}));
}

TEST(QuilloOptions, ExternalRunVariants) {
  CliOptions o = parse({"/S:0", "/T:W96", "/P:N30", "/S:", "f"});
  EXPECT_EQ(o.settings_to_put, (Puts{{"SearchSubdir", "0"},
                                     {"SubdirDepth", "0"},
                                     {"Priority", "0"},
                                     {"CurrentWidth", "96"},
                                     {"PageingStyle", "1"},
                                     {"OnePageNum", "30"}}));
  std::string err;
  parse({"/T:X5", "f"}, &err);
  EXPECT_NE(err.find("/T:X5"), std::string::npos);
  parse({"/P:M", "f"}, &err);
  EXPECT_NE(err, "");
}

TEST(QuilloOptions, LongOptionsWithAndWithoutEquals) {
  std::string err;
  CliOptions o = parse({"--settings", "/etc/q", "--output=/o", "-d", "3", "--page-files=12", "--copy",
                        "--search", "cat dog", "--entry", "topindex", "-q", "pics"},
                       &err);
  ASSERT_EQ(err, "");
  EXPECT_EQ(o.settings, "/etc/q");
  EXPECT_EQ(o.output, "/o");
  EXPECT_EQ(o.entry, "topindex.html");
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.settings_to_put, (Puts{{"SearchSubdir", "1"},
                                     {"SubdirDepth", "3"},
                                     {"PageingStyle", "1"},
                                     {"OnePageNum", "12"},
                                     {"FileCopy", "1"},
                                     {"LastSearchString", "cat dog"}}));
}

TEST(QuilloOptions, UsageErrorsAreReported) {
  std::string err;
  parse({}, &err);
  EXPECT_EQ(err, "no folder given");
  parse({"a", "b"}, &err);
  EXPECT_NE(err.find("more than one folder"), std::string::npos);
  parse({"--depth", "x", "f"}, &err);
  EXPECT_NE(err.find("bad a depth"), std::string::npos);
  parse({"--output"}, &err);
  EXPECT_EQ(err, "--output needs a folder");
  parse({"--frobnicate", "f"}, &err);
  EXPECT_EQ(err, "unknown option --frobnicate");
  // --help needs no folder.
  CliOptions o = parse({"--help"}, &err);
  EXPECT_TRUE(o.help);
  EXPECT_EQ(err, "");
}

TEST(QuilloOptions, SetTakesAnySettingsKeyByItsKind) {
  SettingPut p;
  EXPECT_EQ(setting_put_for("SortType", "4", &p), "");
  EXPECT_EQ(p.number, ZUNO_SortType);
  EXPECT_FALSE(p.text);
  EXPECT_EQ(p.value, 4);
  // Colours go to the engine in the front end's 0xBBGGRR order.
  EXPECT_EQ(setting_put_for("BgColor", "#FF8000", &p), "");
  EXPECT_EQ(p.number, ZUNO_BgColor);
  EXPECT_EQ(p.value, 0x0080FF);
  EXPECT_EQ(setting_put_for("Y/XRatio", "1.25", &p), "");
  EXPECT_TRUE(p.text) << "the ratio goes whole, not cut to tenths";
  EXPECT_EQ(p.text_value, "1.25");
  EXPECT_EQ(setting_put_for("LastSearchString", "a b", &p), "");
  EXPECT_TRUE(p.text);
  EXPECT_EQ(p.text_value, "a b");
}

TEST(QuilloOptions, SetRefusesWhatCannotBeSet) {
  SettingPut p;
  EXPECT_NE(setting_put_for("NoSuchKey", "1", &p), "");
  EXPECT_NE(setting_put_for("SortType", "four", &p), "");
  EXPECT_NE(setting_put_for("BgColor", "red", &p), "");
  EXPECT_NE(setting_put_for("HtmlOut", "x", &p), "");
  EXPECT_NE(setting_put_for("ExecPath", "/x", &p), "");
  EXPECT_NE(setting_put_for("LastBackUpTime", "5", &p), "");
  std::string err;
  parse({"--set", "NoEquals", "f"}, &err);
  EXPECT_NE(err, "");
  parse({"--set", "Bogus=1", "f"}, &err);
  EXPECT_EQ(err, "unknown settings key Bogus");
}

TEST(QuilloOptions, HelpExplainsEveryOption) {
  std::string help = cli_usage();
  for (const char *opt :
       {"--settings",     "--output", "--depth",    "--thumb-width", "--thumb-height", "--page-megabytes",
        "--page-files",   "--copy",   "--no-copy",  "--search",      "--set",          "--entry",
        "--open",         "--quiet",  "--help",     "--version",     "/S:n",           "/T:Hn",
        "/P:Mn",          "/O:",      "quillo.lok", "--types",       "webp",           "avif",
        "--no-thumbnails"})
    EXPECT_NE(help.find(opt), std::string::npos) << opt;
  // What a script must know of the thumbnail step: its failures have an exit status of their own.
  EXPECT_NE(help.find("4 the catalog was written"), std::string::npos);
}

TEST(CliOptions, SortTakesAKeyAndAnOrder) {
  std::string err;
  EXPECT_EQ(parse({"--sort", "taken", "f"}, &err).settings_to_put,
            (Puts{{"SortType", "5"}, {"SortMode", "1"}}));
  EXPECT_EQ(parse({"--sort", "name,desc", "f"}, &err).settings_to_put,
            (Puts{{"SortType", "4"}, {"SortMode", "0"}}));
  EXPECT_EQ(parse({"--sort", "none", "f"}, &err).settings_to_put,
            (Puts{{"SortType", "0"}, {"SortMode", "1"}}));
  parse({"--sort", "colour", "f"}, &err);
  EXPECT_EQ(err, "--sort takes none, accessed, created, size, name or taken, not \"colour\"");
  parse({"--sort", "taken,sideways", "f"}, &err);
  EXPECT_EQ(err, "--sort takes KEY,asc or KEY,desc, not \"taken,sideways\"");
  parse({"--sort"}, &err);
  EXPECT_EQ(err, "--sort needs a key, e.g. taken or name,desc");
}

// The setting is put in the order given, so the last of --no-thumbnails and --set MakeThumbnail wins.
TEST(QuilloOptions, NoThumbnailsTurnsTheThumbnailStepOff) {
  std::string err;
  EXPECT_EQ(parse({"--no-thumbnails", "f"}, &err).settings_to_put, (Puts{{"MakeThumbnail", "0"}}));
  EXPECT_EQ(err, "");
  EXPECT_EQ(parse({"--set", "MakeThumbnail=1", "--no-thumbnails", "f"}).settings_to_put,
            (Puts{{"MakeThumbnail", "1"}, {"MakeThumbnail", "0"}}));
  EXPECT_TRUE(parse({"f"}).settings_to_put.empty());
}

TEST(QuilloOptions, TypesNameTheFileTypesToCollect) {
  std::string err;
  CliOptions o = parse({"--types", "jpeg,WebP,avif", "/p"}, &err);
  ASSERT_EQ(err, "");
  EXPECT_EQ(o.settings_to_put, (Puts{{"EnableFileType", std::to_string(0x20 | 0x80 | 0x1000)}}));
  o = parse({"--types=all", "/p"}, &err);
  ASSERT_EQ(err, "");
  EXPECT_EQ(o.settings_to_put, (Puts{{"EnableFileType", "4351"}}));
  o = parse({"--types=gif,png,tif,bmp,avi,movie", "/p"}, &err);
  EXPECT_EQ(o.settings_to_put, (Puts{{"EnableFileType", "95"}}));
  for (const char *bad : {"jpeg,,png", "heic", "", "jpeg,"}) {
    parse({"--types", bad, "/p"}, &err);
    EXPECT_NE(err.find("--types takes"), std::string::npos) << bad << ": " << err;
  }
  parse({"/p", "--types"}, &err);
  EXPECT_NE(err.find("--types needs"), std::string::npos) << err;
}

// --- the key table of --set against the published numbers and the shipped file ---

std::string read_text(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string shipped_settings() {
  return read_text(std::string(QUILLO_SOURCE_DIR) + "/data/quillo.ini");
}

// The keys of the setting lines ("Key=value", outside comments) of a settings text.
std::vector<std::string> keys_of(const std::string &text) {
  std::vector<std::string> keys;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    size_t eq = line.find('=');
    if (line.empty() || line[0] == ';' || line[0] == '[' || eq == std::string::npos) continue;
    keys.push_back(line.substr(0, eq));
  }
  return keys;
}

TEST(QuilloSettingKeys, EveryPublishedNumberHasExactlyOneKey) {
  std::map<int, int> seen;
  std::set<std::string> keys;
  for (const CliSettingKey &k : cli_setting_keys()) {
    ++seen[k.number];
    EXPECT_TRUE(keys.insert(k.key).second) << k.key << " twice";
    EXPECT_EQ(cli_setting_key(k.key), &k);
  }
  for (int n = ZUNO_TargetPath; n <= ZUNO_CacheFolder; ++n) EXPECT_EQ(seen[n], 1) << "number " << n;
  EXPECT_EQ(seen.size(), static_cast<size_t>(ZUNO_CacheFolder));  // and no number beyond them
}

TEST(QuilloSettingKeys, KnowsExactlyTheKeysOfTheShippedSettingsFile) {
  std::vector<std::string> shipped = keys_of(shipped_settings());
  ASSERT_FALSE(shipped.empty());
  for (const std::string &key : shipped) {
    SettingPut p;
    EXPECT_NE(setting_put_for(key, "1", &p), "unknown settings key " + key);
  }
  for (const CliSettingKey &k : cli_setting_keys())
    EXPECT_NE(std::find(shipped.begin(), shipped.end(), k.key), shipped.end()) << k.key;
}

// A settings folder of its own, with TEMP inside it, removed afterwards.
class EngineReadsKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quillo-keys-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
    setenv("TEMP", dir_.c_str(), 1);
  }
  void TearDown() override {
    ZunoFlash();
    std::filesystem::remove_all(dir_);
  }
  std::string dir_;
};

// Each number quillo puts is the one the engine reads that key into: the shipped file
// with a value of its own for every number and plain text key, read by the engine.
TEST_F(EngineReadsKeys, EachKeyReachesTheSettingOfItsNumber) {
  std::istringstream lines(shipped_settings());
  std::ostringstream ini;
  for (std::string line; std::getline(lines, line);) {
    size_t eq = line.find('=');
    const CliSettingKey *k = line.empty() || line[0] == ';' || eq == std::string::npos
                                 ? nullptr
                                 : cli_setting_key(line.substr(0, eq));
    if (k && k->kind == CliSettingKind::Int)
      line = line.substr(0, eq + 1) + std::to_string(k->number);  // inside every setting's range
    else if (k && k->kind == CliSettingKind::Text)
      line = line.substr(0, eq + 1) + "/k" + std::to_string(k->number);
    ini << line << "\n";
  }
  std::ofstream(dir_ + "/quillo.ini") << ini.str();
  ZunoInit(dir_.c_str());  // without the search-word library beside it; the settings are read all the same
  int checked = 0;
  for (const CliSettingKey &k : cli_setting_keys()) {
    if (k.kind == CliSettingKind::Int) {
      EXPECT_EQ(ZunoGet(k.number), k.number) << k.key;
      ++checked;
    } else if (k.kind == CliSettingKind::Text) {
      char area[ZUNO_BUFSIZE] = "";
      char *p = area;
      ASSERT_EQ(ZunoGetStr(k.number, &p), 0) << k.key;
      EXPECT_EQ(std::string(area), "/k" + std::to_string(k.number)) << k.key;
      ++checked;
    }
  }
  EXPECT_GT(checked, 40);
}

}  // namespace
