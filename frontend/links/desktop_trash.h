// The desktop trash of the freedesktop.org trash specification, as the engine's platform layer writes it: the
// home trash ($XDG_DATA_HOME/Trash, XDG's default ~/.local/share/Trash) for a file on the home trash's file
// system, else the mount point's ".Trash-<uid>". An info file records where the file came from, so the file
// manager can put it back. (Qt's own moveToTrash takes the home folder's file system as the test and, on a
// machine whose temporary folder it takes for a mount point, writes "files" and "info" straight into it.)
#pragma once

#include <QString>

namespace desktop_trash {

// Moves a file (a symbolic link itself, never its target) into the trash. False, with the file left where it
// was, when it cannot.
bool move(const QString &path);

}  // namespace desktop_trash
