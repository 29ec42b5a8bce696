// Movies on a catalog page: those a browser plays get a <video> with a poster, the rest a link that hands
// the file to the desktop's player. Never an empty box.
#pragma once

#include <string>
#include <string_view>

#include "core/engine_state.h"

// The icon shown for a movie without a poster, copied beside the catalog pages with the buttons.
constexpr const char *kMovieIcon = "movie.svg";

// True for the containers today's browsers play (MP4, WebM, QuickTime; by the name's extension).
bool plays_in_browser(std::string_view path);

// Writes the movie's markup on the open page. `address` is what the page links; `path` the file itself.
// With make_posters, a frame of a playable movie grabbed with ffmpeg (when installed) into
// <catalog folder>/Posters is its poster; else, or when the grab fails, the movie icon (`icon` as the page
// names it).
int add_movie(const std::string &catalog_folder, std::string_view path, std::string_view address, int w,
              int h, bool make_posters, std::string_view icon = kMovieIcon);
