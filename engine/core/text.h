// Small text services shared by every part of the engine: bounded copies into the
// record's fixed fields and path joins.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The largest cut at or below `n` that does not split a UTF-8 sequence.
size_t utf8_boundary(std::string_view s, size_t n);
// Copies src into a fixed field of `cap` bytes. An overlong value is cut at the
// field size (on a UTF-8 character boundary) and the cut is recorded with `what`
// naming the field. Returns true when the whole value fitted.
bool copy_field(char *dst, size_t cap, std::string_view src, const char *what);

template <size_t N>
bool copy_field(char (&dst)[N], std::string_view src, const char *what) {
  return copy_field(dst, N, src, what);
}

// Writes a result into a caller's buffer (the address of a variable holding the
// address of an area of ZUNO_BUFSIZE bytes); a null buffer is ignored.
void write_buffer(char **buffer, std::string_view value, const char *what);

// "a/b" with exactly one separator between the parts.
std::string join_path(std::string_view a, std::string_view b);

// The last component of a path (name and extension), the folder part, and the
// name without its extension.
std::string last_component(std::string_view path);
std::string folder_of(std::string_view path);
std::string stem_of(std::string_view name);
std::string extension_of(std::string_view name);  // from the last dot of the name, "" when none

// Removes one trailing separator, keeping "/" itself.
std::string without_trailing_separator(std::string_view path);
// The text with ASCII letters lower-cased (names, header words, extensions).
std::string ascii_lower(std::string_view text);
