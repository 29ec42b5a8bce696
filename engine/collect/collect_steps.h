// The parts of the gathering that collection owns: the picture header and filter,
// copying into the output's "Images" folder, and the thumbnail iteration. The step
// machine that runs them is run/gathering.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "core/engine_state.h"

// Reads a picture's header: kilobytes, or -1 when unreadable (see picture_header.h).
int read_picture_header(const ZunoRecord *rec, const char *path, int type, int16_t *disp_w, int16_t *disp_h,
                        int16_t *w, int16_t *h, uint32_t *flags);

int accept_picture(const ZunoRecord *rec, int64_t w, int64_t h, const FileNode *node);  // 1 accept, 0 reject
int is_banner_size(const ZunoRecord *rec, int64_t w, int64_t h);                        // 1 or 0
int zunocopy(int mode, FileNode *head, const char *output, const char *root);           // 0, -1
// The folder of `path` below `root`, recreated below `base`: 0 with *relative ("" or "/a/b"), or -1.
int make_mirror_folder(const char *path, const char *root, const char *base, std::string *relative);
// 0 copied or left alone, -1 error, -2 disk full. `copied_to` (optional) receives the destination file.
int bincopy(int mode, const char *source, const char *destination, std::string *copied_to = nullptr);
