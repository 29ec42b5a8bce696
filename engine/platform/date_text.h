// Dates as catalogs show them.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

// "YYYY-MM-DD HH:MM:SS" of seconds since 1970: in the local time zone when `local`, else as the clock
// reading the seconds stand for (Exif dates carry no zone and are kept that way). "" when out of range.
std::string date_time_text(int64_t seconds, bool local);

}  // namespace plat
