// The browser cache folder the user chose on the detail window. It is the user's own, so it is kept in the
// per-user store and not in the settings file, which every user of the program folder shares: it is handed
// to the engine (ZUNO_CacheFolder) every time the engine has read its settings file, and the file's own value
// goes back into the engine before the engine writes the file. With no folder chosen the engine keeps its
// own: the file's value, or else the folder the Windows profile variables point at.
#pragma once

#include <QString>

namespace browser_cache {

// The stored choice, empty when there is none.
QString chosen_folder();
// Stores the choice (empty: none) and hands it to the engine at once.
void choose(const QString &folder);
// The engine holds its settings file's value (just after ZunoInit, or after take_back): remembers that value
// and puts the chosen folder, if any.
void hand_over();
// Before ZunoFlash: puts the settings file's own value back, so the file never learns the user's folder.
void take_back();

}  // namespace browser_cache
