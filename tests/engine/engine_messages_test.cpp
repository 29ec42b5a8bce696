// The errors the engine records are what the front end shows: each is Japanese and
// names the file or folder it is about.
#include <string>

#include "collect/collect_steps.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "zuno.h"

namespace {

class EngineMessages : public EngineTest {
 protected:
  std::string last_error() const { return engine().last_error; }
};

TEST_F(EngineMessages, AFailedCopyNamesBothFilesAndTheReason) {
  std::string source = write("pics/a.jpg", "not much of a picture");
  std::string destination = path("missing/folder/a.jpg");
  EXPECT_EQ(bincopy(3, source.c_str(), destination.c_str()), -1);
  const std::string said = last_error();
  EXPECT_EQ(said.find("コピーできません: "), 0u) << said;
  EXPECT_NE(said.find(source), std::string::npos) << said;
  EXPECT_NE(said.find(destination), std::string::npos) << said;
  EXPECT_NE(said.find(plat::error_text(ENOENT)), std::string::npos) << said;
  EXPECT_FALSE(plat::exists(path("missing")));
}

TEST_F(EngineMessages, AMissingSourceAndAFolderInTheWayAreSaidInJapanese) {
  EXPECT_EQ(bincopy(3, path("none.jpg").c_str(), path("copy.jpg").c_str()), -1);
  EXPECT_EQ(last_error(), "コピー元のファイルがありません: " + path("none.jpg"));
  // Into a folder that holds a folder of the copy's name.
  std::string source = write("a.jpg", "x");
  mkdir("out/a.jpg");
  EXPECT_EQ(bincopy(3, source.c_str(), path("out").c_str()), -1);
  EXPECT_EQ(last_error(), "同じ名前のフォルダがあるためコピーできません: " + path("out/a.jpg"));
}

TEST_F(EngineMessages, AnUnreadableTargetFolderIsNamedInJapanese) {
  EXPECT_EQ(maketree(nullptr, ZUNO_TYPES_PICTURES, 0, 5, path("gone").c_str(), &engine().files), nullptr);
  EXPECT_EQ(last_error(), "フォルダを読めません: " + path("gone"));
}

TEST_F(EngineMessages, AValueCutToItsFieldIsSaidInJapanese) {
  ZunoInit(nullptr);
  EXPECT_NE(ZunoPutStr(ZUNO_LastSearchString, std::string(5000, 'w').c_str()), -2);
  EXPECT_EQ(last_error().find("値が長すぎるため "), 0u) << last_error();
  EXPECT_NE(last_error().find("バイトに切り詰めました: "), std::string::npos) << last_error();
}

}  // namespace
