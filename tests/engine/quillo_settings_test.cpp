// quillo with a settings file it cannot use: it stops with a non-zero exit, says which
// file and how to put the good backup back, and leaves both files as they were.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine_fixture.h"
#include "platform/platform.h"

namespace {

struct Outcome {
  int exit_code = -1;
  std::string said;  // standard error and output together
};

class QuilloSettings : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    quillo_ = program_dir() + "/quillo";
    ASSERT_TRUE(plat::exists(quillo_)) << quillo_ << " is built with the rest of the program";
    mkdir("settings");
    mkdir("pictures");
    ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &good_));
  }

  Outcome run_quillo() {
    std::string cmd = "'" + quillo_ + "' -q --settings '" + path("settings") + "' --output '" + path("out") +
                      "' '" + path("pictures") + "' 2>&1";
    Outcome o;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return o;
    char line[1024];
    while (fgets(line, sizeof line, p)) o.said += line;
    int status = pclose(p);
    o.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
  }

  std::string ini() { return path("settings/quillo.ini"); }
  std::string backup() { return path("settings/quillo.ibk"); }

  std::string quillo_;
  std::string good_;
};

TEST_F(QuilloSettings, GarbageSettingsStopTheRunAndNameTheBackupToRestore) {
  const std::string garbage = "\x1f\x8b\x08 not settings\n[Size\n";
  write("settings/quillo.ini", garbage);
  write("settings/quillo.ibk", good_);
  Outcome o = run_quillo();
  EXPECT_NE(o.exit_code, 0);
  EXPECT_NE(o.said.find(ini()), std::string::npos) << o.said;
  EXPECT_NE(o.said.find("cp '" + backup() + "' '" + ini() + "'"), std::string::npos) << o.said;
  EXPECT_EQ(read(ini()), garbage);
  EXPECT_EQ(read(backup()), good_);
  EXPECT_FALSE(plat::exists(path("out")));
}

TEST_F(QuilloSettings, MissingSettingsAreReportedAsMissing) {
  Outcome o = run_quillo();
  EXPECT_NE(o.exit_code, 0);
  EXPECT_NE(o.said.find("設定ファイル " + ini() + " がありません"), std::string::npos) << o.said;
  EXPECT_EQ(o.said.find("unknown error"), std::string::npos) << o.said;
  EXPECT_FALSE(plat::exists(ini()));
}

TEST_F(QuilloSettings, EmptySettingsWithoutBackupSayWhatIsWrong) {
  write("settings/quillo.ini", "");
  Outcome o = run_quillo();
  EXPECT_NE(o.exit_code, 0);
  EXPECT_NE(o.said.find(ini() + " に設定が一つもありません"), std::string::npos) << o.said;
  EXPECT_EQ(read(ini()), "");
  EXPECT_FALSE(plat::exists(backup()));
}

}  // namespace
