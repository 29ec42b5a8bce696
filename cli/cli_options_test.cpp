// The command line of quillo: the desktop program's external-run options and the
// long options must turn into the settings the run needs.
#include "cli_options.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(p.number, 31);
  EXPECT_FALSE(p.text);
  EXPECT_EQ(p.value, 4);
  // Colours go to the engine in the front end's 0xBBGGRR order.
  EXPECT_EQ(setting_put_for("BgColor", "#FF8000", &p), "");
  EXPECT_EQ(p.number, 13);
  EXPECT_EQ(p.value, 0x0080FF);
  EXPECT_EQ(setting_put_for("Y/XRatio", "1.5", &p), "");
  EXPECT_EQ(p.value, 15);
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
       {"--settings",   "--output", "--depth",   "--thumb-width", "--thumb-height", "--page-megabytes",
        "--page-files", "--copy",   "--no-copy", "--search",      "--set",          "--entry",
        "--open",       "--quiet",  "--help",    "--version",     "/S:n",           "/T:Hn",
        "/P:Mn",        "/O:",      "quillo.lok"})
    EXPECT_NE(help.find(opt), std::string::npos) << opt;
}

}  // namespace
