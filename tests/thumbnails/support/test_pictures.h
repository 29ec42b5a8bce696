// A private folder per test (TEMP points into it) and real pictures to feed the thumbnailer.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

class PictureFolder {
 public:
  PictureFolder();
  ~PictureFolder();

  bool valid() const { return dir_.isValid(); }
  QString path(const QString &relative) const { return dir_.filePath(relative); }
  QByteArray bytes(const QString &relative) const { return path(relative).toUtf8(); }

  // A picture of a colour gradient (so scaling has something to average); Qt's encoder picks the format from
  // the suffix unless one is given. Returns the path; folders are made as needed.
  QString write_picture(const QString &relative, QSize size, const char *format = nullptr) const;
  // A picture of one colour, optionally with transparency (PNG).
  QString write_plain(const QString &relative, QSize size, QColor color, const char *format = nullptr) const;
  // An animated GIF made by ImageMagick: one frame per colour.
  QString write_gif(const QString &relative, QSize size, const QStringList &frame_colors) const;
  QString write_text(const QString &relative, const QByteArray &content) const;

 private:
  QTemporaryDir dir_;
  QByteArray old_temp_;
};

// What a written thumbnail looks like: its format, size and the colour at its centre.
struct Decoded {
  QByteArray format;
  QSize size;
  QColor centre;
};
Decoded decode(const QString &path);
// The first value of the first quantisation table of a JPEG file (16 at quality 50 for libjpeg's tables);
// -1 when there is none.
int first_quant_value(const QString &path);
// Colours within a few steps of each other, as JPEG leaves them.
bool near(const QColor &a, const QColor &b, int tolerance = 12);
