// The search-word matcher: a set of up to 32 words, each a PCRE2 pattern matched
// caselessly against UTF-8 text. Words that PCRE2 rejects, and words holding "++"
// (as in "c++"), are matched literally, so anything typed into a search box is usable.
#ifndef QUILLO_REXP32_H
#define QUILLO_REXP32_H

#ifdef __cplusplus
extern "C" {
#endif

#define REXP32_EXPORT __attribute__((visibility("default")))

// Makes `pattern` the only active word. Returns 0, or -1 when `pattern` is null
// or memory ran out (the active set is then empty).
REXP32_EXPORT int re_comp(const char *pattern);

// Replaces the active set with the words of the null-terminated array `patterns`,
// word i answering to bit i. Words past the 32nd are ignored. Returns 0 (also for
// an empty array), or -1 when `patterns` is null or memory ran out (the active set
// is then empty).
REXP32_EXPORT int re_compv(const char **patterns);

// Returns the bits of the active words found in `text`; 0 for a null text.
// Malformed UTF-8 in `text` never matches a pattern character but is no error.
REXP32_EXPORT unsigned re_exec(const char *text);

#ifdef __cplusplus
}
#endif

#endif  // QUILLO_REXP32_H
