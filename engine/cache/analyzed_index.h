// The analysed index: one text file per cache subfolder in the database folder
// ("<DB>/<subfolder>analyzed_index.txt"), pairs of lines "key\naddress\n" where the
// key is the cached file's path from "Content.IE5" on with "\" separators and an
// upper-cased extension. The format is shared with earlier versions' files, so
// the separators inside it stay "\" and are converted at the boundary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CacheEntry;

constexpr const char *kAnalyzedIndexName = "analyzed_index.txt";
constexpr size_t kMaxKey = 255;  // longest key stored; a longer one is left out

// The key of a path naming a cached file or its copy (any separator, or an escaped
// path with doubled backslashes): 0 with *key and *subfolder set, -1 when the path
// holds no "Content.IE5" (or "CONTENT.IE5") followed by a subfolder and a name.
int analyzed_key_of_path(const std::string &path, std::string *key, std::string *subfolder);
// The analysed index file of a subfolder.
std::string analyzed_index_file(const std::string &db_folder, const std::string &subfolder);
// Where the copier puts the copy of a key's file below a run output folder:
// "<output>/Images/Content.IE5/<subfolder>/<name>" with the extension lower-cased,
// as the copier writes it.
std::string copy_path_of_key(const std::string &output, const std::string &key);
// The key of a file in a cache subfolder: "Content.IE5\\<subfolder>\\<file>" with
// the extension upper-cased.
std::string analysed_key(const std::string &subfolder, const std::string &file);
// The name with its extension (from the last dot) upper- or lower-cased.
std::string with_extension_case(const std::string &name, bool upper);
// Forgets the lookup's parsed files, after this process wrote one.
void forget_analyzed_lookups();
// Grows with every forget_analyzed_lookups, so lookups kept elsewhere know to read again.
uint64_t analysed_generation();

// Rewrites the analysed index after a run copied cached pages: 0, or -1 (recorded)
// with the previous index left whole.
int rewrite_analyzed_index();

// Appends the pairs of files a copy from a modern cache wrote into the backup
// (`written`), or of every file it holds (`known`) when the database folder is
// missing and is made again.
void add_analysed_entries(const std::vector<CacheEntry> &written, const std::vector<CacheEntry> &known,
                          const char *exec_path);
