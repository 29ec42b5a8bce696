#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "rexp32.h"

namespace {

class WordMatcherTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    handle_ = dlopen(REXP32_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    comp_ = reinterpret_cast<decltype(&re_comp)>(dlsym(handle_, "re_comp"));
    compv_ = reinterpret_cast<decltype(&re_compv)>(dlsym(handle_, "re_compv"));
    exec_ = reinterpret_cast<decltype(&re_exec)>(dlsym(handle_, "re_exec"));
    ASSERT_NE(comp_, nullptr);
    ASSERT_NE(compv_, nullptr);
    ASSERT_NE(exec_, nullptr);
  }

  void SetUp() override {
    if (handle_ == nullptr || comp_ == nullptr || compv_ == nullptr || exec_ == nullptr)
      GTEST_SKIP() << "librexp32.so not loaded";
  }

  static int compile(std::vector<const char *> words) {
    words.push_back(nullptr);
    return compv_(words.data());
  }

  static void *handle_;
  static decltype(&re_comp) comp_;
  static decltype(&re_compv) compv_;
  static decltype(&re_exec) exec_;
};

void *WordMatcherTest::handle_ = nullptr;
decltype(&re_comp) WordMatcherTest::comp_ = nullptr;
decltype(&re_compv) WordMatcherTest::compv_ = nullptr;
decltype(&re_exec) WordMatcherTest::exec_ = nullptr;

std::set<std::string> exported_names(const std::string &library) {
  std::set<std::string> names;
  FILE *nm = popen(("nm -D --defined-only '" + library + "'").c_str(), "r");
  if (nm == nullptr) return names;
  char line[512];
  while (fgets(line, sizeof line, nm) != nullptr) {
    std::istringstream fields(line);
    std::string address, kind, name;
    if (fields >> address >> kind >> name) names.insert(name);
  }
  pclose(nm);
  return names;
}

TEST(WordMatcherExports, ExactlyTheThreeEntryPointsAreVisible) {
  EXPECT_EQ(exported_names(REXP32_PATH), (std::set<std::string>{"re_comp", "re_compv", "re_exec"}));
}

TEST_F(WordMatcherTest, EachWordAnswersToItsOwnBit) {
  ASSERT_EQ(compile({"cat", "dog", "bird"}), 0);
  EXPECT_EQ(exec_("/pics/cat and dog.jpg"), 0b011u);
  EXPECT_EQ(exec_("/pics/bird.jpg"), 0b100u);
  EXPECT_EQ(exec_("/pics/fish.jpg"), 0u);
}

TEST_F(WordMatcherTest, MatchingIgnoresCaseIncludingNonAscii) {
  ASSERT_EQ(compile({"JPG", "élan", "straße"}), 0);
  EXPECT_EQ(exec_("/home/ann/ÉLAN/STRASSE/photo.jpg"), 0b011u);
  EXPECT_EQ(exec_("/home/ann/Straße.Jpg"), 0b101u);
}

TEST_F(WordMatcherTest, WordsArePatterns) {
  ASSERT_EQ(compile({"^/pics/", "\\.png$", "img[0-9]+"}), 0);
  EXPECT_EQ(exec_("/pics/img042.png"), 0b111u);
  EXPECT_EQ(exec_("/home/pics/img.png.bak"), 0u);
}

TEST_F(WordMatcherTest, WordsThatAreNotPatternsMatchLiterally) {
  ASSERT_EQ(compile({"[draft", "c++", "(", "*.jpg"}), 0);
  EXPECT_EQ(exec_("/notes/[draft] c++ (2).jpg"), 0b0111u);
  EXPECT_EQ(exec_("/notes/draft c (2)"), 0b0100u);
  EXPECT_EQ(exec_("/pics/*.jpg"), 0b1000u);
  EXPECT_EQ(exec_("/pics/a.jpg"), 0u);
}

TEST_F(WordMatcherTest, JapaneseWordsMatchUtf8Paths) {
  ASSERT_EQ(compile({"写真", "旅行"}), 0);
  EXPECT_EQ(exec_("/home/ann/写真/旅行2004/a.jpg"), 0b11u);
  EXPECT_EQ(exec_("/home/ann/写/a.jpg"), 0u);
}

TEST_F(WordMatcherTest, MalformedUtf8TextIsSearchedNotRejected) {
  ASSERT_EQ(compile({"abc", "."}), 0);
  EXPECT_EQ(exec_("\xff\xfe"
                  "abc\x83"),
            0b11u);
  EXPECT_EQ(exec_("\xe5\x86"), 0u);  // a cut-off character is no character at all
}

TEST_F(WordMatcherTest, MalformedUtf8WordMatchesItsBytes) {
  // Shift-JIS bytes for a legacy search string, as an old settings file may hold.
  ASSERT_EQ(comp_("\x8e\xca\x90\x5e"), 0);
  EXPECT_EQ(exec_("/old/\x8e\xca\x90\x5e/a.jpg"), 1u);
  EXPECT_EQ(exec_("/old/other/a.jpg"), 0u);
}

TEST_F(WordMatcherTest, EmptyWordMatchesEverything) {
  ASSERT_EQ(compile({"", "x"}), 0);
  EXPECT_EQ(exec_(""), 0b01u);
  EXPECT_EQ(exec_("/x.jpg"), 0b11u);
}

TEST_F(WordMatcherTest, RecompilingReplacesTheWholeSet) {
  ASSERT_EQ(compile({"a", "b", "c"}), 0);
  ASSERT_EQ(comp_("zzz"), 0);
  EXPECT_EQ(exec_("abc"), 0u);
  EXPECT_EQ(exec_("zzz abc"), 1u);
  ASSERT_EQ(compile({}), 0);
  EXPECT_EQ(exec_("zzz abc"), 0u);
}

TEST_F(WordMatcherTest, WordsPastThe32ndAreIgnored) {
  std::vector<std::string> words;
  for (int i = 0; i < 40; ++i) words.push_back(std::string("w").append(std::to_string(i)).append(";"));
  std::vector<const char *> pointers;
  std::string text;
  for (const std::string &word : words) {
    pointers.push_back(word.c_str());
    text += word;
  }
  ASSERT_EQ(compile(pointers), 0);
  EXPECT_EQ(exec_(text.c_str()), 0xffffffffu);
  EXPECT_EQ(exec_("w31;"), 1u << 31);
  EXPECT_EQ(exec_("w32;w39;"), 0u);
}

TEST_F(WordMatcherTest, RunawayPatternCountsAsNoMatchWithoutDisturbingOthers) {
  ASSERT_EQ(compile({"(a+)+$", "a"}), 0);
  EXPECT_EQ(exec_((std::string(40, 'a') + "!").c_str()), 0b10u);
}

TEST_F(WordMatcherTest, NullArgumentsAreRefusedAndLeaveNoWords) {
  ASSERT_EQ(comp_("a"), 0);
  EXPECT_EQ(exec_(nullptr), 0u);
  EXPECT_EQ(comp_(nullptr), -1);
  EXPECT_EQ(exec_("a"), 0u);
  ASSERT_EQ(comp_("a"), 0);
  EXPECT_EQ(compv_(nullptr), -1);
  EXPECT_EQ(exec_("a"), 0u);
}

}  // namespace
