// ZunoGet / ZunoPut / ZunoGetStr / ZunoPutStr: single settings by number.
#include "settings/settings_access.h"

#include <cmath>
#include <cstdio>

#include "core/text.h"
#include "platform/platform.h"
#include "settings/settings_table.h"

int swap_red_blue(int color) {
  unsigned c = static_cast<unsigned>(color);
  return static_cast<int>((c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu));
}

ZunoTime age_threshold_for_choice(const ZunoRecord &rec, int choice, ZunoTime now) {
  switch (choice) {
    case -1:
      return rec.LastBackUpTime;
    case 0:
      return 0;
    case 1:
      return now - 600;
    case 2:
      return now - 1800;
    case 3:
      return now - 3600;
    case 4:
      return now - 10800;
    case 5:
      return now - 21600;
    case 6:
      return now - 43200;
    default:
      return now - (static_cast<ZunoTime>(choice) - 6) * 86400;
  }
}

ZunoTime age_threshold_from_file(int v, ZunoTime now) {
  if (v == 0) return 0;
  if (v == 1) return now - 600;
  if (v == 2) return now - 3600;
  if (v >= 3 && v <= 8) return now - (static_cast<ZunoTime>(v) - 2) * 86400;
  if (v >= 9 && v <= 11) return now - (static_cast<ZunoTime>(v) - 8) * 7 * 86400;
  if (v == 12) return now - 18144000;
  return now;
}

static bool ready() {
  return engine().initialised == 1;
}

extern "C" int ZunoGet(int number) {
  if (!ready()) return -1;
  ZunoRecord &r = engine().rec;
  int ci = color_index(number);
  if (ci >= 0) return swap_red_blue(r.ColorValue[ci]);
  if (number == 29) return static_cast<int>(std::trunc(static_cast<double>(r.YXRatio) * 10.0));
  if (number == 50) return -1;  // file only
  int *field = int_field(r, number);
  return field ? *field : -1;
}

extern "C" int ZunoPut(int number, int value) {
  if (!ready()) return -1;
  ZunoRecord &r = engine().rec;
  int ci = color_index(number);
  if (ci >= 0) {
    r.ColorValue[ci] = swap_red_blue(value);
    size_t cap;
    char *text = text_field(r, number, &cap);
    snprintf(text, cap, "#%06X", static_cast<unsigned>(r.ColorValue[ci]) & 0xFFFFFFu);
    return 0;
  }
  switch (number) {
    case 29:
      r.YXRatio = static_cast<float>(value / 10.0);
      return 0;
    case 44:
      r.UnderLimits = value;
      r.AgeThreshold = age_threshold_for_choice(r, value, plat::now());
      return 0;
    case 1:
    case 8:
    case 9:
    case 10:
    case 12:
    case 35:
      return 0;  // texts go through ZunoPutStr
    case 50:
      return -1;  // file only
    default:
      break;
  }
  int *field = int_field(r, number);
  if (!field) return -1;
  *field = value;
  return 0;
}

extern "C" int ZunoGetStr(int number, char **buffer) {
  if (!ready()) return -1;
  switch (number) {
    case 1:
    case 8:
    case 9:
    case 10:
    case 12:
    case 35:
    case 37:
    case 59:
      break;
    default:
      return -1;
  }
  const char *field = text_field(engine().rec, number, nullptr);
  write_buffer(buffer, field, setting_by_number(number)->key);
  return 0;
}

extern "C" int ZunoPutStr(int number, const char *value) {
  if (!ready()) return -1;
  ZunoRecord &r = engine().rec;
  const char *v = value ? value : "";
  switch (number) {
    case 1:
      copy_field(r.TargetPath, v, "TargetPath");
      return 0;
    case 8:
      copy_field(r.OutputPath, v, "OutputPath");
      copy_field(r.SavedOutputPath, v, "OutputPath");
      return 0;
    case 35:
      copy_field(r.BackGraund, v, "BackGraund");
      return 0;
    case 59:
      copy_field(r.LastSearchString, v, "LastSearchString");
      return 0;
    default:
      return -1;
  }
}
