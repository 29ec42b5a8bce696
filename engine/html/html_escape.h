// Text placed into a page is escaped for the context it lands in, so that any file
// name (quotes, '#', '%', '<', spaces, non-ASCII) gives a link that works.
#pragma once

#include <string>
#include <string_view>

// For an attribute value in double quotes and for a text line: & " < > ' as entities.
std::string html_escape(std::string_view text);

// A file path (absolute, or relative to the page) as a URL path: every byte other
// than an unreserved character or '/' is percent-encoded, so '#', '?', '%', ':',
// quotes, spaces and UTF-8 sequences cannot change what the URL means.
std::string url_path(std::string_view path);

// The body of a single-quoted script string: \ ' " < > and control bytes escaped.
std::string js_string(std::string_view text);

// The address handed to showcg inside a "JavaScript:" link. A javascript: URL is
// percent-decoded before it runs, so each '%' of the encoded path is written "%25";
// the result is what goes between the quotes of showcg('…',w,h). A reader of the
// link text decodes percent-escapes twice to get the path back (first the link's
// own layer, then the URL's).
std::string showcg_argument(std::string_view path);
