// The picture filter: banner size, shape and pixel size of a picture against the settings.
#include "collect/collect_steps.h"

int is_banner_size(const ZunoRecord *rec, int64_t w, int64_t h) {
  auto within = [&](double v, double target) {
    double margin = target * rec->BannerMargin / 100.0;
    return target - margin <= v && v <= target + margin;
  };
  return within(w, rec->BannerX) && within(h, rec->BannerY) ? 1 : 0;
}

int accept_picture(const ZunoRecord *rec, int64_t w, int64_t h, const FileNode *node) {
  if (h == 0) return 0;
  if (is_banner_size(rec, w, h)) return rec->Banner == 1 ? 1 : 0;
  double r = rec->YXRatio, q = static_cast<double>(w) / static_cast<double>(h);
  if (r != 0 && ((r >= 1 && q > r) || (r < 1 && q < r))) return 0;
  if (rec->MotionGIF == 1 && node && (node->flags & FLAG_ANIMATED)) return 1;
  switch (rec->SearchSizeType) {
    case 1:
      return w >= rec->MaxX;
    case 2:
      return h >= rec->MaxY;
    case 3:
      return w >= rec->MaxX && h >= rec->MaxY;
    case 4:
      return w >= rec->MaxX || h >= rec->MaxY;
    default:
      return 1;
  }
}
