// Names for the files of a modern browser cache in the old cache's shape
// ("<8-character subfolder>/<name>[N].<ext>"), which the backup, the analysed
// index and the link files are keyed by.
#pragma once

#include <string>
#include <string_view>

// The file extension (".jpg", ".webp", ".htm", ...) of a cached response: from its
// content type, else from the body's first bytes, else from the address's own
// extension when that names a type this program lists. "" when none fits.
std::string shaped_extension(std::string_view content_type, std::string_view body_head, std::string_view url);
// The name part of an address: the last path component, percent-decoded when
// that gives sound UTF-8, its extension removed, characters no file name may hold
// replaced by "_", at most 64 bytes; "index" when nothing is left.
std::string shaped_stem(std::string_view url);
// "<prefix><first character of the entry's hash, upper case>": eight characters
// from a seven-character prefix, spreading entries over sixteen subfolders.
std::string shaped_subfolder(std::string_view prefix, std::string_view entry_name);
// "<stem>[<n>]<extension>".
std::string shaped_file_name(std::string_view stem, int n, std::string_view extension);
