#include "html/movie_markup.h"

#include <strings.h>

#include <cstdint>
#include <cstdio>

#include "core/text.h"
#include "html/html_builder.h"
#include "platform/platform.h"
#include "platform/programs.h"

namespace {

// A poster grab longer than this is a movie ffmpeg cannot read sensibly; the icon stands in.
constexpr int kPosterTimeoutMs = 20000;

// A poster name from the movie's path: stable from run to run, so an unchanged movie keeps its poster.
std::string poster_name(std::string_view path) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : path) hash = (hash ^ c) * 1099511628211ull;
  char name[32];
  snprintf(name, sizeof name, "%016llx.jpg", static_cast<unsigned long long>(hash));
  return name;
}

const std::string &ffmpeg() {
  static const std::string found = plat::find_program("ffmpeg");
  return found;
}

// Grabs a representative frame of the first seconds, scaled to the shown size, whole or not at all.
bool grab_poster(std::string_view movie, const std::string &poster, int w, int h) {
  plat::Stat movie_st, poster_st;
  if (!plat::stat_path(std::string(movie), &movie_st)) return false;
  if (plat::stat_path(poster, &poster_st) && poster_st.is_file && poster_st.modified >= movie_st.modified)
    return true;
  if (ffmpeg().empty()) return false;
  std::string part = plat::temporary_name(poster);
  std::string scale =
      "thumbnail=25,scale=" + std::to_string(w > 0 ? w : 160) + ":" + std::to_string(h > 0 ? h : 120);
  int status =
      plat::run_program({ffmpeg(), "-nostdin", "-loglevel", "error", "-y", "-i", std::string(movie), "-vf",
                         scale, "-frames:v", "1", "-q:v", "5", "-f", "image2", "-c:v", "mjpeg", part},
                        kPosterTimeoutMs);
  plat::Stat part_st;
  bool made = status == 0 && plat::stat_path(part, &part_st) && part_st.size > 0;
  if (made && plat::rename_path(part, poster) == 0) return true;
  plat::remove_file(part);
  return false;
}

}  // namespace

bool plays_in_browser(std::string_view path) {
  std::string ext = extension_of(last_component(path));
  for (const char *playable : {".mp4", ".m4v", ".webm", ".mov"})
    if (strcasecmp(ext.c_str(), playable) == 0) return true;
  return false;
}

int add_movie(const std::string &catalog_folder, std::string_view path, std::string_view address, int w,
              int h, bool make_posters, std::string_view icon) {
  std::string title = last_component(path);
  if (!plays_in_browser(path))
    return html_add_movie_file_link(address, icon, w, h, title + "（プレーヤーで開く）");
  std::string poster(icon);
  if (make_posters) {
    std::string folder = join_path(catalog_folder, "Posters");
    std::string name = poster_name(path);
    if ((plat::make_dir(folder) == 0 || plat::is_dir(folder)) &&
        grab_poster(path, join_path(folder, name), w, h))
      poster = "./Posters/" + name;
  }
  return html_add_video(address, poster, w, h, title);
}
