// The settings vocabulary, one row per setting: its number, its key and section in
// quillo.ini, where its value lives in the record, how it converts, its range and
// which accessors may reach it. Everything else asks this table.
#pragma once

#include <cstddef>
#include <span>

#include "core/engine_state.h"
#include "zuno.h"

enum class SettingKind {
  Int,          // plain int field
  Text,         // fixed text field
  Color,        // colour text (with its value and mask bit)
  Ratio,        // Y/XRatio, a real number
  Time,         // seconds since 1970
  AgeChoice,    // UnderLimits: the choice, which sets the age threshold
  OutputPath,   // OutputPath: also the saved output folder
  TypeMask,     // EnableFileType: an int whose file form knows which types its writer knew
  CatalogName,  // HtmlOut: known to the file but never read or written
};

// Which of the accessors and the file reach a setting (bits).
enum SettingAccess : unsigned {
  kGet = 1u << 0,         // ZunoGet answers it
  kPut = 1u << 1,         // ZunoPut stores it
  kPutIgnored = 1u << 2,  // ZunoPut accepts it, changes nothing and answers 0
  kGetText = 1u << 3,     // ZunoGetStr copies it out
  kPutText = 1u << 4,     // ZunoPutStr stores it
  kFile = 1u << 5,        // read from and written to quillo.ini
};

// Where a setting's value lives. Exactly one member is set, apart from colours,
// which have their text and their slot in ColorValue (and bit in ColorMask).
struct SettingField {
  int ZunoRecord::*int_member = nullptr;
  char (ZunoRecord::*text_member)[kFieldSize] = nullptr;
  char (ZunoRecord::*color_member)[kColorSize] = nullptr;
  float ZunoRecord::*real_member = nullptr;
  ZunoTime ZunoRecord::*time_member = nullptr;
  int color_slot = -1;  // 0..4 in the order of the colour texts
};

// The values that make sense for a setting. Where `clamped` is set, the settings file
// and ZunoPut hold a value to it, so that no size, share or count met in arithmetic
// is out of its range. Elsewhere it documents, and values pass unchanged: flags and
// choices whose every out-of-range value already means one thing ("1 yes, other no")
// would change their meaning if held to the nearest end.
struct SettingRange {
  int lo = 0;
  int hi = 0;
  bool clamped = false;
};

struct SettingInfo {
  ZunoSettingNumber number;
  const char *key;      // as the settings file spells it; nullptr: not in the file
  const char *section;  // with its brackets; nullptr: not in the file
  SettingKind kind;
  unsigned access;  // SettingAccess bits
  SettingField field;
  SettingRange range;
};

// Every row, the file's settings in file order (lookups walk a section's keys in this
// order), then the settings the file does not hold.
std::span<const SettingInfo> all_settings();

// The row of a setting number, or nullptr for a number no accessor knows.
const SettingInfo *setting_by_number(int number);
// The row of a key inside a section (exact comparison), or nullptr.
const SettingInfo *setting_by_key(const char *section, const char *key);
// True when the section name (brackets included) is one the file may hold.
bool is_known_section(const char *section);
// The setting number of a key in any section, or -1.
int settings_key_number(const char *key);
// The value held to the row's range where the row says readers clamp it, else unchanged.
int setting_clamped(const SettingInfo &info, int value);

// EnableFileType as the file holds it and as the record holds it. A file value with
// every type an older version knew (ZUNO_TYPES_BEFORE_WEBP) and none of the newer ones
// came from that version: the newer types are added. Only a choice that would read
// that way but was made on purpose carries ZUNO_TYPES_CHOSEN in the file.
int type_mask_from_file(int stored);
int type_mask_for_file(int mask);

// Where a setting lives in the record.
int *int_field(ZunoRecord &rec, int number);                 // rows with an int member, else nullptr
char *text_field(ZunoRecord &rec, int number, size_t *cap);  // rows with a text or colour text, else nullptr
int color_index(int number);                                 // the colour slot 0..4, else -1
