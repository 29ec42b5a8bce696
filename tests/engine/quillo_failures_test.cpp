// quillo when its run fails: a non-zero exit, the reason on standard error, no page
// named on standard output, and the user's output folder as it was.
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine_fixture.h"
#include "platform/platform.h"
#include "private_temp.h"

namespace fs = std::filesystem;

namespace {

class QuilloFailures : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    program_settings("settings");
    picture("pics/a.jpg", 120, 90);
    picture("pics/b.png", 90, 120);
    write("out/notes.txt", "mine");
    write("out/index.html", "<html>mine</html>");
  }

  CommandOutcome quillo(const std::string &target) {
    return run_command("'" + program_dir() + "/quillo' -q --settings '" + path("settings") + "' --output '" +
                       path("out") + "' '" + target + "'");
  }

  void expect_failure(const CommandOutcome &o, const std::string &reason) {
    EXPECT_NE(o.exit_code, 0);
    EXPECT_EQ(o.out, "") << "no page is named when none was written";
    EXPECT_NE(o.err.find(reason), std::string::npos) << o.err;
    EXPECT_EQ(read("out/notes.txt"), "mine");
    EXPECT_EQ(read("out/index.html"), "<html>mine</html>");
  }
};

TEST_F(QuilloFailures, ARunThatCannotWriteItsCatalogExitsWithTheReason) {
  write("out/pics", "a file where the run folder goes");
  expect_failure(quillo(path("pics")), "output_path:not a direstory");
  EXPECT_EQ(read("out/pics"), "a file where the run folder goes");

  fs::remove(path("out/pics"));
  mkdir("out/pics/html_1/index000000.html");
  expect_failure(quillo(path("pics")), "index000000.html");
  EXPECT_FALSE(fs::exists(path("out/pics/html_1/index.html")));
  EXPECT_TRUE(fs::is_directory(path("out/pics/html_1/index000000.html")));
}

TEST_F(QuilloFailures, ASecondRunIntoAFolderInUseIsRefused) {
  mkdir("out/pics");
  int held = -1;
  ASSERT_EQ(plat::lock_folder(path("out/pics"), &held), 0);
  expect_failure(quillo(path("pics")), path("out/pics"));
  EXPECT_TRUE(fs::is_empty(path("out/pics")));
  plat::unlock_folder(&held);

  CommandOutcome ok = quillo(path("pics"));
  EXPECT_EQ(ok.exit_code, 0) << ok.err;
  for (const auto &entry : fs::directory_iterator(path(private_temp())))
    EXPECT_NE(entry.path().filename().string().rfind("zunotemp", 0), 0u) << "left behind: " << entry.path();
  EXPECT_EQ(ok.out, path("out/pics/html_1/index.html") + "\n");
  EXPECT_TRUE(fs::exists(path("out/pics/html_1/index.html")));
}

}  // namespace
