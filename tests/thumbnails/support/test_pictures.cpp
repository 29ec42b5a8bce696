#include "test_pictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QStringList>
#include <cstdlib>

namespace {

void make_parent(const QString &path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
}

}  // namespace

PictureFolder::PictureFolder() : old_temp_(qgetenv("TEMP")) {
  if (dir_.isValid()) qputenv("TEMP", dir_.path().toUtf8());
}

PictureFolder::~PictureFolder() {
  if (old_temp_.isNull())
    qunsetenv("TEMP");
  else
    qputenv("TEMP", old_temp_);
}

QString PictureFolder::write_picture(const QString &relative, QSize size, const char *format) const {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, size.width(), size.height());
  gradient.setColorAt(0, Qt::red);
  gradient.setColorAt(1, Qt::blue);
  painter.fillRect(image.rect(), gradient);
  painter.end();
  const QString p = path(relative);
  make_parent(p);
  if (!image.save(p, format)) return QString();
  return p;
}

QString PictureFolder::write_plain(const QString &relative, QSize size, QColor color,
                                   const char *format) const {
  QImage image(size, color.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
  image.fill(color);
  const QString p = path(relative);
  make_parent(p);
  if (!image.save(p, format)) return QString();
  return p;
}

QString PictureFolder::write_gif(const QString &relative, QSize size, const QStringList &frame_colors) const {
  const QString p = path(relative);
  make_parent(p);
  QStringList args{QStringLiteral("-delay"), QStringLiteral("10")};
  const QString geometry = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
  for (const QString &color : frame_colors)
    args << QStringLiteral("-size") << geometry << QStringLiteral("xc:") + color;
  args << QStringLiteral("GIF:") + p;
  if (QProcess::execute(QStringLiteral("/usr/bin/convert"), args) != 0) return QString();
  return p;
}

QString PictureFolder::write_text(const QString &relative, const QByteArray &content) const {
  const QString p = path(relative);
  make_parent(p);
  QFile file(p);
  if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) return QString();
  return p;
}

Decoded decode(const QString &path) {
  QImageReader reader(path);
  Decoded d;
  d.format = reader.format();
  const QImage image = reader.read();
  d.size = image.size();
  if (!image.isNull()) d.centre = image.pixelColor(image.width() / 2, image.height() / 2);
  return d;
}

int first_quant_value(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  const QByteArray data = file.readAll();
  const qsizetype dqt = data.indexOf(QByteArray("\xFF\xDB", 2));
  // Marker, two length bytes, the precision/table byte, then the table.
  if (dqt < 0 || dqt + 5 >= data.size()) return -1;
  return static_cast<unsigned char>(data[dqt + 5]);
}

bool near(const QColor &a, const QColor &b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}
