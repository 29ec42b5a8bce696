// The thumbnail iteration: one listed picture per call with the name its thumbnail gets.
#include <string>

#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "collect/thumbnail_path.h"
#include "core/error_log.h"
#include "core/file_list.h"
#include "core/guard.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

// The names of the current thumbnail iteration, made when it starts.
ThumbnailPlan &thumbnail_plan() {
  static ThumbnailPlan plan;
  return plan;
}

}  // namespace

extern "C" int get_thumbinfo(ZunoRecord *rec, FileNode *head, char *source, char *thumb, int *disp_w,
                             int *disp_h, int *w, int *h) {
  return guarded(-1, [&] {
    EngineState &e = engine();
    std::string thumbs = join_path(join_path(rec->LastOutputPath, rec->HtmlOut), "Thumbs");
    if (!e.thumb_active) {
      if (plat::make_dir(thumbs) != 0 && !plat::is_dir(thumbs))
        return record_error("サムネイルのフォルダを作れません: " + thumbs);
      thumbnail_plan() = plan_thumbnails(head, thumbnail_base(*rec, rec->LastOutputPath));
      e.thumb_pos = head;
      e.thumb_active = true;
    }
    // Movies are placed too, but no page shows a thumbnail of one and none can be decoded.
    auto wants_thumbnail = [](const FileNode *n) {
      return n->output == 1 && n->type != TYPE_AVI && n->type != TYPE_MOVIE;
    };
    FileNode *n = e.thumb_pos;
    while (is_listed(n) && !wants_thumbnail(n)) n = n->next;
    if (!is_listed(n)) {
      e.thumb_pos = nullptr;
      e.thumb_active = false;
      thumbnail_plan() = ThumbnailPlan();
      return -1;
    }
    e.thumb_pos = n->next;
    std::string thumb_path = thumbs + thumbnail_below(thumbnail_plan(), n);
    std::string relative;
    make_mirror_folder(thumb_path.c_str(), thumbs.c_str(), thumbs.c_str(), &relative);
    if (source) copy_field(source, kFieldSize, n->path, "thumbnail source");
    if (thumb) copy_field(thumb, kFieldSize, thumb_path, "thumbnail path");
    if (disp_w) *disp_w = n->disp_width;
    if (disp_h) *disp_h = n->disp_height;
    if (w) *w = n->width;
    if (h) *h = n->height;
    return 1;
  });
}
