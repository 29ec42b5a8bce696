// Draws the front end's pictures at build time: the state pictures, the 20 spinner frames, the splash
// pictures of both display styles, the folder-information picture and the desktop icon.
// Usage: make_art OUTPUT_FOLDER
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QImage blank(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A framed photograph: hills under a sun, the motif of a picture catalog.
void draw_photo(QPainter &p, const QRectF &r, const QColor &frame) {
  p.setPen(Qt::NoPen);
  p.setBrush(frame);
  p.drawRoundedRect(r, r.width() * 0.06, r.width() * 0.06);
  const QRectF inner = r.adjusted(r.width() * 0.08, r.width() * 0.08, -r.width() * 0.08, -r.width() * 0.08);
  QLinearGradient sky(inner.topLeft(), inner.bottomLeft());
  sky.setColorAt(0, QColor(0x8e, 0xc9, 0xf5));
  sky.setColorAt(1, QColor(0xd9, 0xef, 0xff));
  p.setBrush(sky);
  p.drawRect(inner);
  p.setBrush(QColor(0xff, 0xc8, 0x3d));
  const double sun = inner.width() * 0.16;
  p.drawEllipse(QPointF(inner.right() - sun * 1.6, inner.top() + sun * 1.5), sun, sun);
  QPainterPath hills;
  hills.moveTo(inner.bottomLeft());
  hills.lineTo(inner.left(), inner.bottom() - inner.height() * 0.25);
  hills.lineTo(inner.left() + inner.width() * 0.35, inner.top() + inner.height() * 0.42);
  hills.lineTo(inner.left() + inner.width() * 0.6, inner.bottom() - inner.height() * 0.3);
  hills.lineTo(inner.left() + inner.width() * 0.75, inner.top() + inner.height() * 0.55);
  hills.lineTo(inner.right(), inner.bottom() - inner.height() * 0.2);
  hills.lineTo(inner.bottomRight());
  hills.closeSubpath();
  p.setBrush(QColor(0x3f, 0x9b, 0x4f));
  p.drawPath(hills);
}

// A quill feather lying diagonally from the lower left to the upper right of r.
void draw_quill(QPainter &p, const QRectF &r, const QColor &vane, const QColor &shaft) {
  p.save();
  p.translate(r.center());
  p.rotate(-45);
  const double len = std::hypot(r.width(), r.height()) * 0.5;
  QPainterPath feather;
  feather.moveTo(-len * 0.55, 0);
  feather.cubicTo(-len * 0.2, -len * 0.32, len * 0.5, -len * 0.3, len, 0);
  feather.cubicTo(len * 0.5, len * 0.22, -len * 0.2, len * 0.2, -len * 0.55, 0);
  p.setPen(Qt::NoPen);
  p.setBrush(vane);
  p.drawPath(feather);
  p.setPen(QPen(shaft, std::max(1.5, len * 0.04), Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(-len, 0), QPointF(len * 0.95, 0));
  for (int i = 1; i < 6; ++i) {  // notches in the vane
    const double x = -len * 0.3 + i * len * 0.2;
    p.setPen(QPen(shaft.lighter(130), std::max(1.0, len * 0.02)));
    p.drawLine(QPointF(x, 0), QPointF(x + len * 0.12, -len * 0.14));
  }
  p.restore();
}

void draw_check(QPainter &p, const QRectF &r) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2e, 0xa0, 0x43));
  p.drawEllipse(r);
  QPainterPath tick;
  tick.moveTo(r.left() + r.width() * 0.26, r.top() + r.height() * 0.52);
  tick.lineTo(r.left() + r.width() * 0.44, r.top() + r.height() * 0.70);
  tick.lineTo(r.left() + r.width() * 0.76, r.top() + r.height() * 0.32);
  p.setPen(QPen(Qt::white, r.width() * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(tick);
}

// "z z z" as strokes, so that no font is needed at build time.
void draw_sleep(QPainter &p, const QPointF &at, double size) {
  p.setPen(QPen(QColor(0x55, 0x66, 0xcc), size * 0.16, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  for (int i = 0; i < 3; ++i) {
    const double s = size * (0.55 + 0.25 * i);
    const QPointF o = at + QPointF(i * size * 0.55, -i * size * 0.6);
    const QPointF zig[] = {o, o + QPointF(s, 0), o + QPointF(0, s), o + QPointF(s, s)};
    p.drawPolyline(zig, 4);
  }
}

QImage state_base() {
  QImage image = blank(96, 96);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw_photo(p, QRectF(8, 22, 62, 62), QColor(0xf4, 0xe9, 0xd2));
  draw_quill(p, QRectF(34, 6, 58, 58), QColor(0xff, 0xff, 0xff, 235), QColor(0x8a, 0x5a, 0x2b));
  return image;
}

QImage state_idle_badge() {
  QImage image = blank(96, 96);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw_sleep(p, QPointF(62, 30), 10);
  return image;
}

QImage state_done() {
  QImage image = blank(96, 96);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw_photo(p, QRectF(8, 14, 70, 70), QColor(0xf4, 0xe9, 0xd2));
  draw_check(p, QRectF(52, 52, 38, 38));
  return image;
}

// Frame n (0-based) of 20: a ring of dots whose bright head moves one step per frame.
QImage spinner_frame(int n) {
  QImage image = blank(96, 96);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw_photo(p, QRectF(30, 30, 36, 36), QColor(0xe8, 0xdd, 0xc4));
  const QPointF centre(48, 48);
  for (int i = 0; i < 20; ++i) {
    const int age = (n - i + 20) % 20;  // 0 is the head
    const double angle = qDegreesToRadians(i * 18.0 - 90.0);
    const QPointF dot = centre + QPointF(std::cos(angle), std::sin(angle)) * 38.0;
    QColor c(0x2a, 0x7f, 0xd4);
    c.setAlphaF(age < 8 ? 1.0 - age * 0.11 : 0.12);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const double radius = age == 0 ? 5.5 : 4.0;
    p.drawEllipse(dot, radius, radius);
  }
  return image;
}

QImage splash(bool dark) {
  QImage image = blank(360, 170);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 0, 170);
  bg.setColorAt(0, dark ? QColor(0x10, 0x10, 0x18) : QColor(0xfd, 0xf8, 0xee));
  bg.setColorAt(1, dark ? QColor(0x00, 0x00, 0x00) : QColor(0xf1, 0xe4, 0xc8));
  p.fillRect(image.rect(), bg);
  for (int i = 0; i < 3; ++i)
    draw_photo(p, QRectF(150 + i * 62, 38 + (i % 2) * 18, 56, 56),
               dark ? QColor(0x40, 0x40, 0x48) : QColor(0xff, 0xff, 0xff));
  draw_quill(p, QRectF(18, 12, 140, 140), dark ? QColor(0xf0, 0xe6, 0xd0) : QColor(0xff, 0xff, 0xff),
             QColor(0x8a, 0x5a, 0x2b));
  return image;
}

QImage folder_info() {
  QImage image = blank(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xe8, 0xb0, 0x3a));
  p.drawRoundedRect(QRectF(2, 6, 13, 6), 2, 2);
  p.setBrush(QColor(0xf6, 0xc8, 0x4f));
  p.drawRoundedRect(QRectF(2, 9, 28, 19), 3, 3);
  p.setBrush(QColor(0x2a, 0x7f, 0xd4));
  p.drawEllipse(QRectF(14, 12, 14, 14));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(20, 14, 2.5, 2.5));
  p.drawRoundedRect(QRectF(19.9, 18, 2.6, 6), 1, 1);
  return image;
}

// Drawn on a 64-pixel grid and scaled, so that every size the desktop asks for is drawn, not resampled.
QImage desktop_icon(int size) {
  QImage image = blank(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  draw_photo(p, QRectF(4, 14, 46, 46), QColor(0xf4, 0xe9, 0xd2));
  draw_quill(p, QRectF(22, 2, 40, 40), QColor(0xff, 0xff, 0xff, 240), QColor(0x8a, 0x5a, 0x2b));
  return image;
}

bool save(const QImage &image, const QDir &dir, const QString &name) {
  if (image.save(dir.filePath(name), "PNG")) return true;
  std::fprintf(stderr, "make_art: cannot write %s\n", qPrintable(dir.filePath(name)));
  return false;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_art OUTPUT_FOLDER\n");
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(QStringLiteral("."))) return 1;
  bool ok = save(state_base(), dir, QStringLiteral("picture1.png")) &&
            save(state_done(), dir, QStringLiteral("picture2.png")) &&
            save(state_idle_badge(), dir, QStringLiteral("picture3.png")) &&
            save(splash(false), dir, QStringLiteral("splash0.png")) &&
            save(splash(true), dir, QStringLiteral("splash1.png")) &&
            save(folder_info(), dir, QStringLiteral("info.png")) &&
            save(desktop_icon(64), dir, QStringLiteral("quillo.png"));
  for (int size : {48, 128})
    ok = ok && save(desktop_icon(size), dir, QStringLiteral("quillo-%1.png").arg(size));
  for (int n = 0; ok && n < 20; ++n)
    ok = save(spinner_frame(n), dir, QStringLiteral("spin%1.png").arg(n + 1, 2, 10, QLatin1Char('0')));
  return ok ? 0 : 1;
}
