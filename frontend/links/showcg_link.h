// Thumbnail links dragged out of a catalog page: JavaScript:showcg('path',width,height). A browser hands the
// link over as an address, so the text may be percent-encoded and the path is a script string literal.
#pragma once

#include <QString>

namespace showcg {

// True when the text holds a thumbnail link ("javascript:showcg" in any letter case).
bool is_link(const QString &text);
// The picture path of a thumbnail link, decoded back to the file name; empty when there is none.
QString picture_path(const QString &text);

}  // namespace showcg
