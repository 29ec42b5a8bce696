// The folders of one user, for a program folder that every user of the computer
// shares (an installed program): the user's settings, catalogs and cache analysis
// live in the user's own folders, as the XDG base directory specification names them.
#pragma once

#include <string>

// The file an install puts into the program folder; its presence alone counts.
constexpr const char *kInstallMark = "quillo.installed";

// True when the program folder is shared: it holds the install mark, or this user
// may not write into it. False for a build folder or a portable copy the user owns.
bool program_folder_shared(const std::string &program_folder);
// "$XDG_CONFIG_HOME/quillo" (XDG default ~/.config). false when neither a config
// home nor a home is known.
bool user_settings_folder(std::string *out);
// "$XDG_DATA_HOME/quillo" (XDG default ~/.local/share). false as above.
bool user_data_folder(std::string *out);
// The user's pictures folder: XDG_PICTURES_DIR of the desktop's user-dirs.dirs (what
// xdg-user-dir PICTURES prints), else ~/Pictures; also ~/Pictures when that entry
// names the home itself, which means "no pictures folder". false without a home.
bool user_pictures_folder(std::string *out);
// Makes the folder and each missing parent; 0, or the errno of the level that could
// not be made (ENOTDIR when a level is not a folder).
int make_user_folders(const std::string &folder);
// Where the cache analysis keeps its index (DB): beside the program, or below the
// user's data folder when the program folder is shared (that folder is made, so the
// analysis only has to make DB itself). "" when it is shared and the user has no home.
std::string analysis_folder(const std::string &program_folder);
