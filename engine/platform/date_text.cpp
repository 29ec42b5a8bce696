#include "platform/date_text.h"

#include <cstdio>
#include <ctime>

#include "platform/ops.h"

namespace plat {

std::string date_time_text(int64_t seconds, bool local) {
  time_t t = static_cast<time_t>(seconds);
  struct tm parts;
  if (!(local ? ops.localtime_r(&t, &parts) : gmtime_r(&t, &parts))) return "";
  char text[48];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1,
           parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return text;
}

}  // namespace plat
