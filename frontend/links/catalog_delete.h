// Deleting a picture by dropping its thumbnail link: only a picture that a catalog page in the output folder
// really links is deleted, so a link text made up elsewhere cannot reach any other file. The user's own
// picture goes to the desktop trash; a copy in the cache backup is deleted outright.
#pragma once

#include <QString>

namespace catalog_delete {

// The full path of the picture that `link_path` (the decoded showcg argument, relative to its page or
// absolute) names, when a catalog page (index000*.html) below `output` holds that thumbnail link; empty when
// none does.
QString linked_picture(const QString &link_path, const QString &output);
// True for a regular file (not a folder, not a link) whose type the catalogs list.
bool is_picture_file(const QString &path);
// Deletes a linked picture: into the trash, or outright for a copy below "<output>/…/Images/Content.IE5/".
// False when it is no picture file or could not be deleted.
bool delete_picture(const QString &picture, const QString &output);

}  // namespace catalog_delete
