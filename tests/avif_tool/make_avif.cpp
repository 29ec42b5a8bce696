// Writes AVIF test pictures with what ImageMagick cannot put in one: a rotation ("irot"), a mirroring
// ("imir") and several frames (an "avis" sequence). The picture is stored W x H with a red left half, a blue
// right half and a green top-left quarter, so that a reader's orientation can be told from its corners.
// With --alpha every pixel gets that opacity (0 clear .. 255 opaque).
//   make_avif OUT W H [--angle 0..3] [--mirror 0|1] [--frames N] [--alpha 0..255]
#include <avif/avif.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
  const char *out = nullptr;
  int width = 0, height = 0, angle = 0, mirror = -1, frames = 1, alpha = -1;
};

bool parse(int argc, char **argv, Options *o) {
  if (argc < 4) return false;
  o->out = argv[1];
  o->width = std::atoi(argv[2]);
  o->height = std::atoi(argv[3]);
  for (int i = 4; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (name == "--angle")
      o->angle = value;
    else if (name == "--mirror")
      o->mirror = value;
    else if (name == "--frames")
      o->frames = value;
    else if (name == "--alpha")
      o->alpha = value;
    else
      return false;
  }
  return o->width > 0 && o->height > 0 && o->angle >= 0 && o->angle <= 3 && o->frames >= 1 && o->alpha <= 255;
}

avifImage *make_frame(const Options &o, int frame) {
  avifImage *image = avifImageCreate(uint32_t(o.width), uint32_t(o.height), 8, AVIF_PIXEL_FORMAT_YUV444);
  const size_t channels = o.alpha >= 0 ? 4 : 3;
  std::vector<uint8_t> pixels(size_t(o.width) * size_t(o.height) * channels);
  for (int y = 0; y < o.height; ++y)
    for (int x = 0; x < o.width; ++x) {
      uint8_t *p = &pixels[(size_t(y) * size_t(o.width) + size_t(x)) * channels];
      const bool left = x < o.width / 2, top = y < o.height / 2;
      p[0] = left && !top ? 255 : 0;
      p[1] = left && top ? 255 : 0;
      p[2] = left ? 0 : uint8_t(255 - frame * 40);
      if (channels == 4) p[3] = uint8_t(o.alpha);
    }
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image);
  rgb.format = channels == 4 ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
  rgb.depth = 8;
  rgb.pixels = pixels.data();
  rgb.rowBytes = uint32_t(size_t(o.width) * channels);
  if (avifImageRGBToYUV(image, &rgb) != AVIF_RESULT_OK) {
    avifImageDestroy(image);
    return nullptr;
  }
  if (o.angle != 0) {
    image->transformFlags |= AVIF_TRANSFORM_IROT;
    image->irot.angle = uint8_t(o.angle);
  }
  if (o.mirror >= 0) {
    image->transformFlags |= AVIF_TRANSFORM_IMIR;
    image->imir.mode = uint8_t(o.mirror);
  }
  return image;
}

}  // namespace

int main(int argc, char **argv) {
  Options o;
  if (!parse(argc, argv, &o)) {
    std::fprintf(stderr,
                 "usage: make_avif OUT W H [--angle 0..3] [--mirror 0|1] [--frames N] [--alpha 0..255]\n");
    return 2;
  }
  avifEncoder *encoder = avifEncoderCreate();
  encoder->speed = AVIF_SPEED_FASTEST;
  encoder->minQuantizer = encoder->maxQuantizer = 10;
  const avifAddImageFlags flags = o.frames == 1 ? AVIF_ADD_IMAGE_FLAG_SINGLE : AVIF_ADD_IMAGE_FLAG_NONE;
  bool ok = true;
  for (int frame = 0; frame < o.frames && ok; ++frame) {
    avifImage *image = make_frame(o, frame);
    ok = image && avifEncoderAddImage(encoder, image, 1, flags) == AVIF_RESULT_OK;
    if (image) avifImageDestroy(image);
  }
  avifRWData output = AVIF_DATA_EMPTY;
  ok = ok && avifEncoderFinish(encoder, &output) == AVIF_RESULT_OK;
  FILE *file = ok ? std::fopen(o.out, "wb") : nullptr;
  ok = file && std::fwrite(output.data, 1, output.size, file) == output.size;
  if (file && std::fclose(file) != 0) ok = false;
  avifRWDataFree(&output);
  avifEncoderDestroy(encoder);
  if (!ok) std::fprintf(stderr, "make_avif: could not write %s\n", o.out);
  return ok ? 0 : 1;
}
