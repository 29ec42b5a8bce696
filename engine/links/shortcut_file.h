// Browser shortcuts the user files while browsing a catalog: Windows Internet
// shortcuts (".url", "[InternetShortcut]" with "URL=" and "BASEURL=") and
// freedesktop link files (".desktop", "Type=Link" with "URL="), and the catalog
// pages they lead back to.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct Shortcut {
  std::string url;        // the URL value as written ("" when none)
  std::string page;       // the catalog page BASEURL names: an existing index000*.html file, else ""
  bool has_base = false;  // a BASEURL line was there, usable or not
};

// True for the names the shortcut reader takes (".url", ".desktop", any letter case).
bool is_shortcut_name(const std::string &name);
// Reads a shortcut file of at most 64 KiB. false when it cannot be read, is too
// large, or is a ".desktop" file that is not of Type=Link.
bool read_shortcut(const std::string &path, Shortcut *out);

// The web address of a URL value: from "http" on, one trailing '/' removed; "" unless
// it is an http: or https: address without blanks, quotes or angle brackets.
std::string web_address(const std::string &url);
// The text between the first two single quotes of a URL value (the picture argument
// of a thumbnail link), as written; false when there is none.
bool quoted_argument(const std::string &url, std::string *text);

// Each "%" followed by two hexadecimal digits becomes that byte.
std::string percent_decode(std::string_view text);
// A script string body back to its text: "\xNN" becomes that byte, any other "\c" becomes c.
std::string script_unescape(std::string_view text);
// The entities html_escape writes (&amp; &quot; &lt; &gt; &#39;) back to their characters.
std::string html_unescape(std::string_view text);

// The catalog pages (files "index000*.html") below a folder, a few levels deep,
// without following symbolic links; sorted by path.
std::vector<std::string> catalog_pages_below(const std::string &folder);
// True when the page's last component begins with "index000".
bool is_catalog_page_name(const std::string &path);
