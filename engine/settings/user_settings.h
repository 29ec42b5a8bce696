// The settings folder of a shared program folder: each user's own copy of the
// program's quillo.ini, made at the user's first start.
#pragma once

#include <string>

// The settings folder that the program folder stands for. A program folder that is
// not shared (program_folder_shared) is its own settings folder. For a shared one it
// is the user's settings folder (user_settings_folder); when that holds no
// quillo.ini yet, the program's quillo.ini is copied there with OutputPath set to the
// user's pictures folder + "/Quillo" and ExecPath to the program folder (html/,
// button/ and help/ are read from there), and *made is set. Returns "" with the
// error recorded when the copy cannot be made; nothing is then left half written.
std::string user_settings_for(const std::string &program_folder, bool *made);
