// Where the browser favourites live that the engine reads: the shortcut folder of the favourites page and the
// delete-candidate folder of deletion requests. The engine derives them the same way: a Windows profile's
// "Favorites" when USERPROFILE (or WINDIR) is set, else "$XDG_DATA_HOME/quillo/Favorites".
#pragma once

#include <QString>

namespace favourite_folders {

// The browser favourites folder; empty when neither a profile nor a home is known.
QString favourites();
// Its product subfolder "クイロ～", whose shortcuts make the favourites page.
QString shortcuts();
// "クイロ～/削除候補": shortcuts filed there ask for their picture to be deleted.
QString delete_candidates();

}  // namespace favourite_folders
