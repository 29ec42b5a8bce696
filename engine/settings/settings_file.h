#pragma once

#include <string>

#include "core/engine_state.h"

// The settings file of the record's settings folder: IniPath + "/quillo.ini".
std::string settings_file_path(const ZunoRecord &rec);
// Its backup beside it, the version before the last write.
std::string settings_backup_path(const ZunoRecord &rec);
