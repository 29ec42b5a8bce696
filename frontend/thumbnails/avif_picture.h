// AVIF pictures for thumbnails, through libavif: Qt 6 on Debian has no AVIF image plugin.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace thumbnails {

// True when the bytes begin an ISO base media file whose "ftyp" box names an AVIF brand ("avif" or "avis").
bool looks_like_avif(const QByteArray &head);

// The primary picture (a sequence's first frame) of a whole AVIF file, turned and mirrored as the file says
// so that its size matches the one the engine read from the header. With a non-empty size the picture may
// come back smaller, never below that size. A null picture when libavif cannot decode it.
QImage decode_avif(const QByteArray &data, QSize at_least = QSize());

}  // namespace thumbnails
