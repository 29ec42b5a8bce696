// The settings vocabulary: every setting number with its key, section and kind,
// and where its value lives in the record.
#pragma once

#include "core/engine_state.h"

enum class SettingKind {
  Int,          // plain int field
  Text,         // fixed text field
  Color,        // colour text (with its value and mask bit)
  Ratio,        // Y/XRatio, a real number
  Time,         // seconds since 1970
  AgeChoice,    // UnderLimits: the choice, which sets the age threshold
  OutputPath,   // OutputPath: also the saved output folder
  CatalogName,  // HtmlOut: known to the file but never read or written
};

struct SettingInfo {
  int number;
  const char *key;      // as the settings file spells it
  const char *section;  // with its brackets
  SettingKind kind;
};

// The table entry of a setting number, or nullptr (100, the colour mask, has none).
const SettingInfo *setting_by_number(int number);
// The entry of a key inside a section (exact comparison), or nullptr.
const SettingInfo *setting_by_key(const char *section, const char *key);
// True when the section name (brackets included) is one the file may hold.
bool is_known_section(const char *section);
// The setting number of a key in any section, or -1 (for command-line use).
int settings_key_number(const char *key);

// Where a setting lives in the record.
int *int_field(ZunoRecord &rec, int number);                 // Int and AgeChoice kinds, and 100
char *text_field(ZunoRecord &rec, int number, size_t *cap);  // Text, Color, OutputPath, CatalogName kinds
int color_index(int number);                                 // 0..4 for 13..17, else -1
