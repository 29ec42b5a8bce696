#include "platform/date_text.h"

#include <cstdio>
#include <ctime>

#include "platform/ops.h"

namespace plat {

std::string date_time_text(int64_t seconds, bool local) {
  time_t t = static_cast<time_t>(seconds);
  struct tm parts;
  if (!(local ? ops.localtime_r(&t, &parts) : gmtime_r(&t, &parts))) return "";
  int year = parts.tm_year + 1900;
  // Written digit by digit: a catalog shows one date per picture, and snprintf costs more than the page line.
  if (year >= 0 && year <= 9999) {
    char text[19] = {};
    auto two = [&](int at, int v) {
      text[at] = static_cast<char>('0' + v / 10 % 10);
      text[at + 1] = static_cast<char>('0' + v % 10);
    };
    two(0, year / 100);
    two(2, year % 100);
    two(5, parts.tm_mon + 1);
    two(8, parts.tm_mday);
    two(11, parts.tm_hour);
    two(14, parts.tm_min);
    two(17, parts.tm_sec);
    text[4] = text[7] = '-';
    text[10] = ' ';
    text[13] = text[16] = ':';
    return std::string(text, sizeof text);
  }
  char text[48];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1,
           parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return text;
}

}  // namespace plat
