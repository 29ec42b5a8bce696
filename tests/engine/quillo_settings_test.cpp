// quillo with a settings file it cannot use: it stops with a non-zero exit, says which
// file and how to put the good backup back, and leaves both files as they were.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine_fixture.h"
#include "platform/platform.h"

namespace {

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

  // What quillo said on both streams, and how it ended.
  CommandOutcome run_quillo() {
    CommandOutcome o = run_command("'" + quillo_ + "' -q --settings '" + path("settings") + "' --output '" +
                                   path("out") + "' '" + path("pictures") + "'");
    o.out += o.err;
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
  CommandOutcome o = run_quillo();
  EXPECT_NE(o.exit_code, 0);
  EXPECT_NE(o.out.find(ini()), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("cp '" + backup() + "' '" + ini() + "'"), std::string::npos) << o.out;
  EXPECT_EQ(read(ini()), garbage);
  EXPECT_EQ(read(backup()), good_);
  EXPECT_FALSE(plat::exists(path("out")));
}

TEST_F(QuilloSettings, MissingSettingsAreReportedAsMissing) {
  CommandOutcome o = run_quillo();
  EXPECT_NE(o.exit_code, 0);
  EXPECT_NE(o.out.find("設定ファイル " + ini() + " がありません"), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find("unknown error"), std::string::npos) << o.out;
  EXPECT_FALSE(plat::exists(ini()));
}

TEST_F(QuilloSettings, EmptySettingsWithoutBackupSayWhatIsWrong) {
  write("settings/quillo.ini", "");
  CommandOutcome o = run_quillo();
  EXPECT_NE(o.exit_code, 0);
  EXPECT_NE(o.out.find(ini() + " に設定が一つもありません"), std::string::npos) << o.out;
  EXPECT_EQ(read(ini()), "");
  EXPECT_FALSE(plat::exists(backup()));
}

}  // namespace
