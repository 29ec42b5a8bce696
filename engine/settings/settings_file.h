#pragma once

#include <string>

#include "core/engine_state.h"
#include "zuno.h"

// get_inifile, and so ZunoInit, when quillo.ini cannot be used (missing, unreadable,
// or without a single setting) but quillo.ibk beside it holds settings: the front end
// offers to put the backup back. Without a good backup the result is -1.
constexpr int kIniBackupGood = ZUNO_INI_BACKUP_GOOD;

// The settings file of the record's settings folder: IniPath + "/quillo.ini".
std::string settings_file_path(const ZunoRecord &rec);
// Y/XRatio read from text as the file holds it, held where ZunoGet can answer it in
// tenths; not-a-number is no limit.
float parse_ratio(const std::string &value);
// Its backup beside it, the version before the last write.
std::string settings_backup_path(const ZunoRecord &rec);
