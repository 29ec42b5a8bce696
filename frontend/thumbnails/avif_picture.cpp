#include "avif_picture.h"

#include <avif/avif.h>

#include <QTransform>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace thumbnails {
namespace {

constexpr qsizetype kBrandsAt = 8;  // box size and "ftyp"
constexpr qsizetype kMostBrandBytes = 64;
// Pictures come as one tile in practice, which one thread decodes: a second only adds its start-up per
// picture.
constexpr int kDecoderThreads = 1;

quint32 be32(const QByteArray &bytes, qsizetype at) {
  const auto *p = reinterpret_cast<const uchar *>(bytes.constData()) + at;
  return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

struct DecoderFree {
  void operator()(avifDecoder *d) const { avifDecoderDestroy(d); }
};
using Decoder = std::unique_ptr<avifDecoder, DecoderFree>;

struct ImageFree {
  void operator()(avifImage *i) const { avifImageDestroy(i); }
};
using Image = std::unique_ptr<avifImage, ImageFree>;

// One plane's samples, 8 bits or (above 8 bits of depth) 16.
struct Plane {
  uint8_t *data;
  uint32_t row_bytes;
  uint32_t width, height;
};

// Each sample of `to` the mean of the factor x factor block of `from` it covers (cut at the edges). Rows are
// summed whole, one after the other, so the source is read once, front to back.
template <typename Sample>
void box_reduce(const Plane &from, const Plane &to, uint32_t factor) {
  std::vector<uint64_t> sums(to.width);
  for (uint32_t y = 0; y < to.height; ++y) {
    const uint32_t y0 = y * factor, y1 = std::min(y0 + factor, from.height);
    std::fill(sums.begin(), sums.end(), 0);
    for (uint32_t sy = y0; sy < y1; ++sy) {
      const auto *row = reinterpret_cast<const Sample *>(from.data + size_t(sy) * from.row_bytes);
      for (uint32_t x = 0; x < to.width; ++x) {
        const uint32_t x0 = x * factor, x1 = std::min(x0 + factor, from.width);
        uint32_t sum = 0;
        for (uint32_t sx = x0; sx < x1; ++sx) sum += row[sx];
        sums[x] += sum;
      }
    }
    auto *out = reinterpret_cast<Sample *>(to.data + size_t(y) * to.row_bytes);
    for (uint32_t x = 0; x < to.width; ++x) {
      const uint64_t count = uint64_t(y1 - y0) * (std::min(x * factor + factor, from.width) - x * factor);
      out[x] = Sample(count ? (sums[x] + count / 2) / count : 0);
    }
  }
}

void box_reduce(const Plane &from, const Plane &to, uint32_t factor, bool wide) {
  if (wide)
    box_reduce<uint16_t>(from, to, factor);
  else
    box_reduce<uint8_t>(from, to, factor);
}

// The whole factor by which the picture can shrink and stay at least the asked size (given in stored
// orientation); 1 when it cannot.
uint32_t reduction_factor(const avifImage *image, QSize at_least) {
  if (at_least.isEmpty()) return 1;
  return std::max<uint32_t>(
      1, std::min(image->width / uint32_t(at_least.width()), image->height / uint32_t(at_least.height())));
}

// The picture shrunk by a whole factor while still in YUV: the colour conversion and the final smooth
// scaling then work on a few thousand pixels instead of millions, which is what keeps an AVIF thumbnail
// as cheap as a JPEG one shrunk inside its decoder.
Image reduced(const avifImage *image, uint32_t factor) {
  Image small(avifImageCreate(image->width / factor, image->height / factor, image->depth, image->yuvFormat));
  if (!small) return nullptr;
  small->yuvRange = image->yuvRange;
  small->yuvChromaSamplePosition = image->yuvChromaSamplePosition;
  small->colorPrimaries = image->colorPrimaries;
  small->transferCharacteristics = image->transferCharacteristics;
  small->matrixCoefficients = image->matrixCoefficients;
  small->alphaPremultiplied = image->alphaPremultiplied;
  const bool alpha = image->alphaPlane != nullptr;
  if (avifImageAllocatePlanes(small.get(), alpha ? AVIF_PLANES_ALL : AVIF_PLANES_YUV) != AVIF_RESULT_OK)
    return nullptr;
  avifPixelFormatInfo info;
  avifGetPixelFormatInfo(image->yuvFormat, &info);
  const bool wide = image->depth > 8;
  const int planes = info.monochrome ? 1 : AVIF_PLANE_COUNT_YUV;
  for (int c = 0; c < planes; ++c) {
    const uint32_t sx = c == 0 ? 0 : info.chromaShiftX, sy = c == 0 ? 0 : info.chromaShiftY;
    const Plane from{image->yuvPlanes[c], image->yuvRowBytes[c], (image->width + sx) >> sx,
                     (image->height + sy) >> sy};
    const Plane to{small->yuvPlanes[c], small->yuvRowBytes[c], (small->width + sx) >> sx,
                   (small->height + sy) >> sy};
    box_reduce(from, to, factor, wide);
  }
  if (alpha)
    box_reduce({image->alphaPlane, image->alphaRowBytes, image->width, image->height},
               {small->alphaPlane, small->alphaRowBytes, small->width, small->height}, factor, wide);
  return small;
}

// The picture in 8-bit BGRA, which is QImage's ARGB32 in memory on this little-endian platform.
QImage to_qimage(const avifImage *image) {
  const bool alpha = image->alphaPlane != nullptr;
  QImage out(int(image->width), int(image->height), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (out.isNull()) return {};
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image);
  rgb.format = AVIF_RGB_FORMAT_BGRA;
  rgb.depth = 8;
  // A thumbnail is a fraction of the picture's size: finer chroma would be averaged away again.
  rgb.chromaUpsampling = AVIF_CHROMA_UPSAMPLING_FASTEST;
  rgb.pixels = out.bits();
  rgb.rowBytes = uint32_t(out.bytesPerLine());
  if (avifImageYUVToRGB(image, &rgb) != AVIF_RESULT_OK) return {};
  return out;
}

// Rotation first, then mirroring, as the container's transformations are applied.
QImage transformed(QImage picture, const avifImage *image) {
  if ((image->transformFlags & AVIF_TRANSFORM_IROT) && (image->irot.angle & 3) != 0)
    picture = picture.transformed(QTransform().rotate(-90.0 * (image->irot.angle & 3)));
  if (image->transformFlags & AVIF_TRANSFORM_IMIR)
    picture = image->imir.mode == 0 ? picture.mirrored(false, true) : picture.mirrored(true, false);
  return picture;
}

}  // namespace

bool looks_like_avif(const QByteArray &head) {
  if (head.size() < 16 || be32(head, 4) != 0x66747970u) return false;  // "ftyp"
  const qsizetype end =
      std::min<qsizetype>({head.size(), qsizetype(be32(head, 0)), kBrandsAt + kMostBrandBytes});
  for (qsizetype at = kBrandsAt; at + 4 <= end; at += 4) {
    if (at == kBrandsAt + 4) continue;  // the minor version
    const QByteArray brand = head.mid(at, 4);
    if (brand == "avif" || brand == "avis") return true;
  }
  return false;
}

QImage decode_avif(const QByteArray &data, QSize at_least) {
  Decoder decoder(avifDecoderCreate());
  if (!decoder) return {};
  decoder->maxThreads = kDecoderThreads;
  decoder->ignoreExif = AVIF_TRUE;
  decoder->ignoreXMP = AVIF_TRUE;
  // Browsers show files that bend the rules (no pixel information box and the like); so do thumbnails.
  decoder->strictFlags = AVIF_STRICT_DISABLED;
  if (avifDecoderSetIOMemory(decoder.get(), reinterpret_cast<const uint8_t *>(data.constData()),
                             size_t(data.size())) != AVIF_RESULT_OK ||
      avifDecoderParse(decoder.get()) != AVIF_RESULT_OK ||
      avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK)
    return {};
  const avifImage *image = decoder->image;
  const bool turned = (image->transformFlags & AVIF_TRANSFORM_IROT) && (image->irot.angle & 1);
  const uint32_t factor = reduction_factor(image, turned ? at_least.transposed() : at_least);
  Image small = factor > 1 ? reduced(image, factor) : nullptr;
  QImage picture = to_qimage(small ? small.get() : image);
  if (picture.isNull()) return {};
  return transformed(std::move(picture), image);
}

}  // namespace thumbnails
