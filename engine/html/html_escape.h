// Text placed into a page is escaped for the context it lands in, so that any file
// name (quotes, '#', '%', '<', spaces, non-ASCII) gives a link that works.
#pragma once

#include <string>
#include <string_view>

// For an attribute value in double quotes and for a text line: & " < > ' as entities,
// and each byte that is not part of a UTF-8 character as U+FFFD.
std::string html_escape(std::string_view text);

// A file path (absolute, or relative to the page) as a URL path: every byte other
// than an unreserved character or '/' is percent-encoded, so '#', '?', '%', ':',
// quotes, spaces and UTF-8 sequences cannot change what the URL means.
std::string url_path(std::string_view path);

// The body of a single-quoted script string: \ ' " < > and control bytes escaped.
std::string js_string(std::string_view text);

// The path handed to showcg inside a "JavaScript:" link, as the body of its script
// string: the path as it is (so readers of the link text get the file name back),
// with each '%' written "%25" because a javascript: URL is percent-decoded before it
// runs, then escaped as a script string. The viewer script turns it into a URL.
// A byte that is not part of a UTF-8 character goes as "\uDCxx" (the lone surrogate
// U+DC00 + the byte), which the viewer script turns back into that byte.
// A reader of the link text percent-decodes it once and undoes the script escapes.
std::string showcg_argument(std::string_view path);

// The same, appended to `out`: the page writers build each line in one buffer.
void append_html_escaped(std::string &out, std::string_view text);
void append_url_path(std::string &out, std::string_view path);
// A path as a URL path inside an attribute value (html_escape of url_path).
void append_attr_url(std::string &out, std::string_view path);
void append_showcg_argument(std::string &out, std::string_view path);
