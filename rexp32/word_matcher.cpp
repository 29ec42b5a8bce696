// Search words compiled with PCRE2. One static word set: the engine compiles the
// words of a run once and then matches every path against them on one thread.
#include <cstring>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "rexp32.h"

namespace {

constexpr int kMaxWords = 32;

// A path is a few hundred bytes, so a legitimate pattern stays far below this;
// a runaway one (nested quantifiers) stops here and counts as no match.
constexpr uint32_t kMatchLimit = 100000;

constexpr uint32_t kPatternOptions = PCRE2_UTF | PCRE2_CASELESS | PCRE2_MATCH_INVALID_UTF;

struct WordSet {
  pcre2_code *words[kMaxWords] = {};
  int count = 0;
  pcre2_match_data *match_data = nullptr;
  pcre2_match_context *match_context = nullptr;
};

WordSet g_set;

void clear_word_set() {
  for (int i = 0; i < g_set.count; ++i) pcre2_code_free(g_set.words[i]);
  g_set.count = 0;
  pcre2_match_data_free(g_set.match_data);
  g_set.match_data = nullptr;
  pcre2_match_context_free(g_set.match_context);
  g_set.match_context = nullptr;
}

pcre2_code *compile_with(const char *word, uint32_t options) {
  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(word), PCRE2_ZERO_TERMINATED, options, &error_code,
                       &error_offset, nullptr);
}

// "c++" is a valid pattern (a possessive c+), but nobody types a possessive
// quantifier into a search box while "c++" is a common thing to look for.
bool reads_as_literal(const char *word) {
  return std::strstr(word, "++") != nullptr;
}

// Returns the compiled word, or null when memory ran out. A word PCRE2 rejects is
// taken literally; one that is not even valid UTF-8 is taken literally byte for byte.
pcre2_code *compile_word(const char *word) {
  pcre2_code *code = nullptr;
  if (!reads_as_literal(word)) code = compile_with(word, kPatternOptions);
  if (code == nullptr) code = compile_with(word, kPatternOptions | PCRE2_LITERAL);
  if (code == nullptr) code = compile_with(word, PCRE2_CASELESS | PCRE2_LITERAL);
  if (code != nullptr)
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);  // optional speed-up; the interpreter remains
  return code;
}

bool create_match_state() {
  // One ovector pair is enough: only whether a word matched is wanted.
  g_set.match_data = pcre2_match_data_create(1, nullptr);
  g_set.match_context = pcre2_match_context_create(nullptr);
  if (g_set.match_data == nullptr || g_set.match_context == nullptr) return false;
  pcre2_set_match_limit(g_set.match_context, kMatchLimit);
  return true;
}

// Returns 0 with every word (up to kMaxWords) compiled, or -1 with an empty set.
int compile_word_set(const char *const *words) {
  clear_word_set();
  if (words == nullptr) return -1;
  if (!create_match_state()) {
    clear_word_set();
    return -1;
  }
  for (int i = 0; i < kMaxWords && words[i] != nullptr; ++i) {
    pcre2_code *code = compile_word(words[i]);
    if (code == nullptr) {
      clear_word_set();
      return -1;
    }
    g_set.words[g_set.count++] = code;
  }
  return 0;
}

bool word_matches(const pcre2_code *word, const char *text) {
  // A negative result is either "no match" or a match error such as the match
  // limit; both mean the word was not found.
  return pcre2_match(word, reinterpret_cast<PCRE2_SPTR>(text), PCRE2_ZERO_TERMINATED, 0, 0, g_set.match_data,
                     g_set.match_context) >= 0;
}

}  // namespace

extern "C" int re_comp(const char *pattern) {
  if (pattern == nullptr) {
    clear_word_set();
    return -1;
  }
  const char *words[] = {pattern, nullptr};
  return compile_word_set(words);
}

extern "C" int re_compv(const char **patterns) {
  return compile_word_set(patterns);
}

extern "C" unsigned re_exec(const char *text) {
  if (text == nullptr) return 0;
  unsigned bits = 0;
  for (int i = 0; i < g_set.count; ++i) {
    if (word_matches(g_set.words[i], text)) bits |= 1u << i;
  }
  return bits;
}
