#include "picture_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <atomic>
#include <cerrno>
#include <mutex>

#include "avif_picture.h"

namespace thumbnails {
namespace {

// Qt's default ceiling (128 MB of decoded pixels) refuses ordinary scans and panoramas saved as PNG or TIFF;
// they only pass through memory for a moment here.
constexpr int kDecodeLimitMb = 1024;
// Enough of a file's start to hold the "ftyp" box with its brands.
constexpr qint64 kAvifHeadBytes = 64;

void raise_decode_limit() {
  static std::once_flag once;
  std::call_once(once, [] { QImageReader::setAllocationLimit(kDecodeLimitMb); });
}

// Opened by its bytes so that names which are not valid UTF-8 still open; only regular files, so that a
// FIFO or device that happens to carry a picture's name cannot block or flood the decoder.
int open_regular_file(const QByteArray &path) {
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

QByteArray folder_of(const QByteArray &path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0) return QByteArrayLiteral(".");
  return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// A short hidden name in the target's folder: short, so a target name near the length limit still gets one.
int create_temporary_beside(const QByteArray &target, QByteArray *temporary) {
  static std::atomic<unsigned> counter{0};
  const QByteArray prefix = folder_of(target) + "/.thumb-" + QByteArray::number(::getpid()) + '-';
  for (int attempt = 0; attempt < 16; ++attempt) {
    *temporary = prefix + QByteArray::number(counter++) + ".tmp";
    const int fd = ::open(temporary->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool write_all(int fd, const QByteArray &data) {
  const char *p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= n;
  }
  return true;
}

}  // namespace

QImage read_picture(const QByteArray &path, QSize at_least) {
  raise_decode_limit();
  const int fd = open_regular_file(path);
  if (fd < 0) return {};
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return {};
  }
  // The format comes from the content, not the name: cached pictures are often misnamed.
  if (looks_like_avif(file.peek(kAvifHeadBytes))) return decode_avif(file.readAll(), at_least);
  QImageReader reader(&file);
  // The thumbnail size was worked out from the stored orientation; turning the picture would distort it.
  reader.setAutoTransform(false);
  // Only where the decoder itself works at the smaller size: other handlers decode whole and then scale,
  // which for a one-bit picture (Qt's smooth scaling keeps its format) turns every colour white.
  const QByteArray format = reader.format();
  if (!at_least.isEmpty() && (format == "jpeg" || format == "webp") &&
      reader.supportsOption(QImageIOHandler::ScaledSize))
    reader.setScaledSize(at_least);
  return reader.read();
}

QImage fit_picture(const QImage &picture, QSize size) {
  if (size.width() <= 0 || size.height() <= 0) return {};
  QImage canvas(size, QImage::Format_RGB32);
  if (canvas.isNull()) return {};
  canvas.fill(Qt::white);
  if (picture.isNull()) return canvas;
  // Smooth scaling averages colours only in a true-colour picture; a palette or one-bit one would be
  // scaled in its own few colours.
  const bool few_colours = picture.format() == QImage::Format_Mono ||
                           picture.format() == QImage::Format_MonoLSB ||
                           picture.format() == QImage::Format_Indexed8;
  const QImage source =
      few_colours
          ? picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32)
          : picture;
  QImage scaled =
      source.size() == size ? source : source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (!scaled.hasAlphaChannel()) return scaled;
  QPainter painter(&canvas);
  painter.drawImage(0, 0, scaled);
  return canvas;
}

int save_jpeg(const QImage &picture, const QByteArray &path, int quality) {
  QByteArray temporary;
  const int result = write_jpeg_beside(picture, path, quality, &temporary);
  return result == kSaved ? put_in_place(temporary, path) : result;
}

int write_jpeg_beside(const QImage &picture, const QByteArray &path, int quality, QByteArray *temporary) {
  temporary->clear();
  if (picture.isNull() || path.isEmpty()) return kNothingToSave;
  // Encoded in memory first: a thumbnail is a few KiB, and a failed encoding never touches the disk.
  QByteArray data;
  {
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(picture)) return kCannotEncode;
  }
  QByteArray made;
  const int fd = create_temporary_beside(path, &made);
  if (fd < 0) return kCannotCreate;
  // No fsync: a thumbnail lost to a power cut is simply made again, and a sync per picture would cost more
  // than the picture itself. The rename alone keeps readers from ever seeing half a file.
  const bool written = write_all(fd, data);
  if (::close(fd) != 0 || !written) {
    ::unlink(made.constData());
    return kCannotWrite;
  }
  *temporary = made;
  return kSaved;
}

int put_in_place(const QByteArray &temporary, const QByteArray &path) {
  if (::rename(temporary.constData(), path.constData()) == 0) return kSaved;
  ::unlink(temporary.constData());
  return kCannotReplace;
}

}  // namespace thumbnails
