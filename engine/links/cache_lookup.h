// Which cached file holds an address: the browser cache's own index when the live
// cache has one, else the reverse of the analysed cache index that the analysis
// keeps in the database folder (all a backup has once the browser moved on).
#pragma once

#include <string>
#include <string_view>

// The cached file of an address, named from "Content.IE5" on with '\' between its
// parts ("Content.IE5\AB12CD34\pic[1].GIF"). Returns true with *key set; false when
// neither index lists the address. The analysed index is read again only when one
// of its files changed.
bool cached_file_of_address(std::string_view address, std::string *key);

// The cache subfolder a key names ("AB12CD34"), "" when the key has none.
std::string cache_subfolder_of(std::string_view key);
