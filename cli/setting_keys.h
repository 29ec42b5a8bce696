// The settings keys quillo's --set understands: each quillo.ini key with its number
// in zuno.h and the way quillo hands a value for it to the engine's accessors.
#pragma once

#include <span>
#include <string>

#include "zuno.h"

enum class CliSettingKind {
  Int,            // ZunoPut with a whole number
  Color,          // ZunoPut with "#RRGGBB" turned into the front end's 0xBBGGRR
  Ratio,          // ZunoPut with tenths of a real number
  Text,           // ZunoPutStr
  FileOnly,       // no accessor reaches it: only quillo.ini changes it
  ProgramChosen,  // a folder the program sets for itself
  EngineKept,     // written by the engine's runs
};

struct CliSettingKey {
  const char *key;  // as quillo.ini spells it
  ZunoSettingNumber number;
  CliSettingKind kind;
};

// Every key, in the order of their numbers.
std::span<const CliSettingKey> cli_setting_keys();
// The entry of a key (exact comparison), or nullptr.
const CliSettingKey *cli_setting_key(const std::string &key);
