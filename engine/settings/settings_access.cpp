// ZunoGet / ZunoPut / ZunoGetStr / ZunoPutStr: single settings by number.
#include "settings/settings_access.h"

#include <cmath>
#include <cstdio>

#include "core/text.h"
#include "platform/platform.h"
#include "settings/settings_file.h"
#include "settings/settings_table.h"

int swap_red_blue(int color) {
  unsigned c = static_cast<unsigned>(color);
  return static_cast<int>((c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu));
}

namespace {

// The window's age scale: 0 all, then 10 and 30 minutes, 1, 3, 6 and 12 hours, then days.
ZunoTime age_threshold_of_scale(int choice, ZunoTime now) {
  switch (choice) {
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

}  // namespace

ZunoTime age_threshold_for_choice(const ZunoRecord &rec, int choice, ZunoTime now) {
  return choice == -1 ? rec.LastBackUpTime : age_threshold_of_scale(choice, now);
}

// The file holds the number the age scale of the window wrote, so it means what the
// scale showed ("1時間前" is 3): one table for the file and for ZunoPut, or a run
// started from the file (quillo) would filter by another age than the window's.
// Negative numbers, which the scale never writes, keep meaning "now".
ZunoTime age_threshold_from_file(int v, ZunoTime now) {
  return v < 0 ? now : age_threshold_of_scale(v, now);
}

static bool ready() {
  return engine().initialised == 1;
}

// The row of a number when the engine is initialised and the row allows `access`, else nullptr.
static const SettingInfo *reachable(int number, unsigned access) {
  if (!ready()) return nullptr;
  const SettingInfo *info = setting_by_number(number);
  return info && (info->access & access) ? info : nullptr;
}

extern "C" int ZunoGet(int number) {
  const SettingInfo *info = reachable(number, kGet);
  if (!info) return -1;
  const ZunoRecord &r = engine().rec;
  switch (info->kind) {
    case SettingKind::Color:
      return swap_red_blue(r.ColorValue[info->field.color_slot]);
    case SettingKind::Ratio:
      // Rounded: 0.7 is stored as 0.69999…, and truncating made it 6 tenths at every reading.
      return static_cast<int>(std::lround(static_cast<double>(r.*(info->field.real_member)) * 10.0));
    default:
      return r.*(info->field.int_member);
  }
}

extern "C" int ZunoPut(int number, int value) {
  if (reachable(number, kPutIgnored)) return 0;  // texts go through ZunoPutStr
  const SettingInfo *info = reachable(number, kPut);
  if (!info) return -1;
  ZunoRecord &r = engine().rec;
  switch (info->kind) {
    case SettingKind::Color: {
      int rgb = swap_red_blue(value);
      r.ColorValue[info->field.color_slot] = rgb;
      snprintf(r.*(info->field.color_member), kColorSize, "#%06X", static_cast<unsigned>(rgb) & 0xFFFFFFu);
      return 0;
    }
    case SettingKind::Ratio:
      r.*(info->field.real_member) = static_cast<float>(value / 10.0);
      return 0;
    case SettingKind::AgeChoice:
      r.*(info->field.int_member) = value;
      r.AgeThreshold = age_threshold_for_choice(r, value, plat::now());
      return 0;
    default:
      r.*(info->field.int_member) = setting_clamped(*info, value);
      return 0;
  }
}

extern "C" int ZunoGetStr(int number, char **buffer) {
  const SettingInfo *info = reachable(number, kGetText);
  if (!info) return -1;
  write_buffer(buffer, engine().rec.*(info->field.text_member), info->key);
  return 0;
}

extern "C" int ZunoPutStr(int number, const char *value) {
  // The ratio also takes text, read as the settings file reads it: finer than ZunoPut's tenths.
  if (const SettingInfo *ratio = reachable(number, kPut); ratio && ratio->kind == SettingKind::Ratio) {
    engine().rec.*(ratio->field.real_member) = parse_ratio(value ? value : "");
    return 0;
  }
  const SettingInfo *info = reachable(number, kPutText);
  if (!info) return -1;
  ZunoRecord &r = engine().rec;
  const char *v = value ? value : "";
  copy_field(r.*(info->field.text_member), v, info->key);
  // The user's own folder, kept while a run extends OutputPath.
  if (info->kind == SettingKind::OutputPath) copy_field(r.SavedOutputPath, v, info->key);
  return 0;
}
