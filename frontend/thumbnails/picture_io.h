// The image library behind thumbnail creation: reads any picture Qt can decode, shrinking it inside the
// decoder where the format allows, and writes JPEG files whole or not at all.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace thumbnails {

// What save_jpeg answers; callers only tell 0 from the rest, the other values say where it failed.
enum SaveResult : int {
  kSaved = 0,
  kNothingToSave = 1,  // no picture, or a size no picture can have
  kCannotEncode = 2,   // the JPEG encoder refused the picture
  kCannotCreate = 3,   // no file could be made in the target's folder
  kCannotWrite = 4,    // the data did not reach the file (disk full, I/O error)
  kCannotReplace = 5,  // the finished file could not take the target's name
};

// The first frame of the picture at path (the file name's bytes, as the system has them). With a non-empty
// size the decoder may shrink the picture on the way, never below that size (JPEG: DCT scaling), which is
// what makes thumbnails of large photos cheap. A null picture when the file cannot be read or decoded.
QImage read_picture(const QByteArray &path, QSize at_least = QSize());

// The whole picture drawn into exactly size pixels, transparent parts over white, as JPEG has no
// transparency. A null picture gives a white one; a size that is not positive gives a null picture.
QImage fit_picture(const QImage &picture, QSize size);

// Writes picture as a JPEG file at quality (0..100). The file is built beside the target under a temporary
// name and renamed over it, so the target is never left half written. Returns a SaveResult.
int save_jpeg(const QImage &picture, const QByteArray &path, int quality);

// save_jpeg in its two halves, for callers that decide later whether a finished file may take its name:
// write_jpeg_beside leaves the whole file under a hidden temporary name in the target's folder (*temporary,
// empty unless kSaved), put_in_place renames it over the target or removes it.
int write_jpeg_beside(const QImage &picture, const QByteArray &path, int quality, QByteArray *temporary);
int put_in_place(const QByteArray &temporary, const QByteArray &path);

}  // namespace thumbnails
